// Unknown k = (money - 1) * states + state. Row k of the band holds Q(k, j) for j in k-Lower..k+Upper at
// Band[k * Width + j - k + Lower]. Eliminating from the top keeps every fill-in inside that band, and leaves behind
// exactly what the solves need: in row i, Q(i, k) as it stood when k was eliminated (the multipliers), and below
// the diagonal the reduced row of i as it stood when i was.
#include "engine/SessionSolver.h"

#include "engine/FloatMode.h"
#include "engine/PlayRule.h"
#include "engine/SeriesCheck.h"
#include "engine/ZeroPages.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/Checked.h"
#include "support/Exception.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace wl {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t ProgressEvery = 4096;
// Terms of the stepping, and products of the elimination, at most (a few seconds each).
constexpr double StepWork = 2e9;
constexpr double EliminationWork = 4e9;

// What ends in the next round from a pair, split so that every part stays non-negative.
struct TExits {
    double Total = 0.0, Ruin = 0.0, Success = 0.0;
    double MoneyUp = 0.0, MoneyDown = 0.0; // the expected money of those who end: above 0 and below it
    double Round = 1.0;                    // the round played (0 for a pair that has already ended)
};

struct TChain {
    const TGameDescription& Game;
    const TBetDescription& System;
    TPlayRule Rule;
    int States = 0;
    int Outcomes = 0;
    int32_t Target = 0;
    int64_t Count = 0;

    TChain(const TGameDescription& game, const TBetDescription& system, int32_t target)
        : Game(game), System(system), Rule(system, 1, target), Target(target) {
        States = CheckIndex(system.StateCount, 1, TBetDescription::MaxStates, "state count");
        Outcomes = CheckIndex(std::max(game.OutcomeCount, 0), 0, TGameDescription::MaxOutcomes, "outcome count");
        for (int s = 0; s < States; ++s) {
            CheckIndex(system.WinStates.Data()[s], 0, States - 1, "successor state");
            CheckIndex(system.LossStates.Data()[s], 0, States - 1, "successor state");
        }
        Count = static_cast<int64_t>(target - 1) * States;
    }
    int64_t Index(int64_t money, int state) const { return (money - 1) * States + state; }

    // Each outcome of `placed`'s bet from `money`: exit(p, money after) where the session ends, move(p, index) where
    // it goes on.
    template <class TExit, class TMoveTo> void Round(int64_t money, int placed, TExit&& exit, TMoveTo&& moveTo) const {
        const int64_t bet = System.Bets.Data()[placed];
        for (int o = 0; o < Outcomes; ++o) {
            const double p = Game.OutcomeProbabilities.Data()[o];
            if (!(p > 0.0))
                continue;
            const int64_t move = static_cast<int64_t>(Game.OutcomeResults.Data()[o]) * bet;
            const int64_t after = money + move;
            if (after <= 0 || after >= Target)
                exit(p, after);
            else
                moveTo(p, Index(after, Rule.Successor(placed, move)));
        }
    }

    // The row of the pair at money m in state s; false when it has already ended (cannot pay state 0's bet).
    template <class TMoveTo> bool Row(int64_t money, int state, TExits& e, TMoveTo&& moveTo) const {
        e = TExits{};
        if (Rule.EndAtMoney(money) != TPlayRule::TEnd::Playing) {
            e.Total = e.Ruin = 1.0;
            e.MoneyUp = static_cast<double>(money);
            e.Round = 0.0;
            return false;
        }
        Round(
            money, Rule.PlacedStateAtMoney(state, money),
            [&](double p, int64_t after) {
                e.Total += p;
                (after <= 0 ? e.Ruin : e.Success) += p;
                (after > 0 ? e.MoneyUp : e.MoneyDown) += p * std::fabs(static_cast<double>(after));
            },
            moveTo);
        return true;
    }
};

// One right-hand side per answer; Values are b, then x.
enum { Ruin, Success, MoneyUp, MoneyDown, Rounds, Squares, Sides };

struct TSides {
    std::vector<double> Values[Sides];
    std::vector<char> Playing;
    explicit TSides(int64_t n) : Playing(static_cast<size_t>(n)) {
        for (auto& v : Values)
            v.assign(static_cast<size_t>(n), 0.0);
    }
    void Set(int64_t k, const TExits& e) {
        const auto i = static_cast<size_t>(k);
        Values[Ruin][i] = e.Ruin;
        Values[Success][i] = e.Success;
        Values[MoneyUp][i] = e.MoneyUp;
        Values[MoneyDown][i] = e.MoneyDown;
        Values[Rounds][i] = e.Round;
        Playing[i] = e.Round > 0.0;
    }
};

