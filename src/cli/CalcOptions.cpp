// Parsing the command line of wagerlens-calc.
#include "cli/CalcOptions.h"

#include "preferences/Preferences.h"
#include "presentation/WindowState.h"
#include "support/Numbers.h"

#include <QRegularExpression>

namespace wl {

namespace {

[[noreturn]] void Fail(const QString& reason) {
    throw EUsageError(reason);
}

// Plain decimal integers only: "12", "-3"; no blanks, hexadecimal or fractions.
int ParseNumber(const QString& option, const QString& text, int low, int high) {
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]{1,10}$"));
    const std::optional<int32_t> value = decimal.match(text).hasMatch() ? ParseInteger(text) : std::optional<int32_t>();
    if (!value)
        Fail(QStringLiteral("%1 needs a whole number, not \"%2\"").arg(option, text));
    if (*value < low || *value > high)
        Fail(QStringLiteral("%1 must lie within %2..%3, not %4").arg(option).arg(low).arg(high).arg(*value));
    return *value;
}

} // namespace

TCalcOptions ParseCalcOptions(const QStringList& args, int chartKindCount) {
    TCalcOptions options;
    std::optional<int> chart;
    std::optional<TCalcFormat> format;
    bool list = false;
    bool help = false;
    bool version = false;
    std::optional<TCalcCommand> bench;

    for (qsizetype i = 0; i < args.size(); ++i) {
        QString option = args[i];
        std::optional<QString> inlineValue;
        if (option.startsWith(QStringLiteral("--")) && option.contains(QLatin1Char('='))) {
            inlineValue = option.mid(option.indexOf(QLatin1Char('=')) + 1);
            option = option.left(option.indexOf(QLatin1Char('=')));
        }
        const auto value = [&]() -> QString {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                Fail(QStringLiteral("%1 needs a value").arg(option));
            return args[++i];
        };
        const auto once = [&](bool given) {
            if (given)
                Fail(QStringLiteral("%1 is given twice").arg(option));
        };
        const auto noValue = [&]() {
            if (inlineValue)
                Fail(QStringLiteral("%1 takes no value").arg(option));
        };

        if (option == QStringLiteral("--help") || option == QStringLiteral("-h")) {
            noValue();
            help = true;
        } else if (option == QStringLiteral("--version")) {
            noValue();
            version = true;
        } else if (option == QStringLiteral("--games") || option == QStringLiteral("--systems")) {
            std::optional<QString>& file =
                option == QStringLiteral("--games") ? options.GamesFile : options.SystemsFile;
            once(file.has_value());
            file = value();
            if (file->isEmpty())
                Fail(QStringLiteral("%1 needs a file").arg(option));
        } else if (option == QStringLiteral("--list")) {
            noValue();
            list = true;
        } else if (option == QStringLiteral("--bench") || option == QStringLiteral("--bench-quick")) {
            noValue();
            once(bench.has_value());
            bench = option == QStringLiteral("--bench") ? TCalcCommand::Bench : TCalcCommand::BenchQuick;
        } else if (option == QStringLiteral("--dir")) {
            once(options.Dir.has_value());
            options.Dir = value();
            if (options.Dir->isEmpty())
                Fail(QStringLiteral("--dir needs a folder"));
        } else if (option == QStringLiteral("--chart")) {
            once(chart.has_value());
            chart = ParseNumber(option, value(), 0, chartKindCount - 1);
        } else if (option == QStringLiteral("--param0")) {
            once(options.Param0.has_value());
            options.Param0 = ParseNumber(option, value(), ParamMinimum, ParamMaximum);
        } else if (option == QStringLiteral("--param1")) {
            once(options.Param1.has_value());
            options.Param1 = ParseNumber(option, value(), ParamMinimum, ParamMaximum);
        } else if (option == QStringLiteral("--series")) {
            if (inlineValue || i + 2 >= args.size())
                Fail(QStringLiteral("--series needs a game and a system: --series GAME SYSTEM"));
            options.Series.emplace_back(args[i + 1], args[i + 2]);
            i += 2;
        } else if (option == QStringLiteral("--format")) {
            once(format.has_value());
            const QString name = value();
            if (name == QStringLiteral("text"))
                format = TCalcFormat::Text;
            else if (name == QStringLiteral("full"))
                format = TCalcFormat::Full;
            else if (name == QStringLiteral("html"))
                format = TCalcFormat::Html;
            else if (name == QStringLiteral("csv"))
                format = TCalcFormat::Csv;
            else if (name == QStringLiteral("json"))
                format = TCalcFormat::Json;
            else
                Fail(QStringLiteral("--format must be text, full, html, csv or json, not \"%1\"").arg(name));
        } else if (option == QStringLiteral("--memory-budget")) {
            once(options.MemoryBudget.has_value());
            options.MemoryBudget = ParseNumber(option, value(), MemoryBudgetMinimum, MemoryBudgetMaximum);
        } else if (option == QStringLiteral("--tolerance")) {
            once(options.Tolerance.has_value());
            const QString text = value();
            const std::optional<double> tolerance = ParseReal(text);
            if (!tolerance || !(*tolerance >= 0.0 && *tolerance <= ToleranceMaximum))
                Fail(QStringLiteral("--tolerance needs a probability within 0..1e-9 (0: follow every balance), not "
                                    "\"%1\"")
                         .arg(text));
            options.Tolerance = *tolerance;
        } else if (option == QStringLiteral("--summary")) {
            noValue();
            once(options.Summary);
            options.Summary = true;
        } else {
            Fail(QStringLiteral("unknown argument \"%1\" (see --help)").arg(args[i]));
        }
    }

    const bool calculation = chart || options.Param0 || options.Param1 || !options.Series.empty() || format ||
                             options.Summary || options.MemoryBudget || options.Tolerance;
    if (help) {
        options.Command = TCalcCommand::Help;
        return options;
    }
    if (version) {
        options.Command = TCalcCommand::Version;
        return options;
    }
    const bool dataGiven = options.Dir || options.GamesFile || options.SystemsFile;
    if (bench) {
        if (list || calculation || dataGiven)
            Fail(QStringLiteral("--bench and --bench-quick take no other arguments"));
        options.Command = *bench;
        return options;
    }
    if (list) {
        if (calculation)
            Fail(QStringLiteral("--list takes no other arguments than --dir, --games and --systems"));
        options.Command = TCalcCommand::List;
        return options;
    }
    if (!chart)
        Fail(QStringLiteral("--chart ID is needed (see --help)"));
    if (options.Series.empty())
        Fail(QStringLiteral("at least one --series GAME SYSTEM is needed"));
    if (options.Series.size() > 10)
        Fail(QStringLiteral("at most 10 series can be computed at once, not %1").arg(options.Series.size()));
    options.Command = TCalcCommand::Calculate;
    options.Chart = *chart;
    options.Format = format.value_or(TCalcFormat::Text);
    if (options.Summary && options.Format == TCalcFormat::Full)
        Fail(QStringLiteral("--summary prints text, html, csv or json; for every digit use csv or json"));
    return options;
}

