// Synchronised calls from a worker thread into the interface thread.
#include "charts/Synchronizer.h"

namespace wl {

TSynchronizer::TSynchronizer() : FInterfaceThread(std::this_thread::get_id()) {}

void TSynchronizer::Synchronize(const TCall& call) {
    if (IsInterfaceThread()) {
        call();
        return;
    }
    TRequest request;
    request.Call = &call;
    std::function<void()> wakeUp;
    {
        std::lock_guard lock(FMutex);
        FPending.push_back(&request);
        wakeUp = FWakeUp;
    }
    FQueued.notify_all();
    if (wakeUp)
        wakeUp();
    std::unique_lock lock(FMutex);
    FRan.wait(lock, [&request] { return request.Done; });
    if (request.Failure)
        std::rethrow_exception(request.Failure);
}

bool TSynchronizer::CheckSynchronize() {
    bool ran = false;
    for (;;) {
        TRequest* request = nullptr;
        {
            std::lock_guard lock(FMutex);
            if (FPending.empty())
                break;
            request = FPending.front();
            FPending.pop_front();
        }
        std::exception_ptr failure;
        ++FCallDepth;
        try {
            (*request->Call)();
        } catch (...) {
            failure = std::current_exception();
        }
        --FCallDepth;
        {
            std::lock_guard lock(FMutex);
            // Moved, so that only the waiting thread ever holds the exception afterwards.
            request->Failure = std::move(failure);
            request->Done = true;
        }
        FRan.notify_all();
        ran = true;
    }
    return ran;
}

bool TSynchronizer::WaitForCall(std::chrono::milliseconds timeout) {
    std::unique_lock lock(FMutex);
    return FQueued.wait_for(lock, timeout, [this] { return !FPending.empty(); });
}

void TSynchronizer::SetWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(FMutex);
    FWakeUp = std::move(wakeUp);
}

} // namespace wl
