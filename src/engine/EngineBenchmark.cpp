// The engine's benchmark workloads.
#include "engine/EngineBenchmark.h"

namespace wl {

int RunEngineBenchmarks(bool, std::ostream&) {
    return 0;
}

} // namespace wl
