// The fast round's second half: the sums at the limits, the gather over the planned rows, and the new rows made
// current. The order of additions is the one the plan fixed (GameCalculatorFast.cpp).
#include "engine/StepKernel.h"

#include "engine/StepPool.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace wl {

namespace {

// Cells per tile of the gather: the tile of every row of a series fits the first-level cache together.
constexpr int32_t TileCells = 384;
// Beyond this many target cells per tile the tiles no longer fit that cache, and tiling only costs.
constexpr int32_t TiledCellsLimit = 4096;
// Cells per tile when relabelled rows are scaled behind the gather.
constexpr int32_t RelabelTileCells = 256;

// The last cache-line edge at or before cell n of a row whose cell 0 sits phase cells past an edge: tiles end there,
// so that no vector straddles two tiles.
int32_t LineEdge(int32_t n, int32_t phase) {
    return n - ((n + phase) % 8 + 8) % 8;
}

} // namespace

void TGameCalculator::SumEdges() {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest, offset = rd.Offset;
    const int old = rd.Old;
    const int outcomeCount = rd.OutcomeCount;
    const double* probabilities = Game->OutcomeProbabilities.Data();
    const int32_t stopLo = rd.StopLo, stopHi = rd.StopHi;
    const double* stash = rd.Stash;
    // The two bounds, summed in the reference's order of states, balances and outcomes, before the relabelled rows
    // change their sources.
    double* edgeLo = rd.EdgeLo;
    double* edgeHi = rd.EdgeHi;
    std::fill(edgeLo, edgeLo + StateLimit, 0.0);
    std::fill(edgeHi, edgeHi + StateLimit, 0.0);
    for (int s = stateCount - 1; s >= 0; --s) {
        const TFastPlan::TState& st = plan.States[s];
        if (s == 0 && stopLo <= stopHi) {
            if (stopLo == lowest)
                edgeLo[0] += stash[lowest];
            if (stopHi == highest)
                edgeHi[0] += stash[highest];
        }
        if (st.Lo > st.Hi)
            continue;
        const double* source = Row(old, s) + offset;
        // The sums stay in registers: through the array every addition would wait on the previous store. Past the
        // limit cell itself only losses (gains) reach the lower (upper) limit, so those stretches add their products
        // without tests; the +0 of an empty cell changes no sum.
        int lossCount = 0, gainCount = 0;
        double lossP[TFastPlan::MaxOutcomes], gainP[TFastPlan::MaxOutcomes];
        int32_t lossReach[TFastPlan::MaxOutcomes], gainReach[TFastPlan::MaxOutcomes];
        for (int o = 0; o < outcomeCount; ++o) {
            if (st.D[o] < 0) {
                lossP[lossCount] = probabilities[o];
                lossReach[lossCount++] = lowest - st.D[o];
            } else if (st.D[o] > 0) {
                gainP[gainCount] = probabilities[o];
                gainReach[gainCount++] = highest - st.D[o];
            }
        }
        if (st.MinMove <= 0) {
            const int32_t last = std::min(st.Hi, lowest - st.MinMove);
            const bool same = st.Loss == st.Win;
            double toLoss = edgeLo[st.Loss];
            double toWin = same ? 0.0 : edgeLo[st.Win];
            int32_t b = st.Lo;
            if (b == lowest && b <= last) {
                // Zero moves stay on the limit cell, in outcome order with the losses.
                const double x = source[b];
                for (int o = 0; o < outcomeCount; ++o) {
                    if (st.D[o] < 0 || (st.D[o] == 0 && same))
                        toLoss += x * probabilities[o];
                    else if (st.D[o] == 0)
                        toWin += x * probabilities[o];
                }
                ++b;
            }
            for (const TRange& g : plan.Sources[s]) {
                const int32_t from = std::max(g.Lo, b), to = std::min(g.Hi, last);
                if (lossCount == 1) {
                    for (int32_t c = from; c <= to; ++c)
                        toLoss += source[c] * lossP[0];
                } else {
                    for (int32_t c = from; c <= to; ++c) {
                        const double x = source[c];
                        for (int i = 0; i < lossCount; ++i)
                            if (c <= lossReach[i])
                                toLoss += x * lossP[i];
                    }
                }
            }
            edgeLo[st.Loss] = toLoss;
            if (!same)
                edgeLo[st.Win] = toWin;
        }
        if (st.MaxMove >= 0) {
            double toWin = edgeHi[st.Win];
            const int32_t below = std::min(st.Hi, highest - 1);
            for (const TRange& g : plan.Sources[s]) {
                const int32_t to = std::min(g.Hi, below);
                if (gainCount == 1) {
                    for (int32_t b = std::max(g.Lo, gainReach[0]); b <= to; ++b)
                        toWin += source[b] * gainP[0];
                } else {
                    for (int32_t b = std::max(g.Lo, highest - st.MaxMove); b <= to; ++b) {
                        const double x = source[b];
                        for (int i = 0; i < gainCount; ++i)
                            if (b >= gainReach[i])
                                toWin += x * gainP[i];
                    }
                }
            }
            if (st.Hi == highest) {
                // Every move of zero or more stays on the limit cell, in outcome order.
                const double x = source[highest];
                for (int o = 0; o < outcomeCount; ++o)
                    if (st.D[o] >= 0)
                        toWin += x * probabilities[o];
            }
            edgeHi[st.Win] = toWin;
        }
    }
}

