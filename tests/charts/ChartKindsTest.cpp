// Chart kinds: the coin game's values for every kind, parameter rules and carry-over, the COS/ROR rate rules, and
// the filling of a line from a calculator.
#include "ChartTestSupport.h"

#include "charts/ChartDescription.h"
#include "support/Exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace wl {
namespace {

using test::Pairs;
using Points = std::vector<std::pair<double, double>>;

enum Kind { NetResults, Cumulative, ExpResult, WinProb, LoseProb, WinLoseRate, ROR, COS, COSRORRate };

struct TCoinRow {
    const char* Name;
    int Kind;
    int Param0;
    int Param1; // -1: the kind's default
    Points FirstPoints;
    int PointCount;
};

// Computes one series of the kind with its parameters (param1 < 0: the kind's default); false when it cannot be added.
bool ComputeOne(test::TControllerFixture& f, int kind, int param0, int param1, const TGameDescription& game,
                const TBetDescription& system) {
    f.Controller->SelectChartKind(kind);
    f.Controller->CurrentKind().SetParam(0, param0);
    if (param1 >= 0)
        f.Controller->CurrentKind().SetParam(1, param1);
    if (!f.Controller->AddSeries(game, system))
        return false;
    f.Compute();
    return true;
}

TEST(ChartKindsTest, CoinGameValuesOfEveryKind) {
    const TCoinRow rows[] = {
        {"net results, 2 rounds", NetResults, 0, 2, {{-2, 25}, {0, 50}, {2, 25}}, 3},
        {"net results, 1 round: 0 has no probability", NetResults, 0, 1, {{-1, 50}, {1, 50}}, 2},
        {"cumulative, 1 round: 0 is plotted", Cumulative, 0, 1, {{-1, 50}, {0, 50}, {1, 100}}, 3},
        {"win probability", WinProb, 0, -1, {{1, 50}, {2, 25}, {3, 50}}, 3000},
        {"loss probability", LoseProb, 0, -1, {{1, 50}, {2, 25}, {3, 50}}, 3000},
        {"win/loss rate", WinLoseRate, 0, -1, {{1, 1}, {2, 1}, {3, 1}}, 3000},
        {"expected result: zeros are plotted", ExpResult, 0, -1, {{1, 0}, {2, 0}, {3, 0}}, 3000},
        {"risk of ruin, 1 to 2", ROR, 1, 2, {{1, 50}, {2, 50}, {3, 50}}, 3000},
        {"chance of success, 1 to 2", COS, 1, 2, {{1, 50}, {2, 50}, {3, 50}}, 3000},
        {"COS/ROR rate, 1 to 2", COSRORRate, 1, 2, {{1, 1}, {2, 1}, {3, 1}}, 3000},
    };
    for (const TCoinRow& row : rows) {
        SCOPED_TRACE(row.Name);
        test::TControllerFixture f;
        ASSERT_TRUE(ComputeOne(f, row.Kind, row.Param0, row.Param1, test::CoinGame(), test::FlatSystem()));
        ASSERT_TRUE(f.Failures.empty()) << f.Failures.front().toStdString();
        const Points points = Pairs(f.Chart.Line(0));
        ASSERT_EQ(static_cast<int>(points.size()), row.PointCount);
        for (size_t i = 0; i < row.FirstPoints.size(); ++i) {
            EXPECT_EQ(points[i].first, row.FirstPoints[i].first) << "point " << i;
            EXPECT_NEAR(points[i].second, row.FirstPoints[i].second, 1e-12) << "point " << i;
        }
        EXPECT_TRUE(f.Chart.Line(0).Visible());
        EXPECT_FALSE(f.Chart.Line(1).Visible());

        // Without series again, a zoomed chart shows what the kind shows when chosen without any, and no X range.
        f.Chart.Zoom({-10, 20}, {0, 1});
        f.Controller->ClearSeries();
        test::TControllerFixture fresh;
        fresh.Controller->SelectChartKind(row.Kind);
        for (TAxisKind axis : {TAxisKind::Bottom, TAxisKind::Left})
            EXPECT_EQ(f.Chart.EffectiveRange(axis), fresh.Chart.EffectiveRange(axis));
        EXPECT_GT(f.Controller->MinX(), f.Controller->MaxX());
    }
}

TEST(ChartKindsTest, AxesAfterACalculation) {
    test::TControllerFixture f;
    const TGameDescription coin = test::CoinGame();
    const TBetDescription flat = test::FlatSystem();
    test::TFakeTexts texts;
    texts.Texts[QStringLiteral("Chart - Net Results|XName")] = QStringLiteral("Balance");
    texts.Texts[QStringLiteral("Chart - Net Results|YName")] = QStringLiteral("Probability, %");
    f.Controller->SetTextSource(&texts);
    f.Controller->CurrentKind().SetParam(1, 2);
    f.Controller->AddSeries(coin, flat);
    f.Chart.Zoom({0, 1}, {0, 1});
    f.Compute();
    EXPECT_FALSE(f.Chart.Zoomed());
    EXPECT_EQ(f.Chart.BottomAxis().Title(), QStringLiteral("Balance"));
    EXPECT_EQ(f.Chart.LeftAxis().Title(), QStringLiteral("Probability, %"));
    EXPECT_EQ(f.Chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{-3, 3}));
    EXPECT_TRUE(f.Chart.LeftAxis().Automatic());
    EXPECT_EQ(f.Controller->MinX(), -2);
    EXPECT_EQ(f.Controller->MaxX(), 2);

