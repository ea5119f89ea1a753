// Atomic writing and whole-file reading, including the failures that must leave the old file alone.
#include "support/AtomicFile.h"

#include "support/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace wl {
namespace {

QByteArray ReadBack(const QString& path) {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(path, data));
    return data;
}

unsigned ModeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 0777;
}

TEST(AtomicFileTest, WritesAndReplacesLeavingNothingElse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bets.ini"));
    WriteFileAtomically(path, QByteArray("first\r\n"));
    EXPECT_EQ(ReadBack(path), QByteArray("first\r\n"));
    WriteFileAtomically(path, QByteArray("second"));
    EXPECT_EQ(ReadBack(path), QByteArray("second"));
    WriteFileAtomically(path, QByteArray());
    EXPECT_EQ(ReadBack(path), QByteArray());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("bets.ini")}));
}

TEST(AtomicFileTest, PermissionsFollowTheUmaskOrTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("games.ini"));
    // A temporary file is private (0600); the finished file must get the mode any new file would get.
    const mode_t old = umask(022);
    WriteFileAtomically(path, QByteArray("x"));
    umask(old);
    EXPECT_EQ(ModeOf(path), 0644);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
    WriteFileAtomically(path, QByteArray("y"));
    EXPECT_EQ(ModeOf(path), 0640);
}

TEST(AtomicFileTest, ParentIsAFileRaisesNamingTheTarget) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString blocker = dir.filePath(QStringLiteral("plain"));
    WriteFileAtomically(blocker, QByteArray("keep"));
    const QString path = blocker + QStringLiteral("/games.ini");
    try {
        WriteFileAtomically(path, QByteArray("new"));
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(path))) << e.what();
    }
    EXPECT_EQ(ReadBack(blocker), QByteArray("keep"));
    EXPECT_THROW(WriteFileAtomically(dir.path(), QByteArray("new")), EFileError); // a folder is never replaced
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST(AtomicFileTest, ReadOnlyFolderKeepsTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("games.ini"));
    WriteFileAtomically(path, QByteArray("old"));
    const QFileDevice::Permissions all = QFile::permissions(dir.path());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(dir.filePath(QStringLiteral("probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        QFile::setPermissions(dir.path(), all);
        GTEST_SKIP() << "permission bits do not stop this user (root)";
    }
    EXPECT_THROW(WriteFileAtomically(path, QByteArray("new")), EFileError);
    QFile::setPermissions(dir.path(), all);
    EXPECT_EQ(ReadBack(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("games.ini")}));
}

// Only our own temporary names of this machine's saves whose process has ended go; another machine's saves in a
// shared folder, older names without a machine, and a user's look-alike files stay.
TEST(AtomicFileTest, StaleTemporaryFilesOfEndedSavesAreRemovedAndNothingElse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("games.ini"));
    WriteFileAtomically(path, QByteArray("kept"));
    const QString ended = QStringLiteral("2147483646"); // beyond any process number in use
    const QString here = HostTag() + QLatin1Char('-');
    const QString machine = HostTag().left(12), boot = HostTag().mid(13);
    const QString otherMachine =
        machine == QLatin1String("0123456789ab") ? QStringLiteral("ba9876543210") : QStringLiteral("0123456789ab");
    const QString otherBoot =
        boot == QLatin1String("01234567") ? QStringLiteral("76543210") : QStringLiteral("01234567");
    const QString other = otherMachine + QLatin1Char('-') + boot + QLatin1Char('-');
    // An earlier start of this machine: its processes have all ended, whatever their numbers are now.
    const QString earlier = machine + QLatin1Char('-') + otherBoot + QLatin1Char('-');
    // The names of older builds carried the boot id's first 12 digits alone.
    QFile bootId(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    ASSERT_TRUE(bootId.open(QIODevice::ReadOnly));
    const QString legacy = QString::fromLatin1(bootId.readAll()).remove(QLatin1Char('-')).left(12) + QLatin1Char('-');
    const QStringList stale = {
        QStringLiteral("games.ini.wagerlens-") + here + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral(".wagerlens-") + here + ended + QStringLiteral("-Ab3xY9"), // a target with a long name
        QStringLiteral("games.ini.wagerlens-") + earlier + QString::number(getpid()) + QStringLiteral("-Ab3xY9"),
        QStringLiteral(".wagerlens-") + earlier + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + legacy + ended + QStringLiteral("-Ab3xY9"),
    };
    const QStringList kept = {
        QStringLiteral("games.ini"),
        QStringLiteral("games.ini.backup"),
        QStringLiteral("games.ini.AbCdEf"),
        QStringLiteral("games.ini.wagerlens-") + here + QString::number(getpid()) + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + here + QString::number(getppid()) + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + other + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral(".wagerlens-") + other + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + here + ended + QStringLiteral("-Ab3xY"),
        QStringLiteral("games.ini.wagerlens-") + here + ended + QStringLiteral("-Ab3x.9"),
        QStringLiteral("games.ini.wagerlens-x") + here + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral("bets.ini.wagerlens-") + here + ended + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + legacy + QString::number(getpid()) + QStringLiteral("-Ab3xY9"),
        QStringLiteral("games.ini.wagerlens-") + otherMachine + QLatin1Char('-') + otherBoot + QLatin1Char('-') +
            ended + QStringLiteral("-Ab3xY9"),
    };
    for (const QString& name : stale + kept.mid(1)) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    EXPECT_EQ(RemoveStaleTemporaryFiles(path), stale.size());
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QStringList expected = kept;
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
    EXPECT_EQ(ReadBack(path), QByteArray("kept"));
}

