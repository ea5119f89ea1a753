// The engine's benchmark workloads, run by wagerlens-calc --bench and --bench-quick.
#pragma once

#include <ostream>

namespace wl {

// Runs W1, W2 and W3 with the reference kernel, the fast kernel on one worker and on all workers, and prints one
// line per workload and a summary line. quick runs a tenth of the rounds. Returns 0, or 1 when the kernels disagree.
int RunEngineBenchmarks(bool quick, std::ostream& out);

} // namespace wl
