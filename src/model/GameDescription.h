// One game: up to 32 outcomes, each a result in bet units and its probability, with the figures derived from them.
#pragma once

#include "support/Checked.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace wl {

class TIniStore;

class TGameDescription {
public:
    static constexpr int MaxOutcomes = 32;

    QString Name;
    TCheckedArray<int32_t, 0, MaxOutcomes - 1> OutcomeResults;
    TCheckedArray<double, 0, MaxOutcomes - 1> OutcomeProbabilities;
    int32_t OutcomeCount = 0;
    // "Key=text" of the values the file held that could not be read and count as 0; not saved.
    QStringList Unread;

    int32_t Result(int i) const { return OutcomeResults[i]; }
    void SetResult(int i, int32_t v) { OutcomeResults[i] = v; }
    double Probability(int i) const { return OutcomeProbabilities[i]; }
    void SetProbability(int i, double v) { OutcomeProbabilities[i] = v; }

    void Assign(const TGameDescription& source); // copies Name and the outcomes in use; other slots stay
    // Both raise ERangeError and leave the game unchanged when full (insert) or k is outside the outcomes in use
    // (0..OutcomeCount for insert, 0..OutcomeCount-1 for delete). Insert treats a count below 0 as 0. Delete clears
    // the slot it vacates, so that an outcome typed there later does not bring the old values back.
    void InsertOutcome(int k);
    void DeleteOutcome(int k);

    // 64 bits: the loss of the most negative 32-bit result does not fit 32 bits, and the figures must not fail.
    int64_t RiskUnit() const;
    double ExpectedResult() const;
    double ExpectedReturn() const;
    double Variance() const;
    double StdDeviation() const;
    double WinProbability() const;
    double DrawProbability() const;
    double LossProbability() const;
    double ProbabilitySum() const;
    double Info(int k) const;

    // The section named Name. A Count above 32 raises ERangeError before anything changes.
    void LoadFromIni(const TIniStore& store);
    void SaveToIni(TIniStore& store) const;
};

} // namespace wl
