// The range a series follows: its spans, what leaves play past its edges and in its tails, and the queries.
#include "engine/GameCalculator.h"

#include "engine/StepKernel.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <cstring>

namespace wl {

double TGameCalculator::TakeCells(int32_t b, int stateCount) {
    double sum = 0.0;
    for (int s = 0; s < stateCount; ++s) {
        double& cell = Row(CurrentBuffer, s)[b - FLow];
        sum += cell;
        cell = 0.0;
    }
    return sum;
}

void TGameCalculator::Settle() {
    if (RoundCount == 0 || !FDistribution || !BetSystem)
        return;
    const int stateCount = std::clamp(BetSystem->StateCount, 0, StateLimit);
    // The edge cell holds what landed on it and what passed it, which no longer tell apart: both leave.
    if (!PilesBelow() && MinBalance <= FLow) {
        const double left = TakeCells(FLow, stateCount);
        if (left > 0.0)
            FLeftBelowFrom = FLeftBelow > 0.0 ? std::max(FLeftBelowFrom, FLow) : FLow;
        FLeftBelow += left;
        if (MinBalance < MaxBalance)
            MinBalance = FLow + 1;
    }
    if (!PilesAbove() && MaxBalance >= FHigh) {
        const double left = TakeCells(FHigh, stateCount);
        if (left > 0.0)
            FLeftAboveFrom = FLeftAbove > 0.0 ? std::min(FLeftAboveFrom, FHigh) : FHigh;
        FLeftAbove += left;
        if (MaxBalance > MinBalance)
            MaxBalance = FHigh - 1;
    }
    ShedTails();
}

void TGameCalculator::ShedTails() {
    if (!(Tolerance > 0.0) || !FClean || MinBalance >= MaxBalance)
        return;
    const bool low = !PilesBelow(), high = !PilesAbove();
    if (!low && !high)
        return;
    // An even share per round, nine tenths of the tolerance by the planned last round, the rest for rounds beyond
    // it: the flux through the tails' far ends is about even from round to round, and a share saved for later would
    // widen every late round.
    const double planned = RoundsPlanned > 0 ? RoundsPlanned : 1000.0;
    const double r = RoundCount;
    const double fraction = r <= planned ? 0.9 * r / planned : 0.9 + 0.1 * (r - planned) / r;
    const double allowed = Tolerance * fraction - FToleranceLeft;
    if (!(allowed > 0.0))
        return;
    const int stateCount = std::clamp(BetSystem->StateCount, 0, StateLimit);
    auto sumAt = [&](int32_t b) {
        double p = 0.0;
        for (int s = 0; s < stateCount; ++s)
            p += Row(CurrentBuffer, s)[b - FLow];
        return p;
    };
    // From the far end inwards: the balances whose probability together stays within the share, or none when the walk
    // meets a gap that parts a far cluster (a jackpot's) from the rest, or the other end. Only dense tails are cut:
    // the sparse rows keep every cluster.
    auto reach = [&](int32_t from, int32_t step, int32_t stop, double share, double& cut) {
        cut = 0.0;
        int32_t empty = 0;
        for (int32_t b = from; b != stop; b += step) {
            const double p = sumAt(b);
            if (!(cut + p <= share))
                return b;
            empty = p > 0.0 ? 0 : empty + 1;
            if (empty >= SegmentGap)
                break;
            cut += p;
        }
        cut = 0.0;
        return from;
    };
    double cutLow = 0.0, cutHigh = 0.0;
    if (low) {
        const int32_t first = reach(MinBalance, 1, MaxBalance, high ? allowed / 2 : allowed, cutLow);
        for (int32_t b = MinBalance; b < first; ++b)
            TakeCells(b, stateCount);
        MinBalance = first;
    }
    if (high) {
        const int32_t last = reach(MaxBalance, -1, MinBalance, allowed - cutLow, cutHigh);
        for (int32_t b = MaxBalance; b > last; --b)
            TakeCells(b, stateCount);
        MaxBalance = last;
    }
    FToleranceLeft += cutLow + cutHigh;
}

double TGameCalculator::RoundUpdates() const {
    if (!Game || !BetSystem)
        return 0.0;
    return static_cast<double>(MaxBalance - MinBalance + 1) * std::max(BetSystem->StateCount, 1) *
           std::max(Game->OutcomeCount, 1);
}

bool TGameCalculator::SameCells(const TGameCalculator& other) const {
    if (FLow != other.FLow || FHigh != other.FHigh || MinBalance != other.MinBalance ||
        MaxBalance != other.MaxBalance || RoundCount != other.RoundCount)
        return false;
    if (!FDistribution || !other.FDistribution)
        return !FDistribution && !other.FDistribution;
    // Rows past the system's states hold whatever an earlier system left there, which no one reads.
    const int stateCount = BetSystem ? std::clamp(BetSystem->StateCount, 0, StateLimit) : StateLimit;
    for (int s = 0; s < stateCount; ++s)
        if (std::memcmp(Row(CurrentBuffer, s), other.Row(other.CurrentBuffer, s),
                        static_cast<size_t>(FHigh - FLow + 1) * sizeof(double)) != 0)
            return false;
    return true;
}

double TGameCalculator::Cell(int state, int balance) const {
    CheckIndex(state, 0, StateLimit - 1, "state");
    CheckIndex(balance, FLow, FHigh, "balance");
    return FDistribution ? Row(CurrentBuffer, state)[balance - FLow] : 0.0;
}

double TGameCalculator::BalanceProbability(int k) const {
    CheckIndex(k, FLow, FHigh, "balance");
    const int stateCount = FDistribution && BetSystem ? std::clamp(BetSystem->StateCount, 0, StateLimit) : 0;
    double sum = 0.0;
    for (int s = 0; s < stateCount; ++s)
        sum += Row(CurrentBuffer, s)[k - FLow];
    return sum;
}

std::vector<TGameCalculator::TBalanceSpan> TGameCalculator::CoveringSpans() const {
    std::vector<TBalanceSpan> spans;
    if (RoundCount == 0 || !FDistribution || !BetSystem)
        return spans;
    TRanges where, occupied;
    for (int s = 0; s < std::clamp(BetSystem->StateCount, 0, StateLimit); ++s) {
        Occupied(CurrentBuffer, s, occupied);
        for (const TRange& h : occupied)
            if (const TRange piece = Band(h, MinBalance, MaxBalance); piece.Lo <= piece.Hi)
                where.push_back(piece);
    }
    MergeRanges(where);
    for (const TRange& w : where)
        spans.push_back({w.Lo, w.Hi});
    return spans;
}

std::vector<TGameCalculator::TBalanceSpan> TGameCalculator::BalanceSpans() const {
    std::vector<TBalanceSpan> spans;
    if (RoundCount == 0 || !FDistribution || !BetSystem)
        return spans;
    const int stateCount = std::clamp(BetSystem->StateCount, 0, StateLimit);
    // A stretch of this many empty balances or more separates two spans; shorter ones stay inside a span.
    constexpr int64_t gap = 256;
    // Only the covering spans are looked at: every cell between them is +0.
    HeldRuns(
        CoveringSpans(), gap,
        [this, stateCount](int64_t b) {
            for (int s = 0; s < stateCount; ++s)
                if (Row(CurrentBuffer, s)[b - FLow] != 0.0)
                    return true;
            return false;
        },
        [&spans](int64_t first, int64_t last) {
            spans.push_back({first, last});
        });
    if (spans.empty())
        spans.push_back({MinBalance, MaxBalance});
    // The spans reach the tracked range's ends, as the charts always showed them.
    spans.front().Lo = MinBalance;
    spans.back().Hi = MaxBalance;
    return spans;
}

double TGameCalculator::LimitProbability() const {
    if (RoundCount == 0)
        return 0.0;
    double share = FLeftBelow + FLeftAbove;
    if (PilesBelow() && MinBalance <= FLow)
        share += BalanceProbability(FLow);
    if (PilesAbove() && MaxBalance >= FHigh)
        share += BalanceProbability(FHigh);
    return share;
}

double TGameCalculator::TakeBalanceProbability(int k) {
    const double sum = BalanceProbability(k);
    const int stateCount = FDistribution && BetSystem ? std::clamp(BetSystem->StateCount, 0, StateLimit) : 0;
    for (int s = 0; s < stateCount; ++s)
        Row(CurrentBuffer, s)[k - FLow] = 0.0;
    return sum;
}

} // namespace wl