    f.Controller->SelectChartKind(ROR);
    f.Controller->WaitForCalculation();
    EXPECT_EQ(f.Chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{0, 3000}));
    EXPECT_EQ(f.Controller->MinX(), 0);
    EXPECT_EQ(f.Controller->MaxX(), 3000);
}

TEST(ChartKindsTest, EachKindKeepsItsOwnParameters) {
    test::TControllerFixture f;
    TChartController& c = *f.Controller;
    auto params = [&c] { return std::make_pair(c.CurrentKind().GetParam(0), c.CurrentKind().GetParam(1)); };

    c.SelectChartKind(ROR);
    EXPECT_EQ(params(), std::make_pair(100, 200));
    c.CurrentKind().SetParam(1, 300);
    c.SelectChartKind(COS);
    EXPECT_EQ(params(), std::make_pair(100, 200));
    c.SelectChartKind(NetResults); // bankroll 0 does not come back as a risk kind's 100
    EXPECT_EQ(params(), std::make_pair(0, 10));
    c.CurrentKind().SetParam(0, 50);
    c.SelectChartKind(WinProb);
    EXPECT_EQ(c.CurrentKind().GetParam(0), 0);
    c.SelectChartKind(ROR);
    EXPECT_EQ(params(), std::make_pair(100, 300));
    c.SelectChartKind(NetResults);
    EXPECT_EQ(params(), std::make_pair(50, 10));

    // A risk kind mends its own parameters where they cannot make a risk chart.
    c.GetChartKind(COSRORRate).SetParam(0, -5);
    c.SelectChartKind(COSRORRate);
    EXPECT_EQ(params(), std::make_pair(100, 200));
    c.GetChartKind(COS).SetParam(0, 250);
    c.SelectChartKind(COS); // a target at or below the bankroll: twice the bankroll
    EXPECT_EQ(params(), std::make_pair(250, 500));
}

