// Balances far beyond +-5000: closed forms, an independent sparse convolution, the spans and the memory budget.
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace wl {
namespace {

using test::MakeGame;
using test::MakeSystem;

struct TMoments {
    double Ahead = 0.0, Mean = 0.0, Total = 0.0;
};

TMoments MomentsOf(const TGameCalculator& c) {
    TMoments m;
    for (const auto& [lo, hi] : c.BalanceSpans())
        for (int64_t b = lo; b <= hi; ++b) {
            const double p = c.BalanceProbability(static_cast<int>(b));
            m.Total += p;
            m.Mean += static_cast<double>(b) * p;
            if (b > 0)
                m.Ahead += p;
        }
    return m;
}

void RunRounds(TGameCalculator& c, int rounds) {
    c.Reset();
    for (int r = 2; r <= rounds; ++r)
        c.Step();
}

// Lose 1 or win J, a flat bet: before J rounds a single jackpot keeps the player ahead.
TEST(WideBalances, LotteryMatchesItsClosedForms) {
    const TFloatModeGuard floatMode;
    struct TRow {
        int32_t Jackpot;
        double Chance;
        int Rounds;
        int64_t Budget = int64_t{256} << 20;
    };
    // The last row's clusters span 2,000,000 balances, three times what its budget would hold densely.
    for (const TRow& row : {TRow{6000, 0.05, 40}, TRow{120000, 1e-3, 20}, TRow{5001, 0.3, 30},
                            TRow{100000, 0.01, 20, int64_t{16} << 20}}) {
        const TGameDescription game = MakeGame({{-1, 1.0 - row.Chance}, {row.Jackpot, row.Chance}});
        const TBetDescription flat = test::FlatSystem();
        TGameCalculator c;
        c.Game = &game;
        c.BetSystem = &flat;
        c.MemoryBudget = row.Budget;
        RunRounds(c, row.Rounds);
        const TMoments m = MomentsOf(c);
        const double n = row.Rounds;
        EXPECT_NEAR(m.Ahead, -std::expm1(n * std::log1p(-row.Chance)), 1e-13) << row.Jackpot;
        EXPECT_NEAR(m.Mean, n * (row.Chance * (row.Jackpot + 1.0) - 1.0), 1e-11 * n * row.Jackpot) << row.Jackpot;
        EXPECT_NEAR(m.Total, 1.0, 1e-13);
        EXPECT_EQ(c.LimitProbability(), 0.0);
        EXPECT_FALSE(c.BudgetReached());
    }
}

// The same rounds by hand, cell by cell in a map of (state, balance): no rows, no ranges, no kernels.
TEST(WideBalances, AgreeWithASparseConvolution) {
    const TFloatModeGuard floatMode;
    const TGameDescription keno = MakeGame({{-1, 0.75}, {2, 0.2}, {40, 0.0485}, {900, 0.0014}, {7000, 0.0001}});
    // A capped progression: triple after a loss, back to 1 after a win or a second loss.
    const TBetDescription doubling = MakeSystem({{1, 0, 1}, {3, 0, 0}});
    const TBetDescription flat = test::FlatSystem();
    struct TRow {
        const char* Name;
        const TBetDescription* System;
        int64_t MinBalance; // every round lost
    };
    for (const TRow& row : {TRow{"tripling once", &doubling, -40}, TRow{"flat", &flat, -20}}) {
        SCOPED_TRACE(row.Name);
        const TBetDescription* system = row.System;
        TGameCalculator c;
        c.Game = &keno;
        c.BetSystem = system;
        std::map<std::pair<int, int64_t>, double> cells{{{0, 0}, 1.0}};
        for (int round = 1; round <= 20; ++round) {
            std::map<std::pair<int, int64_t>, double> next;
            for (auto it = cells.begin(); it != cells.end(); ++it) {
                const auto [state, balance] = it->first;
                for (int o = 0; o < keno.OutcomeCount; ++o) {
                    const int64_t move = static_cast<int64_t>(keno.OutcomeResults[o]) * system->Bets[state];
                    const int to = move < 0 ? system->LossStates[state] : system->WinStates[state];
                    next[{to, balance + move}] += it->second * keno.OutcomeProbabilities[o];
                }
            }
            cells = std::move(next);
            if (round == 1)
                c.Reset();
            else
                c.Step();
        }
        ASSERT_GT(c.MaxBalance, 15 * 7000);
        EXPECT_EQ(c.MinBalance, row.MinBalance);
        double worst = 0.0;
        for (const auto& [key, p] : cells)
            if (p > 1e-280)
                worst = std::max(worst, std::abs(c.Cell(key.first, static_cast<int>(key.second)) - p) / p);
        EXPECT_LT(worst, 1e-11);
        EXPECT_EQ(c.LimitProbability(), 0.0);
    }
}

// Clusters far apart are separate spans; the spans reach the range's ends.
TEST(WideBalances, SpansSkipLongEmptyStretches) {
    const TGameDescription lottery = MakeGame({{-1, 0.9}, {100000, 0.1}});
    const TBetDescription flat = test::FlatSystem();
    TGameCalculator c;
    c.Game = &lottery;
    c.BetSystem = &flat;
    RunRounds(c, 3);
    std::vector<std::pair<int64_t, int64_t>> spans;
    for (const auto& [lo, hi] : c.BalanceSpans())
        spans.emplace_back(lo, hi);
    const std::vector<std::pair<int64_t, int64_t>> expected{
        {-3, -3}, {99998, 99998}, {199999, 199999}, {300000, 300000}};
    EXPECT_EQ(spans, expected);
}

// A series past its budget stops widening and says so; a series within it stays exact.
TEST(WideBalances, TheBudgetStopsOnlyTheSeriesThatPassesIt) {
    const TFloatModeGuard floatMode;
    const TGameDescription lottery = MakeGame({{-1, 0.98}, {50000, 0.02}});
    const TGameDescription coin = test::CoinGame();
    const TBetDescription flat = test::FlatSystem();
    for (const auto& [game, stops] : {std::pair{&lottery, true}, std::pair{&coin, false}}) {
        TGameCalculator c;
        c.Game = game;
        c.BetSystem = &flat;
        c.MemoryBudget = int64_t{1} << 20;
        RunRounds(c, 100);
        EXPECT_EQ(c.BudgetReached(), stops);
        EXPECT_EQ(c.LimitProbability() > 0.0, stops);
        // What passed the budget's edge has left play and is counted there.
        EXPECT_NEAR(MomentsOf(c).Total + c.LimitProbability(), 1.0, 1e-12);
        // Both buffers and the stash of one state, with their margins; the span may pass the budget fourfold where
        // the pages between clusters take no memory.
        EXPECT_LE((c.HighLimit() - c.LowLimit() + 1) * 3 * int64_t{sizeof(double)}, 4 * c.MemoryBudget);
        if (!stops) {
            EXPECT_NEAR(MomentsOf(c).Ahead, 0.5 - 0.5 * c.BalanceProbability(0), 1e-13);
        }
    }
}

} // namespace
} // namespace wl
