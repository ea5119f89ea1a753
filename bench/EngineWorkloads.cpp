// Runs the engine's benchmark workloads on their own: engine-workloads [--quick].
#include "engine/EngineBenchmark.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    return wl::RunEngineBenchmarks(quick, std::cout);
}
