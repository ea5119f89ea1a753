// Every chart kind through the controller gives the same lines, to the bit, on every kernel and worker count.
#include "../charts/ChartTestSupport.h"

#include "engine/GameCalculator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace wl {
namespace {

struct TConfig {
    const char* Name;
    TStepKernel Kernel;
    int Workers;
};

using TLines = std::vector<std::vector<TChartPoint>>;

// Each kind's lines for a few series that reach a bound, take the bankroll rule, and fall back to state 0.
std::vector<TLines> AllKinds(const TConfig& config) {
    const TStepKernel saved = TGameCalculator::DefaultKernel();
    TGameCalculator::SetDefaultKernel(config.Kernel);
    TGameDescription coin = test::CoinGame();
    TGameDescription roulette = test::MakeGame(QStringLiteral("Roulette"), {{1, 18.0 / 37}, {-1, 19.0 / 37}});
    TGameDescription jump = test::MakeGame(QStringLiteral("Jump"), {{2500, 0.1}, {-1, 0.6}, {1, 0.25}, {1, 0.05}});
    TBetDescription flat = test::FlatSystem();
    TBetDescription martingale = test::MakeSystem(QStringLiteral("Martingale"), {1, 2, 4});
    TBetDescription odd = test::MakeSystem(QStringLiteral("Odd"), {2, 0, 3});

    test::TControllerFixture f;
    f.Controller->SetWorkerCount(config.Workers);
    // Too small to widen the rows past +-5000: the series reach the bounds, as the table means them to.
    f.Controller->SetMemoryBudget(int64_t{2} << 20);
    f.Controller->AddSeries(coin, flat);
    f.Controller->AddSeries(roulette, martingale);
    f.Controller->AddSeries(jump, odd);
    f.Controller->AddSeries(roulette, odd);
    TGameCalculator::SetDefaultKernel(saved);

    std::vector<TLines> kinds;
    for (int k = 0; k < f.Controller->ChartKindCount(); ++k) {
        // The window's order: select, then stop before changing a parameter and run again.
        f.Controller->SelectChartKind(k);
        f.Controller->StopCalculations(true);
        TChartDescription& kind = f.Controller->CurrentKind();
        // Parameter 0 is the bankroll; parameter 1 the rounds (net results) or the target.
        if (kind.ParamCount() >= 1)
            kind.SetParam(0, 20);
        if (kind.ParamCount() >= 2)
            kind.SetParam(1, k <= 1 ? 60 : 40);
        f.Compute();
        EXPECT_TRUE(f.Failures.empty()) << config.Name << " kind " << k;
        TLines lines;
        for (int line = 0; line < 4; ++line)
            lines.push_back(test::PointsOf(f.Chart.Line(line)));
        kinds.push_back(std::move(lines));
    }
    return kinds;
}

bool SameBits(const TLines& a, const TLines& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].size() != b[i].size())
            return false;
        for (size_t j = 0; j < a[i].size(); ++j)
            if (std::memcmp(&a[i][j].X, &b[i][j].X, sizeof(double)) != 0 ||
                std::memcmp(&a[i][j].Y, &b[i][j].Y, sizeof(double)) != 0)
                return false;
    }
    return true;
}

TEST(KernelTables, EveryKindIsTheSameOnEveryKernelAndWorkerCount) {
    const TStepKernel fast = TGameCalculator::Avx2Supported() ? TStepKernel::Avx2 : TStepKernel::Portable;
    const std::vector<TConfig> configs = {
        {"reference, one worker", TStepKernel::Reference, 1},
        {"fast, one worker", fast, 1},
        {"fast, all workers", fast, 0},
        {"portable, two workers", TStepKernel::Portable, 2},
    };
    const std::vector<TLines> expected = AllKinds(configs[0]);
    ASSERT_EQ(expected.size(), 13u); // the nine, the planner's two and the two until the session ends
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_FALSE(expected[k][0].empty()) << "kind " << k;
    for (size_t c = 1; c < configs.size(); ++c) {
        const std::vector<TLines> got = AllKinds(configs[c]);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t k = 0; k < expected.size(); ++k)
            EXPECT_TRUE(SameBits(expected[k], got[k])) << configs[c].Name << ", kind " << k;
    }
}

} // namespace
} // namespace wl
