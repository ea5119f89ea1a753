// Internal to the engine: the plan of one fast round and the gather kernels that carry it out.
//
// Contract of a gather: for every target cell n of [lo, hi] (strictly inside the limits), in term order,
//     acc := +0;  for each term with Lo <= n <= Hi: acc += Src[n - D] * P  (rounded, then added)
// and Dst[n] := acc. Source rows hold +0 outside the cells a term may read, for RowPadding cells past both ends, so a
// block may read whole vectors where a term covers only part of it; adding the resulting +0 changes nothing.
#pragma once

#include "engine/GameCalculator.h"
#include "model/GameDescription.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace wl {

struct TGatherTerm {
    const double* Src; // the source row at balance 0
    int32_t D;         // the move: source balance n - D feeds target balance n
    int32_t Lo, Hi;    // target cells this term reaches, strictly inside the limits
    double P;
};

struct TGatherRow {
    double* Dst; // the target row at balance 0
    const TGatherTerm* Terms;
    int32_t Count;
    int32_t Lo, Hi; // target cells to write
};

using TGatherFunction = void (*)(const TGatherRow& row, int32_t lo, int32_t hi);
void GatherPortable(const TGatherRow& row, int32_t lo, int32_t hi);
void GatherAvx2(const TGatherRow& row, int32_t lo, int32_t hi);
// cells[i] := cells[i] * p for i < count, each product rounded as the gather rounds it.
using TScaleFunction = void (*)(double* cells, int32_t count, double p);
void ScalePortable(double* cells, int32_t count, double p);
void ScaleAvx2(double* cells, int32_t count, double p);

// On lines of its own: the calculation writes it throughout the round, and the next series' fields may sit right
// after it, on another worker.
struct alignas(64) TGameCalculator::TFastPlan {
    static constexpr int MaxOutcomes = TGameDescription::MaxOutcomes;

    struct TState {
        int32_t Bet, Win, Loss;
        int32_t Lo, Hi; // cells holding probability that the state spreads; empty when Lo > Hi
        int32_t MinMove, MaxMove;
        int32_t D[MaxOutcomes];
    };

    TState States[StateLimit];
    // The round in hand, as one part of the fast round leaves it for the next.
    struct TRound {
        int StateCount = 0, OutcomeCount = 0;
        int32_t Lowest = 0, Highest = 0, Offset = 0;
        int Old = 0, Cur = 1;
        int32_t OldMin = 0, OldMax = 0, NewMin = 0, NewMax = 0;
        double Mass = 0.0;
        double* State0 = nullptr;       // state 0's row of the old buffer, at balance 0
        double* Stash = nullptr;        // the stash, at balance 0
        int32_t StopLo = 1, StopHi = 0; // state 0's balances that stay put, held in the stash
        bool Segmented = false;         // rows are read and gathered segment by segment
        bool Split = false;             // the round is shared out over Parts workers
        int Parts = 1;
        int TermCount = 0;
        TRange Span[StateLimit];      // per target row, the balances its terms land on
        int RowStart[StateLimit + 1]; // Sorted's terms of target row t: RowStart[t]..RowStart[t + 1] - 1
        double EdgeLo[StateLimit], EdgeHi[StateLimit]; // per target row, the sums at the two limits
        int RelabelCount = 0;
    };
    TRound Round;
    int32_t ByResultDesc[MaxOutcomes]; // outcome indexes, stable
    int32_t ByResultAsc[MaxOutcomes];
    // A term per state, outcome and segment of the state's row; kept between rounds so that they allocate rarely.
    TLineVector<TGatherTerm> Terms;
    TLineVector<TGatherTerm> Sorted; // Terms bucketed by target row, order kept
    TLineVector<TGatherTerm> Split;  // Sorted bucketed further by the target row's segments, order kept
    TLineVector<int32_t> Target;
    TLineVector<int32_t> Source;       // the state whose row a term reads, or -1 for the stash
    TLineVector<int32_t> SortedSource; // Source in the order of Sorted
    TRanges Sources[StateLimit];       // per state, the segments of its row holding probability, trimmed
    TRanges Lands[StateLimit];         // per target row, where the terms land, then its segments
    int32_t Relabel[StateLimit];       // per target row, the state whose row becomes it, or -1
    struct TScaleJob {
        double* Src;         // the source row at balance 0
        int32_t First, Last; // its cells to scale
        int32_t Next;        // the first not yet scaled
        int32_t Reach;       // the largest move of the gather's terms reading it
        int32_t ReachLow;    // and the smallest
        double P;
    };
    TScaleJob Scales[StateLimit];
    TScaleFunction Scale = nullptr;
    TLineVector<TGatherRow> Rows; // a row per segment of each gathered target row
    TLineVector<int32_t> Next, Phase;
    int RowCount = 0;
    TGatherFunction Gather = nullptr;

    // Below this many products per round, sharing one series out over the workers costs more than it gains.
    static inline std::atomic<long long> SplitThreshold{400000};
};

// Calls emit(first, last) for each run of balances b in ranges (ascending, apart) with held(b), a run ending where more
// than gap balances in a row are not held.
template <typename Ranges, typename Held, typename Emit>
inline void HeldRuns(const Ranges& ranges, int64_t gap, Held held, Emit emit) {
    int64_t first = 0, last = 0;
    bool open = false;
    for (const auto& r : ranges)
        for (int64_t b = r.Lo; b <= r.Hi; ++b) {
            if (!held(b))
                continue;
            if (open && b - last > gap) {
                emit(first, last);
                first = b;
            } else if (!open) {
                first = b;
                open = true;
            }
            last = b;
        }
    if (open)
        emit(first, last);
}

} // namespace wl
