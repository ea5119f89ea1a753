// The fast round: plans the gather of every target cell in the reference's order of additions, then runs it.
//
// Each target cell receives the reference's contributions in the reference's order: states from the last to 0;
// within a state, the largest move first (balances ascend in the reference), equal moves in outcome order; state
// 0's stopped probability before state 0's own spreads. The cells at the two limits collect moves of different sizes
// and are summed by a scalar pass in the reference's (state, balance, outcome) order. Rounds the plan cannot keep
// bit-identical (an error to raise, huge moves, negative or non-finite numbers) run the reference loops instead.
#include "engine/PlayRule.h"
#include "engine/StepKernel.h"

#include "engine/StepPool.h"
#include "model/BetDescription.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace wl {

namespace {

// Moves this large always land on a bound; beyond it b + d could overflow 32 bits, so the reference takes them.
constexpr long long MoveLimit = 1LL << 30;
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

// Outcome indexes by result, equal results in outcome order; an insertion sort, as there are at most 32.
void StableOrder(const int32_t* results, int count, int32_t* order, bool descending) {
    for (int i = 0; i < count; ++i) {
        int j = i;
        while (j > 0 && (descending ? results[order[j - 1]] < results[i] : results[order[j - 1]] > results[i])) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
}

struct TSplitJob {
    const TGameCalculator::TFastPlan* Plan;
    int Parts;
};

} // namespace

bool TGameCalculator::StepFast(TStepPool* pool) {
    if (!FClean || !Game || !BetSystem)
        return false;
    const TGameDescription& game = *Game;
    const TBetDescription& system = *BetSystem;
    const int outcomeCount = game.OutcomeCount;
    const int stateCount = system.StateCount;
    if (outcomeCount < 0 || outcomeCount > TGameDescription::MaxOutcomes || stateCount < 1 || stateCount > StateLimit ||
        stateCount != FLastStateCount)
        return false;
    const int32_t* results = game.OutcomeResults.Data();
    const double* probabilities = game.OutcomeProbabilities.Data();
    double sum = 0.0;
    for (int o = 0; o < outcomeCount; ++o) {
        if (!std::isfinite(probabilities[o]) || probabilities[o] < 0.0)
            return false;
        sum += probabilities[o];
    }
    const double mass = FMassBound * sum * 1.0001;
    if (!(mass < 1e300))
        return false;

    TFastPlan& plan = *FPlan;
    for (int s = 0; s < stateCount; ++s) {
        TFastPlan::TState& st = plan.States[s];
        st.Bet = system.Bets.Data()[s];
        st.Win = system.WinStates.Data()[s];
        st.Loss = system.LossStates.Data()[s];
        if (st.Win < 0 || st.Win >= stateCount || st.Loss < 0 || st.Loss >= stateCount)
            return false; // the reference raises
        st.MinMove = INT32_MAX;
        st.MaxMove = INT32_MIN;
        for (int o = 0; o < outcomeCount; ++o) {
            const long long d = static_cast<long long>(results[o]) * st.Bet;
            if (d > MoveLimit || d < -MoveLimit)
                return false;
            st.D[o] = static_cast<int32_t>(d);
            st.MinMove = std::min(st.MinMove, st.D[o]);
            st.MaxMove = std::max(st.MaxMove, st.D[o]);
        }
    }

    // From here on nothing can fail: the round is committed.
    const int32_t lowest = FLow, highest = FHigh, offset = -FLow;
    const int old = CurrentBuffer;
    const int cur = 1 - old;
    const int32_t oldMin = MinBalance;
    const int32_t oldMax = MaxBalance;
    double* state0 = Row(old, 0) + offset;

    // The last balance of lo..hi at which a state's bet is beyond the player's money, or lo - 1: the bet and the
    // bankroll may be anywhere in 32 bits.
    const TPlayRule rule(system, Bankroll);
    auto lastUnaffordable = [&](int state, int32_t lo, int32_t hi) {
        const long long last = rule.OwnFrom(state) - 1;
        return static_cast<int32_t>(std::min<long long>(std::max<long long>(last, lo - 1LL), hi));
    };
    // Players who cannot afford a state's bet fall back to state 0, in the reference's order. Outside a row's band
    // the reference moves +0, which changes no cell.
    if (rule.HasBankroll()) {
        for (int s = stateCount - 1; s >= 1; --s) {
            const TRange band = Band(FDirty[old][s], oldMin, oldMax);
            const int32_t last = lastUnaffordable(s, band.Lo, band.Hi);
            double* source = Row(old, s) + offset;
            for (int32_t b = band.Lo; b <= last; ++b) {
                const double x = source[b];
                source[b] = 0.0;
                state0[b] += x;
            }
            Track(FDirty[old][0], band.Lo, last);
            FSegmented[old][0] = false;
        }
    }
    // State 0's stopped cells stay where they are; they leave the source row while the gather runs.
    int32_t stopLo = 1, stopHi = 0;
    double* stash = FStash.get() + RowPadding + offset;
    if (rule.HasBankroll()) {
        stopLo = oldMin;
        stopHi = lastUnaffordable(0, oldMin, oldMax);
        for (int32_t b = stopLo; b <= stopHi; ++b) {
            stash[b] = state0[b];
            state0[b] = 0.0;
        }
    }
    // Rows far wider than their clusters are read, gathered and cleared segment by segment. The cells skipped
    // between segments hold +0, whose products would change no sum.
    const bool segmented = Bankroll == 0 && static_cast<int64_t>(highest) - lowest >= DenseRowCells;
    for (int s = 0; s < stateCount; ++s) {
        TFastPlan::TState& st = plan.States[s];
        const double* source = Row(old, s) + offset;
        const TRange band = Band(FDirty[old][s], oldMin, oldMax);
        TRanges& segments = plan.Sources[s];
        segments.clear();
        auto take = [&](TRange r) {
            while (r.Lo <= r.Hi && !(source[r.Lo] > 0.0))
                ++r.Lo;
            while (r.Hi >= r.Lo && !(source[r.Hi] > 0.0))
                --r.Hi;
            if (r.Lo <= r.Hi)
                segments.push_back(r);
        };
        if (segmented && FSegmented[old][s])
            for (const TRange& h : FSegments[old][s])
                take(Band(h, band.Lo, band.Hi));
        else
            take(band);
        st.Lo = segments.empty() ? 1 : segments.front().Lo;
        st.Hi = segments.empty() ? 0 : segments.back().Hi;
    }

    // The terms, in the reference's order, each with the target row it feeds.
    StableOrder(results, outcomeCount, plan.ByResultDesc, true);
    StableOrder(results, outcomeCount, plan.ByResultAsc, false);
    // Stored by index rather than appended: this runs for every term of every round.
    size_t termBound = 1;
    for (int s = 0; s < stateCount; ++s)
        termBound += static_cast<size_t>(outcomeCount) * plan.Sources[s].size();
    if (plan.Terms.size() < termBound) {
        plan.Terms.resize(termBound);
        plan.Target.resize(termBound);
        plan.Source.resize(termBound);
    }
    int termCount = 0;
    for (int t = 0; t < stateCount; ++t)
        plan.Lands[t].clear();
    TRange span[StateLimit];
    int32_t newMin = oldMin, newMax = oldMax;
    auto addTerm = [&](const double* src, int source, int32_t d, int32_t lo, int32_t hi, double p, int target) {
        const int32_t landLo = std::clamp(lo + d, lowest, highest);
        const int32_t landHi = std::clamp(hi + d, lowest, highest);
        Track(span[target], landLo, landHi);
        if (segmented)
            plan.Lands[target].push_back(TRange{landLo, landHi});
        if (d < 0)
            newMin = std::min(newMin, landLo);
        else
            newMax = std::max(newMax, landHi);
        const int32_t innerLo = std::max(lo + d, lowest + 1);
        const int32_t innerHi = std::min(hi + d, highest - 1);
        if (innerLo > innerHi)
            return;
        plan.Terms[termCount] = TGatherTerm{src, d, innerLo, innerHi, p};
        plan.Target[termCount] = target;
        plan.Source[termCount] = source;
        ++termCount;
    };
    for (int s = stateCount - 1; s >= 0; --s) {
        const TFastPlan::TState& st = plan.States[s];
        if (s == 0 && stopLo <= stopHi)
            addTerm(stash, -1, 0, stopLo, stopHi, 1.0, 0);
        if (st.Lo > st.Hi)
            continue;
        const double* source = Row(old, s) + offset;
        for (int i = 0; i < outcomeCount; ++i) {
            const int o = st.Bet > 0 ? plan.ByResultDesc[i] : st.Bet < 0 ? plan.ByResultAsc[i] : i;
            const int32_t d = st.D[o];
            // A cell takes at most one segment's product per outcome, so the order of additions stays.
            for (const TRange& g : plan.Sources[s])
                addTerm(source, s, d, g.Lo, g.Hi, probabilities[o], d < 0 ? st.Loss : st.Win);
        }
    }
    if (plan.Sorted.size() < plan.Terms.size()) {
        plan.Sorted.resize(plan.Terms.size());
        plan.SortedSource.resize(plan.Terms.size());
        plan.Split.resize(plan.Terms.size());
    }
    // Each target row's segments: where its terms land, joined across short gaps.
    for (int t = 0; t < stateCount; ++t) {
        TRanges& lands = plan.Lands[t];
        if (!segmented || span[t].Lo > span[t].Hi || span[t].Hi - span[t].Lo < DenseRowCells) {
            lands.clear();
            if (span[t].Lo <= span[t].Hi)
                lands.push_back(span[t]);
        } else {
            MergeRanges(lands);
        }
    }
    int rowStart[StateLimit + 1] = {};
    for (int i = 0; i < termCount; ++i)
        ++rowStart[plan.Target[i] + 1];
    for (int t = 0; t < StateLimit; ++t)
        rowStart[t + 1] += rowStart[t];
    {
        int fill[StateLimit];
        std::copy(rowStart, rowStart + StateLimit, fill);
        for (int i = 0; i < termCount; ++i) {
            plan.SortedSource[fill[plan.Target[i]]] = plan.Source[i];
            plan.Sorted[fill[plan.Target[i]]++] = plan.Terms[i];
        }
    }

    // Whether one series' round is shared out over the pool: only then may several workers read a source row.
    const int parts = pool ? pool->WorkerCount() : 1;
    long long updates = 0;
    for (int t = 0; t < stateCount; ++t) {
        const int32_t lo = std::max(span[t].Lo, lowest + 1);
        const int32_t hi = std::min(span[t].Hi, highest - 1);
        if (span[t].Lo <= span[t].Hi && lo <= hi)
            updates += static_cast<long long>(rowStart[t + 1] - rowStart[t]) * (hi - lo + 1);
    }
    const bool split = parts > 1 && updates >= TFastPlan::SplitThreshold.load(std::memory_order_relaxed);
    // A row fed by one move of one state's row alone is that row scaled in place and relabelled, once the gather
    // has read it: nothing is copied. Each source row can become one row only, and its shifts must fit its slot.
    bool sourceTaken[StateLimit] = {};
    for (int t = 0; t < stateCount; ++t) {
        plan.Relabel[t] = -1;
        if (split || Bankroll > 0 || rowStart[t + 1] - rowStart[t] != 1)
            continue;
        const int s = plan.SortedSource[rowStart[t]];
        // x * -0 is -0, where the gather's +0 + x * -0 is +0.
        if (s < 0 || sourceTaken[s] || std::signbit(plan.Sorted[rowStart[t]].P))
            continue;
        const long long origin = static_cast<long long>(FOrigin[old][s]) - plan.Sorted[rowStart[t]].D;
        if (origin < -RowSlack || origin > RowSlack)
            continue;
        sourceTaken[s] = true;
        plan.Relabel[t] = s;
    }

    // Rows of the new buffer: cleared where stale, then gathered.
    plan.Rows.clear();
    for (int t = 0; t < stateCount; ++t) {
        if (plan.Relabel[t] >= 0)
            continue;
        if (std::abs(FOrigin[cur][t]) > RowSlack / 2) {
            // Back to the middle of its slot, so that it can take shifts again once it holds a row.
            ClearOutside(cur, t, {});
            FDirty[cur][t] = TRange{};
            FSegmented[cur][t] = false;
            FOrigin[cur][t] = 0;
        }
        const TRanges& segments = plan.Lands[t];
        // The gather writes every cell of the segments; only the stale cells outside them are cleared.
        ClearOutside(cur, t, segments);
        FDirty[cur][t] = span[t];
        // A single segment is the band itself.
        FSegmented[cur][t] = segments.size() > 1;
        if (FSegmented[cur][t])
            FSegments[cur][t] = segments;
        double* dst = Row(cur, t) + offset;
        const TGatherTerm* terms = plan.Sorted.data() + rowStart[t];
        const int count = rowStart[t + 1] - rowStart[t];
        if (segments.size() <= 1) {
            const TRange& sp = span[t];
            const int32_t lo = std::max(sp.Lo, lowest + 1);
            const int32_t hi = std::min(sp.Hi, highest - 1);
            if (sp.Lo <= sp.Hi && lo <= hi)
                plan.Rows.push_back(TGatherRow{dst, terms, count, lo, hi});
            continue;
        }
        // A row per segment with the terms landing in it, in their order: every term lies within one segment.
        const int segmentCount = static_cast<int>(segments.size());
        auto& start = plan.Next;
        start.assign(static_cast<size_t>(segmentCount) + 1, 0);
        auto segmentOf = [&segments](int32_t n) {
            return static_cast<int>(std::upper_bound(segments.begin(), segments.end(), n,
                                                     [](int32_t v, const TRange& r) { return v < r.Lo; }) -
                                    segments.begin()) -
                   1;
        };
        for (int i = 0; i < count; ++i)
            ++start[static_cast<size_t>(segmentOf(terms[i].Lo)) + 1];
        for (int g = 0; g < segmentCount; ++g)
            start[g + 1] += start[g];
        TGatherTerm* bucket = plan.Split.data() + rowStart[t];
        auto& fill = plan.Phase;
        fill.assign(start.begin(), start.end() - 1);
        for (int i = 0; i < count; ++i)
            bucket[fill[segmentOf(terms[i].Lo)]++] = terms[i];
        for (int g = 0; g < segmentCount; ++g) {
            const int32_t lo = std::max(segments[g].Lo, lowest + 1);
            const int32_t hi = std::min(segments[g].Hi, highest - 1);
            if (lo <= hi)
                plan.Rows.push_back(TGatherRow{dst, bucket + start[g], start[g + 1] - start[g], lo, hi});
        }
    }
    plan.RowCount = static_cast<int>(plan.Rows.size());

    // The two bounds, summed in the reference's order of states, balances and outcomes, before the relabelled rows
    // change their sources.
    double edgeLo[StateLimit] = {}, edgeHi[StateLimit] = {};
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
    const bool avx2 = Kernel == TStepKernel::Avx2 && Avx2Supported();
    plan.Gather = avx2 ? GatherAvx2 : GatherPortable;
    plan.Scale = avx2 ? ScaleAvx2 : ScalePortable;
    // The cells each relabelled source scales, and how far the gather must have come before it may: a cell is
    // done with once every term reading that source has passed it.
    int32_t reach[StateLimit];
    std::fill(reach, reach + StateLimit, INT32_MIN);
    for (int t = 0; t < stateCount; ++t)
        for (int i = rowStart[t]; i < rowStart[t + 1] && plan.Relabel[t] < 0; ++i)
            if (plan.SortedSource[i] >= 0)
                reach[plan.SortedSource[i]] = std::max(reach[plan.SortedSource[i]], plan.Sorted[i].D);
    int relabelCount = 0;
    for (int t = 0; t < stateCount; ++t) {
        const int s = plan.Relabel[t];
        if (s < 0)
            continue;
        const TGatherTerm& term = plan.Sorted[rowStart[t]];
        TFastPlan::TScaleJob& job = plan.Scales[relabelCount++];
        job.Src = Row(old, s) + offset;
        job.First = term.Lo - term.D;
        job.Last = term.Hi - term.D;
        job.Next = job.First;
        job.P = term.P;
        job.Reach = reach[s];
    }
    auto scaleUpTo = [&plan, relabelCount](long long end) {
        for (int i = 0; i < relabelCount; ++i) {
            TFastPlan::TScaleJob& job = plan.Scales[i];
            const int32_t hi = static_cast<int32_t>(std::min<long long>(job.Last, end - job.Reach));
            if (hi >= job.Next) {
                plan.Scale(job.Src + job.Next, hi - job.Next + 1, job.P);
                job.Next = hi + 1;
            }
        }
    };
    if (split) {
        // Every worker takes the same share of every row, so the heavy row 0 is shared too.
        const TSplitJob job{&plan, parts};
        pool->RunRound(parts, [&job](int part) {
            const TFastPlan& p = *job.Plan;
            for (int r = 0; r < p.RowCount; ++r) {
                const TGatherRow& row = p.Rows[r];
                const long long cells = row.Hi - row.Lo + 1;
                const int32_t lo = row.Lo + static_cast<int32_t>(cells * part / job.Parts);
                const int32_t hi = row.Lo + static_cast<int32_t>(cells * (part + 1) / job.Parts) - 1;
                if (lo <= hi)
                    p.Gather(row, lo, hi);
            }
        });
    } else if (relabelCount > 0) {
        // Tile by tile, each source scaled right behind the gather's last read of it, while still in the nearest
        // cache. Rows sit at any alignment in their slots: each ends its tiles on its own cache-line edges, up to
        // 7 cells short of the common edge.
        int32_t first = highest, last = lowest;
        auto& next = plan.Next;
        auto& phase = plan.Phase;
        next.resize(static_cast<size_t>(plan.RowCount));
        phase.resize(static_cast<size_t>(plan.RowCount));
        for (int r = 0; r < plan.RowCount; ++r) {
            first = std::min(first, plan.Rows[r].Lo);
            last = std::max(last, plan.Rows[r].Hi);
            next[r] = plan.Rows[r].Lo;
            phase[r] = static_cast<int32_t>(reinterpret_cast<uintptr_t>(plan.Rows[r].Dst) / sizeof(double) % 8);
        }
        for (int32_t c = first; c <= last; c += RelabelTileCells) {
            const int32_t end = c + RelabelTileCells - 1;
            for (int r = 0; r < plan.RowCount; ++r) {
                const TGatherRow& row = plan.Rows[r];
                const int32_t hi = std::min(row.Hi, LineEdge(end + 1, phase[r]) - 1);
                if (next[r] <= hi) {
                    plan.Gather(row, next[r], hi);
                    next[r] = hi + 1;
                }
            }
            scaleUpTo(static_cast<long long>(end) - 8);
        }
        for (int r = 0; r < plan.RowCount; ++r)
            if (next[r] <= plan.Rows[r].Hi)
                plan.Gather(plan.Rows[r], next[r], plan.Rows[r].Hi);
        scaleUpTo(LLONG_MAX / 2);
    } else if (plan.RowCount <= 1 || plan.RowCount * TileCells > TiledCellsLimit) {
        for (int r = 0; r < plan.RowCount; ++r)
            plan.Gather(plan.Rows[r], plan.Rows[r].Lo, plan.Rows[r].Hi);
    } else {
        // Tile by tile rather than row by row: a source row that feeds several rows is still in the nearest cache on
        // its second read. Cells and rows are independent, so no sum changes.
        int32_t first = highest, last = lowest;
        for (int r = 0; r < plan.RowCount; ++r) {
            first = std::min(first, plan.Rows[r].Lo);
            last = std::max(last, plan.Rows[r].Hi);
        }
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
    MinBalance = newMin;
    MaxBalance = newMax;
    FMassBound = mass;
    ++RoundCount;
    return true;
}

} // namespace wl
