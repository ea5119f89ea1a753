// The calculator's storage, Reset, the reference Step and the probability queries.
#include "engine/GameCalculator.h"
#include "engine/PlayRule.h"
#include "engine/SeriesCheck.h"

#include "engine/StepKernel.h"
#include "engine/ZeroPages.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace wl {

namespace {

std::atomic<TStepKernel>& DefaultKernelSlot() {
    static std::atomic<TStepKernel> kernel{TGameCalculator::Avx2Supported() ? TStepKernel::Avx2
                                                                            : TStepKernel::Portable};
    return kernel;
}

} // namespace

TGameCalculator::TAlignedDoubles TGameCalculator::AllocateRows(int rows, size_t stride) {
    // Rows a series never reaches (most of them, for a short run or a series never computed) cost nothing.
    return AllocateZeroPages(static_cast<size_t>(rows) * stride * sizeof(double));
}

void TGameCalculator::ClearCells(double* first, double* last) {
    ClearZeroPages(first, last);
}

void TGameCalculator::Occupied(int buffer, int state, TRanges& out) const {
    out.clear();
    if (FSegmented[buffer][state])
        out = FSegments[buffer][state];
    else if (FDirty[buffer][state].Lo <= FDirty[buffer][state].Hi)
        out.push_back(FDirty[buffer][state]);
}

void TGameCalculator::ClearOutside(int buffer, int state, const TRanges& keep) {
    // Every round passes here for every row: no copy of the segments, no allocation.
    const TRange hull = FDirty[buffer][state];
    const bool segmented = FSegmented[buffer][state];
    const TRange* held = segmented ? FSegments[buffer][state].data() : &hull;
    const size_t count = segmented ? FSegments[buffer][state].size() : hull.Lo <= hull.Hi ? 1 : 0;
    double* row = Row(buffer, state) - FLow;
    size_t k = 0;
    for (size_t i = 0; i < count; ++i) {
        const TRange& h = held[i];
        int64_t from = h.Lo;
        while (k < keep.size() && keep[k].Hi < h.Lo)
            ++k;
        for (size_t j = k; j < keep.size() && keep[j].Lo <= h.Hi; ++j) {
            if (keep[j].Lo > from)
                ClearCells(row + from, row + keep[j].Lo);
            from = std::max<int64_t>(from, static_cast<int64_t>(keep[j].Hi) + 1);
        }
        if (from <= h.Hi)
            ClearCells(row + from, row + h.Hi + 1);
    }
}

void TGameCalculator::MergeRanges(TRanges& ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const TRange& a, const TRange& b) { return a.Lo < b.Lo; });
    size_t n = 0;
    for (const TRange& r : ranges) {
        if (n > 0 && static_cast<int64_t>(r.Lo) - ranges[n - 1].Hi <= SegmentGap)
            ranges[n - 1].Hi = std::max(ranges[n - 1].Hi, r.Hi);
        else
            ranges[n++] = r;
    }
    ranges.resize(n);
}

namespace {
size_t StrideFor(int32_t lo, int32_t hi, int margin) {
    return (2 * static_cast<size_t>(margin) + static_cast<size_t>(static_cast<int64_t>(hi) - lo + 1) + 7) / 8 * 8;
}
} // namespace

void TGameCalculator::AllocateStorage(int32_t lo, int32_t hi) {
    const size_t stride = StrideFor(lo, hi, RowPadding + RowSlack);
    // A calculator that moves between the narrow and the wide limits keeps its rows: fresh ones cost a page fault
    // and a cleared page for every 512 cells. Kept rows are cleared here, as fresh ones would be.
    if (FDistribution && stride <= FCapacityStride && FCapacityStride <= 2 * stride) {
        std::memset(FDistribution.get(), 0, 2 * StateLimit * stride * sizeof(double));
        std::memset(FStash.get(), 0, stride * sizeof(double));
    } else {
        TAlignedDoubles distribution = AllocateRows(2 * StateLimit, stride);
        TAlignedDoubles stash = AllocateRows(1, stride);
        FDistribution = std::move(distribution);
        FStash = std::move(stash);
        FCapacityStride = stride;
    }
    FZeroed = true;
    FRowStride = stride;
    FLow = lo;
    FHigh = hi;
    for (int b = 0; b < 2; ++b)
        for (int s = 0; s < StateLimit; ++s) {
            FDirty[b][s] = TRange{};
            FSegments[b][s].clear();
            FSegmented[b][s] = true;
            FSlot[b][s] = b * StateLimit + s;
            FOrigin[b][s] = 0;
        }
}

