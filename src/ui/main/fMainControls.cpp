// The main window's controls: how they are built, laid out in their panels and wired to the handlers.
#include "ui/main/fMain.h"

#include "charts/ChartController.h"
#include "preferences/Preferences.h"
#include "presentation/Layout.h"
#include "presentation/WindowState.h"
#include "ui/chart/ChartView.h"
#include "ui/main/DataGrid.h"
#include "ui/main/fMainParts.h"
#include "ui/widgets/GradientLabel.h"
#include "ui/widgets/Guard.h"

#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace wl {

using namespace mainparts;

namespace {

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
        // The panel is narrow: a long caption ends in an ellipsis, so that a cut one is never taken for whole.
        const QRect text(r.left() + 3 * w + h, r.top(), r.width() - 3 * w - h, r.height());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, text.width()));
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
    SummaryGrid = new QTableWidget(ChartPanel);
    SummaryGrid->setObjectName(QStringLiteral("SummaryGrid"));
    SummaryGrid->verticalHeader()->hide();
    SummaryGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SummaryGrid->setWordWrap(false);
    SummaryGrid->verticalHeader()->setDefaultSectionSize(SummaryGrid->fontMetrics().height() + 4);
    // Series differ by their system more often than by their game: keep the end of the caption.
    SummaryGrid->horizontalHeader()->setTextElideMode(Qt::ElideLeft);
    SummaryGrid->hide();
    lLimitWarning = new QLabel(ChartPanel);
    lLimitWarning->setObjectName(QStringLiteral("lLimitWarning"));
    lLimitWarning->setWordWrap(true);
    lLimitWarning->hide();
    lBankrollAnswer = new QLabel(ChartPanel);
    lBankrollAnswer->setObjectName(QStringLiteral("lBankrollAnswer"));
    lBankrollAnswer->setWordWrap(true);
    lBankrollAnswer->hide();
    chartLayout->addWidget(MainChart);
    chartLayout->addWidget(DataGrid);
    chartLayout->addWidget(SummaryGrid);
    chartLayout->addWidget(lBankrollAnswer);
    chartLayout->addWidget(lLimitWarning);
    ChartPanel->installEventFilter(this);
    connect(MainChart, &TChartView::Zoomed, this, GuardedSlot(this, &TfmMain::MainChartZoom));
    connect(MainChart, &TChartView::UndoZoomed, this, GuardedSlot(this, &TfmMain::MainChartUndoZoom));
    DataGrid->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect, TDataGrid::TCellState s) {
        Guarded(this, [&] { DataGridDrawCell(p, c, r, rect, static_cast<int>(s)); });
    });
    DataGrid->SetSelectCell([this](int, int row) {
        bool can = false;
        Guarded(this, [&] { can = CanSelectGridRow(row, FGridRows); });
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
    seParam1 = new TParamSpinBox(lParam1, Panel6);
    seParam1->setObjectName(QStringLiteral("seParam1"));
    lParam2 = new QLabel(QStringLiteral("Target bankroll"), Panel6);
    lParam2->setObjectName(QStringLiteral("lParam2"));
    seParam2 = new TParamSpinBox(lParam2, Panel6);
    seParam2->setObjectName(QStringLiteral("seParam2"));
    int tag = 0;
    for (TParamSpinBox* spin : {seParam1, seParam2}) {
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
    lbSeries->installEventFilter(this); // the Delete key
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
    connect(btnClear, &QPushButton::clicked, this, GuardedSlot(this, &TfmMain::btnClearAskClick));

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
    miSummary = PopupMenu->addAction(QStringLiteral("Summary"));
    miSummary->setObjectName(QStringLiteral("miSummary"));
    miSummary->setCheckable(true);
    PopupMenu->addSeparator();
    miCopy = PopupMenu->addAction(QStringLiteral("Copy"));
    miCopy->setObjectName(QStringLiteral("miCopy"));
    miSave = PopupMenu->addAction(QStringLiteral("Save"));
    miSave->setObjectName(QStringLiteral("miSave"));
    PopupMenu->addSeparator();
    miLang = PopupMenu->addMenu(QStringLiteral("Lang"));
    miLang->setObjectName(QStringLiteral("miLang"));
    miPreferences = PopupMenu->addAction(QStringLiteral("Preferences"));
    miPreferences->setObjectName(QStringLiteral("miPreferences"));
    PopupMenu->addSeparator();
    miHelp = PopupMenu->addAction(QStringLiteral("Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miAbout = PopupMenu->addAction(QStringLiteral("About"));
    miAbout->setObjectName(QStringLiteral("miAbout"));
    auto* views = new QActionGroup(this);
    views->addAction(miLines);
    views->addAction(miData);
    views->addAction(miSummary);
    connect(miLines, &QAction::triggered, this, GuardedSlot(this, &TfmMain::ShowChartView));
    connect(miData, &QAction::triggered, this, GuardedSlot(this, &TfmMain::ShowDataView));
    connect(miSummary, &QAction::triggered, this, GuardedSlot(this, &TfmMain::ShowSummaryView));
    connect(miCopy, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miCopyClick));
    connect(miSave, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miSaveClick));
    connect(miHelp, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miHelpClick));
    connect(miAbout, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miAboutClick));
    connect(miPreferences, &QAction::triggered, this, GuardedSlot(this, &TfmMain::miPreferencesClick));
    FLanguageGroup = new QActionGroup(this);
    FLanguageGroup->setExclusive(true);
    connect(FLanguageGroup, &QActionGroup::triggered, this, GuardedSlot(this, &TfmMain::LanguageItemClick));

    PlacePanels();
}

} // namespace wl