namespace {

// The gather of target cells lo..hi of every planned row, tile by tile, each relabelled source scaled right behind
// the gather's last read of it while still in the nearest cache, but only within scaleLo..scaleHi (per job): outside,
// other workers may still read it. Rows sit at any alignment in their slots: each ends its tiles on its own
// cache-line edges, up to 7 cells short of the common edge.
void GatherTiles(const TGameCalculator::TFastPlan& plan, int32_t lo, int32_t hi, int32_t* next,
                 TGameCalculator::TFastPlan::TScaleJob* jobs, int jobCount) {
    auto scaleUpTo = [&plan, jobs, jobCount](long long end) {
        for (int i = 0; i < jobCount; ++i) {
            TGameCalculator::TFastPlan::TScaleJob& job = jobs[i];
            const int32_t top = static_cast<int32_t>(std::min<long long>(job.Last, end - job.Reach));
            if (top >= job.Next) {
                plan.Scale(job.Src + job.Next, top - job.Next + 1, job.P);
                job.Next = top + 1;
            }
        }
    };
    for (int r = 0; r < plan.RowCount; ++r)
        next[r] = std::max(plan.Rows[r].Lo, lo);
    for (int32_t c = lo; c <= hi; c += RelabelTileCells) {
        const int32_t end = std::min(c + RelabelTileCells - 1, hi);
        for (int r = 0; r < plan.RowCount; ++r) {
            const TGatherRow& row = plan.Rows[r];
            const int32_t phase = static_cast<int32_t>(reinterpret_cast<uintptr_t>(row.Dst) / sizeof(double) % 8);
            const int32_t last = std::min({row.Hi, hi, LineEdge(end + 1, phase) - 1});
            if (next[r] <= last) {
                plan.Gather(row, next[r], last);
                next[r] = last + 1;
            }
        }
        scaleUpTo(static_cast<long long>(end) - 8);
    }
    for (int r = 0; r < plan.RowCount; ++r) {
        const int32_t last = std::min(plan.Rows[r].Hi, hi);
        if (next[r] <= last)
            plan.Gather(plan.Rows[r], next[r], last);
    }
    scaleUpTo(LLONG_MAX / 2);
}

} // namespace

