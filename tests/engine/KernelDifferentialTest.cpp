// The fast kernels against the reference loops, bit for bit after every round, on seeded random games and systems,
// in the floating-point mode of the calculation thread.
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepKernel.h"
#include "engine/StepPool.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace wl {
namespace {

struct TRandomCase {
    TGameDescription Game;
    TBetDescription System;
    int32_t Bankroll = 0;
    int32_t Target = 0; // risk charts take balances at or beyond -Bankroll and Target
    int Rounds = 1;
    // Risk charts widen the limits to reach -Bankroll and Target.
    int32_t Low = TGameCalculator::MinBalanceLimit;
    int32_t High = TGameCalculator::MaxBalanceLimit;
};

TRandomCase RandomCase(std::mt19937& rng) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    TRandomCase c;
    c.Game.OutcomeCount = pick(1, 32);
    for (int o = 0; o < c.Game.OutcomeCount; ++o) {
        int32_t r = pick(-50, 50);
        const int kind = pick(0, 99);
        if (kind < 4)
            r = pick(0, 1) ? pick(2500, 9000) : -pick(2500, 9000); // reaches a bound
        else if (kind < 20 && o > 0)
            r = c.Game.OutcomeResults[pick(0, o - 1)]; // equal results
        double p = std::uniform_real_distribution<double>(0.0, 2.0 / c.Game.OutcomeCount)(rng);
        const int pkind = pick(0, 99);
        if (pkind < 8)
            p = 0.0;
        else if (pkind < 12)
            p = -p;
        c.Game.OutcomeResults[o] = r;
        c.Game.OutcomeProbabilities[o] = p;
    }
    c.System.StateCount = pick(1, 21);
    for (int s = 0; s < c.System.StateCount; ++s) {
        c.System.Bets[s] = pick(-3, 30);
        c.System.WinStates[s] = pick(0, c.System.StateCount - 1);
        c.System.LossStates[s] = pick(0, c.System.StateCount - 1);
    }
    c.Bankroll = pick(0, 2) == 0 ? 0 : pick(1, 60);
    c.Target = pick(0, 1) ? pick(1, 400) : 0;
    c.Rounds = pick(1, 300);
    return c;
}

struct TRun {
    std::unique_ptr<TGameCalculator> Calc;
    std::optional<std::string> Error;
    const char* Name;
    TStepPool* Pool = nullptr;
};

void Advance(TRun& run, bool reset) {
    if (run.Error)
        return;
    try {
        if (reset)
            run.Calc->Reset();
        else if (run.Pool)
            run.Calc->Step(*run.Pool);
        else
            run.Calc->Step();
    } catch (const Exception& e) {
        run.Error = std::string(typeid(e).name()) + ": " + e.what();
    }
}

// What the risk charts do after each round: count and remove the players who reached a limit.
void TakeLimits(TGameCalculator& c, const TRandomCase& rc) {
    if (rc.Bankroll > 0)
        for (int k = c.MinBalance; k <= -rc.Bankroll && k <= c.MaxBalance; ++k)
            c.TakeBalanceProbability(k);
    if (rc.Target > 0)
        for (int k = std::max(rc.Target, c.MinBalance); k <= c.MaxBalance; ++k)
            c.TakeBalanceProbability(k);
}

