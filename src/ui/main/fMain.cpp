// The main window: its construction, the lists and their handlers, the views, progress, language and events.
#include "ui/main/fMain.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/ChartDialogs.h"
#include "engine/GameCalculator.h"
#include "preferences/Preferences.h"
#include "presentation/Layout.h"
#include "support/TextSource.h"
#include "ui/chart/ChartView.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/dialogs/fException.h"
#include "ui/main/DataGrid.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/fMainParts.h"
#include "ui/main/fPreferences.h"
#include "ui/widgets/GradientLabel.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace wl {

using namespace mainparts;

TfmMain::TfmMain(const QString& dataFolder, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fmMain"));
    TPreferences& prefs = GetPreferences();
    if (prefs.FontName() == QStringLiteral("MS Shell Dlg"))
        prefs.SetFontName(ChooseFontName());
    SetInterfaceFontName(prefs.FontName());

    // 1. The help handler for the whole application.
    FHelpHandler = new THelpHandler(this);
    // 2. Titles and help contexts.
    SetApplicationTitle(ProductTitle);
    CreateControls();
    SetHelpContext(this, MainWindowHelpContext);
    SetHelpContext(lbCharts, ChartListHelpContext);
    SetHelpContext(SummaryGrid, SummaryHelpContext);
    // 3. Number formatting and parsing never follow the user's locale.
    QLocale::setDefault(QLocale::c());
    // 4. The progress timer.
    FProgressTimer = new QTimer(this);
    FProgressTimer->setInterval(1000);
    connect(FProgressTimer, &QTimer::timeout, this, GuardedSlot(this, &TfmMain::OnProgressTimer));
    // 5. The controller and its chart.
    FDataTable = std::make_unique<TDataTable>();
    FChart = std::make_unique<TChart>();
    FController = std::make_unique<TChartController>(dataFolder, &prefs);
    static_assert(TChartController::DefaultMemoryBudget == int64_t{MemoryBudgetDefault} << 20);
    FController->SetMemoryBudget(prefs.MemoryBudgetBytes());
    FController->SetTolerance(prefs.Tolerance());
    FController->SetOnProgress([this](int v) { OnCalcProgress(v); });
    FController->SetOnSummary([this](int) { FillSummaryGrid(); });
    FController->SetOnThreadError([](const Exception& e) { ShowThreadErrorReport(e); });
    FController->SetOnWarning([](const QString& text) { ShowThreadErrorReport(EUserError(text)); });
    TSynchronizer* sync = &FController->Synchronizer();
    sync->SetWakeUp([this, sync] {
        // Worker thread: the call is served on the interface thread's event loop.
        QMetaObject::invokeMethod(
            this, [this, sync] { Guarded(this, [sync] { sync->CheckSynchronize(); }); }, Qt::QueuedConnection);
    });
    FController->SetChart(FChart.get());
    MainChart->SetModel(FChart.get());
    // 6. Texts.
    ApplyLanguage();
    // 7. The play link only with an address.
    lPlay->setVisible(!prefs.PlayNowAddress().isEmpty());
    // 8. The saved state.
    LoadState();
    // 9. Lists and menu.
    RefreshSeriesList();
    FillChartList();
    BuildLanguageMenu();
    lbCharts->setFocus(Qt::OtherFocusReason);
}

TfmMain::~TfmMain() {
    if (MainChart != nullptr)
        MainChart->SetModel(nullptr);
    // The controller stops and joins its thread before the chart it draws into goes.
    FController.reset();
    FChart.reset();
}

void TfmMain::SetChartDialogs(std::unique_ptr<IChartDialogs> dialogs) {
    FDialogs = std::move(dialogs);
    FController->SetDialogs(FDialogs.get());
}

void TfmMain::SetApplicationTitle(const QString& title) {
    // One title serves as caption and taskbar text here.
    setWindowTitle(title);
}

// --- lists and buttons ---

int TfmMain::SelectedSeries() const {
    const QList<QListWidgetItem*> items = lbSeries->selectedItems();
    return items.isEmpty() ? -1 : lbSeries->row(items.first());
}

