// One calculation of a chart controller run for Python. The controller's own thread calculates, as in the window and
// the companion; the calling thread gives up the GIL and serves the thread's synchronised calls. Ctrl+C (a pending
// signal) and a progress callback that raises stop the calculation at its next round block.
#pragma once

#include "Bindings.h"

#include <optional>

namespace wl {
class TChartController;
}

namespace wl::python {

class TCalculationWait {
public:
    // progress: None, or a callable given the percentage done (0..100) on the calling thread, with the GIL.
    explicit TCalculationWait(py::object progress) : FProgress(std::move(progress)) {}
    TCalculationWait(const TCalculationWait&) = delete;
    TCalculationWait& operator=(const TCalculationWait&) = delete;

    // Without the GIL, on the thread that made controller, before the calculation starts.
    void Attach(TChartController& controller);
    // Without the GIL: serves the running calculation until it ends. False when it was stopped, its results
    // discarded.
    bool Wait(TChartController& controller);
    // With the GIL: raises the Python error that stopped the calculation, if one did.
    void RaiseIfStopped();

private:
    bool KeepWaiting();

    py::object FProgress;
    std::optional<py::error_already_set> FFailure; // touched with the GIL held only
};

} // namespace wl::python