// The rows come with the first Reset: a series that is never computed (a window being restored, a chart kind
// that fails at once) costs no storage.
TGameCalculator::TGameCalculator() : Kernel(DefaultKernel()), FPlan(std::make_unique<TFastPlan>()) {}

TGameCalculator::~TGameCalculator() = default;

TStepKernel TGameCalculator::DefaultKernel() {
    return DefaultKernelSlot().load(std::memory_order_relaxed);
}

void TGameCalculator::SetDefaultKernel(TStepKernel kernel) {
    if (kernel == TStepKernel::Avx2 && !Avx2Supported())
        kernel = TStepKernel::Portable;
    DefaultKernelSlot().store(kernel, std::memory_order_relaxed);
}

bool TGameCalculator::Avx2Supported() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
#else
    return false;
#endif
}

void TGameCalculator::Track(TRange& r, int32_t lo, int32_t hi) {
    if (lo > hi)
        return;
    if (r.Lo > r.Hi) {
        r.Lo = lo;
        r.Hi = hi;
    } else {
        r.Lo = std::min(r.Lo, lo);
        r.Hi = std::max(r.Hi, hi);
    }
}

int TGameCalculator::CheckedSeries() const {
    return wl::CheckedSeries(Game, BetSystem);
}

void TGameCalculator::Reset() {
    const int outcomeCount = CheckedSeries();
    const TGameDescription& game = *Game;
    const TBetDescription& system = *BetSystem;
    CheckIndex(LowBound, -BalanceReach, 0, "lower balance limit");
    CheckIndex(HighBound, 0, BalanceReach, "upper balance limit");
    FClean = false;
    FMovesGame = nullptr;
    NoteMoves();
    FStopLow = LowBound;
    FStopHigh = HighBound;
    FBudgetReached = false;
    FPastReach = false;
    // Bounds within the risk charts' reach are taken whole, as they always were; the balance charts start at
    // +-5000 and widen as the distribution spreads.
    int32_t lo = LowBound >= -WideBalanceLimit ? LowBound : MinBalanceLimit;
    int32_t hi = HighBound <= WideBalanceLimit ? HighBound : MaxBalanceLimit;
    const int32_t bet = system.Bets[0];
    int64_t firstLo = 0, firstHi = 0;
    for (int o = 0; o < outcomeCount; ++o) {
        const int64_t move = static_cast<int64_t>(game.OutcomeResults.Data()[o]) * bet;
        firstLo = std::min(firstLo, move);
        firstHi = std::max(firstHi, move);
    }
    NotePastReach(firstLo, firstHi);
    Fit(firstLo, firstHi, 0, lo, hi);
    // Fresh rows for other limits: every cell outside the new limits must read +0 to the gather.
    if (!FDistribution || lo != FLow || hi != FHigh)
        AllocateStorage(lo, hi);
    const int32_t offset = -FLow;
    LimitShare = 0.0;
    LimitRound = 0;

    ShowAll = false;
    CurrentBuffer = 0;
    MaxBalance = 0;
    MinBalance = 0;
    // memset rather than a loop of stores, which an instrumented build would pay for cell by cell; rows that have
    // held nothing since they were cleared are not touched.
    if (!FZeroed)
        for (int s = 0; s < StateLimit; ++s) {
            if (FHigh - FLow < DenseRowCells)
                std::memset(Row(0, s), 0, static_cast<size_t>(FHigh - FLow + 1) * sizeof(double));
            else
                ClearOutside(0, s, {});
        }
    FZeroed = false;
    for (int s = 0; s < StateLimit; ++s) {
        FDirty[0][s] = TRange{};
        FSegments[0][s].clear();
        FSegmented[0][s] = true;
    }

    // Round 1 ignores the bankroll: state 0's bet is always placed.
    const int32_t win = system.WinStates[0];
    const int32_t loss = system.LossStates[0];
    bool clean = true;
    double mass = 0.0;
    for (int o = 0; o < outcomeCount; ++o) {
        const int64_t move = static_cast<int64_t>(game.OutcomeResults.Data()[o]) * bet;
        // Past a bound the move piles up there, as in every later round.
        const int32_t d = static_cast<int32_t>(std::clamp<int64_t>(move, FLow, FHigh));
        int target;
        if (move < 0) {
            target = loss;
            MinBalance = std::min(MinBalance, d);
        } else {
            target = win;
            MaxBalance = std::max(MaxBalance, d);
        }
        CheckIndex(target, 0, StateLimit - 1, "successor state");
        const double p = game.OutcomeProbabilities.Data()[o];
        Row(0, target)[d + offset] += p;
        Track(FDirty[0][target], d, d);
        FSegments[0][target].push_back(TRange{d, d});
        clean = clean && std::isfinite(p) && p >= 0.0;
        mass += p;
    }
    for (TRanges& segments : FSegments[0])
        MergeRanges(segments);
    FClean = clean;
    FMassBound = mass * 1.0001;
    FLastStateCount = system.StateCount;
    RoundCount = 1;
    FLeftBelow = 0.0;
    FLeftAbove = 0.0;
    FToleranceLeft = 0.0;
    FLeftBelowFrom = 0;
    FLeftAboveFrom = 0;
    Settle();
}

