// The worker pool of the calculation: fork and join once per round, with a short spin before sleeping.
#include "engine/StepPool.h"

#include "engine/FloatMode.h"
#include "support/SignalStack.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <numeric>
#include <utility>

#ifdef __linux__
#include <sched.h>
#endif

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
constexpr unsigned ClockEvery = 63; // spins between looks at the clock, which costs more than a spin
constexpr auto MinGrace = std::chrono::microseconds(2);

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

int CurrentCpu() {
#ifdef __linux__
    return sched_getcpu();
#else
    return -1;
#endif
}

// A woken worker is often placed on the caller's processor, where it waits for the caller's time slice to end and
// then takes turns with the caller until the balancer notices, for milliseconds: a short calculation then runs no
// faster than the serial loop. So the caller keeps the workers it wakes off its processor, and a worker that finds
// itself there all the same moves away at once. Each costs system calls only when it happens.
#ifdef __linux__
bool WithoutCpu(const cpu_set_t& allowed, int cpu, cpu_set_t& others) {
    if (cpu < 0 || cpu >= CPU_SETSIZE)
        return false;
    others = allowed;
    CPU_CLR(cpu, &others);
    return CPU_COUNT(&others) > 0;
}
#endif

} // namespace

void TStepPool::KeepSleepersOff(int cpu) {
#ifdef __linux__
    cpu_set_t others;
    if (!FHaveAllowed || !WithoutCpu(FAllowed, cpu, others))
        return;
    for (std::thread& t : FThreads)
        pthread_setaffinity_np(t.native_handle(), sizeof others, &others);
#else
    (void)cpu;
#endif
}

void TStepPool::RestoreCpus() {
#ifdef __linux__
    if (FHaveAllowed)
        sched_setaffinity(0, sizeof FAllowed, &FAllowed);
#endif
}

void TStepPool::MoveAwayFrom(int cpu) {
#ifdef __linux__
    cpu_set_t others;
    // Leaving the processor out moves the thread now; putting it back leaves the thread where it landed.
    if (FHaveAllowed && WithoutCpu(FAllowed, cpu, others) && sched_setaffinity(0, sizeof others, &others) == 0)
        RestoreCpus();
#else
    (void)cpu;
#endif
}

