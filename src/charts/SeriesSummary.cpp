// Collecting a series' figures round by round, and the runs that only the summary needs.
#include "charts/SeriesSummary.h"

#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace wl {

namespace {
constexpr int CheckEvery = 256; // rounds between polls of the stop flag outside the calculation thread's loop

int StateCountOf(const TBetDescription& system) {
    return std::clamp(system.StateCount, 1, TGameCalculator::StateLimit);
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

int TSummaryCollector::PlacedState(int state, int32_t balance) const {
    const int32_t bankroll = FSummary.Params.Bankroll;
    if (bankroll <= 0)
        return state;
    const int64_t money = static_cast<int64_t>(bankroll) + balance;
    // The bankroll rule: a state the player cannot afford falls back to state 0's bet, or to no bet at all.
    if (money >= FSystem.Bet(state))
        return state;
    return money >= FSystem.Bet(0) ? 0 : -1;
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

void TSummaryCollector::CollectSession(TGameCalculator& c, int round, bool chartTakes) {
    const TSummaryParams& p = FSummary.Params;
    const int states = StateCountOf(FSystem);
    const int32_t low = c.LowLimit();
    double ruin = 0.0, success = 0.0, stuck = 0.0;
    for (int s = 0; s < states; ++s) {
        double* row = c.Row(c.CurrentBuffer, s);
        for (int32_t b = c.MinBalance; b <= c.MaxBalance; ++b) {
            double& x = row[b - low];
            if (!(x > 0.0))
                continue;
            const bool ruined = b <= -p.Bankroll;
            const bool reached = !ruined && b >= p.Target - p.Bankroll;
            const bool cannotBet = !ruined && !reached && Stuck(b);
            if (!ruined && !reached && !cannotBet)
                continue;
            FEndedMass[static_cast<size_t>(b - p.Limits.Low)] += x;
            (ruined ? ruin : reached ? success : stuck) += x;
            // No chart counts a player who cannot afford the first bet but is not ruined: he would stay forever.
            if (cannotBet || !chartTakes)
                x = 0.0;
        }
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
}

void TSummaryCollector::NoteNextRound(const TGameCalculator& c, int /*round*/) {
    const int states = StateCountOf(FSystem);
    const int32_t low = c.LowLimit();
    for (int s = 0; s < states; ++s) {
        const double* row = c.Row(c.CurrentBuffer, s);
        for (int32_t b = c.MinBalance; b <= c.MaxBalance; ++b) {
            const double x = row[b - low];
            if (!(x > 0.0) || Ended(b))
                continue;
            const int placed = PlacedState(s, b);
            if (placed < 0)
                continue;
            FStateRounds[static_cast<size_t>(placed)] += x;
            FStaked += x * FSystem.Bet(placed);
            FPlayed += x;
        }
    }
}

void TSummaryCollector::CollectHorizon(const TGameCalculator& c) {
    const TSummaryParams& p = FSummary.Params;
    std::vector<double> mass = FEndedMass; // by balance - Limits.Low
    const int states = StateCountOf(FSystem);
    double stuck = 0.0;
    for (int s = 0; s < states; ++s) {
        const double* row = c.Row(c.CurrentBuffer, s);
        for (int32_t b = c.MinBalance; b <= c.MaxBalance; ++b) {
            const double x = row[b - c.LowLimit()];
            if (!(x > 0.0) || Ended(b))
                continue; // the ended players are in FEndedMass already
            mass[static_cast<size_t>(b - p.Limits.Low)] += x;
            if (Stuck(b))
                stuck += x;
        }
    }
    THorizonFigures& h = FSummary.Horizon;
    h = THorizonFigures{};
    h.Rounds = p.Rounds;
    double total = 0.0, sum = 0.0;
    for (size_t i = 0; i < mass.size(); ++i) {
        const int32_t b = p.Limits.Low + static_cast<int32_t>(i);
        total += mass[i];
        sum += mass[i] * b;
        (b > 0 ? h.Ahead : b < 0 ? h.Behind : h.Even) += mass[i];
    }
    h.Mean = sum;
    double squares = 0.0;
    for (size_t i = 0; i < mass.size(); ++i) {
        const double d = p.Limits.Low + static_cast<double>(i) - h.Mean;
        squares += mass[i] * d * d;
    }
    h.StdDeviation = std::sqrt(squares);
    const double qs[5] = {0.05, 0.25, 0.5, 0.75, 0.95};
    int32_t* outs[5] = {&h.Q05, &h.Q25, &h.Median, &h.Q75, &h.Q95};
    double cumulative = 0.0;
    int next = 0;
    for (size_t i = 0; i < mass.size() && next < 5; ++i) {
        cumulative += mass[i];
        // Relative to the total, so that a sum a rounding below 1 still reaches the upper quantiles.
        while (next < 5 && cumulative >= qs[next] * total * (1.0 - 1e-15)) {
            *outs[next] = p.Limits.Low + static_cast<int32_t>(i);
            ++next;
        }
    }
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
        for (int s = 0; s < StateCountOf(FSystem); ++s) {
            const double* row = c.Row(c.CurrentBuffer, s);
            for (int32_t b = c.MinBalance; b <= c.MaxBalance; ++b)
                if (row[b - c.LowLimit()] > 0.0)
                    sum += row[b - c.LowLimit()];
        }
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
    while ((left >= p.InPlayLimit || durationOpen()) && round < p.RoundLimit) {
        c.Step();
        ++round;
        CollectSession(c, round, false);
        const double before = left;
        left = inPlay();
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