void TGameCalculator::NoteMoves() {
    if (FMovesGame == Game && FMovesSystem == BetSystem && FMovesStateCount == BetSystem->StateCount)
        return;
    FMovesGame = Game;
    FMovesSystem = BetSystem;
    FMovesStateCount = BetSystem->StateCount;
    FMinMove = 0;
    FMaxMove = 0;
    const int outcomeCount = std::clamp(Game->OutcomeCount, 0, TGameDescription::MaxOutcomes);
    for (int s = 0; s < std::clamp(BetSystem->StateCount, 0, StateLimit); ++s)
        for (int o = 0; o < outcomeCount; ++o) {
            const int64_t move = static_cast<int64_t>(Game->OutcomeResults.Data()[o]) * BetSystem->Bets.Data()[s];
            FMinMove = std::min(FMinMove, move);
            FMaxMove = std::max(FMaxMove, move);
        }
}

int64_t TGameCalculator::BudgetCells() const {
    if (MemoryBudget <= 0)
        return BalanceReach;
    const int states = BetSystem ? std::clamp(BetSystem->StateCount, 1, StateLimit) : StateLimit;
    // Both buffers of every state and the stash, each with its margins.
    const int64_t cells =
        MemoryBudget / static_cast<int64_t>(sizeof(double)) / (2 * states + 1) - 2 * (RowPadding + RowSlack);
    return std::max<int64_t>(cells, 1);
}

int64_t TGameCalculator::OccupiedCells() const {
    const int states = BetSystem ? std::clamp(BetSystem->StateCount, 1, StateLimit) : StateLimit;
    int64_t cells = 0;
    TRanges held;
    // From the cells themselves, which every kernel computes alike, rather than from its bookkeeping: the range
    // stops at the same round whichever kernel ran.
    for (int s = 0; s < states; ++s) {
        Occupied(CurrentBuffer, s, held);
        const double* row = Row(CurrentBuffer, s) - FLow;
        HeldRuns(
            held, SegmentGap, [row](int64_t b) { return row[b] != 0.0; },
            [&cells](int64_t first, int64_t last) { cells += last - first + 1; });
    }
    return cells;
}

void TGameCalculator::NotePastReach(int64_t needLo, int64_t needHi) {
    FPastReach = FPastReach || (LowBound == -BalanceReach && needLo < -BalanceReach) ||
                 (HighBound == BalanceReach && needHi > BalanceReach);
}