TEST(ChartKindsTest, ComputedRoundsRules) {
    test::TControllerFixture f;
    TChartController& c = *f.Controller;
    TChartDescription& net = c.GetChartKind(NetResults);
    net.ComputedRounds = 20;
    net.SetParam(1, 30); // more rounds: keep
    EXPECT_EQ(net.ComputedRounds, 20);
    net.SetParam(1, 10); // fewer than computed: restart
    EXPECT_EQ(net.ComputedRounds, 0);
    net.ComputedRounds = 5;
    net.SetParam(0, 5); // bankroll: restart
    EXPECT_EQ(net.ComputedRounds, 0);
    net.ComputedRounds = 5;
    net.SetParam(2, 77); // stored, read by no kind
    EXPECT_EQ(net.GetParam(2), 77);
    EXPECT_EQ(net.ComputedRounds, 5);
    EXPECT_THROW(net.GetParam(3), ERangeError);
    EXPECT_THROW(net.SetParam(-1, 0), ERangeError);

    for (int k : {ExpResult, ROR}) {
        c.GetChartKind(k).ComputedRounds = 9;
        c.GetChartKind(k).SetParam(1, 400);
        EXPECT_EQ(c.GetChartKind(k).ComputedRounds, 0) << k;
    }

    // A risk kind with target 0 still took probability out of the distributions: nothing is reused.
    c.SelectChartKind(ROR);
    c.CurrentKind().SetParam(1, 0);
    c.CurrentKind().ComputedRounds = 3000;
    c.SelectChartKind(NetResults);
    EXPECT_EQ(c.CurrentKind().ComputedRounds, 0);

    // Distributions carry over into a net-results kind that has their bankroll and at least their rounds.
    struct TRow {
        const char* Name;
        int Bankroll;
        int Rounds;
        int Expected;
    };
    const TRow rows[] = {{"same bankroll and rounds", 0, 3000, 3000},
                         {"more rounds: carried on", 0, 4000, 3000},
                         {"another bankroll", 50, 3000, 0},
                         {"fewer rounds than computed", 0, 10, 0}};
    for (const TRow& r : rows) {
        c.SelectChartKind(WinProb);
        c.CurrentKind().ComputedRounds = 3000;
        c.GetChartKind(Cumulative).SetParam(0, r.Bankroll);
        c.GetChartKind(Cumulative).SetParam(1, r.Rounds);
        c.SelectChartKind(Cumulative);
        EXPECT_EQ(c.CurrentKind().ComputedRounds, r.Expected) << r.Name;
        EXPECT_EQ(c.CurrentKind().GetParam(1), r.Rounds) << r.Name;
    }
}

TEST(ChartKindsTest, NetResultsAfterAProgressChartReusesItsRounds) {
    test::TControllerFixture f;
    const TGameDescription coin = test::CoinGame();
    const TBetDescription flat = test::FlatSystem();
    f.Controller->GetChartKind(NetResults).SetParam(1, 3000);
    f.Controller->SelectChartKind(WinProb);
    f.Controller->AddSeries(coin, flat);
    f.Compute();
    // Mark the distribution: a recomputation would bring the mass back.
    f.Controller->GetCalculator(0).TakeBalanceProbability(0);
    f.Controller->SelectChartKind(NetResults);
    f.Controller->WaitForCalculation();
    double sum = 0;
    for (const TChartPoint& p : f.Chart.Line(0).Points())
        sum += p.Y;
    EXPECT_EQ(f.Controller->CurrentKind().ComputedRounds, 3000);
    EXPECT_LT(sum, 99.0);
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 3000);
}

TEST(ChartKindsTest, NamesComeFromTheKindsSections) {
    test::TControllerFixture f;
    test::TFakeTexts texts;
    texts.Texts[QStringLiteral("Chart - ROR|Name")] = QStringLiteral("Risk of ruin");
    texts.Texts[QStringLiteral("Chart - ROR|Param0")] = QStringLiteral("Bankroll");
    texts.Texts[QStringLiteral("Chart - ROR|Param1")] = QStringLiteral("Target");
    f.Controller->SetTextSource(&texts);
    EXPECT_EQ(f.Controller->ChartKindCount(), 13);
    EXPECT_EQ(f.Controller->GetChartKindName(ROR), QStringLiteral("Risk of ruin"));
    EXPECT_EQ(f.Controller->GetChartKind(ROR).GetParamName(0), QStringLiteral("Bankroll"));
    EXPECT_EQ(f.Controller->GetChartKind(ROR).GetParamName(1), QStringLiteral("Target"));
    EXPECT_TRUE(f.Controller->GetChartKindName(COS).isEmpty()); // missing texts are empty
    EXPECT_EQ(f.Controller->GetChartKind(COSRORRate).SectionName, QStringLiteral("Chart - COS/ROR Rate"));
    EXPECT_EQ(f.Controller->GetChartKind(10).SectionName, QStringLiteral("Chart - Chance of Success by Bankroll"));
    EXPECT_THROW(f.Controller->GetChartKind(13), ERangeError);
}

