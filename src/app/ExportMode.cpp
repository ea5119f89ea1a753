// The window program's shell mode: the companion's arguments, a file name and a size, and the window's writers.
#include "app/ExportMode.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "cli/CalcCommand.h"
#include "cli/CalcOptions.h"
#include "preferences/Preferences.h"
#include "presentation/DataFolder.h"
#include "presentation/DataTable.h"
#include "presentation/Layout.h"
#include "support/Exception.h"
#include "ui/main/ChartExport.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>
#include <utility>

#include <cstdio>

namespace wl {

namespace {

void PrintError(const QString& message) {
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray bytes = (QStringLiteral("wagerlens: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

QString Usage() {
    return QStringLiteral(
               "Usage: wagerlens [Qt's options]\n"
               "       wagerlens --help | --version\n"
               "       wagerlens --export FILE [--size WIDTHxHEIGHT] [--dir FOLDER] --chart ID [--param0 V]\n"
               "                 [--param1 V] --series GAME SYSTEM [--series GAME SYSTEM ...]\n"
               "Without arguments it opens the window. --export opens none: it computes the chart as wagerlens-calc\n"
               "does (see its --help for the arguments) and saves it as the window's Save does; the extension picks\n"
               "the type (%1). The picture is %2 x %3 pixels unless --size says otherwise.\n")
        .arg(WritableExtensions())
        .arg(DefaultExportSize.width())
        .arg(DefaultExportSize.height());
}

QSize ParseSize(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    const QSize size = match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
    if (size.width() < 16 || size.height() < 16 || size.width() > 8000 || size.height() > 8000)
        throw EUsageError(
            QStringLiteral("--size needs WIDTHxHEIGHT in pixels, each within 16..8000, not \"%1\"").arg(text));
    return size;
}

} // namespace

QString InformationText(const QStringList& args) {
    if (args.size() != 1)
        return {};
    if (args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h"))
        return Usage();
    if (args.first() == QStringLiteral("--version"))
        return QStringLiteral("wagerlens " WL_VERSION_STRING "\n");
    return {};
}

QString UsageText() {
    return Usage();
}

QString UnknownOption(const QStringList& args) {
    // Qt's own options and how many values each takes (QGuiApplication and its xcb plugin).
    static const std::pair<const char*, int> qtOptions[] = {
        {"-platform", 1},
        {"-platformpluginpath", 1},
        {"-platformtheme", 1},
        {"-plugin", 1},
        {"-qwindowgeometry", 1},
        {"-qwindowicon", 1},
        {"-qwindowtitle", 1},
        {"-reverse", 0},
        {"-session", 1},
        {"-style", 1},
        {"-stylesheet", 1},
        {"-widgetcount", 0},
        {"-display", 1},
        {"-geometry", 1},
        {"-title", 1},
        {"-name", 1},
        {"-visual", 1},
        {"-ncols", 1},
        {"-cmap", 0},
        {"-nograb", 0},
        {"-dograb", 0},
        {"-sync", 0},
        {"-qdevicepixelratio", 1},
        {"-testability", 0},
        {"-fontengine", 1},
        {"-qmljsdebugger", 1},
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        // Qt takes "--style" as "-style", and "-style=x" as one argument.
        if (arg.startsWith(QStringLiteral("--")))
            arg.remove(0, 1);
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        const auto* known = std::find_if(std::begin(qtOptions), std::end(qtOptions),
                                         [&](const auto& o) { return name == QLatin1String(o.first); });
        if (known == std::end(qtOptions))
            return args[i];
        if (!arg.contains(QLatin1Char('=')))
            i += known->second;
    }
    return {};
}

bool IsExportCommand(const QStringList& args) {
    return !args.isEmpty() &&
           (args.first() == QStringLiteral("--export") || args.first().startsWith(QStringLiteral("--export=")));
}

int RunExportCommand(const QStringList& args) {
    try {
        QString file;
        QSize size = DefaultExportSize;
        QStringList calcArgs;
        bool sized = false;
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString& arg = args[i];
            const auto value = [&](const QString& option) {
                if (arg.startsWith(option + QLatin1Char('=')))
                    return arg.mid(option.size() + 1);
                if (i + 1 >= args.size())
                    throw EUsageError(QStringLiteral("%1 needs a value").arg(option));
                return args[++i];
            };
            if (arg == QStringLiteral("--export") || arg.startsWith(QStringLiteral("--export="))) {
                if (!file.isEmpty())
                    throw EUsageError(QStringLiteral("--export is given twice"));
                file = value(QStringLiteral("--export"));
                if (file.isEmpty())
                    throw EUsageError(QStringLiteral("--export needs a file name"));
            } else if (arg == QStringLiteral("--size") || arg.startsWith(QStringLiteral("--size="))) {
                if (sized)
                    throw EUsageError(QStringLiteral("--size is given twice"));
                size = ParseSize(value(QStringLiteral("--size")));
                sized = true;
            } else if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
                std::fputs(Usage().toUtf8().constData(), stdout);
                return 0;
            } else {
                calcArgs.append(arg);
            }
        }
        TCalcOptions options = ParseCalcOptions(calcArgs, ChartKindCount);
        if (options.Command != TCalcCommand::Calculate)
            throw EUsageError(QStringLiteral("--export takes only the calculation's arguments (see --help)"));
        if (options.Format != TCalcFormat::Text)
            throw EUsageError(QStringLiteral("--format does not apply: the file's extension picks its type"));
        if (ExportKindOf(file) == TExportKind::None)
            throw EUsageError(QStringLiteral("\"%1\" does not end in a type that can be written: %2")
                                  .arg(file, WritableExtensions()));

        // The window's language and texts, wherever this copy is installed; read only.
        SetPreferencesSetup(ReadPreferencesSetup(CurrentDataLayout()));
        TPreferences& texts = GetPreferences();
        if (!options.MemoryBudget)
            options.MemoryBudget = texts.MemoryBudget();
        TCalcStreams streams;
        RunCalculation(options, streams, &texts, [&](TChartController& controller, TChart& chart) {
            // The markers as the window shows them after a calculation.
            long long points = 0;
            for (int i = 0; i < TChart::LineCount; ++i)
                if (chart.Line(i).Visible())
                    points += chart.Line(i).Count();
            const bool markers = PointMarkersShown(points, controller.SeriesCount());
            for (int i = 0; i < TChart::LineCount; ++i)
                chart.Line(i).SetPointersVisible(markers);
            TDataTable table;
            CaptureChartData(table, controller);
            TExportRequest request;
            request.Chart = &chart;
            request.PictureSize = size;
            request.Data = DataSourceOf(controller, table);
            request.ChartName = controller.GetChartKindName(controller.ChartIndex());
            request.DecimalSymbol = SystemDecimalSymbol();
            ExportToFile(file, request);
        });
        return 0;
    } catch (const EUsageError& e) {
        PrintError(e.Message());
        return 2;
    } catch (const Exception& e) {
        PrintError(e.Message());
        return 1;
    } catch (const std::exception& e) {
        PrintError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
}

} // namespace wl
