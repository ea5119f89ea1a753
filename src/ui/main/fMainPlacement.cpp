// The main window's placement: the two panels and the splitter between them, the series buttons, the saved size
// and position, and how they follow a resize.
#include "ui/main/fMain.h"

#include "charts/ChartController.h"
#include "preferences/Preferences.h"
#include "presentation/Layout.h"
#include "presentation/WindowState.h"
#include "ui/chart/ChartView.h"
#include "ui/main/fMainParts.h"
#include "ui/widgets/Guard.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace wl {

bool TfmMain::Splitter1CanResize(int newLeftWidth) const {
    return newLeftWidth >= MinMainPanelWidth && width() - newLeftWidth - SplitterWidth >= MinOptionsWidth;
}

void TfmMain::SetMainPanelWidth(int width) {
    FLeftWidth = std::max(MinMainPanelWidth, width);
    if (this->width() > 0)
        FLeftShare = static_cast<double>(FLeftWidth) / this->width();
    PlacePanels();
}

int TfmMain::ScaledLeftWidth(int formWidth) const {
    return std::max(MinMainPanelWidth, static_cast<int>(std::lround(FLeftShare * formWidth)));
}

// --- state ---

QString TfmMain::PlacementSection() const {
    const QScreen* s = screen();
    if (s == nullptr)
        s = QGuiApplication::primaryScreen();
    const int dpi = s != nullptr ? static_cast<int>(std::lround(s->logicalDotsPerInch())) : 96;
    const int height = s != nullptr ? s->geometry().height() : 0;
    return PlacementSectionName(dpi, height);
}

void TfmMain::LoadState() {
    const TWindowPlacement current{y(), x(), width(), height(), width() - FLeftWidth - SplitterWidth};
    const TLoadedWindowState loaded =
        LoadWindowState(GetPreferences().Store(), *FController, current, PlacementSection());
    if (loaded.DataView)
        ShowDataView();
    else if (loaded.SummaryView)
        ShowSummaryView();
    else
        ShowChartView();
    UpdateParamControls();
    if (loaded.Placement) {
        const TWindowPlacement& p = *loaded.Placement;
        const QScreen* s = QGuiApplication::screenAt(QPoint(p.Left, p.Top));
        if (s == nullptr)
            s = QGuiApplication::primaryScreen();
        TLayoutRect placed{p.Left, p.Top, p.Width, p.Height};
        if (s != nullptr) {
            const QRect a = s->availableGeometry();
            placed = ClampPlacement(placed, {a.x(), a.y(), a.width(), a.height()}, minimumWidth(), minimumHeight());
        } else {
            placed.Width = std::max(placed.Width, minimumWidth());
            placed.Height = std::max(placed.Height, minimumHeight());
        }
        move(placed.Left, placed.Top);
        resize(placed.Width, placed.Height);
        // The resize rule, applied now: a hidden window sees its resize event only when shown.
        FLeftWidth = ScaledLeftWidth(width());
        FFormWidth = width();
        const int left = width() - SplitterWidth - p.OptionsWidth;
        if (Splitter1CanResize(left))
            SetMainPanelWidth(left);
    }
}

void TfmMain::SaveState() {
    if (FStateSaved)
        return;
    const TWindowPlacement placement{y(), x(), width(), height(), OptionsPanel->width()};
    SaveWindowState(GetPreferences().Store(), *FController,
                    SummaryShown()          ? 2
                    : MainChart->isHidden() ? 1
                                            : 0,
                    placement, PlacementSection());
    FStateSaved = true;
}

void TfmMain::PlacePanels() {
    const int w = width();
    const int h = height();
    // The right panel keeps its minimum too, as far as the left one's allows.
    FLeftWidth = std::max(MinMainPanelWidth, std::min(FLeftWidth, w - SplitterWidth - MinOptionsWidth));
    MainPanel->setGeometry(0, 0, FLeftWidth, h);
    Splitter1->setGeometry(FLeftWidth, 0, SplitterWidth, h);
    OptionsPanel->setGeometry(FLeftWidth + SplitterWidth, 0, std::max(0, w - FLeftWidth - SplitterWidth), h);
}

void TfmMain::resizeEvent(QResizeEvent* e) {
    // Not the event's old size: a hidden window gets one resize event for many resizes.
    Guarded(this, [&] {
        const int oldWidth = FFormWidth;
        const int newWidth = e->size().width();
        FFormWidth = newWidth;
        // From the share the user chose, not from the current width: the minimum clamps on the way down would
        // otherwise shift the panels for good.
        if (oldWidth > 0 && newWidth != oldWidth)
            FLeftWidth = ScaledLeftWidth(newWidth);
        PlacePanels();
    });
    QWidget::resizeEvent(e);
}

void TfmMain::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Guarded(this, [this] {
        if (FFirstShow) {
            FFirstShow = false;
            if (const QScreen* s = screen())
                move(s->availableGeometry().center() - rect().center());
        }
        LayoutSeriesButtons();
        UpdateSeriesButtons();
        LayoutViews();
    });
    // Without a window manager a window may never be activated; the first show counts as the first activation.
    QTimer::singleShot(0, this, [self = QPointer<TfmMain>(this)] {
        if (self)
            Guarded(self, [&self] { self->FormActivate(); });
    });
}

void TfmMain::FitOptionsToTexts() {
    // The three buttons share the right panel: a language with longer texts widens the window rather than cut them.
    int widest = 0;
    for (QPushButton* b : {btnAdd, btnDel, btnClear})
        widest = std::max(widest, b->fontMetrics().horizontalAdvance(b->text()));
    int needed = 3 * (widest + 14) + 18; // padding in each button, the panel's border and margins
    // The chart list shows its names whole, beside a scroll bar should it need one.
    int longest = 0;
    for (int i = 0; i < lbCharts->count(); ++i)
        longest =
            std::max(longest, QFontMetrics(lbCharts->item(i)->font()).horizontalAdvance(lbCharts->item(i)->text()));
    const int scrollBar = lbCharts->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lbCharts);
    needed = std::max(needed, longest + 2 * lbCharts->frameWidth() + scrollBar + 2 * 5 + 12);
    if (width() - FLeftWidth - SplitterWidth >= needed)
        return;
    int w = FLeftWidth + SplitterWidth + needed;
    int left = FLeftWidth;
    // A screen too narrow for both takes room from the chart first, down to its least width.
    if (const QScreen* s = screen(); s && w > s->availableGeometry().width()) {
        w = s->availableGeometry().width();
        left = std::max(MinMainPanelWidth, std::min(FLeftWidth, w - SplitterWidth - needed));
    }
    FLeftShare = static_cast<double>(left) / w;
    resize(w, height());
}

void TfmMain::LayoutSeriesButtons() {
    const TSeriesButtonsLayout l =
        wl::LayoutSeriesButtons(SeriesControlPanel->width(), SeriesControlPanel->height(), 3);
    const auto place = [](QPushButton* b, const TLayoutRect& r) { b->setGeometry(r.Left, r.Top, r.Width, r.Height); };
    place(btnAdd, l.Add);
    place(btnDel, l.Delete);
    place(btnClear, l.Clear);
}

} // namespace wl