::testing::AssertionResult Same(const TRun& ref, const TRun& other) {
    if (ref.Error != other.Error)
        return ::testing::AssertionFailure() << other.Name << " error differs: " << ref.Error.value_or("none") << " / "
                                             << other.Error.value_or("none");
    if (ref.Error)
        return ::testing::AssertionSuccess(); // the calculator is undefined after a failure
    const TGameCalculator& a = *ref.Calc;
    const TGameCalculator& b = *other.Calc;
    if (a.MinBalance != b.MinBalance || a.MaxBalance != b.MaxBalance || a.RoundCount != b.RoundCount ||
        a.CurrentBuffer != b.CurrentBuffer)
        return ::testing::AssertionFailure()
               << other.Name << " range/round differs: " << a.MinBalance << ".." << a.MaxBalance << " r" << a.RoundCount
               << " vs " << b.MinBalance << ".." << b.MaxBalance << " r" << b.RoundCount;
    if (!a.SameCells(b)) {
        for (int s = 0; s < TGameCalculator::StateLimit; ++s)
            for (int k = a.LowLimit(); k <= a.HighLimit(); ++k)
                if (std::memcmp(&a.Row(a.CurrentBuffer, s)[k - a.LowLimit()],
                                &b.Row(b.CurrentBuffer, s)[k - b.LowLimit()], sizeof(double)) != 0)
                    return ::testing::AssertionFailure() << other.Name << " differs at state " << s << ", balance " << k
                                                         << ": " << a.Cell(s, k) << " vs " << b.Cell(s, k);
    }
    return ::testing::AssertionSuccess();
}

class KernelDifferential : public ::testing::Test {
protected:
    void SetUp() override { FSavedThreshold = TGameCalculator::TFastPlan::SplitThreshold.load(); }
    void TearDown() override { TGameCalculator::TFastPlan::SplitThreshold.store(FSavedThreshold); }

    // Runs one case on every kernel and compares after every round; stops early past a work budget.
    void RunCase(const TRandomCase& rc, TStepPool& pool, int index, long long workCap = 4000000) {
        std::vector<TRun> runs;
        auto add = [&](TStepKernel kernel, const char* name, TStepPool* p) {
            TRun r{std::make_unique<TGameCalculator>(), std::nullopt, name, p};
            r.Calc->Kernel = kernel;
            r.Calc->Game = &rc.Game;
            r.Calc->BetSystem = &rc.System;
            r.Calc->Bankroll = rc.Bankroll;
            r.Calc->LowBound = rc.Low;
            r.Calc->HighBound = rc.High;
            runs.push_back(std::move(r));
        };
        add(TStepKernel::Reference, "reference", nullptr);
        add(TStepKernel::Portable, "portable", nullptr);
        if (TGameCalculator::Avx2Supported())
            add(TStepKernel::Avx2, "avx2", nullptr);
        add(TGameCalculator::DefaultKernel(), "split", &pool);
        long long work = 0;
        for (int round = 1; round <= rc.Rounds && work < workCap; ++round) {
            const TGameCalculator& ref = *runs[0].Calc;
            work += static_cast<long long>(rc.System.StateCount) * (ref.MaxBalance - ref.MinBalance + 1) *
                    rc.Game.OutcomeCount;
            for (TRun& r : runs) {
                Advance(r, round == 1);
                if (!r.Error)
                    TakeLimits(*r.Calc, rc);
            }
            for (size_t i = 1; i < runs.size(); ++i)
                ASSERT_TRUE(Same(runs[0], runs[i])) << "case " << index << " round " << round;
            if (runs[0].Error)
                return;
        }
    }

private:
    long long FSavedThreshold = 0;
    const TFloatModeGuard FFloatMode;
};

TEST_F(KernelDifferential, RandomGamesAndSystemsMatchBitForBit) {
    TGameCalculator::TFastPlan::SplitThreshold.store(1); // share every round out, to test the split too
    TStepPool pool(2);
    std::mt19937 rng(5);
    for (int i = 0; i < 120; ++i) {
        TRandomCase rc = RandomCase(rng);
        if (i % 4 == 3) { // the widened limits of a risk chart, at either end or both
            rc.Low = i % 8 == 3 ? -TGameCalculator::WideBalanceLimit : -6000 - i;
            rc.High = i % 3 == 0 ? TGameCalculator::WideBalanceLimit : 5000 + 37 * i;
        } else if (i % 4 == 1) { // rows that widen as far as the moves go, a jackpot now and then
            rc.Low = -TGameCalculator::BalanceReach;
            rc.High = TGameCalculator::BalanceReach;
            if (i % 8 == 1)
                rc.Game.OutcomeResults[0] = 40000 + i;
        }
        RunCase(rc, pool, i);
        if (HasFatalFailure())
            return;
    }
}