// The folder's sync comes after the rename: when it fails the file is saved, and the error says so.
TEST(AtomicFileTest, AFolderThatCannotBeSyncedLeavesTheFileSaved) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("games.ini"));
    WriteFileAtomically(path, QByteArray("old"));
    SetFolderSyncForTests([](int) {
        errno = EIO;
        return -1;
    });
    try {
        WriteFileAtomically(path, QByteArray("new"));
        ADD_FAILURE() << "the failed sync is said";
    } catch (const EFolderNotSynced& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("is saved"))) << e.Message().toStdString();
    }
    SetFolderSyncForTests(nullptr);
    EXPECT_EQ(ReadBack(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// A name near the system's limit leaves no room for the temporary suffix: the temporary name is then a short one.
TEST(AtomicFileTest, ALongButLegalNameIsWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const int length : {230, 255}) {
        const QString path = dir.filePath(QString(length - 4, QLatin1Char('n')) + QStringLiteral(".htm"));
        WriteFileAtomically(path, QByteArray("first"));
        WriteFileAtomically(path, QByteArray("second"));
        EXPECT_EQ(ReadBack(path), QByteArray("second")) << length;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << length;
        QFile::remove(path);
    }
}

TEST(AtomicFileTest, ALinkIsWrittenThroughToItsTarget) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("real.ini"));
    const QString link = dir.filePath(QStringLiteral("games.ini"));
    WriteFileAtomically(target, QByteArray("old"));
    ASSERT_TRUE(QFile::link(target, link));
    WriteFileAtomically(link, QByteArray("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBack(target), QByteArray("new"));
}

TEST(AtomicFileTest, ReadWholeFileMissingAndFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray data("untouched");
    EXPECT_FALSE(ReadWholeFile(dir.filePath(QStringLiteral("missing.ini")), data));
    EXPECT_EQ(data, QByteArray("untouched"));
    EXPECT_THROW(ReadWholeFile(dir.path(), data), EFileError);
    EXPECT_EQ(data, QByteArray("untouched"));
    // A file whose size the system does not tell (it says 0) is read whole all the same.
    ASSERT_TRUE(ReadWholeFile(QStringLiteral("/proc/self/status"), data));
    EXPECT_TRUE(data.contains("\nPid:")) << data.constData();
}

// A file whose existence cannot be told is not "missing": that would read an unreachable list as empty.
TEST(AtomicFileTest, AFileThatCannotBeLookedAtIsAnError) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString loop = dir.filePath(QStringLiteral("games.ini"));
    ASSERT_TRUE(QFile::link(loop, loop));
    const QString closed = dir.filePath(QStringLiteral("closed"));
    ASSERT_TRUE(QDir().mkpath(closed));
    WriteFileAtomically(closed + QStringLiteral("/bets.ini"), QByteArray("x"));
    ASSERT_TRUE(QFile::setPermissions(closed, QFileDevice::Permissions()));
    QStringList paths = {loop};
    if (geteuid() != 0) // permission bits do not stop root
        paths.append(closed + QStringLiteral("/bets.ini"));
    for (const QString& path : paths) {
        QByteArray data("untouched");
        try {
            ReadWholeFile(path, data);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const EFileError& e) {
            EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(path))) << e.what();
        }
        EXPECT_EQ(data, QByteArray("untouched"));
    }
    QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace
} // namespace wl
