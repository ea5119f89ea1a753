// The rules of play, once: for a player with a bankroll, his balance and his system's state, which bet he places in
// the next round and whether he has ended. The forward step, the planner's backward pass, the session solver, the
// summary and its reach passes all ask this; none restates it.
//
// Money is Bankroll + balance. Without a bankroll (Bankroll 0, the balance charts) every state's bet is placed
// whatever the balance and no one ends. With one:
// - a state whose bet the money cannot pay places state 0's bet instead (the fall-back);
// - money that cannot pay state 0's bet either places no bet, for good: the player has stopped;
// - money at or below 0 is ruined, and with a target, money at or above it has succeeded; both end a session.
// The first round places state 0's bet whatever the money.
#pragma once

#include "model/BetDescription.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace wl {

class TPlayRule {
public:
    enum class TEnd { Playing, Ruined, Succeeded, Stopped };
    // No state: the player places no bet.
    static constexpr int NoBet = -1;
    static constexpr int64_t Unbounded = std::numeric_limits<int64_t>::min() / 4;

    TPlayRule() = default;
    // target 0: none.
    TPlayRule(const TBetDescription& system, int32_t bankroll, int32_t target = 0)
        : FSystem(&system), FBankroll(std::max(bankroll, 0)), FTarget(std::max(target, 0)) {}

    int32_t Bankroll() const { return FBankroll; }
    int32_t Target() const { return FTarget; }
    bool HasBankroll() const { return FBankroll > 0; }
    int32_t Bet(int state) const { return FSystem->Bets.Data()[state]; }

    // The lowest balance at which state's own bet is paid; Unbounded without a bankroll.
    int64_t OwnFrom(int state) const {
        return HasBankroll() ? static_cast<int64_t>(Bet(state)) - FBankroll : Unbounded;
    }
    // The least money (Bankroll + balance) that pays state's own bet, for passes over every bankroll at once.
    int64_t OwnMoneyFrom(int state) const { return Bet(state); }
    // The lowest balance at which any bet is paid (state 0's): below it the player has stopped.
    int64_t PlaysFrom() const { return OwnFrom(0); }

    // The state whose bet a player in `state` at `balance` places in a round after the first, or NoBet. Ending
    // (ruin, success) is apart: ask End first where the pass ends players.
    int PlacedState(int state, int64_t balance) const {
        if (balance >= OwnFrom(state))
            return state;
        return balance >= PlaysFrom() ? 0 : NoBet;
    }
    int64_t PlacedBet(int state, int64_t balance) const {
        const int placed = PlacedState(state, balance);
        return placed == NoBet ? 0 : Bet(placed);
    }

    // The state after a round whose bet was `state`'s (the placed one, after any fall-back) and whose move (result
    // times bet) is `move`: a loss goes to the loss successor, a win or a move of 0 to the win successor.
    int Successor(int state, int64_t move) const {
        return move < 0 ? FSystem->LossStates.Data()[state] : FSystem->WinStates.Data()[state];
    }

    // Splits the balances lo..hi of `state` by what their players place, ascending: f(placed, first, last) for each
    // stretch that is not empty, placed being NoBet, 0 (the fall-back) or the state itself. Agrees with PlacedState.
    template <typename F> void ForEachPlaced(int state, int64_t lo, int64_t hi, F&& f) const {
        if (lo > hi)
            return;
        const int64_t own = std::max(OwnFrom(state), lo);
        const int64_t plays = std::clamp(std::min(PlaysFrom(), OwnFrom(state)), lo, own);
        if (plays > lo)
            f(NoBet, lo, std::min(plays - 1, hi));
        if (own > plays && plays <= hi)
            f(0, plays, std::min(own - 1, hi));
        if (own <= hi)
            f(state, own, hi);
    }

    // The highest balance that is ruined (money 0 or less) and the lowest that has succeeded; only a session
    // (bankroll and target, or bankroll alone for ruin) ends players there.
    int64_t RuinedAtOrBelow() const { return -static_cast<int64_t>(FBankroll); }
    int64_t SucceededFrom() const {
        return FTarget > 0 ? static_cast<int64_t>(FTarget) - FBankroll : std::numeric_limits<int64_t>::max();
    }

    // How a session stands for a player at `balance` before his next round (after the first).
    TEnd End(int64_t balance) const {
        if (!HasBankroll())
            return TEnd::Playing;
        if (balance <= RuinedAtOrBelow())
            return TEnd::Ruined;
        if (balance >= SucceededFrom())
            return TEnd::Succeeded;
        return balance < PlaysFrom() ? TEnd::Stopped : TEnd::Playing;
    }

    // The same rule by money (bankroll plus balance), for passes that cover every bankroll at once.
    TEnd EndAtMoney(int64_t money) const { return End(money - FBankroll); }
    int PlacedStateAtMoney(int state, int64_t money) const { return PlacedState(state, money - FBankroll); }

private:
    const TBetDescription* FSystem = nullptr;
    int32_t FBankroll = 0;
    int32_t FTarget = 0;
};

} // namespace wl
