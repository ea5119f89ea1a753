// The main window.
#include "ui/main/fMain.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/ChartDialogs.h"
#include "engine/GameCalculator.h"
#include "preferences/Preferences.h"
#include "presentation/Layout.h"
#include "presentation/WindowState.h"
#include "ui/chart/ChartPicture.h"
#include "ui/chart/ChartView.h"
#include "ui/dialogs/fException.h"
#include "ui/main/Application.h"
#include "ui/main/ChartExport.h"
#include "ui/main/DataGrid.h"
#include "ui/main/HelpWindow.h"
#include "ui/widgets/GradientLabel.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace wl {

namespace {

const QString ProductTitle = QStringLiteral("Wagerlens 1.3");
constexpr int SeriesColorRole = Qt::UserRole + 1;
constexpr int SeriesFailedRole = Qt::UserRole + 2;
constexpr int GridRowHeight = 18;

QColor ToQColor(TColor c) {
    return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

QString Framed(const QString& text) {
    return QStringLiteral("  ") + text + QStringLiteral("  ");
}

// Draws a series item: its text after a square swatch of the series' colour.
class TSeriesItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int ItemHeight = 13;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        const QColor back = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
        const QColor fore = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
        const QRect r = option.rect;
        const QFontMetrics fm(option.font);
        const int w = fm.horizontalAdvance(QLatin1Char(' '));
        const int h = r.height() - 2 * w;
        painter->fillRect(r, back);
        // A series whose calculation failed is struck through and has no line; its tooltip says why.
        const bool failed = index.data(SeriesFailedRole).toBool();
        QFont font = option.font;
        font.setStrikeOut(failed);
        painter->setFont(font);
        painter->setPen(failed && !selected ? QColor(192, 0, 0) : fore);
        painter->drawText(QRect(r.left() + 3 * w + h, r.top(), r.width() - 3 * w - h, r.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, index.data().toString());
        const QRect swatch(r.left() + w, r.top() + w, h + 1, h + 1);
        painter->fillRect(swatch, index.data(SeriesColorRole).value<QColor>());
        painter->setPen(fore);
        painter->drawRect(swatch.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        // The design height fits an 8-point font; a larger interface font needs its own line height.
        s.setHeight(std::max(ItemHeight, QFontMetrics(option.font).height()));
        return s;
    }
};

// The site link: it wants its whole address but gives way to the parameters, shortened with an ellipsis and the
// whole address on hover.
class TShrinkingLabel : public QLabel {
public:
    TShrinkingLabel(const QString& text, QWidget* parent) : QLabel(text, parent), FFullText(text) {}
    QSize sizeHint() const override {
        return {fontMetrics().horizontalAdvance(FFullText) + 2, QLabel::sizeHint().height()};
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QLabel::resizeEvent(e);
        const QString shown = fontMetrics().elidedText(FFullText, Qt::ElideRight, contentsRect().width());
        setText(shown);
        setToolTip(shown == FFullText ? QString() : FFullText);
    }

private:
    QString FFullText;
};

TGradientLabel* NewHeader(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new TGradientLabel(parent);
    label->setObjectName(name);
    label->setText(text);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

// The 3-pixel bar between the two panels; dragging it asks the window whether the new width is allowed.
class TSplitterBar : public QWidget {
public:
    explicit TSplitterBar(TfmMain* owner) : QWidget(owner), FOwner(owner) {
        setObjectName(QStringLiteral("Splitter1"));
        setCursor(Qt::SplitHCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        FStartX = e->globalPosition().toPoint().x();
        FStartWidth = FOwner->MainPanelWidth();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton))
            return;
        const int width = FStartWidth + e->globalPosition().toPoint().x() - FStartX;
        Guarded(this, [&] {
            if (FOwner->Splitter1CanResize(width))
                FOwner->SetMainPanelWidth(width);
        });
    }

private:
    TfmMain* FOwner;
    int FStartX = 0;
    int FStartWidth = 0;
};

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
    FController->SetOnProgress([this](int v) { OnCalcProgress(v); });
    FController->SetOnThreadError([](const Exception& e) { ShowThreadErrorReport(e); });
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

void TfmMain::CreateControls() {
    setWindowTitle(ProductTitle);
    // The form's pixel sizes are made for an 8-point interface font; it does not follow the desktop's text size.
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    resize(696, 497);
    FFormWidth = 696;
    setMinimumSize(MinMainPanelWidth + SplitterWidth + MinOptionsWidth, 300);

    MainPanel = new QWidget(this);
    MainPanel->setObjectName(QStringLiteral("MainPanel"));
    auto* mainLayout = new QVBoxLayout(MainPanel);
    mainLayout->setContentsMargins(5, 5, 5, 5);
    mainLayout->setSpacing(0);

    ChartHeaderPanel = new QWidget(MainPanel);
    ChartHeaderPanel->setObjectName(QStringLiteral("ChartHeaderPanel"));
    ChartHeaderPanel->setFixedHeight(23);
    auto* header = new QHBoxLayout(ChartHeaderPanel);
    header->setContentsMargins(3, 3, 3, 3);
    header->setSpacing(6);
    lChartName = NewHeader(ChartHeaderPanel, QStringLiteral("lChartName"), QString());
    lMenu = NewHeader(ChartHeaderPanel, QStringLiteral("lMenu"), Framed(QStringLiteral("Menu")));
    lPlay = NewHeader(ChartHeaderPanel, QStringLiteral("lPlay"), Framed(QStringLiteral("Play now!")));
    lMenu->setCursor(Qt::PointingHandCursor);
    lPlay->setCursor(Qt::PointingHandCursor);
    header->addWidget(lChartName, 1);
    header->addWidget(lMenu);
    header->addWidget(lPlay);
    connect(lMenu, &TGradientLabel::clicked, this, GuardedSlot(this, &TfmMain::lMenuClick));
    connect(lPlay, &TGradientLabel::clicked, this, GuardedSlot(this, &TfmMain::lPlayClick));
    mainLayout->addWidget(ChartHeaderPanel);

    ChartPanel = new QFrame(MainPanel);
    ChartPanel->setObjectName(QStringLiteral("ChartPanel"));
    ChartPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* chartLayout = new QVBoxLayout(ChartPanel);
    chartLayout->setContentsMargins(3, 3, 3, 3);
    MainChart = new TChartView(ChartPanel);
    MainChart->setObjectName(QStringLiteral("MainChart"));
    DataGrid = new TDataGrid(ChartPanel);
    DataGrid->setObjectName(QStringLiteral("DataGrid"));
    DataGrid->SetDefaultRowHeight(GridRowHeight);
    DataGrid->hide();
    DataGrid->viewport()->installEventFilter(this);
    lLimitWarning = new QLabel(ChartPanel);
    lLimitWarning->setObjectName(QStringLiteral("lLimitWarning"));
    lLimitWarning->setWordWrap(true);
    lLimitWarning->setStyleSheet(QStringLiteral("color: #A00000;"));
    lLimitWarning->hide();
    chartLayout->addWidget(MainChart);
    chartLayout->addWidget(DataGrid);
    chartLayout->addWidget(lLimitWarning);
    ChartPanel->installEventFilter(this);
    connect(MainChart, &TChartView::Zoomed, this, GuardedSlot(this, &TfmMain::MainChartZoom));
    connect(MainChart, &TChartView::UndoZoomed, this, GuardedSlot(this, &TfmMain::MainChartUndoZoom));
    DataGrid->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect, TDataGrid::TCellState s) {
        Guarded(this, [&] { DataGridDrawCell(p, c, r, rect, static_cast<int>(s)); });
    });
    DataGrid->SetSelectCell([this](int, int row) {
        bool can = false;
        Guarded(this, [&] { can = CanSelectGridRow(row, FController->MinX(), FController->MaxX()); });
        return can;
    });
    mainLayout->addWidget(ChartPanel, 1);

