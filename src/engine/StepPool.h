// A small pool of workers, one per core, that runs the per-series work of one round in parallel.
//
// RunRound(count, work) calls work(0) .. work(count - 1), each exactly once and each wholly on one worker, and
// returns when all have returned. The calling thread works too, and never waits for a worker that has not taken a
// call, so a busy machine costs no more than the serial loop. If calls fail, the failure of the lowest index is
// rethrown; indexes above a failure that have not started yet are skipped, as a serial loop would stop there. No
// allocation happens per round. A RunRound from inside a work call runs its calls serially on that worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

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

private:
    void WorkerLoop();
    // Takes and runs calls of round `generation` until none is left.
    void Drain(uint32_t generation);

    std::vector<std::thread> FThreads;
    // Generation in the high 32 bits, the next index in bits 16..31, the call count in bits 0..15: one word, so
    // that a late worker can never take a call of a round that is not its own.
    alignas(64) std::atomic<uint64_t> FRound{0};
    // Bumped after each new round; sleeping workers wait on it (an int, so the wait is a plain futex).
    alignas(64) std::atomic<int> FWake{0};
    // Who sleeps: a notification (a system call) is only made for a sleeper.
    std::atomic<int> FSleepers{0};
    std::atomic<bool> FCallerAsleep{false};
    // Each on a line of its own: the workers update them at every call and must not bounce FRound's line.
    alignas(64) std::atomic<int> FDone{0};
    alignas(64) std::atomic<int> FFailedIndex{0};
    alignas(64) std::atomic<bool> FStopping{false};
    const std::function<void(int)>* FWork = nullptr;
    std::mutex FFailureLock;
    std::exception_ptr FFailure;
};

} // namespace wl
