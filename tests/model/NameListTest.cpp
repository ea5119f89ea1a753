// The sorted owning lists: order, re-keying, loading and saving their files, and name checks.
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/NameValidation.h"
#include "support/AtomicFile.h"
#include "support/Exception.h"
#include "support/IniStore.h"
#include "support/TextSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace wl {
namespace {

const QString DataDir = QStringLiteral(WL_TEST_DATA_DIR);

QByteArray ReadBytes(const QString& path) {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(path, data)) << path.toStdString();
    return data;
}

void CopyFixture(const QString& fixture, const QString& target) {
    ASSERT_TRUE(QFile::copy(DataDir + QLatin1Char('/') + fixture, target)) << fixture.toStdString();
}

std::unique_ptr<TGameDescription> NewGame(const char* name, int outcomes = 0) {
    auto game = std::make_unique<TGameDescription>();
    game->Name = QString::fromUtf8(name);
    for (int i = 0; i < outcomes; ++i)
        game->InsertOutcome(0);
    return game;
}

QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* n : names)
        list.append(QString::fromUtf8(n));
    return list;
}

class NameListTest : public testing::Test {
protected:
    QTemporaryDir Dir;
    QString Folder() const { return Dir.path(); }
    QString GamesPath() const { return Dir.filePath(QStringLiteral("games.ini")); }
    QString BetsPath() const { return Dir.filePath(QStringLiteral("bets.ini")); }
};

TEST_F(NameListTest, KeepsCaseInsensitiveOrderWithNewEntriesBeforeEqualOnes) {
    TGameList games(Folder());
    games.Add(NewGame("beta"));
    games.Add(NewGame("Alpha"));
    TGameDescription* firstGamma = games.Item(games.Add(NewGame("gamma")));
    const int second = games.Add(NewGame("Gamma"));
    EXPECT_EQ(games.NameList(), Names({"Alpha", "beta", "Gamma", "gamma"}));
    EXPECT_EQ(second, 2);
    EXPECT_EQ(games.IndexOf(firstGamma), 3);
    EXPECT_EQ(games.IndexOf(nullptr), -1);
    TGameDescription stranger;
    EXPECT_EQ(games.IndexOf(&stranger), -1);
    EXPECT_TRUE(games.Modified);
    games.Modified = false; // nothing to write at the end of the test
}

// Saved with a folder that could not be synced: said once, and not asked about again on closing.
TEST_F(NameListTest, ASaveWhoseFolderCannotBeSyncedCountsAsSaved) {
    TGameList games(Folder());
    games.Add(NewGame("Alpha"));
    SetFolderSyncForTests([](int) {
        errno = EIO;
        return -1;
    });
    EXPECT_THROW(games.Save(), EFolderNotSynced);
    SetFolderSyncForTests(nullptr);
    EXPECT_FALSE(games.Modified);
    EXPECT_TRUE(QFileInfo::exists(GamesPath()));
}

TEST_F(NameListTest, IndexesAreChecked) {
    TGameList games(Folder());
    games.Add(NewGame("One"));
    EXPECT_THROW(games.Item(1), ERangeError);
    EXPECT_THROW(games.ItemName(-1), ERangeError);
    EXPECT_THROW(games.Delete(1), ERangeError);
    EXPECT_EQ(games.Count(), 1);
    EXPECT_THROW(games.Add(nullptr), Exception);
    games.Modified = false;
}

TEST_F(NameListTest, RekeyMovesTheRenamedEntry) {
    TGameList games(Folder());
    games.Add(NewGame("Bravo"));
    games.Add(NewGame("Charlie"));
    TGameDescription* last = games.Item(games.Add(NewGame("Delta")));
    games.Modified = false;
    last->Name = QStringLiteral("alpha");
    EXPECT_EQ(games.ItemName(2), QStringLiteral("Delta")); // the key changes only on Rekey
    games.Rekey(last);
    EXPECT_EQ(games.NameList(), Names({"alpha", "Bravo", "Charlie"}));
    EXPECT_EQ(games.IndexOf(last), 0);
    EXPECT_TRUE(games.Modified);

    games.Modified = false;
    TGameDescription outsider;
    games.Rekey(&outsider);
    EXPECT_FALSE(games.Modified);
}

