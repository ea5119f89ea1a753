// What the main window marks on the chart: the limit line under it and the point markers on its lines.
#include "ui/main/fMain.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "presentation/Layout.h"

#include <QLabel>
#include <QListWidget>

namespace wl {

void TfmMain::ShowLimitWarning() {
    // Three names at most, so that the line does not take the chart's room; the tip names them all.
    const QString warning = FController->LimitWarning(3);
    lLimitWarning->setText(warning);
    // Red only where what lies beyond could show; a share far below a pixel is a note, not an alarm.
    lLimitWarning->setProperty("alarm", FController->LimitShare() >= TChartController::SeenLimitShare);
    lLimitWarning->setStyleSheet(lLimitWarning->property("alarm").toBool() ? QStringLiteral("color: #A00000;")
                                                                           : QString());
    lLimitWarning->setToolTip(FController->LimitWarning());
    lLimitWarning->setVisible(!warning.isEmpty());
    const QString answers = FController->BankrollAnswers().join(QLatin1Char('\n'));
    lBankrollAnswer->setText(answers);
    lBankrollAnswer->setVisible(!answers.isEmpty());
}

void TfmMain::UpdatePointMarkers() {
    if (lbSeries->count() == 0)
        return;
    const TAxisRange bottom = FChart->EffectiveRange(TAxisKind::Bottom);
    const TAxisRange left = FChart->EffectiveRange(TAxisKind::Left);
    long long total = 0;
    int withMarkers = 0;
    for (int i = 0; i < TChart::LineCount; ++i) {
        const TChartLine& line = FChart->Line(i);
        if (!line.Visible())
            continue;
        if (FFullCount) {
            total += line.Count();
        } else {
            for (const TChartPoint& p : line.Points()) {
                if (p.X >= bottom.Minimum && p.X <= bottom.Maximum && p.Y >= left.Minimum && p.Y <= left.Maximum)
                    ++total;
            }
        }
        if (line.PointersVisible())
            ++withMarkers;
    }
    FFullCount = false;
    const bool many = !PointMarkersShown(total, lbSeries->count());
    if (many ? withMarkers == 0 : withMarkers > 0)
        return;
    TChartUpdate batch(*FChart);
    for (int i = 0; i < TChart::LineCount; ++i) {
        TChartLine& line = FChart->Line(i);
        if (line.Visible())
            line.SetPointersVisible(!many);
    }
}

void TfmMain::MainChartZoom() {
    UpdatePointMarkers();
}

void TfmMain::MainChartUndoZoom() {
    FFullCount = true;
    UpdatePointMarkers();
}

} // namespace wl
