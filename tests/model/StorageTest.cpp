// The storage's life: what it loads at the start and what reaches the files at the end.
#include "model/Storage.h"
#include "support/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace wl {
namespace {

const QString DataDir = QStringLiteral(WL_TEST_DATA_DIR);

QByteArray ReadBytes(const QString& path) {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(path, data)) << path.toStdString();
    return data;
}

class StorageTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
    void CopyIn(const char* fixture, const char* target) {
        ASSERT_TRUE(QFile::copy(DataDir + QLatin1Char('/') + QLatin1String(fixture), Path(target)));
    }
    QString Path(const char* name) const { return Dir.filePath(QLatin1String(name)); }

    QTemporaryDir Dir;
};

TEST_F(StorageTest, NoFilesGiveEmptyListsAndWriteNothing) {
    {
        TStorage storage(Dir.path());
        EXPECT_EQ(storage.Games->Count(), 0);
        EXPECT_EQ(storage.Systems->Count(), 0);
        storage.Save();
    }
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(StorageTest, ChangingOnlySystemsLeavesGamesFileUntouched) {
    CopyIn("games-missing-keys.ini", "games.ini"); // not in the program's own layout: a rewrite would show
    CopyIn("bets-round-trip.ini", "bets.ini");
    const QByteArray games = ReadBytes(Path("games.ini"));
    const QDateTime gamesTime = QFileInfo(Path("games.ini")).lastModified();
    {
        TStorage storage(Dir.path());
        ASSERT_EQ(storage.Systems->Count(), 3);
        storage.Systems->Delete(0);
    }
    EXPECT_EQ(ReadBytes(Path("games.ini")), games);
    EXPECT_EQ(QFileInfo(Path("games.ini")).lastModified(), gamesTime);
    TStorage reloaded(Dir.path());
    EXPECT_EQ(reloaded.Systems->Count(), 2);
}

TEST_F(StorageTest, EditedThenDeletedGameIsGoneFromTheFile) {
    CopyIn("games-round-trip.ini", "games.ini");
    {
        TStorage storage(Dir.path());
        TGameDescription* coin = storage.Games->Item(0);
        ASSERT_EQ(coin->Name, QStringLiteral("Coin toss"));
        TGameDescription edited = *coin;
        edited.Name = QStringLiteral("Zebra coin");
        edited.InsertOutcome(0);
        coin->Assign(edited);
        storage.Games->Rekey(coin);
        storage.Games->Delete(storage.Games->IndexOf(coin));
        storage.Save();
        EXPECT_FALSE(storage.Games->Modified);
    }
    const QByteArray bytes = ReadBytes(Path("games.ini"));
    EXPECT_FALSE(bytes.contains("Coin toss"));
    EXPECT_FALSE(bytes.contains("Zebra"));
    TStorage reloaded(Dir.path());
    EXPECT_EQ(reloaded.Games->Count(), 4);
}

TEST_F(StorageTest, UnreadableFileFailsCreation) {
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("bets.ini")));
    EXPECT_THROW(TStorage storage(Dir.path()), EFileError);
}

TEST_F(StorageTest, FailedSaveTriesBothListsAndNamesTheFile) {
    CopyIn("games-round-trip.ini", "games.ini");
    TStorage storage(Dir.path());
    ASSERT_TRUE(QFile::remove(Path("games.ini")));
    ASSERT_TRUE(QDir(Dir.path()).mkpath(QStringLiteral("games.ini/blocker")));
    storage.Games->Delete(0);
    auto system = std::make_unique<TBetDescription>();
    system->Name = QStringLiteral("Flat");
    storage.Systems->Add(std::move(system));
    try {
        storage.Save();
        ADD_FAILURE() << "saving over a directory succeeded";
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("games.ini"))) << e.what();
    }
    EXPECT_TRUE(storage.Games->Modified);
    EXPECT_FALSE(storage.Systems->Modified);
    EXPECT_TRUE(QFileInfo::exists(Path("bets.ini")));
    storage.Games->Modified = false; // the destructor would only log the same failure again
}

} // namespace
} // namespace wl