// A renamed entry lands among equal names where a stable sort would put it: in its old order relative to them.
TEST_F(NameListTest, RekeyAmongEqualNamesKeepsTheOldRelativeOrder) {
    const struct {
        const char* Name;
        int Index;
        const char* NewName;
        QStringList Expected;
    } rows[] = {
        {"FromBefore", 0, "GAMMA", Names({"beta", "GAMMA", "Gamma", "gamma"})},
        {"FromAfter", 3, "Beta", Names({"Alpha", "beta", "Beta", "Gamma"})},
        {"FromWithin", 2, "GAMMA", Names({"Alpha", "beta", "GAMMA", "gamma"})},
    };
    for (const auto& row : rows) {
        TGameList games(Folder());
        for (const char* name : {"beta", "Alpha", "gamma", "Gamma"})
            games.Add(NewGame(name));
        TGameDescription* item = games.Item(row.Index);
        item->Name = QString::fromUtf8(row.NewName);
        games.Rekey(item);
        EXPECT_EQ(games.NameList(), row.Expected) << row.Name;
        games.Modified = false;
    }
}

TEST_F(NameListTest, BetListRekeyPrunesFirst) {
    TBetList systems(Folder());
    auto owned = std::make_unique<TBetDescription>();
    TBetDescription* system = owned.get();
    system->SetWinState(0, 2); // states 1 and 2 appear; state 1 is named by nobody
    systems.Add(std::move(owned));
    system->Name = QStringLiteral("Renamed");
    systems.Rekey(system);
    EXPECT_EQ(system->StateCount, 2);
    EXPECT_EQ(system->WinState(0), 1);
    EXPECT_EQ(systems.ItemName(0), QStringLiteral("Renamed"));

    TBetDescription outsider;
    outsider.SetWinState(0, 2);
    systems.Rekey(&outsider);
    EXPECT_EQ(outsider.StateCount, 3); // not in the list: untouched
    systems.Modified = false;
}

TEST_F(NameListTest, WrittenFilesReloadAndResaveByteForByte) {
    struct TCase {
        const char* Fixture;
        const char* Target;
        bool Bets;
    };
    for (const TCase c :
         {TCase{"games-round-trip.ini", "games.ini", false}, TCase{"bets-round-trip.ini", "bets.ini", true},
          TCase{"games-count-over-32.ini", "games.ini", false}, TCase{"bets-count-over-21.ini", "bets.ini", true}}) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QString::fromLatin1(c.Target));
        CopyFixture(QString::fromLatin1(c.Fixture), target);
        // The first save puts the list in order and its kept sections after it; from then on it is stable.
        for (int round = 0; round < 2; ++round) {
            const QByteArray before = ReadBytes(target);
            // The in-memory forms agree with the file: loading the bytes, and the bytes a save would write.
            const auto roundTrip = [&](auto& list, auto& fromBytes) {
                list.Load();
                fromBytes.LoadFromBytes(before);
                EXPECT_EQ(fromBytes.NameList(), list.NameList()) << c.Fixture;
                EXPECT_EQ(fromBytes.KeptSectionNames(), list.KeptSectionNames()) << c.Fixture;
                list.Modified = true;
                list.Save();
                EXPECT_EQ(fromBytes.ToBytes(), ReadBytes(target)) << c.Fixture;
            };
            if (c.Bets) {
                TBetList list(dir.path()), fromBytes(QString{});
                roundTrip(list, fromBytes);
            } else {
                TGameList list(dir.path()), fromBytes(QString{});
                roundTrip(list, fromBytes);
            }
            if (round == 1 || QByteArray(c.Fixture).contains("round-trip")) {
                EXPECT_EQ(ReadBytes(target), before) << c.Fixture << " round " << round;
            }
        }
    }
}

