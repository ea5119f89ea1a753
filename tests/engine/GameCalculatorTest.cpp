// The calculator's distributions, ranges, errors and conservation of probability, on every kernel.
#include "engine/GameCalculator.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace wl {
namespace {

using test::CoinGame;
using test::FlatSystem;
using test::MakeGame;
using test::MakeSystem;

struct TCell {
    int Balance;
    double Probability;
    int State = -1; // -1: summed over the states
};

struct TDistributionCase {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    int32_t Bankroll;
    int Rounds;
    std::vector<TCell> Expected; // every other balance holds 0
    int MinBalance, MaxBalance;
};

std::vector<TDistributionCase> DistributionCases() {
    const auto martingale2 = MakeSystem({{1, 0, 1}, {2, 0, 0}});
    return {
        {"CoinFlatRound1", CoinGame(), FlatSystem(), 0, 1, {{-1, 0.5}, {1, 0.5}}, -1, 1},
        {"CoinFlatRound2", CoinGame(), FlatSystem(), 0, 2, {{-2, 0.25}, {0, 0.5}, {2, 0.25}}, -2, 2},
        {"CoinTwoStates",
         CoinGame(),
         martingale2,
         0,
         2,
         {{-3, 0.25}, {0, 0.25}, {1, 0.25}, {2, 0.25}, {0, 0.25, 1}, {0, 0.0, 0}, {1, 0.25, 0}, {-3, 0.25, 0}},
         -3,
         2},
        {"BankrollOneRound2", CoinGame(), FlatSystem(), 1, 2, {{-1, 0.5}, {0, 0.25}, {2, 0.25}}, -1, 2},
        {"BankrollOneRound3", CoinGame(), FlatSystem(), 1, 3, {{-1, 0.625}, {1, 0.25}, {3, 0.125}}, -1, 3},
        {"FallBackToState0",
         CoinGame(),
         MakeSystem({{1, 0, 1}, {3, 0, 0}}),
         2,
         2,
         {{-2, 0.25, 1}, {0, 0.25, 0}, {0, 0.25, 1}, {2, 0.25, 0}, {-2, 0.25}, {0, 0.5}, {2, 0.25}},
         -2,
         2},
        {"FirstBetAboveBankroll", CoinGame(), MakeSystem({{2, 0, 0}}), 1, 1, {{-2, 0.5}, {2, 0.5}}, -2, 2},
        {"StoppedBelowBankroll", CoinGame(), MakeSystem({{2, 0, 0}}), 1, 2, {{-2, 0.5}, {0, 0.25}, {4, 0.25}}, -2, 4},
        // The range is only widened, so the probability at -2 is still carried.
        {"WidenedNotMoved",
         CoinGame(),
         MakeSystem({{2, 0, 0}}),
         1,
         3,
         {{-2, 0.5}, {0, 0.25}, {2, 0.125}, {6, 0.125}},
         -2,
         6},
        {"DrawFollowsWin",
         MakeGame({{0, 1.0}}),
         MakeSystem({{1, 1, 0}, {1, 0, 0}}),
         0,
         1,
         {{0, 1.0, 1}, {0, 1.0}},
         0,
         0},
        {"EqualResultsAddUp",
         MakeGame({{1, 0.25}, {1, 0.25}, {-1, 0.5}}),
         FlatSystem(),
         0,
         1,
         {{1, 0.5}, {-1, 0.5}},
         -1,
         1},
        {"Outcome5000", MakeGame({{5000, 1.0}}), FlatSystem(), 0, 2, {{5000, 1.0}}, 0, 5000},
        {"ClampBothEnds",
         MakeGame({{3000, 0.5}, {-3000, 0.5}}),
         FlatSystem(),
         0,
         2,
         {{-5000, 0.25}, {0, 0.5}, {5000, 0.25}},
         -5000,
         5000},
        {"NegativeBetSwapsSuccessors",
         CoinGame(),
         MakeSystem({{-1, 0, 1}, {1, 0, 0}}),
         0,
         1,
         {{-1, 0.5, 1}, {1, 0.5, 0}, {-1, 0.5}, {1, 0.5}},
         -1,
         1},
        {"ZeroBetFollowsWin", CoinGame(), MakeSystem({{0, 1, 0}, {1, 0, 0}}), 0, 1, {{0, 1.0, 1}, {0, 1.0}}, 0, 0},
    };
}

class DistributionTest : public ::testing::TestWithParam<std::tuple<TDistributionCase, TStepKernel>> {};

TEST_P(DistributionTest, MatchesHandComputedValues) {
    const auto& [c, kernel] = GetParam();
    TGameCalculator calc;
    calc.Kernel = kernel;
    calc.Game = &c.Game;
    calc.BetSystem = &c.System;
    calc.Bankroll = c.Bankroll;
    calc.Reset();
    for (int r = 1; r < c.Rounds; ++r)
        calc.Step();
    EXPECT_EQ(calc.RoundCount, c.Rounds);
    EXPECT_EQ(calc.MinBalance, c.MinBalance);
    EXPECT_EQ(calc.MaxBalance, c.MaxBalance);
    for (int b = TGameCalculator::MinBalanceLimit; b <= TGameCalculator::MaxBalanceLimit; ++b) {
        double expected = 0.0;
        for (const TCell& e : c.Expected)
            if (e.Balance == b && e.State < 0)
                expected = e.Probability;
        ASSERT_DOUBLE_EQ(calc.BalanceProbability(b), expected) << "balance " << b;
    }
    for (const TCell& e : c.Expected)
        if (e.State >= 0) {
            EXPECT_DOUBLE_EQ(calc.Cell(e.State, e.Balance), e.Probability)
                << "state " << e.State << " balance " << e.Balance;
        }
}

std::vector<TStepKernel> Kernels() {
    std::vector<TStepKernel> k{TStepKernel::Reference, TStepKernel::Portable};
    if (TGameCalculator::Avx2Supported())
        k.push_back(TStepKernel::Avx2);
    return k;
}

std::string KernelName(TStepKernel k) {
    switch (k) {
    case TStepKernel::Reference:
        return "Reference";
    case TStepKernel::Portable:
        return "Portable";
    case TStepKernel::Avx2:
        return "Avx2";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Calculator, DistributionTest,
                         ::testing::Combine(::testing::ValuesIn(DistributionCases()), ::testing::ValuesIn(Kernels())),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).Name) + "_" + KernelName(std::get<1>(row.param));
                         });

