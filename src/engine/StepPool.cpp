// The worker pool of the calculation: fork and join once per round, with a short spin before sleeping.
#include "engine/StepPool.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace wl {

namespace {

thread_local bool InsidePool = false;

inline void Relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Rounds follow each other within microseconds; spinning this long first saves a sleep and a wake-up per round.
constexpr int SpinCount = 20000;

} // namespace

TStepPool::TStepPool(int workers) {
    if (workers <= 0)
        workers = static_cast<int>(std::thread::hardware_concurrency());
    workers = std::max(workers, 1);
    FThreads.reserve(static_cast<size_t>(workers - 1));
    for (int i = 1; i < workers; ++i)
        FThreads.emplace_back([this] { WorkerLoop(); });
}

TStepPool::~TStepPool() {
    FStopping.store(true);
    FGeneration.fetch_add(1, std::memory_order_release);
    FGeneration.notify_all();
    for (std::thread& t : FThreads)
        t.join();
}

void TStepPool::RunRound(int count, const std::function<void(int)>& work) {
    if (count <= 0)
        return;
    if (FThreads.empty() || count == 1 || InsidePool) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    FWork = &work;
    FCount = count;
    FFailure = nullptr;
    FFailedIndex.store(INT_MAX, std::memory_order_relaxed);
    FNext.store(0, std::memory_order_relaxed);
    FBusy.store(static_cast<int>(FThreads.size()), std::memory_order_relaxed);
    FGeneration.fetch_add(1, std::memory_order_release);
    FGeneration.notify_all();

    InsidePool = true;
    Drain();
    InsidePool = false;

    for (int spin = 0; FBusy.load(std::memory_order_acquire) != 0; ++spin) {
        if (spin < SpinCount) {
            Relax();
        } else {
            const int busy = FBusy.load(std::memory_order_acquire);
            if (busy != 0)
                FBusy.wait(busy, std::memory_order_acquire);
        }
    }
    FWork = nullptr;
    if (FFailure)
        std::rethrow_exception(std::exchange(FFailure, nullptr));
}

void TStepPool::Drain() {
    for (;;) {
        const int i = FNext.fetch_add(1, std::memory_order_relaxed);
        if (i >= FCount)
            return;
        if (i > FFailedIndex.load(std::memory_order_acquire))
            continue;
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
}

void TStepPool::WorkerLoop() {
    InsidePool = true;
    unsigned seen = FGeneration.load(std::memory_order_acquire);
    for (;;) {
        unsigned now = FGeneration.load(std::memory_order_acquire);
        for (int spin = 0; now == seen; ++spin) {
            if (spin < SpinCount) {
                Relax();
            } else {
                FGeneration.wait(seen, std::memory_order_acquire);
            }
            now = FGeneration.load(std::memory_order_acquire);
        }
        seen = now;
        if (FStopping.load())
            return;
        Drain();
        if (FBusy.fetch_sub(1, std::memory_order_acq_rel) == 1)
            FBusy.notify_one();
    }
}

} // namespace wl