void TGameCalculator::Fit(int64_t needLo, int64_t needHi, int64_t occupied, int32_t& lo, int32_t& hi) {
    const int64_t width = static_cast<int64_t>(hi) - lo + 1;
    // Room to spare on the side that grows, so that a spreading distribution widens the rows now and then, not
    // every round; a balance reaches a side that is not a stop only when the rows are about to widen.
    const int64_t spare = std::max<int64_t>(width / 2, 1024);
    int64_t newLo = lo, newHi = hi;
    if (needLo <= lo && lo > FStopLow)
        newLo = std::max<int64_t>(FStopLow, needLo - spare);
    if (needHi >= hi && hi < FStopHigh)
        newHi = std::min<int64_t>(FStopHigh, needHi + spare);
    if (newLo == lo && newHi == hi)
        return;
    // The budget counts the cells the rows hold, both buffers; the span may reach further, as the pages between
    // clusters are never touched, but not without end, in case the gaps fill in later.
    const int64_t cells = MemoryBudget > 0 ? BudgetCells() * SparseSpanFactor : BudgetCells();
    if (MemoryBudget > 0 && occupied * 2 * static_cast<int64_t>(sizeof(double)) > MemoryBudget) {
        newLo = lo;
        newHi = hi;
        FBudgetReached = true;
        FStopLow = lo;
        FStopHigh = hi;
    } else if (newHi - newLo + 1 > cells) {
        // The range stops. When the balances asked for fit the budget, it takes them and what room is left on the
        // side that asked; a move past the whole budget stops it where it is, rather than filling the budget with
        // empty cells that every round would go through.
        const int64_t askLo = std::max<int64_t>(lo - std::max<int64_t>(needLo, FStopLow), 0);
        const int64_t askHi = std::max<int64_t>(std::min<int64_t>(needHi, FStopHigh) - hi, 0);
        if (width + askLo + askHi <= cells) {
            const int64_t room = cells - width - askLo - askHi;
            const int64_t spareLo = askLo > 0 ? (askHi > 0 ? room / 2 : room) : 0;
            newLo = std::max<int64_t>(lo - askLo - spareLo, FStopLow);
            newHi = std::min<int64_t>(hi + askHi + (askHi > 0 ? room - spareLo : 0), FStopHigh);
        } else {
            newLo = lo;
            newHi = hi;
        }
        FBudgetReached = true;
        FStopLow = static_cast<int32_t>(newLo);
        FStopHigh = static_cast<int32_t>(newHi);
    }
    lo = static_cast<int32_t>(newLo);
    hi = static_cast<int32_t>(newHi);
}

void TGameCalculator::Widen() {
    if (RoundCount == 0 || !Game || !BetSystem)
        return;
    NoteMoves();
    const int64_t needLo = static_cast<int64_t>(MinBalance) + FMinMove;
    const int64_t needHi = static_cast<int64_t>(MaxBalance) + FMaxMove;
    NotePastReach(needLo, needHi);
    if ((needLo > FLow || FLow <= FStopLow) && (needHi < FHigh || FHigh >= FStopHigh))
        return;
    int32_t lo = FLow, hi = FHigh;
    Fit(needLo, needHi, OccupiedCells(), lo, hi);
    if (lo != FLow || hi != FHigh)
        Relayout(lo, hi);
}

void TGameCalculator::Relayout(int32_t lo, int32_t hi) {
    const size_t stride = StrideFor(lo, hi, RowPadding + RowSlack);
    TAlignedDoubles rows = AllocateRows(2 * StateLimit, stride);
    TAlignedDoubles stash = AllocateRows(1, stride);
    const int cur = CurrentBuffer;
    const size_t base = RowPadding + RowSlack + static_cast<size_t>(FLow - lo);
    TRanges held;
    for (int s = 0; s < StateLimit; ++s) {
        const TRange band = Band(FDirty[cur][s], FLow, FHigh);
        // Stretch by stretch, so that the pages between clusters stay untouched in the new rows too.
        Occupied(cur, s, held);
        TRanges& kept = FSegments[cur][s];
        kept.clear();
        for (const TRange& h : held) {
            const TRange piece = Band(h, band.Lo, band.Hi);
            if (piece.Lo > piece.Hi)
                continue;
            std::memcpy(rows.get() + static_cast<size_t>(cur * StateLimit + s) * stride + base + (piece.Lo - FLow),
                        Row(cur, s) + (piece.Lo - FLow), static_cast<size_t>(piece.Hi - piece.Lo + 1) * sizeof(double));
            kept.push_back(piece);
        }
        FSegmented[cur][s] = true;
        FDirty[cur][s] = band;
        FDirty[1 - cur][s] = TRange{};
        FSegments[1 - cur][s].clear();
        FSegmented[1 - cur][s] = true;
        for (int b = 0; b < 2; ++b) {
            FSlot[b][s] = b * StateLimit + s;
            FOrigin[b][s] = 0;
        }
    }
    FDistribution = std::move(rows);
    FStash = std::move(stash);
    FRowStride = stride;
    FCapacityStride = stride;
    FLow = lo;
    FHigh = hi;
    FZeroed = false;
}