QString CalcUsageText() {
    return QStringLiteral(
        "Usage:\n"
        "  wagerlens-calc [DATA] --chart ID [--param0 V] [--param1 V] --series GAME SYSTEM\n"
        "                 [--series GAME SYSTEM ...] [--summary] [--format text|full|html|csv|json]\n"
        "                 [--memory-budget MIB] [--tolerance P]\n"
        "  wagerlens-calc [DATA] --list\n"
        "  wagerlens-calc --bench | --bench-quick\n"
        "  wagerlens-calc --help | --version\n"
        "\n"
        "DATA is any of --dir FOLDER, --games FILE, --systems FILE.\n"
        "\n"
        "Computes one chart exactly, as the Wagerlens window does, and prints its table. Charts 9 and 10\n"
        "also print, on standard error, the smallest bankrolls for a risk of ruin of 1, 5 and 10 %.\n"
        "\n"
        "  --dir FOLDER       the folder of games.ini and bets.ini (default: the program's own data folder);\n"
        "                     they are only read\n"
        "  --games FILE       read the games from FILE instead of the folder's games.ini\n"
        "  --systems FILE     read the betting systems from FILE instead of the folder's bets.ini\n"
        "  --chart ID         the chart: 0 net results, 1 cumulative net results, 2 expected result,\n"
        "                     3 win probability, 4 loss probability, 5 win/loss rate, 6 risk of ruin,\n"
        "                     7 chance of success, 8 success/ruin rate, 9 risk of ruin by bankroll,\n"
        "                     10 chance of success by bankroll, 11 expected rounds until the session\n"
        "                     ends by bankroll, 12 expected net result at the end by bankroll\n"
        "  --param0 V         the bankroll (0..10000; default: the chart's own), for charts 9 and 10 the\n"
        "                     rounds (1..10000, default 1000; 0: until the session ends, with a target),\n"
        "                     for charts 11 and 12 the target bankroll (2..10000, default 200)\n"
        "  --param1 V         the rounds (charts 0, 1) or the target bankroll (charts 6..10; for 9 and 10\n"
        "                     0, the default, means none)\n"
        "  --series G S       a game and a betting system by name: exact first, then ignoring letter case;\n"
        "                     up to 10, drawn in the order given\n"
        "  --format F         text (default): the text export, tab-separated, six decimals; full: every\n"
        "                     computed value with 17 significant digits; html: the HTML data table, six\n"
        "                     decimals; csv: comma-separated (RFC 4180), 17 significant digits. Only full\n"
        "                     and csv are exact, to within the tolerance (--tolerance): text and html\n"
        "                     leave out probabilities too small to draw; json: an array with one object\n"
        "                     per series (caption, x, y), exact as full\n"
        "  --summary          the series' summary instead of the table: the game per unit bet, the net result\n"
        "                     after the chart's rounds, the system's bets and, for charts 6 to 8, the session\n"
        "                     until ruin or target; for charts 9 and 10 the game and the bankrolls for a risk\n"
        "                     of ruin of 1, 5 and 10 %; text aligned (six decimals), html, csv (one record\n"
        "                     per figure) or json (figures by name); probabilities in percent\n"
        "  --memory-budget M  the memory, in MiB, that the rows of all series together may take (64..1048576,\n"
        "                     default 1024); a series that would need more stops widening its balances, and\n"
        "                     the warning on standard error says where\n"
        "  --tolerance P      the smallest probability followed (0..1e-9, default 1e-15): the far tails of a\n"
        "                     series leave play while all that left stays below P over the whole run, so every\n"
        "                     value shown is exact to within P; 0 follows every balance until it underflows\n"
        "  --list             the games and the systems with their list positions\n"
        "  --bench            the engine benchmarks, then loading and saving 100,000 games and 100,000 systems;\n"
        "                     --bench-quick runs a tenth of the rounds and of the lists\n"
        "  --help             this text; --version the program's version\n"
        "\n"
        "Exit codes: 0 success, 1 a file or calculation failure, 2 bad arguments.\n");
}

QString CalcVersionText() {
    return QStringLiteral("wagerlens-calc " WL_VERSION_STRING "\n");
}

} // namespace wl
