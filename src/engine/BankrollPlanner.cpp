// The bankroll planner's backward pass: the forward step's gather run on u instead of on probabilities.
//
// Each state's row holds u at money -W..2W+1 for a top W: the cells at or below 0 hold the value of ruin, those
// above W the value of the target (or of the top), and never change. A move of W or more in either direction lands
// there from any tracked money, so moves are clamped to +-W and every term reads inside the row. Cells past the
// money that a start of at most MaxBankroll can have in a state after a round are never read (see Reach), so each
// step only computes up to there.
#include "engine/BankrollPlanner.h"

#include "engine/GameCalculator.h"
#include "engine/PlayRule.h"
#include "engine/SeriesCheck.h"
#include "engine/StepKernel.h"
#include "engine/StepPool.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/Exception.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace wl {

namespace {

constexpr int StateLimit = TGameCalculator::StateLimit;
constexpr int MaxOutcomes = TGameDescription::MaxOutcomes;
// Gains are summed in 64 bits and saturate here, far beyond any money that is tracked.
constexpr long long GainLimit = 1LL << 40;
constexpr long long Unreachable = std::numeric_limits<long long>::min();
// Cells per tile: the tiles of every state's row and of the rows they read stay in the nearest caches.
constexpr int32_t TileCells = 512;
// Below this many products per step, sharing a step out over the workers costs more than it gains.
constexpr long long SplitProducts = 60000;

struct TFreeDelete {
    void operator()(double* p) const { std::free(p); }
};
using TRowStorage = std::unique_ptr<double[], TFreeDelete>;

TRowStorage AllocateZeroed(size_t count) {
    const size_t bytes = (count * sizeof(double) + 63) / 64 * 64;
    void* p = std::aligned_alloc(64, bytes);
    if (!p)
        throw std::bad_alloc();
    std::memset(p, 0, bytes);
    return TRowStorage(static_cast<double*>(p));
}

struct TMove {
    int32_t D;    // the move in money, clamped to +-W
    int32_t Next; // the successor state
    double P;
};

// Everything a pass needs, fixed before the first step.
struct TPass {
    int StateCount = 0;
    int OutcomeCount = 0;
    int32_t Rounds = 0;
    int32_t Top = 0;    // W: money 1..W is tracked
    int32_t Starts = 0; // the bankrolls asked for, 1..Starts
    TPlayRule Rule;     // in money: a start of any bankroll
    TMove Moves[StateLimit][MaxOutcomes];
    // Reach[r * StateCount + s]: the largest gain a start can have made in state s after r rounds, Unreachable when
    // s cannot be reached then; r = 0..Rounds.
    std::vector<long long> Reach;
};

long long Saturated(long long v) {
    return std::clamp(v, -GainLimit, GainLimit);
}

// Results, bets and rounds reach 2^31 each: their products saturate rather than wrap.
long long SaturatedProduct(long long a, long long b) {
    long long product = 0;
    if (__builtin_mul_overflow(a, b, &product))
        return (a < 0) != (b < 0) ? -GainLimit : GainLimit;
    return Saturated(product);
}

// The largest gains, round by round: state s after r rounds holds at most the start plus Reach. A player below his
// state's bet plays state 0's outcomes, so every reachable state also lends its gain to state 0's moves.
void ComputeReach(TPass& pass, const long long (&moves)[StateLimit][MaxOutcomes],
                  const int32_t (&next)[StateLimit][MaxOutcomes]) {
    const int S = pass.StateCount;
    pass.Reach.assign(static_cast<size_t>(pass.Rounds + 1) * S, Unreachable);
    pass.Reach[0] = 0;
    for (int32_t r = 0; r < pass.Rounds; ++r) {
        const long long* cur = pass.Reach.data() + static_cast<size_t>(r) * S;
        long long* nxt = pass.Reach.data() + static_cast<size_t>(r + 1) * S;
        long long best = Unreachable;
        for (int s = 0; s < S; ++s) {
            if (cur[s] == Unreachable)
                continue;
            best = std::max(best, cur[s]);
            for (int o = 0; o < pass.OutcomeCount; ++o) {
                long long& t = nxt[next[s][o]];
                t = std::max(t, Saturated(cur[s] + moves[s][o]));
            }
        }
        // Round 1 places state 0's bet whatever the money: no fall-back before it.
        if (r > 0 && best != Unreachable)
            for (int o = 0; o < pass.OutcomeCount; ++o) {
                long long& t = nxt[next[0][o]];
                t = std::max(t, Saturated(best + moves[0][o]));
            }
    }
}

class TBackward {
public:
    TBackward(const TPass& pass, double below, double above)
        : P(pass), FStride(static_cast<size_t>(3) * pass.Top + 2 + 2 * Padding) {
        FStorage = AllocateZeroed(FStride * 2 * static_cast<size_t>(P.StateCount));
        for (int b = 0; b < 2; ++b)
            for (int s = 0; s < P.StateCount; ++s) {
                double* row = Row(b, s);
                std::fill(row - P.Top, row + 1, below);
                std::fill(row + P.Top + 1, row + 2 * P.Top + 2, above);
            }
        const bool avx2 = TGameCalculator::DefaultKernel() == TStepKernel::Avx2 && TGameCalculator::Avx2Supported();
        FGather = avx2 ? GatherAvx2 : GatherPortable;
    }

