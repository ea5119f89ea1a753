// Running wagerlens-calc: list, compute and print, with its exit codes.
#pragma once

#include "cli/CalcOptions.h"

#include <cstdio>

namespace wl {

enum TExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

// Where the command writes. Progress goes to Err only when ShowProgress is set (stderr is a terminal).
struct TCalcStreams {
    FILE* Out = stdout;
    FILE* Err = stderr;
    bool ShowProgress = false;
};

// Runs one parsed command and returns its exit code. A failure prints its message to Err and nothing to Out.
int RunCalcCommand(const TCalcOptions& options, const TCalcStreams& streams);

// The whole program: parses args (without the program name), runs, and reports bad arguments in one line.
int RunCalcProgram(const QStringList& args, const TCalcStreams& streams);

} // namespace wl