// Clusters tens of thousands of balances apart, on rows wide enough to be gathered segment by segment: the segments
// split, join and move between the states and the buffers.
TEST_F(KernelDifferential, SegmentedRowsMatchBitForBit) {
    TStepPool pool(2);
    TRandomCase rc;
    rc.Game = test::MakeGame({{-1, 0.55}, {2, 0.3}, {20000, 0.1}, {-7, 0.04}, {50000, 0.01}});
    // Up 3 after a loss, back after a win; the second state's moves land in other segments than the first's.
    rc.System = test::MakeSystem({{1, 0, 1}, {3, 0, 0}});
    rc.Low = -TGameCalculator::BalanceReach;
    rc.High = TGameCalculator::BalanceReach;
    rc.Rounds = 24;
    for (const long long split : {1LL, 1LL << 40}) {
        TGameCalculator::TFastPlan::SplitThreshold.store(split);
        RunCase(rc, pool, static_cast<int>(split), 1LL << 40);
        if (HasFatalFailure())
            return;
    }
}

// Cases that reach both bounds, the bankroll rule and the fall-back every round, on a wide range.
TEST_F(KernelDifferential, BoundsAndBankrollMatchBitForBit) {
    TGameCalculator::TFastPlan::SplitThreshold.store(1);
    TStepPool pool(2);
    std::mt19937 rng(11);
    for (int i = 0; i < 30; ++i) {
        TRandomCase rc = RandomCase(rng);
        for (int o = 0; o < rc.Game.OutcomeCount; ++o)
            rc.Game.OutcomeProbabilities[o] = std::abs(rc.Game.OutcomeProbabilities[o]);
        rc.Game.OutcomeResults[0] = 700;
        rc.Game.OutcomeResults[rc.Game.OutcomeCount - 1] = -900;
        rc.Bankroll = 1 + i % 7;
        if (i % 3 == 0)
            rc.System.Bets[rc.System.StateCount - 1] = 6000 + i; // beyond every balance the bankroll rule looks at
        rc.Target = 0;
        rc.Rounds = 40;
        RunCase(rc, pool, i);
        if (HasFatalFailure())
            return;
    }
}

// Probability piled at -5000 that moves by 0 (a draw, or a bet of 0) goes to the win state while the losses there
// go to the loss state: the lower bound's sums are kept apart per target state.
TEST_F(KernelDifferential, ZeroMovesAtTheLowerBoundMatchBitForBit) {
    TStepPool pool(2);
    for (int bet0 : {1, 0}) {
        TRandomCase rc;
        rc.Game = test::MakeGame({{-3000, 0.25}, {0, 0.35}, {2, 0.15}, {-1, 0.25}});
        rc.System = test::MakeSystem({{bet0, 1, 2}, {3, 0, 2}, {1, 1, 0}});
        rc.Rounds = 30;
        RunCase(rc, pool, bet0);
        if (HasFatalFailure())
            return;
    }
}