TEST(ChartKindsTest, COSRORRateCapAndZeroRules) {
    struct TRow {
        const char* Name;
        double Success, Ruin, Rate;
    };
    const TRow rows[] = {
        {"success without ruin", 0.4, 0.0, 0.0},
        {"tiny ruin: capped", 0.4, 1.0e-9, 100.0},
        {"both at most 1e-7", 1.0e-7, 0.5e-7, 0.0},
        {"plain quotient", 0.2, 0.1, 2.0},
        {"only success above 1e-7", 2.0e-7, 1.0e-7, 2.0},
        {"quotient too large for a double", 0.4, 1.0e-309, 0.0},
        {"nothing yet", 0.0, 0.0, 0.0},
    };
    for (const TRow& row : rows)
        EXPECT_DOUBLE_EQ(TCOSRORRateChart::Rate(row.Success, row.Ruin), row.Rate) << row.Name;
}

TEST(ChartKindsTest, EachSeriesHasItsOwnCOSRORSums) {
    const TGameDescription coin = test::CoinGame();
    const TGameDescription skewed = test::MakeGame(QStringLiteral("Skewed"), {{1, 0.6}, {-1, 0.4}});
    const TBetDescription flat = test::FlatSystem();
    auto lineOf = [&](std::vector<const TGameDescription*> games, int which) {
        test::TControllerFixture f;
        f.Controller->SelectChartKind(COSRORRate);
        f.Controller->CurrentKind().SetParam(0, 3);
        f.Controller->CurrentKind().SetParam(1, 6);
        for (const TGameDescription* g : games)
            f.Controller->AddSeries(*g, flat);
        f.Compute();
        return Pairs(f.Chart.Line(which));
    };
    const Points aloneCoin = lineOf({&coin}, 0);
    const Points aloneSkewed = lineOf({&skewed}, 0);
    ASSERT_FALSE(aloneCoin.empty());
    EXPECT_NE(aloneCoin, aloneSkewed);
    EXPECT_EQ(lineOf({&coin, &skewed}, 0), aloneCoin);
    EXPECT_EQ(lineOf({&coin, &skewed}, 1), aloneSkewed);
}

// The plain computation of ruin and success, in money held: every player is followed wherever he goes, and leaves
// when ruined or successful. Returns the cumulative percentages after `rounds` rounds.
std::pair<double, double> PlainRuinAndSuccess(const TGameDescription& game, const TBetDescription& system, int bankroll,
                                              int target, int rounds) {
    const int states = system.StateCount;
    int reach = 0;
    for (int s = 0; s < states; ++s)
        for (int o = 0; o < game.OutcomeCount; ++o)
            reach = std::max(reach, std::abs(system.Bets[s] * game.OutcomeResults[o]));
    const int size = target + 2 * reach + 1; // money -reach..target+reach
    auto at = [reach](int money) { return static_cast<size_t>(money + reach); };
    std::vector<std::vector<double>> cur(static_cast<size_t>(states), std::vector<double>(static_cast<size_t>(size)));
    cur[0][at(bankroll)] = 1.0;
    double ruin = 0.0, success = 0.0;
    for (int round = 1; round <= rounds; ++round) {
        if (round > 1)
            for (int s = 1; s < states; ++s)
                for (int m = 1; m < std::min(system.Bets[s], target); ++m)
                    cur[0][at(m)] += std::exchange(cur[static_cast<size_t>(s)][at(m)], 0.0);
        std::vector<std::vector<double>> next(static_cast<size_t>(states),
                                              std::vector<double>(static_cast<size_t>(size)));
        for (int s = 0; s < states; ++s)
            for (int m = 1; m < target; ++m) {
                const double x = cur[static_cast<size_t>(s)][at(m)];
                if (x == 0.0)
                    continue;
                if (round > 1 && s == 0 && m < system.Bets[0]) {
                    next[0][at(m)] += x;
                    continue;
                }
                for (int o = 0; o < game.OutcomeCount; ++o) {
                    const int d = system.Bets[s] * game.OutcomeResults[o];
                    const int to = d < 0 ? system.LossStates[s] : system.WinStates[s];
                    next[static_cast<size_t>(to)][at(m + d)] += x * game.OutcomeProbabilities[o];
                }
            }
        for (auto& row : next) {
            for (int m = -reach; m <= 0; ++m)
                ruin += std::exchange(row[at(m)], 0.0);
            for (int m = target; m <= target + reach; ++m)
                success += std::exchange(row[at(m)], 0.0);
        }
        cur = std::move(next);
    }
    return {100.0 * ruin, 100.0 * success};
}

