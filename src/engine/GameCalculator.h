// The exact round-by-round balance distribution of one series: a game played with a betting system.
//
// Distribution[buffer][state][balance] is the probability of being in that state with that net balance (bet units)
// after round RoundCount. Reset computes round 1, Step the next round. The rows cover LowLimit()..HighLimit(), which
// widen round by round to take every balance a move reaches, up to LowBound..HighBound and as far as MemoryBudget
// allows. Moves past a bound within the risk charts' reach pile up there; past any other edge (a far bound, where the
// budget stopped the range) they leave play after the round and are counted as lying beyond it, so that every
// balance still held is exact. The far ends of a dense row whose combined probability is below what Tolerance still
// allows leave play too. MinBalance..MaxBalance always covers every balance holding probability. The first Reset and
// a Reset with other limits allocate. Before the first Reset every cell reads 0 and there are no rows.
//
// Exactness contract of Step (every kernel gives the same bits as StepReference, and the rows' width changes none):
// - states are handled from StateCount-1 down to 0; within a state, balances ascending, outcomes in stored order;
// - cells holding 0 or less (or NaN) are not spread; each product x * p is rounded to double before it is added;
// - moves past LowLimit() or HighLimit() pile up at that bound, whatever their size; then Settle takes what leaves;
// - with Bankroll > 0, a state's balances whose money is below its bet fall back to state 0 (or stay put in state 0)
//   before state 0 is spread.
#pragma once

#include "engine/ZeroPages.h"
#include "support/Checked.h"
#include "support/Color.h"
#include "support/SeriesValues.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace wl {

class TGameDescription;
class TBetDescription;
class TChartLine;
class TStepPool;

enum class TStepKernel { Reference, Portable, Avx2 };

class TGameCalculator {
public:
    // The rows a Reset starts with, when the bounds allow: most series never leave them.
    static constexpr int MinBalanceLimit = -5000;
    static constexpr int MaxBalanceLimit = 5000;
    // How far the risk charts' bankroll and target reach.
    static constexpr int WideBalanceLimit = 10000;
    // The farthest balance ever tracked, beyond any budget: 32-bit cell indexes stay far from overflow.
    static constexpr int32_t BalanceReach = 1 << 29;
    static constexpr int StateLimit = 21;

    TGameCalculator();
    ~TGameCalculator();
    TGameCalculator(const TGameCalculator&) = delete;
    TGameCalculator& operator=(const TGameCalculator&) = delete;

    // Adopts LowBound and HighBound, then computes round 1.
    void Reset();
    // Runs the kernel chosen by Kernel; every kernel gives the bits of StepReference.
    void Step();
    // The same round with the target rows of a wide distribution shared out over the pool's workers.
    void Step(TStepPool& pool);
    // The plain loops, kept as the oracle of the fast kernels.
    void StepReference();

    // The stretches of balances that may hold probability, ascending and apart, inside MinBalance..MaxBalance: every
    // balance between two of them holds none.
    struct TBalanceSpan {
        int64_t Lo, Hi;
    };
    std::vector<TBalanceSpan> BalanceSpans() const;
    // Stretches inside MinBalance..MaxBalance, ascending and apart, outside which every balance holds +0: a sum over
    // them has the bits of the sum over every balance. Cheaper than BalanceSpans, which looks at the cells.
    std::vector<TBalanceSpan> CoveringSpans() const;

    double BalanceProbability(int k) const;
    double TakeBalanceProbability(int k);

    // The probability cell of (state, balance) in the current buffer; checked.
    double Cell(int state, int balance) const;
    // Unchecked row of a state in a buffer, indexed by balance - LowLimit(); there are rows after a Reset. Read only,
    // except for setting cells to 0: the fast kernels rely on the cells being finite and not negative.
    double* Row(int buffer, int state) { return FDistribution.get() + RowOffset(buffer, state); }
    const double* Row(int buffer, int state) const { return FDistribution.get() + RowOffset(buffer, state); }
    // The whole storage of both buffers, as laid out: rows move between slots, so compare with SameCells.
    const double* Storage() const { return FDistribution.get(); }
    // Whether the current distributions of the system's states and the ranges are the same, bit for bit.
    bool SameCells(const TGameCalculator& other) const;