void TfmMain::RefreshSeriesList() {
    const int remembered = SelectedSeries();
    {
        const QSignalBlocker block(lbSeries);
        lbSeries->clear();
        for (int i = 0; i < FController->SeriesCount(); ++i) {
            const QString caption = FController->GetSeriesCaption(i);
            const QString failure = FController->SeriesFailure(i);
            auto* item = new QListWidgetItem(caption, lbSeries);
            item->setData(SeriesColorRole, ToQColor(FController->GetCalculator(i).LineColor()));
            item->setData(SeriesFailedRole, !failure.isEmpty());
            // The panel is narrow and long captions are cut; the whole one shows on hover.
            item->setToolTip(failure.isEmpty() ? caption : caption + QLatin1Char('\n') + failure);
        }
        if (remembered >= 0 && remembered < lbSeries->count())
            lbSeries->setCurrentRow(remembered);
        else
            lbSeries->setCurrentRow(-1);
    }
    // The table always shows the current series: a deleted one's column must not stay under another's name.
    CaptureChartData(*FDataTable, *FController);
    // Also after Clear, whose empty range no calculation will report.
    if (!FController->Running()) {
        FFinishedMinX = FController->MinX();
        FFinishedMaxX = FController->MaxX();
    }
    ShowLimitWarning();
    // Likewise the summary: a deleted series' figures must not stay in view.
    FillSummaryGrid();
    LayoutViews();
    // Also renews the line widths: a freed line that was highlighted may now belong to an unselected series.
    SeriesSelectionChanged();
}

void TfmMain::UpdateSeriesButtons() {
    btnAdd->setEnabled(FController->SeriesCount() < TChart::LineCount);
    btnDel->setEnabled(SelectedSeries() >= 0);
    btnClear->setEnabled(FController->SeriesCount() > 0);
}

void TfmMain::FillChartList() {
    FFilling = true;
    lbCharts->clear();
    for (int i = 0; i < FController->ChartKindCount(); ++i) {
        lbCharts->addItem(QStringLiteral(" ") + FController->GetChartKindName(i).toUpper());
        lbCharts->item(i)->setToolTip(FController->GetChartKindName(i));
    }
    lbCharts->setCurrentRow(FController->ChartIndex());
    FFilling = false;
    ShowChartName();
}

void TfmMain::ShowChartName() {
    lChartName->setText(FController->GetChartKindName(FController->ChartIndex()).toUpper());
}

void TfmMain::UpdateParamControls() {
    ShowChartName();
    TChartDescription& kind = FController->CurrentKind();
    const int count = kind.ParamCount();
    const auto show = [&kind](int index, QLabel* label, QSpinBox* spin, bool visible) {
        if (visible) {
            label->setText(kind.GetParamName(index));
            // The kind's own value: shown, not a change that would start its calculation a second time.
            const QSignalBlocker quiet(spin);
            spin->setValue(kind.GetParam(index));
        }
        label->setVisible(visible);
        spin->setVisible(visible);
    };
    show(0, lParam1, seParam1, count > 0);
    show(1, lParam2, seParam2, count >= 2);
}

void TfmMain::ShowChartView() {
    HideSummaryView();
    DataGrid->hide();
    MainChart->show();
    miLines->setChecked(true);
    miData->setChecked(false);
}

void TfmMain::ShowDataView() {
    setUpdatesEnabled(false);
    HideSummaryView();
    MainChart->hide();
    DataGrid->show();
    ChartPanel->layout()->activate();
    LayoutViews();
    miLines->setChecked(false);
    miData->setChecked(true);
    setUpdatesEnabled(true);
}

// --- progress ---

void TfmMain::OnCalcProgress(int value) {
    if (value == -1) {
        FElapsedSeconds = 0;
        FPositionAtLastTick = 0;
        FProgressTimer->start();
        FCalcPercent = 0;
        MarkSummaryStale();
        ShowSummaryProgress();
        return;
    }
    if (value == 10000) {
        SetApplicationTitle(ProductTitle);
        FProgressTimer->stop();
        ProgressBar->hide();
        ProgressBar->setValue(0);
        lURL->show();
        RefreshSeriesList(); // the table, its X range, and the marks of series that failed
        FFullCount = true;
        UpdatePointMarkers();
        return;
    }
    FCalcPercent = value;
    ShowSummaryProgress();
    if (value != ProgressBar->value()) {
        if (!ProgressBar->isHidden())
            SetApplicationTitle(QStringLiteral("%1% %2").arg(value).arg(ProductTitle));
        ProgressBar->setValue(value);
    }
}

bool TfmMain::ProgressTimerActive() const {
    return FProgressTimer->isActive();
}

void TfmMain::OnProgressTimer() {
    ++FElapsedSeconds;
    const int p = ProgressBar->value();
    const int previous = std::exchange(FPositionAtLastTick, p);
    if (PredictsThreeSecondsMore(FElapsedSeconds, p, previous) && QWidget::mouseGrabber() == nullptr) {
        lURL->hide();
        ProgressBar->show();
        FProgressTimer->stop();
    }
}

// --- language ---