// A bankroll beyond 5000 or a target more than 5000 above it lies past the limits that the net charts stop at: the
// risk charts must reach both players.
TEST(ChartKindsTest, RiskChartsBeyondFiveThousandAgreeWithThePlainComputation) {
    struct TRow {
        const char* Name;
        TBetDescription System;
        int Bankroll, Target;
    };
    const TRow rows[] = {
        {"martingale of ten doublings, ruin at -6000",
         test::MakeSystem(QStringLiteral("Martingale"), {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024}), 6000, 10000},
        {"flat 1000, success at +8000", test::MakeSystem(QStringLiteral("Big"), {1000}), 2000, 10000},
    };
    const TGameDescription coin = test::CoinGame();
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const auto [ruin, success] = PlainRuinAndSuccess(coin, row.System, row.Bankroll, row.Target, 3000);
        ASSERT_GT(ruin + success, 0.1) << "clamped at the limits, neither would ever happen";
        for (const auto& [kind, expected] : {std::pair{ROR, ruin}, std::pair{COS, success}}) {
            test::TControllerFixture f;
            ASSERT_TRUE(ComputeOne(f, kind, row.Bankroll, row.Target, coin, row.System));
            ASSERT_TRUE(f.Failures.empty()) << f.Failures.front().toStdString();
            const Points points = Pairs(f.Chart.Line(0));
            const double last = points.empty() ? 0.0 : points.back().second;
            EXPECT_TRUE(points.empty() || points.back().first == 3000);
            EXPECT_NEAR(last, expected, 1e-9 * expected) << "kind " << kind;
            EXPECT_EQ(f.Controller->LimitWarning().toStdString(), "");
        }
    }
}

// The warning line appears exactly when probability has reached a limit: a flat bet of 1000 on the coin reaches
// 5000 in round 5.
TEST(ChartKindsTest, LimitWarningExactlyWhenProbabilityReachesALimit) {
    struct TRow {
        const char* Name;
        int Kind, Param0, Param1;
        int Round; // 0: no warning
    };
    const TRow rows[] = {
        {"4 rounds stay inside", NetResults, 0, 4, 0},
        {"round 5 reaches both limits", NetResults, 0, 5, 5},
        {"cumulative, 7 rounds", Cumulative, 0, 7, 5},
        {"expected result over 3000 rounds", ExpResult, 0, -1, 5},
        {"a bankroll stops the fall, not the rise", LoseProb, 3500, -1, 5},
        {"risk limits widen to the players", ROR, 6000, 10000, 0},
    };
    const TGameDescription coin = test::CoinGame();
    const TBetDescription big = test::MakeSystem(QStringLiteral("Big"), {1000});
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        test::TControllerFixture f;
        // Too small for any row wider than +-5000, even with the pages between the clusters left out: the range
        // stops there.
        f.Controller->SetMemoryBudget(100000);
        ASSERT_TRUE(ComputeOne(f, row.Kind, row.Param0, row.Param1, coin, big));
        const QString warning = f.Controller->LimitWarning();
        if (row.Round == 0) {
            EXPECT_EQ(warning.toStdString(), "");
            continue;
        }
        EXPECT_TRUE(warning.contains(QStringLiteral("and 5000, where the memory budget stopped the range")))
            << warning.toStdString();
        EXPECT_TRUE(warning.contains(QStringLiteral("from round %1 on: Coin [Big] (-5000 … 5000).").arg(row.Round)))
            << warning.toStdString();
        EXPECT_TRUE(f.Controller->LimitWarning(0).contains(QStringLiteral("on: 1 series.")));
    }
}