TEST_F(NameListTest, UnreadableSectionsAreKeptAndWrittenBackAfterTheList) {
    CopyFixture(QStringLiteral("games-count-over-32.ini"), GamesPath());
    {
        TGameList games(Folder());
        games.Load();
        EXPECT_EQ(games.NameList(), Names({"Big wheel", "Coin toss"}));
        EXPECT_EQ(games.Item(0)->OutcomeCount, 32);
        EXPECT_EQ(games.KeptSectionNames(), Names({"Too many outcomes"}));
        EXPECT_FALSE(games.Modified);
        games.Delete(1);
        games.Save();
    }
    TIniStore store;
    store.LoadFromFile(GamesPath());
    EXPECT_EQ(store.Sections(), Names({"Big wheel", "Too many outcomes"}));
    EXPECT_EQ(store.SectionLines(1).first(), QStringLiteral("; hand-made: one outcome too many"));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Too many outcomes"), QStringLiteral("Count")), 33);
    EXPECT_EQ(store.ReadString(QStringLiteral("Too many outcomes"), QStringLiteral("Probability32")),
              QStringLiteral("0.03"));

    CopyFixture(QStringLiteral("bets-count-over-21.ini"), BetsPath());
    TBetList systems(Folder());
    systems.Load();
    EXPECT_EQ(systems.NameList(), Names({"Flat", "Long cycle"}));
    EXPECT_EQ(systems.Item(1)->StateCount, 21);
    EXPECT_EQ(systems.KeptSectionNames(), Names({"Too many states"}));
}

TEST_F(NameListTest, AKeptSectionNeverShadowsAnEntryOfTheSameName) {
    CopyFixture(QStringLiteral("games-count-over-32.ini"), GamesPath());
    {
        TGameList games(Folder());
        games.Load();
        auto game = NewGame("too MANY outcomes", 2);
        game->SetResult(0, 5);
        games.Add(std::move(game));
        games.Save();
    }
    TGameList games(Folder());
    games.Load();
    EXPECT_EQ(games.NameList(), Names({"Big wheel", "Coin toss", "too MANY outcomes"}));
    EXPECT_EQ(games.Item(2)->OutcomeCount, 2);
    EXPECT_EQ(games.Item(2)->Result(0), 5);
    EXPECT_EQ(games.KeptSectionNames(), Names({"Too many outcomes"}));
}

TEST_F(NameListTest, RepeatedSectionNameReadsTheFirstAndKeepsTheLater) {
    CopyFixture(QStringLiteral("games-repeated-section.ini"), GamesPath());
    TGameList games(Folder());
    games.Load();
    EXPECT_EQ(games.NameList(), Names({"Coin", "Roulette"}));
    EXPECT_EQ(games.Item(1)->Result(0), 35);
    EXPECT_EQ(games.KeptSectionNames(), Names({"ROULETTE"}));
}

TEST_F(NameListTest, EntriesSharingASectionNameDoNotOverwriteEachOther) {
    {
        TGameList games(Folder());
        auto first = NewGame("Same", 1);
        first->SetResult(0, 1);
        auto second = NewGame("SAME", 2);
        second->SetResult(0, 2);
        games.Add(std::move(first));
        games.Add(std::move(second));
        games.Save();
    }
    TIniStore store;
    store.LoadFromFile(GamesPath());
    ASSERT_EQ(store.Sections().size(), 2);
    TGameList games(Folder());
    games.Load();
    ASSERT_EQ(games.Count(), 1);
    EXPECT_EQ(games.KeptSectionNames().size(), 1);
}

