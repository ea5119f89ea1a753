// Games and betting systems built in code for the engine tests.
#pragma once

#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace wl::test {

struct TState {
    int32_t Bet, Win, Loss;
};

inline TGameDescription MakeGame(std::initializer_list<std::pair<int32_t, double>> outcomes) {
    TGameDescription g;
    g.OutcomeCount = 0;
    for (const auto& [r, p] : outcomes) {
        g.OutcomeResults[g.OutcomeCount] = r;
        g.OutcomeProbabilities[g.OutcomeCount] = p;
        ++g.OutcomeCount;
    }
    return g;
}

inline TBetDescription MakeSystem(std::initializer_list<TState> states) {
    TBetDescription b;
    b.StateCount = 0;
    for (const TState& s : states) {
        b.Bets[b.StateCount] = s.Bet;
        b.WinStates[b.StateCount] = s.Win;
        b.LossStates[b.StateCount] = s.Loss;
        ++b.StateCount;
    }
    return b;
}

inline TGameDescription CoinGame() {
    return MakeGame({{1, 0.5}, {-1, 0.5}});
}
inline TBetDescription FlatSystem() {
    return MakeSystem({{1, 0, 0}});
}

} // namespace wl::test