    // Money m of state s in buffer b, for m in -W..2W+1.
    double* Row(int b, int s) {
        return FStorage.get() + FStride * (static_cast<size_t>(b) * P.StateCount + s) + Padding + P.Top;
    }

    bool Run(TStepPool* pool, const std::function<bool(int32_t)>& progress) {
        for (int32_t k = 1; k <= P.Rounds; ++k) {
            Step(k, pool);
            if (progress && !progress(k))
                return false;
        }
        return true;
    }

    // u_N(B, 0) for B = 1..Starts.
    void Read(std::vector<double>& out) {
        const double* row = Row(FCurrent, 0);
        out.assign(static_cast<size_t>(P.Starts) + 1, 0.0);
        std::copy(row + 1, row + P.Starts + 1, out.begin() + 1);
    }

private:
    static constexpr int Padding = 64;

    struct TPlanRow {
        int32_t Hi = 0; // cells 1..Hi of the row are computed this step; none when below 1
        int32_t Lo = 1; // the first cell the state's own bet is placed at
        TGatherTerm Terms[MaxOutcomes];
        TGatherRow Gather{};
    };

    void Step(int32_t k, TStepPool* pool) {
        const int32_t r = P.Rounds - k;
        const bool firstRound = r == 0;
        const int old = FCurrent;
        const int cur = 1 - old;
        const long long* reach = P.Reach.data() + static_cast<size_t>(r) * P.StateCount;
        int32_t span = 0;
        long long products = 0;
        for (int s = 0; s < P.StateCount; ++s) {
            TPlanRow& row = FRows[s];
            row.Hi = 0;
            if (reach[s] == Unreachable)
                continue;
            row.Hi = static_cast<int32_t>(std::clamp<long long>(P.Starts + reach[s], 0, P.Top));
        }
        if (!firstRound) {
            // A player below his state's bet plays state 0's: its cells must be there to copy from.
            for (int s = 1; s < P.StateCount; ++s)
                FRows[0].Hi = std::max(FRows[0].Hi, std::min(FRows[s].Hi, Clamp(P.Rule.OwnMoneyFrom(s) - 1)));
        }
        for (int s = 0; s < P.StateCount; ++s) {
            TPlanRow& row = FRows[s];
            row.Lo = firstRound ? 1 : std::max(1, Clamp(P.Rule.OwnMoneyFrom(s)));
            for (int o = 0; o < P.OutcomeCount; ++o) {
                const TMove& m = P.Moves[s][o];
                row.Terms[o] = TGatherTerm{Row(old, m.Next), -m.D, row.Lo, row.Hi, m.P};
            }
            row.Gather = TGatherRow{Row(cur, s), row.Terms, P.OutcomeCount, row.Lo, row.Hi};
            span = std::max(span, row.Hi);
            if (row.Hi >= row.Lo)
                products += static_cast<long long>(row.Hi - row.Lo + 1) * P.OutcomeCount;
        }
        const int parts = pool && products >= SplitProducts ? pool->WorkerCount() : 1;
        if (parts > 1) {
            pool->RunRound(parts, [this, span, parts, firstRound](int part) {
                const int32_t lo = 1 + static_cast<int32_t>(static_cast<long long>(span) * part / parts);
                const int32_t hi = static_cast<int32_t>(static_cast<long long>(span) * (part + 1) / parts);
                Cells(lo, hi, firstRound);
            });
        } else {
            Cells(1, span, firstRound);
        }
        FCurrent = cur;
    }

