// Running wagerlens-calc: list, compute and print, with its exit codes.
#pragma once

#include "cli/CalcOptions.h"

#include <cstdio>
#include <functional>

namespace wl {

enum TExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// Where the command writes. Progress goes to Err only when ShowProgress is set (stderr is a terminal).
struct TCalcStreams {
    FILE* Out = stdout;
    FILE* Err = stderr;
    bool ShowProgress = false;
};

class ITextSource;
class TChart;
class TChartController;

// Computes the chart that options (a Calculate command) describes, through the controller and thread the window
// uses, and hands the finished controller and its chart to use. texts gives the axis titles (none without it).
// Raises EUsageError for unknown games or systems and Exception for failures.
void RunCalculation(const TCalcOptions& options, const TCalcStreams& streams, const ITextSource* texts,
                    const std::function<void(TChartController&, TChart&)>& use);

// Runs one parsed command and returns its exit code. A failure prints its message to Err and nothing to Out.
int RunCalcCommand(const TCalcOptions& options, const TCalcStreams& streams);

// The whole program: parses args (without the program name), runs, and reports bad arguments in one line.
int RunCalcProgram(const QStringList& args, const TCalcStreams& streams);

} // namespace wl
