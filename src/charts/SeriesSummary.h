// The figures a player asks for about one series, read off the exact distribution: the game per unit bet, the
// result after the horizon, the system's bets and, for a player who leaves at ruin or at a target, the session.
//
// Probabilities are fractions (0..1), results are in bet units, counts of rounds are plain numbers. A figure that
// does not apply to the parameters is absent (std::nullopt), never 0. The bankroll planner's kinds have no single
// bankroll: their summary is the game's figures and the planner's answer.
#pragma once

#include "charts/ChartDescription.h"
#include "engine/PlayRule.h"
#include "engine/SessionSolver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace wl {

class TBetDescription;
class TGameCalculator;
class TGameDescription;

struct TSummaryParams {
    int32_t Bankroll = 0; // 0 or less: unlimited money
    int32_t Rounds = 1;   // the horizon N, at least 1
    // The player leaves when ruined (balance <= -Bankroll) or at Target (balance >= Target - Bankroll), as the
    // risk charts count him.
    bool Session = false;
    int32_t Target = 0;
    TBalanceLimits Limits;
    // The chance of reaching each state and the largest bet: a further run per state, so it can be left out.
    bool StateReach = true;
    // Until the session ends: stepping stops when less than InPlayLimit is still playing, or after RoundLimit.
    int32_t RoundLimit = 1000000;
    double InPlayLimit = 1e-12;
    // Ruin, success, duration and the end result solved for exactly; stepping then runs only until the median and
    // the 90 % quantile of the duration are crossed. Off: all of them stepped.
    bool Solve = true;
    int64_t SessionBudget = int64_t{256} << 20;
};

// The parameters a chart kind shows its figures for: net results its bankroll and N, progress kinds their bankroll
// and 3000 rounds, risk kinds the session with bankroll B and target T over their 3000 rounds.
TSummaryParams SummaryParamsOf(const TChartDescription& kind);

struct TGameFigures {
    double HouseEdge = 0.0; // -E[X] per unit bet
    double StdDeviation = 0.0;
    double Win = 0.0, Draw = 0.0, Loss = 0.0;
};

// How a figure stands once probability has left play past an edge: exact, or only a bound holds (none: neither).
enum class TBound { Exact, AtLeast, AtMost, None };

struct THorizonFigures {
    int32_t Rounds = 0;
    double Mean = 0.0;
    double StdDeviation = 0.0;
    // The smallest balance x with P(balance <= x) >= q, for q = 5, 25, 50, 75, 95 %.
    int32_t Q05 = 0, Q25 = 0, Median = 0, Q75 = 0, Q95 = 0;
    double Ahead = 0.0, Even = 0.0, Behind = 0.0;
    // The expected sum of the stakes in the units of the results, as the net result: a bet stakes the largest loss.
    double Staked = 0.0;
    double ResultPerStaked = 0.0;       // Mean / Staked: -house edge for every system
    std::optional<double> Ruin;         // with a bankroll: ended without the money for the next bet
    std::optional<double> RoundsPlayed; // with a bankroll
    // Mean, StdDeviation, Staked and ResultPerStaked come from the states' chain, exact whatever the balance limits
    // held: where no bankroll rule applies, the states move whatever the balance.
    bool MomentsExact = false;
    // Where probability left past the edges, whether each quantile (Q05, Q25, Median, Q75, Q95) and each chance
    // (ahead, even, behind) is exact or a bound. Bounded: these were weighed; otherwise the limits cut them.
    bool Bounded = false;
    TBound QuantileBounds[5] = {TBound::Exact, TBound::Exact, TBound::Exact, TBound::Exact, TBound::Exact};
    TBound AheadBound = TBound::Exact, EvenBound = TBound::Exact, BehindBound = TBound::Exact;
};

struct TStateFigures {
    int32_t Bet = 0;
    std::optional<double> Reach; // the chance of placing this state's bet at least once within the horizon
    double Rounds = 0.0;         // the expected number of rounds whose bet is this state's
};

struct TSessionFigures {
    int32_t ChartRounds = 0; // the risk charts' rounds (3000)
    double ChartRuin = 0.0, ChartSuccess = 0.0;
    // Without a limit on rounds: stepped RoundsRun rounds, after which InPlay was still playing. Ended says that
    // InPlay fell below the limit; only then are the figures without a round limit given.
    int32_t RoundsRun = 0;
    double InPlay = 0.0;
    bool Ended = false;
    std::optional<double> Ruin, Success, Duration, EndResult;
    std::optional<int32_t> DurationMedian, Duration90;
    // Solved: how, and the largest error of a chance (0: to the last digits).
    bool Solved = false;
    TSessionMethod Method = TSessionMethod::Elimination;
    double ErrorBound = 0.0;
    std::optional<double> DurationSd;
    // Where the stepping stopped before a quantile was crossed: the share of play one round keeps in play.
    std::optional<double> TailDecay;
};

