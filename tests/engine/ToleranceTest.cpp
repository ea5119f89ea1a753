// What leaves play: the tails the tolerance lets go, and what passes an edge that does not hold it.
#include "engine/FloatMode.h"
#include "engine/GameCalculator.h"
#include "support/Numbers.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace wl {
namespace {

using test::MakeGame;
using test::MakeSystem;

TBetDescription Martingale(int doublings) {
    TBetDescription b;
    b.StateCount = doublings + 1;
    for (int s = 0; s <= doublings; ++s) {
        b.Bets[s] = 1 << s;
        b.WinStates[s] = 0;
        b.LossStates[s] = s < doublings ? s + 1 : 0;
    }
    return b;
}

TGameDescription RedBlack() {
    return MakeGame({{1, 18.0 / 37}, {-1, 19.0 / 37}});
}

void RunRounds(TGameCalculator& c, int rounds) {
    c.Reset();
    for (int r = 2; r <= rounds; ++r)
        c.Step();
}

double At(const TGameCalculator& c, int64_t b) {
    return b < c.MinBalance || b > c.MaxBalance ? 0.0 : c.BalanceProbability(static_cast<int>(b));
}

// A long martingale followed to the default tolerance and to underflow: what left stays within the tolerance, every
// value differs by at most that, and the six decimals of a table's percentages are the same on every row that shows
// more than zeros.
TEST(Tolerance, LongMartingaleKeepsEveryShownDigit) {
    const TFloatModeGuard floatMode;
    const TGameDescription game = RedBlack();
    struct TCase {
        const char* Name;
        int Doublings, Rounds;
        TStepKernel Kernel;
    };
    for (const TCase& k : {TCase{"ten doublings, fast", 10, 1000, TStepKernel::Portable},
                           TCase{"three doublings, fast", 3, 3000, TStepKernel::Portable},
                           TCase{"three doublings, reference", 3, 400, TStepKernel::Reference}}) {
        SCOPED_TRACE(k.Name);
        const TBetDescription system = Martingale(k.Doublings);
        TGameCalculator exact, cut;
        for (TGameCalculator* c : {&exact, &cut}) {
            c->Game = &game;
            c->BetSystem = &system;
            c->Kernel = k.Kernel;
            c->RoundsPlanned = k.Rounds;
        }
        cut.Tolerance = 1e-15;
        RunRounds(exact, k.Rounds);
        RunRounds(cut, k.Rounds);
        EXPECT_EQ(exact.ToleranceLeft(), 0.0);
        EXPECT_GT(cut.ToleranceLeft(), 0.0);
        EXPECT_LE(cut.ToleranceLeft(), cut.Tolerance);
        EXPECT_EQ(cut.LimitProbability(), 0.0); // nothing starred for what the tolerance let go
        // The row is narrower: that is the point.
        EXPECT_LT(cut.MaxBalance - cut.MinBalance, exact.MaxBalance - exact.MinBalance);
        EXPECT_GE(cut.MinBalance, exact.MinBalance);
        EXPECT_LE(cut.MaxBalance, exact.MaxBalance);
        double worst = 0.0;
        for (int64_t b = exact.MinBalance; b <= exact.MaxBalance; ++b) {
            const double e = At(exact, b), t = At(cut, b);
            worst = std::max(worst, std::abs(e - t));
            const QString shownExact = FormatFixed(100.0 * e, 6), shownCut = FormatFixed(100.0 * t, 6);
            if (shownExact != QStringLiteral("0.000000") || shownCut != QStringLiteral("0.000000")) {
                ASSERT_EQ(shownExact, shownCut) << "balance " << b;
            }
        }
        EXPECT_LE(worst, cut.Tolerance);
    }
}

// Where the tolerance may not cut: risk bounds that hold what reaches them, and the far clusters of a jackpot game.
TEST(Tolerance, KeepsWhatTheRiskChartsAndJackpotsHave) {
    const TFloatModeGuard floatMode;
    const TGameDescription keno = MakeGame({{-1, 0.75}, {1, 0.2}, {11, 0.04}, {999, 0.0099}, {7999, 0.0001}});
    const TGameDescription lottery = MakeGame({{-1, 0.999}, {99, 0.0009}, {999999, 0.0001}});
    const TGameDescription redBlack = RedBlack();
    const TBetDescription flat = test::FlatSystem();
    const TBetDescription martingale = Martingale(10);
    struct TCase {
        const char* Name;
        const TGameDescription* Game;
        const TBetDescription* System;
        int32_t Low, High, Bankroll, Rounds;
    };
    for (const TCase& k :
         {TCase{"keno", &keno, &flat, -TGameCalculator::BalanceReach, TGameCalculator::BalanceReach, 0, 30},
          TCase{"lottery", &lottery, &flat, -TGameCalculator::BalanceReach, TGameCalculator::BalanceReach, 0, 12},
          TCase{"risk bounds", &redBlack, &martingale, -1000, 1000, 1000, 600}}) {
        SCOPED_TRACE(k.Name);
        TGameCalculator exact, cut;
        for (TGameCalculator* c : {&exact, &cut}) {
            c->Game = k.Game;
            c->BetSystem = k.System;
            c->LowBound = k.Low;
            c->HighBound = k.High;
            c->Bankroll = k.Bankroll;
        }
        cut.Tolerance = 1e-15;
        RunRounds(exact, k.Rounds);
        RunRounds(cut, k.Rounds);
        EXPECT_TRUE(cut.SameCells(exact));
        EXPECT_EQ(cut.LimitProbability(), exact.LimitProbability());
    }
}

// What the tails shed stays within the tolerance however far the run goes past the rounds planned, and a run of the
// planned length uses most of it: a share held back for later only widens the late rounds.
TEST(Tolerance, ShareOfTheTolerancePerRound) {
    const TFloatModeGuard floatMode;
    const TGameDescription game = RedBlack();
    const TBetDescription system = Martingale(4);
    struct TCase {
        const char* Name;
        int Planned, Rounds;
        double AtLeast; // of the tolerance
    };
    for (const TCase& k : {TCase{"as planned", 600, 600, 0.8}, TCase{"ten times as long", 60, 600, 0.9},
                           TCase{"not planned", 0, 1500, 0.8}, TCase{"cut short", 6000, 600, 0.05}}) {
        SCOPED_TRACE(k.Name);
        TGameCalculator c;
        c.Game = &game;
        c.BetSystem = &system;
        c.Kernel = TStepKernel::Portable;
        c.Tolerance = 1e-15;
        c.RoundsPlanned = k.Planned;
        RunRounds(c, k.Rounds);
        EXPECT_LE(c.ToleranceLeft(), c.Tolerance);
        EXPECT_GE(c.ToleranceLeft(), k.AtLeast * c.Tolerance);
    }
}

// Probability that passes an edge the range cannot widen past leaves play, and is counted beyond that edge: no
// balance near the edge holds it, and what stays is exact.
TEST(Tolerance, WhatPassesAnEdgeLeavesPlay) {
    const TFloatModeGuard floatMode;
    const TBetDescription flat = test::FlatSystem();
    struct TCase {
        const char* Name;
        TGameDescription Game;
        int32_t Low, High;
        int64_t Budget;
        bool Below;
    };
    // Win a hundred million or lose 1: every win passes the budget's edge; a far bound does the same.
    for (const TCase& k :
         {TCase{"budget", MakeGame({{100000000, 1.0 / 3}, {-1, 2.0 / 3}}), -TGameCalculator::BalanceReach,
                TGameCalculator::BalanceReach, int64_t{64} << 20, false},
          TCase{"far bound above", MakeGame({{20000, 0.25}, {-1, 0.75}}), -TGameCalculator::BalanceReach, 15000, 0,
                false},
          TCase{"far bound below", MakeGame({{-20000, 0.25}, {1, 0.75}}), -15000, TGameCalculator::BalanceReach, 0,
                true}}) {
        SCOPED_TRACE(k.Name);
        for (const TStepKernel kernel : {TStepKernel::Reference, TStepKernel::Portable}) {
            TGameCalculator c;
            c.Game = &k.Game;
            c.BetSystem = &flat;
            c.LowBound = k.Low;
            c.HighBound = k.High;
            c.MemoryBudget = k.Budget;
            c.Kernel = kernel;
            constexpr int rounds = 6;
            RunRounds(c, rounds);
            // Only the players who never won (lost) are left: all at -rounds (+rounds).
            const double stay = std::pow(k.Game.OutcomeProbabilities[1], rounds);
            const int32_t where = k.Below ? rounds : -rounds;
            EXPECT_DOUBLE_EQ(c.BalanceProbability(where), stay);
            double held = 0.0;
            for (int64_t b = c.MinBalance; b <= c.MaxBalance; ++b)
                held += c.BalanceProbability(static_cast<int>(b));
            EXPECT_DOUBLE_EQ(held, stay);
            EXPECT_NEAR(k.Below ? c.LeftBelow() : c.LeftAbove(), 1.0 - stay, 1e-15);
            EXPECT_NEAR(c.LimitProbability(), 1.0 - stay, 1e-15);
            EXPECT_EQ(k.Below ? c.LeftAbove() : c.LeftBelow(), 0.0);
        }
    }
}

} // namespace
} // namespace wl
