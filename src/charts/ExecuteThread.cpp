// The calculation thread: round 1 for new series, then rounds 2..N for every series, with progress and failures
// handed to the interface thread.
#include "charts/ExecuteThread.h"

#include "charts/ChartController.h"
#include "charts/ChartDescription.h"
#include "charts/SeriesSummary.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepPool.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "support/SignalStack.h"

#include <algorithm>
#include <vector>

namespace wl {

namespace {
// Probability at a limit stands for balances beyond it: from then on the values are not exact, and the window says
// so. The risk kinds have just taken every balance at their limits.
void NoteLimits(TGameCalculator& c, int round) {
    const double share = c.LimitProbability();
    if (!(share > 0.0))
        return;
    if (c.LimitRound == 0)
        c.LimitRound = round;
    c.LimitShare = std::max(c.LimitShare, share);
}
} // namespace

TExecuteThread::TExecuteThread(TChartController& controller)
    : FController(controller), FSeriesFailures(static_cast<size_t>(controller.SeriesCount())) {}

TExecuteThread::~TExecuteThread() {
    Join();
}

void TExecuteThread::Start() {
    FThread = std::thread([this] { Run(); });
}

void TExecuteThread::Join() {
    if (FThread.joinable())
        FThread.join();
}

int32_t TExecuteThread::Percent(int32_t round, int32_t n) {
    const int32_t scaled = CheckedMul(round, 100);
    int32_t q = scaled / n;
    const int32_t r = scaled % n;
    // Halves go to the even neighbour.
    if (2LL * r > n || (2LL * r == n && q % 2 != 0))
        ++q;
    return q;
}

void TExecuteThread::Run() {
    const TAlternateSignalStack signalStack;
    try {
        Execute();
    } catch (...) {
        // Execute reports its own failures; this only keeps a failing report from ending the program.
    }
    try {
        FController.Synchronizer().Synchronize([this] {
            if (OnDone)
                OnDone();
        });
    } catch (...) {
        // OnDone reports its own failures on the interface thread.
    }
    FFinished.store(true, std::memory_order_release);
}

template <class TWork> void TExecuteThread::GuardSeries(int index, TWork&& work) {
    // One bad game or system must not take the other series down with it: only this series stops.
    try {
        work();
    } catch (...) {
        // Kept here until the interface thread takes it over with the results.
        FSeriesFailures[static_cast<size_t>(index)] = std::current_exception();
    }
}

void TExecuteThread::StartSeries(TChartDescription& kind, int index) {
    GuardSeries(index, [&] {
        TGameCalculator& c = FController.GetCalculator(index);
        if (c.RoundCount > kind.ComputedRounds)
            c.RoundCount = 0;
        if (c.RoundCount == 0) {
            c.Reset();
            if (TSummaryCollector* summary = FController.FSeries[static_cast<size_t>(index)].Collector.get())
                summary->Collect(c, 1); // before a risk kind takes what ended
            kind.CollectRound(c, 1);
            NoteLimits(c, 1);
        }
    });
}

void TExecuteThread::StepSeries(TChartDescription& kind, int index, int round) {
    if (FSeriesFailures[static_cast<size_t>(index)])
        return;
    GuardSeries(index, [&] {
        TGameCalculator& c = FController.GetCalculator(index);
        if (c.RoundCount != round - 1)
            return; // ahead from an earlier calculation
        // A lone wide series shares its round out over the pool; inside a pool worker this steps serially.
        if (TStepPool* pool = FController.StepPool())
            c.Step(*pool);
        else
            c.Step();
        if (TSummaryCollector* summary = FController.FSeries[static_cast<size_t>(index)].Collector.get())
            summary->Collect(c, round);
        kind.CollectRound(c, round);
        NoteLimits(c, round);
    });
}

int32_t TExecuteThread::BlockEnd(int32_t first, int32_t n, double roundWork) {
    const int32_t limit = TStepPool::BlockRounds(roundWork);
    int32_t end = first;
    while (end < n && end - first + 1 < limit && Percent(end, n) == Percent(end - 1, n))
        ++end;
    return end;
}

double TExecuteThread::RoundWork(std::vector<double>& costs) const {
    costs.assign(static_cast<size_t>(FController.SeriesCount()), 0.0);
    double work = 0.0;
    for (int j = 0; j < FController.SeriesCount(); ++j) {
        costs[static_cast<size_t>(j)] = FController.GetCalculator(j).RoundUpdates();
        work += costs[static_cast<size_t>(j)];
    }
    return work;
}

void TExecuteThread::ForEachSeries(TStepPool* pool, const std::function<void(int)>& work) {
    const int count = FController.SeriesCount();
    if (pool && count > 1) {
        pool->RunRound(count, work);
        return;
    }
    for (int j = 0; j < count; ++j)
        work(j);
}

void TExecuteThread::Execute() {
    const TFloatModeGuard floatMode;
    try {
        TChartDescription& kind = FController.CurrentKind();
        std::vector<TGameCalculator*> calculators;
        for (int j = 0; j < FController.SeriesCount(); ++j)
            calculators.push_back(&FController.GetCalculator(j));
        kind.PrepareSeries(calculators);
        TStepPool* pool = FController.StepPool();
        if (kind.ComputesWhole()) {
            ComputeWhole(kind, pool);
            return;
        }

        ForEachSeries(pool, [this, &kind](int j) { StartSeries(kind, j); });
        if (Terminated())
            return;

        const int32_t n = kind.RoundsToCompute();
        int32_t last = n > 0 ? Percent(1, n) : 0;
        int32_t first = 2, end = 1; // the block of rounds in hand
        // Made once: nothing is allocated per round.
        std::vector<double> costs;
        std::vector<int> order; // wide series spread over the workers, so that none waits long for another
        const std::function<void(int)> step = [this, &kind, &first, &end, &order](int j) {
            for (int32_t round = first; round <= end; ++round)
                StepSeries(kind, order[static_cast<size_t>(j)], round);
        };
        while (end < n) {
            first = end + 1;
            end = BlockEnd(first, n, RoundWork(costs));
            TStepPool::BalancedOrder(costs, pool ? pool->WorkerCount() : 1, order);
            ForEachSeries(pool, step);
            if (Terminated()) {
                if (kind.ComputedRounds < end)
                    kind.ComputedRounds = end;
                return;
            }
            const int32_t progress = Percent(end, n);
            if (progress != last) {
                ReportProgress(progress);
                last = progress;
            }
        }
        kind.ComputedRounds = n;
        FCompletingSummaries = true;
        CompleteSummaries();
    } catch (Exception& e) {
        ReportFailure(e);
    } catch (const std::exception& e) {
        Exception failure(e.what());
        ReportFailure(failure);
    } catch (...) {
        Exception failure("Unknown error");
        ReportFailure(failure);
    }
}

void TExecuteThread::CompleteSummaries() {
    // What the chart did not need: the session played to its end and the reach runs, series by series.
    const int count = FController.SeriesCount();
    int32_t last = -1;
    for (int j = 0; j < count && !Terminated(); ++j) {
        TChartController::TSeries& series = FController.FSeries[static_cast<size_t>(j)];
        if (!series.Collector || FSeriesFailures[static_cast<size_t>(j)] || !series.Collector->HorizonCollected())
            continue;
        GuardSeries(j, [&] {
            const auto progress = [&](double share) {
                const int32_t percent = static_cast<int32_t>(100.0 * (j + share) / count);
                if (percent != last) {
                    ReportProgress(percent);
                    last = percent;
                }
            };
            series.SummaryDone = series.Collector->Complete(
                *series.Calculator, [this] { return Terminated(); }, progress);
        });
        // A long summary shows each series as it completes, not only all of them at the end.
        if (series.SummaryDone && !Terminated())
            FController.Synchronizer().Synchronize([this, j] { FController.TakeSummary(j); });
    }
}

void TExecuteThread::ComputeWhole(TChartDescription& kind, TStepPool* pool) {
    const int count = FController.SeriesCount();
    const int32_t n = kind.RoundsToCompute();
    const int32_t total = CheckedMul(std::max(count, 1), std::max(n, 1));
    int32_t last = 0;
    for (int j = 0; j < count && !Terminated(); ++j)
        GuardSeries(j, [&] {
            kind.ComputeSeries(FController.GetCalculator(j), pool, [&](int32_t step) {
                const int32_t progress = Percent(j * n + std::clamp(step, 0, n), total);
                if (progress != last) {
                    ReportProgress(progress);
                    last = progress;
                }
                return !Terminated();
            });
        });
    // Nothing of a backward pass can be carried on: the next run computes again.
    kind.ComputedRounds = 0;
}

void TExecuteThread::ReportProgress(int32_t progress) {
    FController.Synchronizer().Synchronize([this, progress] {
        FController.FCompletingSummaries = FCompletingSummaries;
        if (FController.OnProgress())
            FController.OnProgress()(progress);
    });
}

void TExecuteThread::ReportFailure(Exception& failure) {
    failure.SetMessage(QStringLiteral("Error in thread\n\r") + failure.Message());
    try {
        FController.Synchronizer().Synchronize([this, &failure] { FController.ReportThreadFailure(failure); });
    } catch (...) {
        // The report itself failed; the calculation still ends normally.
    }
}

} // namespace wl
