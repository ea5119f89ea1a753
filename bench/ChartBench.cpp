// Net-result charts of whole sessions, computed as the calculation thread computes them: a calculator per system
// with its share of the default memory budget, reset, then stepped round by round on the pool's workers, every round
// collected by the chart kind. Each reports its peak memory and how many series found probability at the limits of
// the tracked balances.
//   W6: every shipped system on European roulette - single number, 3000 rounds.
//   Keno: a flat bet on the shipped keno game, 3000 rounds (skipped while no keno game is shipped).
//   Lottery: a flat bet on the shipped 6-of-49 lottery, 100 rounds: clusters a million balances apart.
#include "ShippedData.h"
#include "charts/ChartController.h"
#include "charts/ChartDescription.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepPool.h"
#include "model/BetList.h"
#include "model/GameList.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 3000;

struct TShipped {
    wl::TGameList Games{QString()};
    wl::TBetList Systems{QString()};
    TShipped() {
        wl::AddShippedGames(Games);
        wl::AddShippedSystems(Systems);
        // Built in memory only: lists that were changed save themselves when they go.
        Games.Modified = false;
        Systems.Modified = false;
    }
};

const wl::TGameDescription* GameStartingWith(const wl::TGameList& games, const QString& start) {
    for (int i = 0; i < games.Count(); ++i)
        if (games.ItemName(i).startsWith(start))
            return games.Item(i);
    return nullptr;
}

// The kernel resets the peak on request, so that the figure is this benchmark's own and not the largest one the
// program has seen so far; where it cannot, the peak's growth over the run is all there is.
bool ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

double PeakMemoryMB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

double MaxRssMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void NetResultChart(benchmark::State& state, const wl::TGameDescription& game, int rounds,
                    const std::vector<const wl::TBetDescription*>& systems) {
    const wl::TFloatModeGuard floatMode;
    const bool peakReset = ResetPeakMemory();
    const double rssBefore = MaxRssMB();
    wl::TNetResultsChart kind;
    kind.SetParam(1, rounds);
    std::vector<std::unique_ptr<wl::TGameCalculator>> calcs;
    for (const wl::TBetDescription* system : systems) {
        calcs.push_back(std::make_unique<wl::TGameCalculator>());
        wl::TGameCalculator& c = *calcs.back();
        c.Game = &game;
        c.BetSystem = system;
        c.Bankroll = kind.Bankroll();
        c.LowBound = kind.BalanceLimits().Low;
        c.HighBound = kind.BalanceLimits().High;
    }
    const int series = static_cast<int>(calcs.size());
    // The window's default budget for the rows of all series, shared out evenly as the controller does.
    const int64_t budget = wl::TChartController::DefaultMemoryBudget / series;
    for (auto& c : calcs)
        c->MemoryBudget = budget;
    wl::TStepPool pool;
    int round = 1;
    const std::function<void(int)> step = [&](int j) {
        wl::TGameCalculator& c = *calcs[static_cast<size_t>(j)];
        if (round == 1)
            c.Reset();
        else if (series > 1)
            c.Step();
        else
            c.Step(pool); // a lone series shares its rounds out over the workers
        kind.CollectRound(c, round);
    };
    for (auto _ : state) {
        for (round = 1; round <= rounds; ++round) {
            if (series > 1)
                pool.RunRound(series, step);
            else
                step(0);
        }
        benchmark::DoNotOptimize(calcs.front()->LimitProbability());
    }
    int atLimit = 0;
    double largestShare = 0.0, widest = 0.0;
    for (const auto& c : calcs) {
        const double share = c->LimitProbability();
        atLimit += share > 0.0 ? 1 : 0;
        largestShare = std::max(largestShare, share);
        widest = std::max(widest, static_cast<double>(c->MaxBalance) - static_cast<double>(c->MinBalance) + 1.0);
    }
    state.counters["series"] = series;
    // Probability at the limits: moves past the tracked balances, or a memory budget that stopped their widening.
    state.counters["series_at_limit"] = atLimit;
    state.counters["largest_limit_pct"] = 100.0 * largestShare;
    state.counters["widest_balances"] = widest;
    state.counters["budget_MB_per_series"] = static_cast<double>(budget) / (1024.0 * 1024.0);
    state.counters["max_rss_growth_MB"] = MaxRssMB() - rssBefore;
    if (peakReset)
        state.counters["peak_MB"] = PeakMemoryMB();
}

void W6(benchmark::State& state) {
    const TShipped shipped;
    const wl::TGameDescription* game = GameStartingWith(shipped.Games, QStringLiteral("European roulette - single"));
    if (game == nullptr) {
        state.SkipWithError("no European roulette - single number among the shipped games");
        return;
    }
    std::vector<const wl::TBetDescription*> systems;
    for (int i = 0; i < shipped.Systems.Count(); ++i)
        systems.push_back(shipped.Systems.Item(i));
    NetResultChart(state, *game, Rounds, systems);
}

// A flat bet of 1 on the first shipped game whose name starts with prefix.
void FlatBetChart(benchmark::State& state, const QString& prefix, int rounds) {
    const TShipped shipped;
    const wl::TGameDescription* game = GameStartingWith(shipped.Games, prefix);
    if (game == nullptr) {
        state.SkipWithError("no such game shipped");
        return;
    }
    wl::TBetDescription flat; // as made: one state, a bet of 1 whatever happens
    flat.Name = QStringLiteral("Flat bet, 1 unit");
    NetResultChart(state, *game, rounds, {&flat});
}

void KenoFlatBet(benchmark::State& state) {
    FlatBetChart(state, QStringLiteral("Keno"), Rounds);
}

void LotteryFlatBet(benchmark::State& state) {
    FlatBetChart(state, QStringLiteral("Lottery"), 100);
}

BENCHMARK(W6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(KenoFlatBet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LotteryFlatBet)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
