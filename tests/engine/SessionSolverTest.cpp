#include "engine/SessionSolver.h"

#include "EngineTestSupport.h"

#include "support/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace wl {
namespace {

using test::MakeGame;
using test::MakeSystem;

TSessionSolution SolveOrFail(const TGameDescription& g, const TBetDescription& b, int32_t target,
                             int64_t budget = int64_t{256} << 20) {
    TSessionRequest request;
    request.Target = target;
    request.MemoryBudget = budget;
    const auto solution = TSessionSolver(g, b).Solve(request);
    if (!solution)
        throw std::runtime_error("stopped");
    return *solution;
}

double Relative(double got, double want) {
    return want == 0.0 ? std::fabs(got) : std::fabs(got - want) / std::fabs(want);
}

// The textbook gambler's ruin for a +-1 game, flat bet 1, in long double.
struct TFellerRow {
    std::string Name;
    long double Win;
    int32_t Target;
};

TEST(SessionSolverTest, AgreesWithTheClosedFormsOfPlusMinusOneGames) {
    const TFellerRow rows[] = {
        {"fair coin", 0.5L, 60},
        {"red or black", 18.0L / 37.0L, 200},
        {"strong house edge, success below 1e-6", 0.3L, 40},
        {"player's edge", 0.6L, 80},
    };
    for (const TFellerRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const long double p = row.Win, q = 1.0L - p;
        const TBetDescription flat = MakeSystem({{1, 0, 0}});
        const TGameDescription game = MakeGame({{1, static_cast<double>(p)}, {-1, static_cast<double>(q)}});
        const TSessionSolution s = SolveOrFail(game, flat, row.Target);
        EXPECT_EQ(s.Method, TSessionMethod::Elimination);
        const long double a = row.Target;
        for (int32_t z = 1; z < row.Target; ++z) {
            long double success, ruin, rounds;
            if (p == 0.5L) {
                success = z / a;
                ruin = (a - z) / a;
                rounds = z * (a - z);
            } else {
                // The double's own probability, so that the reference answers the same game.
                const long double pd = static_cast<double>(p), qd = static_cast<double>(q);
                const long double lr = std::log(qd / pd);
                success = std::expm1(z * lr) / std::expm1(a * lr);
                // Each chance in its own form: one minus the other loses the digits of a small one.
                ruin = std::exp(z * lr) * std::expm1((a - z) * lr) / std::expm1(a * lr);
                rounds = z / (qd - pd) - a / (qd - pd) * success;
            }
            const long double gain = a * success - z;
            SCOPED_TRACE(z);
            EXPECT_LT(Relative(s.Success[z], static_cast<double>(success)), 1e-14);
            EXPECT_LT(Relative(s.Ruin[z], static_cast<double>(ruin)), 1e-14);
            EXPECT_LT(Relative(s.Rounds[z], static_cast<double>(rounds)), 1e-13);
            EXPECT_LT(std::fabs(s.NetAtEnd[z] - static_cast<double>(gain)), 1e-13 * a);
        }
    }
}

TEST(SessionSolverTest, FairCoinDurationSpreadMatchesItsClosedForm) {
    // Var T = z (a - z) ((a - z)^2 + z^2 - 2) / 3 for the fair +-1 walk.
    const int32_t a = 30;
    const TSessionSolution s = SolveOrFail(test::CoinGame(), test::FlatSystem(), a);
    for (int32_t z = 1; z < a; ++z) {
        const double w = a - z;
        const double variance = z * w * (w * w + static_cast<double>(z) * z - 2.0) / 3.0;
        EXPECT_LT(Relative(s.RoundsSd[z], std::sqrt(variance)), 1e-12) << z;
    }
}

// A random small series: results -3..4 with a draw now and then, bets 1..5 that straddle small bankrolls, so that
// the fall-back to state 0's bet, stopping below it and ending past the target all occur.
struct TRandomSeries {
    TGameDescription Game;
    TBetDescription System;
};

TRandomSeries RandomSeries(unsigned seed) {
    std::mt19937 rng(seed);
    TRandomSeries r;
    const int outcomes = 2 + static_cast<int>(rng() % 4);
    double sum = 0.0;
    std::vector<double> weights;
    for (int o = 0; o < outcomes; ++o)
        sum += weights.emplace_back(1.0 + rng() % 9);
    r.Game.OutcomeCount = outcomes;
    for (int o = 0; o < outcomes; ++o) {
        // At least one loss and one gain, or the session need not end.
        const int32_t result = o == 0   ? -1 - static_cast<int32_t>(rng() % 3)
                               : o == 1 ? 1 + static_cast<int32_t>(rng() % 4)
                                        : static_cast<int32_t>(rng() % 8) - 3;
        r.Game.OutcomeResults[o] = result;
        r.Game.OutcomeProbabilities[o] = weights[static_cast<size_t>(o)] / sum;
    }
    const int states = 1 + static_cast<int>(rng() % 4);
    r.System.StateCount = states;
    for (int s = 0; s < states; ++s) {
        r.System.Bets[s] = 1 + static_cast<int32_t>(rng() % 5);
        r.System.WinStates[s] = static_cast<int32_t>(rng() % states);
        r.System.LossStates[s] = static_cast<int32_t>(rng() % states);
    }
    return r;
}

TEST(SessionSolverTest, EliminationAgreesWithSteppingOnRandomSeries) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        const TRandomSeries r = RandomSeries(seed);
        const int32_t target = 8 + static_cast<int32_t>(seed % 23);
        const TSessionSolution exact = SolveOrFail(r.Game, r.System, target);
        const TSessionSolution stepped = SolveOrFail(r.Game, r.System, target, 0);
        ASSERT_EQ(stepped.Method, TSessionMethod::Stepping);
        ASSERT_LT(stepped.ErrorBound, 1e-14);
        for (int32_t b = 1; b < target; ++b) {
            SCOPED_TRACE(b);
            EXPECT_NEAR(exact.Ruin[b], stepped.Ruin[b], 1e-12);
            EXPECT_NEAR(exact.Success[b], stepped.Success[b], 1e-12);
            EXPECT_NEAR(exact.Ruin[b] + exact.Success[b], 1.0, 1e-13);
            EXPECT_LT(Relative(exact.Rounds[b], stepped.Rounds[b]), 1e-11);
            EXPECT_LT(Relative(exact.RoundsSd[b], stepped.RoundsSd[b]), 1e-9);
            EXPECT_NEAR(exact.NetAtEnd[b], stepped.NetAtEnd[b], 1e-10 * target);
        }
    }
}