    Panel6 = new QWidget(MainPanel);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setFixedHeight(30);
    Panel6->setMouseTracking(true);
    Panel6->installEventFilter(this);
    auto* bottom = new QHBoxLayout(Panel6);
    bottom->setContentsMargins(3, 3, 3, 3);
    bottom->setSpacing(6);
    lParam1 = new QLabel(QStringLiteral("Rounds"), Panel6);
    lParam1->setObjectName(QStringLiteral("lParam1"));
    seParam1 = new QSpinBox(Panel6);
    seParam1->setObjectName(QStringLiteral("seParam1"));
    lParam2 = new QLabel(QStringLiteral("Target bankroll"), Panel6);
    lParam2->setObjectName(QStringLiteral("lParam2"));
    seParam2 = new QSpinBox(Panel6);
    seParam2->setObjectName(QStringLiteral("seParam2"));
    int tag = 0;
    for (QSpinBox* spin : {seParam1, seParam2}) {
        spin->setRange(ParamMinimum, ParamMaximum);
        spin->setSingleStep(1);
        spin->setFixedWidth(58);
        connect(spin, &QSpinBox::valueChanged, this,
                [this, tag](int v) { Guarded(this, [&] { seParamChange(tag, v); }); });
        ++tag;
    }
    ProgressBar = new QProgressBar(Panel6);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);
    ProgressBar->setMaximumHeight(16);
    ProgressBar->hide();
    // The address without its scheme: the full text does not fit beside two parameters.
    QString site = MakerSiteAddress();
    site.remove(QRegularExpression(QStringLiteral("^[a-z]+://")));
    lURL = new TShrinkingLabel(site, Panel6);
    lURL->setObjectName(QStringLiteral("lURL"));
    lURL->setCursor(Qt::PointingHandCursor);
    lURL->installEventFilter(this);
    lURL->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    bottom->addWidget(lParam1);
    bottom->addWidget(seParam1);
    bottom->addSpacing(6);
    bottom->addWidget(lParam2);
    bottom->addWidget(seParam2);
    bottom->addSpacing(6);
    bottom->addWidget(ProgressBar, 1);
    bottom->addStretch(0);
    bottom->addWidget(lURL);
    mainLayout->addWidget(Panel6);

    Splitter1 = new TSplitterBar(this);

    OptionsPanel = new QWidget(this);
    OptionsPanel->setObjectName(QStringLiteral("OptionsPanel"));
    auto* options = new QVBoxLayout(OptionsPanel);
    options->setContentsMargins(5, 5, 5, 5);
    options->setSpacing(0);
    lChartsHeader = NewHeader(OptionsPanel, QStringLiteral("lChartsHeader"), QStringLiteral("CHART LIST"));
    lbCharts = new QListWidget(OptionsPanel);
    lbCharts->setObjectName(QStringLiteral("lbCharts"));
    lSeriesHeader = NewHeader(OptionsPanel, QStringLiteral("lSeriesHeader"), QStringLiteral("SERIES LIST"));
    lbSeries = new QListWidget(OptionsPanel);
    lbSeries->setObjectName(QStringLiteral("lbSeries"));
    lbSeries->setSelectionMode(QAbstractItemView::SingleSelection);
    lbSeries->setUniformItemSizes(true);
    lbSeries->setItemDelegate(new TSeriesItemDelegate(lbSeries));
    for (QListWidget* list : {lbCharts, lbSeries})
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbSeries->viewport()->installEventFilter(this);
    for (TGradientLabel* h : {lChartsHeader, lSeriesHeader})
        h->setFixedHeight(18);
    for (TGradientLabel* h : {lChartName, lMenu, lPlay})
        h->setFixedHeight(17);
    // A click fires the handler even on the kind already shown; a click that changes the row fires it once.
    connect(lbCharts, &QListWidget::currentRowChanged, this, [this] {
        if (FFilling)
            return;
        FChartRowChangedByMouse = QApplication::mouseButtons() != Qt::NoButton;
        Guarded(this, [this] { lbChartsClick(); });
    });
    connect(lbCharts, &QListWidget::itemClicked, this, [this] {
        if (!std::exchange(FChartRowChangedByMouse, false))
            Guarded(this, [this] { lbChartsClick(); });
    });
    connect(lbSeries, &QListWidget::itemSelectionChanged, this, GuardedSlot(this, &TfmMain::SeriesSelectionChanged));

    SeriesControlPanel = new QWidget(OptionsPanel);
    SeriesControlPanel->setObjectName(QStringLiteral("SeriesControlPanel"));
    SeriesControlPanel->setFixedHeight(30);
    SeriesControlPanel->installEventFilter(this);
    btnAdd = new QPushButton(QStringLiteral("Add"), SeriesControlPanel);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnDel = new QPushButton(QStringLiteral("Del"), SeriesControlPanel);
    btnDel->setObjectName(QStringLiteral("btnDel"));
    btnClear = new QPushButton(QStringLiteral("Clear"), SeriesControlPanel);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    connect(btnAdd, &QPushButton::clicked, this, GuardedSlot(this, &TfmMain::btnAddClick));
    connect(btnDel, &QPushButton::clicked, this, GuardedSlot(this, &TfmMain::btnDelClick));
    connect(btnClear, &QPushButton::clicked, this, GuardedSlot(this, &TfmMain::btnClearClick));

    options->addWidget(lChartsHeader);
    options->addWidget(lbCharts, 9);
    options->addSpacing(5);
    options->addWidget(lSeriesHeader);
    options->addWidget(lbSeries, 10);
    options->addWidget(SeriesControlPanel);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    miLines = PopupMenu->addAction(QStringLiteral("Charts"));
    miLines->setObjectName(QStringLiteral("miLines"));
    miLines->setCheckable(true);
    miLines->setChecked(true);
    miData = PopupMenu->addAction(QStringLiteral("Data"));
    miData->setObjectName(QStringLiteral("miData"));
    miData->setCheckable(true);
    PopupMenu->addSeparator();
    miCopy = PopupMenu->addAction(QStringLiteral("Copy"));
    miCopy->setObjectName(QStringLiteral("miCopy"));
    miSave = PopupMenu->addAction(QStringLiteral("Save"));
    miSave->setObjectName(QStringLiteral("miSave"));
    PopupMenu->addSeparator();
    miLang = PopupMenu->addMenu(QStringLiteral("Lang"));
    miLang->setObjectName(QStringLiteral("miLang"));
    PopupMenu->addSeparator();
    miHelp = PopupMenu->addAction(QStringLiteral("Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miAbout = PopupMenu->addAction(QStringLiteral("About"));
    miAbout->setObjectName(QStringLiteral("miAbout"));
    auto* views = new QActionGroup(this);
    views->addAction(miLines);
    views->addAction(miData);
    connect(miLines, &QAction::triggered, this, GuardedSlot(this, &TfmMain::ShowChartView));
    connect(miData, &QAction::triggered, this, GuardedSlot(this, &TfmMain::ShowDataView));
    connect(miCopy, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miCopyClick));
    connect(miSave, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miSaveClick));
    connect(miHelp, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miHelpClick));
    connect(miAbout, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miAboutClick));
    FLanguageGroup = new QActionGroup(this);
    FLanguageGroup->setExclusive(true);
    connect(FLanguageGroup, &QActionGroup::triggered, this, GuardedSlot(this, &TfmMain::LanguageItemClick));

    PlacePanels();
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
    ShowLimitWarning();
    LayoutViews();
    // Also renews the line widths: a freed line that was highlighted may now belong to an unselected series.
    SeriesSelectionChanged();
}