TEST_F(NameListTest, MissingKeysReadAsZero) {
    CopyFixture(QStringLiteral("games-missing-keys.ini"), GamesPath());
    TGameList games(Folder());
    games.Load();
    ASSERT_EQ(games.NameList(), Names({"Five outcomes", "No count"}));
    const TGameDescription& five = *games.Item(0);
    EXPECT_EQ(five.OutcomeCount, 5);
    EXPECT_EQ(five.Probability(3), 0.0);
    EXPECT_EQ(five.Result(3), -1);
    EXPECT_EQ(five.Probability(4), 0.0);
    EXPECT_EQ(games.Item(1)->OutcomeCount, 0);
}

TEST_F(NameListTest, LoadOfAMissingFileGivesAnEmptyList) {
    TGameList games(Folder());
    games.Load();
    EXPECT_EQ(games.Count(), 0);
    EXPECT_FALSE(games.Modified);
}

TEST_F(NameListTest, UnreadableFileRaisesAndKeepsTheList) {
    ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("games.ini")));
    TGameList games(Folder());
    games.Add(NewGame("Kept"));
    EXPECT_THROW(games.Load(), EFileError);
    EXPECT_EQ(games.Count(), 1);
    games.Modified = false;
}

TEST_F(NameListTest, FailedSaveNamesTheFileAndLeavesItAsItWas) {
    CopyFixture(QStringLiteral("games-round-trip.ini"), GamesPath());
    const QByteArray before = ReadBytes(GamesPath());

    // Permission bits do not stop root, so the failures come from the file system's shape: a folder path that
    // runs through a regular file, and a target that is a non-empty directory.
    const QString blocker = Dir.filePath(QStringLiteral("plain-file"));
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TGameList broken(blocker);
    broken.Add(NewGame("Lost?"));
    try {
        broken.Save();
        ADD_FAILURE() << "save through a regular file succeeded";
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("games.ini"))) << e.what();
    }
    EXPECT_TRUE(broken.Modified);
    broken.Modified = false;

    // The file itself replaced by a directory: the old content must survive.
    const QString asDir = Dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir(Folder()).mkpath(QStringLiteral("sub/games.ini/keep")));
    TGameList games(asDir);
    games.Add(NewGame("New"));
    EXPECT_THROW(games.Save(), EFileError);
    EXPECT_TRUE(games.Modified);
    EXPECT_TRUE(QDir(asDir + QStringLiteral("/games.ini/keep")).exists());
    games.Modified = false;
    EXPECT_EQ(ReadBytes(GamesPath()), before);
}

TEST_F(NameListTest, SaveWritesOnlyWhenModified) {
    CopyFixture(QStringLiteral("games-missing-keys.ini"), GamesPath());
    const QByteArray before = ReadBytes(GamesPath());
    {
        TGameList games(Folder());
        games.Load();
        games.Save();
    } // the destructor saves nothing either
    EXPECT_EQ(ReadBytes(GamesPath()), before);
}

TEST(NameValidation, RefusesNamesTheFileCannotHoldApart) {
    const QStringList keys = Names({"Roulette", "Coin", "Dice"});
    struct TCase {
        const char* Name;
        QString Candidate;
        int OwnIndex;
        bool Accepted;
    };
    const TCase cases[] = {
        {"Fresh", QStringLiteral("Baccarat"), -1, true},
        {"Empty", QString(), -1, false},
        {"LineBreak", QStringLiteral("Two\nlines"), -1, false},
        {"CarriageReturn", QStringLiteral("Two\rlines"), -1, false},
        {"Tab", QStringLiteral("Tab\there"), -1, false},
        {"UnicodeLineSeparator", QString(QChar(0x2028)), -1, false},
        {"OtherCase", QStringLiteral("roulette"), -1, false},
        {"SameName", QStringLiteral("Coin"), -1, false},
        {"OwnNameInOtherCase", QStringLiteral("COIN"), 1, true},
        {"OwnNameUnchanged", QStringLiteral("Dice"), 2, true},
        {"OtherEntrysNameWhileRenaming", QStringLiteral("dice"), 0, false},
        {"SpacesAndBrackets", QStringLiteral(" [x] = ; "), -1, true},
    };
    for (const TCase& c : cases) {
        const QString problem = ValidateName(c.Candidate, keys, c.OwnIndex);
        EXPECT_EQ(problem.isEmpty(), c.Accepted) << c.Name << ": " << problem.toStdString();
        if (c.Accepted)
            EXPECT_NO_THROW(CheckName(c.Candidate, keys, c.OwnIndex)) << c.Name;
        else
            EXPECT_THROW(CheckName(c.Candidate, keys, c.OwnIndex), ENameError) << c.Name;
    }
    EXPECT_TRUE(ValidateName(QStringLiteral("roulette"), keys, -1).contains(QStringLiteral("Roulette")));
}

