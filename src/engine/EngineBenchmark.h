// The engine's benchmark workloads, run by wagerlens-calc --bench and --bench-quick and by the programs in bench/.
#pragma once

#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <ostream>
#include <vector>

namespace wl {

class TGameCalculator;
class TStepPool;

struct TEngineWorkload {
    const char* Name;
    TGameDescription Game;
    std::vector<TBetDescription> Systems; // one series each
    int Rounds;
    // The reference is slow: below Rounds it runs every (Rounds / ReferenceRounds)th round of the whole run.
    int ReferenceRounds;
    // With a bankroll, the players who are ruined or reach the target leave after each round, as in the risk charts.
    int32_t Bankroll = 0;
    int32_t Target = 0;
    // W1 to W5 track -5000..5000, as they always did, so that their figures compare across builds; the "-all"
    // workloads follow every balance, as the charts now do.
    bool FollowAll = false;
};

// W1 coin with a flat bet, W2 roulette with a 7-state martingale (10 series each), W3 21 states on 32 outcomes;
// W4 the ten shipped systems on even-money roulette for 10000 rounds, W5 the same with bankroll 1000 and target 2000
// for 3000 rounds; W2-all and W4-all are W2 and W4 with every balance followed.
std::vector<TEngineWorkload> EngineWorkloads();

// What a risk chart does after each round: with a bankroll, the players at or below -bankroll and at or above
// target - bankroll leave.
void TakeRiskLimits(TGameCalculator& c, int32_t bankroll, int32_t target);

// Runs every workload with the reference kernel, the fast kernel on one worker and on all workers, and prints
//   W1 reference <Mups> fast <Mups> fast-all <Mups> speedup <fast/reference> parallel <fast-all/fast>
// per workload and the summary line "speedup: W1 <x> ... parallel: W1 <x> ..." last. An update is one cell times
// one outcome. quick runs a tenth of the rounds. Returns 0, or 1 when the fast results differ from the reference's.
int RunEngineBenchmarks(bool quick, std::ostream& out);

// The README's long example: the ten shipped systems on even-money European roulette over 10000 rounds, every balance
// followed to the default tolerance of 1e-15 on all workers, as the calculation thread runs it; then "Martingale, 10
// doublings" alone. Prints wall and CPU seconds (median of 5 runs), each series' row width with the tolerance and
// without it (one run), and the probability that left each series:
//   example: ... wall <s> s cpu <s> s (median of 5) ...
// quick runs a tenth of the rounds, once; without withExact the run without the tolerance, minutes long, is left out.
int RunExampleBenchmark(bool quick, std::ostream& out, bool withExact = true);

// The bankroll planner against the forward risk chart: "Martingale, 10 doublings" on even-money European roulette.
struct TPlannerWorkload {
    TGameDescription Game;
    TBetDescription System;
};
TPlannerWorkload PlannerWorkload();
// Seconds for the risk-of-ruin curve of bankrolls 1..10000 over `rounds` rounds (no target); -1 when it came out
// incomplete.
double TimePlannerCurve(const TPlannerWorkload& w, int32_t rounds, TStepPool* pool);
// Seconds for the forward risk-of-ruin chart of bankroll 100 with a target out of reach, over `rounds` rounds.
double TimeForwardRisk(const TPlannerWorkload& w, int32_t rounds, TStepPool* pool);
// Both, measured in one run (best of alternating passes), and their ratio:
//   planner: ... <ms> ms; forward ... <ms> ms; ratio <planner/forward>
// quick runs a tenth of the rounds. Returns 1 when the curve came out incomplete.
int RunPlannerBenchmark(bool quick, std::ostream& out);

} // namespace wl