void TGameCalculator::StepReference() {
    EnsureStorage();
    Widen();
    const int outcomeCount = CheckedSeries();
    const TGameDescription& game = *Game;
    const TBetDescription& system = *BetSystem;
    const int stateCount = CheckIndex(std::max(system.StateCount, 0), 0, StateLimit, "state count");
    const int32_t* results = game.OutcomeResults.Data();
    const double* probabilities = game.OutcomeProbabilities.Data();

    const TPlayRule rule(system, Bankroll);
    const int32_t lowest = FLow, highest = FHigh, offset = -FLow;
    const int old = CurrentBuffer;
    const int cur = 1 - old;
    CurrentBuffer = cur;
    // Until the round completes, any cell of the new buffer and of state 0's old row may change.
    for (int s = 0; s < StateLimit; ++s) {
        FDirty[cur][s] = TRange{lowest, highest};
        FSegmented[cur][s] = false;
    }
    FDirty[old][0] = TRange{lowest, highest};
    FSegmented[old][0] = false;
    for (int s = 0; s < stateCount; ++s)
        std::memset(Row(cur, s), 0, static_cast<size_t>(highest - lowest + 1) * sizeof(double));

    for (int s = stateCount - 1; s >= 0; --s) {
        const int32_t bet = system.Bets.Data()[s];
        const int32_t win = system.WinStates.Data()[s];
        const int32_t loss = system.LossStates.Data()[s];
        double* source = Row(old, s);
        int32_t start = MinBalance;
        if (rule.HasBankroll()) {
            // Balances below this one leave the player less money than the bet.
            const long long afford = rule.OwnFrom(s);
            if (MinBalance < afford) {
                // Nothing lies above the tracked range, however large the bet.
                const int32_t last = static_cast<int32_t>(std::min<long long>(afford - 1, MaxBalance));
                double* state0 = Row(old, 0);
                for (int32_t b = MinBalance; b <= last; ++b) {
                    const double x = source[b + offset];
                    if (s == 0) {
                        Row(cur, 0)[b + offset] += x;
                    } else {
                        source[b + offset] = 0.0;
                        state0[b + offset] += x;
                    }
                }
                start = last + 1;
            }
        }
        const int32_t top = MaxBalance;
        for (int32_t b = start; b <= top; ++b) {
            const double x = source[b + offset];
            if (!(x > 0.0))
                continue;
            for (int o = 0; o < outcomeCount; ++o) {
                // In 64 bits: a move of any size beyond a bound piles up at that bound.
                const long long d = static_cast<long long>(results[o]) * bet;
                const long long landing = b + d;
                int32_t nb;
                int target;
                if (d < 0) {
                    target = loss;
                    nb = static_cast<int32_t>(std::max<long long>(landing, lowest));
                    MinBalance = std::min(MinBalance, nb);
                } else {
                    target = win;
                    nb = static_cast<int32_t>(std::min<long long>(landing, highest));
                    MaxBalance = std::max(MaxBalance, nb);
                }
                CheckIndex(target, 0, StateLimit - 1, "successor state");
                Row(cur, target)[nb + offset] += x * probabilities[o];
            }
        }
    }
    NoteReferenceStep(old, stateCount);
    ++RoundCount;
    Settle();
}

// Keeps the bookkeeping of the fast kernels true after a round of the plain loops.
void TGameCalculator::NoteReferenceStep(int old, int stateCount) {
    const int cur = 1 - old;
    for (int t = 0; t < stateCount; ++t) {
        FDirty[cur][t] = TRange{MinBalance, MaxBalance};
        FSegmented[cur][t] = false;
    }
    const TGameDescription& game = *Game;
    double sum = 0.0;
    bool clean = FClean;
    for (int o = 0; o < std::clamp(game.OutcomeCount, 0, TGameDescription::MaxOutcomes); ++o) {
        const double p = game.OutcomeProbabilities.Data()[o];
        clean = clean && std::isfinite(p) && p >= 0.0;
        sum += p;
    }
    FMassBound *= sum * 1.0001;
    FClean = clean && FMassBound < 1e300;
    FLastStateCount = stateCount;
}

void TGameCalculator::EnsureStorage() {
    if (!FDistribution)
        AllocateStorage(FLow, FHigh);
    FZeroed = false; // a step is about to write
}

void TGameCalculator::Step() {
    EnsureStorage();
    Widen();
    if (Kernel == TStepKernel::Reference || !StepFast(nullptr))
        StepReference();
    else
        Settle();
}

void TGameCalculator::Step(TStepPool& pool) {
    EnsureStorage();
    Widen();
    if (Kernel == TStepKernel::Reference || !StepFast(&pool))
        StepReference();
    else
        Settle();
}

} // namespace wl
