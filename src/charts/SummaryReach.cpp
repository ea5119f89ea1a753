// The chance of reaching each state of a system within the horizon, and the largest bet placed with 99 %
// probability: runs in which the states asked about are absorbing, their probability taken out as it arrives.
#include "charts/SeriesSummary.h"

#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <array>

namespace wl {

namespace {
constexpr double LargestBetShare = 0.01;

// The states the successors lead to from state 0; the others are never reached, whatever the game.
uint32_t ReachableStates(const TBetDescription& system, int count) {
    uint32_t seen = 1;
    std::vector<int> todo{0};
    while (!todo.empty()) {
        const int s = todo.back();
        todo.pop_back();
        for (const int next : {system.WinState(s), system.LossState(s)})
            if (next >= 0 && next < count && !(seen & (1u << next))) {
                seen |= 1u << next;
                todo.push_back(next);
            }
    }
    return seen;
}
// The chance that the states' own chain, started in state 0, is about to place a bet of the mask within rounds.
double ChainReach(const TGameDescription& game, const TPlayRule& rule, int states, uint32_t mask, int rounds) {
    const int outcomes = std::clamp(game.OutcomeCount, 0, TGameDescription::MaxOutcomes);
    std::array<double, TGameCalculator::StateLimit> now{}, next{};
    now[0] = 1.0;
    double reached = 0.0;
    // After round r, whoever is about to place a bet of the mask in round r + 1 has reached it.
    for (int round = 1; round < rounds; ++round) {
        next.fill(0.0);
        for (int s = 0; s < states; ++s) {
            if (!(now[static_cast<size_t>(s)] > 0.0))
                continue;
            for (int o = 0; o < outcomes; ++o) {
                const int64_t move = static_cast<int64_t>(game.OutcomeResults.Data()[o]) * rule.Bet(s);
                next[static_cast<size_t>(rule.Successor(s, move))] +=
                    now[static_cast<size_t>(s)] * game.OutcomeProbabilities.Data()[o];
            }
        }
        double left = 0.0;
        for (int s = 0; s < states; ++s) {
            double& x = next[static_cast<size_t>(s)];
            if (mask & (1u << s)) {
                reached += x;
                x = 0.0;
            } else {
                left += x;
            }
        }
        if (!(left > 0.0))
            break;
        now = next;
    }
    return std::min(reached, 1.0);
}
} // namespace

std::optional<double> TSummaryCollector::ReachChance(uint32_t mask, const std::function<bool()>& stopped) {
    if (mask & 1u)
        return 1.0; // state 0 places the first bet
    const TSummaryParams& p = FSummary.Params;
    if (FSummary.ReachFromChain)
        return ChainReach(FGame, FRule, StateCount(), mask, p.Rounds);
    if (!FReachCalculator)
        FReachCalculator = std::make_unique<TGameCalculator>();
    TGameCalculator& c = *FReachCalculator;
    c.Game = &FGame;
    c.BetSystem = &FSystem;
    c.Bankroll = p.Bankroll;
    c.LowBound = p.Limits.Low;
    c.HighBound = p.Limits.High;
    c.MemoryBudget = FMemoryBudget;
    c.Reset();
    double reached = 0.0;
    // After round r, whoever is about to place a bet of the mask in round r + 1 has reached it.
    for (int round = 1; round < p.Rounds; ++round) {
        if (round > 1)
            c.Step();
        double left = 0.0;
        const int32_t low = c.LowLimit();
        // By ascending balance, as one scan of the row would add them.
        for (const TStretch& t : Stretches(c)) {
            double* row = c.Row(c.CurrentBuffer, t.State);
            const bool gone = t.Placed == Gone || t.Placed == TPlayRule::NoBet;
            const bool hits = !gone && (mask & (1u << t.Placed));
            for (int64_t b = t.First; b <= t.Last; ++b) {
                double& x = row[b - low];
                if (!(x > 0.0))
                    continue;
                if (gone) {
                    x = 0.0; // a player who has left or stopped places no more bets
                } else if (hits) {
                    reached += x;
                    x = 0.0;
                } else {
                    left += x;
                }
            }
        }
        if (!(left > 0.0))
            break;
        if (round % 256 == 0 && stopped && stopped())
            return std::nullopt;
    }
    // A certain reach adds up to 1 plus a few ulps of rounding; a chance never passes 1.
    return std::min(reached, 1.0);
}

bool TSummaryCollector::RunReach(const std::function<bool()>& stopped, const std::function<void(double)>& progress) {
    const int states = StateCount();
    const uint32_t reachable = ReachableStates(FSystem, states);
    // Where no bankroll rule applies the states move whatever the balance, as for the moments: their chain alone gives
    // the reach, and loses nothing to the edges of the balances followed.
    FSummary.ReachFromChain = !FSummary.Params.Session && !FRule.HasBankroll();
    std::vector<TStateFigures>& figures = FSummary.States;
    figures[0].Reach = 1.0;
    int runs = 0;
    for (int s = 1; s < states; ++s) {
        if (!(reachable & (1u << s))) {
            figures[static_cast<size_t>(s)].Reach = 0.0;
            continue;
        }
        const std::optional<double> chance = ReachChance(1u << s, stopped);
        if (!chance)
            return false;
        figures[static_cast<size_t>(s)].Reach = *chance;
        progress(static_cast<double>(++runs) / states);
    }

    // P(a bet above x is ever placed) falls as x grows: the answer is the smallest placed bet where it is at most 1 %.
    const int32_t first = FSystem.Bet(0);
    std::vector<int32_t> bets;
    for (int s = 0; s < states; ++s)
        if ((reachable & (1u << s)) && FSystem.Bet(s) >= first)
            bets.push_back(FSystem.Bet(s));
    std::sort(bets.begin(), bets.end());
    bets.erase(std::unique(bets.begin(), bets.end()), bets.end());
    const auto above = [&](int32_t x) -> std::optional<double> {
        uint32_t mask = 0;
        double largest = 0.0;
        int count = 0;
        for (int s = 0; s < states; ++s)
            if ((reachable & (1u << s)) && FSystem.Bet(s) > x) {
                mask |= 1u << s;
                largest = std::max(largest, *figures[static_cast<size_t>(s)].Reach);
                ++count;
            }
        // One state's chance bounds the set's from below, and is the set's when it is alone.
        if (count <= 1 || largest > LargestBetShare)
            return largest;
        return ReachChance(mask, stopped);
    };
    size_t lo = 0, hi = bets.size() - 1; // the largest bet always qualifies
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        const std::optional<double> chance = above(bets[mid]);
        if (!chance)
            return false;
        if (*chance <= LargestBetShare)
            hi = mid;
        else
            lo = mid + 1;
    }
    FSummary.LargestBet99 = bets[lo];
    progress(1.0);
    return true;
}

} // namespace wl