// Several series past their limits: each is named with the edges its own range stopped at.
TEST(ChartKindsTest, LimitWarningNamesEachSeriesWithItsOwnEdges) {
    test::TControllerFixture f;
    f.Controller->SetMemoryBudget(100000);
    const TGameDescription lopsided = test::MakeGame(QStringLiteral("Lopsided"), {{6, 0.1}, {-1, 0.9}});
    // The controller keeps pointers to them: they must outlive its calculations.
    const TGameDescription coin = test::CoinGame();
    const TBetDescription big = test::MakeSystem(QStringLiteral("Big"), {1000});
    ASSERT_TRUE(ComputeOne(f, NetResults, 0, 8, coin, big));
    ASSERT_TRUE(f.Controller->AddSeries(lopsided, big));
    f.Compute();
    const QString warning = f.Controller->LimitWarning();
    EXPECT_TRUE(warning.contains(QStringLiteral("Coin [Big] (-5000 … 5000)"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("; Lopsided [Big] (-5000 … 5000)."))) << warning.toStdString();
    EXPECT_EQ(f.Controller->LimitWarning(1).count(QStringLiteral(" … ")), 0) << "beyond the names asked for";
    EXPECT_GE(f.Controller->LimitShare(), TChartController::SeenLimitShare);
}

// A result past the farthest balance followed leaves play whatever the budget: the line must not promise that a
// larger budget follows it.
TEST(ChartKindsTest, AResultPastTheReachIsNotBlamedOnTheBudget) {
    struct TRow {
        const char* Name;
        int32_t Result;
        int64_t Budget;
        bool PastReach;
    };
    const TRow rows[] = {
        {"2e9 at the default budget", 2000000000, TChartController::DefaultMemoryBudget, true},
        {"1e6 stopped by a small budget", 1000000, 100000, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        test::TControllerFixture f;
        f.Controller->SetMemoryBudget(row.Budget);
        const TGameDescription far = test::MakeGame(QStringLiteral("Far"), {{row.Result, 0.5}, {-1, 0.5}});
        const TBetDescription flat = test::MakeSystem(QStringLiteral("Flat"), {1});
        ASSERT_TRUE(ComputeOne(f, NetResults, 0, 3, far, flat));
        const QString warning = f.Controller->LimitWarning();
        EXPECT_EQ(warning.contains(QStringLiteral("are not followed at any memory budget")), row.PastReach)
            << warning.toStdString();
        EXPECT_EQ(warning.contains(QStringLiteral("a larger memory budget follows it further")), !row.PastReach)
            << warning.toStdString();
        EXPECT_TRUE(warning.contains(QStringLiteral("Up to 87.5 %"))) << warning.toStdString();
    }
}

TEST(ChartKindsTest, FillSeriesPlotsVisibleValuesAndNarrowsTheRange) {
    TChart chart;
    TGameCalculator c;
    EXPECT_EQ(c.LineColor(), clWhite);
    c.Line = &chart.Line(2);
    EXPECT_EQ(c.LineColor(), MakeColor(0, 64, 128));
    c.FirstX = 1;
    c.LastX = 5;
    const double values[] = {50, 5.0e-7, 7, 0, 3}; // the first takes no part in MinY/MaxY
    for (int i = 0; i < 5; ++i)
        c.Results[i + 1] = values[i];
    c.FillSeries();
    EXPECT_EQ(Pairs(chart.Line(2)), (Points{{1, 50}, {3, 7}, {5, 3}}));
    EXPECT_EQ(c.MinY, 0);
    EXPECT_EQ(c.MaxY, 7);
    EXPECT_EQ(c.FirstX, 1);
    EXPECT_EQ(c.LastX, 5);

    c.ShowAll = true;
    c.FillSeries();
    EXPECT_EQ(chart.Line(2).Count(), 5);

    // Nothing above the threshold: an empty line, the kind's range kept.
    c.ShowAll = false;
    c.FirstX = 2;
    c.LastX = 4;
    c.Results[3] = 0;
    c.FillSeries();
    EXPECT_EQ(chart.Line(2).Count(), 0);
    EXPECT_EQ(c.FirstX, 2);
    EXPECT_EQ(c.LastX, 4);
}

} // namespace
} // namespace wl
