// Tests of the shipped games and systems: the files are the generator's, and every game and system is sound.
#include "ShippedData.h"

#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "support/AtomicFile.h"
#include "support/IniStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace wl {
namespace {

const QString DataFolder = QStringLiteral(WL_SOURCE_DATA_DIR);

QByteArray ReadBytes(const QString& path) {
    QByteArray bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes)) << path.toStdString();
    return bytes;
}

// A copy of the shipped files, so that no test writes into the source tree.
class ShippedDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"games.ini", "bets.ini"})
            ASSERT_TRUE(QFile::copy(DataFolder + QLatin1Char('/') + QLatin1String(name),
                                    Copy.path() + QLatin1Char('/') + QLatin1String(name)));
    }
    QTemporaryDir Copy;
};

TEST(Baccarat, EightDeckCountsAreTheStandardOnes) {
    const TBaccaratCounts counts = CountBaccarat(8);
    EXPECT_EQ(counts.Total(), 416ULL * 415 * 414 * 413 * 412 * 411);
    EXPECT_EQ(counts.Banker, 2292252566437888ULL);
    EXPECT_EQ(counts.Player, 2230518282592256ULL);
    EXPECT_EQ(counts.Tie, 475627426473216ULL);
}

TEST_F(ShippedDataTest, FilesAreExactlyWhatTheGeneratorWrites) {
    QTemporaryDir fresh;
    WriteShippedData(fresh.path());
    for (const char* name : {"games.ini", "bets.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(DataFolder + QLatin1Char('/') + QLatin1String(name)),
                  ReadBytes(fresh.path() + QLatin1Char('/') + QLatin1String(name)))
            << "run wl_generate_shipped_data data";
    }
}

TEST_F(ShippedDataTest, FilesSurviveALoadAndSaveByteForByte) {
    {
        TStorage storage(Copy.path());
        EXPECT_TRUE(storage.Games->KeptSectionNames().isEmpty());
        EXPECT_TRUE(storage.Systems->KeptSectionNames().isEmpty());
        storage.Games->Modified = true;
        storage.Systems->Modified = true;
        storage.Save();
    }
    for (const char* name : {"games.ini", "bets.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(DataFolder + QLatin1Char('/') + QLatin1String(name)),
                  ReadBytes(Copy.path() + QLatin1Char('/') + QLatin1String(name)));
    }
}

TEST_F(ShippedDataTest, EveryGameIsAProperDistribution) {
    const TStorage storage(Copy.path());
    const TGameList& games = *storage.Games;
    ASSERT_GE(games.Count(), 10);
    for (int i = 0; i < games.Count(); ++i) {
        const TGameDescription& game = *games.Item(i);
        SCOPED_TRACE(game.Name.toStdString());
        ASSERT_GE(game.OutcomeCount, 2);
        EXPECT_NEAR(game.ProbabilitySum(), 1.0, 1e-12);
        for (int k = 0; k < game.OutcomeCount; ++k)
            EXPECT_GT(game.Probability(k), 0.0);
        EXPECT_GT(game.LossProbability(), 0.0) << "a game without a loss has no risk to chart";
    }
}

TEST_F(ShippedDataTest, GamesHaveTheirKnownExpectation) {
    const TStorage storage(Copy.path());
    struct Row {
        const char* Name;
        double ExpectedResult; // per risk unit
        double Tolerance;
    };
    const Row rows[] = {
        {"Coin toss - fair coin", 0.0, 1e-15},
        {"European roulette - red/black", -1.0 / 37, 1e-15},
        {"European roulette - dozen", -1.0 / 37, 1e-15},
        {"European roulette - single number", -1.0 / 37, 1e-15},
        {"American roulette - red/black", -2.0 / 38, 1e-15},
        {"American roulette - single number", -2.0 / 38, 1e-15},
        {"Craps - pass line", -7.0 / 495, 1e-15},
        {"Craps - don't pass, bar 12", -27.0 / 1980, 1e-15},
        {"Craps - field, 2 pays double, 12 pays triple", -1.0 / 36, 1e-15},
        // House edges as published for eight decks: 1.24 %, 1.06 %, 14.36 %.
        {"Baccarat - player", -0.012351, 5e-7},
        {"Baccarat - banker, commission 1/20 (a bet is 20 units)", -0.010579, 5e-7},
        {"Baccarat - tie, pays 8 to 1", -0.143596, 5e-7},
        {"Chuck-a-luck - one number", -17.0 / 216, 1e-15},
        {"Dice duel - higher die wins, a tie is a push", 0.0, 1e-15},
        // Paid for 1 of the C(80, 8) = 28,987,537,150 tickets: 2,362,591,575 with 4 hits, 530,546,880 with 5,
        // 68,605,200 with 6, 4,651,200 with 7, 125,970 with 8.
        {"Keno - 8 spots, top award 8000 for 1", 21248634135.0 / 28987537150 - 1, 1e-14},
        // Of the C(49, 6) = 13,983,816 draws: 246,820 give 3 right, 13,545 give 4, 258 give 5, one gives 6.
        {"Lottery - 6 of 49, jackpot 1000000 for 1", 7402700.0 / 13983816 - 1, 1e-14},
    };
    const TGameList& games = *storage.Games;
    EXPECT_EQ(games.Count(), static_cast<int>(std::size(rows)));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        const QStringList names = games.NameList();
        const int index = static_cast<int>(names.indexOf(QString::fromUtf8(row.Name)));
        ASSERT_GE(index, 0) << "not shipped";
        EXPECT_NEAR(games.Item(index)->ExpectedResult(), row.ExpectedResult, row.Tolerance);
    }
}

