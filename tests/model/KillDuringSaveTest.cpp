// A child process saves games.ini and bets.ini in a loop and is killed at random moments: each file must then be
// one whole version, the old or the new, never a mix or a cut.
#include "model/Storage.h"
#include "support/AtomicFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wl {
namespace {

// Enough games and systems that a save takes a while; the version shows in every one of them.
void SetVersion(TStorage& storage, int version) {
    if (storage.Games->Count() == 0)
        for (int i = 0; i < 40; ++i) {
            auto game = std::make_unique<TGameDescription>();
            game->Name = QStringLiteral("Game %1").arg(i);
            game->OutcomeCount = 20;
            auto system = std::make_unique<TBetDescription>();
            system->Name = QStringLiteral("System %1").arg(i);
            system->StateCount = 21;
            storage.Games->Add(std::move(game));
            storage.Systems->Add(std::move(system));
        }
    for (int i = 0; i < storage.Games->Count(); ++i) {
        for (int o = 0; o < 20; ++o) {
            storage.Games->Item(i)->SetResult(o, version * 1000 + o);
            storage.Games->Item(i)->SetProbability(o, 0.05 / (version + 1));
        }
        for (int s = 0; s < 21; ++s)
            storage.Systems->Item(i)->SetBet(s, version * 1000 + s);
    }
    storage.Games->Modified = true;
    storage.Systems->Modified = true;
}

struct TVersionFiles {
    QByteArray Games, Bets;
};

TVersionFiles SaveVersion(const QString& folder, int version) {
    TStorage storage(folder);
    SetVersion(storage, version);
    storage.Save();
    TVersionFiles files;
    EXPECT_TRUE(ReadWholeFile(folder + QStringLiteral("/games.ini"), files.Games));
    EXPECT_TRUE(ReadWholeFile(folder + QStringLiteral("/bets.ini"), files.Bets));
    return files;
}

TEST(KillDuringSave, EachFileIsAWholeOldOrNewVersion) {
    QTemporaryDir scratch, folder;
    ASSERT_TRUE(scratch.isValid() && folder.isValid());
    const TVersionFiles versions[2] = {SaveVersion(scratch.path(), 0), SaveVersion(scratch.path(), 1)};
    ASSERT_NE(versions[0].Games, versions[1].Games);
    SaveVersion(folder.path(), 0);

    // WL_KILLS=1000 for a longer run.
    const int kills = qEnvironmentVariableIsSet("WL_KILLS") ? qEnvironmentVariableIntValue("WL_KILLS") : 50;
    ASSERT_GT(kills, 0) << "WL_KILLS must be a positive number";
    const unsigned seed = std::random_device()();
    std::mt19937 rng(seed);
    for (int kill = 0; kill < kills; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                TStorage storage(folder.path());
                for (int round = 1;; ++round) {
                    SetVersion(storage, round % 2);
                    storage.Save();
                }
            } catch (...) {
            }
            _exit(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(rng)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process ended by itself, seed " << seed;

        TVersionFiles now;
        ASSERT_TRUE(ReadWholeFile(folder.filePath(QStringLiteral("games.ini")), now.Games));
        ASSERT_TRUE(ReadWholeFile(folder.filePath(QStringLiteral("bets.ini")), now.Bets));
        EXPECT_TRUE(now.Games == versions[0].Games || now.Games == versions[1].Games)
            << "games.ini after kill " << kill << ", seed " << seed;
        EXPECT_TRUE(now.Bets == versions[0].Bets || now.Bets == versions[1].Bets)
            << "bets.ini after kill " << kill << ", seed " << seed;
    }
    // What the killed saves left behind is recognised as this host's and removed; nothing else is.
    RemoveStaleTemporaryFiles(folder.filePath(QStringLiteral("games.ini")));
    RemoveStaleTemporaryFiles(folder.filePath(QStringLiteral("bets.ini")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("bets.ini"), QStringLiteral("games.ini")}));
}

} // namespace
} // namespace wl