// The answers for every start from the answers per pair: the first round places state 0's bet whatever the money.
void FillStarts(const TChain& chain, const TSides& x, TSessionSolution& out) {
    const auto n = static_cast<size_t>(chain.Target);
    for (auto* v : {&out.Ruin, &out.Success, &out.Rounds, &out.RoundsSd, &out.NetAtEnd})
        v->assign(n, 0.0);
    for (int32_t b = 1; b < chain.Target; ++b) {
        double ruin = 0.0, success = 0.0, rounds = 0.0, squares = 0.0, money = 0.0;
        chain.Round(
            b, 0,
            [&](double p, int64_t after) {
                (after <= 0 ? ruin : success) += p;
                money += p * static_cast<double>(after);
            },
            [&](double p, int64_t j) {
                const auto i = static_cast<size_t>(j);
                ruin += p * x.Values[Ruin][i];
                success += p * x.Values[Success][i];
                rounds += p * x.Values[Rounds][i];
                squares += p * (2.0 * x.Values[Rounds][i] + x.Values[Squares][i]);
                money += p * (x.Values[MoneyUp][i] - x.Values[MoneyDown][i]);
            });
        const auto i = static_cast<size_t>(b);
        out.Ruin[i] = ruin;
        out.Success[i] = success;
        out.Rounds[i] = 1.0 + rounds;
        const double t = out.Rounds[i];
        out.RoundsSd[i] = std::isfinite(t) ? std::sqrt(std::max(0.0, 1.0 + squares - t * t)) : Infinity;
        out.NetAtEnd[i] = money - b;
    }
}

struct TBandShape {
    int64_t Lower = 0, Upper = 0;
};

TBandShape ShapeOf(const TChain& chain) {
    TBandShape shape;
    TExits e;
    for (int64_t m = 1; m < chain.Target; ++m)
        for (int s = 0; s < chain.States; ++s) {
            const int64_t k = chain.Index(m, s);
            chain.Row(m, s, e, [&](double, int64_t j) {
                shape.Lower = std::max(shape.Lower, k - j);
                shape.Upper = std::max(shape.Upper, j - k);
            });
        }
    return shape;
}

// Rows i and k of the band never overlap: the inner loop of the elimination may run on vectors. Four lanes where
// the processor has them; a product and a sum apiece, so every lane width gives the same bits.
// The sanitizers' runtimes start after the clones' resolver would run: their builds take the one default lane width.
#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void AddScaled(double* __restrict to, const double* __restrict from, double f, int64_t n) {
    for (int64_t j = 0; j < n; ++j)
        to[j] += f * from[j];
}

class TEliminator {
public:
    TEliminator(const TChain& chain, TBandShape shape)
        : FChain(chain), FN(chain.Count), FLower(shape.Lower), FUpper(shape.Upper),
          FWidth(shape.Lower + shape.Upper + 1) {}

    bool Run(const std::function<bool(double)>& progress, TSessionSolution& out) {
        // Every page of the band is touched within the elimination's first moments.
        FBand = AllocateZeroPages(static_cast<size_t>(FN * FWidth) * sizeof(double), true);
        FPivot.assign(static_cast<size_t>(FN), 0.0);
        FExit.assign(static_cast<size_t>(FN), 0.0);
        FTrapped.assign(static_cast<size_t>(FN), 0);
        FFirst.assign(static_cast<size_t>(FN), 0);
        TSides sides(FN);
        TExits e;
        for (int64_t m = 1; m < FChain.Target; ++m)
            for (int s = 0; s < FChain.States; ++s) {
                const int64_t k = FChain.Index(m, s);
                double* row = RowOf(k);
                int64_t first = k;
                FChain.Row(m, s, e, [&](double p, int64_t j) {
                    row[j - k] += p;
                    first = p != 0.0 ? std::min(first, j) : first;
                });
                FFirst[static_cast<size_t>(k)] = first;
                FExit[static_cast<size_t>(k)] = e.Total;
                sides.Set(k, e);
            }
        if (!Eliminate(progress))
            return false;
        Solve(sides, Ruin, Rounds);
        // The second moment of the rounds: b = 2t - 1 where a round is played, with t the pair's own duration.
        std::vector<double>& squares = sides.Values[Squares];
        for (size_t i = 0; i < squares.size(); ++i)
            squares[i] = sides.Playing[i] ? 2.0 * sides.Values[Rounds][i] - 1.0 : 0.0;
        Solve(sides, Squares, Squares);
        FillStarts(FChain, sides, out);
        out.Method = TSessionMethod::Elimination;
        out.ErrorBound = 0.0;
        return true;
    }

private:
    // Row k, shifted so that row[j - k] is Q(k, j).
    double* RowOf(int64_t k) { return FBand.get() + k * FWidth + FLower; }

