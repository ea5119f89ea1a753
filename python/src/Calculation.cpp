// Waiting for a calculation without the GIL, with Ctrl+C and progress.
#include "Calculation.h"

#include "charts/ChartController.h"

namespace wl::python {

void TCalculationWait::Attach(TChartController& controller) {
    controller.SetOnProgress([this](int percent) {
        // -1 announces a start and 10000 an end; only percentages are news to the caller.
        if (percent < 0 || percent > 100 || FProgress.is_none())
            return;
        py::gil_scoped_acquire gil;
        if (FFailure)
            return;
        try {
            FProgress(percent);
        } catch (py::error_already_set& e) {
            FFailure.emplace(std::move(e));
        }
    });
}

bool TCalculationWait::KeepWaiting() {
    py::gil_scoped_acquire gil;
    // Only the main thread sees signals; elsewhere this returns 0 at once.
    if (!FFailure && PyErr_CheckSignals() != 0)
        FFailure.emplace();
    return !FFailure;
}

bool TCalculationWait::Wait(TChartController& controller) {
    return controller.WaitForCalculation([this] { return KeepWaiting(); });
}

void TCalculationWait::RaiseIfStopped() {
    if (FFailure) {
        py::error_already_set failure = std::move(*FFailure);
        FFailure.reset();
        throw failure;
    }
}

} // namespace wl::python