void TfmMain::ShowLimitWarning() {
    // Two names at most, so that the line does not take the chart's room; the tip names them all.
    const QString warning = FController->LimitWarning(2);
    lLimitWarning->setText(warning);
    lLimitWarning->setToolTip(FController->LimitWarning());
    lLimitWarning->setVisible(!warning.isEmpty());
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
            spin->setValue(kind.GetParam(index));
        }
        label->setVisible(visible);
        spin->setVisible(visible);
    };
    show(0, lParam1, seParam1, count > 0);
    show(1, lParam2, seParam2, count >= 2);
}

void TfmMain::LayoutSeriesButtons() {
    const TSeriesButtonsLayout l =
        wl::LayoutSeriesButtons(SeriesControlPanel->width(), SeriesControlPanel->height(), 3);
    const auto place = [](QPushButton* b, const TLayoutRect& r) { b->setGeometry(r.Left, r.Top, r.Width, r.Height); };
    place(btnAdd, l.Add);
    place(btnDel, l.Delete);
    place(btnClear, l.Clear);
}

void TfmMain::LayoutViews() {
    // The header line follows its layout; the menu and play labels keep the size of their texts.
    for (TGradientLabel* label : {lMenu, lPlay})
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(label->text()) + 2);

    // The grid's client width depends on whether its scroll bar shows, which depends on the row count.
    for (int pass = 0; pass < 2; ++pass) {
        const int n = FController->SeriesCount();
        const QWidget* client = DataGrid->viewport();
        const TGridGeometry g =
            ComputeGridGeometry(n, client->width(), client->height(), TDataGrid::GridLineWidth,
                                DataGrid->DefaultRowHeight(), FController->MinX(), FController->MaxX());
        std::vector<int> widths{g.XColumnWidth};
        widths.insert(widths.end(), static_cast<size_t>(n), g.SeriesColumnWidth);
        const int before = client->width();
        DataGrid->SetGeometry(widths, g.RowCount);
        const QFontMetrics fm(DataGrid->font());
        FCellDecimals =
            ChooseCellDecimals(g.SeriesColumnWidth, [&fm](const QString& text) { return fm.horizontalAdvance(text); });
        if (DataGrid->viewport()->width() == before)
            break;
    }
    DataGrid->viewport()->update();
}

