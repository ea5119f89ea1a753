// A small pool of workers, one per core, that runs the per-series work of one round in parallel.
//
// RunRound(count, work) calls work(0) .. work(count - 1), each exactly once and each wholly on one worker, and
// returns when all have returned. The calling thread works too. If calls fail, the failure of the lowest index is
// rethrown; indexes above a failure that have not started yet are skipped, as a serial loop would stop there. No
// allocation happens per round. A RunRound from inside a work call runs its calls serially on that worker.
//
// Each participant owns a contiguous share of the indexes and takes them front to back, so that a series stays on
// one core from round to round. The caller takes the share of a sleeping worker that has not started at once, and
// what a started worker has not taken yet once it is late by as long again as the caller's own share took: a busy
// machine costs little more than the serial loop. A worker keeps watching for the next round for about a
// millisecond before it sleeps, so that consecutive rounds cost no wake-up, and an idle pool uses no processor.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace wl {

class TStepPool {
public:
    // workers 0: one per core.
    explicit TStepPool(int workers = 0);
    ~TStepPool();
    TStepPool(const TStepPool&) = delete;
    TStepPool& operator=(const TStepPool&) = delete;

    int WorkerCount() const { return static_cast<int>(FThreads.size()) + 1; }
    void RunRound(int count, const std::function<void(int index)>& work);

    // Rounds of more calls than this run serially.
    static constexpr int MaxCount = 256;

    // An order of count calls, by their costs, for RunRound's equal shares of calls among parts participants:
    // RunRound's call i does the work of call order[i]. The costliest go first to the least loaded share, so
    // that no participant waits long for another.
    static void BalancedOrder(const std::vector<double>& costs, int parts, std::vector<int>& order);

    // How many rounds each series best runs in one call when a round of all series costs roundWork cell updates: a
    // series that runs several rounds in a row finds its rows still in its core's cache, which saves most of the
    // memory traffic of wide rows. Capped so that a block stays short (tens of milliseconds) and a stop soon seen.
    static int BlockRounds(double roundWork);
    static constexpr int MaxBlockRounds = 64;
    static constexpr double BlockWork = 5.0e7;

private:
    // Each on a line of its own, so that a participant taking its own share never bounces another's line.
    struct alignas(64) TSlot {
        std::atomic<uint64_t> Claim{0}; // the generation of the last round that took this index
    };
    struct alignas(64) TDone {
        std::atomic<uint64_t> Word{0}; // generation << 16 | calls this worker finished in that round
    };

    void WorkerLoop(int self);
    // Waits for a round newer than `seen`; false when the pool is stopping.
    bool AwaitRound(uint64_t seen, uint64_t& round);
    // Takes and runs calls of `round` as participant `self`; returns how many it took. Only a rescue takes from
    // the shares of workers that have started.
    int Walk(int self, uint64_t round, bool rescue);
    bool Claim(int index, uint64_t generation);
    int FinishedByWorkers(uint64_t generation) const;
    // Keeping workers off the caller's processor; see StepPool.cpp.
    void KeepSleepersOff(int cpu);
    void MoveAwayFrom(int cpu);
    void RestoreCpus();

    std::vector<std::thread> FThreads;
    // Generation << 16 | call count: one word, so that a late worker never pairs a round with another's count.
    alignas(64) std::atomic<uint64_t> FRound{0};
    std::atomic<const std::function<void(int)>*> FWork{nullptr};
    std::atomic<int> FCallerCpu{-1}; // where the caller ran when it handed out the round
    // Bumped for each round while a worker sleeps; sleeping workers wait on it (an int: a plain futex).
    alignas(64) std::atomic<int> FWake{0};
    std::atomic<int> FSleepers{0};
    std::atomic<bool> FStopping{false};
    // The caller sleeps on FJoin once it has waited long for a worker's call.
    alignas(64) std::atomic<int> FJoin{0};
    std::atomic<bool> FCallerAsleep{false};
    alignas(64) std::atomic<int> FFailedIndex{0};
    std::mutex FFailureLock;
    std::exception_ptr FFailure;
    std::unique_ptr<TSlot[]> FSlots;
#ifdef __linux__
    cpu_set_t FAllowed{}; // the processors the pool was made with, which the workers inherited
#endif
    bool FHaveAllowed = false;
    std::unique_ptr<TDone[]> FDone; // by participant; the caller, 0, has none
};

} // namespace wl
