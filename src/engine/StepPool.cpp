// The worker pool of the calculation: fork and join once per round, with a short spin before sleeping.
#include "engine/StepPool.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace wl {

namespace {

thread_local bool InsidePool = false;

// No pause instruction: under a hypervisor, long pause loops get the virtual processor descheduled, which costs
// far more than the spin saves.
inline void Relax() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Rounds follow each other within microseconds; spinning this long first saves a sleep and a wake-up per round.
constexpr int SpinCount = 200000;
constexpr int MaxCount = 0xFFFF;

uint32_t GenerationOf(uint64_t round) {
    return static_cast<uint32_t>(round >> 32);
}
int NextOf(uint64_t round) {
    return static_cast<int>((round >> 16) & 0xFFFF);
}
int CountOf(uint64_t round) {
    return static_cast<int>(round & 0xFFFF);
}

} // namespace

TStepPool::TStepPool(int workers) {
    if (workers <= 0)
        workers = static_cast<int>(std::thread::hardware_concurrency());
    workers = std::clamp(workers, 1, 64);
    FThreads.reserve(static_cast<size_t>(workers - 1));
    for (int i = 1; i < workers; ++i)
        FThreads.emplace_back([this] { WorkerLoop(); });
}

TStepPool::~TStepPool() {
    FStopping.store(true);
    FRound.fetch_add(uint64_t{1} << 32);
    FWake.fetch_add(1);
    FWake.notify_all();
    for (std::thread& t : FThreads)
        t.join();
}

void TStepPool::RunRound(int count, const std::function<void(int)>& work) {
    if (count <= 0)
        return;
    if (FThreads.empty() || count == 1 || count > MaxCount || InsidePool) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    FWork = &work;
    FFailure = nullptr;
    FFailedIndex.store(INT_MAX, std::memory_order_relaxed);
    FDone.store(0, std::memory_order_relaxed);
    const uint32_t generation = GenerationOf(FRound.load(std::memory_order_relaxed)) + 1;
    FRound.store(uint64_t{generation} << 32 | static_cast<uint64_t>(count));
    FWake.fetch_add(1);
    if (FSleepers.load() > 0)
        FWake.notify_all();

    InsidePool = true;
    Drain(generation);
    InsidePool = false;

    for (int spin = 0;; ++spin) {
        const int done = FDone.load(std::memory_order_acquire);
        if (done == count)
            break;
        if (spin < SpinCount) {
            Relax();
        } else {
            FCallerAsleep.store(true);
            const int now = FDone.load();
            if (now != count)
                FDone.wait(now);
            FCallerAsleep.store(false);
        }
    }
    FWork = nullptr;
    if (FFailure)
        std::rethrow_exception(std::exchange(FFailure, nullptr));
}

void TStepPool::Drain(uint32_t generation) {
    uint64_t round = FRound.load(std::memory_order_acquire);
    for (;;) {
        if (GenerationOf(round) != generation || NextOf(round) >= CountOf(round))
            return;
        if (!FRound.compare_exchange_weak(round, round + (uint64_t{1} << 16), std::memory_order_acq_rel,
                                          std::memory_order_acquire))
            continue;
        const int i = NextOf(round);
        const int count = CountOf(round);
        if (i < FFailedIndex.load(std::memory_order_acquire)) {
            try {
                (*FWork)(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(FFailureLock);
                if (i < FFailedIndex.load(std::memory_order_relaxed)) {
                    FFailedIndex.store(i, std::memory_order_release);
                    FFailure = std::current_exception();
                }
            }
        }
        if (FDone.fetch_add(1) + 1 == count && FCallerAsleep.load())
            FDone.notify_one();
        round = FRound.load(std::memory_order_acquire);
    }
}

void TStepPool::WorkerLoop() {
    InsidePool = true;
    uint32_t seen = GenerationOf(FRound.load(std::memory_order_acquire));
    for (;;) {
        // A pool destroyed before this thread first looked has already moved the generation that `seen` holds.
        if (FStopping.load())
            return;
        uint64_t round = FRound.load(std::memory_order_acquire);
        for (int spin = 0; GenerationOf(round) == seen; ++spin) {
            if (spin < SpinCount) {
                Relax();
            } else {
                FSleepers.fetch_add(1);
                const int wake = FWake.load();
                round = FRound.load();
                if (GenerationOf(round) == seen)
                    FWake.wait(wake);
                FSleepers.fetch_sub(1);
            }
            round = FRound.load(std::memory_order_acquire);
        }
        seen = GenerationOf(round);
        if (FStopping.load())
            return;
        Drain(seen);
    }
}

} // namespace wl