    bool Eliminate(const std::function<bool(double)>& progress) {
        for (int64_t k = FN - 1; k >= 0; --k) {
            double* rowK = RowOf(k);
            // Left of its first entry a row holds zeros, whose products would add nothing.
            const int64_t lo = std::max<int64_t>({0, k - FLower, FFirst[static_cast<size_t>(k)]});
            // The chance of leaving k for a lower unknown or an end: a sum, never 1 - Q(k, k).
            double pivot = FExit[static_cast<size_t>(k)];
            for (int64_t j = lo; j < k; ++j)
                pivot += rowK[j - k];
            if (!(pivot > 0.0)) {
                // k never leaves what is above it: those who come here play for ever, an end of its own.
                FTrapped[static_cast<size_t>(k)] = 1;
                FAnyTrapped = true;
                FExit[static_cast<size_t>(k)] = 1.0;
                pivot = 1.0;
            }
            FPivot[static_cast<size_t>(k)] = pivot;
            for (int64_t i = std::max<int64_t>(0, k - FUpper); i < k; ++i) {
                double* rowI = RowOf(i);
                const double q = rowI[k - i];
                if (q == 0.0)
                    continue;
                const double f = q / pivot;
                FExit[static_cast<size_t>(i)] += f * FExit[static_cast<size_t>(k)];
                AddScaled(rowI + (lo - i), rowK + (lo - k), f, k - lo);
                FFirst[static_cast<size_t>(i)] = std::min(FFirst[static_cast<size_t>(i)], lo);
            }
            if (k % ProgressEvery == 0 && progress && !progress(0.9 * static_cast<double>(FN - k) / FN))
                return false;
        }
        return true;
    }

    // b is carried down through the multipliers, then x is found from the lowest money up. The sides first..last go
    // together, each with its own sums in the order a side alone would make them: one pass over the band for all.
    void Solve(TSides& sides, int first, int last) {
        static constexpr double TrappedValue[Sides] = {0.0, 0.0, NotANumber, NotANumber, Infinity, Infinity};
        const int count = last - first + 1;
        double* x[Sides] = {};
        for (int v = 0; v < count; ++v)
            x[v] = sides.Values[first + v].data();
        for (int64_t k = FN - 1; k >= 0; --k) {
            const auto kk = static_cast<size_t>(k);
            double f[Sides] = {};
            bool any = false;
            for (int v = 0; v < count; ++v) {
                if (FTrapped[kk])
                    x[v][kk] = TrappedValue[first + v];
                f[v] = x[v][kk] / FPivot[kk];
                any = any || f[v] != 0.0;
            }
            if (!any)
                continue;
            for (int64_t i = std::max<int64_t>(0, k - FUpper); i < k; ++i) {
                const double q = RowOf(i)[k - i];
                if (q == 0.0)
                    continue;
                for (int v = 0; v < count; ++v)
                    if (f[v] != 0.0)
                        x[v][static_cast<size_t>(i)] += q * f[v];
            }
        }
        for (int64_t k = 0; k < FN; ++k) {
            const auto kk = static_cast<size_t>(k);
            const double* row = RowOf(k);
            double sum[Sides];
            for (int v = 0; v < count; ++v)
                sum[v] = x[v][kk];
            for (int64_t j = std::max<int64_t>(0, k - FLower); j < k; ++j) {
                const double q = row[j - k];
                if (FAnyTrapped && q == 0.0) // 0 times the infinite duration of a trapped pair adds nothing
                    continue;
                for (int v = 0; v < count; ++v)
                    sum[v] += q * x[v][static_cast<size_t>(j)];
            }
            for (int v = 0; v < count; ++v)
                x[v][kk] = sum[v] / FPivot[kk];
        }
    }

    const TChain& FChain;
    const int64_t FN, FLower, FUpper, FWidth;
    TZeroPages FBand;
    std::vector<double> FPivot, FExit;
    std::vector<char> FTrapped;
    std::vector<int64_t> FFirst; // the lowest column a row may hold a non-zero in
    bool FAnyTrapped = false;
};

