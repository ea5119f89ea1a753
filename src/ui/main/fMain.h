// The main window: chart and data views, the chart and series lists, parameters, progress, menu and links.
#pragma once

#include "charts/SeriesSummary.h"
#include "presentation/DataExport.h"
#include "presentation/DataTable.h"
#include "ui/main/ParamSpinBox.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace wl {

class IChartDialogs;
class TChart;
class TChartController;
class TChartView;
class TDataGrid;
class TGradientLabel;
class THelpHandler;
class TSplitterBar;

class TfmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int MinMainPanelWidth = 469;
    static constexpr int MinOptionsWidth = 100;
    static constexpr int SplitterWidth = 3;

    // FormCreate: the controller works on games.ini and bets.ini in dataFolder.
    explicit TfmMain(const QString& dataFolder, QWidget* parent = nullptr);
    // FormDestroy's second half: the controller goes, which stops a running calculation.
    ~TfmMain() override;

    TChartController& Controller() { return *FController; }
    TChart& ChartModel() { return *FChart; }
    const TDataTable& DataTable() const { return *FDataTable; }
    THelpHandler& HelpHandler() { return *FHelpHandler; }
    // The dialogs the controller opens; the window keeps them.
    void SetChartDialogs(std::unique_ptr<IChartDialogs> dialogs);

    // The controls, named as the form names them.
    QWidget* MainPanel = nullptr;
    QWidget* ChartHeaderPanel = nullptr;
    TGradientLabel* lChartName = nullptr;
    TGradientLabel* lMenu = nullptr;
    TGradientLabel* lPlay = nullptr;
    QFrame* ChartPanel = nullptr;
    TChartView* MainChart = nullptr;
    TDataGrid* DataGrid = nullptr;
    QTableWidget* SummaryGrid = nullptr;
    QLabel* lLimitWarning = nullptr;   // under the chart and the table alike; hidden while every value is exact
    QLabel* lBankrollAnswer = nullptr; // the bankroll planner's answers, under the chart and the table alike
    QWidget* Panel6 = nullptr;
    QLabel* lParam1 = nullptr;
    TParamSpinBox* seParam1 = nullptr;
    QLabel* lParam2 = nullptr;
    TParamSpinBox* seParam2 = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* lURL = nullptr;
    TSplitterBar* Splitter1 = nullptr;
    QWidget* OptionsPanel = nullptr;
    TGradientLabel* lChartsHeader = nullptr;
    QListWidget* lbCharts = nullptr;
    TGradientLabel* lSeriesHeader = nullptr;
    QListWidget* lbSeries = nullptr;
    QWidget* SeriesControlPanel = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnClear = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction* miLines = nullptr;
    QAction* miData = nullptr;
    QAction* miSummary = nullptr;
    QAction* miCopy = nullptr;
    QAction* miSave = nullptr;
    QMenu* miLang = nullptr;
    QAction* miPreferences = nullptr;
    QAction* miHelp = nullptr;
    QAction* miAbout = nullptr;

    // The window's operations.
    void ShowLimitWarning();
    void RefreshSeriesList();
    void UpdateSeriesButtons();
    void FillChartList();
    void ShowChartName();
    void UpdateParamControls();
    void LayoutSeriesButtons();
    void LayoutViews();
    void ShowChartView();
    void ShowDataView();
    // The third view: the series' figures; while it shows, every calculation collects them.
    void ShowSummaryView();
    void HideSummaryView();
    bool SummaryShown() const;
    void FillSummaryGrid();
    // Greys the figures shown while new ones are computed, so that old ones are not read as the answer.
    void MarkSummaryStale();
    // While a calculation runs, the summary's first row says how far it has come.
    void ShowSummaryProgress();
    QString SummaryProgressText() const;
    static QColor StaleSummaryColor();
    // In the summary view, copy and the table exports take the summary; false in the other views.
    bool CopySummary();
    bool ExportSummary(const QString& name);
    void OnCalcProgress(int value);
    void OnProgressTimer();
    void UpdatePointMarkers();
    void ApplyLanguage();
    void BuildLanguageMenu();
    void LanguageItemClick(QAction* item);

    void FormActivate();
    // FormDestroy's first half: the window state into the store and the games and systems to their files.
    void SaveState();

    int SelectedSeries() const; // -1 when none
    int CellDecimals() const { return FCellDecimals; }
    int ElapsedSeconds() const { return FElapsedSeconds; }
    bool ProgressTimerActive() const;
    int MainPanelWidth() const { return FLeftWidth; }
    // What the window applies as its size and placement for the current screen.
    QString PlacementSection() const;

    // Handlers the controls are wired to; public so the behaviour can be driven directly.
    void lbChartsClick();
    void lbSeriesMouseDown(const QPoint& pos);
    void btnAddClick();
    void btnDelClick();
    void btnClearClick();
    // The button's click: asks first, as nothing brings the series back.
    void btnClearAskClick();
    void seParamChange(int tag, int value);
    void lMenuClick();
    void lPlayClick();
    void lURLClick();
    void miHelpClick();
    void miAboutClick();
    // The preferences dialog; a changed memory budget computes the series again.
    void miPreferencesClick();
    void miCopyClick();
    void miSaveClick();
    // The chart as a picture in the chart view, else the data text, onto the clipboard.
    void CopyToClipboard();
    // Writes the file whose type the name's extension picks; raises on an unknown type or a failed write.
    void ExportToFile(const QString& name);
    // The chart's size as drawn; in the data view, the size it would have there.
    QSize ChartPictureSize() const;
    // The numbers the exports show: the last finished calculation's, also while another one runs.
    TDataSource ExportData() const;
    void MainChartZoom();
    void MainChartUndoZoom();
    // The splitter's rule: a new left width counts only if it is at least 469.
    bool Splitter1CanResize(int newLeftWidth) const;
    void SetMainPanelWidth(int width);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // After a failed save: the failure and whether to close all the same; false unless the user says so.
    bool AskCloseAnyway(const QString& failure);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FilterEvent(QObject* watched, QEvent* event); // true when the event is dealt with
    void CreateControls();
    void LoadState();
    void PlacePanels();
    int ScaledLeftWidth(int formWidth) const;
    void FitOptionsToTexts();
    void DataGridDrawCell(QPainter& painter, int column, int row, const QRect& rect, int state);
    void SeriesSelectionChanged();
    void SetApplicationTitle(const QString& title);

    std::unique_ptr<TChart> FChart;
    std::unique_ptr<TChartController> FController;
    std::unique_ptr<IChartDialogs> FDialogs;
    std::unique_ptr<TDataTable> FDataTable;
    int64_t FFinishedMinX = 0; // the X range of the last finished calculation, empty without series
    int64_t FFinishedMaxX = -1;
    TTableRows FGridRows; // the data grid's rows after its title row
    QTimer* FProgressTimer = nullptr;
    int FElapsedSeconds = 0;
    int FPositionAtLastTick = 0;
    int FCalcPercent = 0; // the running calculation's latest progress
    // The summaries in the view by series caption: a recompute shows them, greyed, until their new ones arrive.
    std::vector<std::pair<QString, TSeriesSummary>> FShownSummaries;
    bool FFullCount = false;
    int FCellDecimals = 6;
    THelpHandler* FHelpHandler = nullptr;
    QActionGroup* FLanguageGroup = nullptr;
    int FLeftWidth = 469;
    int FFormWidth = 0;                // the width the left panel was last scaled for
    double FLeftShare = 469.0 / 696.0; // the left panel's share of the window width, as last chosen
    bool FFirstShow = true;
    bool FFilling = false;
    bool FChartRowChangedByMouse = false;
    bool FStateSaved = false;
    bool FAskingToClose = false; // the question after a failed save is open
};

} // namespace wl