enum class TErrorKind { Range, Overflow };

struct TErrorCase {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    int32_t Bankroll;
    int FailingRound; // 1: Reset fails
    TErrorKind Kind;
};

std::vector<TErrorCase> ErrorCases() {
    auto badWin = FlatSystem();
    badWin.WinStates[0] = 21;
    auto badLoss = MakeSystem({{1, 1, 1}, {1, 0, 0}});
    badLoss.LossStates[1] = 30;
    return {
        {"LandingBeyond5000", MakeGame({{5001, 1.0}}), FlatSystem(), 0, 1, TErrorKind::Range},
        {"LandingBelowMinus5000", MakeGame({{-1, 1.0}}), MakeSystem({{5001, 0, 0}}), 0, 1, TErrorKind::Range},
        {"ProductOverflowInReset", MakeGame({{1 << 20, 1.0}}), MakeSystem({{1 << 12, 0, 0}}), 0, 1,
         TErrorKind::Overflow},
        {"SuccessorOutOfRangeInReset", CoinGame(), badWin, 0, 1, TErrorKind::Range},
        {"SuccessorOutOfRangeInStep", CoinGame(), badLoss, 0, 2, TErrorKind::Range},
        {"ProductOverflowInStep", MakeGame({{2, 0.5}, {-1, 0.5}}), MakeSystem({{1, 1, 1}, {1 << 30, 0, 0}}), 0, 2,
         TErrorKind::Overflow},
        {"BalanceOverflowInStep", CoinGame(), MakeSystem({{1, 1, 1}, {INT32_MAX, 0, 0}}), 0, 2, TErrorKind::Overflow},
        {"BetBeyondBankrollBy5002", CoinGame(), MakeSystem({{1, 1, 1}, {5007, 0, 0}}), 5, 2, TErrorKind::Range},
    };
}

class ErrorTest : public ::testing::TestWithParam<std::tuple<TErrorCase, TStepKernel>> {};

TEST_P(ErrorTest, RaisesTheRightError) {
    const auto& [c, kernel] = GetParam();
    TGameCalculator calc;
    calc.Kernel = kernel;
    calc.Game = &c.Game;
    calc.BetSystem = &c.System;
    calc.Bankroll = c.Bankroll;
    auto run = [&] {
        calc.Reset();
        for (int r = 1; r < c.FailingRound; ++r)
            calc.Step();
    };
    if (c.Kind == TErrorKind::Range)
        EXPECT_THROW(run(), ERangeError);
    else
        EXPECT_THROW(run(), EOverflowError);
    EXPECT_EQ(calc.RoundCount, c.FailingRound - 1);
}

INSTANTIATE_TEST_SUITE_P(Calculator, ErrorTest,
                         ::testing::Combine(::testing::ValuesIn(ErrorCases()), ::testing::ValuesIn(Kernels())),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).Name) + "_" + KernelName(std::get<1>(row.param));
                         });

