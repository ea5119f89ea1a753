// The series summary against the chart it comes with: every shipped system on European red/black, bankroll 100,
// target 200, over the risk-of-ruin chart's 3000 rounds, the session then played to its end. Each iteration times the
// chart alone, the chart with the summary but without the reach runs, and with them, one after the other, so that
// the ratios it reports come from one run under the same load.
#include "ShippedData.h"
#include "charts/ChartDescription.h"
#include "charts/SeriesSummary.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "support/Exception.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <optional>

namespace {

enum class TPart { Chart, Summary, SummaryWithReach, Count };

// One series as the calculation thread runs it, on this thread alone: the chart's rounds with the summary collected
// in the same pass, then what the summary needs beyond them.
void RunSeries(const wl::TGameDescription& game, const wl::TBetDescription& system, TPart part) {
    wl::TRORChart kind;
    kind.SetParam(0, 100);
    kind.SetParam(1, 200);
    wl::TGameCalculator c;
    c.Game = &game;
    c.BetSystem = &system;
    c.Bankroll = kind.Bankroll();
    c.LowBound = kind.BalanceLimits().Low;
    c.HighBound = kind.BalanceLimits().High;
    std::optional<wl::TSummaryCollector> summary;
    if (part != TPart::Chart) {
        wl::TSummaryParams params = wl::SummaryParamsOf(kind);
        params.StateReach = part == TPart::SummaryWithReach;
        summary.emplace(game, system, params);
    }
    for (int round = 1; round <= kind.RoundsToCompute(); ++round) {
        if (round == 1)
            c.Reset();
        else
            c.Step();
        if (summary)
            summary->Collect(c, round);
        kind.CollectRound(c, round);
    }
    if (summary && !summary->Complete(c, {}, {}))
        throw wl::Exception("The summary did not complete");
    benchmark::DoNotOptimize(c.Results[kind.RoundsToCompute()]);
}

// This thread's processor time: on a machine shared with other work, the ratios then measure the work alone.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void SummaryAgainstChart(benchmark::State& state) {
    const wl::TFloatModeGuard floatMode;
    wl::TGameList games{QString()};
    wl::AddShippedGames(games);
    wl::TBetList systems{QString()};
    wl::AddShippedSystems(systems);
    // Built in memory only: lists that were changed save themselves when they go.
    games.Modified = false;
    systems.Modified = false;
    const int red = static_cast<int>(games.NameList().indexOf(QStringLiteral("European roulette - red/black")));
    if (red < 0) {
        state.SkipWithError("no European red/black among the shipped games");
        return;
    }
    double seconds[static_cast<int>(TPart::Count)] = {};
    for (auto _ : state) {
        double iteration = 0.0;
        for (int part = 0; part < static_cast<int>(TPart::Count); ++part) {
            const double start = ThreadSeconds();
            for (int s = 0; s < systems.Count(); ++s)
                RunSeries(*games.Item(red), *systems.Item(s), static_cast<TPart>(part));
            const double elapsed = ThreadSeconds() - start;
            seconds[part] += elapsed;
            iteration += elapsed;
        }
        state.SetIterationTime(iteration);
    }
    const double n = static_cast<double>(state.iterations());
    const double chart = seconds[static_cast<int>(TPart::Chart)];
    const double summary = seconds[static_cast<int>(TPart::Summary)];
    const double reach = seconds[static_cast<int>(TPart::SummaryWithReach)];
    state.counters["series"] = systems.Count();
    state.counters["chart_ms"] = 1000.0 * chart / n;
    state.counters["no_reach_ms"] = 1000.0 * summary / n;
    state.counters["full_ms"] = 1000.0 * reach / n;
    // Each includes the chart's own pass, as the window computes both in one.
    state.counters["no_reach_vs_chart"] = summary / chart;
    state.counters["full_vs_chart"] = reach / chart;
}

BENCHMARK(SummaryAgainstChart)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
