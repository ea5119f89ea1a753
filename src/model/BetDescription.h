// One betting system: up to 21 states, each with a bet in units and the states that follow a won and a lost round.
#pragma once

#include "support/Checked.h"

#include <QString>

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

    int32_t Bet(int i) const { return Bets[i]; }
    void SetBet(int i, int32_t v) { Bets[i] = v; }
    int32_t WinState(int i) const { return WinStates[i]; }
    int32_t LossState(int i) const { return LossStates[i]; }
    void SetWinState(int i, int32_t v);  // ERangeError for v outside 0..20, system unchanged
    void SetLossState(int i, int32_t v); // ERangeError for v outside 0..20, system unchanged

    void DeleteState(int k);
    void PruneStates();
    void Assign(const TBetDescription& source);

    void LoadFromIni(const TIniStore& store);
    void SaveToIni(TIniStore& store) const;
};

} // namespace wl
