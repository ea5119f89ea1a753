// wagerlens-calc: drives the controller and the calculation thread as the window does, then prints the table.
#include "cli/CalcCommand.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "engine/EngineBenchmark.h"
#include "model/ListBenchmark.h"
#include "model/Storage.h"
#include "preferences/Preferences.h"
#include "presentation/DataExport.h"
#include "presentation/DataFolder.h"
#include "presentation/DataTable.h"
#include "presentation/SummaryExport.h"
#include "support/Exception.h"
#include "support/TextSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>

namespace wl {

namespace {

// One line for a reason that may quote user input.
QString OneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return text;
}

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

void PrintError(const TCalcStreams& streams, const QString& message) {
    Print(streams.Err, QStringLiteral("wagerlens-calc: ") + PlainLines(message) + QLatin1Char('\n'));
}

class TProgressBar {
public:
    explicit TProgressBar(FILE* stream) : FStream(stream) {}
    // A failure's message, printed after this, must not start in the middle of the bar.
    ~TProgressBar() { Clear(); }
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;
    void Show(int percent) {
        constexpr int Width = 40;
        const int filled = percent * Width / 100;
        Print(FStream, QStringLiteral("\r[") + QString(filled, QLatin1Char('#')) +
                           QString(Width - filled, QLatin1Char('.')) + QStringLiteral("] ") +
                           QString::number(percent).rightJustified(3) + QLatin1Char('%'));
        std::fflush(FStream);
        FShown = true;
    }
    void Clear() {
        if (!FShown)
            return;
        Print(FStream, QStringLiteral("\r") + QString(48, QLatin1Char(' ')) + QStringLiteral("\r"));
        std::fflush(FStream);
        FShown = false;
    }

private:
    FILE* FStream;
    bool FShown = false;
};

// The first game (or system) of the list named exactly so, else the first named so without regard to case.
template <typename TList> int FindByName(const TList& list, const QString& name) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i)->Name == name)
            return i;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Item(i)->Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

template <typename TList> QString KnownNames(const TList& list) {
    if (list.Count() == 0)
        return QStringLiteral("none");
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names.append(QLatin1Char('"') + list.Item(i)->Name + QLatin1Char('"'));
    return names.join(QStringLiteral(", "));
}

QString ResolveFolder(const TCalcOptions& options) {
    if (!options.Dir)
        return DataFolder();
    if (!QFileInfo(*options.Dir).isDir())
        throw EUsageError(QStringLiteral("--dir: \"%1\" is not a folder").arg(*options.Dir));
    return *options.Dir;
}

// --games and --systems: a private folder whose games.ini and bets.ini link to the files to read, so that the
// storage reads them exactly as it reads a data folder, and nothing of the user's is touched.
class TDataFiles {
public:
    explicit TDataFiles(const TCalcOptions& options) : FFolder(ResolveFolder(options)) {
        if (!options.GamesFile && !options.SystemsFile)
            return;
        FLinks.emplace();
        if (!FLinks->isValid())
            throw EFileError(QStringLiteral("Cannot create a temporary folder: %1").arg(FLinks->errorString()));
        Link(QStringLiteral("games.ini"), QStringLiteral("--games"), options.GamesFile);
        Link(QStringLiteral("bets.ini"), QStringLiteral("--systems"), options.SystemsFile);
        FFolder = FLinks->path();
    }
    const QString& Folder() const { return FFolder; }

private:
    void Link(const QString& name, const QString& option, const std::optional<QString>& given) {
        const QFileInfo source(given ? *given : QDir(FFolder).filePath(name));
        if (!given && !source.exists())
            return;
        if (!source.isFile() || !source.isReadable())
            throw EFileError(
                QStringLiteral("%1: cannot read \"%2\": %3")
                    .arg(option, QDir::toNativeSeparators(source.filePath()),
                         source.exists() ? QStringLiteral("not a readable file") : QStringLiteral("no such file")));
        if (!QFile::link(source.absoluteFilePath(), FLinks->filePath(name)))
            throw EFileError(QStringLiteral("Cannot link \"%1\" into a temporary folder")
                                 .arg(QDir::toNativeSeparators(source.absoluteFilePath())));
    }

    QString FFolder;
    std::optional<QTemporaryDir> FLinks;
};

// The companion only reads games.ini and bets.ini, whatever the lists think of themselves.
class TReadOnlyStorage {
public:
    explicit TReadOnlyStorage(TChartController& controller) : FController(controller) {}
    ~TReadOnlyStorage() {
        FController.Storage().Games->Modified = false;
        FController.Storage().Systems->Modified = false;
    }
    TReadOnlyStorage(const TReadOnlyStorage&) = delete;
    TReadOnlyStorage& operator=(const TReadOnlyStorage&) = delete;

private:
    TChartController& FController;
};

