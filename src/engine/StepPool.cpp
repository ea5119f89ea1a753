// The worker pool of the calculation: fork and join once per round, with a short spin before sleeping.
#include "engine/StepPool.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <utility>

namespace wl {

namespace {

thread_local bool InsidePool = false;

// No pause instruction: under a hypervisor, pause loops get the virtual processor descheduled, which costs far
// more than the spin saves.
inline void Relax() {
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

// Rounds follow each other within microseconds; a wake-up costs tens of them on a virtual machine.
constexpr auto SpinBudget = std::chrono::microseconds(1000);
constexpr unsigned ClockEvery = 255; // spins between looks at the clock, which costs more than a spin

uint64_t GenerationOf(uint64_t round) {
    return round >> 16;
}
int CountOf(uint64_t round) {
    return static_cast<int>(round & 0xFFFF);
}

// The share [first, last) of participant `part` of `parts`.
int ShareStart(int part, int parts, int count) {
    return static_cast<int>(static_cast<long long>(part) * count / parts);
}

} // namespace

TStepPool::TStepPool(int workers) {
    if (workers <= 0)
        workers = static_cast<int>(std::thread::hardware_concurrency());
    workers = std::clamp(workers, 1, 64);
    FSlots = std::make_unique<TSlot[]>(MaxCount);
    FDone = std::make_unique<TDone[]>(static_cast<size_t>(workers));
    FThreads.reserve(static_cast<size_t>(workers - 1));
    for (int i = 1; i < workers; ++i)
        FThreads.emplace_back([this, i] { WorkerLoop(i); });
}

TStepPool::~TStepPool() {
    FStopping.store(true);
    FRound.store((GenerationOf(FRound.load()) + 1) << 16);
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
    FWork.store(&work, std::memory_order_relaxed);
    if (FFailedIndex.load(std::memory_order_relaxed) != INT_MAX)
        FFailedIndex.store(INT_MAX, std::memory_order_relaxed);
    const uint64_t generation = GenerationOf(FRound.load(std::memory_order_relaxed)) + 1;
    const uint64_t round = generation << 16 | static_cast<uint64_t>(count);
    // A plain release: a fence here would stall the caller for a cache line's round trip every round. A worker
    // that goes to sleep just now may be missed; it then sits out this round only, as the next one wakes it.
    FRound.store(round, std::memory_order_release);
    if (FSleepers.load(std::memory_order_relaxed) > 0) {
        FWake.fetch_add(1);
        FWake.notify_all();
    }

    InsidePool = true;
    const int mine = Walk(0, round);
    InsidePool = false;

    // Only calls a worker has taken are left; wait for them.
    const int expected = count - mine;
    if (FinishedByWorkers(generation) != expected) {
        const auto start = std::chrono::steady_clock::now();
        for (unsigned spin = 1; FinishedByWorkers(generation) != expected; ++spin) {
            if ((spin & ClockEvery) != 0 || std::chrono::steady_clock::now() - start < SpinBudget) {
                Relax();
                continue;
            }
            FCallerAsleep.store(true);
            const int join = FJoin.load();
            if (FinishedByWorkers(generation) != expected)
                FJoin.wait(join);
            FCallerAsleep.store(false);
        }
    }
    FWork.store(nullptr, std::memory_order_relaxed);
    if (FFailure)
        std::rethrow_exception(std::exchange(FFailure, nullptr));
}

bool TStepPool::Claim(int index, uint64_t generation) {
    std::atomic<uint64_t>& claim = FSlots[static_cast<size_t>(index)].Claim;
    uint64_t seen = claim.load(std::memory_order_relaxed);
    // A later generation means this caller is late: that round has long been finished by others.
    return seen < generation &&
           claim.compare_exchange_strong(seen, generation, std::memory_order_acq_rel, std::memory_order_relaxed);
}

int TStepPool::Walk(int self, uint64_t round) {
    const uint64_t generation = GenerationOf(round);
    const int count = CountOf(round);
    const int parts = WorkerCount();
    int taken = 0;
    auto run = [&](int i) {
        ++taken;
        if (i >= FFailedIndex.load(std::memory_order_acquire))
            return;
        // A claim taken means the round is still open, so this is still its work.
        const std::function<void(int)>* work = FWork.load(std::memory_order_relaxed);
        try {
            (*work)(i);
        } catch (...) {
            std::lock_guard<std::mutex> lock(FFailureLock);
            if (i < FFailedIndex.load(std::memory_order_relaxed)) {
                FFailedIndex.store(i, std::memory_order_release);
                FFailure = std::current_exception();
            }
        }
    };
    // The own share front to back; the first index found taken means a thief has the rest.
    for (int i = ShareStart(self, parts, count), end = ShareStart(self + 1, parts, count);
         i < end && Claim(i, generation); ++i)
        run(i);
    // Then the others' shares from their back ends, until their owners' or another thief's calls are met. The
    // caller's share is left to the caller, which is surely running: looking at it would cost a line's round trip.
    for (int j = 1; j < parts; ++j) {
        const int part = (self + j) % parts;
        if (part == 0)
            continue;
        for (int i = ShareStart(part + 1, parts, count) - 1, first = ShareStart(part, parts, count);
             i >= first && Claim(i, generation); --i)
            run(i);
    }
    return taken;
}

int TStepPool::FinishedByWorkers(uint64_t generation) const {
    int finished = 0;
    for (size_t w = 1; w <= FThreads.size(); ++w) {
        const uint64_t word = FDone[w].Word.load(std::memory_order_acquire);
        if (GenerationOf(word) == generation)
            finished += CountOf(word);
    }
    return finished;
}

bool TStepPool::AwaitRound(uint64_t seen, uint64_t& round) {
    auto start = std::chrono::steady_clock::now();
    for (unsigned spin = 1;; ++spin) {
        round = FRound.load(std::memory_order_acquire);
        if (GenerationOf(round) != seen)
            return !FStopping.load(std::memory_order_relaxed);
        if ((spin & ClockEvery) != 0 || std::chrono::steady_clock::now() - start < SpinBudget) {
            Relax();
            continue;
        }
        FSleepers.fetch_add(1);
        const int wake = FWake.load();
        if (GenerationOf(FRound.load()) == seen)
            FWake.wait(wake);
        FSleepers.fetch_sub(1);
        start = std::chrono::steady_clock::now();
    }
}

void TStepPool::WorkerLoop(int self) {
    InsidePool = true;
    std::atomic<uint64_t>& done = FDone[static_cast<size_t>(self)].Word;
    uint64_t round = 0;
    while (AwaitRound(GenerationOf(round), round)) {
        const int taken = Walk(self, round);
        // Sequentially consistent with the caller's going to sleep, so that a sleeping caller is always woken.
        done.store((round & ~uint64_t{0xFFFF}) | static_cast<uint64_t>(taken));
        if (FCallerAsleep.load()) {
            FJoin.fetch_add(1);
            FJoin.notify_one();
        }
    }
}

} // namespace wl