void TfmMain::ShowChartView() {
    DataGrid->hide();
    MainChart->show();
    miLines->setChecked(true);
    miData->setChecked(false);
}

void TfmMain::ShowDataView() {
    setUpdatesEnabled(false);
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
        return;
    }
    if (value == 10000) {
        SetApplicationTitle(ProductTitle);
        FProgressTimer->stop();
        ProgressBar->hide();
        ProgressBar->setValue(0);
        lURL->show();
        RefreshSeriesList(); // the table, and the marks of series that failed
        FFinishedMinX = FController->MinX();
        FFinishedMaxX = FController->MaxX();
        FFullCount = true;
        UpdatePointMarkers();
        return;
    }
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

// --- markers, zoom ---

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
    miCopy->setText(prefs.GetButtonText(QStringLiteral("Copy")));
    miSave->setText(prefs.GetButtonText(QStringLiteral("Save")));
    miLang->setTitle(prefs.GetText(QStringLiteral("Menu"), QStringLiteral("Language")));
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

void TfmMain::FitOptionsToTexts() {
    // The three buttons share the right panel: a language with longer texts widens the window rather than cut them.
    int widest = 0;
    for (QPushButton* b : {btnAdd, btnDel, btnClear})
        widest = std::max(widest, b->fontMetrics().horizontalAdvance(b->text()));
    const int needed = 3 * (widest + 14) + 18; // padding in each button, the panel's border and margins
    if (width() - FLeftWidth - SplitterWidth >= needed)
        return;
    const int w = FLeftWidth + SplitterWidth + needed;
    FLeftShare = static_cast<double>(FLeftWidth) / w;
    resize(w, height());
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

void TfmMain::btnClearClick() {
    FController->ClearSeries();
    RefreshSeriesList();
}

void TfmMain::seParamChange(int tag, int value) {
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

// --- export and copy ---

void TfmMain::miCopyClick() {
    CopyToClipboard();
}

void TfmMain::miSaveClick() {
    QFileDialog dialog(this, GetPreferences().GetButtonText(QStringLiteral("Save")),
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    dialog.setSizeGripEnabled(true);
    // The language gives the types as "name|pattern|name|pattern...", the first one selected.
    const QStringList parts = GetPreferences().GetMessageText(QStringLiteral("SaveFilter")).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(parts[i]);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ExportToFile(dialog.selectedFiles().first());
}

TDataSource TfmMain::ExportData() const {
    // The table comes from the chart's lines, never from the calculators that the thread writes; while it runs
    // the lines and the X range are those of the last finished calculation.
    TDataSource source = DataSourceOf(*FController, *FDataTable);
    if (FController->Running()) {
        source.MinX = FFinishedMinX;
        source.MaxX = FFinishedMaxX;
    }
    return source;
}

QSize TfmMain::ChartPictureSize() const {
    const QWidget* shown = MainChart->isHidden() ? static_cast<const QWidget*>(DataGrid) : MainChart;
    return shown->size();
}

void TfmMain::CopyToClipboard() {
    if (!MainChart->isHidden()) {
        QGuiApplication::clipboard()->setImage(ChartImage(*FChart, ChartPictureSize()));
        return;
    }
    QStringList lines;
    BuildDataText(lines, ExportData(), SystemDecimalSymbol());
    QGuiApplication::clipboard()->setText(LinesToText(lines));
}

void TfmMain::ExportToFile(const QString& name) {
    TExportRequest request;
    request.Chart = FChart.get();
    request.PictureSize = ChartPictureSize();
    request.Data = ExportData();
    request.ChartName = FController->GetChartKindName(FController->ChartIndex());
    request.DecimalSymbol = SystemDecimalSymbol();
    wl::ExportToFile(name, request);
}

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
    SaveWindowState(GetPreferences().Store(), *FController, MainChart->isHidden(), placement, PlacementSection());
    FStateSaved = true;
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

void TfmMain::closeEvent(QCloseEvent* e) {
    Guarded(this, [&] {
        SaveState();
        try {
            FController->SaveStorage();
        } catch (const Exception& error) {
            const auto answer = QMessageBox::warning(
                this, ProductTitle,
                error.Message() + QStringLiteral("\n\nClose anyway? The changes to games and systems would be lost."),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes) {
                FStateSaved = false;
                e->ignore();
                return;
            }
        }
        e->accept();
    });
}

bool TfmMain::eventFilter(QObject* watched, QEvent* e) {
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

// --- grid cells ---

void TfmMain::DataGridDrawCell(QPainter& painter, int column, int row, const QRect& rect, int) {
    painter.fillRect(rect, painter.brush());
    if (row == 0) {
        if (column == 0) {
            painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("X"));
            return;
        }
        const int k = column - 1;
        if (k >= FController->SeriesCount())
            return;
        const QFontMetrics fm(painter.font());
        const int h = fm.height() - 2;
        const int o = (DataGrid->DefaultRowHeight() - h) / 2;
        const QRect square(rect.left() + o, rect.top() + o, h, h);
        painter.save();
        painter.setBrush(ToQColor(FController->GetCalculator(k).LineColor()));
        painter.setPen(Qt::black);
        painter.drawRect(square);
        painter.restore();
        QFont f = painter.font();
        f.setBold(k == SelectedSeries());
        painter.setFont(f);
        const QRect textRect(square.right() + 1 + o, rect.top(), rect.right() - square.right() - o, rect.height());
        const QString caption =
            QFontMetrics(f).elidedText(FController->GetSeriesCaption(k), Qt::ElideRight, textRect.width());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
        return;
    }
    const int x = GridRowX(row, FController->MinX());
    if (x > FController->MaxX())
        return;
    QString text;
    if (column == 0)
        text = QString::number(x);
    else
        text = FormatGridValue(FDataTable->Value(x, column - 1), FCellDecimals);
    painter.drawText(rect.adjusted(0, 0, -3, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

} // namespace wl