    // The balances the rows cover now; Row() is indexed from LowLimit().
    int32_t LowLimit() const { return FLow; }
    int32_t HighLimit() const { return FHigh; }
    // The probability piled up at a bound that holds it, plus all that has left play past an edge that does not (a
    // far bound, or where the memory budget stopped the range). Not what the tolerance let go.
    double LimitProbability() const;
    // What has left play since the last Reset past the low and the high edge (at or below LowLimit(), at or above
    // HighLimit()), and what the tolerance let go on either side.
    double LeftBelow() const { return FLeftBelow; }
    double LeftAbove() const { return FLeftAbove; }
    double ToleranceLeft() const { return FToleranceLeft; }
    // The highest balance at which anything left past the low edge, the lowest past the high edge (0: none left).
    int32_t LeftBelowFrom() const { return FLeftBelowFrom; }
    int32_t LeftAboveFrom() const { return FLeftAboveFrom; }
    // Whether moves past the low (high) limit pile up there rather than leave play: a bound within the risk charts'
    // reach, whose kinds take those cells themselves.
    bool PilesBelow() const { return FLow == LowBound && LowBound >= -WideBalanceLimit; }
    bool PilesAbove() const { return FHigh == HighBound && HighBound <= WideBalanceLimit; }
    // Whether the memory budget stopped the range from widening.
    bool BudgetReached() const { return FBudgetReached; }
    // Whether a move could take a balance past +-BalanceReach, which no memory budget follows: what goes there leaves
    // play whatever the budget.
    bool PastReach() const { return FPastReach; }
    // The cell-by-outcome updates of a round over the tracked range, the unit of the engine's work; 0 without a game
    // or a system.
    double RoundUpdates() const;

    // The kernel used by Step; new calculators take the process-wide default.
    TStepKernel Kernel;
    static TStepKernel DefaultKernel();
    static void SetDefaultKernel(TStepKernel kernel);
    static bool Avx2Supported();

    TColor LineColor() const;
    // Plots Results[FirstX..LastX] into Line (charts/ implements it, next to the chart model).
    void FillSeries();

