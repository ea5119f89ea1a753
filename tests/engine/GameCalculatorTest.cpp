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
        // Moves beyond 32 bits still pile up at the bounds.
        {"ProductBeyond32BitsClamps",
         MakeGame({{2, 0.5}, {-1, 0.5}}),
         MakeSystem({{1, 1, 1}, {1 << 30, 0, 0}}),
         0,
         2,
         {{-5000, 0.5}, {5000, 0.5}},
         -5000,
         5000},
        {"BalanceBeyond32BitsClamps",
         CoinGame(),
         MakeSystem({{1, 1, 1}, {INT32_MAX, 0, 0}}),
         0,
         2,
         {{-5000, 0.5}, {5000, 0.5}},
         -5000,
         5000},
        // A bet far beyond the bankroll only sends the player back to state 0.
        {"BetFarBeyondBankroll",
         CoinGame(),
         MakeSystem({{1, 0, 1}, {6000, 0, 0}}),
         100,
         2,
         {{-2, 0.25}, {0, 0.5}, {2, 0.25}},
         -2,
         2},
        {"LowestBetWithBankroll", MakeGame({{0, 1.0}}), MakeSystem({{INT32_MIN, 0, 0}}), 50, 3, {{0, 1.0}}, 0, 0},
        {"LowestBetInSecondState",
         MakeGame({{0, 1.0}}),
         MakeSystem({{1, 1, 1}, {INT32_MIN, 0, 0}}),
         50,
         3,
         {{0, 1.0, 1}, {0, 1.0}},
         0,
         0},
        {"EmptyGameLowestBet", MakeGame({}), MakeSystem({{INT32_MIN, 0, 0}}), 50, 3, {}, 0, 0},
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
    // Fixed bounds, as a risk chart sets them: moves past them pile up there.
    calc.LowBound = TGameCalculator::MinBalanceLimit;
    calc.HighBound = TGameCalculator::MaxBalanceLimit;
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

struct TErrorCase {
    const char* Name;
    TGameDescription Game;
    TBetDescription System;
    const char* Message; // a part of the message that names the cause
};

std::vector<TErrorCase> ErrorCases() {
    auto named = [](TBetDescription system) {
        system.Name = QStringLiteral("Sys");
        return system;
    };
    auto badWin = named(FlatSystem());
    badWin.WinStates[0] = 21;
    auto badLoss = named(MakeSystem({{1, 1, 1}, {1, 0, 0}}));
    badLoss.LossStates[1] = 30;
    auto noStates = named(FlatSystem());
    noStates.StateCount = 0;
    auto negativeCount = named(FlatSystem());
    negativeCount.StateCount = -3;
    return {
        {"SuccessorBeyond20", CoinGame(), badWin, "\"Sys\": state 0 goes to state 21"},
        {"SuccessorOfLaterState", CoinGame(), badLoss, "\"Sys\": state 1 goes to state 30"},
        {"SuccessorBeyondCount", CoinGame(), named(MakeSystem({{1, 0, 1}, {1, 5, 0}})),
         "\"Sys\": state 1 goes to state 5"},
        {"NoStates", CoinGame(), noStates, "\"Sys\" has no states"},
        {"NegativeStateCount", CoinGame(), negativeCount, "\"Sys\" has no states"},
    };
}

class ErrorTest : public ::testing::TestWithParam<TErrorCase> {};

// The user's game or system, not a fault of the program: a plain message, not the error report.
TEST_P(ErrorTest, ResetRaisesARangeErrorNamingTheCause) {
    const TErrorCase& c = GetParam();
    TGameCalculator calc;
    calc.Game = &c.Game;
    calc.BetSystem = &c.System;
    try {
        calc.Reset();
        FAIL() << "no error";
    } catch (const ERangeError& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.Message))) << e.what();
        EXPECT_TRUE(e.IsUserError()) << e.what();
    }
    EXPECT_EQ(calc.RoundCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Calculator, ErrorTest, ::testing::ValuesIn(ErrorCases()),
                         [](const auto& row) { return std::string(row.param.Name); });

// A system changed after Reset is refused by every kernel, not read beyond its states.
TEST(Calculator, StepRefusesASuccessorBeyondTheStates) {
    const auto game = CoinGame();
    for (TStepKernel kernel : Kernels()) {
        auto system = MakeSystem({{1, 0, 1}, {2, 0, 0}});
        TGameCalculator calc;
        calc.Kernel = kernel;
        calc.Game = &game;
        calc.BetSystem = &system;
        calc.Reset();
        system.WinStates[1] = 2;
        EXPECT_THROW(calc.Step(), ERangeError) << KernelName(kernel);
    }
}

TEST(Calculator, ProbabilityQueriesCheckTheBalance) {
    const auto game = CoinGame();
    const auto system = FlatSystem();
    TGameCalculator calc;
    calc.Game = &game;
    calc.BetSystem = &system;
    // Before the first Reset there are no rows: every cell reads 0.
    EXPECT_EQ(calc.Cell(0, 0) + calc.BalanceProbability(0) + calc.TakeBalanceProbability(-5000), 0.0);
    EXPECT_THROW(calc.Cell(0, 5001), ERangeError);
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
