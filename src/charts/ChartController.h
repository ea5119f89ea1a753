// The chart controller: storage, series, chart kinds and the background calculation behind the main window.
#pragma once

#include "charts/Chart.h"
#include "charts/ChartDescription.h"
#include "charts/SeriesSummary.h"
#include "charts/Synchronizer.h"
#include "support/SafeFormat.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

namespace wl {

class Exception;
class IChartDialogs;
class ITextSource;
class TBetDescription;
class TChart;
class TChartLine;
class TExecuteThread;
class TGameCalculator;
class TGameDescription;
class TStepPool;
class TStorage;

class TChartController {
public:
    using TProgressHandler = std::function<void(int)>;
    using TThreadErrorHandler = std::function<void(const Exception&)>;
    using TSummaryHandler = std::function<void(int)>;

    // Creates the storage of games.ini and bets.ini in dataFolder (loading them) and the nine kinds, kind 0
    // current. Inactive, without chart, handlers or dialogs.
    explicit TChartController(const QString& dataFolder, const ITextSource* texts = nullptr);
    // The same over lists of the caller's own (TStorage() for series of descriptions that belong to no list).
    explicit TChartController(std::unique_ptr<TStorage> storage, const ITextSource* texts = nullptr);
    // Stops a running calculation, discarding it. Owners call SaveStorage first to see save failures.
    ~TChartController();
    TChartController(const TChartController&) = delete;
    TChartController& operator=(const TChartController&) = delete;

    TStorage& Storage() { return *FStorage; }
    // Writes the modified lists; raises EFileError naming the file.
    void SaveStorage();

    void SetChart(TChart* chart);
    TChart* Chart() const { return FChart; }
    void SetOnProgress(TProgressHandler handler) { FOnProgress = std::move(handler); }
    const TProgressHandler& OnProgress() const { return FOnProgress; }
    // Told on the interface thread of each series whose summary is complete while the calculation goes on, so that
    // the figures known can be shown before the rest; SeriesSummary gives them from then on.
    void SetOnSummary(TSummaryHandler handler) { FOnSummary = std::move(handler); }
    const TSummaryHandler& OnSummary() const { return FOnSummary; }
    // Receives a failure of the calculation thread, its message starting with "Error in thread" (interface thread).
    void SetOnThreadError(TThreadErrorHandler handler) { FOnThreadError = std::move(handler); }
    // Called when a series is added whose game or system makes no sense to chart (probabilities that do not add up
    // to 1, a negative bet, a value of the file read as 0), with what is odd in the user's language.
    void SetOnWarning(std::function<void(const QString&)> handler) { FOnWarning = std::move(handler); }
    // The message of the last thread failure since the latest RunCalculations, if any.
    const std::optional<QString>& LastThreadError() const { return FLastThreadError; }
    void SetDialogs(IChartDialogs* dialogs) { FDialogs = dialogs; }
    void SetTextSource(const ITextSource* texts);
    TSynchronizer& Synchronizer() { return FSynchronizer; }

    int SeriesCount() const { return static_cast<int>(FSeries.size()); }
    TGameCalculator& GetCalculator(int index) const; // checked: ERangeError
    QString GetSeriesCaption(int index) const;       // checked: ERangeError
    // Why the series failed in the latest calculation; empty when it did not. A failed series is not drawn.
    QString SeriesFailure(int index) const;          // checked: ERangeError
    std::exception_ptr SeriesError(int index) const; // null where the series succeeded; checked: ERangeError

    // Adds a series and restarts the calculation; false (nothing added, nothing stopped) when every line is taken
    // or no chart is set.
    bool AddSeries(const TGameDescription& game, const TBetDescription& system);
    bool ChooseSeries();
    void DeleteSeries(int index);
    void ClearSeries();
    void HighlightSeries(int index);

    int ChartKindCount() const { return static_cast<int>(FChartKinds.size()); }
    TChartDescription& GetChartKind(int index) const;
    QString GetChartKindName(int index) const;
    void SelectChartKind(int index);
    TChartDescription& CurrentKind() const { return *FCurrentKind; }
    int ChartIndex() const { return FChartIndex; }

    // The X range of the values last drawn; empty (MinX > MaxX) without series.
    int64_t MinX() const { return FMinX; }
    int64_t MaxX() const { return FMaxX; }
    // Whether the values drawn are probabilities: those of the kind that drew them, which the tables' cut-off hides.
    bool ShownValuesAreProbabilities() const { return FShownProbabilities; }
    // The line that says where the shown values are not exact because probability reached the balance limits:
    // the largest share, the earliest round and the series concerned; empty when every value is exact. Beyond
    // namedLimit series only their number is given.
    QString LimitWarning(int namedLimit = 10) const;
    // The largest share of probability behind the limit line; 0 when every value is exact.
    double LimitShare() const;
    // Below this share nothing beyond the edges could show on a chart or change a figure as printed.
    static constexpr double SeenLimitShare = 1e-4;
    // The bankroll planner's answer as the latest results show it: per series that has one, the smallest bankrolls
    // for a risk of ruin of at most 1, 5 and 10 %.
    std::optional<TBankrollAnswer> SeriesAnswer(int index) const; // checked: ERangeError
    // One line per series with an answer, "caption: ..." in the language's words; empty for the other kinds.
    QStringList BankrollAnswers() const;

