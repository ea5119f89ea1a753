// The saved window state on any bytes, applied to a controller over three games and two systems: what it loads
// stays in range, and saving it and loading that again gives the same window.
#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "presentation/WindowState.h"
#include "support/IniStore.h"

#include "FuzzSupport.h"

#include <QDir>

#include <memory>

using namespace wl;

namespace {

const QString Placement = QStringLiteral("Placement96768");
const TWindowPlacement Current{10, 20, 696, 497, 200};

QString DataFolder() {
    const QString folder = fuzz::ScratchPath(QStringLiteral("window"));
    if (!QDir(folder).exists()) {
        QDir().mkpath(folder);
        fuzz::WriteFile(folder + QStringLiteral("/games.ini"),
                        "[Coin]\r\nCount=2\r\nResult0=1\r\nProbability0=0.5\r\nResult1=-1\r\nProbability1=0.5\r\n\r\n"
                        "[Dice]\r\nCount=2\r\nResult0=5\r\nProbability0=0.1\r\nResult1=-1\r\nProbability1=0.9\r\n\r\n"
                        "[Wheel]\r\nCount=1\r\nResult0=0\r\nProbability0=1\r\n\r\n");
        fuzz::WriteFile(folder + QStringLiteral("/bets.ini"),
                        "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n"
                        "[Double]\r\nCount=2\r\nBet0=1\r\nWin0=0\r\nLoss0=1\r\nBet1=2\r\nWin1=0\r\nLoss1=0\r\n\r\n");
    }
    return folder;
}

struct TWindow {
    TChart Chart;
    std::unique_ptr<TChartController> Controller;
    TLoadedWindowState Loaded;

    TWindow(const TIniStore& store) : Controller(std::make_unique<TChartController>(DataFolder())) {
        Controller->SetChart(&Chart);
        Loaded = LoadWindowState(store, *Controller, Current, Placement);
    }

    QStringList Describe() const {
        QStringList parts{QString::number(Controller->ChartIndex())};
        for (int i = 0; i < Controller->CurrentKind().ParamCount(); ++i)
            parts.append(QString::number(Controller->CurrentKind().GetParam(i)));
        for (int i = 0; i < Controller->SeriesCount(); ++i)
            parts.append(Controller->GetSeriesCaption(i));
        return parts;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TIniStore store;
    store.LoadFromBytes(fuzz::Bytes(data, size));
    const TWindow first(store);
    if (first.Controller->SeriesCount() > TChart::LineCount)
        fuzz::Fail("more series than lines");
    for (int i = 0; i < first.Controller->CurrentKind().ParamCount(); ++i) {
        const int value = first.Controller->CurrentKind().GetParam(i);
        if (value < ParamMinimum || value > ParamMaximum)
            fuzz::Fail("a loaded parameter lies outside the fields' range");
    }

    TIniStore saved;
    SaveWindowState(saved, *first.Controller, first.Loaded.DataView, first.Loaded.Placement.value_or(Current),
                    Placement);
    TIniStore reread;
    reread.LoadFromBytes(saved.ToBytes());
    const TWindow second(reread);
    if (second.Describe() != first.Describe() || second.Loaded.DataView != first.Loaded.DataView ||
        second.Loaded.Placement != first.Loaded.Placement.value_or(Current))
        fuzz::Fail("a saved window loads back different");
    return 0;
}