    int32_t Clamp(long long v) const { return static_cast<int32_t>(std::clamp<long long>(v, 0, P.Top + 1LL)); }

    // Cells lo..hi of every row, tile by tile; each tile of state 0 before the others copy from it.
    void Cells(int32_t lo, int32_t hi, bool firstRound) {
        const int states = firstRound ? 1 : P.StateCount;
        for (int32_t c = lo; c <= hi; c += TileCells) {
            const int32_t end = std::min(hi, c + TileCells - 1);
            for (int s = 0; s < states; ++s) {
                const TPlanRow& row = FRows[s];
                const int32_t a = std::max(c, row.Lo), b = std::min(end, row.Hi);
                if (a <= b)
                    FGather(row.Gather, a, b);
                // Below the bet the rule places state 0's, or, below state 0's own, nothing for good.
                const int32_t below = std::min(std::min(end, row.Hi), row.Lo - 1);
                if (c > below)
                    continue;
                double* dst = row.Gather.Dst;
                if (s == 0)
                    std::fill(dst + c, dst + below + 1, 0.0);
                else
                    std::copy(FRows[0].Gather.Dst + c, FRows[0].Gather.Dst + below + 1, dst + c);
            }
        }
    }

    const TPass& P;
    size_t FStride;
    TRowStorage FStorage;
    TGatherFunction FGather = nullptr;
    TPlanRow FRows[StateLimit];
    int FCurrent = 0;
};

} // namespace

int32_t TBankrollCurve::SmallestBankroll(double maxRisk) const {
    for (int32_t b = 1; b <= LastBankroll && b < static_cast<int32_t>(Ruin.size()); ++b)
        if (Ruin[static_cast<size_t>(b)] <= maxRisk)
            return b;
    return 0;
}

TBankrollPlanner::TBankrollPlanner(const TGameDescription& game, const TBetDescription& system)
    : FGame(game), FSystem(system) {
    CheckedSeries(&game, &system);
}

