// The command line of wagerlens-calc: what to compute and how to print it.
#pragma once

#include "support/Exception.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace wl {

// Bad arguments: the message is the one-line reason shown to the user (exit code 2).
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

enum class TCalcCommand { Calculate, List, Help, Version, Bench, BenchQuick };
enum class TCalcFormat { Text, Full, Html, Csv, Json };

struct TCalcOptions {
    TCalcCommand Command = TCalcCommand::Help;
    std::optional<QString> Dir;
    std::optional<QString> GamesFile;   // read instead of the folder's games.ini
    std::optional<QString> SystemsFile; // read instead of the folder's bets.ini
    int Chart = 0;
    std::optional<int> Param0;
    std::optional<int> Param1;
    std::vector<std::pair<QString, QString>> Series; // game name, system name
    TCalcFormat Format = TCalcFormat::Text;
    bool Summary = false;            // the series' summary instead of the chart's table
    std::optional<int> MemoryBudget; // MiB for the rows of all series; none: the window's default
    std::optional<double> Tolerance; // the smallest probability followed; none: the window's default
};

// The arguments after the program name. Raises EUsageError for anything it cannot use. The chart identifier is
// checked against 0..chartKindCount - 1, parameters against the window's 0..10000.
TCalcOptions ParseCalcOptions(const QStringList& args, int chartKindCount);

QString CalcUsageText();
QString CalcVersionText();

} // namespace wl
