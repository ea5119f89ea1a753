// Collecting a series' figures round by round, and the runs that only the summary needs.
#include "charts/SeriesSummary.h"

#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <tuple>

namespace wl {

namespace {
constexpr int CheckEvery = 256; // rounds between polls of the stop flag outside the calculation thread's loop

// Rounds between exact counts of the players still in play; in between, what ended is taken off a running count.
constexpr int RecountEvery = 16;

int StateCountOf(const TBetDescription& system) {
    return std::clamp(system.StateCount, 1, TGameCalculator::StateLimit);
}

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
    : FGame(game), FSystem(system) {
    FSummary.Params = params;
    FSummary.Params.Rounds = std::max(1, params.Rounds);
    FSummary.Game = GameFiguresOf(game);
    // Only a session ends players, and its limits are the bankroll's and the target's.
    if (params.Session)
        FEndedMass.assign(static_cast<size_t>(params.Limits.High - params.Limits.Low + 1), 0.0);
    FStateRounds.assign(static_cast<size_t>(StateCountOf(system)), 0.0);
}

TSummaryCollector::~TSummaryCollector() = default;

bool TSummaryCollector::Ended(int32_t balance) const {
    const TSummaryParams& p = FSummary.Params;
    return p.Session && (balance <= -p.Bankroll || balance >= p.Target - p.Bankroll);
}

bool TSummaryCollector::Stuck(int32_t balance) const {
    const int32_t bankroll = FSummary.Params.Bankroll;
    return bankroll > 0 && static_cast<int64_t>(bankroll) + balance < FSystem.Bet(0);
}

std::pair<int64_t, int64_t> TSummaryCollector::PlayingRange(const TGameCalculator& c) const {
    const TSummaryParams& p = FSummary.Params;
    if (!p.Session)
        return {c.MinBalance, c.MaxBalance};
    return {std::max<int64_t>(c.MinBalance, 1 - static_cast<int64_t>(p.Bankroll)),
            std::min<int64_t>(c.MaxBalance, static_cast<int64_t>(p.Target) - p.Bankroll - 1)};
}

TSummaryCollector::TPlacedFrom TSummaryCollector::PlacedFrom(int state, int64_t from) const {
    const int64_t bankroll = FSummary.Params.Bankroll;
    if (bankroll <= 0)
        return {from, from};
    // A state the player cannot afford falls back to state 0's bet, or to no bet at all.
    return {std::max<int64_t>(from, FSystem.Bet(0) - bankroll), std::max<int64_t>(from, FSystem.Bet(state) - bankroll)};
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
        // The first bet is placed whatever the bankroll.
        FStateRounds[0] = 1.0;
        FStaked = FSystem.Bet(0);
        FPlayed = 1.0;
    }
    if (p.Session) {
        CollectSession(c, round, true);
    } else if (round <= p.Rounds) {
        const double share = c.LimitProbability();
        if (share > 0.0) {
            FSummary.LimitShare = std::max(FSummary.LimitShare, share);
            if (FSummary.LimitRound == 0)
                FSummary.LimitRound = round;
        }
    }
    if (round < p.Rounds)
        NoteNextRound(c, round);
    else if (round == p.Rounds)
        CollectHorizon(c);
}

double TSummaryCollector::CollectSession(TGameCalculator& c, int round, bool chartTakes) {
    const TSummaryParams& p = FSummary.Params;
    const int states = StateCountOf(FSystem);
    const int32_t low = c.LowLimit();
    // Only the edges hold players who have ended: below, the ruined and those who cannot afford state 0's bet;
    // above, the successful. The cells between are left alone, in the same order as a scan of them all would.
    int64_t lowEdge = -static_cast<int64_t>(p.Bankroll);
    if (p.Bankroll > 0)
        lowEdge = std::max<int64_t>(lowEdge, static_cast<int64_t>(FSystem.Bet(0)) - p.Bankroll - 1);
    const int32_t lowTop = static_cast<int32_t>(std::min<int64_t>(lowEdge, c.MaxBalance));
    const int32_t highFrom =
        static_cast<int32_t>(std::max<int64_t>({static_cast<int64_t>(p.Target) - p.Bankroll,
                                                static_cast<int64_t>(lowTop) + 1, static_cast<int64_t>(c.MinBalance)}));
    double ruin = 0.0, success = 0.0, stuck = 0.0;
    const auto take = [&](double& x, int32_t b) {
        if (!(x > 0.0))
            return;
        const bool ruined = b <= -p.Bankroll;
        const bool reached = !ruined && b >= p.Target - p.Bankroll;
        const bool cannotBet = !ruined && !reached && Stuck(b);
        if (!ruined && !reached && !cannotBet)
            return;
        FEndedMass[static_cast<size_t>(b - p.Limits.Low)] += x;
        (ruined ? ruin : reached ? success : stuck) += x;
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
    const double cut = FEndedMass.front() + FEndedMass.back();
    if (cut > 0.0) {
        FSummary.LimitShare = std::max(FSummary.LimitShare, cut);
        if (FSummary.LimitRound == 0)
            FSummary.LimitRound = round;
    }
    return ended;
}

void TSummaryCollector::NoteNextRound(const TGameCalculator& c, int /*round*/) {
    const int states = StateCountOf(FSystem);
    const int32_t low = c.LowLimit();
    const auto [from, to] = PlayingRange(c);
    for (int s = 0; s < states; ++s) {
        const double* row = c.Row(c.CurrentBuffer, s);
        const TPlacedFrom placedFrom = PlacedFrom(s, from);
        for (const auto& [placed, first, last] :
             // A bet beyond all money in play puts Own past to: the fallback stops at to, inside the row.
             {std::tuple<int, int64_t, int64_t>{0, placedFrom.Fallback, std::min(placedFrom.Own - 1, to)},
              std::tuple<int, int64_t, int64_t>{s, placedFrom.Own, to}}) {
            const double sum = last >= first ? SumOf(row + (first - low), last - first + 1) : 0.0;
            FStateRounds[static_cast<size_t>(placed)] += sum;
            FStaked += sum * FSystem.Bet(placed);
            FPlayed += sum;
        }
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
    const int states = StateCountOf(FSystem);
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
    double cumulative = 0.0;
    int next = 0;
    eachBalance([&](int32_t b, size_t i) {
        cumulative += mass[i];
        // Relative to the total, so that a sum a rounding below 1 still reaches the upper quantiles.
        while (next < 5 && cumulative >= qs[next] * total * (1.0 - 1e-15)) {
            *outs[next] = b;
            ++next;
        }
        return next < 5;
    });
    // In the units of the results, as the net result: each bet stakes the game's largest loss.
    h.Staked = FStaked * static_cast<double>(FGame.RiskUnit());
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
    if (!p.Session)
        return;
    for (int32_t b = c.MinBalance; b <= std::min(c.MaxBalance, -p.Bankroll); ++b)
        c.TakeBalanceProbability(b);
    for (int32_t b = std::max(c.MinBalance, p.Target - p.Bankroll); b <= c.MaxBalance; ++b)
        c.TakeBalanceProbability(b);
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
        for (int s = 0; s < StateCountOf(FSystem); ++s)
            sum += SumOf(c.Row(c.CurrentBuffer, s) + (c.MinBalance - c.LowLimit()), c.MaxBalance - c.MinBalance + 1);
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
    for (;;) {
        if (!(left >= p.InPlayLimit || durationOpen()) || round >= p.RoundLimit) {
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
    return true;
}

void TSummaryCollector::FinishSession() {
    TSessionFigures& s = *FSummary.Session;
    s.Ended = s.InPlay < FSummary.Params.InPlayLimit;
    if (FMedianRound > 0)
        s.DurationMedian = FMedianRound;
    if (FQuantile90Round > 0)
        s.Duration90 = FQuantile90Round;
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
