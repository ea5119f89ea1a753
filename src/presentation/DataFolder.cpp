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

QString FileIn(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
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

QString ShippedDataFolder(const QString& executableFolder) {
    const QDir exe(executableFolder);
    if (exe.exists(QStringLiteral("Langs")) || exe.dirName() != QStringLiteral("bin"))
        return executableFolder;
    const QString share = QDir::cleanPath(exe.filePath(QStringLiteral("../share/wagerlens")));
    return QFileInfo(share + QStringLiteral("/Langs")).isDir() ? share : executableFolder;
}

TDataLayout DataLayoutFor(const QString& executablePath, const QString& userDataFolder) {
    TDataLayout layout;
    layout.Executable = executablePath;
    const QString exe = QFileInfo(executablePath).absolutePath();
    layout.Shipped = ShippedDataFolder(exe);
    layout.User = userDataFolder;
    layout.Installed = layout.Shipped != exe;
    layout.ShippedWritable = !layout.Installed && DataFilesWritable(exe);
    return layout;
}

TDataLayout CurrentDataLayout() {
    const QString exe = QCoreApplication::instance() != nullptr
                            ? QCoreApplication::applicationFilePath()
                            : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return DataLayoutFor(exe, UserDataFolder());
}

namespace {
// An installed copy reads its languages from the shipped folder and keeps its store in the user's folder.
TPreferencesSetup InstalledSetup(const TDataLayout& layout, QString& storeName) {
    TPreferencesSetup setup;
    setup.ProgramFolder = layout.Shipped;
    storeName = QFileInfo(layout.Executable).completeBaseName() + QStringLiteral(".ini");
    setup.StorePath = FileIn(layout.User, storeName);
    return setup;
}
} // namespace

TPreferencesSetup PreparePreferencesSetup(const TDataLayout& layout) {
    if (!layout.Installed)
        return PreferencesSetupFor(layout.Executable, layout.User);
    QString storeName;
    TPreferencesSetup setup = InstalledSetup(layout, storeName);
    QByteArray bytes;
    if (!QFileInfo::exists(setup.StorePath) && ReadWholeFile(FileIn(layout.Shipped, storeName), bytes) &&
        QDir().mkpath(layout.User))
        WriteFileAtomically(setup.StorePath, bytes);
    return setup;
}

TPreferencesSetup ReadPreferencesSetup(const TDataLayout& layout) {
    if (!layout.Installed)
        return PreferencesSetupFor(layout.Executable, layout.User);
    QString storeName;
    TPreferencesSetup setup = InstalledSetup(layout, storeName);
    if (!QFileInfo::exists(setup.StorePath))
        setup.StorePath = FileIn(layout.Shipped, storeName);
    return setup;
}

QString DataFolder(const TDataLayout& layout) {
    return ChooseDataFolder(layout.Shipped, layout.User, layout.ShippedWritable);
}

QString DataFolder() {
    return DataFolder(CurrentDataLayout());
}

namespace {

QString PrepareFolder(const QString& executableFolder, const QString& userDataFolder, bool executableFolderWritable) {
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

} // namespace

QString PrepareDataFolder(const QString& executableFolder, const QString& userDataFolder,
                          bool executableFolderWritable) {
    const QString folder = PrepareFolder(executableFolder, userDataFolder, executableFolderWritable);
    for (const char* name : DataFileNames)
        RemoveStaleTemporaryFiles(FileIn(folder, name));
    return folder;
}

QString PrepareDataFolder(const TDataLayout& layout) {
    return PrepareDataFolder(layout.Shipped, layout.User, layout.ShippedWritable);
}

QString PrepareDataFolder() {
    return PrepareDataFolder(CurrentDataLayout());
}

} // namespace wl
