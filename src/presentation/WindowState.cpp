// Reading and writing the main window's saved state.
#include "presentation/WindowState.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "model/Storage.h"
#include "support/IniStore.h"
#include "support/Numbers.h"

#include <algorithm>
#include <vector>

namespace wl {

namespace {

const QString ChartSection = QStringLiteral("CHART");
const QString SeriesSection = QStringLiteral("Series");

QString Numbered(const char* prefix, int i) {
    return QLatin1String(prefix) + FormatInteger(i);
}

// The i below count for which a "Game<i>" key exists, ascending. Any other i has no game and would be skipped, so
// this reads the same series as counting from 0 to count - 1, without a loop over a hand-edited huge count.
std::vector<int> StoredSeriesIndexes(const TIniStore& store, int count) {
    std::vector<int> indexes;
    const QString prefix = QStringLiteral("Game");
    for (const QString& key : store.Keys(SeriesSection)) {
        if (!key.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString digits = key.mid(prefix.size());
        const std::optional<int32_t> i = ParseInteger(digits);
        if (i && FormatInteger(*i) == digits && *i >= 0 && *i < count)
            indexes.push_back(*i);
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

} // namespace

QString PlacementSectionName(int logicalDpi, int screenHeight) {
    return QStringLiteral("Placement") + FormatInteger(logicalDpi) + FormatInteger(screenHeight);
}

void SaveWindowState(TIniStore& store, TChartController& controller, int viewMode, const TWindowPlacement& placement,
                     const QString& placementSection) {
    const TChartDescription& kind = controller.CurrentKind();
    store.WriteInteger(ChartSection, QStringLiteral("ChartID"), controller.ChartIndex());
    for (int i = 0; i < kind.ParamCount(); ++i)
        store.WriteInteger(ChartSection, Numbered("Param", i), kind.GetParam(i));
    store.WriteInteger(ChartSection, QStringLiteral("Mode"), std::clamp(viewMode, 0, 2));

    TStorage& storage = controller.Storage();
    store.WriteInteger(SeriesSection, QStringLiteral("Count"), controller.SeriesCount());
    for (int i = 0; i < controller.SeriesCount(); ++i) {
        const TGameCalculator& calculator = controller.GetCalculator(i);
        store.WriteInteger(SeriesSection, Numbered("Game", i), storage.Games->IndexOf(calculator.Game));
        store.WriteInteger(SeriesSection, Numbered("Bet", i), storage.Systems->IndexOf(calculator.BetSystem));
    }

    store.WriteInteger(placementSection, QStringLiteral("Top"), placement.Top);
    store.WriteInteger(placementSection, QStringLiteral("Left"), placement.Left);
    store.WriteInteger(placementSection, QStringLiteral("Width"), placement.Width);
    store.WriteInteger(placementSection, QStringLiteral("Height"), placement.Height);
    store.WriteInteger(placementSection, QStringLiteral("OptionsWidth"), placement.OptionsWidth);
}

TLoadedWindowState LoadWindowState(const TIniStore& store, TChartController& controller,
                                   const TWindowPlacement& currentPlacement, const QString& placementSection) {
    const int chartId = store.ReadInteger(ChartSection, QStringLiteral("ChartID"), 0);
    if (chartId >= 0 && chartId < controller.ChartKindCount())
        controller.SelectChartKind(chartId);

    TChartDescription& kind = controller.CurrentKind();
    const int defaults[2] = {kind.GetParam(0), kind.GetParam(1)};
    for (int i = 0; i < kind.ParamCount(); ++i) {
        const int value = store.ReadInteger(ChartSection, Numbered("Param", i), kind.GetParam(i));
        kind.SetParam(i, std::clamp(value, ParamMinimum, ParamMaximum));
    }
    // A pair the window refuses (a target below the bankroll, from an older store): the kind's own values.
    for (int i = 0; i < kind.ParamCount(); ++i) {
        if (!kind.ParamProblem(i, kind.GetParam(i)).isEmpty()) {
            for (int j = 0; j < kind.ParamCount(); ++j)
                kind.SetParam(j, defaults[j]);
            break;
        }
    }

    TLoadedWindowState loaded;
    const int mode = store.ReadInteger(ChartSection, QStringLiteral("Mode"), 0);
    // Older files know only 0 and 1; anything else but the summary's 2 shows the table, as it always did.
    loaded.SummaryView = mode == 2;
    loaded.DataView = mode != 0 && mode != 2;

    TStorage& storage = controller.Storage();
    const int count = store.ReadInteger(SeriesSection, QStringLiteral("Count"), 0);
    for (int i : StoredSeriesIndexes(store, count)) {
        if (controller.SeriesCount() >= TChart::LineCount)
            break;
        const int game = store.ReadInteger(SeriesSection, Numbered("Game", i), -1);
        const int system = store.ReadInteger(SeriesSection, Numbered("Bet", i), -1);
        if (game >= 0 && game < storage.Games->Count() && system >= 0 && system < storage.Systems->Count())
            controller.AddSeries(*storage.Games->Item(game), *storage.Systems->Item(system));
    }

    if (store.SectionExists(placementSection)) {
        TWindowPlacement p;
        p.Top = store.ReadInteger(placementSection, QStringLiteral("Top"), currentPlacement.Top);
        p.Left = store.ReadInteger(placementSection, QStringLiteral("Left"), currentPlacement.Left);
        p.Width = store.ReadInteger(placementSection, QStringLiteral("Width"), currentPlacement.Width);
        p.Height = store.ReadInteger(placementSection, QStringLiteral("Height"), currentPlacement.Height);
        p.OptionsWidth =
            store.ReadInteger(placementSection, QStringLiteral("OptionsWidth"), currentPlacement.OptionsWidth);
        loaded.Placement = p;
    }
    return loaded;
}

QString LastExportFolder(const TIniStore& store) {
    return store.ReadString(QStringLiteral("Export"), QStringLiteral("Folder"));
}

void SetLastExportFolder(TIniStore& store, const QString& folder) {
    store.WriteString(QStringLiteral("Export"), QStringLiteral("Folder"), folder);
}

} // namespace wl
