// The bankroll planner's backward pass against the forward risk charts, bankroll by bankroll.
#include "engine/BankrollPlanner.h"
#include "charts/ChartDescription.h"
#include "charts/PlannerCharts.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepPool.h"
#include "support/Exception.h"

#include "ChartTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace wl {
namespace {

struct TPlannerCase {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    int32_t Rounds;
    int32_t Target; // 0: none
};

TBetDescription States(std::initializer_list<std::array<int, 3>> states) {
    TBetDescription s;
    int i = 0;
    for (const auto& [bet, win, loss] : states) {
        s.Bets[i] = bet;
        s.WinStates[i] = win;
        s.LossStates[i] = loss;
        ++i;
    }
    s.StateCount = i;
    return s;
}

std::vector<TPlannerCase> Cases() {
    using test::MakeGame;
    const TGameDescription redBlack = MakeGame(QStringLiteral("Red"), {{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    const TGameDescription heavyLoss = MakeGame(QStringLiteral("Heavy"), {{-3, 0.2}, {1, 0.5}, {2, 0.3}});
    const TBetDescription martingale = test::MakeSystem(QStringLiteral("M5"), {1, 2, 4, 8, 16, 32});
    // Bets 2 and 7: below 7 the second state falls back to the first, below 2 the player stops for good.
    const TBetDescription fallBack = States({{2, 0, 1}, {7, 0, 0}});
    return {
        {"martingale_no_target", redBlack, martingale, 300, 0},
        {"martingale_target", redBlack, martingale, 400, 700},
        {"fall_back_no_target", test::CoinGame(), fallBack, 250, 0},
        {"fall_back_target", test::CoinGame(), fallBack, 200, 120},
        {"fall_back_three", test::CoinGame(), fallBack, 3, 10},
        {"losses_below_one_no_target", heavyLoss, States({{1, 0, 1}, {3, 1, 0}}), 200, 0},
        {"losses_below_one_target", heavyLoss, States({{1, 0, 1}, {3, 1, 0}}), 150, 90},
    };
}

// The forward chart's value at round `rounds` for one bankroll, in percent.
double Forward(TRangeChart& kind, const TPlannerCase& c, int32_t bankroll, int32_t target) {
    kind.SetParam(0, bankroll);
    kind.SetParam(1, target);
    TGameCalculator calc;
    calc.Game = &c.Game;
    calc.BetSystem = &c.System;
    calc.Bankroll = bankroll;
    calc.LowBound = kind.BalanceLimits().Low;
    calc.HighBound = kind.BalanceLimits().High;
    calc.Reset();
    kind.CollectRound(calc, 1);
    for (int r = 2; r <= c.Rounds; ++r) {
        calc.Step();
        kind.CollectRound(calc, r);
    }
    return calc.Results[c.Rounds];
}

class BankrollPlannerTest : public ::testing::TestWithParam<TPlannerCase> {};

TEST_P(BankrollPlannerTest, EveryBankrollEqualsTheForwardChartAtRoundN) {
    const TFloatModeGuard floatMode;
    const TPlannerCase& c = GetParam();
    const TBankrollCurve curve = BankrollCurve(c.Game, c.System, c.Rounds, c.Target);
    ASSERT_EQ(curve.LastBankroll, c.Target > 0 ? c.Target - 1 : 10000);
    // Without a target the forward chart gets one that no bankroll tried here can reach within N rounds.
    const int32_t forwardTarget = c.Target > 0 ? c.Target : 10000;
    const int32_t lastTried = c.Target > 0 ? c.Target - 1 : 2000;
    TRORChart ruin;
    TCOSChart success;
    std::mt19937 rng(static_cast<unsigned>(c.Rounds * 7919 + c.Target));
    for (int i = 0; i < 20; ++i) {
        const int32_t b = i == 0 ? 1 : std::uniform_int_distribution<int32_t>(1, lastTried)(rng);
        SCOPED_TRACE(b);
        EXPECT_NEAR(100.0 * curve.Ruin[static_cast<size_t>(b)], Forward(ruin, c, b, forwardTarget), 1e-12);
        if (c.Target > 0) {
            EXPECT_NEAR(100.0 * curve.Success[static_cast<size_t>(b)], Forward(success, c, b, forwardTarget), 1e-12);
        }
    }
    EXPECT_TRUE(curve.Limit.empty()) << "no start of 1..10000 can reach the top within these rounds";

    // Sharing the steps out over workers changes no bit.
    TStepPool pool(2);
    const TBankrollCurve shared = BankrollCurve(c.Game, c.System, c.Rounds, c.Target, &pool);
    EXPECT_EQ(shared.Ruin, curve.Ruin);
    EXPECT_EQ(shared.Success, curve.Success);
}

INSTANTIATE_TEST_SUITE_P(Table, BankrollPlannerTest, ::testing::ValuesIn(Cases()),
                         [](const auto& row) { return std::string(row.param.Name); });

TEST(BankrollPlanner, TheTopFollowsWhatTheRoundsCanLoseWithinTheBudget) {
    const TFloatModeGuard floatMode;
    // A 35-to-1 payout with a bet of 10: straight wins carry a bankroll of 10000 far up.
    const TGameDescription straight = test::MakeGame(QStringLiteral("Straight"), {{35, 1.0 / 37.0}, {-1, 36.0 / 37.0}});
    const TBetDescription flat = test::MakeSystem(QStringLiteral("Ten"), {10});
    TPlannerRequest request;
    request.Rounds = 1500;
    // 1500 rounds lose at most 15000: past the top a player is never ruined, exactly, and nothing is measured.
    TBankrollCurve curve = TBankrollPlanner(straight, flat).Compute(request);
    EXPECT_EQ(curve.TopMoney, 10000 + 15000);
    EXPECT_TRUE(curve.Limit.empty());
    // A budget that cuts the top measures what passes it.
    request.MemoryBudget = 1 << 20;
    curve = TBankrollPlanner(straight, flat).Compute(request);
    EXPECT_LT(curve.TopMoney, 10000 + 15000);
    ASSERT_EQ(curve.Limit.size(), curve.Ruin.size());
    EXPECT_GT(curve.Limit[10000], 0.0);
    EXPECT_LE(curve.Limit[1], curve.Limit[10000]);
}

// Results and bets at the 32-bit limits: what the rounds can lose saturates instead of wrapping, so the money
// tracked stops short and the share that passes it is measured. Every move here leaves the tracked money in one
// round, so ruin and that share add up to the whole.
struct TLimitCase {
    const char* Name;
    int Loss, Win, Bet, Rounds;
};

void PrintTo(const TLimitCase& c, std::ostream* os) {
    *os << c.Name;
}

class PlannerAtTheLimits : public ::testing::TestWithParam<TLimitCase> {};

TEST_P(PlannerAtTheLimits, RuinAndWhatPassesTheTopCoverEveryStart) {
    const TLimitCase& c = GetParam();
    const TFloatModeGuard floatMode;
    const TGameDescription game = test::MakeGame(QStringLiteral("g"), {{c.Loss, 0.5}, {c.Win, 0.5}});
    const TBetDescription system = test::MakeSystem(QStringLiteral("s"), {c.Bet});
    TPlannerRequest request;
    request.Rounds = c.Rounds;
    request.MaxBankroll = 100;
    request.MemoryBudget = 1 << 20;
    const TBankrollCurve curve = TBankrollPlanner(game, system).Compute(request);
    ASSERT_EQ(curve.Limit.size(), curve.Ruin.size());
    for (const int32_t b : {1, 50, 100}) {
        EXPECT_NEAR(curve.Ruin[static_cast<size_t>(b)], 0.5, 1e-15) << b;
        EXPECT_NEAR(curve.Ruin[static_cast<size_t>(b)] + curve.Limit[static_cast<size_t>(b)], 1.0, 1e-15) << b;
    }
}

INSTANTIATE_TEST_SUITE_P(Int32, PlannerAtTheLimits,
                         ::testing::Values(TLimitCase{"LargestLossLargestBet", -2147483647, 1, 2147483647, 3},
                                           TLimitCase{"LargestLossManyRounds", -2147483647, 1, 2147483647, 1000},
                                           TLimitCase{"BothLargest", -2147483647, 2147483647, 2147483647, 5},
                                           TLimitCase{"LargestWinUnitLoss", -1, 2147483647, 2147483647, 4}),
                         [](const auto& row) { return std::string(row.param.Name); });

// Money no start can reach is never read: the rows stop at the most the rounds can gain, not at the most they can
// lose, which for a martingale is a thousand times as far.
TEST(BankrollPlanner, TheRowsStopWhereNoStartCanGainMore) {
    const TFloatModeGuard floatMode;
    const TGameDescription red = test::MakeGame(QStringLiteral("Red"), {{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    const TBetDescription m10 = test::MakeSystem(QStringLiteral("M10"), {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024});
    TPlannerRequest request;
    request.Rounds = 1000;
    const TBankrollCurve curve = TBankrollPlanner(red, m10).Compute(request);
    EXPECT_EQ(curve.TopMoney, 10000 + 1000);
    EXPECT_TRUE(curve.Limit.empty());
    // Every start ends a round within one unit of gain: 1000 rounds bring 10000 at most to 11000, where no player
    // is ever ruined within the rounds left, so the values near the top are as exact as the others.
    EXPECT_GT(curve.Ruin[10000], 0.0);
    EXPECT_LT(curve.Ruin[10000], curve.Ruin[1]);
}

TEST(BankrollPlanner, TheAnswerIsTheFirstBankrollAtOrBelowTheRisk) {
    TBankrollCurve curve;
    curve.Ruin = {0.0, 0.5, 0.2, 0.05, 0.06, 0.01};
    curve.LastBankroll = 5;
    EXPECT_EQ(curve.SmallestBankroll(0.10), 3);
    EXPECT_EQ(curve.SmallestBankroll(0.05), 3);
    EXPECT_EQ(curve.SmallestBankroll(0.01), 5);
    EXPECT_EQ(curve.SmallestBankroll(0.001), 0);
}

// Through the controller and the thread as the window runs it: the line, the answer, its marks and the texts.
TEST(BankrollPlanner, TheKindsDrawTheCurveAndMarkTheAnswer) {
    test::TControllerFixture f;
    const TGameDescription coin = test::CoinGame();
    const TBetDescription flat = test::FlatSystem();
    f.Controller->SelectChartKind(9);
    f.Controller->CurrentKind().SetParam(0, 100);
    f.Controller->AddSeries(coin, flat);
    f.Compute();
    ASSERT_TRUE(f.Failures.empty());
    const TChartLine& line = f.Chart.Line(0);
    // A fair coin for 100 rounds ruins a bankroll of 1 half the time; the line ends below 1e-6 %.
    ASSERT_FALSE(line.Points().empty());
    EXPECT_EQ(line.Points().front().X, 1.0);
    EXPECT_NEAR(line.Points().front().Y, 100.0 * BankrollCurve(coin, flat, 100, 0).Ruin[1], 1e-12);
    EXPECT_LT(line.Points().back().X, 100.0);
    const std::optional<TBankrollAnswer> answer = f.Controller->SeriesAnswer(0);
    ASSERT_TRUE(answer.has_value());
    ASSERT_EQ(line.Marks().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(line.Marks()[static_cast<size_t>(i)].X, answer->Bankrolls[i]);
        EXPECT_LE(line.Marks()[static_cast<size_t>(i)].Y, 100.0 * PlannerRisks[i]);
    }
    EXPECT_EQ(f.Controller->BankrollAnswers().size(), 1);
    EXPECT_TRUE(f.Controller->LimitWarning().isEmpty());

    // With a target of 10 the success chart runs over 1..9; no bankroll below it keeps the risk within 1 %.
    f.Controller->SelectChartKind(10);
    f.Controller->CurrentKind().SetParam(1, 10);
    f.Compute();
    EXPECT_EQ(line.Points().back().X, 9.0);
    EXPECT_NEAR(line.Points().back().Y, 90.0, 1e-9) << "the gambler's ruin: 9 of 10";
    ASSERT_TRUE(f.Controller->SeriesAnswer(0).has_value());
    EXPECT_EQ(f.Controller->SeriesAnswer(0)->Bankrolls[0], 0);
    EXPECT_TRUE(f.Controller->BankrollAnswers().front().contains(QStringLiteral("more than 9")));

    // The answer is about ruin: far below the target, where few have succeeded within the rounds, it is no point
    // of the success line, so no ring marks it there.
    f.Controller->CurrentKind().SetParam(1, 200);
    f.Compute();
    ASSERT_TRUE(f.Controller->SeriesAnswer(0).has_value());
    EXPECT_GT(f.Controller->SeriesAnswer(0)->Bankrolls[0], 0);
    EXPECT_TRUE(line.Marks().empty());

    // Other kinds give no answer and no marks.
    f.Controller->SelectChartKind(6);
    f.Compute();
    EXPECT_FALSE(f.Controller->SeriesAnswer(0).has_value());
    EXPECT_TRUE(line.Marks().empty());
}

// The tables and the answer speak of the bankrolls the curve shows: from 1 up to where the risk has vanished.
TEST(BankrollPlanner, TheAnswerAndTheTablesCoverTheBankrollsShown) {
    test::TControllerFixture f;
    const TGameDescription coin = test::CoinGame();
    const TBetDescription flat = test::FlatSystem();
    for (const int kind : {9, 10}) {
        f.Controller->SelectChartKind(kind);
        f.Controller->CurrentKind().SetParam(0, 100);
        f.Controller->CurrentKind().SetParam(1, kind == 10 ? 20 : 0);
        if (f.Controller->SeriesCount() == 0)
            f.Controller->AddSeries(coin, flat);
        f.Compute();
        ASSERT_TRUE(f.Failures.empty());
        const std::optional<TBankrollAnswer> answer = f.Controller->SeriesAnswer(0);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(f.Controller->MinX(), 1) << kind;
        const TBankrollCurve curve = BankrollCurve(coin, flat, 100, kind == 10 ? 20 : 0);
        EXPECT_EQ(answer->LastBankroll, TBankrollChart::LastShownBankroll(curve)) << kind;
        EXPECT_LT(answer->LastBankroll, kind == 10 ? 20 : 100) << kind;
    }
}

// A system whose successor lies beyond its states is the user's to mend in the system editor: every kind says so
// in the same words, the planner's too.
TEST(BankrollPlanner, ASuccessorBeyondTheStatesIsTheUsersToMend) {
    TBetDescription broken = test::MakeSystem(QStringLiteral("Broken"), {1, 2});
    broken.StateCount = 1; // state 0 still loses into state 1
    EXPECT_THROW(TBankrollPlanner(test::CoinGame(), broken), ELimitError);
    test::TControllerFixture f;
    std::vector<std::pair<QString, bool>> reports;
    f.Controller->SetOnThreadError([&](const Exception& e) { reports.emplace_back(e.Message(), e.IsUserError()); });
    const TGameDescription coin = test::CoinGame();
    f.Controller->AddSeries(coin, broken);
    QString first;
    for (const int kind : {0, 9, 10}) {
        f.Controller->SelectChartKind(kind);
        if (kind == 10)
            f.Controller->CurrentKind().SetParam(1, 20);
        f.Compute();
        if (kind == 0)
            first = f.Controller->SeriesFailure(0);
        EXPECT_EQ(f.Controller->SeriesFailure(0), first) << kind;
    }
    EXPECT_TRUE(first.contains(QStringLiteral("system editor")));
    // One plain message: the same failure again is not reported twice.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports.front().second);
}

} // namespace
} // namespace wl
