// The bankroll planner: the chance of ruin (or of success) within N rounds for every starting bankroll at once.
//
// u_n(m, s) is the measure for a player with money m in state s and n rounds left. u_0 is 1 where the measure counts
// (money at or below 0 for ruin, at or above the target for success) and 0 elsewhere; each backward step is
//     u_n(m, s) = sum over outcomes o, in stored order, of p(o) * u_{n-1}(m + result(o) * bet, successor)
// with the risk charts' bankroll rule: money below the bet of s plays state 0's bet, money below that one stays as
// it is for good (so it is neither ruined nor successful), and the first round places state 0's bet whatever the
// money. Starting bankroll B reads u_N(B, 0): one pass gives the whole curve.
//
// Exactness contract: every value equals the forward risk chart's value at round N to within 1e-14 (1e-12 in
// percent); the additions come in another order, so the bits differ. Each product p(o) * u is rounded, then added
// in outcome order, from +0. Runs under the floating-point mode guard like the forward step: values below the
// smallest normal double count as 0.
//
// Money is tracked from 1 to the target less 1, or without a target from 1 to MaxBankroll plus the most that N rounds
// can lose (at least TopMargin, at most what the memory budget allows), and no further than the most that they can
// gain, which no start passes. Beyond that top, without a target, a player
// counts as never ruined, which is exact unless the budget cut the top; the Limit curve then gives, per bankroll, the
// chance of getting there within N rounds. It is computed only where the top was cut and the largest gains that N
// rounds allow can reach it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace wl {

class TGameDescription;
class TBetDescription;
class TStepPool;

struct TBankrollCurve {
    int32_t Rounds = 0;
    int32_t Target = 0; // 0: none
    // Index = starting bankroll 1..LastBankroll; index 0 is unused. Probabilities in 0..1.
    std::vector<double> Ruin;
    std::vector<double> Success; // empty unless asked for and there is a target
    std::vector<double> Limit;   // empty when no bankroll can reach the tracked top within N rounds
    int32_t LastBankroll = 0;
    int32_t TopMoney = 0; // the highest money tracked

    // The smallest starting bankroll whose risk of ruin is at most maxRisk (a probability), or 0 when none of
    // 1..LastBankroll is.
    int32_t SmallestBankroll(double maxRisk) const;
};

// The risks of the answer: 1 %, 5 % and 10 %.
inline constexpr double PlannerRisks[3] = {0.01, 0.05, 0.10};

// The answer of a curve: per risk of PlannerRisks, the smallest starting bankroll whose risk of ruin within Rounds is
// at most that risk, or 0 when no bankroll up to LastBankroll is.
struct TBankrollAnswer {
    int32_t Rounds = 0;
    int32_t Target = 0;
    int32_t LastBankroll = 0;
    int32_t TopMoney = 0; // the highest money tracked
    int32_t Bankrolls[3] = {};
};
TBankrollAnswer BankrollsForRisk(const TBankrollCurve& curve);

struct TPlannerRequest {
    int32_t Rounds = 1000;       // 1..MaxRounds
    int32_t Target = 0;          // 0 (none) or 2..MaxMoney
    int32_t MaxBankroll = 10000; // the last bankroll without a target; with one it is Target - 1
    // Bytes the pass's rows may take; without a target they follow money up to what the rounds can lose.
    int64_t MemoryBudget = int64_t{256} << 20;
    bool WithRuin = true;
    bool WithSuccess = false;
    // Called after each backward step with the steps done; false stops the pass (the curve then stays empty).
    std::function<bool(int32_t step)> Progress;
};

class TBankrollPlanner {
public:
    static constexpr int32_t MaxRounds = 10000;
    static constexpr int32_t MaxMoney = 10000;
    // Without a target, money is tracked up to the largest bankroll asked for plus at least this, and further
    // (within the budget and MoneyReach) as far as the rounds can lose.
    static constexpr int32_t TopMargin = 10000;
    static constexpr int32_t MoneyReach = 1 << 28;

    // Checks the series as the forward calculator does; raises for a bad game, system or request.
    TBankrollPlanner(const TGameDescription& game, const TBetDescription& system);

    // One backward pass per measure asked for (and one more for Limit where the top can be reached). pool may be
    // null; with one, each step's cells are shared out over its workers.
    TBankrollCurve Compute(const TPlannerRequest& request, TStepPool* pool = nullptr);

private:
    const TGameDescription& FGame;
    const TBetDescription& FSystem;
};

// The whole curve of a series: ruin, and success where there is a target.
TBankrollCurve BankrollCurve(const TGameDescription& game, const TBetDescription& system, int32_t rounds,
                             int32_t target, TStepPool* pool = nullptr);

} // namespace wl
