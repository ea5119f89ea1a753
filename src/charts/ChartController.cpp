// The chart controller: series and kinds, starting, stopping and ending calculations, and the dialog operations.
#include "charts/ChartController.h"

#include "charts/Chart.h"
#include "charts/ChartDialogs.h"
#include "charts/ExecuteThread.h"
#include "engine/GameCalculator.h"
#include "engine/StepPool.h"
#include "model/NameValidation.h"
#include "model/Oddities.h"
#include "model/Storage.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace wl {

TChartController::TChartController(const QString& dataFolder, const ITextSource* texts)
    : TChartController(std::make_unique<TStorage>(dataFolder), texts) {}

TChartController::TChartController(std::unique_ptr<TStorage> storage, const ITextSource* texts)
    : FStorage(std::move(storage)), FChartKinds(CreateChartKinds()) {
    FCurrentKind = FChartKinds.front().get();
    SetTextSource(texts);
}

TChartController::~TChartController() {
    // Drawing into a chart or calling a window that is itself being destroyed helps nobody: discard.
    StopCalculations(true);
    JoinEndedThreads(true);
}

void TChartController::JoinEndedThreads(bool all) {
    // Joining the thread whose ThreadDone is running would never return: by default only finished ones.
    for (auto it = FEndedThreads.begin(); it != FEndedThreads.end();) {
        if (all || (*it)->Finished()) {
            (*it)->Join();
            it = FEndedThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void TChartController::SetChart(TChart* chart) {
    FChart = chart;
    // X is a balance or a round number in every kind.
    if (FChart)
        FChart->BottomAxis().SetWholeNumbers(true);
    if (FSeries.empty())
        ShowEmptyChart();
}

void TChartController::SaveStorage() {
    FStorage->Save();
}

void TChartController::SetTextSource(const ITextSource* texts) {
    FTexts = texts;
    for (auto& kind : FChartKinds)
        kind->SetTextSource(texts);
}

TGameCalculator& TChartController::GetCalculator(int index) const {
    return *FSeries[static_cast<size_t>(CheckIndex(index, 0, SeriesCount() - 1, "series index"))].Calculator;
}

QString TChartController::GetSeriesCaption(int index) const {
    return FSeries[static_cast<size_t>(CheckIndex(index, 0, SeriesCount() - 1, "series index"))].Caption;
}

std::exception_ptr TChartController::SeriesError(int index) const {
    return FSeries[static_cast<size_t>(CheckIndex(index, 0, SeriesCount() - 1, "series index"))].Error;
}

QString TChartController::SeriesFailure(int index) const {
    return FSeries[static_cast<size_t>(CheckIndex(index, 0, SeriesCount() - 1, "series index"))].Failure;
}

TChartDescription& TChartController::GetChartKind(int index) const {
    return *FChartKinds[static_cast<size_t>(CheckIndex(index, 0, ChartKindCount() - 1, "chart kind index"))];
}

QString TChartController::GetChartKindName(int index) const {
    return GetChartKind(index).GetName();
}

TChartLine* TChartController::FindFreeLine() const {
    if (!FChart)
        return nullptr;
    for (int i = 0; i < TChart::LineCount; ++i) {
        TChartLine* line = &FChart->Line(i);
        bool used = false;
        for (const TSeries& s : FSeries)
            used = used || s.Calculator->Line == line;
        if (!used)
            return line;
    }
    return nullptr;
}

bool TChartController::AddSeries(const TGameDescription& game, const TBetDescription& system) {
    TChartLine* line = FindFreeLine();
    if (!line)
        return false; // a series without a line would never be drawn
    StopCalculations(true);
    auto calculator = std::make_unique<TGameCalculator>();
    calculator->Game = &game;
    calculator->BetSystem = &system;
    calculator->Line = line;
    // A freed line still holds its former series' points; they must not show under the new caption.
    line->Clear();
    // A game or system that makes no sense to chart is charted as it stands, and said.
    if (FOnWarning) {
        QStringList lines;
        for (const TUserText& odd : SeriesOddities(game, system))
            lines.append(odd.Text(FTexts));
        if (!lines.isEmpty())
            FOnWarning(lines.join(QStringLiteral("\r\n")));
    }
    TSeries series;
    series.Caption = SafeFormat(QStringLiteral("%s [%s]"), {game.Name, system.Name});
    series.Calculator = std::move(calculator);
    FSeries.push_back(std::move(series));
    RunCalculations();
    return true;
}

bool TChartController::ChooseSeries() {
    return FDialogs ? FDialogs->SelectGameAndSystem(*this) : false;
}

void TChartController::RemoveSeriesAt(int index) {
    TSeries& s = FSeries[static_cast<size_t>(index)];
    if (s.Calculator->Line)
        s.Calculator->Line->SetVisible(false);
    FSeries.erase(FSeries.begin() + index);
}

void TChartController::DeleteSeries(int index) {
    CheckIndex(index, 0, SeriesCount() - 1, "series index");
    const bool wasRunning = StopCalculations(SeriesCount() > 1);
    RemoveSeriesAt(index);
    if (SeriesCount() == 0)
        ShowEmptyChart();
    else if (wasRunning)
        RunCalculations();
    else if (FResultsShown)
        ShowResults(); // the axes fit the series that are left
}

void TChartController::ClearSeries() {
    StopCalculations(false);
    FResultsShown = false; // nothing to redraw after each deletion
    for (int i = SeriesCount() - 1; i >= 0; --i)
        DeleteSeries(i);
}

void TChartController::HighlightSeries(int index) {
    if (index != -1)
        CheckIndex(index, 0, SeriesCount() - 1, "series index");
    if (!FChart)
        return;
    TChartUpdate update(*FChart);
    for (int i = 0; i < TChart::LineCount; ++i)
        FChart->Line(i).SetPenWidth(1);
    if (index != -1 && GetCalculator(index).Line)
        GetCalculator(index).Line->SetPenWidth(2);
}

void TChartController::SelectChartKind(int index) {
    TChartDescription& kind = GetChartKind(index);
    // The thread counts the rounds it has computed until it has stopped.
    StopCalculations(true);
    const int prev = FCurrentKind->ComputedRounds;
    kind.Activate(*this, prev);
    FChartIndex = index;
    FCurrentKind = &kind;
    // Without series no calculation sets the axes, and they would keep the previous kind's titles and ranges.
    if (FSeries.empty())
        ShowEmptyChart();
    RunCalculations();
}

void TChartController::RunCalculations() {
    FResultsShown = false; // whatever happens now, the calculators are no longer what the lines show
    if (FSeries.empty() || !FActive)
        return;
    // A second thread over the same calculators would race the first; its results are superseded anyway.
    if (FThread)
        StopCalculations(true);
    try {
        const int bankroll = FCurrentKind->Bankroll();
        const bool showAll = FCurrentKind->ShowsAllValues();
        const TBalanceLimits limits = FCurrentKind->BalanceLimits();
        // An even share each, so that the rows of all series together stay within the budget.
        const int64_t share = FMemoryBudget / static_cast<int64_t>(FSeries.size());
        for (TSeries& s : FSeries) {
            s.Calculator->Bankroll = bankroll;
            s.Calculator->LowBound = limits.Low;
            s.Calculator->HighBound = limits.High;
            s.Calculator->MemoryBudget = share;
            s.Calculator->Tolerance = FTolerance;
            s.Calculator->RoundsPlanned = FCurrentKind->RoundsToCompute();
            s.Calculator->ShowAll = showAll;
            s.Failure.clear(); // tried again: a parameter change may have cured it
            s.Error = nullptr;
            s.Summary.reset();
            s.SummaryDone = false;
            s.Collector.reset();
            // The planner's figures come from its answer, which every run of its kinds gives.
            if (FSummaryWanted && !FCurrentKind->ComputesWhole())
                s.Collector = std::make_unique<TSummaryCollector>(*s.Calculator->Game, *s.Calculator->BetSystem,
                                                                  SummaryParamsOf(*FCurrentKind));
        }
        // The figures need every round from the first one.
        if (FSummaryWanted)
            FCurrentKind->ComputedRounds = 0;
        FMaxX = 0;
        FMinX = 0;
        FDiscardResults = false;
        FCompletingSummaries = false;
        FLastThreadError.reset();
        if (FOnProgress)
            FOnProgress(-1);
        StartThread();
    } catch (Exception& e) {
        PrefixExceptionMessage(e, QStringLiteral("Run calculations"));
        throw;
    } catch (const std::exception& e) {
        // For instance a thread that cannot be created.
        Exception failure(e.what());
        PrefixExceptionMessage(failure, QStringLiteral("Run calculations"));
        throw failure;
    }
}

void TChartController::StartThread() {
    JoinEndedThreads(false);
    StepPool(); // made here, on the interface thread; the calculation thread only uses it
    auto thread = std::make_unique<TExecuteThread>(*this);
    thread->OnDone = [this] { ThreadDone(); };
    thread->Start(); // ThreadDone can only run once this thread serves calls again, after FThread is set
    FThread = std::move(thread);
}

bool TChartController::WaitForThreadEnd(const std::function<bool()>& keepWaiting) {
    while (FThread) {
        FSynchronizer.CheckSynchronize();
        if (!FThread)
            break;
        // The end hand-over itself failed: end the calculation here.
        if (FThread->Finished()) {
            ThreadDone();
            break;
        }
        if (keepWaiting && !keepWaiting())
            return false;
        FSynchronizer.WaitForCall(std::chrono::milliseconds(20));
    }
    JoinEndedThreads(false);
    return true;
}

bool TChartController::StopCalculations(bool discard) {
    FDiscardResults = discard;
    if (!FThread)
        return false;
    FThread->Terminate();
    // The thread waits for the call being served: waiting for its end here would never return.
    if (FSynchronizer.InCall())
        throw Exception("A calculation cannot be stopped from inside its own progress or failure report");
    WaitForThreadEnd();
    return true;
}

bool TChartController::WaitForCalculation(const std::function<bool()>& keepWaiting) {
    if (WaitForThreadEnd(keepWaiting))
        return true;
    StopCalculations(true);
    return false;
}

void TChartController::ThreadDone() {
    // The thread object stays alive until joined: its std::thread is still returning from this call.
    FEndedThreads.push_back(std::move(FThread));
    FCompletingSummaries = false;
    // Also for discarded results: a series that failed mid-round must not be continued from its broken rows.
    TakeSeriesFailures(*FEndedThreads.back());
    if (FDiscardResults)
        return;
    try {
        ShowResults();
        if (FOnProgress)
            FOnProgress(10000);
        ReportSeriesFailures();
    } catch (Exception& e) {
        ReportThreadFailure(e);
    } catch (const std::exception& e) {
        ReportThreadFailure(Exception(e.what()));
    }
}

void TChartController::SetSummaryWanted(bool wanted) {
    FSummaryWanted = wanted;
    if (!wanted)
        return;
    bool missing = false;
    for (const TSeries& s : FSeries)
        missing = missing || (!s.Summary && s.Failure.isEmpty());
    if (missing && (!FThread || !FSeries.front().Collector))
        RunCalculations();
}

void TChartController::TakeSummary(int index) {
    TSeries& s = FSeries[static_cast<size_t>(index)];
    if (FDiscardResults || !s.Collector || !s.SummaryDone)
        return;
    s.Summary = s.Collector->Summary();
    if (FOnSummary)
        FOnSummary(index);
}

const TSeriesSummary* TChartController::SeriesSummary(int index) const {
    const TSeries& s = FSeries[static_cast<size_t>(CheckIndex(index, 0, SeriesCount() - 1, "series index"))];
    return s.Summary ? &*s.Summary : nullptr;
}

void TChartController::ShowResults() {
    for (TSeries& s : FSeries) {
        if (s.Collector && s.SummaryDone && s.Failure.isEmpty())
            s.Summary = s.Collector->Summary();
        // A failed series shows nothing, so nothing of it is inexact.
        const TGameCalculator& c = *s.Calculator;
        const bool shown = s.Failure.isEmpty();
        s.ShownLimitShare = shown ? c.LimitShare : 0.0;
        s.ShownLimitRound = shown ? c.LimitRound : 0;
        s.ShownLimit = std::max(-c.LowLimit(), c.HighLimit());
        // Past the reach the range stops at the bound that no budget moves: its edges, as a budget's stop.
        s.ShownBudgetStop = c.BudgetReached() || c.PastReach()
                                ? std::optional<std::pair<int32_t, int32_t>>({c.LowLimit(), c.HighLimit()})
                                : std::nullopt;
        s.ShownPastReach = shown && c.PastReach();
        s.ShownAnswer = shown ? FCurrentKind->SeriesAnswer(c) : std::nullopt;
        if (s.ShownAnswer && c.Game)
            s.Summary = PlannerSummaryOf(*c.Game, *s.ShownAnswer, s.ShownLimitShare, s.ShownLimitRound);
    }
    if (!FChart)
        return;
    TChartUpdate update(*FChart);
    for (int i = 0; i < TChart::LineCount; ++i)
        FChart->Line(i).SetVisible(false);
    int64_t minX = FCurrentKind->FirstShownX();
    int64_t maxX = minX;
    double minY = 1000.0;
    double maxY = -1000.0;
    for (TSeries& s : FSeries) {
        TGameCalculator& c = *s.Calculator;
        if (!c.Line)
            continue;
        // A failed series' values are partial: its line stays empty and takes no part in the ranges.
        if (!s.Failure.isEmpty()) {
            c.Line->Clear();
            continue;
        }
        c.Line->SetHeldAcrossGaps(FCurrentKind->ValuesHoldAcrossGaps());
        c.FillSeries();
        c.Line->SetMarks(AnswerMarks(s));
        minX = std::min(minX, c.FirstX);
        maxX = std::max(maxX, c.LastX);
        minY = std::min(minY, c.MinY);
        maxY = std::max(maxY, c.MaxY);
    }
    FCurrentKind->SetupChart(*FChart, minX, maxX, minY, maxY);
    for (TSeries& s : FSeries)
        if (s.Calculator->Line && s.Failure.isEmpty())
            s.Calculator->Line->SetVisible(true);
    FMinX = minX;
    FMaxX = maxX;
    FShownProbabilities = FCurrentKind->ValuesAreProbabilities();
    FResultsShown = true;
}

void TChartController::ShowEmptyChart() {
    FResultsShown = false;
    FMinX = 0;
    FMaxX = -1;
    FShownProbabilities = FCurrentKind->ValuesAreProbabilities();
    if (!FChart)
        return;
    TChartUpdate update(*FChart);
    FChart->UndoAllZooms();
    // The kinds fix only the axes they scale themselves; the others show their range without points.
    for (TChartAxis* axis : {&FChart->LeftAxis(), &FChart->BottomAxis()}) {
        axis->SetMinMax(0, 0);
        axis->SetAutomatic(true);
    }
    FCurrentKind->SetupChart(*FChart, 0, 0, 0.0, 0.0);
    // Without points a percentage axis would show -1 .. 1 %; the whole scale is the neutral view.
    if (FCurrentKind->ValuesAreProbabilities())
        FChart->LeftAxis().SetMinMax(0, 100);
}

void TChartController::SetActive(bool active) {
    FActive = active;
    if (active)
        RunCalculations();
    else
        StopCalculations(false);
}

void TChartController::RestartSeriesUsing(const void* description, bool isGame) {
    for (TSeries& s : FSeries) {
        TGameCalculator& c = *s.Calculator;
        const void* used = isGame ? static_cast<const void*>(c.Game) : static_cast<const void*>(c.BetSystem);
        if (used != description)
            continue;
        c.RoundCount = 0;
        s.ReportedFailure.clear(); // a changed description that fails again is news
        s.Caption = SafeFormat(QStringLiteral("%s [%s]"), {c.Game->Name, c.BetSystem->Name});
    }
}

TGameDescription* TChartController::CreateGame() {
    if (!FDialogs)
        return nullptr;
    std::unique_ptr<TGameDescription> game = FDialogs->NewGame(FStorage->Games->NameList());
    if (!game)
        return nullptr;
    CheckGameName(*FStorage->Games, game->Name, nullptr);
    TGameDescription* added = game.get();
    FStorage->Games->Add(std::move(game));
    return added;
}

bool TChartController::ModifyGame(TGameDescription& game) {
    if (!FDialogs)
        return false;
    TGameDescription edited;
    if (!FDialogs->EditGame(game, FStorage->Games->NameList(), edited))
        return false;
    // The thread reads the description without a lock: stop it before the shared game changes.
    const bool wasRunning = StopCalculations(true);
    try {
        CheckGameName(*FStorage->Games, edited.Name, &game);
    } catch (...) {
        if (wasRunning)
            RunCalculations();
        throw;
    }
    game.Assign(edited);
    FStorage->Games->Rekey(&game);
    RestartSeriesUsing(&game, true);
    RunCalculations();
    return true;
}

TBetDescription* TChartController::CreateSystem() {
    if (!FDialogs)
        return nullptr;
    std::unique_ptr<TBetDescription> system = FDialogs->NewSystem(FStorage->Systems->NameList());
    if (!system)
        return nullptr;
    CheckSystemName(*FStorage->Systems, system->Name, nullptr);
    TBetDescription* added = system.get();
    FStorage->Systems->Add(std::move(system));
    return added;
}

bool TChartController::ModifySystem(TBetDescription& system) {
    if (!FDialogs)
        return false;
    TBetDescription edited;
    if (!FDialogs->EditSystem(system, FStorage->Systems->NameList(), edited))
        return false;
    const bool wasRunning = StopCalculations(true);
    try {
        CheckSystemName(*FStorage->Systems, edited.Name, &system);
    } catch (...) {
        if (wasRunning)
            RunCalculations();
        throw;
    }
    system.Assign(edited);
    FStorage->Systems->Rekey(&system);
    RestartSeriesUsing(&system, false);
    RunCalculations();
    return true;
}

void TChartController::DeleteGame(int index) {
    TGameDescription* game = FStorage->Games->Item(index); // checks the index before anything changes
    const bool wasRunning = StopCalculations(true);
    for (int i = SeriesCount() - 1; i >= 0; --i)
        if (FSeries[static_cast<size_t>(i)].Calculator->Game == game)
            RemoveSeriesAt(i);
    if (wasRunning)
        RunCalculations();
    FStorage->Games->Delete(index);
}

void TChartController::DeleteSystem(int index) {
    TBetDescription* system = FStorage->Systems->Item(index);
    const bool wasRunning = StopCalculations(true);
    for (int i = SeriesCount() - 1; i >= 0; --i)
        if (FSeries[static_cast<size_t>(i)].Calculator->BetSystem == system)
            RemoveSeriesAt(i);
    if (wasRunning)
        RunCalculations();
    FStorage->Systems->Delete(index);
}

void TChartController::SetMemoryBudget(int64_t bytes) {
    bytes = std::max<int64_t>(bytes, 0);
    if (bytes == FMemoryBudget)
        return;
    StopCalculations(true);
    FMemoryBudget = bytes;
    // Rows grown or cut under the old budget are not what the new one gives.
    FCurrentKind->ComputedRounds = 0;
}

void TChartController::SetTolerance(double tolerance) {
    tolerance = std::isfinite(tolerance) ? std::clamp(tolerance, 0.0, 1.0) : DefaultTolerance;
    if (tolerance == FTolerance)
        return;
    StopCalculations(true);
    FTolerance = tolerance;
    // Tails cut under the old tolerance are not what the new one keeps.
    FCurrentKind->ComputedRounds = 0;
}

void TChartController::SetWorkerCount(int workers) {
    StopCalculations(true);
    FWorkerCount = std::max(workers, 0);
    FStepPool.reset();
}

TStepPool* TChartController::StepPool() {
    if (FWorkerCount == 1)
        return nullptr;
    if (!FStepPool)
        FStepPool = std::make_unique<TStepPool>(FWorkerCount);
    return FStepPool->WorkerCount() > 1 ? FStepPool.get() : nullptr;
}

void TChartController::OpenAbout() {
    if (FDialogs)
        FDialogs->ShowAbout();
}

} // namespace wl
