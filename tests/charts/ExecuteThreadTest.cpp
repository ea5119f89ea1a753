// The calculation thread: progress rounding, stops at round boundaries, continuation of series that are ahead.
#include "ChartTestSupport.h"

#include "charts/ExecuteThread.h"
#include "engine/FloatMode.h"
#include "engine/StepPool.h"

#include <gtest/gtest.h>

namespace wl {
namespace {

TEST(ExecuteThreadTest, PercentRoundsHalvesToEven) {
    struct TRow {
        int Round, N, Expected;
    };
    const TRow rows[] = {{1, 10, 10},       {1, 3000, 0}, {15, 3000, 0}, {16, 3000, 1}, {45, 3000, 2},
                         {3000, 3000, 100}, {1, 3, 33},   {2, 3, 67},    {5, 1000, 0},  {15, 1000, 2},
                         {1, 1, 100},       {1, 200, 0},  {3, 200, 2}};
    for (const TRow& row : rows)
        EXPECT_EQ(TExecuteThread::Percent(row.Round, row.N), row.Expected) << row.Round << " of " << row.N;
    EXPECT_THROW(TExecuteThread::Percent(30000000, 40000000), EOverflowError);
}

// A block of rounds must end on every round that reports progress, as a stop is only seen between blocks.
TEST(ExecuteThreadTest, BlocksEndWhereTheProgressChanges) {
    struct TRow {
        const char* Name;
        int First, N;
        double Work;
        int Expected;
    };
    const TRow rows[] = {
        {"every round a new percent", 57, 100, 10, 57},
        {"up to the next percent", 101, 10000, 10, 150},
        {"at most the block's rounds", 2, 1000000, 10, 2 + TStepPool::MaxBlockRounds - 1},
        {"wide rows, short blocks", 2, 1000000, TStepPool::BlockWork / 3, 4},
        {"the last round", 9990, 10000, 10, 10000},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(TExecuteThread::BlockEnd(row.First, row.N, row.Work), row.Expected) << row.Name;
}

struct TThreadFixture : test::TControllerFixture {
    TGameDescription Coin = test::CoinGame();
    TGameDescription Skewed = test::MakeGame(QStringLiteral("Skewed"), {{1, 0.6}, {-1, 0.4}});
    TBetDescription Flat = test::FlatSystem();

    TThreadFixture(int rounds) {
        Controller->CurrentKind().SetParam(1, rounds);
        Controller->AddSeries(Coin, Flat);
        Controller->AddSeries(Skewed, Flat);
    }
};

// Execute runs on the calling thread here, so the stop can be requested at an exact round.
TEST(ExecuteThreadTest, AStopTakesEffectAtTheNextRoundBoundary) {
    TThreadFixture f(100);
    TExecuteThread thread(*f.Controller);
    f.Controller->SetOnProgress([&](int p) {
        f.Progress.push_back(p);
        if (p == 56)
            thread.Terminate(); // read after every series has done round 57
    });
    thread.Execute();
    EXPECT_EQ(f.Progress.back(), 56);
    EXPECT_EQ(f.Controller->CurrentKind().ComputedRounds, 57);
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 57);
    EXPECT_EQ(f.Controller->GetCalculator(1).RoundCount, 57);

    // The next calculation carries both series on from round 57.
    f.Controller->GetCalculator(0).TakeBalanceProbability(1);
    f.Progress.clear();
    f.Compute();
    EXPECT_EQ(f.Progress.back(), 10000);
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 100);
    double sum = 0;
    for (const TChartPoint& p : f.Chart.Line(0).Points())
        sum += p.Y;
    EXPECT_LT(sum, 95.0);
}

TEST(ExecuteThreadTest, AStopDuringRoundOneRecordsNothing) {
    TThreadFixture f(100);
    f.Controller->CurrentKind().ComputedRounds = 0;
    TExecuteThread thread(*f.Controller);
    thread.Terminate();
    thread.Execute();
    EXPECT_TRUE(f.Progress.empty());
    EXPECT_EQ(f.Controller->CurrentKind().ComputedRounds, 0);
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 1);
}

TEST(ExecuteThreadTest, OnlySeriesBehindAreStepped) {
    TThreadFixture f(3000);
    f.Compute();
    // Series 0 stands at round 3000; a marked distribution shows that it is not computed again.
    f.Controller->GetCalculator(0).TakeBalanceProbability(0);
    const double before = f.Controller->GetCalculator(0).BalanceProbability(2);
    TGameDescription other = test::MakeGame(QStringLiteral("Other"), {{1, 0.3}, {-1, 0.7}});
    f.Controller->AddSeries(other, f.Flat);
    f.Controller->WaitForCalculation();
    EXPECT_EQ(f.Controller->GetCalculator(0).BalanceProbability(0), 0.0);
    EXPECT_EQ(f.Controller->GetCalculator(0).BalanceProbability(2), before);
    EXPECT_EQ(f.Controller->GetCalculator(2).RoundCount, 3000);
    EXPECT_GT(f.Chart.Line(2).Count(), 0);
}

// Round 1 places the outcome probabilities as they are, so a subnormal one shows whether the thread ran in the
// engine's mode.
TEST(ExecuteThreadTest, ASubnormalProbabilityCountsAsZero) {
    {
        const TFloatModeGuard probe;
        if (!TFloatModeGuard::Active())
            GTEST_SKIP() << "no flush-to-zero control on this processor";
    }
    test::TControllerFixture f;
    TGameDescription tiny = test::MakeGame(QStringLiteral("Tiny"), {{1, 0.5}, {-1, 0.5}, {2, 1e-310}});
    TBetDescription flat = test::FlatSystem();
    f.Controller->CurrentKind().SetParam(1, 1);
    f.Controller->AddSeries(tiny, flat);
    f.Compute();
    ASSERT_TRUE(f.Failures.empty());
    EXPECT_EQ(f.Controller->GetCalculator(0).BalanceProbability(1), 0.5);
    EXPECT_EQ(f.Controller->GetCalculator(0).BalanceProbability(2), 0.0);
}

} // namespace
} // namespace wl
