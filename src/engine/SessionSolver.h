// The session solved: for a player who leaves at ruin or at a target T, the chances of each end, the expected
// number of rounds and their spread, and the expected net result at the end, for every starting bankroll 1..T-1 at
// once and with no limit on rounds.
//
// The pairs (money 1..T-1, state) form an absorbing chain under TPlayRule; each answer solves (I - Q) x = b, where
// b is what ends in the next round. The band of Q, ordered by money then state, is eliminated from the top money
// down without subtraction: every pivot is the sum of the chances of leaving, never 1 - Q(k, k), so each answer
// keeps its last digits even where a success is 1e-7 and ruin almost 1. Where the band's fill would exceed the
// memory budget (or take longer than the stepping's bounded work), the chain is stepped backwards until what is still
// in play is below the tolerance.
//
// A player who cannot pay state 0's bet has ended with his money and counts as ruined, as the summary counts him.
// Starts from a pair that never ends (a bet of 0 that loops) have no finite duration: Rounds is +inf there and the
// net result NaN.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace wl {

class TGameDescription;
class TBetDescription;

enum class TSessionMethod { Elimination, Stepping };

struct TSessionRequest {
    int32_t Target = 200; // 2..MaxTarget
    // Bytes the band (or the stepping's rows) may take.
    int64_t MemoryBudget = int64_t{256} << 20;
    // Stepping: stop when less than this is still in play from any start, or after StepLimit rounds (fewer where
    // each round is large: the stepping's work is bounded).
    double Tolerance = 1e-15;
    int32_t StepLimit = 1000000;
    // Gets 0..1 now and then; false stops the solver (Solve then gives nothing).
    std::function<bool(double share)> Progress;
};

struct TSessionSolution {
    int32_t Target = 0;
    TSessionMethod Method = TSessionMethod::Elimination;
    // The largest error of a chance, absolute: 0 when eliminated (a few units in the last place); when stepped, what
    // was still in play when the stepping stopped. Durations and results are short by at most that share of play.
    double ErrorBound = 0.0;
    int32_t RoundsStepped = 0; // stepping only
    // Index = starting bankroll 1..Target-1; index 0 is unused.
    std::vector<double> Ruin, Success, Rounds, RoundsSd, NetAtEnd;
};

class TSessionSolver {
public:
    static constexpr int32_t MaxTarget = 1 << 24;

    // The series must have passed the calculator's checks; this only guards the indexes.
    TSessionSolver(const TGameDescription& game, const TBetDescription& system);

    // Runs under the floating-point mode guard. Raises ERangeError for a target outside 2..MaxTarget; nullopt when
    // stopped.
    std::optional<TSessionSolution> Solve(const TSessionRequest& request) const;

    // The bytes the elimination of this target needs: more than the budget means stepping.
    int64_t EliminationBytes(int32_t target) const;

private:
    const TGameDescription& FGame;
    const TBetDescription& FSystem;
};

} // namespace wl
