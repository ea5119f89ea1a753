// The planner's kinds with no round limit: one solve gives the curve, and without a target they refuse in words.
#include "charts/ChartDescription.h"
#include "engine/SessionSolver.h"

#include "ChartTestSupport.h"

#include <gtest/gtest.h>

namespace wl::test {
namespace {

struct TUntilEndRow {
    const char* Name;
    int Kind;
    TGameDescription Game;
    TBetDescription System;
    int Target;
};

TEST(PlannerUntilEnd, CurveIsTheSolvedSession) {
    const TGameDescription redBlack = MakeGame(QStringLiteral("rb"), {{1, 18.0 / 37}, {-1, 19.0 / 37}});
    const TUntilEndRow rows[] = {
        {"ruin, fair coin", 9, CoinGame(), FlatSystem(), 10},
        {"success, fair coin", 10, CoinGame(), FlatSystem(), 10},
        {"ruin, martingale on red/black", 9, redBlack, MakeSystem(QStringLiteral("m"), {1, 2, 4, 8}), 60},
        {"success, martingale on red/black", 10, redBlack, MakeSystem(QStringLiteral("m"), {1, 2, 4, 8}), 60},
    };
    for (const TUntilEndRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TControllerFixture f;
        f.Controller->SelectChartKind(row.Kind);
        f.Controller->CurrentKind().SetParam(1, row.Target);
        f.Controller->CurrentKind().SetParam(0, 0);
        f.Controller->AddSeries(row.Game, row.System);
        f.Compute();
        ASSERT_TRUE(f.Failures.empty());
        TSessionRequest request;
        request.Target = row.Target;
        const auto solved = TSessionSolver(row.Game, row.System).Solve(request);
        ASSERT_TRUE(solved);
        const std::vector<double>& want = row.Kind == 9 ? solved->Ruin : solved->Success;
        const auto points = PointsOf(f.Chart.Line(0));
        ASSERT_EQ(points.size(), static_cast<size_t>(row.Target - 1));
        for (const auto& point : points)
            EXPECT_DOUBLE_EQ(point.Y, 100.0 * want[static_cast<size_t>(point.X)]) << point.X;
        ASSERT_TRUE(f.Controller->SeriesAnswer(0));
        EXPECT_EQ(f.Controller->SeriesAnswer(0)->Rounds, 0);
    }
}

struct TParamRow {
    const char* Name;
    int Rounds, Target; // as set before
    int Index, Value;
    bool Refused;
};

TEST(PlannerUntilEnd, NoRoundLimitNeedsATarget) {
    const TParamRow rows[] = {
        {"0 rounds with a target", 1000, 200, 0, 0, false},    {"0 rounds without a target", 1000, 0, 0, 0, true},
        {"target removed while 0 rounds", 0, 200, 1, 0, true}, {"a target set while 0 rounds", 0, 200, 1, 300, false},
        {"negative rounds", 1000, 200, 0, -1, true},
    };
    for (const TParamRow& row : rows) {
        SCOPED_TRACE(row.Name);
        for (const int kind : {9, 10}) {
            auto kinds = CreateChartKinds();
            TChartDescription& k = *kinds[static_cast<size_t>(kind)];
            k.Params[1] = row.Target;
            k.Params[0] = row.Rounds;
            EXPECT_EQ(!k.ParamProblem(row.Index, row.Value).isEmpty(), row.Refused) << kind;
        }
    }
    // Without a target no one succeeds: the success kind says so rather than drawing nothing.
    auto kinds = CreateChartKinds();
    EXPECT_FALSE(kinds[10]->ParamProblem(1, 0).isEmpty());
    EXPECT_TRUE(kinds[9]->ParamProblem(1, 0).isEmpty());
    EXPECT_TRUE(kinds[10]->ParamProblem(1, kinds[10]->GetParam(1)).isEmpty()) << "the default is a target";
}

// The two kinds by bankroll until the session ends, after ids 0..10, against the fair coin's closed forms: z (T - z)
// rounds and a net result of 0 at the end.
TEST(SessionKinds, FairCoinByBankroll) {
    struct TRow {
        const char* Name;
        int Kind;
        double (*Want)(int z, int target);
    };
    const TRow rows[] = {
        {"expected rounds", 11, [](int z, int t) { return static_cast<double>(z) * (t - z); }},
        {"net result at the end", 12, [](int, int) { return 0.0; }},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TControllerFixture f;
        f.Controller->SelectChartKind(row.Kind);
        f.Controller->CurrentKind().SetParam(0, 20);
        // The controller keeps the addresses of the series.
        const TGameDescription coin = CoinGame();
        const TBetDescription flat = FlatSystem();
        f.Controller->AddSeries(coin, flat);
        f.Compute();
        ASSERT_TRUE(f.Failures.empty());
        const auto points = PointsOf(f.Chart.Line(0));
        ASSERT_EQ(points.size(), 19u);
        for (const auto& point : points)
            EXPECT_NEAR(point.Y, row.Want(static_cast<int>(point.X), 20), 1e-12) << point.X;
        EXPECT_FALSE(f.Controller->CurrentKind().ParamProblem(0, 1).isEmpty());
    }
    // The earlier kinds keep their ids.
    const auto kinds = CreateChartKinds();
    ASSERT_EQ(kinds.size(), 13u);
    EXPECT_EQ(kinds[9]->SectionName, QStringLiteral("Chart - Risk of Ruin by Bankroll"));
    EXPECT_EQ(kinds[10]->SectionName, QStringLiteral("Chart - Chance of Success by Bankroll"));
    EXPECT_EQ(kinds[11]->SectionName, QStringLiteral("Chart - Expected Rounds by Bankroll"));
    EXPECT_EQ(kinds[12]->SectionName, QStringLiteral("Chart - Net Result at the End by Bankroll"));
}

} // namespace
} // namespace wl::test