    int32_t MaxBalance = 0;
    int32_t MinBalance = 0;
    int32_t CurrentBuffer = 0;
    int64_t FirstX = 0;
    int64_t LastX = 0;
    double MinY = 0.0;
    double MaxY = 0.0;
    const TGameDescription* Game = nullptr;
    const TBetDescription* BetSystem = nullptr;
    TChartLine* Line = nullptr;
    int32_t RoundCount = 0;
    int32_t Bankroll = 0;
    // The bounds of the balances the next Reset and its rounds track: LowBound in -BalanceReach..0, HighBound in
    // 0..BalanceReach. The risk charts set their bankroll and target; the balance charts track everything.
    int32_t LowBound = -BalanceReach;
    int32_t HighBound = BalanceReach;
    // Filled by the chart kinds that show balances: the largest share of probability found at the limits, and
    // the first round it was found in (0: never).
    double LimitShare = 0.0;
    int32_t LimitRound = 0;
    bool ShowAll = false;
    // Bytes this series' rows may take (0: no bound but BalanceReach). What it bounds, exactly: each time the rows
    // widen, the cells that hold probability (both buffers) must fit it, and the span must fit four times the cells
    // it would hold densely, as the pages between far clusters are never touched. Between widenings it is not
    // checked, so a stopped range whose gaps fill in may come to take up to four times it. Once stopped, what passes
    // the last balances reached leaves play there, which LimitProbability reports.
    int64_t MemoryBudget = int64_t{256} << 20;
    // The most probability the tails may shed over the whole run (0: follow every balance until it underflows). By its
    // round r the tails may have shed up to Tolerance * 0.9 * r / H in all, H being RoundsPlanned (or 1000), and past
    // H up to Tolerance * (0.9 + 0.1 * (r - H) / r), so that the sum stays below Tolerance however far it is taken.
    // Only dense rows are cut, never a side that piles.
    double Tolerance = 0.0;
    int32_t RoundsPlanned = 0;
    // Indexed by balance, round or (the bankroll planner's kinds) starting bankroll; each fill starts from Clear.
    TSeriesValues Results;

private:
    // Zero cells on both sides of each row let the gather read whole blocks past the tracked range.
    static constexpr int RowPadding = 48;
    // A row fed by a single move of one other row is that row scaled in place and relabelled, its cells shifted
    // by the move: each slot has this many cells on both sides for the shifts to accumulate in.
    static constexpr int RowSlack = 2048;
    // Empty stretches this long or longer split a row into segments; shorter ones are gathered through.
    static constexpr int SegmentGap = 2048;
    // Rows no wider than this are gathered whole: segments pay off only where clusters lie far apart.
    static constexpr int DenseRowCells = 1 << 16;
    // How far the rows may span beyond what the budget holds densely: the pages between clusters cost nothing.
    static constexpr int SparseSpanFactor = 4;
    size_t RowOffset(int buffer, int state) const {
        return static_cast<size_t>(FSlot[buffer][state]) * FRowStride + RowPadding + RowSlack +
               static_cast<ptrdiff_t>(FOrigin[buffer][state]);
    }

    using TAlignedDoubles = TZeroPages;
    static TAlignedDoubles AllocateRows(int rows, size_t stride);
    // Allocates zeroed rows for the limits lo..hi.
    void AllocateStorage(int32_t lo, int32_t hi);
    void EnsureStorage(); // for a step, which may come without a Reset
    // Caches the largest loss and gain of a round for the series' game and system.
    void NoteMoves();
    // Grows lo..hi to take needLo..needHi with room to spare, within the stops and the budget, the rows holding
    // probability in occupied cells.
    void Fit(int64_t needLo, int64_t needHi, int64_t occupied, int32_t& lo, int32_t& hi);
    void NotePastReach(int64_t needLo, int64_t needHi);
    // Widens the rows before a round so that every move lands inside them, within the bounds and the budget.
    void Widen();
    // Moves the current rows into fresh storage for the balances lo..hi.
    void Relayout(int32_t lo, int32_t hi);
    // The most cells a row may span within MemoryBudget, for StateCount states.
    int64_t BudgetCells() const;
    // The cells the current rows of the system's states may hold probability in.
    int64_t OccupiedCells() const;

