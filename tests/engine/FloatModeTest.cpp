// The engine's floating-point mode: set and restored by the guard, and the same on every worker of the pool.
#include "engine/FloatMode.h"
#include "engine/StepPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace wl {
namespace {

bool Supported() {
    const TFloatModeGuard probe;
    return TFloatModeGuard::Active();
}

double Product(double x, double y) {
    volatile double a = x, b = y; // computed at run time, in the thread's mode
    return a * b;
}

TEST(FloatMode, GuardFlushesSubnormalsAndRestoresTheMode) {
    if (!Supported())
        GTEST_SKIP() << "no flush-to-zero control on this processor";
    ASSERT_FALSE(TFloatModeGuard::Active());
    ASSERT_NE(Product(1e-300, 1e-10), 0.0);
    {
        const TFloatModeGuard outer;
        EXPECT_EQ(Product(1e-300, 1e-10), 0.0); // a subnormal result
        EXPECT_EQ(Product(1e-310, 1e10), 0.0);  // a subnormal operand
        {
            const TFloatModeGuard inner;
            EXPECT_TRUE(TFloatModeGuard::Active());
        }
        EXPECT_TRUE(TFloatModeGuard::Active());
    }
    EXPECT_FALSE(TFloatModeGuard::Active());
    EXPECT_NE(Product(1e-300, 1e-10), 0.0);
}

// A call must not compute differently for running on a worker rather than on the caller.
TEST(FloatMode, EveryParticipantOfARoundRunsInTheEngineMode) {
    if (!Supported())
        GTEST_SKIP() << "no flush-to-zero control on this processor";
    TStepPool pool(2);
    std::vector<std::atomic<int>> active(64);
    const std::function<void(int)> work = [&active](int i) {
        active[static_cast<size_t>(i)] = TFloatModeGuard::Active() ? 1 : 0;
    };
    for (int count : {1, 64}) {
        pool.RunRound(count, work);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(active[static_cast<size_t>(i)].load(), 1) << i << " of " << count;
    }
    EXPECT_FALSE(TFloatModeGuard::Active());
}

} // namespace
} // namespace wl