void TfmMain::ApplyLanguage() {
    TPreferences& prefs = GetPreferences();
    SetApplicationTitle(ProductTitle);
    ApplyFont(*this);
    lChartName = static_cast<TGradientLabel*>(StyleHeader(lChartName));
    lChartsHeader = static_cast<TGradientLabel*>(StyleHeader(lChartsHeader));
    lSeriesHeader = static_cast<TGradientLabel*>(StyleHeader(lSeriesHeader));
    lMenu = static_cast<TGradientLabel*>(StyleHeader(lMenu));
    lPlay = static_cast<TGradientLabel*>(StyleHeader(lPlay));
    StyleLink(*lURL);

    btnAdd->setText(prefs.GetButtonText(QStringLiteral("Add")));
    btnDel->setText(prefs.GetButtonText(QStringLiteral("Delete")));
    btnClear->setText(prefs.GetButtonText(QStringLiteral("Clear")));
    lMenu->setText(Framed(prefs.GetButtonText(QStringLiteral("Menu"))));
    lPlay->setText(Framed(prefs.GetButtonText(QStringLiteral("Play"))));
    miLines->setText(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Chart")));
    miData->setText(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Data")));
    miSummary->setText(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Summary")));
    FillSummaryGrid();
    miCopy->setText(prefs.GetButtonText(QStringLiteral("Copy")));
    miSave->setText(prefs.GetButtonText(QStringLiteral("Save")));
    miLang->setTitle(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Language")));
    miPreferences->setText(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Preferences")));
    miHelp->setText(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Help")));
    miAbout->setText(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("About")));
    lChartsHeader->setText(prefs.GetText(QStringLiteral("MainWindow"), QStringLiteral("ChartsHeader")));
    lSeriesHeader->setText(prefs.GetText(QStringLiteral("MainWindow"), QStringLiteral("SeriesHeader")));

    TChartDescription& kind = FController->CurrentKind();
    if (kind.ParamCount() >= 1)
        lParam1->setText(kind.GetParamName(0));
    if (kind.ParamCount() >= 2)
        lParam2->setText(kind.GetParamName(1));
    FillChartList();
    kind.SetAxisTitles(*FChart);
    ShowLimitWarning();
    FitOptionsToTexts();
}

void TfmMain::BuildLanguageMenu() {
    for (QAction* a : FLanguageGroup->actions()) {
        FLanguageGroup->removeAction(a);
        delete a;
    }
    miLang->clear();
    const QStringList names = GetPreferences().GetLanguageNames();
    const int current = GetPreferences().LanguageIndex();
    for (int i = 0; i < names.size(); ++i) {
        QAction* item = miLang->addAction(names[i]);
        item->setCheckable(true);
        item->setEnabled(true);
        item->setChecked(i == current);
        item->setData(i);
        FLanguageGroup->addAction(item);
    }
}

void TfmMain::LanguageItemClick(QAction* item) {
    item->setChecked(true);
    GetPreferences().SelectLanguageByIndex(item->data().toInt());
    ApplyLanguage();
    LayoutViews();
    // Written now, not on exit: a crash would lose the choice.
    GetPreferences().Save();
}

// --- handlers ---

void TfmMain::lbChartsClick() {
    const int row = lbCharts->currentRow();
    if (row >= 0)
        FController->SelectChartKind(row);
    UpdateParamControls();
}

void TfmMain::lbSeriesMouseDown(const QPoint& pos) {
    if (lbSeries->itemAt(pos) == nullptr) {
        lbCharts->setFocus(Qt::MouseFocusReason);
        lbSeries->clearSelection();
        lbSeries->setCurrentRow(-1);
    }
    SeriesSelectionChanged();
}

void TfmMain::SeriesSelectionChanged() {
    UpdateSeriesButtons();
    FController->HighlightSeries(SelectedSeries());
    DataGrid->RepaintRow(0);
}

void TfmMain::btnAddClick() {
    // Refreshed whatever the selector returns: it may have renamed or deleted games and systems in use.
    FController->ChooseSeries();
    RefreshSeriesList();
}

void TfmMain::btnDelClick() {
    const int index = SelectedSeries();
    if (index < 0)
        return;
    FController->DeleteSeries(index);
    RefreshSeriesList();
}

void TfmMain::btnClearAskClick() {
    const int count = FController->SeriesCount();
    if (count == 0)
        return;
    const QString question = MessageText(&GetPreferences(), QStringLiteral("ClearSeries"),
                                         QStringLiteral("Remove all %d series from the chart? This cannot be undone."),
                                         {static_cast<long long>(count)});
    if (ConfirmBox(this, question))
        btnClearClick();
}

void TfmMain::btnClearClick() {
    FController->ClearSeries();
    RefreshSeriesList();
}

void TfmMain::seParamChange(int tag, int value) {
    const TChartDescription& kind = FController->CurrentKind();
    if (const QString problem = kind.ParamProblem(tag, value); !problem.isEmpty()) {
        (tag == 0 ? seParam1 : seParam2)->Refuse(kind.GetParam(tag), problem);
        return;
    }
    FController->StopCalculations(true);
    FController->CurrentKind().SetParam(tag, value);
    FController->RunCalculations();
}

void TfmMain::lMenuClick() {
    PopupMenu->popup(lMenu->mapToGlobal(QPoint(0, lMenu->height() + 1)));
}

void TfmMain::lPlayClick() {
    QDesktopServices::openUrl(QUrl(GetPreferences().PlayNowAddress()));
}

void TfmMain::lURLClick() {
    QDesktopServices::openUrl(QUrl(GetPreferences().GetSiteAddress()));
}

void TfmMain::miHelpClick() {
    FHelpHandler->ShowHelpTopic(MainWindowHelpContext);
}

void TfmMain::miAboutClick() {
    FController->OpenAbout();
}

void TfmMain::miPreferencesClick() {
    TfmPreferences form(this);
    if (form.exec() != QDialog::Accepted)
        return;
    GetPreferences().Save();
    const int64_t budget = GetPreferences().MemoryBudgetBytes();
    const double tolerance = GetPreferences().Tolerance();
    if (budget == FController->MemoryBudget() && tolerance == FController->Tolerance())
        return;
    FController->SetMemoryBudget(budget);
    FController->SetTolerance(tolerance);
    FController->RunCalculations();
}

// --- events ---

void TfmMain::FormActivate() {
    if (!FController->Active())
        FController->SetActive(true);
}

bool TfmMain::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        Guarded(this, [this] { FormActivate(); });
    return QWidget::event(e);
}

void TfmMain::closeEvent(QCloseEvent* e) {
    // Refused until every save has worked or the user has said to close anyway: a failure ends the guarded body
    // with the request still refused, and a second request while the question is open is no answer to it.
    e->ignore();
    Guarded(this, [&] {
        try {
            SaveState();
            FController->SaveStorage();
        } catch (...) {
            FStateSaved = false;
            // Qt answers a second close of a closing widget with "accepted" without asking it, and its window
            // would then be destroyed under the open question: the window's own close requests are refused here.
            QWindow* handle = windowHandle();
            if (handle != nullptr)
                handle->installEventFilter(this);
            FAskingToClose = true;
            const bool close = AskCloseAnyway(ExceptionMessage(std::current_exception()));
            FAskingToClose = false;
            if (handle != nullptr)
                handle->removeEventFilter(this);
            if (!close)
                return;
        }
        e->accept();
    });
}

bool TfmMain::AskCloseAnyway(const QString& failure) {
    const TPreferences& prefs = GetPreferences();
    const QString question =
        MessageText(&prefs, QStringLiteral("CloseAnyway"),
                    QStringLiteral("Close anyway? The changes to games and systems would be lost."));
    QMessageBox box(QMessageBox::Warning, ProductTitle, failure + QStringLiteral("\n\n") + question,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Cancel);
    box.button(QMessageBox::Ok)->setText(prefs.GetButtonText(QStringLiteral("OK")));
    box.button(QMessageBox::Cancel)->setText(prefs.GetButtonText(QStringLiteral("Cancel")));
    return box.exec() == QMessageBox::Ok;
}

bool TfmMain::eventFilter(QObject* watched, QEvent* e) {
    if (FAskingToClose && e->type() == QEvent::Close && watched == windowHandle()) {
        e->ignore();
        return true;
    }
    bool handled = false;
    Guarded(this, [&] { handled = FilterEvent(watched, e); });
    return handled || QWidget::eventFilter(watched, e);
}

bool TfmMain::FilterEvent(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::Resize:
        if (watched == ChartPanel)
            LayoutViews();
        else if (watched == SeriesControlPanel)
            LayoutSeriesButtons();
        break;
    case QEvent::MouseButtonPress:
        if (watched == lbSeries->viewport())
            lbSeriesMouseDown(static_cast<QMouseEvent*>(e)->position().toPoint());
        break;
    case QEvent::ToolTip:
        // The column titles are cut to their width; the whole caption shows on hover.
        if (watched == DataGrid->viewport()) {
            const auto* help = static_cast<QHelpEvent*>(e);
            for (int c = 1; c < DataGrid->ColumnCount() && c <= FController->SeriesCount(); ++c) {
                if (DataGrid->CellRect(c, 0).contains(help->pos())) {
                    QToolTip::showText(help->globalPos(), FController->GetSeriesCaption(c - 1), DataGrid->viewport());
                    return true;
                }
            }
            QToolTip::hideText();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (watched == lbSeries && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete &&
            (static_cast<QKeyEvent*>(e)->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            btnDelClick();
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == lURL && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
            lURLClick();
        break;
    case QEvent::MouseMove:
        if (watched == Panel6) {
            if (QWidget* grabber = QWidget::mouseGrabber())
                grabber->releaseMouse();
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace wl
