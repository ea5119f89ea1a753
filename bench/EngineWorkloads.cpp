// Runs the engine's benchmark workloads and the long example on their own: engine-workloads [--quick] [--example]
// [--cut-only], where --example runs the long example alone and --cut-only leaves out its run without the tolerance,
// which takes minutes.
#include "engine/EngineBenchmark.h"

#include <algorithm>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    bool quick = false, exampleOnly = false, cutOnly = false;
    for (int i = 1; i < argc; ++i) {
        quick = quick || std::strcmp(argv[i], "--quick") == 0;
        exampleOnly = exampleOnly || std::strcmp(argv[i], "--example") == 0;
        cutOnly = cutOnly || std::strcmp(argv[i], "--cut-only") == 0;
    }
    const int code = exampleOnly ? 0 : wl::RunEngineBenchmarks(quick, std::cout);
    return std::max(code, wl::RunExampleBenchmark(quick, std::cout, !cutOnly));
}
