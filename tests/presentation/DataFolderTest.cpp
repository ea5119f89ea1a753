// Tests of the rule that picks the program's data folder, and of seeding the per-user folder.
#include "presentation/DataFolder.h"
#include "support/AtomicFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace wl;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

struct TFolders {
    QTemporaryDir Root;
    QString Exe = Root.filePath(QStringLiteral("bin"));
    QString User = Root.filePath(QStringLiteral("user/Brellion/Wagerlens"));
    TFolders() { QDir().mkpath(Exe); }
};

} // namespace

TEST(DataFolder, ExecutableFolderFirst) {
    struct TRow {
        const char* Name;
        bool ExeGames, UserGames, ExeWritable;
        bool ChoosesUser;
    };
    const TRow rows[] = {
        {"neither has games", false, false, true, false},
        {"only the user has games", false, true, true, true},
        {"both have games", true, true, true, false},
        {"installed copy, the user has edited games", true, true, false, true},
        {"installed copy, first start", true, false, false, false},
    };
    for (const TRow& r : rows) {
        TFolders f;
        QDir().mkpath(f.User);
        if (r.ExeGames)
            WriteFile(f.Exe + QStringLiteral("/games.ini"), "[Coin]\r\n");
        if (r.UserGames)
            WriteFile(f.User + QStringLiteral("/games.ini"), "[Dice]\r\n");
        EXPECT_EQ(ChooseDataFolder(f.Exe, f.User, r.ExeWritable), r.ChoosesUser ? f.User : f.Exe) << r.Name;
    }
}

TEST(DataFolder, InstalledCopySeedsTheUserFolderOnce) {
    TFolders f;
    WriteFile(f.Exe + QStringLiteral("/games.ini"), "[Coin]\r\n");
    WriteFile(f.Exe + QStringLiteral("/bets.ini"), "[Flat]\r\n");

    // What a save killed in an earlier run left behind goes at start.
    const QString stray =
        f.Exe + QStringLiteral("/bets.ini.wagerlens-") + HostTag() + QStringLiteral("-2147483646-Ab3xY9");
    WriteFile(stray, "[Flat]\r\n");
    EXPECT_EQ(PrepareDataFolder(f.Exe, f.User, true), f.Exe) << "a writable folder is used as it is";
    EXPECT_FALSE(QFile::exists(f.User));
    EXPECT_FALSE(QFile::exists(stray));

    EXPECT_EQ(PrepareDataFolder(f.Exe, f.User, false), f.User);
    EXPECT_EQ(ReadFile(f.User + QStringLiteral("/games.ini")), QByteArray("[Coin]\r\n"));
    EXPECT_EQ(ReadFile(f.User + QStringLiteral("/bets.ini")), QByteArray("[Flat]\r\n"));

    // The user's edits survive the next start.
    WriteFile(f.User + QStringLiteral("/games.ini"), "[Edited]\r\n");
    EXPECT_EQ(PrepareDataFolder(f.Exe, f.User, false), f.User);
    EXPECT_EQ(ReadFile(f.User + QStringLiteral("/games.ini")), QByteArray("[Edited]\r\n"));
}

TEST(DataFolder, ExecutableFolderIsThisTestsFolder) {
    EXPECT_TRUE(QFile::exists(ExecutableFolder() + QStringLiteral("/presentation_tests")));
    EXPECT_TRUE(UserDataFolder().endsWith(QStringLiteral("/Brellion/Wagerlens")));
    EXPECT_TRUE(DataFilesWritable(QDir::tempPath()));
    EXPECT_FALSE(DataFilesWritable(QDir::tempPath() + QStringLiteral("/no-such-folder-for-wagerlens")));
}

TEST(DataFolder, InstalledAndPortableLayouts) {
    struct TRow {
        const char* Name;
        const char* Exe;   // the program's folder under the root
        const char* Langs; // where Langs/ is, under the root
        const char* Shipped;
        bool Installed;
    };
    const TRow rows[] = {
        {"build folder", "build/bin", "build/bin", "build/bin", false},
        {"installed under a prefix", "usr/bin", "usr/share/wagerlens", "usr/share/wagerlens", true},
        {"a bin folder with its own languages stays portable", "opt/bin", "opt/bin", "opt/bin", false},
        {"no share folder: the program's folder", "usr/local/bin", "elsewhere", "usr/local/bin", false},
    };
    for (const TRow& r : rows) {
        QTemporaryDir root;
        const auto at = [&](const char* relative) { return root.filePath(QLatin1String(relative)); };
        QDir().mkpath(at(r.Exe));
        QDir().mkpath(at(r.Langs) + QStringLiteral("/Langs"));
        WriteFile(at(r.Langs) + QStringLiteral("/wagerlens.ini"), "[CHART]\r\nChartID=6\r\n");
        WriteFile(at(r.Langs) + QStringLiteral("/games.ini"), "[Coin]\r\n");
        const QString user = at("home/Brellion/Wagerlens");
        const TDataLayout layout = DataLayoutFor(at(r.Exe) + QStringLiteral("/wagerlens"), user);
        EXPECT_EQ(layout.Shipped, at(r.Shipped)) << r.Name;
        EXPECT_EQ(layout.Installed, r.Installed) << r.Name;
        // The export mode only reads: the shipped languages and first-start state, and nothing is created.
        const TPreferencesSetup reading = ReadPreferencesSetup(layout);
        EXPECT_EQ(QDir(reading.ProgramFolder).canonicalPath(), QDir(at(r.Shipped)).canonicalPath()) << r.Name;
        EXPECT_EQ(QFileInfo(reading.StorePath).dir().canonicalPath(), QDir(at(r.Shipped)).canonicalPath()) << r.Name;
        EXPECT_FALSE(QFileInfo::exists(user)) << r.Name;
        const TPreferencesSetup setup = PreparePreferencesSetup(layout);
        EXPECT_EQ(QDir(setup.ProgramFolder).canonicalPath(), QDir(at(r.Shipped)).canonicalPath()) << r.Name;
        if (!r.Installed)
            continue;
        EXPECT_EQ(ReadPreferencesSetup(layout).StorePath, setup.StorePath) << "then the user's store";
        // An installed copy never writes under its prefix, even where it could: the user's folder gets copies.
        EXPECT_FALSE(layout.ShippedWritable) << r.Name;
        EXPECT_EQ(setup.StorePath, user + QStringLiteral("/wagerlens.ini")) << r.Name;
        EXPECT_EQ(ReadFile(setup.StorePath), QByteArray("[CHART]\r\nChartID=6\r\n")) << r.Name;
        EXPECT_EQ(DataFolder(layout), at(r.Shipped)) << "before the first start the companion reads the shipped games";
        EXPECT_EQ(PrepareDataFolder(layout), user) << r.Name;
        EXPECT_EQ(ReadFile(user + QStringLiteral("/games.ini")), QByteArray("[Coin]\r\n")) << r.Name;
        EXPECT_EQ(DataFolder(layout), user) << r.Name;
    }
}
