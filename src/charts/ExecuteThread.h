// The calculation thread: carries every series of a controller forward round by round for the current kind.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

namespace wl {

class TChartController;
class TChartDescription;
class Exception;
class TStepPool;

class TExecuteThread {
public:
    // Created suspended; Start runs Execute on a new thread, then OnDone through a synchronised call.
    explicit TExecuteThread(TChartController& controller);
    ~TExecuteThread(); // joins; only destroy after OnDone has run
    TExecuteThread(const TExecuteThread&) = delete;
    TExecuteThread& operator=(const TExecuteThread&) = delete;

    // Runs in the interface thread when the thread ends, however it ends (the controller's ThreadDone).
    std::function<void()> OnDone;

    void Start();
    void Terminate() { FTerminated.store(true, std::memory_order_relaxed); }
    bool Terminated() const { return FTerminated.load(std::memory_order_relaxed); }
    // Waits for the std::thread to finish; only after OnDone has run, since the thread waits for the interface
    // thread until then.
    void Join();
    // Set when the thread body has finished, OnDone included (or its hand-over failed).
    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    // Why each series stopped (null where it did not), index as in the controller. The thread writes them; the
    // interface thread reads them only in OnDone, while the thread waits for it, or once it has finished.
    const std::vector<std::exception_ptr>& SeriesFailures() const { return FSeriesFailures; }

    // The percentage of `round` out of n, rounded half to even; n > 0.
    static int32_t Percent(int32_t round, int32_t n);

    // The last round of the block that starts at `first`: each series runs a block on one worker (see
    // TStepPool::BlockRounds). A block ends where the percentage changes, so that progress is reported on the rounds
    // it always was; a stop takes effect at the end of a block.
    static int32_t BlockEnd(int32_t first, int32_t n, double roundWork);

    // The thread body. Public so that tests can run one calculation on the calling thread.
    void Execute();

private:
    void Run();
    // The per-series work of a round, run on the pool's workers: one series and its CollectRound.
    void StartSeries(TChartDescription& kind, int index);
    void StepSeries(TChartDescription& kind, int index, int round);
    // Runs one series' share of a round; a failure marks that series failed and is not passed on.
    template <class TWork> void GuardSeries(int index, TWork&& work);
    // The cell updates of one round of all series, at most; costs gets each series' share.
    double RoundWork(std::vector<double>& costs) const;
    void ForEachSeries(TStepPool* pool, const std::function<void(int)>& work);
    // Completes the summaries the series collected, when the controller wants them.
    void CompleteSummaries();
    // The kinds that compute each series whole: one series after the other, each step shared out over the pool.
    void ComputeWhole(TChartDescription& kind, TStepPool* pool);
    void ReportProgress(int32_t progress);
    void ReportFailure(Exception& failure);

    TChartController& FController;
    std::vector<std::exception_ptr> FSeriesFailures; // each series' slot written by whoever steps that series
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FCompletingSummaries = false; // this thread's; handed over with each progress report
    std::thread FThread;
};

} // namespace wl
