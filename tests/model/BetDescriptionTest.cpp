// States of a betting system: successors, deletion with renumbering, pruning, and its ini section.
#include "model/BetDescription.h"
#include "support/IniStore.h"

#include <gtest/gtest.h>

#include <limits>

#include <vector>

namespace wl {
namespace {

struct TState {
    int32_t Bet;
    int32_t Win;
    int32_t Loss;
};

TBetDescription MakeSystem(const std::vector<TState>& states) {
    TBetDescription system;
    system.Name = QStringLiteral("S");
    system.StateCount = static_cast<int32_t>(states.size());
    for (int i = 0; i < system.StateCount; ++i) {
        system.Bets[i] = states[static_cast<size_t>(i)].Bet;
        system.WinStates[i] = states[static_cast<size_t>(i)].Win;
        system.LossStates[i] = states[static_cast<size_t>(i)].Loss;
    }
    return system;
}

std::vector<TState> StatesOf(const TBetDescription& system) {
    std::vector<TState> states;
    for (int i = 0; i < system.StateCount; ++i)
        states.push_back({system.Bet(i), system.WinState(i), system.LossState(i)});
    return states;
}

void ExpectStates(const TBetDescription& system, const std::vector<TState>& expected, const char* name) {
    const std::vector<TState> actual = StatesOf(system);
    ASSERT_EQ(actual.size(), expected.size()) << name;
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].Bet, expected[i].Bet) << name << " state " << i;
        EXPECT_EQ(actual[i].Win, expected[i].Win) << name << " state " << i;
        EXPECT_EQ(actual[i].Loss, expected[i].Loss) << name << " state " << i;
    }
}

TEST(BetDescription, NewSystemIsFlatBettingOfOneUnit) {
    const TBetDescription system;
    EXPECT_TRUE(system.Name.isEmpty());
    ExpectStates(system, {{1, 0, 0}}, "new");
    EXPECT_EQ(system.Bet(1), 0);
}