    struct TRange {
        int32_t Lo = 1, Hi = 0; // empty when Lo > Hi
    };
    // Storage on cache lines of its own: the series of a round run on different workers, and the heap would place
    // the small buffers of two series side by side, where each worker's writes would evict the other's line.
    template <typename T> struct TLineAllocator {
        using value_type = T;
        TLineAllocator() = default;
        template <typename U> TLineAllocator(const TLineAllocator<U>&) {}
        T* allocate(size_t n) {
            return static_cast<T*>(::operator new ((n * sizeof(T) + 63) / 64 * 64, std::align_val_t{64}));
        }
        void deallocate(T* p, size_t) { ::operator delete (p, std::align_val_t{64}); }
        template <typename U> bool operator==(const TLineAllocator<U>&) const { return true; }
    };
    template <typename T> using TLineVector = std::vector<T, TLineAllocator<T>>;
    using TRanges = TLineVector<TRange>;
    static TRange Band(const TRange& r, int32_t lo, int32_t hi) {
        return TRange{r.Lo > lo ? r.Lo : lo, r.Hi < hi ? r.Hi : hi};
    }
    // Sets the cells first..last-1 to +0; long stretches give their pages back instead, which then read +0.
    static void ClearCells(double* first, double* last);
    // The balances a row may hold anything but +0 in: its segments when known, else its band.
    void Occupied(int buffer, int state, TRanges& out) const;
    // Sorts ranges and joins those less than SegmentGap apart.
    static void MergeRanges(TRanges& ranges);
    // Clears a row's cells outside keep (ascending, apart): its occupied stretches minus keep.
    void ClearOutside(int buffer, int state, const TRanges& keep);

public:
    struct TFastPlan; // the engine's scratch for one fast round (StepKernel.h)

private:
    // Raises for a missing game or system, and for a system without states or with a successor beyond its states;
    // returns the outcomes in use, a negative count meaning none.
    int CheckedSeries() const;
    // The fast round, part by part: each leaves what the next needs in the plan's round.
    bool StepFast(TStepPool* pool);
    bool PlanStates(); // false where the round must run the reference loops
    void FallBack();
    void FindSources();
    void PlanTerms();
    void PlanRelabels(TStepPool* pool);
    void PlanRows();
    void SumEdges();
    void RunGather(TStepPool* pool);
    void CommitRound();
    void Track(TRange& r, int32_t lo, int32_t hi);
    void NoteReferenceStep(int old, int stateCount);
    // After each round: what passed an edge that does not pile leaves play, then the tails the tolerance allows.
    void Settle();
    void ShedTails();
    // The balance probability of b summed over the system's states, and its cells set to +0.
    double TakeCells(int32_t b, int stateCount);

    int32_t FLow = MinBalanceLimit;
    int32_t FHigh = MaxBalanceLimit;
    // Where the range stops: LowBound and HighBound, or narrower once the budget has stopped it.
    int32_t FStopLow = MinBalanceLimit;
    int32_t FStopHigh = MaxBalanceLimit;
    bool FBudgetReached = false;
    bool FPastReach = false;
    // The largest loss and gain of one round over the states and outcomes, as the last Reset found them.
    int64_t FMinMove = 0;
    int64_t FMaxMove = 0;
    const TGameDescription* FMovesGame = nullptr;
    const TBetDescription* FMovesSystem = nullptr;
    int32_t FMovesStateCount = 0;
    size_t FRowStride = 0;         // padding and slack on both sides of FHigh - FLow + 1, a multiple of 8
    size_t FCapacityStride = 0;    // the stride the rows were allocated for, FRowStride or more
    TAlignedDoubles FDistribution; // 2 x 21 rows of FRowStride doubles
    TAlignedDoubles FStash;        // one row: state 0's stopped cells while the gather runs
    std::unique_ptr<TFastPlan> FPlan;
    // Per buffer and row, the band of balances that may hold anything but +0: the fast kernel reads, gathers and
    // clears only inside it, while MinBalance..MaxBalance, which the charts read, keeps its meaning.
    TRange FDirty[2][StateLimit];
    // Within that band, the stretches that may hold anything but +0, ascending and apart, where FSegmented says they
    // are known: rows that spread into clusters are gathered, cleared and copied stretch by stretch, and the pages
    // between the clusters are never touched.
    TRanges FSegments[2][StateLimit];
    bool FSegmented[2][StateLimit] = {};
    // The slot holding each row, and where in it the row starts: every cell of a slot outside its row is +0.
    int32_t FSlot[2][StateLimit] = {};
    int32_t FOrigin[2][StateLimit] = {};
    // While true, every cell is finite and not negative, and MassBound bounds the sum of the cells.
    bool FClean = false;
    // Every cell of both buffers is +0: cleared or fresh storage that no Reset has written to yet.
    bool FZeroed = false;
    double FMassBound = 0.0;
    int32_t FLastStateCount = -1;
    double FLeftBelow = 0.0;
    double FLeftAbove = 0.0;
    double FToleranceLeft = 0.0;
    int32_t FLeftBelowFrom = 0;
    int32_t FLeftAboveFrom = 0;
};

} // namespace wl