void TGameCalculator::RunGather(TStepPool* pool) {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest;
    const bool split = rd.Split;
    const int parts = rd.Parts;
    const int* rowStart = rd.RowStart;
    const bool avx2 = Kernel == TStepKernel::Avx2 && Avx2Supported();
    plan.Gather = avx2 ? GatherAvx2 : GatherPortable;
    plan.Scale = avx2 ? ScaleAvx2 : ScalePortable;
    // The moves of the gather's terms reading each relabelled source: a cell is done with once every term reading
    // it has passed it, and only the worker whose targets take all its reads may scale it.
    int32_t reach[StateLimit], reachLow[StateLimit];
    std::fill(reach, reach + StateLimit, INT32_MIN);
    std::fill(reachLow, reachLow + StateLimit, INT32_MAX);
    for (int t = 0; t < stateCount; ++t)
        for (int i = rowStart[t]; i < rowStart[t + 1] && plan.Relabel[t] < 0; ++i)
            if (const int s = plan.SortedSource[i]; s >= 0) {
                reach[s] = std::max(reach[s], plan.Sorted[i].D);
                reachLow[s] = std::min(reachLow[s], plan.Sorted[i].D);
            }
    int relabelCount = 0;
    for (int t = 0; t < stateCount; ++t) {
        const int s = plan.Relabel[t];
        if (s < 0)
            continue;
        const TGatherTerm& term = plan.Sorted[rowStart[t]];
        TFastPlan::TScaleJob& job = plan.Scales[relabelCount++];
        job.Src = Row(rd.Old, s) + rd.Offset;
        job.First = term.Lo - term.D;
        job.Last = term.Hi - term.D;
        job.Next = job.First;
        job.P = term.P;
        // A source no gathered row reads may be scaled at once, anywhere.
        job.Reach = reach[s] == INT32_MIN ? 0 : reach[s];
        job.ReachLow = reachLow[s] == INT32_MAX ? 0 : reachLow[s];
    }
    int32_t first = highest, last = lowest;
    for (int r = 0; r < plan.RowCount; ++r) {
        first = std::min(first, plan.Rows[r].Lo);
        last = std::max(last, plan.Rows[r].Hi);
    }
    if (split) {
        // Every worker takes the same stretch of balances of every row, so the heavy row 0 is shared too; each
        // scales the cells of the relabelled sources that only its own targets read, and the rest is scaled once
        // all have finished.
        plan.Next.resize(static_cast<size_t>(plan.RowCount) * static_cast<size_t>(parts));
        const long long cells = std::max(0LL, static_cast<long long>(last) - first + 1);
        auto bound = [first, cells, parts](int part) { return first + static_cast<int32_t>(cells * part / parts); };
        // The cells of a relabelled source that only the targets lo..hi read.
        auto own = [](const TFastPlan::TScaleJob& job, int32_t lo, int32_t hi) {
            return TRange{
                static_cast<int32_t>(std::max<long long>(job.First, static_cast<long long>(lo) - job.ReachLow)),
                static_cast<int32_t>(std::min<long long>(job.Last, static_cast<long long>(hi) - job.Reach))};
        };
        pool->RunRound(parts, [&plan, &bound, &own, relabelCount](int part) {
            const int32_t lo = bound(part), hi = bound(part + 1) - 1;
            if (lo > hi)
                return;
            TFastPlan::TScaleJob jobs[StateLimit];
            for (int i = 0; i < relabelCount; ++i) {
                jobs[i] = plan.Scales[i];
                const TRange mine = own(jobs[i], lo, hi);
                jobs[i].Next = mine.Lo;
                jobs[i].Last = mine.Hi;
            }
            GatherTiles(plan, lo, hi, plan.Next.data() + static_cast<size_t>(part) * plan.RowCount, jobs, relabelCount);
        });
        // The cells between the workers' own, which two of them read, once all have finished.
        for (int i = 0; i < relabelCount; ++i) {
            const TFastPlan::TScaleJob& job = plan.Scales[i];
            int32_t from = job.First;
            for (int part = 0; part < parts; ++part) {
                if (bound(part) > bound(part + 1) - 1)
                    continue;
                const TRange mine = own(job, bound(part), bound(part + 1) - 1);
                if (mine.Lo > mine.Hi)
                    continue;
                if (from < mine.Lo)
                    plan.Scale(job.Src + from, mine.Lo - from, job.P);
                from = std::max(from, mine.Hi + 1);
            }
            if (from <= job.Last)
                plan.Scale(job.Src + from, job.Last - from + 1, job.P);
        }
    } else if (relabelCount > 0) {
        plan.Next.resize(static_cast<size_t>(plan.RowCount));
        GatherTiles(plan, first, last, plan.Next.data(), plan.Scales, relabelCount);
    } else if (plan.RowCount <= 1 || plan.RowCount * TileCells > TiledCellsLimit) {
        for (int r = 0; r < plan.RowCount; ++r)
            plan.Gather(plan.Rows[r], plan.Rows[r].Lo, plan.Rows[r].Hi);
    } else {
        // Tile by tile rather than row by row: a source row that feeds several rows is still in the nearest cache on
        // its second read. Cells and rows are independent, so no sum changes.
        // Every row has the same alignment.
        const int32_t phase = static_cast<int32_t>(reinterpret_cast<uintptr_t>(plan.Rows[0].Dst) / sizeof(double) % 8);
        for (int32_t c = first; c <= last;) {
            const int32_t next = LineEdge(c + TileCells, phase);
            const int32_t end = std::min(next - 1, last);
            for (int r = 0; r < plan.RowCount; ++r) {
                const TGatherRow& row = plan.Rows[r];
                const int32_t lo = std::max(row.Lo, c);
                const int32_t hi = std::min(row.Hi, end);
                if (lo <= hi)
                    plan.Gather(row, lo, hi);
            }
            c = end + 1;
        }
    }
}

