// Tests of the rule that picks the program's data folder.
#include "presentation/DataFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace wl;

TEST(DataFolder, ExecutableFolderFirstThenUserFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString exe = root.filePath(QStringLiteral("bin"));
    const QString user = root.filePath(QStringLiteral("user"));
    ASSERT_TRUE(QDir().mkpath(exe) && QDir().mkpath(user));
    const auto touch = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };

    EXPECT_EQ(ChooseDataFolder(exe, user), exe) << "neither has games: the executable's folder";
    touch(user + QStringLiteral("/games.ini"));
    EXPECT_EQ(ChooseDataFolder(exe, user), user);
    touch(exe + QStringLiteral("/games.ini"));
    EXPECT_EQ(ChooseDataFolder(exe, user), exe);
}

TEST(DataFolder, ExecutableFolderIsThisTestsFolder) {
    EXPECT_TRUE(QFile::exists(ExecutableFolder() + QStringLiteral("/presentation_tests")));
    EXPECT_TRUE(UserDataFolder().endsWith(QStringLiteral("/Brellion/Wagerlens")));
}
