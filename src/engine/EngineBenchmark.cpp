// The engine's benchmark workloads and the driver behind wagerlens-calc --bench.
#include "engine/EngineBenchmark.h"

#include "engine/BankrollPlanner.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepPool.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <iomanip>
#include <memory>
#include <sstream>

#include <time.h>

namespace wl {

namespace {

TGameDescription MakeGame(const std::vector<std::pair<int32_t, double>>& outcomes) {
    TGameDescription g;
    g.OutcomeCount = 0;
    for (const auto& [r, p] : outcomes) {
        g.OutcomeResults[g.OutcomeCount] = r;
        g.OutcomeProbabilities[g.OutcomeCount] = p;
        ++g.OutcomeCount;
    }
    return g;
}

// States 0..count-1 with the given bets; a win goes to state 0, a loss to the next state and from the last to 0.
TBetDescription Progression(const std::vector<int32_t>& bets) {
    TBetDescription b;
    b.StateCount = static_cast<int32_t>(bets.size());
    for (int s = 0; s < b.StateCount; ++s) {
        b.Bets[s] = bets[static_cast<size_t>(s)];
        b.WinStates[s] = 0;
        b.LossStates[s] = s + 1 < b.StateCount ? s + 1 : 0;
    }
    return b;
}

TBetDescription System(const std::vector<std::array<int32_t, 3>>& states) {
    TBetDescription b;
    b.StateCount = static_cast<int32_t>(states.size());
    for (int s = 0; s < b.StateCount; ++s) {
        b.Bets[s] = states[static_cast<size_t>(s)][0];
        b.WinStates[s] = states[static_cast<size_t>(s)][1];
        b.LossStates[s] = states[static_cast<size_t>(s)][2];
    }
    return b;
}

// The shipped systems in their list order, but for the last: ten series, as many as a chart holds.
std::vector<TBetDescription> ShippedSystems() {
    std::vector<TBetDescription> systems;
    systems.push_back(System({{1, 1, 0}, {3, 2, 0}, {2, 3, 0}, {6, 0, 0}}));
    std::vector<std::array<int32_t, 3>> dalembert, contra;
    for (int32_t i = 0; i < 10; ++i) {
        dalembert.push_back({i + 1, i > 0 ? i - 1 : 0, i < 9 ? i + 1 : 9});
        contra.push_back({i + 1, i < 9 ? i + 1 : 9, i > 0 ? i - 1 : 0});
    }
    systems.push_back(System(contra));
    systems.push_back(System(dalembert));
    systems.push_back(Progression({1, 1, 2, 3, 5, 8, 13, 21}));
    // Fibonacci goes two steps back after a win.
    for (int s = 2; s < 8; ++s)
        systems.back().WinStates[s] = s - 2;
    systems.push_back(Progression({1}));
    systems.push_back(Progression({1, 3, 7, 15, 31, 63}));
    for (const int doublings : {10, 3, 5, 7}) {
        std::vector<int32_t> bets;
        for (int i = 0; i <= doublings; ++i)
            bets.push_back(int32_t{1} << i);
        systems.push_back(Progression(bets));
    }
    return systems;
}

struct TMeasure {
    double Seconds = 0.0;
    double Updates = 0.0;
    double Mups() const { return Seconds > 0.0 ? Updates / Seconds / 1e6 : 0.0; }
};

struct TSeriesSet {
    std::vector<std::unique_ptr<TGameCalculator>> Calcs;
};

TSeriesSet MakeSeries(const TEngineWorkload& w, TStepKernel kernel) {
    TSeriesSet set;
    for (const TBetDescription& system : w.Systems) {
        auto c = std::make_unique<TGameCalculator>();
        c->Kernel = kernel;
        c->Game = &w.Game;
        c->BetSystem = &system;
        c->Bankroll = w.Bankroll;
        if (!w.FollowAll) {
            c->LowBound = TGameCalculator::MinBalanceLimit;
            c->HighBound = TGameCalculator::MaxBalanceLimit;
        }
        set.Calcs.push_back(std::move(c));
    }
    return set;
}

// Each series counts its own updates, on a line of its own: the caller reading every series' range each round would
// pull the workers' lines over and time the traffic instead of the steps.
struct alignas(64) TUpdateCount {
    double Value = 0.0;
};

// Rounds 2..rounds of every series, as the calculation thread drives them; only the steps are timed.
TMeasure Run(TSeriesSet& set, const TEngineWorkload& w, int rounds, TStepPool* pool) {
    for (auto& c : set.Calcs) {
        c->Reset();
        TakeRiskLimits(*c, w.Bankroll, w.Target);
    }
    const int count = static_cast<int>(set.Calcs.size());
    std::vector<TUpdateCount> updates(static_cast<size_t>(count));
    auto stepOne = [&set, &updates, &w, pool](int i) {
        TGameCalculator& c = *set.Calcs[static_cast<size_t>(i)];
        updates[static_cast<size_t>(i)].Value += c.RoundUpdates();
        if (pool && set.Calcs.size() == 1)
            c.Step(*pool);
        else
            c.Step();
        TakeRiskLimits(c, w.Bankroll, w.Target);
    };
    // Each call runs a block of rounds of one series, as the calculation thread does.
    int block = 1;
    std::vector<double> costs(static_cast<size_t>(count));
    std::vector<int> order;
    auto stepBlock = [&stepOne, &block, &order](int i) {
        for (int r = 0; r < block; ++r)
            stepOne(order[static_cast<size_t>(i)]);
    };
    // The workers read the function at every call: on a line of its own, away from the caller's busy stack.
    struct alignas(64) TPaddedWork {
        std::function<void(int)> Work;
    };
    const TPaddedWork step{stepBlock};
    TMeasure m;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 2; round <= rounds; round += block) {
        double work = 0.0;
        for (int i = 0; i < count; ++i) {
            costs[static_cast<size_t>(i)] = set.Calcs[static_cast<size_t>(i)]->RoundUpdates();
            work += costs[static_cast<size_t>(i)];
        }
        block = std::min(TStepPool::BlockRounds(work), rounds - round + 1);
        TStepPool::BalancedOrder(costs, pool ? pool->WorkerCount() : 1, order);
        if (pool && count > 1)
            pool->RunRound(count, step.Work);
        else
            for (int i = 0; i < count; ++i)
                stepBlock(i);
    }
    m.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const TUpdateCount& u : updates)
        m.Updates += u.Value;
    return m;
}

