// The program's data folder.
#include "presentation/DataFolder.h"

#include "support/AtomicFile.h"
#include "support/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace wl {

namespace {

const char* const DataFileNames[] = {"games.ini", "bets.ini"};

QString FileIn(const QString& folder, const char* name) {
    return QDir(folder).filePath(QLatin1String(name));
}

bool HasGames(const QString& folder) {
    return QFileInfo(FileIn(folder, "games.ini")).isFile();
}

} // namespace

QString ExecutableFolder() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    // Without an application object Qt cannot tell; Linux can.
    const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    return exe.absolutePath();
}

QString UserDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Brellion/Wagerlens");
}

bool DataFilesWritable(const QString& folder) {
    const QFileInfo dir(folder);
    if (!dir.isDir() || !dir.isWritable())
        return false;
    for (const char* name : DataFileNames) {
        const QFileInfo file(FileIn(folder, name));
        if (file.exists() && !file.isWritable())
            return false;
    }
    return true;
}

QString ChooseDataFolder(const QString& executableFolder, const QString& userDataFolder,
                         bool executableFolderWritable) {
    if (!userDataFolder.isEmpty() && HasGames(userDataFolder) &&
        (!HasGames(executableFolder) || !executableFolderWritable))
        return userDataFolder;
    return executableFolder;
}

QString DataFolder() {
    const QString exe = ExecutableFolder();
    return ChooseDataFolder(exe, UserDataFolder(), DataFilesWritable(exe));
}

QString PrepareDataFolder(const QString& executableFolder, const QString& userDataFolder,
                          bool executableFolderWritable) {
    const QString chosen = ChooseDataFolder(executableFolder, userDataFolder, executableFolderWritable);
    if (chosen != executableFolder || executableFolderWritable)
        return chosen;
    if (!QDir().mkpath(userDataFolder))
        throw EFileError(QStringLiteral("Cannot create the folder \"%1\" for games and betting systems")
                             .arg(QDir::toNativeSeparators(userDataFolder)));
    for (const char* name : DataFileNames) {
        QByteArray bytes;
        if (!QFileInfo::exists(FileIn(userDataFolder, name)) && ReadWholeFile(FileIn(executableFolder, name), bytes))
            WriteFileAtomically(FileIn(userDataFolder, name), bytes);
    }
    return userDataFolder;
}

QString PrepareDataFolder() {
    const QString exe = ExecutableFolder();
    return PrepareDataFolder(exe, UserDataFolder(), DataFilesWritable(exe));
}

} // namespace wl
