// The program's data folder.
#include "presentation/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace wl {

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

QString ChooseDataFolder(const QString& executableFolder, const QString& userDataFolder) {
    const auto hasGames = [](const QString& folder) {
        return QFileInfo(QDir(folder).filePath(QStringLiteral("games.ini"))).isFile();
    };
    if (!hasGames(executableFolder) && !userDataFolder.isEmpty() && hasGames(userDataFolder))
        return userDataFolder;
    return executableFolder;
}

QString DataFolder() {
    return ChooseDataFolder(ExecutableFolder(), UserDataFolder());
}

} // namespace wl
