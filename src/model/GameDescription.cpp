// One game's outcomes, the figures derived from them, and its section of games.ini.
#include "model/GameDescription.h"

#include "support/IniStore.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace wl {

namespace {

struct TOutcomeKeys {
    QString Result, Probability;
};

// Made once: a game read or written would otherwise build two keys for each outcome.
const TOutcomeKeys& OutcomeKeys(int i) {
    static const std::array<TOutcomeKeys, TGameDescription::MaxOutcomes> keys = [] {
        std::array<TOutcomeKeys, TGameDescription::MaxOutcomes> made;
        for (int k = 0; k < TGameDescription::MaxOutcomes; ++k) {
            const QString number = QString::number(k);
            made[static_cast<size_t>(k)] = {QStringLiteral("Result") + number, QStringLiteral("Probability") + number};
        }
        return made;
    }();
    return keys.at(static_cast<size_t>(i));
}

void CheckOutcomeCount(int32_t count, const char* what) {
    if (count > TGameDescription::MaxOutcomes)
        RaiseRangeError(what, count, 0, TGameDescription::MaxOutcomes);
}

} // namespace

void TGameDescription::Assign(const TGameDescription& source) {
    CheckOutcomeCount(source.OutcomeCount, "outcome count");
    OutcomeCount = source.OutcomeCount;
    Name = source.Name;
    Unread.clear(); // what the editor assigns has been seen there
    for (int i = 0; i < OutcomeCount; ++i) {
        OutcomeResults[i] = source.OutcomeResults[i];
        OutcomeProbabilities[i] = source.OutcomeProbabilities[i];
    }
}

void TGameDescription::InsertOutcome(int k) {
    // A count below 0 (possible from a hand-made file) means no outcomes, so inserting gives exactly one.
    const int n = std::max(OutcomeCount, 0);
    if (n >= MaxOutcomes)
        RaiseRangeError("outcome count", n + 1, 0, MaxOutcomes);
    // Inserting past the end would expose a stale slot between the old last outcome and k.
    CheckIndex(k, 0, n, "outcome index");
    for (int i = n - 1; i >= k; --i) {
        OutcomeResults[i + 1] = OutcomeResults[i];
        OutcomeProbabilities[i + 1] = OutcomeProbabilities[i];
    }
    OutcomeResults[k] = 0;
    OutcomeProbabilities[k] = 0.0;
    OutcomeCount = n + 1;
}

void TGameDescription::DeleteOutcome(int k) {
    // Deleting an outcome that is not there must not remove the last one instead.
    CheckIndex(k, 0, OutcomeCount - 1, "outcome index");
    for (int i = k + 1; i < OutcomeCount; ++i) {
        OutcomeResults[i - 1] = OutcomeResults[i];
        OutcomeProbabilities[i - 1] = OutcomeProbabilities[i];
    }
    --OutcomeCount;
    OutcomeResults[OutcomeCount] = 0;
    OutcomeProbabilities[OutcomeCount] = 0.0;
}

int64_t TGameDescription::RiskUnit() const {
    int64_t worst = -1;
    for (int i = 0; i < OutcomeCount; ++i)
        worst = std::min<int64_t>(worst, OutcomeResults[i]);
    return -worst;
}

double TGameDescription::ExpectedResult() const {
    const int64_t unit = RiskUnit();
    double sum = 0.0;
    for (int i = 0; i < OutcomeCount; ++i)
        sum += static_cast<double>(OutcomeResults[i]) * OutcomeProbabilities[i];
    return unit == 1 ? sum : sum / static_cast<double>(unit);
}

double TGameDescription::ExpectedReturn() const {
    return ExpectedResult() + 1.0;
}

double TGameDescription::Variance() const {
    const double unit = static_cast<double>(RiskUnit());
    const double mean = ExpectedResult();
    double sum = 0.0;
    for (int i = 0; i < OutcomeCount; ++i) {
        const double d = OutcomeResults[i] / unit - mean;
        sum += OutcomeProbabilities[i] * d * d;
    }
    return sum;
}

double TGameDescription::StdDeviation() const {
    return std::sqrt(Variance());
}

double TGameDescription::WinProbability() const {
    double sum = 0.0;
    for (int i = 0; i < OutcomeCount; ++i)
        if (OutcomeResults[i] > 0)
            sum += OutcomeProbabilities[i];
    return sum;
}

double TGameDescription::DrawProbability() const {
    double sum = 0.0;
    for (int i = 0; i < OutcomeCount; ++i)
        if (OutcomeResults[i] == 0)
            sum += OutcomeProbabilities[i];
    return sum;
}

double TGameDescription::LossProbability() const {
    double sum = 0.0;
    for (int i = 0; i < OutcomeCount; ++i)
        if (OutcomeResults[i] < 0)
            sum += OutcomeProbabilities[i];
    return sum;
}

double TGameDescription::ProbabilitySum() const {
    double sum = 0.0;
    for (int i = 0; i < OutcomeCount; ++i)
        sum += OutcomeProbabilities[i];
    return sum;
}

double TGameDescription::Info(int k) const {
    switch (k) {
    case 0:
        return ExpectedReturn();
    case 1:
        return ExpectedResult();
    case 2:
        return StdDeviation();
    case 3:
        return Variance();
    case 4:
        return WinProbability();
    case 5:
        return DrawProbability();
    case 6:
        return LossProbability();
    case 7:
        return ProbabilitySum();
    default:
        return 0.0;
    }
}

void TGameDescription::LoadFromIni(const TIniStore& store) {
    const int32_t count = store.ReadInteger(Name, QStringLiteral("Count"), 0);
    CheckOutcomeCount(count, "outcome count in games.ini");
    OutcomeCount = count;
    Unread.clear();
    for (int i = 0; i < count; ++i) {
        const TOutcomeKeys& keys = OutcomeKeys(i);
        OutcomeResults[i] = store.ReadInteger(Name, keys.Result, 0, &Unread);
        OutcomeProbabilities[i] = store.ReadFloat(Name, keys.Probability, 0.0, &Unread);
    }
}

void TGameDescription::SaveToIni(TIniStore& store) const {
    CheckOutcomeCount(OutcomeCount, "outcome count");
    store.WriteInteger(Name, QStringLiteral("Count"), OutcomeCount);
    for (int i = 0; i < OutcomeCount; ++i) {
        const TOutcomeKeys& keys = OutcomeKeys(i);
        store.WriteInteger(Name, keys.Result, OutcomeResults[i]);
        store.WriteFloat(Name, keys.Probability, OutcomeProbabilities[i]);
    }
}

} // namespace wl