TBankrollCurve TBankrollPlanner::Compute(const TPlannerRequest& request, TStepPool* pool) {
    if (request.Rounds < 1 || request.Rounds > MaxRounds)
        throw ERangeError(
            QStringLiteral("The number of rounds %1 lies outside 1..%2").arg(request.Rounds).arg(MaxRounds));
    if (request.Target != 0 && (request.Target < 2 || request.Target > MaxMoney))
        throw ERangeError(
            QStringLiteral("The target bankroll %1 lies outside 2..%2").arg(request.Target).arg(MaxMoney));
    if (request.MaxBankroll < 1 || request.MaxBankroll > MaxMoney)
        throw ERangeError(
            QStringLiteral("The largest bankroll %1 lies outside 1..%2").arg(request.MaxBankroll).arg(MaxMoney));

    auto pass = std::make_unique<TPass>();
    pass->StateCount = FSystem.StateCount;
    pass->Rule = TPlayRule(FSystem, 0);
    pass->OutcomeCount = std::max(FGame.OutcomeCount, 0);
    pass->Rounds = request.Rounds;
    pass->Starts = request.Target > 0 ? request.Target - 1 : request.MaxBankroll;
    // Without a target, money is tracked as far as the rounds can take it back to 0, within the budget: a player
    // beyond that is never ruined, exactly. The rows span three times the money, in both buffers of every state.
    long long lossReach = 0;
    for (int s = 0; s < pass->StateCount; ++s)
        for (int o = 0; o < pass->OutcomeCount; ++o)
            lossReach = std::max(lossReach, -SaturatedProduct(FGame.OutcomeResults.Data()[o], FSystem.Bets.Data()[s]));
    lossReach = SaturatedProduct(lossReach, request.Rounds);
    const long long budgetMargin = std::max<long long>(request.MemoryBudget / static_cast<long long>(sizeof(double)) /
                                                               (6LL * std::max(pass->StateCount, 1)) -
                                                           request.MaxBankroll,
                                                       TopMargin);
    const long long margin = std::clamp<long long>(lossReach, TopMargin, std::min<long long>(budgetMargin, MoneyReach));
    long long moves[StateLimit][MaxOutcomes] = {};
    int32_t next[StateLimit][MaxOutcomes] = {};
    for (int s = 0; s < pass->StateCount; ++s)
        for (int o = 0; o < pass->OutcomeCount; ++o) {
            moves[s][o] = SaturatedProduct(FGame.OutcomeResults.Data()[o], FSystem.Bets.Data()[s]);
            next[s][o] = pass->Rule.Successor(s, moves[s][o]);
        }
    ComputeReach(*pass, moves, next);
    // No start gains more than the largest gain the rounds allow: money beyond it is never read, so the rows stop
    // there, however far the rounds could lose.
    long long gain = 0;
    for (const long long g : pass->Reach)
        gain = std::max(gain, g);
    pass->Top =
        request.Target > 0 ? request.Target - 1 : request.MaxBankroll + static_cast<int32_t>(std::min(margin, gain));
    for (int s = 0; s < pass->StateCount; ++s)
        for (int o = 0; o < pass->OutcomeCount; ++o)
            pass->Moves[s][o] = TMove{static_cast<int32_t>(std::clamp<long long>(moves[s][o], -pass->Top, pass->Top)),
                                      next[s][o], FGame.OutcomeProbabilities.Data()[o]};

    TBankrollCurve curve;
    curve.Rounds = request.Rounds;
    curve.Target = request.Target;
    curve.LastBankroll = pass->Starts;
    curve.TopMoney = pass->Top;
    // Progress counts the steps of every pass in a row.
    int passes = (request.WithRuin ? 1 : 0) + (request.WithSuccess && request.Target > 0 ? 1 : 0);
    bool topReached = false;
    if (request.Target == 0 && margin < lossReach)
        for (size_t i = 0; i < pass->Reach.size() && !topReached; ++i)
            topReached = pass->Reach[i] != Unreachable && pass->Starts + pass->Reach[i] > pass->Top;
    passes += topReached ? 1 : 0;
    int done = 0;
    auto run = [&](double below, double above, std::vector<double>& out) {
        TBackward backward(*pass, below, above);
        const int32_t offset = done * request.Rounds;
        const bool finished = backward.Run(pool, [&](int32_t step) {
            return !request.Progress || request.Progress((offset + step) / std::max(passes, 1));
        });
        ++done;
        if (!finished)
            return false;
        backward.Read(out);
        return true;
    };
    if (request.WithRuin && !run(1.0, 0.0, curve.Ruin))
        return {};
    if (request.WithSuccess && request.Target > 0 && !run(0.0, 1.0, curve.Success))
        return {};
    if (topReached && !run(0.0, 1.0, curve.Limit))
        return {};
    return curve;
}

TBankrollCurve BankrollCurve(const TGameDescription& game, const TBetDescription& system, int32_t rounds,
                             int32_t target, TStepPool* pool) {
    TPlannerRequest request;
    request.Rounds = rounds;
    request.Target = target;
    request.WithSuccess = target > 0;
    return TBankrollPlanner(game, system).Compute(request, pool);
}

TBankrollAnswer BankrollsForRisk(const TBankrollCurve& curve) {
    TBankrollAnswer answer;
    answer.Rounds = curve.Rounds;
    answer.Target = curve.Target;
    answer.LastBankroll = curve.LastBankroll;
    answer.TopMoney = curve.TopMoney;
    for (int i = 0; i < 3; ++i)
        answer.Bankrolls[i] = curve.SmallestBankroll(PlannerRisks[i]);
    return answer;
}

} // namespace wl
