// Collecting a series' figures round by round, and the runs that only the summary needs.
#include "charts/SeriesSummary.h"

#include "charts/SessionSummary.h"

#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>

namespace wl {

namespace {
constexpr int CheckEvery = 256; // rounds between polls of the stop flag outside the calculation thread's loop

// Rounds between exact counts of the players still in play; in between, what ended is taken off a running count.
constexpr int RecountEvery = 16;

// Four sums side by side, so that each add need not wait for the one before.
double SumOf(const double* values, int64_t count) {
    double sums[4] = {};
    int64_t i = 0;
    for (; i + 4 <= count; i += 4)
        for (int k = 0; k < 4; ++k)
            sums[k] += values[i + k];
    for (; i < count; ++i)
        sums[0] += values[i];
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}
// The net result's first two moments after `rounds` rounds and the expected sum of the bets, from the states'
// chain alone: where no bankroll rule applies, the states move whatever the balance, so these hold exactly however
// far the balances spread. Per state, the chance of placing its bet next and the partial moments of the balance.
struct TChainMoments {
    double Mean = 0.0, Square = 0.0, Bets = 0.0;
    std::vector<double> StateRounds; // the expected rounds whose bet is each state's
};

TChainMoments ChainMoments(const TGameDescription& game, const TPlayRule& rule, int states, int rounds) {
    std::vector<double> chance(static_cast<size_t>(states)), mean(chance), square(chance);
    std::vector<double> nextChance(chance), nextMean(chance), nextSquare(chance);
    chance[0] = 1.0;
    TChainMoments out;
    out.StateRounds.assign(static_cast<size_t>(states), 0.0);
    const int outcomes = std::clamp(game.OutcomeCount, 0, TGameDescription::MaxOutcomes);
    double bets = 0.0;
    for (int r = 0; r < rounds; ++r) {
        std::fill(nextChance.begin(), nextChance.end(), 0.0);
        std::fill(nextMean.begin(), nextMean.end(), 0.0);
        std::fill(nextSquare.begin(), nextSquare.end(), 0.0);
        for (int s = 0; s < states; ++s) {
            const double pi = chance[static_cast<size_t>(s)], m = mean[static_cast<size_t>(s)];
            if (!(pi > 0.0))
                continue;
            bets += pi * rule.Bet(s);
            out.StateRounds[static_cast<size_t>(s)] += pi;
            for (int o = 0; o < outcomes; ++o) {
                const int64_t move = static_cast<int64_t>(game.OutcomeResults.Data()[o]) * rule.Bet(s);
                const double p = game.OutcomeProbabilities.Data()[o], d = static_cast<double>(move);
                const size_t n = static_cast<size_t>(rule.Successor(s, move));
                nextChance[n] += p * pi;
                nextMean[n] += p * (m + pi * d);
                nextSquare[n] += p * (square[static_cast<size_t>(s)] + 2.0 * m * d + pi * d * d);
            }
        }
        chance.swap(nextChance);
        mean.swap(nextMean);
        square.swap(nextSquare);
    }
    for (int s = 0; s < states; ++s) {
        out.Mean += mean[static_cast<size_t>(s)];
        out.Square += square[static_cast<size_t>(s)];
    }
    out.Bets = bets;
    return out;
}

} // namespace

TSummaryParams SummaryParamsOf(const TChartDescription& kind) {
    TSummaryParams p;
    p.Bankroll = kind.Bankroll();
    p.Rounds = std::max(1, kind.RoundsToCompute());
    p.Session = kind.RemovesProbability();
    p.Target = kind.TargetBankroll();
    p.Limits = kind.BalanceLimits();
    return p;
}

TGameFigures GameFiguresOf(const TGameDescription& game) {
    // Per unit bet as the game editor shows it: a bet stakes the game's largest loss (20 units where a win pays 19),
    // so the figures are the results divided by that stake.
    TGameFigures f;
    f.HouseEdge = -game.ExpectedResult();
    f.StdDeviation = game.StdDeviation();
    f.Win = game.WinProbability();
    f.Draw = game.DrawProbability();
    f.Loss = game.LossProbability();
    return f;
}

TSeriesSummary PlannerSummaryOf(const TGameDescription& game, const TBankrollAnswer& answer, double limitShare,
                                int32_t limitBankroll) {
    TSeriesSummary s;
    s.Params.Rounds = answer.Rounds;
    s.Params.Target = answer.Target;
    s.Params.StateReach = false;
    s.Game = GameFiguresOf(game);
    s.Planner = answer;
    // Only a start that can pass the money tracked is counted as never ruined too often; "none is enough" stands.
    const bool cut = limitBankroll > 0 && std::any_of(std::begin(answer.Bankrolls), std::end(answer.Bankrolls),
                                                      [limitBankroll](int32_t b) { return b >= limitBankroll; });
    if (cut) {
        s.LimitShare = limitShare;
        s.LimitRound = limitBankroll;
    }
    return s;
}

TSummaryCollector::TSummaryCollector(const TGameDescription& game, const TBetDescription& system,
                                     const TSummaryParams& params)
    : FGame(game), FSystem(system), FRule(system, params.Bankroll, params.Session ? params.Target : 0) {
    FSummary.Params = params;
    FSummary.Params.Rounds = std::max(1, params.Rounds);
    FSummary.Game = GameFiguresOf(game);
    // Only a session ends players, and its limits are the bankroll's and the target's.
    if (params.Session) {
        FEndedMass.assign(static_cast<size_t>(params.Limits.High - params.Limits.Low + 1), 0.0);
        // An end at a limit is exact unless a bet placed from a balance still in play can pass it: the rule places
        // a state's bet only where the money pays it.
        int64_t lowest = 0, gain = 0;
        for (int s = 0; s < StateCount(); ++s)
            for (int o = 0; o < std::clamp(game.OutcomeCount, 0, TGameDescription::MaxOutcomes); ++o) {
                const int64_t move = static_cast<int64_t>(game.OutcomeResults.Data()[o]) * FRule.Bet(s);
                // The first round places state 0's bet from balance 0, whatever the money.
                const int64_t from = std::max(FRule.RuinedAtOrBelow() + 1, FRule.OwnFrom(s));
                lowest = std::min(lowest, (s == 0 ? std::min<int64_t>(from, 0) : from) + move);
                gain = std::max(gain, move);
            }
        FLowEdgeCuts = lowest < params.Limits.Low;
        FHighEdgeCuts = FRule.SucceededFrom() - 1 + gain > params.Limits.High;
    }
    FStateRounds.assign(static_cast<size_t>(StateCount()), 0.0);
    for (int st = 0; st < StateCount(); ++st)
        for (int o = 0; o < std::clamp(game.OutcomeCount, 0, TGameDescription::MaxOutcomes); ++o) {
            const double move = static_cast<double>(game.OutcomeResults.Data()[o]) * FRule.Bet(st);
            FGain = std::max(FGain, move);
            FLoss = std::max(FLoss, -move);
        }
}

TSummaryCollector::~TSummaryCollector() = default;

int TSummaryCollector::StateCount() const {
    return std::clamp(FSystem.StateCount, 1, TGameCalculator::StateLimit);
}

bool TSummaryCollector::Ended(int64_t balance) const {
    if (!FSummary.Params.Session)
        return false;
    const TPlayRule::TEnd end = FRule.End(balance);
    return end == TPlayRule::TEnd::Ruined || end == TPlayRule::TEnd::Succeeded;
}

bool TSummaryCollector::Stuck(int64_t balance) const {
    return FRule.HasBankroll() && FRule.PlacedState(0, balance) == TPlayRule::NoBet;
}

std::vector<TSummaryCollector::TStretch> TSummaryCollector::Stretches(const TGameCalculator& c) const {
    // In a session the ruined and the successful have left; the rule splits the rest by the bet they place.
    int64_t from = std::numeric_limits<int64_t>::min(), to = std::numeric_limits<int64_t>::max();
    if (FSummary.Params.Session && FRule.HasBankroll()) {
        from = FRule.RuinedAtOrBelow() + 1;
        to = FRule.SucceededFrom() - 1;
    }
    const std::vector<TGameCalculator::TBalanceSpan> spans = c.CoveringSpans();
    std::vector<TStretch> out;
    for (int s = 0; s < StateCount(); ++s)
        for (const TGameCalculator::TBalanceSpan& span : spans) {
            const int64_t lo = std::max(span.Lo, from), hi = std::min(span.Hi, to);
            if (span.Lo < lo)
                out.push_back({s, Gone, span.Lo, std::min(span.Hi, lo - 1)});
            FRule.ForEachPlaced(s, lo, hi, [&](int placed, int64_t first, int64_t last) {
                out.push_back({s, placed, first, last});
            });
            if (span.Hi > hi)
                out.push_back({s, Gone, std::max(span.Lo, hi + 1), span.Hi});
        }
    return out;
}

void TSummaryCollector::Collect(TGameCalculator& c, int round) {
    const TSummaryParams& p = FSummary.Params;
    if (round == 1) {
        std::fill(FEndedMass.begin(), FEndedMass.end(), 0.0);
        std::fill(FStateRounds.begin(), FStateRounds.end(), 0.0);
        FChartRuin = FChartSuccess = FRuin = FSuccess = FDurationSum = FEnded = 0.0;
        FMedianRound = FQuantile90Round = 0;
        FSummary.LimitShare = 0.0;
        FSummary.LimitRound = 0;
        FSummary.Session.reset();
        FHorizonDone = false;
        FMemoryBudget = c.MemoryBudget;
        FBelowSeen = FAboveSeen = 0.0;
        FBelowReach = FAboveReach = 0;
        // The first bet is placed whatever the bankroll.
        FStateRounds[0] = 1.0;
        FStaked = FSystem.Bet(0);
        FPlayed = 1.0;
    }
    if (p.Session) {
        CollectSession(c, round, true);
    } else if (round <= p.Rounds) {
        // Far enough to hold every balance a run of the largest moves reaches, short of overflow.
        const auto reach = [&](int32_t edge, double move) {
            const double r = static_cast<double>(edge) + move * static_cast<double>(p.Rounds - round);
            return static_cast<int64_t>(std::clamp(r, -4e18, 4e18));
        };
        if (c.LeftBelow() > FBelowSeen) {
            const int64_t top = reach(c.LeftBelowFrom(), FGain);
            FBelowReach = FBelowSeen > 0.0 ? std::max(FBelowReach, top) : top;
            FBelowSeen = c.LeftBelow();
        }
        if (c.LeftAbove() > FAboveSeen) {
            const int64_t bottom = reach(c.LeftAboveFrom(), -FLoss);
            FAboveReach = FAboveSeen > 0.0 ? std::min(FAboveReach, bottom) : bottom;
            FAboveSeen = c.LeftAbove();
        }
        const double share = c.LimitProbability();
        if (share > 0.0) {
            FSummary.LimitShare = std::max(FSummary.LimitShare, share);
            if (FSummary.LimitRound == 0)
                FSummary.LimitRound = round;
        }
    }
    if (round < p.Rounds)
        NoteNextRound(c);
    else if (round == p.Rounds)
        CollectHorizon(c);
}

double TSummaryCollector::CollectSession(TGameCalculator& c, int round, bool chartTakes) {
    const TSummaryParams& p = FSummary.Params;
    const int states = StateCount();
    const int32_t low = c.LowLimit();
    // Only the edges hold players who have ended: below, the ruined and those who cannot afford state 0's bet;
    // above, the successful. The cells between are left alone, in the same order as a scan of them all would.
    int64_t lowEdge = FRule.RuinedAtOrBelow();
    if (FRule.HasBankroll())
        lowEdge = std::max<int64_t>(lowEdge, FRule.PlaysFrom() - 1);
    const int32_t lowTop = static_cast<int32_t>(std::min<int64_t>(lowEdge, c.MaxBalance));
    const int32_t highFrom = static_cast<int32_t>(std::clamp<int64_t>(
        FRule.SucceededFrom(), std::max<int64_t>(lowTop + int64_t{1}, c.MinBalance), c.MaxBalance + int64_t{1}));
    double ruin = 0.0, success = 0.0, stuck = 0.0;
    const auto take = [&](double& x, int32_t b) {
        if (!(x > 0.0))
            return;
        const TPlayRule::TEnd end = FRule.End(b);
        if (end == TPlayRule::TEnd::Playing)
            return;
        const bool cannotBet = end == TPlayRule::TEnd::Stopped;
        FEndedMass[static_cast<size_t>(b - p.Limits.Low)] += x;
        (end == TPlayRule::TEnd::Ruined ? ruin : cannotBet ? stuck : success) += x;
        // No chart counts a player who cannot afford the first bet but is not ruined: he would stay forever.
        if (cannotBet || !chartTakes)
            x = 0.0;
    };
    for (int s = 0; s < states; ++s) {
        double* row = c.Row(c.CurrentBuffer, s);
        for (int32_t b = c.MinBalance; b <= lowTop; ++b)
            take(row[b - low], b);
        for (int32_t b = highFrom; b <= c.MaxBalance; ++b)
            take(row[b - low], b);
    }
    if (round <= p.Rounds) {
        FChartRuin += ruin;
        FChartSuccess += success;
    }
    FRuin += ruin + stuck;
    FSuccess += success;
    const double ended = ruin + success + stuck;
    FDurationSum += static_cast<double>(round) * ended;
    FEnded += ended;
    if (FMedianRound == 0 && FEnded >= 0.5)
        FMedianRound = round;
    if (FQuantile90Round == 0 && FEnded >= 0.9)
        FQuantile90Round = round;
    FLastRound = round;
    // The limits reach past the ruined and the successful balances: an end piled up at one cuts the end result.
    const double cut = (FLowEdgeCuts ? FEndedMass.front() : 0.0) + (FHighEdgeCuts ? FEndedMass.back() : 0.0);
    if (cut > 0.0) {
        FSummary.LimitShare = std::max(FSummary.LimitShare, cut);
        if (FSummary.LimitRound == 0)
            FSummary.LimitRound = round;
    }
    return ended;
}

void TSummaryCollector::NoteNextRound(const TGameCalculator& c) {
    const int32_t low = c.LowLimit();
    for (const TStretch& t : Stretches(c)) {
        if (t.Placed < 0)
            continue;
        const double sum = SumOf(c.Row(c.CurrentBuffer, t.State) + (t.First - low), t.Last - t.First + 1);
        FStateRounds[static_cast<size_t>(t.Placed)] += sum;
        FStaked += sum * FSystem.Bet(t.Placed);
        FPlayed += sum;
    }
}

void TSummaryCollector::CollectHorizon(const TGameCalculator& c) {
    const TSummaryParams& p = FSummary.Params;
    // The mass by balance over pieces of balances, laid end to end: the session's limits, or else the stretches the
    // calculator covers, so that the empty stretches between far clusters take no memory. A balance outside them
    // holds +0, which would change none of the sums below.
    std::vector<TGameCalculator::TBalanceSpan> pieces;
    std::vector<double> mass;
    if (p.Session) {
        pieces.push_back({p.Limits.Low, p.Limits.High});
        mass = FEndedMass;
    } else {
        pieces = c.CoveringSpans();
        size_t cells = 0;
        for (const TGameCalculator::TBalanceSpan& piece : pieces)
            cells += static_cast<size_t>(piece.Hi - piece.Lo + 1);
        mass.assign(cells, 0.0);
    }
    const auto eachBalance = [&pieces](auto f) {
        size_t i = 0;
        for (const TGameCalculator::TBalanceSpan& piece : pieces)
            for (int64_t b = piece.Lo; b <= piece.Hi; ++b, ++i)
                if (!f(static_cast<int32_t>(b), i))
                    return;
    };
    const int states = StateCount();
    double stuck = 0.0;
    for (int s = 0; s < states; ++s) {
        const double* row = c.Row(c.CurrentBuffer, s);
        eachBalance([&](int32_t b, size_t i) {
            if (b < c.MinBalance || b > c.MaxBalance)
                return true;
            const double x = row[b - c.LowLimit()];
            if (!(x > 0.0) || Ended(b))
                return true; // the ended players are in FEndedMass already
            mass[i] += x;
            if (Stuck(b))
                stuck += x;
            return true;
        });
    }
    THorizonFigures& h = FSummary.Horizon;
    h = THorizonFigures{};
    h.Rounds = p.Rounds;
    FSummary.Tolerance = c.Tolerance;
    FSummary.ToleranceLeft = c.ToleranceLeft();
    // What left past the edges lies, by now, at or below belowFrom and at or above aboveFrom.
    const double below = p.Session ? 0.0 : FBelowSeen, above = p.Session ? 0.0 : FAboveSeen;
    const int64_t belowFrom = FBelowReach, aboveFrom = FAboveReach;
    double total = 0.0, sum = 0.0;
    eachBalance([&](int32_t b, size_t i) {
        total += mass[i];
        sum += mass[i] * b;
        (b > 0 ? h.Ahead : b < 0 ? h.Behind : h.Even) += mass[i];
        return true;
    });
    h.Mean = sum;
    double squares = 0.0;
    eachBalance([&](int32_t b, size_t i) {
        const double d = static_cast<double>(b) - h.Mean;
        squares += mass[i] * d * d;
        return true;
    });
    h.StdDeviation = std::sqrt(squares);
    const double qs[5] = {0.05, 0.25, 0.5, 0.75, 0.95};
    int32_t* outs[5] = {&h.Q05, &h.Q25, &h.Median, &h.Q75, &h.Q95};
    total += below + above;
    // The smallest balance at which base plus the rows' mass up to it, plus extra from extraAt on, reaches each
    // quantile (nullopt: none does). With nothing beyond, both walks are the one of a complete distribution.
    using TFound = std::array<std::optional<int64_t>, 5>;
    const auto walk = [&](double base, int64_t extraAt, double extra) {
        TFound found;
        double cumulative = base;
        int next = 0;
        const auto reach = [&](int64_t b) {
            // Relative to the total, so that a sum a rounding below 1 still reaches the upper quantiles.
            while (next < 5 && cumulative >= qs[next] * total * (1.0 - 1e-15))
                found[static_cast<size_t>(next++)] = b;
        };
        bool pending = extra > 0.0;
        eachBalance([&](int32_t b, size_t i) {
            if (pending && extraAt < b) {
                cumulative += extra;
                pending = false;
                reach(extraAt);
            }
            cumulative += mass[i];
            if (pending && extraAt == b) {
                cumulative += extra;
                pending = false;
            }
            reach(b);
            return next < 5;
        });
        if (pending) {
            cumulative += extra;
            reach(extraAt);
        }
        return found;
    };
    // The highest quantile the cut allows counts what left below only from where it left; the lowest counts it
    // all from the start, and what left above from where that left.
    const TFound highest = walk(0.0, belowFrom, below);
    const TFound lowest = walk(below, aboveFrom, above);
    h.Bounded = below > 0.0 || above > 0.0;
    for (size_t k = 0; k < 5; ++k) {
        if (!h.Bounded) {
            *outs[k] = static_cast<int32_t>(highest[k].value_or(0));
            continue;
        }
        TBound& bound = h.QuantileBounds[k];
        // What left below may lie anywhere under the rows: reaching the quantile alone, it leaves no lowest one.
        const bool lowOpen = below >= qs[k] * total * (1.0 - 1e-15);
        if (!lowOpen && lowest[k] && highest[k] && *lowest[k] == *highest[k]) {
            *outs[k] = static_cast<int32_t>(*highest[k]);
        } else if (lowOpen && highest[k]) {
            bound = TBound::AtMost;
            *outs[k] = static_cast<int32_t>(*highest[k]);
        } else if (!lowOpen && lowest[k] && !highest[k]) {
            bound = TBound::AtLeast;
            *outs[k] = static_cast<int32_t>(*lowest[k]);
        } else {
            bound = TBound::None;
        }
    }
    // Each chance is exact where each side's beyond lies wholly within or wholly outside it.
    const auto chance = [&](double& value, TBound& bound, bool belowIn, bool belowMay, bool aboveIn, bool aboveMay) {
        const double least = value + (belowIn ? below : 0.0) + (aboveIn ? above : 0.0);
        const double most = value + (belowMay ? below : 0.0) + (aboveMay ? above : 0.0);
        value = least;
        if (most > least) {
            bound = least > 0.0 ? TBound::AtLeast : TBound::AtMost;
            value = least > 0.0 ? least : most;
        }
    };
    chance(h.Ahead, h.AheadBound, false, belowFrom > 0, aboveFrom > 0, true);
    chance(h.Behind, h.BehindBound, belowFrom < 0, true, false, aboveFrom < 0);
    chance(h.Even, h.EvenBound, false, belowFrom >= 0, false, aboveFrom <= 0);
    // In the units of the results, as the net result: each bet stakes the game's largest loss.
    h.Staked = FStaked * static_cast<double>(FGame.RiskUnit());
    h.MomentsExact = !p.Session && !FRule.HasBankroll();
    if (h.MomentsExact && FSummary.LimitRound > 0) {
        // The limits held probability that the sums above count at the wrong balances; the chain does not need them.
        const TChainMoments chain = ChainMoments(FGame, FRule, StateCount(), p.Rounds);
        h.Mean = chain.Mean;
        h.StdDeviation = std::sqrt(std::max(0.0, chain.Square - chain.Mean * chain.Mean));
        h.Staked = chain.Bets * static_cast<double>(FGame.RiskUnit());
        FStateRounds = chain.StateRounds;
    }
    h.ResultPerStaked = h.Staked != 0.0 ? h.Mean / h.Staked : 0.0;
    if (p.Bankroll > 0 || p.Session) {
        h.Ruin = p.Session ? FRuin : stuck;
        h.RoundsPlayed = FPlayed;
    }
    FSummary.States.assign(FStateRounds.size(), TStateFigures{});
    for (size_t s = 0; s < FStateRounds.size(); ++s) {
        FSummary.States[s].Bet = FSystem.Bet(static_cast<int>(s));
        FSummary.States[s].Rounds = FStateRounds[s];
    }
    if (p.Session) {
        TSessionFigures session;
        session.ChartRounds = p.Rounds;
        session.ChartRuin = FChartRuin;
        session.ChartSuccess = FChartSuccess;
        FSummary.Session = session;
    }
    FHorizonDone = true;
}

void TSummaryCollector::TakeEnded(TGameCalculator& c) const {
    const TSummaryParams& p = FSummary.Params;
    if (!p.Session || !FRule.HasBankroll())
        return;
    for (int64_t b = c.MinBalance; b <= std::min<int64_t>(c.MaxBalance, FRule.RuinedAtOrBelow()); ++b)
        c.TakeBalanceProbability(static_cast<int>(b));
    for (int64_t b = std::max<int64_t>(c.MinBalance, FRule.SucceededFrom()); b <= c.MaxBalance; ++b)
        c.TakeBalanceProbability(static_cast<int>(b));
}

bool TSummaryCollector::Complete(TGameCalculator& c, const std::function<bool()>& stopped,
                                 const std::function<void(double)>& progress) {
    if (!FHorizonDone)
        return false;
    const auto report = [&progress](double share) {
        if (progress)
            progress(std::clamp(share, 0.0, 1.0));
    };
    if (FSummary.Params.Session) {
        // Half of the bar for the session, half for the reach runs; both are often short.
        const TSummaryParams& p = FSummary.Params;
        if (p.Solve && p.Bankroll >= 1 && p.Bankroll < p.Target &&
            !SolveSessionFigures(FGame, FSystem, p, *FSummary.Session, stopped,
                                 [&](double share) { report(share / 4.0); }))
            return false;
        if (!ContinueSession(c, stopped, [&](double share) { report(share / 2.0); }))
            return false;
        FinishSession();
    }
    if (FSummary.Params.StateReach)
        return RunReach(stopped, [&](double share) { report(FSummary.Params.Session ? 0.5 + share / 2.0 : share); });
    return true;
}

bool TSummaryCollector::ContinueSession(TGameCalculator& c, const std::function<bool()>& stopped,
                                        const std::function<void(double)>& progress) {
    const TSummaryParams& p = FSummary.Params;
    const auto inPlay = [&c, this] {
        double sum = 0.0;
        for (const TStretch& t : Stretches(c))
            if (t.Placed >= 0)
                sum += SumOf(c.Row(c.CurrentBuffer, t.State) + (t.First - c.LowLimit()), t.Last - t.First + 1);
        return sum;
    };
    double left = inPlay();
    double decay = 1.0; // the share of the players in play that the last round kept in play
    int32_t round = c.RoundCount;
    // The players still in play would add about left * (round + 1 / (1 - decay)) rounds to the expected duration:
    // play on until that is far below its last digit too, so that the duration is as exact as the chances.
    const auto durationOpen = [&] {
        const double tail = decay < 1.0 ? static_cast<double>(round) + 1.0 / (1.0 - decay) : HUGE_VAL;
        return left * tail > 1e-14 * std::max(1.0, FDurationSum);
    };
    bool exact = true;
    const bool solved = FSummary.Session->Solved;
    for (;;) {
        const bool open =
            solved ? FQuantile90Round == 0 && left >= p.InPlayLimit : left >= p.InPlayLimit || durationOpen();
        if (!open || round >= p.RoundLimit) {
            if (exact)
                break;
            // The running count carries roundings: the decision to stop rests on an exact one.
            left = inPlay();
            exact = true;
            continue;
        }
        c.Step();
        ++round;
        const double ended = CollectSession(c, round, false);
        const double before = left;
        exact = round % RecountEvery == 0;
        left = exact ? inPlay() : std::max(0.0, left - ended);
        decay = before > 0.0 ? left / before : 0.0;
        if (round % CheckEvery == 0) {
            if (stopped && stopped())
                return false;
            progress(FEnded);
        }
    }
    FSummary.Session->RoundsRun = round;
    FSummary.Session->InPlay = left;
    if (solved && FQuantile90Round == 0 && left > 0.0)
        FSummary.Session->TailDecay = decay;
    return true;
}

void TSummaryCollector::FinishSession() {
    TSessionFigures& s = *FSummary.Session;
    s.Ended = s.InPlay < FSummary.Params.InPlayLimit;
    if (FMedianRound > 0)
        s.DurationMedian = FMedianRound;
    if (FQuantile90Round > 0)
        s.Duration90 = FQuantile90Round;
    if (s.Solved) {
        // The stepping went only as far as the quantiles: what it left in play is theirs to say.
        s.Ended = s.Ended || FQuantile90Round > 0;
        return;
    }
    if (!s.Ended)
        return; // anything more would pass a bound for a figure
    s.Ruin = FRuin;
    s.Success = FSuccess;
    s.Duration = FDurationSum;
    double end = 0.0;
    for (size_t i = 0; i < FEndedMass.size(); ++i)
        end += FEndedMass[i] * (FSummary.Params.Limits.Low + static_cast<double>(i));
    s.EndResult = end;
}

std::optional<TSeriesSummary> ComputeSeriesSummary(const TGameDescription& game, const TBetDescription& system,
                                                   const TSummaryParams& params, const std::function<bool()>& stopped) {
    const TFloatModeGuard floatMode;
    TGameCalculator c;
    c.Game = &game;
    c.BetSystem = &system;
    c.Bankroll = params.Bankroll;
    c.LowBound = params.Limits.Low;
    c.HighBound = params.Limits.High;
    TSummaryCollector collector(game, system, params);
    c.Reset();
    for (int round = 1;; ++round) {
        if (round > 1)
            c.Step();
        collector.Collect(c, round);
        collector.TakeEnded(c);
        if (round >= collector.Summary().Params.Rounds)
            break;
        if (round % CheckEvery == 0 && stopped && stopped())
            return std::nullopt;
    }
    if (!collector.Complete(c, stopped, {}))
        return std::nullopt;
    return collector.Summary();
}

} // namespace wl
