// Google Benchmark programs for the calculator's Step: each workload on each kernel, one round at a time.
#include "engine/EngineBenchmark.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepPool.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <vector>

namespace {

using wl::TGameCalculator;
using wl::TStepKernel;

// Steps one series from round `warm` on; the rate is per cell-outcome update, as in wagerlens-calc --bench.
void StepWorkload(benchmark::State& state, int workload, TStepKernel kernel, int warm) {
    const wl::TFloatModeGuard floatMode;
    if (kernel == TStepKernel::Avx2 && !TGameCalculator::Avx2Supported()) {
        state.SkipWithError("no AVX2");
        return;
    }
    const auto workloads = wl::EngineWorkloads();
    const wl::TEngineWorkload& w = workloads[static_cast<size_t>(workload)];
    TGameCalculator calc;
    calc.Kernel = kernel;
    calc.Game = &w.Game;
    calc.BetSystem = &w.Systems[0];
    calc.Reset();
    for (int r = 1; r < warm; ++r)
        calc.Step();
    double updates = 0.0;
    for (auto _ : state) {
        if (calc.RoundCount >= w.Rounds) {
            state.PauseTiming();
            calc.Reset();
            for (int r = 1; r < warm; ++r)
                calc.Step();
            state.ResumeTiming();
        }
        updates += calc.RoundUpdates();
        calc.Step();
        benchmark::DoNotOptimize(calc.Storage());
    }
    state.counters["updates"] = benchmark::Counter(updates, benchmark::Counter::kIsRate);
}

// One calculation of a workload as the calculation thread runs it: every series, every round, on all workers; for the
// risk workloads the players at the limits leave after each round.
void WholeWorkload(benchmark::State& state, int workload, int divisor) {
    const wl::TFloatModeGuard floatMode;
    const auto workloads = wl::EngineWorkloads();
    const wl::TEngineWorkload& w = workloads[static_cast<size_t>(workload)];
    const int rounds = w.Rounds / divisor;
    const int series = static_cast<int>(w.Systems.size());
    std::vector<std::unique_ptr<TGameCalculator>> calcs;
    for (const wl::TBetDescription& system : w.Systems) {
        calcs.push_back(std::make_unique<TGameCalculator>());
        calcs.back()->Game = &w.Game;
        calcs.back()->BetSystem = &system;
        calcs.back()->Bankroll = w.Bankroll;
    }
    auto takeLimits = [&w](TGameCalculator& c) { wl::TakeRiskLimits(c, w.Bankroll, w.Target); };
    wl::TStepPool pool;
    std::function<void(int)> step = [&](int i) {
        calcs[static_cast<size_t>(i)]->Step();
        takeLimits(*calcs[static_cast<size_t>(i)]);
    };
    for (auto _ : state) {
        for (auto& c : calcs) {
            c->Reset();
            takeLimits(*c);
        }
        for (int r = 2; r <= rounds; ++r) {
            if (series > 1) {
                pool.RunRound(series, step);
            } else {
                calcs[0]->Step(pool);
                takeLimits(*calcs[0]);
            }
        }
    }
}

// The hand-over alone: one round of calls that do nothing, forked to the workers and joined.
void PoolRound(benchmark::State& state) {
    wl::TStepPool pool;
    const int count = static_cast<int>(state.range(0));
    std::vector<long> sink(static_cast<size_t>(count) * 16);
    const std::function<void(int)> work = [&sink](int i) { ++sink[static_cast<size_t>(i) * 16]; };
    for (auto _ : state)
        pool.RunRound(count, work);
    benchmark::DoNotOptimize(sink.data());
}

// The bankroll planner's curve for bankrolls 1..10000 over 1000 rounds, and the forward risk-of-ruin chart it is
// held against (bankroll 100, 3000 rounds); wagerlens-calc --bench prints both and their ratio from one run.
void PlannerCurve(benchmark::State& state) {
    const wl::TFloatModeGuard floatMode;
    const wl::TPlannerWorkload w = wl::PlannerWorkload();
    wl::TStepPool pool;
    for (auto _ : state)
        state.SetIterationTime(wl::TimePlannerCurve(w, 1000, state.range(0) != 0 ? &pool : nullptr));
}

void ForwardRisk(benchmark::State& state) {
    const wl::TFloatModeGuard floatMode;
    const wl::TPlannerWorkload w = wl::PlannerWorkload();
    wl::TStepPool pool;
    for (auto _ : state)
        state.SetIterationTime(wl::TimeForwardRisk(w, 3000, state.range(0) != 0 ? &pool : nullptr));
}

BENCHMARK(PoolRound)->Arg(2)->Arg(10);
// Argument 1: on all workers, as the window runs them; 0: on the calling thread alone.
BENCHMARK(PlannerCurve)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ForwardRisk)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StepWorkload, W1_reference, 0, TStepKernel::Reference, 1000);
BENCHMARK_CAPTURE(StepWorkload, W1_portable, 0, TStepKernel::Portable, 1000);
BENCHMARK_CAPTURE(StepWorkload, W1_avx2, 0, TStepKernel::Avx2, 1000);
BENCHMARK_CAPTURE(StepWorkload, W2_reference, 1, TStepKernel::Reference, 1000);
BENCHMARK_CAPTURE(StepWorkload, W2_portable, 1, TStepKernel::Portable, 1000);
BENCHMARK_CAPTURE(StepWorkload, W2_avx2, 1, TStepKernel::Avx2, 1000);
BENCHMARK_CAPTURE(StepWorkload, W3_reference, 2, TStepKernel::Reference, 100);
BENCHMARK_CAPTURE(StepWorkload, W3_portable, 2, TStepKernel::Portable, 100);
BENCHMARK_CAPTURE(StepWorkload, W3_avx2, 2, TStepKernel::Avx2, 100);
BENCHMARK_CAPTURE(WholeWorkload, W1_tenth, 0, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WholeWorkload, W2_tenth, 1, 10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WholeWorkload, W3_tenth, 2, 10)->Unit(benchmark::kMillisecond);
// The long sessions whole: their cost lies in the late rounds.
BENCHMARK_CAPTURE(WholeWorkload, W4, 3, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WholeWorkload, W5, 4, 1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