// The chain stepped backwards: after n steps x holds what ends within n rounds, and InPlay what is still playing.
bool StepChain(const TChain& chain, const TSessionRequest& request, TSessionSolution& out) {
    const int64_t n = chain.Count;
    std::vector<int64_t> first(static_cast<size_t>(n + 1), 0);
    std::vector<int64_t> column;
    std::vector<double> chance;
    TSides b(n);
    TExits e;
    for (int64_t m = 1; m < chain.Target; ++m)
        for (int s = 0; s < chain.States; ++s) {
            const int64_t k = chain.Index(m, s);
            chain.Row(m, s, e, [&](double p, int64_t j) {
                column.push_back(j);
                chance.push_back(p);
            });
            b.Set(k, e);
            first[static_cast<size_t>(k + 1)] = static_cast<int64_t>(column.size());
        }
    constexpr int Stepped = MoneyDown + 1; // ruin, success and the money, plus what is in play
    std::vector<double> x[Stepped + 1], next[Stepped + 1];
    for (int v = 0; v <= Stepped; ++v) {
        x[v].assign(static_cast<size_t>(n), 0.0);
        next[v].assign(static_cast<size_t>(n), 0.0);
    }
    std::vector<double>& inPlay = x[Stepped];
    // A pair that has ended holds its end from round 0 on; one still playing is in play.
    for (size_t i = 0; i < inPlay.size(); ++i) {
        inPlay[i] = b.Playing[i] ? 1.0 : 0.0;
        if (!b.Playing[i])
            for (int v = Ruin; v <= MoneyDown; ++v)
                x[v][i] = b.Values[v][i];
    }
    TSides sides(n);
    std::vector<double>& rounds = sides.Values[Rounds];
    // Sum over n of (2n + 1) P(T > n) is E[T^2], what the elimination's squares side holds too.
    std::vector<double>& squares = sides.Values[Squares];
    double left = 1.0;
    int32_t step = 0;
    // Bounded work, so that a chain that ends slowly gives its bound in seconds rather than stepping for hours.
    const auto work = static_cast<double>(column.size() + static_cast<size_t>(n));
    const auto steps = static_cast<int32_t>(
        std::clamp(StepWork / std::max(work, 1.0), 1000.0, static_cast<double>(std::max(request.StepLimit, 1))));
    while (left >= request.Tolerance && step < steps) {
        // What is still playing at the start of round step + 1 plays it.
        for (size_t i = 0; i < rounds.size(); ++i) {
            rounds[i] += inPlay[i];
            squares[i] += (2.0 * step + 1.0) * inPlay[i];
        }
        left = 0.0;
        for (int64_t k = 0; k < n; ++k) {
            const auto i = static_cast<size_t>(k);
            double sum[Stepped + 1] = {b.Values[Ruin][i], b.Values[Success][i], b.Values[MoneyUp][i],
                                       b.Values[MoneyDown][i], 0.0};
            for (int64_t t = first[i]; t < first[i + 1]; ++t) {
                const double p = chance[static_cast<size_t>(t)];
                const auto j = static_cast<size_t>(column[static_cast<size_t>(t)]);
                for (int v = 0; v <= Stepped; ++v)
                    sum[v] += p * x[v][j];
            }
            for (int v = 0; v <= Stepped; ++v)
                next[v][i] = sum[v];
            left = std::max(left, sum[Stepped]);
        }
        for (int v = 0; v <= Stepped; ++v)
            x[v].swap(next[v]);
        ++step;
        if (step % 64 == 0 && request.Progress && !request.Progress(std::min(0.99, static_cast<double>(step) / steps)))
            return false;
    }
    for (int v = Ruin; v <= MoneyDown; ++v)
        sides.Values[v] = x[v];
    FillStarts(chain, sides, out);
    out.Method = TSessionMethod::Stepping;
    out.ErrorBound = left;
    out.RoundsStepped = step;
    return true;
}

} // namespace

TSessionSolver::TSessionSolver(const TGameDescription& game, const TBetDescription& system)
    : FGame(game), FSystem(system) {}

int64_t TSessionSolver::EliminationBytes(int32_t target) const {
    const TChain chain(FGame, FSystem, target);
    const TBandShape shape = ShapeOf(chain);
    return chain.Count * (shape.Lower + shape.Upper + 1 + 2 * Sides + 4) * static_cast<int64_t>(sizeof(double));
}

std::optional<TSessionSolution> TSessionSolver::Solve(const TSessionRequest& request) const {
    // The series' own check first: a successor beyond the states is the user's to mend, as in every chart.
    CheckedSeries(&FGame, &FSystem);
    CheckIndex(request.Target, 2, MaxTarget, "target");
    const TFloatModeGuard floatMode;
    const TChain chain(FGame, FSystem, request.Target);
    const TBandShape shape = ShapeOf(chain);
    const int64_t bytes =
        chain.Count * (shape.Lower + shape.Upper + 1 + 2 * Sides + 4) * static_cast<int64_t>(sizeof(double));
    TSessionSolution out;
    out.Target = request.Target;
    // A band wide enough to cost more than the stepping's bounded work is stepped too.
    const double operations = static_cast<double>(chain.Count) *
                              static_cast<double>(std::min(shape.Lower, chain.Count)) *
                              static_cast<double>(std::min(shape.Upper, chain.Count));
    if (bytes <= request.MemoryBudget && operations <= EliminationWork) {
        TEliminator eliminator(chain, shape);
        if (!eliminator.Run(request.Progress, out))
            return std::nullopt;
    } else if (!StepChain(chain, request, out)) {
        return std::nullopt;
    }
    if (request.Progress)
        request.Progress(1.0);
    return out;
}

} // namespace wl