int List(TChartController& controller, const TCalcStreams& streams) {
    TStorage& storage = controller.Storage();
    QString text;
    for (int i = 0; i < storage.Games->Count(); ++i)
        text += QStringLiteral("game %1: %2\n").arg(i).arg(OneLine(storage.Games->Item(i)->Name));
    for (int i = 0; i < storage.Systems->Count(); ++i)
        text += QStringLiteral("system %1: %2\n").arg(i).arg(OneLine(storage.Systems->Item(i)->Name));
    Print(streams.Out, text);
    return ExitSuccess;
}

void Compute(TChartController& controller, TChart& chart, TProgressBar& bar, const TCalcOptions& options,
             const TCalcStreams& streams) {
    TStorage& storage = controller.Storage();
    std::vector<std::pair<int, int>> series;
    for (const auto& [gameName, systemName] : options.Series) {
        const int game = FindByName(*storage.Games, gameName);
        if (game < 0)
            throw EUsageError(QStringLiteral("unknown game \"%1\"; known games: %2")
                                  .arg(OneLine(gameName), OneLine(KnownNames(*storage.Games))));
        const int system = FindByName(*storage.Systems, systemName);
        if (system < 0)
            throw EUsageError(QStringLiteral("unknown system \"%1\"; known systems: %2")
                                  .arg(OneLine(systemName), OneLine(KnownNames(*storage.Systems))));
        series.emplace_back(game, system);
    }

    controller.SetChart(&chart);
    // Said once per game or system, however many series use it.
    controller.SetOnWarning([&streams, said = std::make_shared<QStringList>()](const QString& text) {
        for (const QString& line : PlainLines(text).split(QLatin1Char('\n')))
            if (!said->contains(line)) {
                said->append(line);
                Print(streams.Err, QStringLiteral("wagerlens-calc: warning: ") + line + QLatin1Char('\n'));
            }
    });
    if (streams.ShowProgress)
        controller.SetOnProgress([&bar](int value) {
            if (value >= 0 && value <= 100)
                bar.Show(value);
        });

    controller.SelectChartKind(options.Chart);
    TChartDescription& kind = controller.CurrentKind();
    if (options.Param0)
        kind.SetParam(0, *options.Param0);
    if (options.Param1) {
        if (kind.ParamCount() < 2)
            throw EUsageError(
                QStringLiteral("chart %1 has no second parameter; leave out --param1").arg(options.Chart));
        kind.SetParam(1, *options.Param1);
    }
    for (int i = 0; i < kind.ParamCount(); ++i)
        if (const QString problem = kind.ParamProblem(i, kind.GetParam(i)); !problem.isEmpty())
            throw EUsageError(problem);
    for (const auto& [game, system] : series)
        if (!controller.AddSeries(*storage.Games->Item(game), *storage.Systems->Item(system)))
            throw Exception("No free chart line for another series");

    controller.SetMemoryBudget(int64_t{options.MemoryBudget.value_or(MemoryBudgetDefault)} << 20);
    controller.SetTolerance(options.Tolerance.value_or(ToleranceDefault));
    controller.SetSummaryWanted(options.Summary);
    controller.SetActive(true);
    controller.WaitForCalculation();
    bar.Clear();
    if (controller.LastThreadError())
        throw Exception(*controller.LastThreadError());
}

