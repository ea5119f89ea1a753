// Where the program's games.ini and bets.ini live: the one rule shared by the window and the companion.
#pragma once

#include "preferences/Preferences.h"

#include <QString>

namespace wl {

// Where the program finds its shipped files and keeps the user's. A build folder or a portable copy holds both
// beside the executable. An installed copy (<prefix>/bin with <prefix>/share/wagerlens) reads the shipped files
// from share/ and keeps games, systems and preferences in the per-user data folder, never under the prefix.
struct TDataLayout {
    QString Executable; // the program file
    QString Shipped;    // Langs/, Help/, and the games.ini, bets.ini and wagerlens.ini of a first start
    QString User;       // the per-user data folder
    bool Installed = false;
    bool ShippedWritable = false; // only a portable copy's own folder is ever written
};

// The installed share folder when executableFolder is <prefix>/bin and <prefix>/share/wagerlens holds Langs/
// while executableFolder does not; otherwise executableFolder itself.
QString ShippedDataFolder(const QString& executableFolder);
TDataLayout DataLayoutFor(const QString& executablePath, const QString& userDataFolder);
TDataLayout CurrentDataLayout();

// Where the preferences store and the language files are for a layout. An installed copy's store lives in the
// user folder and starts as a copy of the shipped first-start state (copied here when absent).
TPreferencesSetup PreparePreferencesSetup(const TDataLayout& layout);
// The same for a run that only reads the preferences (the export mode): an installed copy reads the user's store,
// or the shipped first-start state before the first start; nothing is created or copied.
TPreferencesSetup ReadPreferencesSetup(const TDataLayout& layout);

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
QString DataFolder(const TDataLayout& layout);

// The folder the window works in: DataFolder(), or, when that folder cannot be written, the per-user data folder,
// created and given copies of the executable folder's games.ini and bets.ini where it has none, so that edits are
// never lost for lack of write access. Removes what killed saves of games.ini and bets.ini left there. Raises
// EFileError when the copies cannot be made.
QString PrepareDataFolder();
QString PrepareDataFolder(const TDataLayout& layout);
QString PrepareDataFolder(const QString& executableFolder, const QString& userDataFolder,
                          bool executableFolderWritable);

} // namespace wl
