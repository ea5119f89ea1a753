// The worker pool: every call once, the lowest failure, nesting, and a split round equal to a serial one.
#include "engine/StepPool.h"
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "engine/StepKernel.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <thread>
#include <vector>

namespace wl {
namespace {

TEST(StepPool, RunsEveryIndexOnceInEveryRound) {
    for (int workers : {1, 2, 4}) {
        TStepPool pool(workers);
        EXPECT_EQ(pool.WorkerCount(), workers);
        std::vector<std::atomic<int>> hits(10);
        const std::function<void(int)> work = [&hits](int i) { hits[static_cast<size_t>(i)].fetch_add(1); };
        for (int round = 0; round < 2000; ++round)
            pool.RunRound(10, work);
        for (const auto& h : hits)
            EXPECT_EQ(h.load(), 2000) << workers << " workers";
        pool.RunRound(0, work); // nothing to do
    }
}

// Each row: the costs, the participants, and the largest share of the total cost the order may leave to one.
TEST(StepPool, BalancedOrderSharesTheCostsOut) {
    struct TCase {
        std::vector<double> Costs;
        int Parts;
        double MaxShare;
    };
    const TCase cases[] = {
        // The ten shipped systems at full width: in list order one share would carry 0.54.
        {{84, 236, 234, 180, 20, 143, 309, 78, 167, 183}, 2, 0.51},
        {{9, 9, 9, 9, 1, 1, 1, 1}, 2, 0.5},
        {{5, 1, 1, 1, 1, 1, 1}, 3, 6.0 / 11}, // shares of 2, 2 and 3 calls: the 5 cannot go alone
        {{3, 2}, 2, 0.6}, // no more calls than participants: left in order
        {{}, 2, 1.0},
    };
    for (const TCase& c : cases) {
        std::vector<int> order;
        TStepPool::BalancedOrder(c.Costs, c.Parts, order);
        const int count = static_cast<int>(c.Costs.size());
        ASSERT_EQ(order.size(), c.Costs.size());
        std::vector<int> seen(order);
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(seen[static_cast<size_t>(i)], i) << "not a permutation";
        double total = 0.0;
        for (const double cost : c.Costs)
            total += cost;
        for (int p = 0; p < c.Parts; ++p) {
            double share = 0.0;
            for (int i = p * count / c.Parts; i < (p + 1) * count / c.Parts; ++i)
                share += c.Costs[static_cast<size_t>(order[static_cast<size_t>(i)])];
            EXPECT_LE(share, c.MaxShare * total + 1e-9) << "share " << p << " of " << count << " calls";
        }
    }
}

TEST(StepPool, RethrowsTheFailureOfTheLowestIndex) {
    TStepPool pool(2);
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> ran{0};
        try {
            pool.RunRound(10, [&ran](int i) {
                ran.fetch_add(1);
                if (i == 3)
                    throw ERangeError("three");
                if (i == 6)
                    throw std::runtime_error("six");
            });
            FAIL() << "no failure reported";
        } catch (const ERangeError& e) {
            EXPECT_STREQ(e.what(), "three");
        }
        EXPECT_GE(ran.load(), 4); // 0..3 always ran
    }
    // The pool is still usable after failures.
    std::atomic<int> sum{0};
    pool.RunRound(5, [&sum](int i) { sum.fetch_add(i); });
    EXPECT_EQ(sum.load(), 10);
}

// Each series keeps to one core from round to round, so its rows stay in that core's cache: the caller's share is
// never run elsewhere.
TEST(StepPool, TheCallersShareStaysOnTheCaller) {
    TStepPool pool(2);
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::thread::id> ranOn(10);
    const std::function<void(int)> work = [&ranOn](int i) {
        ranOn[static_cast<size_t>(i)] = std::this_thread::get_id();
    };
    for (int round = 0; round < 2000; ++round) {
        pool.RunRound(10, work);
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(ranOn[static_cast<size_t>(i)], caller) << "index " << i << " in round " << round;
    }
}

// A worker held up in one call must not hold up the rest of its share: the caller takes it over.
TEST(StepPool, TheCallerTakesOverTheRestOfALateWorkersShare) {
    TStepPool pool(2);
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::thread::id> ranOn(10);
    pool.RunRound(10, [&ranOn](int i) {
        if (i == 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ranOn[static_cast<size_t>(i)] = std::this_thread::get_id();
    });
    for (int i = 6; i < 10; ++i)
        EXPECT_EQ(ranOn[static_cast<size_t>(i)], caller) << "index " << i;
}

// Workers spin only briefly after a round: an idle pool must not keep a core busy.
TEST(StepPool, AnIdlePoolSleeps) {
    TStepPool pool(3);
    pool.RunRound(6, [](int) {});
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // past the spin
    timespec before{}, after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double used = static_cast<double>(after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) * 1e-9;
    EXPECT_LT(used, 0.05) << "two spinning workers would use about 0.4 s";
    // And a sleeping pool still wakes for the next round.
    std::atomic<int> sum{0};
    pool.RunRound(6, [&sum](int i) { sum.fetch_add(i); });
    EXPECT_EQ(sum.load(), 15);
}

TEST(StepPool, ARoundInsideARoundRunsSerially) {
    TStepPool pool(2);
    std::atomic<int> inner{0};
    pool.RunRound(4, [&](int) { pool.RunRound(3, [&inner](int) { inner.fetch_add(1); }); });
    EXPECT_EQ(inner.load(), 12);
}

// A wide round shared out over the workers writes the same bits as the serial kernel.
TEST(StepPool, SplitRoundEqualsSerialRound) {
    const TFloatModeGuard floatMode; // the workers' mode, for the serial steps too
    const long long saved = TGameCalculator::TFastPlan::SplitThreshold.load();
    TGameCalculator::TFastPlan::SplitThreshold.store(1);
    TGameDescription game;
    game.OutcomeCount = 32;
    for (int o = 0; o < 32; ++o) {
        game.OutcomeResults[o] = o - 16;
        game.OutcomeProbabilities[o] = 1.0 / 32;
    }
    TBetDescription system;
    system.StateCount = 21;
    for (int s = 0; s < 21; ++s) {
        system.Bets[s] = s + 1;
        system.WinStates[s] = 0;
        system.LossStates[s] = (s + 1) % 21;
    }
    TStepPool pool(2);
    TGameCalculator serial, split;
    for (TGameCalculator* c : {&serial, &split}) {
        c->Game = &game;
        c->BetSystem = &system;
        c->Bankroll = 30;
        c->Reset();
    }
    for (int round = 2; round <= 12; ++round) {
        serial.Step();
        split.Step(pool);
        ASSERT_TRUE(serial.SameCells(split)) << "round " << round;
    }
    TGameCalculator::TFastPlan::SplitThreshold.store(saved);
}

} // namespace
} // namespace wl