void TGameCalculator::CommitRound() {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest, offset = rd.Offset;
    const int old = rd.Old;
    const int cur = rd.Cur;
    const TRange* span = rd.Span;
    const int* rowStart = rd.RowStart;
    const double* edgeLo = rd.EdgeLo;
    const double* edgeHi = rd.EdgeHi;
    const int32_t stopLo = rd.StopLo, stopHi = rd.StopHi;
    double* state0 = rd.State0;
    double* stash = rd.Stash;
    // The relabelled rows, now that the gather and the sums at the limits have read their sources. Cells that
    // land on or past a limit leave the row: the limit cells get their sums below, the rest lies outside it.
    for (int t = 0; t < stateCount; ++t) {
        const int s = plan.Relabel[t];
        if (s < 0)
            continue;
        const TGatherTerm& term = plan.Sorted[rowStart[t]];
        const TFastPlan::TState& st = plan.States[s];
        double* source = Row(old, s) + offset;
        // The term's cells, scaled above, are those that land strictly inside the limits.
        ClearCells(source + st.Lo, source + (term.Lo - term.D));
        ClearCells(source + (term.Hi - term.D) + 1, source + st.Hi + 1);
        std::swap(FSlot[old][s], FSlot[cur][t]);
        std::swap(FDirty[old][s], FDirty[cur][t]);
        std::swap(FSegments[old][s], FSegments[cur][t]);
        std::swap(FSegmented[old][s], FSegmented[cur][t]);
        const int32_t origin = FOrigin[old][s];
        FOrigin[old][s] = FOrigin[cur][t];
        FOrigin[cur][t] = origin - term.D;
        FDirty[cur][t] = span[t];
        FSegmented[cur][t] = false;
    }
    for (int t = 0; t < stateCount; ++t) {
        if (span[t].Lo > span[t].Hi)
            continue;
        if (span[t].Lo == lowest)
            Row(cur, t)[0] = edgeLo[t];
        if (span[t].Hi == highest)
            Row(cur, t)[highest - lowest] = edgeHi[t];
    }

    for (int32_t b = stopLo; b <= stopHi; ++b) {
        state0[b] = stash[b];
        stash[b] = 0.0;
    }
    CurrentBuffer = cur;
    MinBalance = rd.NewMin;
    MaxBalance = rd.NewMax;
    FMassBound = rd.Mass;
    ++RoundCount;
}

} // namespace wl