    // The bytes the rows of all series together may take, shared evenly by the series of each calculation; 0: no
    // bound. A change stops a running calculation, and the next one starts from round 1.
    static constexpr int64_t DefaultMemoryBudget = int64_t{1024} << 20;
    void SetMemoryBudget(int64_t bytes);
    int64_t MemoryBudget() const { return FMemoryBudget; }
    // The most probability each series' tails may shed over a run ("Smallest probability followed"); 0 follows every
    // balance until it underflows.
    static constexpr double DefaultTolerance = 1e-15;
    void SetTolerance(double tolerance);
    double Tolerance() const { return FTolerance; }

    void RunCalculations();
    // While wanted, every calculation collects the series' summaries too (from round 1, so it reuses nothing) and
    // completes them on the calculation thread. Wanting them when they are missing starts a calculation.
    void SetSummaryWanted(bool wanted);
    bool SummaryWanted() const { return FSummaryWanted; }
    // While a calculation runs: whether its rounds are done and its progress now counts the summaries' completion.
    bool CompletingSummaries() const { return FCompletingSummaries; }
    // The summary of the latest completed calculation, or of the running one once its series' is complete; nullptr
    // while there is none (or the series failed).
    const TSeriesSummary* SeriesSummary(int index) const; // checked: ERangeError
    bool StopCalculations(bool discard);
    bool Running() const { return FThread != nullptr; }
    // Serves the thread's synchronised calls until the running calculation has ended (the command-line companion).
    // keepWaiting, when given, is asked between two waits of at most 20 ms and must not raise: false stops the
    // calculation and discards its results. Returns whether the calculation ended by itself.
    bool WaitForCalculation(const std::function<bool()>& keepWaiting = {});
    bool Active() const { return FActive; }
    void SetActive(bool active);
    // Workers that step the series of a round in parallel: 0 one per core (the default), 1 none (the calculation
    // thread steps every series itself). Results are the same either way. Stops a running calculation.
    void SetWorkerCount(int workers);
    int WorkerCount() const { return FWorkerCount; }

    TGameDescription* CreateGame();
    bool ModifyGame(TGameDescription& game);
    TBetDescription* CreateSystem();
    bool ModifySystem(TBetDescription& system);
    void DeleteGame(int index);
    void DeleteSystem(int index);
    void OpenAbout();

private:
    friend class TExecuteThread;

    struct TSeries {
        QString Caption;
        std::unique_ptr<TGameCalculator> Calculator;
        // Why the series stopped, taken over from the calculation thread when it ends (interface thread only).
        std::exception_ptr Error;
        QString Failure;
        QString ReportedFailure; // so that a failure that recurs is reported once
        // Made for each calculation that collects the summary; the thread writes SummaryDone once it is complete.
        std::unique_ptr<TSummaryCollector> Collector;
        bool SummaryDone = false;
        std::optional<TSeriesSummary> Summary;
        // The calculator's limit figures as the shown results left them (it overwrites its own while running).
        double ShownLimitShare = 0.0;
        int32_t ShownLimitRound = 0;
        std::optional<std::pair<int32_t, int32_t>> ShownBudgetStop; // the balances the budget stopped the range at
        bool ShownPastReach = false;                                // moves past what any budget follows
        int32_t ShownLimit = 0;
        std::optional<TBankrollAnswer> ShownAnswer = std::nullopt;
    };

    TChartLine* FindFreeLine() const;
    // Where the answer's bankrolls lie on the series' line.
    std::vector<TChartPoint> AnswerMarks(const TSeries& s) const;
    void StartThread();
    void ThreadDone();
    // Interface thread, the calculation thread waiting: shows the series' summary that it has just completed.
    void TakeSummary(int index);
    void ShowResults();
    // Without series: the current kind's axes over their neutral range, and no X range.
    void ShowEmptyChart();
    void RemoveSeriesAt(int index);
    void ReportThreadFailure(const Exception& failure);
    void ReportSeriesFailures();
    // Interface thread, as the thread ends: its series' failures; a failed series restarts from round 1 next time.
    void TakeSeriesFailures(const TExecuteThread& thread);
    bool WaitForThreadEnd(const std::function<bool()>& keepWaiting = {});
    void JoinEndedThreads(bool all);
    void RestartSeriesUsing(const void* description, bool isGame);

    TStepPool* StepPool(); // nullptr when the thread steps every series itself

    std::unique_ptr<TStorage> FStorage;
    std::vector<TSeries> FSeries;
    TChart* FChart = nullptr;
    TChartDescription* FCurrentKind = nullptr;
    TProgressHandler FOnProgress;
    TSummaryHandler FOnSummary;
    TThreadErrorHandler FOnThreadError;
    std::function<void(const QString&)> FOnWarning;
    std::vector<std::unique_ptr<TChartDescription>> FChartKinds;
    int FChartIndex = 0;
    int64_t FMinX = 0;
    int64_t FMaxX = -1;
    bool FShownProbabilities = true;
    std::unique_ptr<TExecuteThread> FThread;
    // Ended threads waiting to be joined; one may still be returning from the ThreadDone call it made.
    std::vector<std::unique_ptr<TExecuteThread>> FEndedThreads;
    bool FDiscardResults = false;
    // The lines show the finished results of the calculators as they stand: redrawn from them after a deletion.
    bool FResultsShown = false;
    bool FActive = false;
    IChartDialogs* FDialogs = nullptr;
    const ITextSource* FTexts = nullptr;
    std::optional<QString> FLastThreadError;
    TSynchronizer FSynchronizer;
    int FWorkerCount = 0;
    int64_t FMemoryBudget = DefaultMemoryBudget;
    double FTolerance = DefaultTolerance;
    bool FSummaryWanted = false;
    bool FCompletingSummaries = false;    // written on the interface thread from the thread's synchronised calls
    std::unique_ptr<TStepPool> FStepPool; // made on first use, used only by the calculation thread
};

} // namespace wl
