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

// Whether the folder and the games.ini and bets.ini in it (where they exist) can be written.
bool DataFilesWritable(const QString& folder);

// executableFolder, unless userDataFolder holds a games.ini and executableFolder either holds none or cannot be
// written (an installed copy whose games live with the user).
QString ChooseDataFolder(const QString& executableFolder, const QString& userDataFolder, bool executableFolderWritable);

// The folder to read games.ini and bets.ini from: the rule above for this executable and user.
QString DataFolder();

// The folder the window works in: DataFolder(), or, when that folder cannot be written, the per-user data folder,
// created and given copies of the executable folder's games.ini and bets.ini where it has none, so that edits are
// never lost for lack of write access. Raises EFileError when the copies cannot be made.
QString PrepareDataFolder();
QString PrepareDataFolder(const QString& executableFolder, const QString& userDataFolder,
                          bool executableFolderWritable);

} // namespace wl