TEST(Calculator, BetJustWithinBankrollReachIsAccepted) {
    // 5006 - 5 - 1 = 5000: the bankroll rule looks at balances up to 5000 only.
    const auto game = CoinGame();
    const auto system = MakeSystem({{1, 1, 1}, {5006, 0, 0}});
    TGameCalculator calc;
    calc.Game = &game;
    calc.BetSystem = &system;
    calc.Bankroll = 5;
    calc.Reset();
    EXPECT_NO_THROW(calc.Step());
}

TEST(Calculator, ProbabilityQueriesCheckTheBalance) {
    const auto game = CoinGame();
    const auto system = FlatSystem();
    TGameCalculator calc;
    calc.Game = &game;
    calc.BetSystem = &system;
    calc.Reset();
    EXPECT_THROW(calc.BalanceProbability(5001), ERangeError);
    EXPECT_THROW(calc.BalanceProbability(-5001), ERangeError);
    EXPECT_THROW(calc.TakeBalanceProbability(5001), ERangeError);
    EXPECT_THROW(calc.TakeBalanceProbability(-5001), ERangeError);
    EXPECT_THROW(calc.Cell(21, 0), ERangeError);
    EXPECT_NO_THROW(calc.BalanceProbability(5000));
    EXPECT_NO_THROW(calc.BalanceProbability(-5000));
}

TEST(Calculator, TakenProbabilityNeverComesBack) {
    const auto game = CoinGame();
    const auto system = FlatSystem();
    for (TStepKernel kernel : Kernels()) {
        TGameCalculator calc;
        calc.Kernel = kernel;
        calc.Game = &game;
        calc.BetSystem = &system;
        calc.Reset();
        EXPECT_EQ(calc.TakeBalanceProbability(1), 0.5);
        EXPECT_EQ(calc.BalanceProbability(1), 0.0);
        calc.Step();
        EXPECT_EQ(calc.BalanceProbability(2), 0.0);
        EXPECT_EQ(calc.BalanceProbability(0), 0.25);
        EXPECT_EQ(calc.BalanceProbability(-2), 0.25);
    }
}

TEST(Calculator, ResetStartsOverAndCountsRounds) {
    const auto game = CoinGame();
    const auto system = FlatSystem();
    TGameCalculator calc;
    calc.Game = &game;
    calc.BetSystem = &system;
    calc.ShowAll = true;
    calc.Reset();
    EXPECT_FALSE(calc.ShowAll);
    for (int i = 0; i < 99; ++i)
        calc.Step();
    EXPECT_EQ(calc.RoundCount, 100);
    calc.Reset();
    EXPECT_EQ(calc.RoundCount, 1);
    EXPECT_EQ(calc.MinBalance, -1);
    EXPECT_EQ(calc.MaxBalance, 1);
    EXPECT_EQ(calc.BalanceProbability(100), 0.0);
    EXPECT_EQ(calc.BalanceProbability(1), 0.5);
}

// Without bankroll or clamp and with every successor in use, each round multiplies the total by the game's sum.
TEST(Calculator, ProbabilityIsConserved) {
    std::mt19937 rng(20261207);
    for (int trial = 0; trial < 20; ++trial) {
        TGameDescription game;
        game.OutcomeCount = std::uniform_int_distribution<int>(1, 32)(rng);
        double sum = 0.0;
        for (int o = 0; o < game.OutcomeCount; ++o) {
            game.OutcomeResults[o] = std::uniform_int_distribution<int>(-5, 5)(rng);
            game.OutcomeProbabilities[o] = std::uniform_real_distribution<double>(0.0, 0.2)(rng);
            sum += game.OutcomeProbabilities[o];
        }
        TBetDescription system;
        system.StateCount = std::uniform_int_distribution<int>(1, 21)(rng);
        for (int s = 0; s < system.StateCount; ++s) {
            system.Bets[s] = std::uniform_int_distribution<int>(-3, 3)(rng);
            system.WinStates[s] = std::uniform_int_distribution<int>(0, system.StateCount - 1)(rng);
            system.LossStates[s] = std::uniform_int_distribution<int>(0, system.StateCount - 1)(rng);
        }
        for (TStepKernel kernel : Kernels()) {
            TGameCalculator calc;
            calc.Kernel = kernel;
            calc.Game = &game;
            calc.BetSystem = &system;
            calc.Reset();
            for (int round = 1; round <= 30; ++round) {
                if (round > 1)
                    calc.Step();
                double total = 0.0;
                for (int b = calc.MinBalance; b <= calc.MaxBalance; ++b)
                    total += calc.BalanceProbability(b);
                const double expected = std::pow(sum, round);
                ASSERT_NEAR(total, expected, 1e-12 * std::max(1.0, expected))
                    << "trial " << trial << " round " << round << " kernel " << KernelName(kernel);
            }
        }
    }
}

} // namespace
} // namespace wl
