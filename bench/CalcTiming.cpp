// Times the companion's calculation in-process, without starting a program or printing a table:
//   wl_calc_timing REPEATS <wagerlens-calc arguments of a chart>
// prints the best and the median of REPEATS runs in seconds, of the clock and of the processor time of every
// thread. bench/python_overhead.py sets it against the Python module's chart() on the same chart.
#include "charts/ChartController.h"
#include "charts/ChartDescription.h"
#include "cli/CalcCommand.h"
#include "presentation/DataExport.h"
#include "presentation/DataTable.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: wl_calc_timing REPEATS ARGUMENTS...\n", stderr);
        return 2;
    }
    const int repeats = std::max(1, std::atoi(argv[1]));
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const wl::TCalcOptions options = wl::ParseCalcOptions(args, wl::ChartKindCount);
    std::vector<double> seconds, cpu;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        // What the companion does before it formats the table: the data table and its source.
        wl::RunCalculation(options, {}, nullptr, [](wl::TChartController& controller, wl::TChart&) {
            wl::TDataTable table;
            wl::CaptureChartData(table, controller);
            const wl::TDataSource source = wl::DataSourceOf(controller, table);
            if (source.Captions.isEmpty())
                std::abort();
        });
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("best %.6f median %.6f cpu-best %.6f cpu-median %.6f\n", seconds.front(), seconds[seconds.size() / 2],
                cpu.front(), cpu[cpu.size() / 2]);
    return 0;
}
