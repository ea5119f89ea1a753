// Where the program's games.ini and bets.ini live: the one rule shared by the window and the companion.
#pragma once

#include <QString>

namespace wl {

// The folder of the running executable, absolute, without a trailing separator. Works with or without a
// QCoreApplication.
QString ExecutableFolder();

// The per-user data folder: QStandardPaths::AppDataLocation for organisation "Brellion" and application
// "Wagerlens" (the generic data location followed by "/Brellion/Wagerlens"), whatever names the running
// application has set.
QString UserDataFolder();

// executableFolder, unless it holds no games.ini and userDataFolder does.
QString ChooseDataFolder(const QString& executableFolder, const QString& userDataFolder);

// ChooseDataFolder(ExecutableFolder(), UserDataFolder()).
QString DataFolder();

} // namespace wl
