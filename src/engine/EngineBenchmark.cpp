// The engine's benchmark workloads and the driver behind wagerlens-calc --bench.
#include "engine/EngineBenchmark.h"

#include "engine/GameCalculator.h"
#include "engine/StepPool.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <iomanip>
#include <memory>
#include <sstream>

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
    for (int i = 0; i < w.Series; ++i) {
        auto c = std::make_unique<TGameCalculator>();
        c->Kernel = kernel;
        c->Game = &w.Game;
        c->BetSystem = &w.System;
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
TMeasure Run(TSeriesSet& set, int rounds, TStepPool* pool) {
    for (auto& c : set.Calcs)
        c->Reset();
    const int count = static_cast<int>(set.Calcs.size());
    std::vector<TUpdateCount> updates(static_cast<size_t>(count));
    auto stepOne = [&set, &updates, pool](int i) {
        TGameCalculator& c = *set.Calcs[static_cast<size_t>(i)];
        updates[static_cast<size_t>(i)].Value +=
            static_cast<double>(c.BetSystem->StateCount) * (c.MaxBalance - c.MinBalance + 1) * c.Game->OutcomeCount;
        if (pool && set.Calcs.size() == 1)
            c.Step(*pool);
        else
            c.Step();
    };
    // The workers read the function at every call: on a line of its own, away from the caller's busy stack.
    struct alignas(64) TPaddedWork {
        std::function<void(int)> Work;
    };
    const TPaddedWork step{stepOne};
    TMeasure m;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 2; round <= rounds; ++round) {
        if (pool && count > 1)
            pool->RunRound(count, step.Work);
        else
            for (int i = 0; i < count; ++i)
                stepOne(i);
    }
    m.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const TUpdateCount& u : updates)
        m.Updates += u.Value;
    return m;
}

bool SameStorage(const TGameCalculator& a, const TGameCalculator& b) {
    return a.MinBalance == b.MinBalance && a.MaxBalance == b.MaxBalance && a.RoundCount == b.RoundCount &&
           std::memcmp(a.Storage(), b.Storage(), TGameCalculator::StorageSize() * sizeof(double)) == 0;
}

std::string Fixed(double v, int decimals) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(decimals) << v;
    return s.str();
}

} // namespace

std::vector<TEngineWorkload> EngineWorkloads() {
    std::vector<TEngineWorkload> w;
    w.push_back({"W1", MakeGame({{1, 0.5}, {-1, 0.5}}), Progression({1}), 3000, 10, 3000});
    w.push_back(
        {"W2", MakeGame({{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}}), Progression({1, 2, 4, 8, 16, 32, 64}), 3000, 10, 3000});
    std::vector<std::pair<int32_t, double>> outcomes;
    for (int r = -16; r <= 15; ++r)
        outcomes.emplace_back(r, 1.0 / 32.0);
    std::vector<int32_t> bets;
    for (int b = 1; b <= 21; ++b)
        bets.push_back(b);
    w.push_back({"W3", MakeGame(outcomes), Progression(bets), 3000, 1, 300});
    return w;
}

int RunEngineBenchmarks(bool quick, std::ostream& out) {
    const TStepKernel fastKernel = TGameCalculator::Avx2Supported() ? TStepKernel::Avx2 : TStepKernel::Portable;
    TStepPool pool;
    int status = 0;
    std::ostringstream speedups, parallels;
    for (const TEngineWorkload& w : EngineWorkloads()) {
        const int rounds = quick ? w.Rounds / 10 : w.Rounds;
        const int referenceRounds = quick ? w.ReferenceRounds / 10 : w.ReferenceRounds;

        TSeriesSet reference = MakeSeries(w, TStepKernel::Reference);
        const TMeasure ref = Run(reference, referenceRounds, nullptr);
        // The fast kernel must reproduce the reference's bits before its speed counts.
        TSeriesSet check = MakeSeries(w, fastKernel);
        Run(check, referenceRounds, &pool);
        for (size_t i = 0; i < check.Calcs.size(); ++i)
            if (!SameStorage(*reference.Calcs[i], *check.Calcs[i]))
                status = 1;
        reference.Calcs.clear();
        check.Calcs.clear();

        TSeriesSet fastSet = MakeSeries(w, fastKernel);
        const TMeasure fast = Run(fastSet, rounds, nullptr);
        const TMeasure all = Run(fastSet, rounds, &pool);
        const double speedup = ref.Mups() > 0.0 ? fast.Mups() / ref.Mups() : 0.0;
        const double parallel = fast.Mups() > 0.0 ? all.Mups() / fast.Mups() : 0.0;
        out << w.Name << " reference " << Fixed(ref.Mups(), 0) << " fast " << Fixed(fast.Mups(), 0) << " fast-all "
            << Fixed(all.Mups(), 0) << " speedup " << Fixed(speedup, 2) << " parallel " << Fixed(parallel, 2);
        if (referenceRounds < rounds)
            out << " (reference over " << referenceRounds << " of " << rounds << " rounds)";
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