// Chains of states each fed by one move of the one before, shared out over two workers: the rows are scaled in place
// while the other worker still gathers, so each may scale only the cells that its own targets alone read.
TEST_F(KernelDifferential, ChainsSharedOutMatchBitForBit) {
    TGameCalculator::TFastPlan::SplitThreshold.store(1);
    TStepPool pool(2);
    struct TChain {
        const char* Name;
        TGameDescription Game;
        TBetDescription System;
        int Rounds;
    };
    const TGameDescription redBlack = test::MakeGame({{1, 18.0 / 37}, {-1, 19.0 / 37}});
    const TChain chains[] = {
        // Moves of 1024 against stretches of a few hundred cells: no worker owns a cell at first.
        {"ten doublings", redBlack,
         test::MakeSystem({{1, 0, 1},
                           {2, 0, 2},
                           {4, 0, 3},
                           {8, 0, 4},
                           {16, 0, 5},
                           {32, 0, 6},
                           {64, 0, 7},
                           {128, 0, 8},
                           {256, 0, 9},
                           {512, 0, 10},
                           {1024, 0, 0}}),
         400},
        {"three doublings", redBlack, test::MakeSystem({{1, 0, 1}, {2, 0, 2}, {4, 0, 3}, {8, 0, 0}}), 1500},
        // Negative bets: the rows are read by moves in both directions.
        {"against the chain", test::MakeGame({{2, 0.45}, {-1, 0.55}}),
         test::MakeSystem({{1, 0, 1}, {-2, 0, 2}, {3, 0, 3}, {-1, 0, 0}}), 800},
    };
    for (const TChain& chain : chains) {
        SCOPED_TRACE(chain.Name);
        TRandomCase rc;
        rc.Game = chain.Game;
        rc.System = chain.System;
        rc.Low = -TGameCalculator::BalanceReach;
        rc.High = TGameCalculator::BalanceReach;
        rc.Rounds = chain.Rounds;
        RunCase(rc, pool, 0, 1LL << 40);
        if (HasFatalFailure())
            return;
    }
}

// One case on the reference and the default kernel without a pool, compared every `every` rounds: a difference
// persists, and comparing costs more than a round.
struct TLongCase {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    int32_t Bankroll, Target, Rounds, Every;
    int32_t Low = TGameCalculator::MinBalanceLimit; // the calculator's limits
    int32_t High = TGameCalculator::MaxBalanceLimit;
};

void CompareLong(const TLongCase& row) {
    TRandomCase rc{row.Game, row.System, row.Bankroll, row.Target, row.Rounds, row.Low, row.High};
    TRun ref{std::make_unique<TGameCalculator>(), std::nullopt, "reference"};
    TRun fast{std::make_unique<TGameCalculator>(), std::nullopt, "fast"};
    ref.Calc->Kernel = TStepKernel::Reference;
    fast.Calc->Kernel = TGameCalculator::DefaultKernel();
    for (TRun* r : {&ref, &fast}) {
        r->Calc->Game = &rc.Game;
        r->Calc->BetSystem = &rc.System;
        r->Calc->Bankroll = rc.Bankroll;
        r->Calc->LowBound = rc.Low;
        r->Calc->HighBound = rc.High;
    }
    // The risk charts take the players at the limits after each round.
    const TRandomCase limits{rc.Game, rc.System, rc.Bankroll, rc.Bankroll > 0 ? rc.Target - rc.Bankroll : 0, 0};
    for (int round = 1; round <= row.Rounds; ++round) {
        for (TRun* r : {&ref, &fast}) {
            Advance(*r, round == 1);
            TakeLimits(*r->Calc, limits);
        }
        if (round % row.Every == 0 || round == row.Rounds) {
            ASSERT_TRUE(Same(ref, fast)) << row.Name << ", round " << round;
        }
    }
}

// Long runs: the tails decay below the smallest normal double and most of each row holds exact zeros, while the
// tracked range stays wide.
TEST_F(KernelDifferential, LongRunsMatchBitForBit) {
    TBetDescription dalembert21;
    dalembert21.StateCount = 21;
    for (int s = 0; s < 21; ++s) {
        dalembert21.Bets[s] = s + 1;
        dalembert21.WinStates[s] = std::max(s - 1, 0);
        dalembert21.LossStates[s] = std::min(s + 1, 20);
    }
    const TGameDescription redBlack = test::MakeGame({{1, 18.0 / 37}, {-1, 19.0 / 37}});
    for (const TLongCase& row : {
             TLongCase{"flat bet, 6000 rounds", redBlack, test::FlatSystem(), 0, 0, 6000, 500},
             TLongCase{"21 states, bankroll 1000, 3000 rounds", redBlack, dalembert21, 1000, 2000, 3000, 500},
             // The risk charts' widest limits: the bankroll and the target beyond ±5000.
             TLongCase{"21 states, bankroll 8000, target 18000", test::MakeGame({{40, 0.45}, {-35, 0.55}}), dalembert21,
                       8000, 18000, 250, 50, -8000, 10000},
             TLongCase{"flat bet, bankroll 10000, target 10000", test::MakeGame({{900, 0.5}, {-700, 0.5}}),
                       test::FlatSystem(), 10000, 10000, 300, 50, -10000, 5000},
         }) {
        CompareLong(row);
        if (HasFatalFailure())
            return;
    }
}