TEST(SessionSolverTest, PlayForEverHasNoFiniteDuration) {
    // State 1 bets nothing and stays: whoever wins once never ends.
    const TBetDescription system = MakeSystem({{1, 1, 0}, {0, 1, 1}});
    const TSessionSolution s = SolveOrFail(test::CoinGame(), system, 10);
    // Only a run of losses from the start ends, in ruin; everyone else plays for ever (below 9, whose first win
    // reaches the target).
    for (int32_t b = 1; b < 9; ++b) {
        EXPECT_DOUBLE_EQ(s.Ruin[b], std::ldexp(1.0, -b)) << b;
        EXPECT_EQ(s.Success[b], 0.0) << b;
        EXPECT_TRUE(std::isinf(s.Rounds[b])) << b;
        EXPECT_TRUE(std::isnan(s.NetAtEnd[b])) << b;
    }
}

TEST(SessionSolverTest, RefusesTargetsItCannotHold) {
    for (const int32_t target : {-1, 0, 1, TSessionSolver::MaxTarget + 1}) {
        TSessionRequest request;
        request.Target = target;
        EXPECT_ANY_THROW(TSessionSolver(test::CoinGame(), test::FlatSystem()).Solve(request)) << target;
    }
    // A successor beyond the states is the user's to mend, as in every chart.
    TBetDescription broken = test::FlatSystem();
    broken.LossStates[0] = 3;
    TSessionRequest request;
    request.Target = 10;
    try {
        TSessionSolver(test::CoinGame(), broken).Solve(request);
        ADD_FAILURE() << "a successor beyond the states is refused";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.IsUserError()) << e.Message().toStdString();
    }
}

TEST(SessionSolverTest, StopsWhenAsked) {
    TSessionRequest request;
    request.Target = 100000;
    request.Progress = [](double) { return false; };
    EXPECT_FALSE(TSessionSolver(test::CoinGame(), test::FlatSystem()).Solve(request));
}

} // namespace
} // namespace wl