// The reference on every stride-th round of the whole run and the fast kernel on the others, which leave the same
// bits: a round costs more per update once the rows outgrow the caches, so a sample taken from the first rounds alone
// would flatter the reference. Only the reference's steps are timed and counted.
TMeasure RunSampledReference(TSeriesSet& set, const TEngineWorkload& w, int rounds, int stride, TStepKernel fast) {
    for (auto& c : set.Calcs) {
        c->Reset();
        TakeRiskLimits(*c, w.Bankroll, w.Target);
    }
    TMeasure m;
    for (int round = 2; round <= rounds; ++round) {
        const bool sampled = round % stride == 0;
        for (auto& c : set.Calcs) {
            c->Kernel = sampled ? TStepKernel::Reference : fast;
            if (!sampled) {
                c->Step();
            } else {
                m.Updates += c->RoundUpdates();
                const auto start = std::chrono::steady_clock::now();
                c->Step();
                m.Seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            TakeRiskLimits(*c, w.Bankroll, w.Target);
        }
    }
    return m;
}

std::string Fixed(double v, int decimals) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(decimals) << v;
    return s.str();
}

} // namespace

void TakeRiskLimits(TGameCalculator& c, int32_t bankroll, int32_t target) {
    if (bankroll <= 0)
        return;
    for (int32_t b = c.MinBalance; b <= std::min(-bankroll, c.MaxBalance); ++b)
        c.TakeBalanceProbability(b);
    for (int32_t b = std::max(target - bankroll, c.MinBalance); b <= c.MaxBalance; ++b)
        c.TakeBalanceProbability(b);
}