// A row fed by one move of one row is that row relabelled in place; its shifts pile up in its slot until a gather
// moves it back, through both limits.
TEST_F(KernelDifferential, RelabelledRowsMatchBitForBit) {
    const TGameDescription redBlack = test::MakeGame({{1, 18.0 / 37}, {-1, 19.0 / 37}});
    // Doubling after each loss (martingale) or after each win (paroli), back to state 0 otherwise.
    auto doubling = [](int states, bool afterWin) {
        TBetDescription b;
        b.StateCount = states;
        for (int s = 0; s < states; ++s) {
            b.Bets[s] = 1 << s;
            const int next = s + 1 < states ? s + 1 : 0;
            b.WinStates[s] = afterWin ? next : 0;
            b.LossStates[s] = afterWin ? 0 : next;
        }
        return b;
    };
    for (const TLongCase& row : {
             TLongCase{"martingale, losses relabelled", redBlack, doubling(11, false), 0, 0, 400, 20},
             TLongCase{"paroli, wins relabelled", redBlack, doubling(4, true), 0, 0, 600, 20},
             TLongCase{"every row relabelled, up to the upper limit", test::MakeGame({{7, 1.0}}),
                       test::MakeSystem({{5, 1, 1}, {7, 0, 0}}), 0, 0, 900, 20},
             // Scaling by -0 in place would leave -0 where the reference adds a -0 product to +0.
             TLongCase{"a probability of -0", test::MakeGame({{1, -0.0}, {-1, 0.3}, {-2, 0.2}}), doubling(4, true), 0,
                       0, 50, 1},
             TLongCase{"a draw relabelled where it stands", test::MakeGame({{0, 0.5}, {-2, 0.5}}),
                       test::MakeSystem({{1, 1, 0}, {3, 0, 0}}), 0, 0, 600, 20},
         }) {
        CompareLong(row);
        if (HasFatalFailure())
            return;
    }
}

// A calculator reset after a wider calculation must not carry stale cells of its scratch buffer.
TEST_F(KernelDifferential, ResetAfterWideRunMatches) {
    const auto wide = test::MakeGame({{40, 0.5}, {-45, 0.5}});
    const auto narrow = test::CoinGame();
    const auto system = test::MakeSystem({{1, 0, 1}, {3, 0, 2}, {2, 0, 0}});
    for (TStepKernel kernel : {TStepKernel::Portable, TStepKernel::Avx2}) {
        TRun ref{std::make_unique<TGameCalculator>(), std::nullopt, "reference"};
        TRun fast{std::make_unique<TGameCalculator>(), std::nullopt, "fast"};
        ref.Calc->Kernel = TStepKernel::Reference;
        fast.Calc->Kernel = kernel;
        for (TRun* r : {&ref, &fast}) {
            r->Calc->BetSystem = &system;
            r->Calc->Game = &wide;
        }
        for (int round = 1; round <= 25; ++round) {
            Advance(ref, round == 1);
            Advance(fast, round == 1);
        }
        ASSERT_TRUE(Same(ref, fast));
        for (TRun* r : {&ref, &fast})
            r->Calc->Game = &narrow;
        for (int round = 1; round <= 30; ++round) {
            Advance(ref, round == 1);
            Advance(fast, round == 1);
            ASSERT_TRUE(Same(ref, fast)) << "round " << round;
        }
    }
}

} // namespace
} // namespace wl