TEST(BetDescription, NamingALaterStateAddsStates) {
    TBetDescription system;
    system.SetWinState(0, 3);
    ExpectStates(system, {{1, 3, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, "win 3");
    system.SetLossState(1, 20);
    EXPECT_EQ(system.StateCount, 21);
    system.SetLossState(1, 2); // naming an earlier state never shrinks
    EXPECT_EQ(system.StateCount, 21);
}

TEST(BetDescription, SuccessorOutsideTheStatesIsRefused) {
    for (const int32_t v : {-1, 21, 1000}) {
        TBetDescription system;
        EXPECT_THROW(system.SetWinState(0, v), ERangeError) << v;
        EXPECT_THROW(system.SetLossState(0, v), ERangeError) << v;
        ExpectStates(system, {{1, 0, 0}}, "refused");
    }
    TBetDescription system;
    EXPECT_THROW(system.SetWinState(21, 0), ERangeError);
    EXPECT_EQ(system.StateCount, 1);
}

TEST(BetDescription, DeleteStateRenumbersLaterSuccessors) {
    struct TCase {
        const char* Name;
        std::vector<TState> Before;
        int Deleted;
        std::vector<TState> After;
    };
    std::vector<TState> all21;
    for (int i = 0; i < 21; ++i)
        all21.push_back({i, (i + 1) % 21, 0});
    std::vector<TState> all21After;
    for (int i = 0; i < 20; ++i) {
        const int old = i < 5 ? i : i + 1;
        const int next = (old + 1) % 21;
        all21After.push_back({old, next > 5 ? next - 1 : next, 0});
    }
    const TCase cases[] = {
        {"MiddleState", {{1, 0, 1}, {2, 0, 2}, {4, 3, 0}, {8, 0, 0}}, 1, {{1, 0, 1}, {4, 2, 0}, {8, 0, 0}}},
        {"LastState", {{1, 0, 1}, {2, 0, 0}}, 1, {{1, 0, 1}}},
        {"AllTwentyOne", all21, 5, all21After},
    };
    for (const TCase& c : cases) {
        TBetDescription system = MakeSystem(c.Before);
        system.DeleteState(c.Deleted);
        ExpectStates(system, c.After, c.Name);
        // The vacated slot is cleared, for a state named later.
        EXPECT_EQ(system.Bet(system.StateCount), 0) << c.Name;
        EXPECT_EQ(system.WinState(system.StateCount), 0) << c.Name;
        EXPECT_EQ(system.LossState(system.StateCount), 0) << c.Name;
    }
}

TEST(BetDescription, DeleteMissingStateIsRefused) {
    TBetDescription system = MakeSystem({{1, 0, 1}, {2, 0, 0}});
    EXPECT_THROW(system.DeleteState(2), ERangeError);
    EXPECT_THROW(system.DeleteState(-1), ERangeError);
    ExpectStates(system, {{1, 0, 1}, {2, 0, 0}}, "unchanged");
    TBetDescription empty = MakeSystem({});
    EXPECT_THROW(empty.DeleteState(0), ERangeError);
    EXPECT_EQ(empty.StateCount, 0);
}

TEST(BetDescription, PruneStates) {
    struct TCase {
        const char* Name;
        std::vector<TState> Before;
        std::vector<TState> After;
    };
    const TCase cases[] = {
        {"CycleNamedButUnreachableStays",
         {{1, 0, 1}, {2, 0, 0}, {3, 3, 3}, {4, 2, 2}},
         {{1, 0, 1}, {2, 0, 0}, {3, 3, 3}, {4, 2, 2}}},
        {"UnnamedStateGoesAndLaterMovesDown",
         {{1, 0, 1}, {2, 0, 0}, {3, 3, 3}, {4, 3, 3}},
         {{1, 0, 1}, {2, 0, 0}, {4, 2, 2}}},
        {"OnlyStateZeroStays", {{1, 0, 0}, {2, 1, 1}, {3, 2, 2}}, {{1, 0, 0}, {2, 1, 1}, {3, 2, 2}}},
        {"SeveralUnnamed", {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, {{1, 0, 0}}},
        {"ChainOfNamedStates",
         {{1, 0, 3}, {2, 0, 0}, {3, 1, 1}, {4, 2, 2}},
         {{1, 0, 3}, {2, 0, 0}, {3, 1, 1}, {4, 2, 2}}},
        {"NoStates", {}, {}},
    };
    for (const TCase& c : cases) {
        TBetDescription system = MakeSystem(c.Before);
        system.PruneStates();
        ExpectStates(system, c.After, c.Name);
    }
}

TEST(BetDescription, PruneWithSuccessorOutOfRangeChangesNothing) {
    TBetDescription system = MakeSystem({{1, 0, 0}, {2, 0, 0}, {3, 0, 25}});
    EXPECT_THROW(system.PruneStates(), ERangeError);
    ExpectStates(system, {{1, 0, 0}, {2, 0, 0}, {3, 0, 25}}, "unchanged");
}

TEST(BetDescription, PruningWithTheSmallestCountChangesNothing) {
    TBetDescription system;
    system.StateCount = std::numeric_limits<int32_t>::min();
    system.PruneStates();
    EXPECT_EQ(system.StateCount, std::numeric_limits<int32_t>::min());
}

TEST(BetDescription, AssignCopiesThenPrunes) {
    TBetDescription target = MakeSystem({{9, 0, 0}, {9, 0, 0}, {9, 0, 0}});
    TBetDescription source = MakeSystem({{1, 0, 0}, {2, 0, 0}});
    source.Name = QStringLiteral("Source");
    target.Assign(source);
    EXPECT_EQ(target.Name, QStringLiteral("Source"));
    ExpectStates(target, {{1, 0, 0}}, "pruned");
    EXPECT_EQ(target.Bet(1), 0); // cleared: a state named there later starts afresh

    TBetDescription broken = MakeSystem({{5, 0, 30}});
    TBetDescription kept = MakeSystem({{7, 0, 0}});
    EXPECT_THROW(kept.Assign(broken), ERangeError);
    EXPECT_EQ(kept.Name, QStringLiteral("S"));
    ExpectStates(kept, {{7, 0, 0}}, "kept");
}

TEST(BetDescription, SectionFormatAndLoading) {
    TIniStore store;
    MakeSystem({{1, 0, 1}, {-2, 0, 0}}).SaveToIni(store);
    EXPECT_EQ(store.ToBytes(),
              QByteArray("[S]\r\nCount=2\r\nBet0=1\r\nWin0=0\r\nLoss0=1\r\nBet1=-2\r\nWin1=0\r\nLoss1=0\r\n\r\n"));

    struct TCase {
        const char* Name;
        const char* Text;
        bool Loads;
        std::vector<TState> States;
    };
    const TCase cases[] = {
        {"TwentyTwo", "[S]\nCount=22\n", false, {{1, 0, 0}}},
        {"Zero", "[S]\nCount=0\n", true, {}},
        {"MissingAndBadValues", "[S]\nCount=2\nBet0=x\nWin0=1\nBet1=3\nLoss1=0x1\n", true, {{0, 1, 0}, {3, 0, 1}}},
        {"NotPruned", "[S]\nCount=2\nBet0=1\nBet1=2\n", true, {{1, 0, 0}, {2, 0, 0}}},
    };
    for (const TCase& c : cases) {
        TIniStore in;
        in.LoadFromText(QString::fromLatin1(c.Text));
        TBetDescription system;
        system.Name = QStringLiteral("s");
        if (c.Loads)
            system.LoadFromIni(in);
        else
            EXPECT_THROW(system.LoadFromIni(in), ERangeError) << c.Name;
        ExpectStates(system, c.States, c.Name);
    }
    TIniStore in;
    in.LoadFromText(QStringLiteral("[S]\nCount=0\n"));
    TBetDescription none;
    none.Name = QStringLiteral("S");
    none.LoadFromIni(in);
    EXPECT_EQ(none.Bet(0), 1);
}

} // namespace
} // namespace wl
