// Hands calls from a worker thread to the interface thread, which runs them in CheckSynchronize.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace wl {

class TSynchronizer {
public:
    using TCall = std::function<void()>;

    // The thread that creates the synchronizer is the interface thread.
    TSynchronizer();
    TSynchronizer(const TSynchronizer&) = delete;
    TSynchronizer& operator=(const TSynchronizer&) = delete;

    // Runs call on the interface thread and blocks until it has run; what it throws is rethrown here. Called on
    // the interface thread itself, it runs the call directly.
    void Synchronize(const TCall& call);

    // Interface thread: runs every pending call in arrival order; returns whether any ran. A call that throws
    // hands its exception to its waiting thread, not to the caller of CheckSynchronize.
    bool CheckSynchronize();

    // Interface thread: blocks until a call is pending or the timeout passes; returns whether one is pending.
    bool WaitForCall(std::chrono::milliseconds timeout);

    // Called from the worker thread each time a call is queued; the window posts a queued CheckSynchronize here.
    void SetWakeUp(std::function<void()> wakeUp);

    // Interface thread: whether a handed-over call is running now (its thread is waiting for it).
    bool InCall() const { return FCallDepth > 0; }

    bool IsInterfaceThread() const { return std::this_thread::get_id() == FInterfaceThread; }

private:
    struct TRequest {
        const TCall* Call = nullptr;
        bool Done = false;
        std::exception_ptr Failure;
    };

    std::thread::id FInterfaceThread;
    std::mutex FMutex;
    std::condition_variable FQueued; // a request arrived
    std::condition_variable FRan;    // a request has run
    std::deque<TRequest*> FPending;
    std::function<void()> FWakeUp;
    int FCallDepth = 0; // interface thread only
};

} // namespace wl
