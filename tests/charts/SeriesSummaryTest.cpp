// The summary's figures against closed forms and against an independent recursion.
#include "charts/SeriesSummary.h"

#include "ChartTestSupport.h"
#include "model/GameList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace wl::test {
namespace {

TSummaryParams Horizon(int rounds, int bankroll = 0) {
    TSummaryParams p;
    p.Rounds = rounds;
    p.Bankroll = bankroll;
    return p;
}

TSummaryParams Session(int bankroll, int target) {
    TSummaryParams p;
    p.Rounds = 3000;
    p.Session = true;
    p.Bankroll = bankroll;
    p.Target = target;
    p.Limits = {-std::max(bankroll, 5000), std::max(target - bankroll, 5000)};
    p.StateReach = false;
    return p;
}

void ExpectRelative(double expected, double actual, double tolerance = 1e-12) {
    EXPECT_NEAR(actual, expected, tolerance * std::max(1.0, std::fabs(expected)));
}

// The classical ruin problem of a +-1 game with win chance p, starting at z and stopping at 0 or a: Feller, An
// Introduction to Probability Theory and Its Applications, vol. 1, 3rd ed., ch. XIV, (2.4) for the ruin
// probability and (3.4) for the expected duration; the expected gain is a(1 - ruin) - z.
struct TRuinCase {
    const char* Name;
    double P;
    int Z, A;
};

class GamblersRuin : public ::testing::TestWithParam<TRuinCase> {};

TEST_P(GamblersRuin, RuinDurationAndGainUntilAbsorption) {
    const TRuinCase c = GetParam();
    const double p = c.P, q = 1.0 - c.P;
    double ruin, duration;
    if (p == q) {
        ruin = 1.0 - static_cast<double>(c.Z) / c.A;
        duration = static_cast<double>(c.Z) * (c.A - c.Z);
    } else {
        const double rho = q / p;
        ruin = (std::pow(rho, c.A) - std::pow(rho, c.Z)) / (std::pow(rho, c.A) - 1.0);
        duration = c.Z / (q - p) - (c.A / (q - p)) * (1.0 - std::pow(rho, c.Z)) / (1.0 - std::pow(rho, c.A));
    }
    const TGameDescription game = MakeGame(QStringLiteral("pm1"), {{1, p}, {-1, q}});
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(game, FlatSystem(), Session(c.Z, c.A));
    ASSERT_TRUE(s && s->Session);
    const TSessionFigures& f = *s->Session;
    ASSERT_TRUE(f.Ended);
    ExpectRelative(ruin, *f.Ruin, 1e-11);
    ExpectRelative(1.0 - ruin, *f.Success, 1e-11);
    ExpectRelative(duration, *f.Duration, 1e-11);
    ExpectRelative(c.A * (1.0 - ruin) - c.Z, *f.EndResult, 1e-11);
    EXPECT_EQ(s->LimitRound, 0);
}

INSTANTIATE_TEST_SUITE_P(Feller, GamblersRuin,
                         ::testing::Values(TRuinCase{"RouletteLike", 18.0 / 37.0, 10, 20},
                                           TRuinCase{"FairCoin", 0.5, 5, 12}, TRuinCase{"Favourable", 0.6, 3, 10},
                                           TRuinCase{"LongSession", 0.49, 40, 100}),
                         [](const auto& row) { return row.param.Name; });

// Systems whose bets straddle the bankroll and the target: a player who has ended places no bet, one who cannot
// pay his state's bet places state 0's. Every staked unit then loses the house edge, and the rounds played within
// a horizon that outlasts the session are its expected duration.
struct TStraddleCase {
    const char* Name;
    std::vector<int> Bets, Win, Loss; // bets and successors by state
    int Result;                       // the game's win; its loss is -1
    double WinChance;
    int Bankroll, Target;
};

void PrintTo(const TStraddleCase& c, std::ostream* os) {
    *os << c.Name;
}

class StraddlingSession : public ::testing::TestWithParam<TStraddleCase> {};

TEST_P(StraddlingSession, ResultPerStakedIsMinusTheHouseEdge) {
    const TStraddleCase& c = GetParam();
    const TGameDescription game = MakeGame(QStringLiteral("g"), {{c.Result, c.WinChance}, {-1, 1.0 - c.WinChance}});
    TBetDescription system;
    system.Name = QStringLiteral("s");
    for (size_t i = 0; i < c.Bets.size(); ++i) {
        system.SetBet(static_cast<int>(i), c.Bets[i]);
        system.SetWinState(static_cast<int>(i), c.Win[i]);
        system.SetLossState(static_cast<int>(i), c.Loss[i]);
    }
    system.StateCount = static_cast<int>(c.Bets.size());
    TSummaryParams p = Session(c.Bankroll, c.Target);
    p.StateReach = true;
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(game, system, p);
    ASSERT_TRUE(s && s->Session && s->Session->Ended);
    ASSERT_EQ(s->LimitShare, 0.0);
    ExpectRelative(-s->Game.HouseEdge, s->Horizon.ResultPerStaked, 1e-11);
    ExpectRelative(*s->Session->Duration, *s->Horizon.RoundsPlayed, 1e-11);
    ExpectRelative(*s->Session->EndResult, s->Horizon.Mean, 1e-11);
    double rounds = 0.0;
    for (const TStateFigures& f : s->States) {
        rounds += f.Rounds;
        EXPECT_LE(*f.Reach, 1.0);
    }
    ExpectRelative(*s->Horizon.RoundsPlayed, rounds, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Bankroll, StraddlingSession,
    ::testing::Values(
        TStraddleCase{"OneThreeTwoSixToTheTarget", {1, 3, 2, 6}, {1, 2, 3, 0}, {0, 0, 0, 0}, 1, 18.0 / 37.0, 1, 2},
        TStraddleCase{"OneThreeTwoSixWider", {1, 3, 2, 6}, {1, 2, 3, 0}, {0, 0, 0, 0}, 1, 18.0 / 37.0, 2, 5},
        TStraddleCase{"MartingalePastTheBankroll", {1, 2, 4, 8, 16}, {0, 0, 0, 0, 0}, {1, 2, 3, 4, 0}, 1, 0.49, 5, 9},
        TStraddleCase{"FirstBetAboveTheMoney", {3, 1}, {0, 0}, {1, 1}, 1, 0.45, 2, 6},
        TStraddleCase{"BetFarBeyondTheRows", {1, 20000}, {1, 0}, {0, 0}, 1, 18.0 / 37.0, 10, 20},
        TStraddleCase{"StraightUpOvershoots", {1, 2}, {1, 0}, {0, 0}, 35, 1.0 / 37.0, 10, 30}),
    [](const auto& row) { return row.param.Name; });

// Without a bankroll the states move whatever the balance: limits that hold probability leave the mean, the
// deviation, the stakes and the states' reach exact, computed from the states' chain; only the balance figures are
// starred.
struct TCutCase {
    const char* Name;
    std::vector<int> Bets;
    int Rounds, Limit;
};

class CutRange : public ::testing::TestWithParam<TCutCase> {};

TEST_P(CutRange, MomentsAndStakesFollowTheStatesChain) {
    const TCutCase& c = GetParam();
    const TGameDescription game = MakeGame(QStringLiteral("red"), {{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    TBetDescription system;
    system.Name = QStringLiteral("s");
    for (size_t i = 0; i < c.Bets.size(); ++i) {
        system.SetBet(static_cast<int>(i), c.Bets[i]);
        system.SetWinState(static_cast<int>(i), 0);
        system.SetLossState(static_cast<int>(i), i + 1 < c.Bets.size() ? static_cast<int>(i) + 1 : 0);
    }
    system.StateCount = static_cast<int>(c.Bets.size());
    TSummaryParams wide = Horizon(c.Rounds);
    TSummaryParams narrow = wide;
    narrow.Limits = {-c.Limit, c.Limit};
    const std::optional<TSeriesSummary> exact = ComputeSeriesSummary(game, system, wide);
    const std::optional<TSeriesSummary> cut = ComputeSeriesSummary(game, system, narrow);
    ASSERT_TRUE(exact && cut);
    ASSERT_EQ(exact->LimitRound, 0);
    ASSERT_GT(cut->LimitRound, 0);
    EXPECT_TRUE(cut->Horizon.MomentsExact);
    ExpectRelative(exact->Horizon.Mean, cut->Horizon.Mean, 1e-10);
    ExpectRelative(exact->Horizon.StdDeviation, cut->Horizon.StdDeviation, 1e-10);
    ExpectRelative(exact->Horizon.Staked, cut->Horizon.Staked, 1e-12);
    ExpectRelative(-cut->Game.HouseEdge, cut->Horizon.ResultPerStaked, 1e-10);
    for (size_t s = 0; s < exact->States.size(); ++s) {
        ExpectRelative(exact->States[s].Rounds, cut->States[s].Rounds, 1e-12);
        ExpectRelative(*exact->States[s].Reach, *cut->States[s].Reach, 1e-12);
    }
    EXPECT_EQ(exact->LargestBet99, cut->LargestBet99);
    EXPECT_TRUE(cut->ReachFromChain);
}

INSTANTIATE_TEST_SUITE_P(Limits, CutRange,
                         ::testing::Values(TCutCase{"Flat", {1}, 400, 10},
                                           TCutCase{"Martingale", {1, 2, 4, 8}, 300, 20},
                                           TCutCase{"Labouchere", {3, 1, 5, 2}, 200, 15}),
                         [](const auto& row) { return row.param.Name; });

// Ruin exactly at a limit is where the ruined player's balance lies: nothing is cut, and the end result is exact.
TEST(SeriesSummary, RuinAtTheLimitItselfIsExact) {
    const std::optional<TSeriesSummary> s =
        ComputeSeriesSummary(CoinGame(), MakeSystem(QStringLiteral("Thousand"), {1000}), Session(5000, 6000));
    ASSERT_TRUE(s && s->Session && s->Session->Ended);
    EXPECT_EQ(s->LimitRound, 0);
    ExpectRelative(5.0 / 6.0, *s->Session->Success);
    ExpectRelative(0.0, *s->Session->EndResult, 1e-9);
}

// A stepped session that outlasts the round limit prints what is still in play, never a figure that looks exact.
TEST(SeriesSummary, SessionBeyondTheRoundLimitGivesNoUnlimitedFigures) {
    TSummaryParams p = Session(50, 100);
    p.Solve = false;
    p.Rounds = 10;
    p.RoundLimit = 100;
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(CoinGame(), FlatSystem(), p);
    ASSERT_TRUE(s && s->Session);
    EXPECT_FALSE(s->Session->Ended);
    EXPECT_EQ(s->Session->RoundsRun, 100);
    EXPECT_GT(s->Session->InPlay, 0.9);
    EXPECT_FALSE(s->Session->Ruin || s->Session->Duration || s->Session->EndResult || s->Session->DurationMedian);
}

// A flat bet after N rounds: the mean and the variance are N times the game's (sums of independent rounds).
struct TFlatCase {
    const char* Name;
    int Result;
    double Win;
    int Rounds;
};

class FlatBet : public ::testing::TestWithParam<TFlatCase> {};

TEST_P(FlatBet, MeanAndVarianceAreNTimesTheGames) {
    const TFlatCase c = GetParam();
    const TGameDescription game = MakeGame(QStringLiteral("g"), {{c.Result, c.Win}, {-1, 1.0 - c.Win}});
    const double mean = c.Result * c.Win - (1.0 - c.Win);
    const double variance = c.Result * c.Result * c.Win + (1.0 - c.Win) - mean * mean;
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(game, FlatSystem(), Horizon(c.Rounds));
    ASSERT_TRUE(s);
    ExpectRelative(-mean, s->Game.HouseEdge);
    ExpectRelative(std::sqrt(variance), s->Game.StdDeviation);
    ExpectRelative(c.Rounds * mean, s->Horizon.Mean, 1e-11);
    ExpectRelative(c.Rounds * variance, s->Horizon.StdDeviation * s->Horizon.StdDeviation, 1e-11);
    ExpectRelative(c.Rounds, s->Horizon.Staked);
    EXPECT_FALSE(s->Horizon.Ruin || s->Horizon.RoundsPlayed); // no bankroll, no ruin
}

INSTANTIATE_TEST_SUITE_P(IndependentRounds, FlatBet,
                         ::testing::Values(TFlatCase{"RedBlack", 1, 18.0 / 37.0, 100},
                                           TFlatCase{"StraightUp", 35, 1.0 / 37.0, 250},
                                           TFlatCase{"FairCoin", 1, 0.5, 1}),
                         [](const auto& row) { return row.param.Name; });

TEST(SeriesSummary, QuantilesAndChancesOfTwoCoinTosses) {
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(CoinGame(), FlatSystem(), Horizon(2));
    ASSERT_TRUE(s);
    const THorizonFigures& h = s->Horizon;
    EXPECT_EQ((std::vector<int>{h.Q05, h.Q25, h.Median, h.Q75, h.Q95}), (std::vector<int>{-2, -2, 0, 0, 2}));
    EXPECT_EQ((std::vector<double>{h.Ahead, h.Even, h.Behind}), (std::vector<double>{0.25, 0.5, 0.25}));
}

// The chance of a run of k losses within n trials, by the recursion over the length of the current run of losses
// (de Moivre's problem of runs; Feller vol. 1, ch. XIII.7).
double RunOfLosses(int k, int n, double loss) {
    std::vector<double> run(static_cast<size_t>(k), 0.0); // no run of k yet, current run of length j
    run[0] = 1.0;
    double done = 0.0;
    for (int t = 0; t < n; ++t) {
        std::vector<double> next(static_cast<size_t>(k), 0.0);
        for (int j = 0; j < k; ++j) {
            next[0] += run[static_cast<size_t>(j)] * (1.0 - loss);
            if (j + 1 == k)
                done += run[static_cast<size_t>(j)] * loss;
            else
                next[static_cast<size_t>(j + 1)] += run[static_cast<size_t>(j)] * loss;
        }
        run = next;
    }
    return done;
}

// A martingale's state k bets after k losses in a row: reaching it by round n is a run of k losses within the
// first n - 1 rounds. The largest bet placed with 99 % probability follows from the same runs.
TEST(SeriesSummary, MartingaleStatesAreReachedByRunsOfLosses) {
    const TGameDescription game = MakeGame(QStringLiteral("red"), {{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    const TBetDescription system = MakeSystem(QStringLiteral("M6"), {1, 2, 4, 8, 16, 32, 64});
    const int n = 200;
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(game, system, Horizon(n));
    ASSERT_TRUE(s);
    double rounds = 0.0;
    int expectedLargest = 0;
    for (int k = 0; k < 7; ++k) {
        const double chance = k == 0 ? 1.0 : RunOfLosses(k, n - 1, 19.0 / 37.0);
        ExpectRelative(chance, *s->States[static_cast<size_t>(k)].Reach, 1e-11);
        rounds += s->States[static_cast<size_t>(k)].Rounds;
        if (expectedLargest == 0 && (k == 6 || RunOfLosses(k + 1, n - 1, 19.0 / 37.0) <= 0.01))
            expectedLargest = 1 << k;
    }
    ExpectRelative(n, rounds);
    EXPECT_EQ(s->LargestBet99, expectedLargest);
    // Every round's expected result is its bet times the game's: per unit staked, any system gives -house edge.
    ExpectRelative(-s->Game.HouseEdge, s->Horizon.ResultPerStaked, 1e-11);
}

// A state whose bet no money in play can pay bets state 0's bet: however far beyond the money its own bet lies, the
// figures are those of the same system with a bet just beyond it.
TEST(SeriesSummary, ABetBeyondAllMoneyInPlayFallsBackWhateverItsSize) {
    const struct {
        const char* Name;
        int32_t Bet;
    } rows[] = {{"just beyond the target", 200},
                {"past the row", 5000},
                {"far past the row", 65536},
                {"near the 32-bit limit", 1 << 30}};
    const TGameDescription game = CoinGame();
    const auto summaryWith = [&game](int32_t bet) {
        return ComputeSeriesSummary(game, MakeSystem(QStringLiteral("M"), {1, 2, 4, bet}), Session(100, 200));
    };
    const std::optional<TSeriesSummary> reference = summaryWith(200);
    ASSERT_TRUE(reference);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::optional<TSeriesSummary> s = summaryWith(row.Bet);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->Horizon.Staked, reference->Horizon.Staked);
        for (size_t k = 0; k < s->States.size(); ++k)
            EXPECT_EQ(s->States[k].Rounds, reference->States[k].Rounds) << "state " << k;
    }
}

TEST(SeriesSummary, ACertainReachIsAtMostOne) {
    const TGameDescription game = MakeGame(QStringLiteral("red"), {{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    const TBetDescription system = MakeSystem(QStringLiteral("M10"), {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024});
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(game, system, Horizon(1000));
    ASSERT_TRUE(s);
    for (const auto& state : s->States)
        EXPECT_LE(*state.Reach, 1.0);
}

// Every shipped game per unit bet as the game editor shows it, also where a bet stakes more than one unit of its
// results (a banker bet stakes 20 and wins 19): the stake is the largest loss. A martingale over them loses the
// house edge per unit staked.
TEST(SeriesSummary, ShippedGamesPerUnitBetAsTheEditorShowsThem) {
    TGameList games(QStringLiteral(WL_SOURCE_DATA_DIR));
    games.Load();
    ASSERT_GE(games.Count(), 10);
    TSummaryParams p = Horizon(12);
    p.StateReach = false;
    for (int i = 0; i < games.Count(); ++i) {
        const TGameDescription& game = *games.Item(i);
        SCOPED_TRACE(game.Name.toStdString());
        double stake = 1.0, mean = 0.0, squares = 0.0;
        for (int o = 0; o < game.OutcomeCount; ++o)
            stake = std::max(stake, -static_cast<double>(game.Result(o)));
        for (int o = 0; o < game.OutcomeCount; ++o) {
            mean += game.Probability(o) * game.Result(o) / stake;
            squares += game.Probability(o) * game.Result(o) * game.Result(o) / (stake * stake);
        }
        const std::optional<TSeriesSummary> s =
            ComputeSeriesSummary(game, MakeSystem(QStringLiteral("M3"), {1, 2, 4, 8}), p);
        ASSERT_TRUE(s);
        ExpectRelative(-mean, s->Game.HouseEdge);
        ExpectRelative(-game.Info(1), s->Game.HouseEdge);
        ExpectRelative(std::sqrt(squares - mean * mean), s->Game.StdDeviation, 1e-11);
        ExpectRelative(game.Info(2), s->Game.StdDeviation);
        // Unless the budget stopped the range (a jackpot at the top bet), where the figures are starred.
        if (s->LimitShare == 0.0)
            ExpectRelative(-s->Game.HouseEdge, s->Horizon.ResultPerStaked, 1e-11);
    }
}

TEST(SeriesSummary, BankrollCountsRuinAndRoundsPlayed) {
    // Coin, flat, bankroll 1, 3 rounds: ruined after round 1 (1/2) or round 3 (1/8): played 1 + 1/2 + 1/2.
    const std::optional<TSeriesSummary> s = ComputeSeriesSummary(CoinGame(), FlatSystem(), Horizon(3, 1));
    ASSERT_TRUE(s && s->Horizon.Ruin && s->Horizon.RoundsPlayed);
    EXPECT_DOUBLE_EQ(*s->Horizon.Ruin, 0.625);
    EXPECT_DOUBLE_EQ(*s->Horizon.RoundsPlayed, 2.0);
    EXPECT_DOUBLE_EQ(s->Horizon.Staked, 2.0);
}

// Wins that leave play past the farthest balance followed still move the states: a loss within the first 299 of 300
// rounds reaches state 1 (1 - 2^-299, which is 1), and the figure is not starred.
TEST(SeriesSummary, StatesReachedByPlayersWhoLeftTheBalancesFollowed) {
    const TGameDescription far = MakeGame(QStringLiteral("Far"), {{2000000000, 0.5}, {-1, 0.5}});
    const TBetDescription system = MakeSystem(QStringLiteral("M1"), {1, 2});
    TControllerFixture f;
    f.Controller->SelectChartKind(0);
    f.Controller->CurrentKind().SetParam(1, 300);
    f.Controller->AddSeries(far, system);
    f.Controller->SetSummaryWanted(true);
    f.Compute();
    const TSeriesSummary* shown = f.Controller->SeriesSummary(0);
    ASSERT_TRUE(shown);
    EXPECT_GT(shown->LimitRound, 0) << "the wins left play";
    EXPECT_EQ(*shown->States[1].Reach, 1.0);
    EXPECT_TRUE(shown->ReachFromChain);
}

// The window's summary comes from the chart's own pass: it must equal a run of its own, for each family of kinds
// (a risk kind takes the ended players between the summary's look and the next round).
TEST(SeriesSummary, TheCalculationThreadCollectsWhatARunOfItsOwnGives) {
    const TGameDescription game = MakeGame(QStringLiteral("red"), {{1, 18.0 / 37.0}, {-1, 19.0 / 37.0}});
    const TBetDescription system = MakeSystem(QStringLiteral("M3"), {1, 2, 4, 8});
    for (const int kindIndex : {0, 6}) { // the progress kinds collect as the net results do
        TControllerFixture f;
        f.Controller->SelectChartKind(kindIndex);
        f.Controller->CurrentKind().SetParam(0, 20);
        f.Controller->CurrentKind().SetParam(1, kindIndex == 0 ? 300 : 40);
        f.Controller->AddSeries(game, system);
        f.Controller->SetSummaryWanted(true);
        // The run of its own follows every balance; so must the chart's, for the bits to agree.
        f.Controller->SetTolerance(0.0);
        f.Compute();
        const TSeriesSummary* shown = f.Controller->SeriesSummary(0);
        const std::optional<TSeriesSummary> own =
            ComputeSeriesSummary(game, system, SummaryParamsOf(f.Controller->CurrentKind()));
        ASSERT_TRUE(shown && own) << kindIndex;
        EXPECT_EQ(shown->Horizon.Rounds, own->Horizon.Rounds);
        EXPECT_DOUBLE_EQ(shown->Horizon.Mean, own->Horizon.Mean) << kindIndex;
        EXPECT_DOUBLE_EQ(shown->Horizon.Staked, own->Horizon.Staked) << kindIndex;
        EXPECT_DOUBLE_EQ(*shown->States[3].Reach, *own->States[3].Reach) << kindIndex;
        EXPECT_EQ(shown->Session.has_value(), kindIndex == 6);
        if (kindIndex == 6) {
            EXPECT_DOUBLE_EQ(*shown->Session->Duration, *own->Session->Duration);
            // The chart's line ends at the summary's value within 3000 rounds.
            EXPECT_NEAR(f.Chart.Line(0).Points().back().Y, 100.0 * shown->Session->ChartRuin, 1e-9);
        }
    }
}

} // namespace
} // namespace wl::test

namespace wl::test {
namespace {

// Probability that leaves past a far edge lies beyond it: each quantile and chance is exact where that cannot move it,
// and otherwise only the bound that holds is given. Bounds, one letter a figure (Q05, Q25, median, Q75, Q95, ahead,
// even, behind): E exact, L at least, M at most, N none.
struct TBeyondCase {
    const char* Name;
    std::vector<std::pair<int, double>> Outcomes;
    int Rounds;
    const char* Bounds;
};

class BeyondTheEdges : public ::testing::TestWithParam<TBeyondCase> {};

char Letter(TBound b) {
    return b == TBound::Exact ? 'E' : b == TBound::AtLeast ? 'L' : b == TBound::AtMost ? 'M' : 'N';
}

TEST_P(BeyondTheEdges, QuantilesAndChancesAreExactOrBoundsThatHold) {
    const TBeyondCase& c = GetParam();
    TGameDescription game;
    game.Name = QStringLiteral("far");
    for (size_t i = 0; i < c.Outcomes.size(); ++i) {
        game.SetResult(static_cast<int>(i), c.Outcomes[i].first);
        game.SetProbability(static_cast<int>(i), c.Outcomes[i].second);
    }
    game.OutcomeCount = static_cast<int>(c.Outcomes.size());
    TSummaryParams wide = Horizon(c.Rounds);
    wide.StateReach = false;
    TSummaryParams cut = wide;
    cut.Limits = {-20000, 20000};
    const std::optional<TSeriesSummary> exact = ComputeSeriesSummary(game, FlatSystem(), wide);
    const std::optional<TSeriesSummary> edged = ComputeSeriesSummary(game, FlatSystem(), cut);
    ASSERT_TRUE(exact && edged);
    const THorizonFigures& e = exact->Horizon;
    const THorizonFigures& h = edged->Horizon;
    const TBound bounds[8] = {h.QuantileBounds[0], h.QuantileBounds[1], h.QuantileBounds[2], h.QuantileBounds[3],
                              h.QuantileBounds[4], h.AheadBound,        h.EvenBound,         h.BehindBound};
    std::string letters;
    for (TBound b : bounds)
        letters += Letter(b);
    EXPECT_EQ(letters, c.Bounds);
    const double truth[8] = {double(e.Q05), double(e.Q25), double(e.Median), double(e.Q75),
                             double(e.Q95), e.Ahead,       e.Even,           e.Behind};
    const double shown[8] = {double(h.Q05), double(h.Q25), double(h.Median), double(h.Q75),
                             double(h.Q95), h.Ahead,       h.Even,           h.Behind};
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        if (bounds[k] == TBound::Exact) {
            ExpectRelative(truth[k], shown[k]);
        } else if (bounds[k] == TBound::AtLeast) {
            EXPECT_LE(shown[k], truth[k] + 1e-12);
        } else if (bounds[k] == TBound::AtMost) {
            EXPECT_GE(shown[k] + 1e-12, truth[k]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, BeyondTheEdges,
                         ::testing::Values(TBeyondCase{"NothingLeaves", {{1, 0.5}, {-1, 0.5}}, 5, "EEEEEEEE"},
                                           TBeyondCase{"WinsLeaveAbove", {{50000, 0.3}, {-1, 0.7}}, 3, "EELLLEEE"},
                                           TBeyondCase{"LossesLeaveBelow", {{-50000, 0.3}, {1, 0.7}}, 3, "MMMEEEEE"},
                                           TBeyondCase{"BothWaysAndBack",
                                                       {{50000, 0.2}, {-50000, 0.2}, {1, 0.3}, {-1, 0.3}},
                                                       2,
                                                       "MMNLLLLL"}),
                         [](const auto& row) { return row.param.Name; });

} // namespace
} // namespace wl::test