TStepPool::TStepPool(int workers) {
    if (workers <= 0)
        workers = static_cast<int>(std::thread::hardware_concurrency());
    workers = std::clamp(workers, 1, 64);
    FSlots = std::make_unique<TSlot[]>(MaxCount);
#ifdef __linux__
    FHaveAllowed = sched_getaffinity(0, sizeof FAllowed, &FAllowed) == 0;
#endif
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

void TStepPool::BalancedOrder(const std::vector<double>& costs, int parts, std::vector<int>& order) {
    const int count = static_cast<int>(costs.size());
    order.resize(costs.size());
    std::iota(order.begin(), order.end(), 0);
    if (parts <= 1 || count <= parts)
        return;
    std::stable_sort(order.begin(), order.end(),
                     [&costs](int a, int b) { return costs[static_cast<size_t>(a)] > costs[static_cast<size_t>(b)]; });
    std::vector<double> load(static_cast<size_t>(parts), 0.0);
    std::vector<int> filled(static_cast<size_t>(parts), 0);
    std::vector<int> placed(costs.size());
    for (const int call : order) {
        int best = -1;
        for (int p = 0; p < parts; ++p) {
            const bool room =
                filled[static_cast<size_t>(p)] < ShareStart(p + 1, parts, count) - ShareStart(p, parts, count);
            if (room && (best < 0 || load[static_cast<size_t>(p)] < load[static_cast<size_t>(best)]))
                best = p;
        }
        load[static_cast<size_t>(best)] += costs[static_cast<size_t>(call)];
        placed[static_cast<size_t>(ShareStart(best, parts, count) + filled[static_cast<size_t>(best)]++)] = call;
    }
    order.swap(placed);
}

int TStepPool::BlockRounds(double roundWork) {
    const double rounds = roundWork > 0.0 ? BlockWork / roundWork : MaxBlockRounds;
    return static_cast<int>(std::clamp<double>(rounds, 1.0, MaxBlockRounds));
}

void TStepPool::RunRound(int count, const std::function<void(int)>& work) {
    if (count <= 0)
        return;
    // Every participant in the engine's mode, whatever the caller's: the results must not depend on who ran a call.
    const TFloatModeGuard floatMode;
    if (FThreads.empty() || count == 1 || count > MaxCount || InsidePool) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    FWork.store(&work, std::memory_order_relaxed);
    const int cpu = CurrentCpu();
    FCallerCpu.store(cpu, std::memory_order_relaxed);
    if (FFailedIndex.load(std::memory_order_relaxed) != INT_MAX)
        FFailedIndex.store(INT_MAX, std::memory_order_relaxed);
    const uint64_t generation = GenerationOf(FRound.load(std::memory_order_relaxed)) + 1;
    const uint64_t round = generation << 16 | static_cast<uint64_t>(count);
    // A plain release: a fence here would stall the caller for a cache line's round trip every round. A worker
    // that goes to sleep just now may be missed; it then sits out this round only, as the next one wakes it.
    FRound.store(round, std::memory_order_release);
    if (FSleepers.load(std::memory_order_relaxed) > 0) {
        KeepSleepersOff(cpu);
        FWake.fetch_add(1);
        FWake.notify_all();
    }

    InsidePool = true;
    const auto started = std::chrono::steady_clock::now();
    int mine = Walk(0, round, false);
    InsidePool = false;

    // Only calls a worker has taken, or left in the share of a worker that has started, are left; wait for them.
    int expected = count - mine;
    if (FinishedByWorkers(generation) != expected) {
        const auto waiting = std::chrono::steady_clock::now();
        // A started worker keeps its share, as its rows are in its cache and moving a series costs more than a
        // call; only one late by as long again as the caller's own share loses what it has not taken yet.
        const auto grace = std::max<std::chrono::steady_clock::duration>(waiting - started, MinGrace);
        bool rescued = false;
        for (unsigned spin = 1; FinishedByWorkers(generation) != expected; ++spin) {
            if ((spin & ClockEvery) != 0) {
                Relax();
                continue;
            }
            const auto waited = std::chrono::steady_clock::now() - waiting;
            if (!rescued && waited >= grace) {
                rescued = true;
                InsidePool = true;
                mine += Walk(0, round, true);
                InsidePool = false;
                expected = count - mine;
                continue;
            }
            if (waited < SpinBudget) {
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

int TStepPool::Walk(int self, uint64_t round, bool rescue) {
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
    // Then the shares of sleeping workers that have not started (of all workers in a rescue), from their back ends,
    // until their owners' or another thief's calls are met. The caller's share is left to the caller, which is
    // surely running.
    for (int j = 1; j < parts; ++j) {
        const int part = (self + j) % parts;
        const int first = ShareStart(part, parts, count);
        if (part == 0 ||
            (!rescue && !(FSleepers.load(std::memory_order_relaxed) > 0 &&
                          FSlots[static_cast<size_t>(first)].Claim.load(std::memory_order_relaxed) < generation)))
            continue;
        for (int i = ShareStart(part + 1, parts, count) - 1; i >= first && Claim(i, generation); --i)
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
        RestoreCpus();
        start = std::chrono::steady_clock::now();
    }
}

void TStepPool::WorkerLoop(int self) {
    const TAlternateSignalStack signalStack;
    const TFloatModeGuard floatMode;
    InsidePool = true;
    std::atomic<uint64_t>& done = FDone[static_cast<size_t>(self)].Word;
    uint64_t round = 0;
    while (AwaitRound(GenerationOf(round), round)) {
        const int callerCpu = FCallerCpu.load(std::memory_order_relaxed);
        if (callerCpu >= 0 && CurrentCpu() == callerCpu)
            MoveAwayFrom(callerCpu);
        const int taken = Walk(self, round, false);
        // Sequentially consistent with the caller's going to sleep, so that a sleeping caller is always woken.
        done.store((round & ~uint64_t{0xFFFF}) | static_cast<uint64_t>(taken));
        if (FCallerAsleep.load()) {
            FJoin.fetch_add(1);
            FJoin.notify_one();
        }
    }
}

} // namespace wl