void PrintSummary(TChartController& controller, const TCalcOptions& options, const TCalcStreams& streams) {
    TSummarySource source = SummarySourceOf(controller, nullptr);
    if (!source.Warning.isEmpty())
        Print(streams.Err, source.Warning + QLatin1Char('\n'));
    source.Warning.clear();
    QStringList lines;
    switch (options.Format) {
    case TCalcFormat::Json:
        Print(streams.Out, QString::fromUtf8(SummaryJson(source)));
        return;
    case TCalcFormat::Csv:
        BuildSummaryCsv(lines, source);
        Print(streams.Out, LinesToText(lines));
        return;
    case TCalcFormat::Html:
        BuildSummaryHtml(lines, source, QLatin1Char('.'));
        break;
    case TCalcFormat::Text:
    case TCalcFormat::Full:
        BuildSummaryText(lines, source, QLatin1Char('.'));
        break;
    }
    Print(streams.Out, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void PrintTable(TChartController& controller, const TCalcOptions& options, const TCalcStreams& streams) {
    if (options.Summary) {
        PrintSummary(controller, options, streams);
        return;
    }
    TDataTable table;
    CaptureChartData(table, controller);
    TDataSource source = DataSourceOf(controller, table);
    // Standard output stays a table that programs can read; the answers and the warning are for the person running
    // the command.
    for (const QString& answer : source.Answers)
        Print(streams.Err, answer + QLatin1Char('\n'));
    source.Answers.clear();
    if (!source.Warning.isEmpty())
        Print(streams.Err, source.Warning + QLatin1Char('\n'));
    source.Warning.clear();
    QStringList lines;
    switch (options.Format) {
    case TCalcFormat::Text:
        BuildDataText(lines, source, QLatin1Char('.'));
        break;
    case TCalcFormat::Full:
        BuildDataFullText(lines, source);
        break;
    case TCalcFormat::Html:
        BuildDataHtmlTable(lines, source, QLatin1Char('.'));
        break;
    case TCalcFormat::Csv:
        BuildDataCsv(lines, source);
        // RFC 4180 ends every record with CR LF.
        Print(streams.Out, LinesToText(lines));
        return;
    case TCalcFormat::Json:
        Print(streams.Out, QString::fromUtf8(DataJson(source)));
        return;
    }
    Print(streams.Out, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// Lets the benchmarks print each line as it is ready, through the same stream as everything else.
class TFileStreamBuf : public std::streambuf {
public:
    explicit TFileStreamBuf(FILE* file) : FFile(file) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        return std::fputc(c, FFile) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), FFile));
    }
    int sync() override { return std::fflush(FFile) == 0 ? 0 : -1; }

private:
    FILE* FFile;
};

int Bench(bool quick, const TCalcStreams& streams) {
    TFileStreamBuf buffer(streams.Out);
    std::ostream out(&buffer);
    int code = RunEngineBenchmarks(quick, out);
    out.flush();
    code = std::max(code, RunExampleBenchmark(quick, out));
    out.flush();
    code = std::max(code, RunPlannerBenchmark(quick, out));
    out.flush();
    if (code != 0)
        PrintError(streams, QStringLiteral("the fast kernel disagrees with the reference"));
    const int listCode = RunListBenchmark(quick ? 10000 : 100000, out);
    out.flush();
    if (listCode != 0)
        PrintError(streams, QStringLiteral("the generated lists did not load back whole"));
    return code == 0 && listCode == 0 ? ExitSuccess : ExitFailure;
}

} // namespace

int RunCalcCommand(const TCalcOptions& options, const TCalcStreams& streams) {
    switch (options.Command) {
    case TCalcCommand::Help:
        Print(streams.Out, CalcUsageText());
        return ExitSuccess;
    case TCalcCommand::Version:
        Print(streams.Out, CalcVersionText());
        return ExitSuccess;
    case TCalcCommand::Bench:
        return Bench(false, streams);
    case TCalcCommand::BenchQuick:
        return Bench(true, streams);
    case TCalcCommand::List:
    case TCalcCommand::Calculate:
        break;
    }

    if (options.Command == TCalcCommand::List) {
        const TDataFiles files(options);
        TChartController controller(files.Folder());
        TReadOnlyStorage readOnly(controller);
        return List(controller, streams);
    }
    RunCalculation(options, streams, nullptr,
                   [&](TChartController& controller, TChart&) { PrintTable(controller, options, streams); });
    return ExitSuccess;
}

void RunCalculation(const TCalcOptions& options, const TCalcStreams& streams, const ITextSource* texts,
                    const std::function<void(TChartController&, TChart&)>& use) {
    const TDataFiles files(options);
    // Both outlive the controller, which may draw and report progress until it is destroyed.
    TChart chart;
    TProgressBar bar(streams.Err);
    TChartController controller(files.Folder(), texts);
    TReadOnlyStorage readOnly(controller);
    Compute(controller, chart, bar, options, streams);
    use(controller, chart);
}

int RunCalcProgram(const QStringList& args, const TCalcStreams& streams) {
    int code = ExitFailure;
    try {
        code = RunCalcCommand(ParseCalcOptions(args, ChartKindCount), streams);
    } catch (const EUsageError& e) {
        Print(streams.Err, QStringLiteral("wagerlens-calc: ") + OneLine(e.Message()) + QLatin1Char('\n'));
        return ExitUsage;
    } catch (const Exception& e) {
        PrintError(streams, e.Message());
        return ExitFailure;
    } catch (const std::exception& e) {
        PrintError(streams, QString::fromLocal8Bit(e.what()));
        return ExitFailure;
    } catch (...) {
        PrintError(streams, QStringLiteral("unknown failure"));
        return ExitFailure;
    }
    // A table that could not be written completely is a failure, not a success.
    if (std::fflush(streams.Out) != 0 || std::ferror(streams.Out)) {
        PrintError(streams, QStringLiteral("could not write the output"));
        return ExitFailure;
    }
    return code;
}

} // namespace wl
