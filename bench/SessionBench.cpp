// The session solver's speed goals: every bankroll's answers until ruin or target in one solve.
#include "engine/SessionSolver.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <benchmark/benchmark.h>

namespace {

wl::TGameDescription Game(int32_t win, double p) {
    wl::TGameDescription g;
    g.OutcomeCount = 2;
    g.OutcomeResults[0] = win;
    g.OutcomeProbabilities[0] = p;
    g.OutcomeResults[1] = -1;
    g.OutcomeProbabilities[1] = 1.0 - p;
    return g;
}

// states states; a win moves one state on (the last stays), a loss goes back to 0; state s bets bet(s).
template <class TBet> wl::TBetDescription Ladder(int states, TBet bet) {
    wl::TBetDescription b;
    b.StateCount = states;
    for (int s = 0; s < states; ++s) {
        b.Bets[s] = bet(s);
        b.WinStates[s] = s + 1 < states ? s + 1 : s;
        b.LossStates[s] = 0;
    }
    return b;
}

void Solve(benchmark::State& state, const wl::TGameDescription& game, const wl::TBetDescription& system,
           int32_t target) {
    wl::TSessionRequest request;
    request.Target = target;
    for (auto _ : state) {
        const auto solution = wl::TSessionSolver(game, system).Solve(request);
        benchmark::DoNotOptimize(solution->Ruin.data());
        state.counters["stepped"] = solution->Method == wl::TSessionMethod::Stepping;
    }
}

// Flat bet on a single number, T = 10000: today's stepping takes 9 s and gives no answer.
void FlatSingleNumber(benchmark::State& state) {
    Solve(state, Game(35, 1.0 / 37), Ladder(1, [](int) { return 1; }), 10000);
}

// 21 states with a narrow band (bets of 1 and 2 on red/black), T = 10000.
void TwentyOneStatesNarrowBand(benchmark::State& state) {
    Solve(state, Game(1, 18.0 / 37), Ladder(21, [](int s) { return 1 + s % 2; }), 10000);
}

// 21 states that all bet 1 (a band of one money step), T = 10000.
void TwentyOneStatesUnitBets(benchmark::State& state) {
    Solve(state, Game(1, 18.0 / 37), Ladder(21, [](int) { return 1; }), 10000);
}

// Flat bet on red/black, T = 200, the worked example.
void FlatRedBlack(benchmark::State& state) {
    Solve(state, Game(1, 18.0 / 37), Ladder(1, [](int) { return 1; }), 200);
}

} // namespace

BENCHMARK(FlatSingleNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(TwentyOneStatesNarrowBand)->Unit(benchmark::kMillisecond);
BENCHMARK(TwentyOneStatesUnitBets)->Unit(benchmark::kMillisecond);
BENCHMARK(FlatRedBlack)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
