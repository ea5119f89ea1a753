// The session until ruin or target, solved for every starting bankroll at once.
#include "Bindings.h"
#include "Model.h"

#include "engine/SessionSolver.h"

#include <pybind11/numpy.h>

#include <algorithm>

namespace wl::python {

namespace {

// The window's and the companion's largest target.
constexpr int MaxTarget = 10000;

py::array_t<double> Tail(const std::vector<double>& values) {
    // Index 0 is no bankroll: the arrays start at bankroll 1.
    py::array_t<double> array(static_cast<py::ssize_t>(values.size() - 1));
    std::copy(values.begin() + 1, values.end(), array.mutable_data());
    return array;
}

py::tuple Session(const TPyGame& game, const TPySystem& system, int target) {
    if (target < 2 || target > MaxTarget)
        RaiseValueError(QStringLiteral("target must lie in 2..%1, not %2").arg(MaxTarget).arg(target));
    std::optional<TSessionSolution> solution;
    {
        py::gil_scoped_release release;
        TSessionRequest request;
        request.Target = target;
        solution = TSessionSolver(*game.Game, *system.System).Solve(request);
    }
    if (!solution)
        throw std::runtime_error("the session solver stopped");
    const char* method = solution->Method == TSessionMethod::Elimination ? "elimination" : "stepping";
    return py::make_tuple(Tail(solution->Ruin), Tail(solution->Success), Tail(solution->Rounds),
                          Tail(solution->RoundsSd), Tail(solution->NetAtEnd), method, solution->ErrorBound);
}

} // namespace

void RegisterSession(py::module_& m) {
    m.def("session", &Session, py::arg("game"), py::arg("system"), py::arg("target"));
}

} // namespace wl::python
