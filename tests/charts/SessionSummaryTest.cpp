// The summary's figures until the session ends: solved against stepped, and where stepping cannot get there.
#include "charts/SeriesSummary.h"

#include "ChartTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wl::test {
namespace {

TSummaryParams Session(int bankroll, int target, bool solve) {
    TSummaryParams p;
    p.Rounds = 50;
    p.Session = true;
    p.Bankroll = bankroll;
    p.Target = target;
    p.Limits = {-std::max(bankroll, 5000), std::max(target - bankroll, 5000)};
    p.StateReach = false;
    p.Solve = solve;
    return p;
}

struct TSolvedRow {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    int Bankroll, Target;
};

// Bets that straddle the bankroll and the target: the fall-back to state 0's bet, stopping with money that pays no
// bet, and wins that jump past the target all occur.
TEST(SessionSummaryTest, SolvedFiguresAgreeWithSteppedOnes) {
    const TGameDescription redBlack = MakeGame(QStringLiteral("rb"), {{1, 18.0 / 37}, {-1, 19.0 / 37}});
    const TGameDescription draws = MakeGame(QStringLiteral("d"), {{2, 0.3}, {0, 0.2}, {-1, 0.5}});
    const TGameDescription single = MakeGame(QStringLiteral("s"), {{35, 1.0 / 37}, {-1, 36.0 / 37}});
    const TSolvedRow rows[] = {
        {"flat on red/black", redBlack, FlatSystem(), 20, 40},
        {"martingale past the bankroll", redBlack, MakeSystem(QStringLiteral("m"), {1, 2, 4, 8, 16, 32}), 25, 60},
        {"state 0 bets 3, money below it stops", redBlack, MakeSystem(QStringLiteral("b"), {3, 1, 5}), 7, 30},
        {"draws keep the state's bet", draws, MakeSystem(QStringLiteral("p"), {2, 4, 6}), 9, 25},
        {"single number jumps past the target", single, MakeSystem(QStringLiteral("f"), {1, 2}), 30, 50},
    };
    for (const TSolvedRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const auto solved = ComputeSeriesSummary(row.Game, row.System, Session(row.Bankroll, row.Target, true));
        const auto stepped = ComputeSeriesSummary(row.Game, row.System, Session(row.Bankroll, row.Target, false));
        ASSERT_TRUE(solved && stepped && solved->Session && stepped->Session);
        const TSessionFigures& a = *solved->Session;
        const TSessionFigures& b = *stepped->Session;
        ASSERT_TRUE(a.Solved && b.Ended);
        EXPECT_EQ(a.Method, TSessionMethod::Elimination);
        EXPECT_NEAR(*a.Ruin, *b.Ruin, 1e-12);
        EXPECT_NEAR(*a.Success, *b.Success, 1e-12);
        EXPECT_NEAR(*a.Duration, *b.Duration, 1e-11 * *b.Duration);
        EXPECT_NEAR(*a.EndResult, *b.EndResult, 1e-11 * row.Target);
        EXPECT_EQ(a.DurationMedian, b.DurationMedian);
        EXPECT_EQ(a.Duration90, b.Duration90);
        EXPECT_TRUE(a.DurationSd && *a.DurationSd > 0.0);
    }
}

TEST(SessionSummaryTest, FiguresWithNoRoundLimitWhereSteppingStopsShort) {
    // Stepping cannot end this session within the cap; the solver gives every figure, and the quantiles say that
    // the cap came first and how fast the rest decays.
    const TGameDescription single = MakeGame(QStringLiteral("s"), {{35, 1.0 / 37}, {-1, 36.0 / 37}});
    TSummaryParams p = Session(5000, 10000, true);
    p.RoundLimit = 20000;
    const auto s = ComputeSeriesSummary(single, FlatSystem(), p);
    ASSERT_TRUE(s && s->Session);
    const TSessionFigures& f = *s->Session;
    ASSERT_TRUE(f.Ruin && f.Success && f.Duration && f.EndResult);
    EXPECT_NEAR(*f.Ruin + *f.Success, 1.0, 1e-14);
    EXPECT_GT(*f.Success, 0.0);
    EXPECT_FALSE(f.DurationMedian);
    ASSERT_TRUE(f.TailDecay);
    EXPECT_GT(*f.TailDecay, 0.99);
    EXPECT_LT(*f.TailDecay, 1.0);
}

TEST(SessionSummaryTest, RedAndBlackWorkedExample) {
    const TGameDescription redBlack = MakeGame(QStringLiteral("rb"), {{1, 18.0 / 37}, {-1, 19.0 / 37}});
    const auto s = ComputeSeriesSummary(redBlack, FlatSystem(), Session(100, 200, true));
    ASSERT_TRUE(s && s->Session && s->Session->Ruin && s->Session->Duration);
    EXPECT_NEAR(*s->Session->Ruin * 100.0, 99.553372, 5e-7);
    EXPECT_NEAR(*s->Session->Duration, 3666.949494, 5e-7);
}

} // namespace
} // namespace wl::test
