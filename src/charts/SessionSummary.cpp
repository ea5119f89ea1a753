#include "charts/SessionSummary.h"

#include "charts/SeriesSummary.h"
#include "engine/SessionSolver.h"

#include <cmath>

namespace wl {

bool SolveSessionFigures(const TGameDescription& game, const TBetDescription& system, const TSummaryParams& params,
                         TSessionFigures& f, const std::function<bool()>& stopped,
                         const std::function<void(double)>& progress) {
    TSessionRequest request;
    request.Target = params.Target;
    request.MemoryBudget = params.SessionBudget;
    request.Progress = [&](double share) {
        if (progress)
            progress(share);
        return !(stopped && stopped());
    };
    const auto solution = TSessionSolver(game, system).Solve(request);
    if (!solution)
        return false;
    const auto b = static_cast<size_t>(params.Bankroll);
    f.Solved = true;
    f.Method = solution->Method;
    f.ErrorBound = solution->ErrorBound;
    f.Ruin = solution->Ruin[b];
    f.Success = solution->Success[b];
    // A start that can play for ever has no expected duration or end: leave those out rather than print inf.
    if (std::isfinite(solution->Rounds[b])) {
        f.Duration = solution->Rounds[b];
        f.DurationSd = solution->RoundsSd[b];
    }
    if (std::isfinite(solution->NetAtEnd[b]))
        f.EndResult = solution->NetAtEnd[b];
    return true;
}

} // namespace wl
