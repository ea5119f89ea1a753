// The summary's figures until the session ends, solved rather than stepped: ruin, success, the expected rounds and
// their spread, and the expected net result at the end.
#pragma once

#include <functional>

namespace wl {

class TBetDescription;
class TGameDescription;
struct TSummaryParams;
struct TSessionFigures;

// Fills f's figures with no limit on rounds for the start at params.Bankroll; false when stopped.
bool SolveSessionFigures(const TGameDescription& game, const TBetDescription& system, const TSummaryParams& params,
                         TSessionFigures& f, const std::function<bool()>& stopped,
                         const std::function<void(double)>& progress);

} // namespace wl