TEST(NameValidation, ReasonsComeFromTheLanguageTexts) {
    class TTexts final : public ITextSource {
    public:
        QString GetText(const QString& section, const QString& key) const override {
            if (section != QLatin1String("Messages"))
                return {};
            if (key == QLatin1String("NameEmpty"))
                return QStringLiteral("Leer.");
            if (key == QLatin1String("NameControl"))
                return QStringLiteral("Steuerzeichen.");
            if (key == QLatin1String("NameInUse"))
                return QStringLiteral("„%s“ vergeben.");
            if (key == QLatin1String("NameCase"))
                return QStringLiteral("„%s“ wie „%s“.");
            return {};
        }
    } texts;
    const QStringList keys = Names({"Coin"});
    EXPECT_EQ(ValidateName(QString(), keys, -1, &texts), QStringLiteral("Leer."));
    EXPECT_EQ(ValidateName(QStringLiteral("a\nb"), keys, -1, &texts), QStringLiteral("Steuerzeichen."));
    EXPECT_EQ(ValidateName(QStringLiteral("Coin"), keys, -1, &texts), QStringLiteral("„Coin“ vergeben."));
    EXPECT_EQ(ValidateName(QStringLiteral("COIN"), keys, -1, &texts), QStringLiteral("„COIN“ wie „Coin“."));
}

TEST_F(NameListTest, CheckGameAndSystemNameUseTheListsKeys) {
    TGameList games(Folder());
    TGameDescription* coin = games.Item(games.Add(NewGame("Coin")));
    EXPECT_THROW(CheckGameName(games, QStringLiteral("COIN"), nullptr), ENameError);
    EXPECT_NO_THROW(CheckGameName(games, QStringLiteral("COIN"), coin));
    games.Modified = false;

    TBetList systems(Folder());
    auto flat = std::make_unique<TBetDescription>();
    flat->Name = QStringLiteral("Flat");
    systems.Add(std::move(flat));
    EXPECT_THROW(CheckSystemName(systems, QStringLiteral("flat"), nullptr), ENameError);
    EXPECT_NO_THROW(CheckSystemName(systems, QStringLiteral("Martingale"), nullptr));
    systems.Modified = false;
}

TEST_F(NameListTest, NamesThatPassTheCheckReadBack) {
    const QStringList names = Names({" leading", "trailing ", "[bracketed]", ";semicolon", "a=b", "Ünïcödé €", "x]"});
    {
        TGameList games(Folder());
        for (const QString& name : names) {
            ASSERT_TRUE(ValidateName(name, games.NameList(), -1).isEmpty()) << name.toStdString();
            auto game = std::make_unique<TGameDescription>();
            game->Name = name;
            games.Add(std::move(game));
        }
        games.Save();
    }
    TGameList games(Folder());
    games.Load();
    QStringList loaded = games.NameList();
    QStringList expected = names;
    loaded.sort();
    expected.sort();
    EXPECT_EQ(loaded, expected);
    EXPECT_TRUE(games.KeptSectionNames().isEmpty());
}

} // namespace
} // namespace wl
