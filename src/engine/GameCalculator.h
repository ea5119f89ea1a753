// The exact round-by-round balance distribution of one series: a game played with a betting system.
//
// Distribution[buffer][state][balance] is the probability of being in that state with that net balance (bet units,
// -5000..5000) after round RoundCount. Reset computes round 1, Step the next round. MinBalance..MaxBalance always
// covers every balance holding probability (the range is only ever widened). All storage is part of the object;
// nothing is allocated per round.
#pragma once

#include "support/Checked.h"
#include "support/Color.h"

#include <cstdint>

namespace wl {

class TGameDescription;
class TBetDescription;
class TChartLine;

class TGameCalculator {
public:
    static constexpr int MinBalanceLimit = -5000;
    static constexpr int MaxBalanceLimit = 5000;
    static constexpr int BalanceCount = MaxBalanceLimit - MinBalanceLimit + 1;
    static constexpr int StateLimit = 21;

    TGameCalculator();

    void Reset();
    void Step();

    double BalanceProbability(int k) const;
    double TakeBalanceProbability(int k);

    // The probability cell of (state, balance) in the current buffer; checked.
    double Cell(int state, int balance) const;
    // Unchecked row of a state in a buffer, indexed by balance - MinBalanceLimit.
    double* Row(int buffer, int state) { return FDistribution + (buffer * StateLimit + state) * BalanceCount; }
    const double* Row(int buffer, int state) const {
        return FDistribution + (buffer * StateLimit + state) * BalanceCount;
    }

    TColor LineColor() const;
    // Plots Results[FirstX..LastX] into Line (charts/ implements it, next to the chart model).
    void FillSeries();

    int32_t MaxBalance = 0;
    int32_t MinBalance = 0;
    int32_t CurrentBuffer = 0;
    int32_t FirstX = 0;
    int32_t LastX = 0;
    double MinY = 0.0;
    double MaxY = 0.0;
    const TGameDescription* Game = nullptr;
    const TBetDescription* BetSystem = nullptr;
    TChartLine* Line = nullptr;
    int32_t RoundCount = 0;
    int32_t Bankroll = 0;
    bool ShowAll = false;
    TCheckedArray<double, MinBalanceLimit, MaxBalanceLimit> Results;

private:
    double* FDistribution; // 2 x 21 x 10001 doubles, owned
    // (the engine adds what its kernels need here)
};

} // namespace wl
