// wagerlens-calc: the command-line companion that computes one chart and prints its table.
#include "cli/CalcCommand.h"

#include <QString>
#include <QStringList>

#include <unistd.h>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    wl::TCalcStreams streams;
    streams.ShowProgress = isatty(STDERR_FILENO) != 0;
    return wl::RunCalcProgram(args, streams);
}
