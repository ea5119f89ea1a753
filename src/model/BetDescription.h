// One betting system: up to 21 states, each with a bet in units and the states that follow a won and a lost round.
#pragma once

#include "support/Checked.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace wl {

class TIniStore;

class TBetDescription {
public:
    static constexpr int MaxStates = 21;

    TBetDescription(); // one state: bet 1, both successors 0

    QString Name;
    TCheckedArray<int32_t, 0, MaxStates - 1> Bets;
    TCheckedArray<int32_t, 0, MaxStates - 1> LossStates;
    TCheckedArray<int32_t, 0, MaxStates - 1> WinStates;
    int32_t StateCount = 1;
    // "Key=text" of the values the file held that could not be read and count as 0; not saved.
    QStringList Unread;

    int32_t Bet(int i) const { return Bets[i]; }
    void SetBet(int i, int32_t v) { Bets[i] = v; }
    int32_t WinState(int i) const { return WinStates[i]; }
    int32_t LossState(int i) const { return LossStates[i]; }
    void SetWinState(int i, int32_t v);  // ERangeError for v outside 0..20, system unchanged
    void SetLossState(int i, int32_t v); // ERangeError for v outside 0..20, system unchanged

    // Moves the later states down and renumbers successors above k; ERangeError for k outside 0..StateCount-1.
    void DeleteState(int k);
    // Removes the states that no state names (state 0 always stays); ERangeError, system unchanged, for a
    // successor outside 0..20.
    void PruneStates();
    // Copies Name and the states in use, then prunes; unchanged when that fails.
    void Assign(const TBetDescription& source);

    // The section named Name; loading does not prune. A Count above 21 raises ERangeError before anything changes.
    void LoadFromIni(const TIniStore& store);
    void SaveToIni(TIniStore& store) const;
};

} // namespace wl
