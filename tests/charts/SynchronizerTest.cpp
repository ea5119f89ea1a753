// Synchronised calls: the worker blocks until the interface thread has run its call, failures travel back.
#include "charts/Synchronizer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace wl {
namespace {

TEST(SynchronizerTest, TheWorkerWaitsUntilTheInterfaceThreadRunsItsCall) {
    TSynchronizer sync;
    std::atomic<int> wakeUps{0};
    sync.SetWakeUp([&wakeUps] { ++wakeUps; });
    int value = 0; // written by the interface thread, read by the worker after Synchronize
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        sync.Synchronize([&value] { value = 42; });
        EXPECT_EQ(value, 42);
        returned = true;
    });
    while (!sync.WaitForCall(std::chrono::milliseconds(50))) {
    }
    EXPECT_FALSE(returned);
    EXPECT_TRUE(sync.CheckSynchronize());
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(wakeUps.load(), 1);
    EXPECT_FALSE(sync.CheckSynchronize());
}

TEST(SynchronizerTest, AFailingCallThrowsInTheWorker) {
    TSynchronizer sync;
    std::string caught;
    std::thread worker([&] {
        try {
            sync.Synchronize([] { throw std::runtime_error("refused"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    });
    while (!sync.CheckSynchronize())
        sync.WaitForCall(std::chrono::milliseconds(50));
    worker.join();
    EXPECT_EQ(caught, "refused");
}

TEST(SynchronizerTest, OnTheInterfaceThreadTheCallRunsDirectly) {
    TSynchronizer sync;
    bool ran = false;
    sync.Synchronize([&ran] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(sync.WaitForCall(std::chrono::milliseconds(0)));
}

} // namespace
} // namespace wl
