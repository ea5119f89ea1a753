// Runs the engine's benchmark workloads and the long example on their own: engine-workloads [--quick].
#include "engine/EngineBenchmark.h"

#include <algorithm>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int code = wl::RunEngineBenchmarks(quick, std::cout);
    return std::max(code, wl::RunExampleBenchmark(quick, std::cout));
}
