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

} // namespace

bool TGameCalculator::PlanStates() {
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
    TFastPlan::TRound& rd = plan.Round;
    rd.Mass = mass;
    rd.StateCount = stateCount;
    rd.OutcomeCount = outcomeCount;
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
    rd.Lowest = FLow;
    rd.Highest = FHigh;
    rd.Offset = -FLow;
    rd.Old = CurrentBuffer;
    rd.Cur = 1 - CurrentBuffer;
    rd.OldMin = MinBalance;
    rd.OldMax = MaxBalance;
    return true;
}

void TGameCalculator::FallBack() {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t offset = rd.Offset;
    const int old = rd.Old;
    const int32_t oldMin = rd.OldMin, oldMax = rd.OldMax;
    double* state0 = rd.State0 = Row(old, 0) + offset;
    // The last balance of lo..hi at which a state's bet is beyond the player's money, or lo - 1: the bet and the
    // bankroll may be anywhere in 32 bits.
    const TPlayRule rule(*BetSystem, Bankroll);
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
    int32_t& stopLo = rd.StopLo;
    int32_t& stopHi = rd.StopHi;
    stopLo = 1;
    stopHi = 0;
    double* stash = rd.Stash = FStash.get() + RowPadding + offset;
    if (rule.HasBankroll()) {
        stopLo = oldMin;
        stopHi = lastUnaffordable(0, oldMin, oldMax);
        for (int32_t b = stopLo; b <= stopHi; ++b) {
            stash[b] = state0[b];
            state0[b] = 0.0;
        }
    }
}

void TGameCalculator::FindSources() {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest, offset = rd.Offset;
    const int old = rd.Old;
    const int32_t oldMin = rd.OldMin, oldMax = rd.OldMax;
    // Rows far wider than their clusters are read, gathered and cleared segment by segment. The cells skipped
    // between segments hold +0, whose products would change no sum.
    const bool segmented = rd.Segmented = Bankroll == 0 && static_cast<int64_t>(highest) - lowest >= DenseRowCells;
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
}

void TGameCalculator::PlanTerms() {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest, offset = rd.Offset;
    const int old = rd.Old;
    const int outcomeCount = rd.OutcomeCount;
    const int32_t* results = Game->OutcomeResults.Data();
    const double* probabilities = Game->OutcomeProbabilities.Data();
    const bool segmented = rd.Segmented;
    const int32_t stopLo = rd.StopLo, stopHi = rd.StopHi;
    const double* stash = rd.Stash;
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
    TRange* span = rd.Span;
    std::fill(span, span + StateLimit, TRange{});
    int32_t& newMin = rd.NewMin;
    int32_t& newMax = rd.NewMax;
    newMin = rd.OldMin;
    newMax = rd.OldMax;
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
    int* rowStart = rd.RowStart;
    std::fill(rowStart, rowStart + StateLimit + 1, 0);
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
    rd.TermCount = termCount;
}

void TGameCalculator::PlanRelabels(TStepPool* pool) {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest;
    const int old = rd.Old;
    const TRange* span = rd.Span;
    const int* rowStart = rd.RowStart;
    // Whether one series' round is shared out over the pool.
    const int parts = rd.Parts = pool ? pool->WorkerCount() : 1;
    long long updates = 0;
    for (int t = 0; t < stateCount; ++t) {
        const int32_t lo = std::max(span[t].Lo, lowest + 1);
        const int32_t hi = std::min(span[t].Hi, highest - 1);
        if (span[t].Lo <= span[t].Hi && lo <= hi)
            updates += static_cast<long long>(rowStart[t + 1] - rowStart[t]) * (hi - lo + 1);
    }
    rd.Split = parts > 1 && updates >= TFastPlan::SplitThreshold.load(std::memory_order_relaxed);
    // A row fed by one move of one state's row alone is that row scaled in place and relabelled, once the gather
    // has read it (on every worker, when the round is shared out): nothing is copied. Each source row can become one
    // row only, and its shifts must fit its slot.
    bool sourceTaken[StateLimit] = {};
    for (int t = 0; t < stateCount; ++t) {
        plan.Relabel[t] = -1;
        if (Bankroll > 0 || rowStart[t + 1] - rowStart[t] != 1)
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
}

void TGameCalculator::PlanRows() {
    TFastPlan& plan = *FPlan;
    TFastPlan::TRound& rd = plan.Round;
    const int stateCount = rd.StateCount;
    const int32_t lowest = rd.Lowest, highest = rd.Highest, offset = rd.Offset;
    const int cur = rd.Cur;
    const TRange* span = rd.Span;
    const int* rowStart = rd.RowStart;
    // Rows of the new buffer: cleared where stale, then gathered.
    plan.Rows.clear();
    for (int t = 0; t < stateCount; ++t) {
        if (plan.Relabel[t] >= 0)
            continue;
        if (const int32_t origin = FOrigin[cur][t]; std::abs(origin) > RowSlack / 2) {
            // Back to the middle of its slot, so that it can take shifts again once it holds a row. The stale cells
            // are relabelled with it and cleared below, only where the gather does not write: clearing the whole
            // row would give its pages back, and the gather would fault every one of them in again.
            auto shift = [origin](TRange& r) {
                if (r.Lo <= r.Hi) {
                    r.Lo += origin;
                    r.Hi += origin;
                }
            };
            shift(FDirty[cur][t]);
            for (TRange& g : FSegments[cur][t])
                shift(g);
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
}

bool TGameCalculator::StepFast(TStepPool* pool) {
    if (!PlanStates())
        return false;
    // From here on nothing can fail: the round is committed.
    FallBack();
    FindSources();
    PlanTerms();
    PlanRelabels(pool);
    PlanRows();
    // Before the relabelled rows change their sources.
    SumEdges();
    RunGather(pool);
    CommitRound();
    return true;
}

} // namespace wl