TEST_F(ShippedDataTest, EverySystemIsClosedAndPrunedAlready) {
    const TStorage storage(Copy.path());
    const TBetList& systems = *storage.Systems;
    ASSERT_GE(systems.Count(), 8);
    for (int i = 0; i < systems.Count(); ++i) {
        const TBetDescription& system = *systems.Item(i);
        SCOPED_TRACE(system.Name.toStdString());
        ASSERT_GE(system.StateCount, 1);
        ASSERT_LE(system.StateCount, TBetDescription::MaxStates);
        for (int s = 0; s < system.StateCount; ++s) {
            EXPECT_GT(system.Bet(s), 0);
            EXPECT_GE(system.WinState(s), 0);
            EXPECT_LT(system.WinState(s), system.StateCount);
            EXPECT_GE(system.LossState(s), 0);
            EXPECT_LT(system.LossState(s), system.StateCount);
        }
        TBetDescription pruned;
        pruned.Assign(system); // Assign prunes
        EXPECT_EQ(pruned.StateCount, system.StateCount);
        for (int s = 0; s < system.StateCount; ++s) {
            EXPECT_EQ(pruned.Bet(s), system.Bet(s));
            EXPECT_EQ(pruned.WinState(s), system.WinState(s));
            EXPECT_EQ(pruned.LossState(s), system.LossState(s));
        }
    }
}

TEST_F(ShippedDataTest, MartingalesDoubleAndStartOverAfterAWinOrTheLastLoss) {
    const TStorage storage(Copy.path());
    for (const int doublings : {5, 7, 10}) {
        const QString name = QStringLiteral("Martingale, %1 doublings").arg(doublings);
        SCOPED_TRACE(name.toStdString());
        const int index = static_cast<int>(storage.Systems->NameList().indexOf(name));
        ASSERT_GE(index, 0);
        const TBetDescription& system = *storage.Systems->Item(index);
        ASSERT_EQ(system.StateCount, doublings + 1);
        for (int s = 0; s <= doublings; ++s) {
            EXPECT_EQ(system.Bet(s), 1 << s);
            EXPECT_EQ(system.WinState(s), 0);
            EXPECT_EQ(system.LossState(s), s < doublings ? s + 1 : 0);
        }
    }
}

// A first start opens with the store shipped beside the program; its series are found by list position.
TEST_F(ShippedDataTest, FirstStartStateNamesTheIntendedSeries) {
    TIniStore state;
    ASSERT_TRUE(state.LoadFromFile(DataFolder + QStringLiteral("/wagerlens.ini")));
    TStorage storage(Copy.path());
    const QStringList systems{QStringLiteral("Martingale, 7 doublings"), QStringLiteral("Fibonacci, 8 steps"),
                              QStringLiteral("Flat bet, 1 unit")};
    ASSERT_EQ(state.ReadInteger(QStringLiteral("Series"), QStringLiteral("Count")), systems.size());
    for (int i = 0; i < systems.size(); ++i) {
        SCOPED_TRACE(i);
        const int game = state.ReadInteger(QStringLiteral("Series"), QStringLiteral("Game") + QString::number(i), -1);
        const int bet = state.ReadInteger(QStringLiteral("Series"), QStringLiteral("Bet") + QString::number(i), -1);
        ASSERT_TRUE(game >= 0 && game < storage.Games->Count());
        ASSERT_TRUE(bet >= 0 && bet < storage.Systems->Count());
        EXPECT_EQ(storage.Games->ItemName(game), QStringLiteral("European roulette - red/black"));
        EXPECT_EQ(storage.Systems->ItemName(bet), systems[i]);
    }
}

} // namespace
} // namespace wl