struct TSeriesSummary {
    TSummaryParams Params;
    TGameFigures Game;
    THorizonFigures Horizon;
    std::vector<TStateFigures> States;
    std::optional<int32_t> LargestBet99;
    // The reach of the states and LargestBet99 came from the states' own chain: exact whatever the balances do.
    bool ReachFromChain = false;
    std::optional<TSessionFigures> Session;
    // The planner's kinds: the smallest bankrolls for each risk of ruin; nothing per horizon, bet or session then.
    std::optional<TBankrollAnswer> Planner;
    // Probability reached the balance limits from LimitRound on (0: never): the horizon figures are not exact. For
    // the planner, the bankroll from which a start can pass the money tracked, given only where an answer lies there.
    double LimitShare = 0.0;
    int32_t LimitRound = 0;
    // The tolerance in force and what the tails it let go held by the horizon: every figure is exact to it.
    double Tolerance = 0.0, ToleranceLeft = 0.0;
};

TGameFigures GameFiguresOf(const TGameDescription& game);

// The summary of a planner's series from its answer and its limit (the first bankroll that can pass the money
// tracked, 0: none, and the largest share that does).
TSeriesSummary PlannerSummaryOf(const TGameDescription& game, const TBankrollAnswer& answer, double limitShare,
                                int32_t limitBankroll);

// Collects the figures of one series while its calculator runs, and completes them afterwards.
class TSummaryCollector {
public:
    TSummaryCollector(const TGameDescription& game, const TBetDescription& system, const TSummaryParams& params);
    ~TSummaryCollector();
    TSummaryCollector(const TSummaryCollector&) = delete;
    TSummaryCollector& operator=(const TSummaryCollector&) = delete;

    // After the calculator has computed `round` (Reset gives round 1, each Step the next), before a risk kind takes
    // what ended. Takes only players who can no longer afford any bet in a session (no chart counts them).
    void Collect(TGameCalculator& calculator, int round);
    // In a session, takes the ruined and successful players as the risk charts do (for runs without a chart kind).
    void TakeEnded(TGameCalculator& calculator) const;
    // Once the horizon is collected: steps the calculator on until the session ends, then runs the reach runs.
    // stopped is polled between rounds; progress gets 0..1. False when stopped (the summary is then incomplete).
    bool Complete(TGameCalculator& calculator, const std::function<bool()>& stopped,
                  const std::function<void(double)>& progress);
    bool HorizonCollected() const { return FHorizonDone; }
    const TSeriesSummary& Summary() const { return FSummary; }

private:
    struct TRunState;
    double CollectSession(TGameCalculator& c, int round, bool chartTakes); // the mass that ended
    void CollectHorizon(const TGameCalculator& c);
    void NoteNextRound(const TGameCalculator& c);
    bool ContinueSession(TGameCalculator& c, const std::function<bool()>& stopped,
                         const std::function<void(double)>& progress);
    void FinishSession();
    bool RunReach(const std::function<bool()>& stopped, const std::function<void(double)>& progress);
    // The chance of placing, within the horizon, a bet of a state in the mask; nullopt when stopped.
    std::optional<double> ReachChance(uint32_t mask, const std::function<bool()>& stopped);
    // In a session, whether a player at this balance has been ruined or has reached the target.
    bool Ended(int64_t balance) const;
    // Whether a player at this balance places no bet any more: he cannot pay state 0's.
    bool Stuck(int64_t balance) const;
    // A stretch of one state's balances in the current rows and what its players place next round: a state,
    // TPlayRule::NoBet, or Gone for those who have left the session.
    struct TStretch {
        int State, Placed;
        int64_t First, Last;
    };
    static constexpr int Gone = -2;
    int StateCount() const;
    // The stretches that may hold probability, by state and ascending balance, as the rule places their bets.
    std::vector<TStretch> Stretches(const TGameCalculator& c) const;

    const TGameDescription& FGame;
    const TBetDescription& FSystem;
    TPlayRule FRule;
    TSeriesSummary FSummary;
    std::vector<double> FEndedMass; // by balance - Limits.Low
    std::vector<double> FStateRounds;
    double FStaked = 0.0, FPlayed = 0.0;
    double FChartRuin = 0.0, FChartSuccess = 0.0, FRuin = 0.0, FSuccess = 0.0;
    double FDurationSum = 0.0, FEnded = 0.0;
    int32_t FMedianRound = 0, FQuantile90Round = 0, FLastRound = 0;
    bool FHorizonDone = false;
    bool FLowEdgeCuts = false, FHighEdgeCuts = false; // whether an end piled at that limit may lie beyond it
    // What left past an edge plays on: by the horizon it lies at most FBelowReach, at least FAboveReach. One round
    // moves a balance by at most FGain up and FLoss down.
    double FGain = 0.0, FLoss = 0.0, FBelowSeen = 0.0, FAboveSeen = 0.0;
    int64_t FBelowReach = 0, FAboveReach = 0;
    std::unique_ptr<TGameCalculator> FReachCalculator;
    int64_t FMemoryBudget = 0; // the series' share, for the reach runs
};

// The whole summary of one series computed on the calling thread; stopped may be empty. Raises what the calculator
// raises; nullopt when stopped.
std::optional<TSeriesSummary> ComputeSeriesSummary(const TGameDescription& game, const TBetDescription& system,
                                                   const TSummaryParams& params,
                                                   const std::function<bool()>& stopped = {});

} // namespace wl