std::vector<TEngineWorkload> EngineWorkloads() {
    std::vector<TEngineWorkload> w;
    const TGameDescription redBlack = MakeGame({{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    w.push_back({"W1", MakeGame({{1, 0.5}, {-1, 0.5}}), std::vector(10, Progression({1})), 3000, 3000});
    w.push_back({"W2", redBlack, std::vector(10, Progression({1, 2, 4, 8, 16, 32, 64})), 3000, 3000});
    std::vector<std::pair<int32_t, double>> outcomes;
    for (int r = -16; r <= 15; ++r)
        outcomes.emplace_back(r, 1.0 / 32.0);
    std::vector<int32_t> bets;
    for (int b = 1; b <= 21; ++b)
        bets.push_back(b);
    w.push_back({"W3", MakeGame(outcomes), {Progression(bets)}, 3000, 300});
    w.push_back({"W4", redBlack, ShippedSystems(), 10000, 1000});
    w.push_back({"W5", redBlack, ShippedSystems(), 3000, 300, 1000, 2000});
    w.push_back({"W2-all", w[1].Game, w[1].Systems, 3000, 3000, 0, 0, true});
    w.push_back({"W4-all", redBlack, ShippedSystems(), 10000, 1000, 0, 0, true});
    return w;
}

TPlannerWorkload PlannerWorkload() {
    std::vector<int32_t> bets;
    for (int i = 0; i <= 10; ++i)
        bets.push_back(int32_t{1} << i);
    return {MakeGame({{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}}), Progression(bets)};
}

double TimePlannerCurve(const TPlannerWorkload& w, int32_t rounds, TStepPool* pool) {
    const auto start = std::chrono::steady_clock::now();
    const TBankrollCurve curve = BankrollCurve(w.Game, w.System, rounds, 0, pool);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return curve.Ruin.size() == 10001 ? seconds : -1.0;
}

double TimeForwardRisk(const TPlannerWorkload& w, int32_t rounds, TStepPool* pool) {
    // Bankroll 100 and a target of 10000, which 3000 rounds of this system cannot reach: the risk chart's limits.
    constexpr int32_t Bankroll = 100, Target = 10000;
    TGameCalculator c;
    c.Game = &w.Game;
    c.BetSystem = &w.System;
    c.Bankroll = Bankroll;
    c.LowBound = -TGameCalculator::MaxBalanceLimit;
    c.HighBound = Target - Bankroll;
    const auto start = std::chrono::steady_clock::now();
    c.Reset();
    TakeRiskLimits(c, Bankroll, Target);
    for (int32_t r = 2; r <= rounds; ++r) {
        if (pool)
            c.Step(*pool);
        else
            c.Step();
        TakeRiskLimits(c, Bankroll, Target);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int RunPlannerBenchmark(bool quick, std::ostream& out) {
    const TFloatModeGuard floatMode;
    const TPlannerWorkload w = PlannerWorkload();
    TStepPool pool;
    const int32_t plannerRounds = quick ? 100 : 1000;
    const int32_t forwardRounds = quick ? 300 : 3000;
    // Alternating passes, each keeping its best, as above.
    double planner = 1e300, forward = 1e300;
    for (int pass = 0; pass < (quick ? 1 : 3); ++pass) {
        const double p = TimePlannerCurve(w, plannerRounds, &pool);
        if (p < 0.0)
            return 1;
        planner = std::min(planner, p);
        forward = std::min(forward, TimeForwardRisk(w, forwardRounds, &pool));
    }
    out << "planner: risk of ruin for bankrolls 1..10000 over " << plannerRounds << " rounds "
        << Fixed(planner * 1e3, 1) << " ms; forward risk of ruin of bankroll 100 over " << forwardRounds << " rounds "
        << Fixed(forward * 1e3, 1) << " ms; ratio " << Fixed(forward > 0.0 ? planner / forward : 0.0, 2)
        << " (Martingale, 10 doublings on red/black, all workers)\n";
    out.flush();
    return 0;
}

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct TExampleRun {
    double Wall = 0.0, Cpu = 0.0;
    std::vector<int64_t> Widths;
    std::vector<double> Left;
};

TExampleRun RunExample(const TEngineWorkload& w, int rounds, double tolerance, TStepPool& pool) {
    TSeriesSet set = MakeSeries(w, TGameCalculator::DefaultKernel());
    for (auto& c : set.Calcs) {
        c->Tolerance = tolerance;
        c->RoundsPlanned = rounds;
    }
    TExampleRun run;
    const double cpu = CpuSeconds();
    run.Wall = Run(set, w, rounds, &pool).Seconds;
    run.Cpu = CpuSeconds() - cpu;
    for (const auto& c : set.Calcs) {
        run.Widths.push_back(int64_t{c->MaxBalance} - c->MinBalance + 1);
        run.Left.push_back(c->ToleranceLeft() + c->LimitProbability());
    }
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int RunExampleBenchmark(bool quick, std::ostream& out, bool withExact) {
    const TFloatModeGuard floatMode;
    TStepPool pool;
    const TGameDescription redBlack = MakeGame({{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    const int rounds = quick ? 1000 : 10000;
    const int runs = quick ? 1 : 5;
    constexpr double tolerance = 1e-15;
    const std::vector<TBetDescription> systems = ShippedSystems();
    // The martingale of ten doublings is the seventh of the ten, the widest by far.
    const TEngineWorkload cases[] = {{"example", redBlack, systems, rounds, rounds, 0, 0, true},
                                     {"martingale", redBlack, {systems[6]}, rounds, rounds, 0, 0, true}};
    for (const TEngineWorkload& w : cases) {
        std::vector<double> wall, cpu;
        TExampleRun cut;
        for (int i = 0; i < runs; ++i) {
            cut = RunExample(w, rounds, tolerance, pool);
            wall.push_back(cut.Wall);
            cpu.push_back(cut.Cpu);
        }
        out << w.Name << ": " << w.Systems.size() << " series on red/black, " << rounds
            << " rounds, tolerance 1e-15: wall " << Fixed(Median(wall), 3) << " s cpu " << Fixed(Median(cpu), 3)
            << " s (median of " << runs << ")\n";
        out.flush();
        // Once: followed until underflow, the run takes many times as long.
        const TExampleRun exact = withExact ? RunExample(w, rounds, 0.0, pool) : TExampleRun{};
        if (withExact)
            out << w.Name << ": without the tolerance wall " << Fixed(exact.Wall, 3) << " s cpu " << Fixed(exact.Cpu, 3)
                << " s (one run)\n";
        for (size_t i = 0; i < cut.Widths.size(); ++i)
            out << w.Name << ": series " << i + 1 << " width " << cut.Widths[i] << " (without the tolerance "
                << (withExact ? std::to_string(exact.Widths[i]) : "not run") << "), left " << std::setprecision(3)
                << std::scientific << cut.Left[i] << std::defaultfloat << '\n';
    }
    out.flush();
    return 0;
}

int RunEngineBenchmarks(bool quick, std::ostream& out) {
    // The reference and the fast kernels both in the mode of the calculation thread.
    const TFloatModeGuard floatMode;
    const TStepKernel fastKernel = TGameCalculator::Avx2Supported() ? TStepKernel::Avx2 : TStepKernel::Portable;
    TStepPool pool;
    int status = 0;
    std::ostringstream speedups, parallels;
    for (const TEngineWorkload& w : EngineWorkloads()) {
        const int rounds = quick ? w.Rounds / 10 : w.Rounds;
        const int referenceRounds = quick ? w.ReferenceRounds / 10 : w.ReferenceRounds;

        // The fast kernel must reproduce the reference's bits, on one worker and on all, for its speed to count.
        TSeriesSet fastSet = MakeSeries(w, fastKernel);
        TSeriesSet reference = MakeSeries(w, referenceRounds < rounds ? fastKernel : TStepKernel::Reference);
        auto check = [&] {
            for (size_t i = 0; i < reference.Calcs.size(); ++i)
                if (!reference.Calcs[i]->SameCells(*fastSet.Calcs[i]))
                    status = 1;
        };
        // Passes of the three alternate and each keeps its best: other load on the machine only ever slows a pass
        // down, and it drifts over seconds, so single passes run seconds apart gave ratios a quarter apart.
        TMeasure ref, fast, all;
        auto keepBest = [](TMeasure& best, const TMeasure& m) {
            if (m.Mups() > best.Mups())
                best = m;
        };
        for (int pass = 0; pass < (quick ? 1 : 2); ++pass) {
            // Every tenth round or so by the reference, the rest by the fast kernel: the result must be the same.
            keepBest(ref, referenceRounds < rounds
                              ? RunSampledReference(reference, w, rounds, rounds / referenceRounds, fastKernel)
                              : Run(reference, w, rounds, nullptr));
            keepBest(fast, Run(fastSet, w, rounds, nullptr));
            check();
            keepBest(all, Run(fastSet, w, rounds, &pool));
            check();
        }
        reference.Calcs.clear();
        const double speedup = ref.Mups() > 0.0 ? fast.Mups() / ref.Mups() : 0.0;
        const double parallel = fast.Mups() > 0.0 ? all.Mups() / fast.Mups() : 0.0;
        out << w.Name << " reference " << Fixed(ref.Mups(), 0) << " fast " << Fixed(fast.Mups(), 0) << " fast-all "
            << Fixed(all.Mups(), 0) << " speedup " << Fixed(speedup, 2) << " parallel " << Fixed(parallel, 2);
        if (referenceRounds < rounds)
            out << " (reference on every " << rounds / referenceRounds << "th of " << rounds << " rounds)";
        out << '\n';
        speedups << ' ' << w.Name << ' ' << Fixed(speedup, 2);
        parallels << ' ' << w.Name << ' ' << Fixed(parallel, 2);
    }
    if (status != 0)
        out << "error: the fast kernel differs from the reference\n";
    out << "speedup:" << speedups.str() << " parallel:" << parallels.str() << '\n';
    out.flush();
    return status;
}

} // namespace wl
