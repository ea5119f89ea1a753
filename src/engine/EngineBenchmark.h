// The engine's benchmark workloads, run by wagerlens-calc --bench and --bench-quick and by the programs in bench/.
#pragma once

#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <ostream>
#include <vector>

namespace wl {

struct TEngineWorkload {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    int Rounds;
    int Series;
    int ReferenceRounds; // the reference is slow: it may run fewer rounds; its rate is per update anyway
};

// W1 coin with a flat bet, W2 roulette with a 7-state martingale (10 series each), W3 21 states on 32 outcomes.
std::vector<TEngineWorkload> EngineWorkloads();

// Runs every workload with the reference kernel, the fast kernel on one worker and on all workers, and prints
//   W1 reference <Mups> fast <Mups> fast-all <Mups> speedup <fast/reference> parallel <fast-all/fast>
// per workload and the summary line "speedup: W1 <x> ... parallel: W1 <x> ..." last. An update is one cell times
// one outcome. quick runs a tenth of the rounds. Returns 0, or 1 when the fast results differ from the reference's.
int RunEngineBenchmarks(bool quick, std::ostream& out);

} // namespace wl
