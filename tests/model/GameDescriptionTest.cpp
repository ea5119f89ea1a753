// Derived figures, outcome editing and the ini section of one game.
#include "model/GameDescription.h"
#include "support/IniStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace wl {
namespace {

struct TOutcome {
    int32_t Result;
    double Probability;
};

TGameDescription MakeGame(const std::vector<TOutcome>& outcomes) {
    TGameDescription game;
    game.Name = QStringLiteral("Test");
    for (const TOutcome& o : outcomes) {
        game.SetResult(game.OutcomeCount, o.Result);
        game.SetProbability(game.OutcomeCount, o.Probability);
        ++game.OutcomeCount;
    }
    return game;
}

struct TFiguresCase {
    const char* Name;
    std::vector<TOutcome> Outcomes;
    int32_t RiskUnit;
    double Info[8]; // ExpectedReturn, ExpectedResult, StdDeviation, Variance, Win, Draw, Loss, Sum
};

class GameFigures : public testing::TestWithParam<TFiguresCase> {};

TEST_P(GameFigures, MatchHandComputedValues) {
    const TFiguresCase& c = GetParam();
    const TGameDescription game = MakeGame(c.Outcomes);
    EXPECT_EQ(game.RiskUnit(), c.RiskUnit);
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(game.Info(k), c.Info[k], 1e-15) << "Info(" << k << ")";
    EXPECT_EQ(game.Info(8), 0.0);
    EXPECT_EQ(game.Info(-1), 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GameFigures,
    testing::Values(
        TFiguresCase{"WorstLossTwoUnits", {{1, 0.5}, {-2, 0.5}}, 2, {0.75, -0.25, 0.75, 0.5625, 0.5, 0, 0.5, 1}},
        TFiguresCase{"NoLosingOutcome", {{2, 0.25}, {0, 0.75}}, 1, {1.5, 0.5, std::sqrt(0.75), 0.75, 0.25, 0.75, 0, 1}},
        TFiguresCase{"NoOutcomes", {}, 1, {1, 0, 0, 0, 0, 0, 0, 0}},
        TFiguresCase{"ProbabilitiesNotSummingToOne",
                     {{1, 0.5}, {-1, 0.25}, {0, 0.125}},
                     1,
                     {1.25, 0.25, std::sqrt(0.5 * 0.5625 + 0.25 * 1.5625 + 0.125 * 0.0625),
                      0.5 * 0.5625 + 0.25 * 1.5625 + 0.125 * 0.0625, 0.5, 0.125, 0.25, 0.875}}),
    [](const testing::TestParamInfo<TFiguresCase>& row) { return std::string(row.param.Name); });

TEST(GameDescription, NegativeCountActsAsNoOutcomes) {
    TGameDescription game = MakeGame({{-3, 1.0}});
    game.OutcomeCount = -2;
    EXPECT_EQ(game.RiskUnit(), 1);
    EXPECT_EQ(game.ExpectedReturn(), 1.0);
    EXPECT_EQ(game.ProbabilitySum(), 0.0);
}

TEST(GameDescription, FiguresOfTheMostNegativeResultDoNotFail) {
    // Its loss does not fit 32 bits; the editor draws these figures, so raising would repeat on every repaint.
    const TGameDescription game = MakeGame({{INT32_MIN, 1.0}});
    EXPECT_EQ(game.RiskUnit(), 2147483648LL);
    EXPECT_EQ(game.ExpectedResult(), -1.0);
    EXPECT_EQ(game.Variance(), 0.0);
}

TEST(GameDescription, InsertOutcomeShiftsUpAndClearsTheSlot) {
    TGameDescription game = MakeGame({{1, 0.1}, {2, 0.2}, {3, 0.3}});
    game.InsertOutcome(0);
    ASSERT_EQ(game.OutcomeCount, 4);
    EXPECT_EQ(game.Result(0), 0);
    EXPECT_EQ(game.Probability(0), 0.0);
    EXPECT_EQ(game.Result(1), 1);
    EXPECT_EQ(game.Result(3), 3);
    EXPECT_EQ(game.Probability(3), 0.3);

    game.InsertOutcome(4); // at the end
    EXPECT_EQ(game.OutcomeCount, 5);
    EXPECT_EQ(game.Result(4), 0);
}

TEST(GameDescription, RefusedEditsLeaveTheGameIntact) {
    std::vector<TOutcome> full;
    for (int i = 0; i < 32; ++i)
        full.push_back({i, 1.0 / 32});
    struct TCase {
        const char* Name;
        std::vector<TOutcome> Outcomes;
        void (*Edit)(TGameDescription&);
    };
    const TCase cases[] = {
        {"InsertIntoFullGame", full, [](TGameDescription& g) { g.InsertOutcome(5); }},
        {"InsertPastTheEnd", {{1, 0.5}, {-1, 0.5}}, [](TGameDescription& g) { g.InsertOutcome(3); }},
        {"InsertNegativeIndex", {{1, 0.5}}, [](TGameDescription& g) { g.InsertOutcome(-1); }},
        {"DeleteMissingOutcome", {{1, 0.5}, {-1, 0.5}}, [](TGameDescription& g) { g.DeleteOutcome(2); }},
        {"DeleteFromEmptyGame", {}, [](TGameDescription& g) { g.DeleteOutcome(0); }},
    };
    for (const TCase& c : cases) {
        TGameDescription game = MakeGame(c.Outcomes);
        const TGameDescription before = game;
        EXPECT_THROW(c.Edit(game), ERangeError) << c.Name;
        EXPECT_EQ(game.OutcomeCount, before.OutcomeCount) << c.Name;
        for (int i = 0; i < TGameDescription::MaxOutcomes; ++i) {
            EXPECT_EQ(game.Result(i), before.Result(i)) << c.Name << " slot " << i;
            EXPECT_EQ(game.Probability(i), before.Probability(i)) << c.Name << " slot " << i;
        }
    }
}

TEST(GameDescription, InsertIntoNegativeCountGivesOneOutcome) {
    TGameDescription game;
    game.OutcomeCount = -4;
    game.InsertOutcome(0);
    EXPECT_EQ(game.OutcomeCount, 1);
}

TEST(GameDescription, DeleteOutcomeShiftsDown) {
    std::vector<TOutcome> full;
    for (int i = 0; i < 32; ++i)
        full.push_back({i, i / 100.0});
    TGameDescription game = MakeGame(full);
    game.DeleteOutcome(31);
    EXPECT_EQ(game.OutcomeCount, 31);
    game.DeleteOutcome(0);
    ASSERT_EQ(game.OutcomeCount, 30);
    EXPECT_EQ(game.Result(0), 1);
    EXPECT_EQ(game.Result(29), 30);
    EXPECT_EQ(game.Probability(29), 0.3);
    // Vacated slots are cleared: a row typed there later must not bring a deleted outcome back.
    for (int slot : {30, 31}) {
        EXPECT_EQ(game.Result(slot), 0) << slot;
        EXPECT_EQ(game.Probability(slot), 0.0) << slot;
    }
}

TEST(GameDescription, AssignCopiesOnlyTheOutcomesInUse) {
    TGameDescription target = MakeGame({{7, 0.7}, {8, 0.8}, {9, 0.9}});
    const TGameDescription source = MakeGame({{1, 0.5}});
    target.Assign(source);
    EXPECT_EQ(target.Name, source.Name);
    EXPECT_EQ(target.OutcomeCount, 1);
    EXPECT_EQ(target.Result(0), 1);
    EXPECT_EQ(target.Result(1), 8); // slots beyond the count keep their values
    EXPECT_EQ(target.Probability(2), 0.9);
}

TEST(GameDescription, SectionFormat) {
    TGameDescription game = MakeGame({{1, 0.1}, {-1, 0.5}, {35, 1e-6}});
    TIniStore store;
    game.SaveToIni(store);
    EXPECT_EQ(store.ToBytes(), QByteArray("[Test]\r\nCount=3\r\nResult0=1\r\nProbability0=0.1\r\n"
                                          "Result1=-1\r\nProbability1=0.5\r\n"
                                          "Result2=35\r\nProbability2=1E-6\r\n\r\n"));
    game.SetProbability(1, 18.0 / 37);
    game.SaveToIni(store);
    const QString written = store.ReadString(QStringLiteral("test"), QStringLiteral("Probability1"));
    EXPECT_EQ(written.size(), 17) << written.toStdString(); // "0." and 15 significant digits
    EXPECT_TRUE(written.startsWith(QStringLiteral("0.48648648648648"))) << written.toStdString();

    TIniStore empty;
    TGameDescription none;
    none.Name = QStringLiteral("None");
    none.SaveToIni(empty);
    EXPECT_EQ(empty.ToBytes(), QByteArray("[None]\r\nCount=0\r\n\r\n"));
}

TEST(GameDescription, LoadReadsCountAsStoredAndDefaultsMissingValues) {
    struct TCase {
        const char* Name;
        const char* Text;
        int32_t Count;
        bool Loads;
    };
    const TCase cases[] = {
        {"ThirtyTwo", "[G]\nCount=32\n", 32, true},     {"ThirtyThree", "[G]\nCount=33\n", 0, false},
        {"Negative", "[G]\nCount=-3\n", -3, true},      {"Missing", "[G]\nResult0=4\n", 0, true},
        {"Hexadecimal", "[G]\nCount=0x10\n", 16, true},
    };
    for (const TCase& c : cases) {
        TIniStore store;
        store.LoadFromText(QString::fromLatin1(c.Text));
        TGameDescription game;
        game.Name = QStringLiteral("g");
        if (!c.Loads) {
            EXPECT_THROW(game.LoadFromIni(store), ERangeError) << c.Name;
            EXPECT_EQ(game.OutcomeCount, 0) << c.Name;
            continue;
        }
        game.LoadFromIni(store);
        EXPECT_EQ(game.OutcomeCount, c.Count) << c.Name;
    }

    TIniStore store;
    store.LoadFromText(QStringLiteral("[G]\nCount=-3\n"));
    TGameDescription game;
    game.Name = QStringLiteral("G");
    game.LoadFromIni(store);
    TIniStore out;
    game.SaveToIni(out);
    EXPECT_EQ(out.ToBytes(), QByteArray("[G]\r\nCount=-3\r\n\r\n"));
}

} // namespace
} // namespace wl
