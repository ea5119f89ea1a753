// Load and save of generated games.ini and bets.ini: list-bench [count ...], 1000 10000 100000 by default.
#include "model/ListBenchmark.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    int code = 0;
    const int defaults[] = {1000, 10000, 100000};
    const int n = argc > 1 ? argc - 1 : 3;
    for (int i = 0; i < n; ++i)
        code |= wl::RunListBenchmark(argc > 1 ? std::atoi(argv[i + 1]) : defaults[i], std::cout);
    return code;
}
