// Atomic file writing: a temporary file beside the target, then a rename. Failures raise EFileError.
#pragma once

#include <QByteArray>
#include <QString>

namespace wl {

// Writes data to path atomically (a temporary file beside it, synced, renamed over it, then the folder synced); the
// old file stays untouched when anything fails. The error names the file. A link is written through to its target.
// EFolderNotSynced (an EFileError) says the file was saved but its folder could not be synced.
void WriteFileAtomically(const QString& path, const QByteArray& data);

// Tests only: the call that syncs a folder (null: fsync), so that a failing sync can be tried.
void SetFolderSyncForTests(int (*sync)(int fd));

// Removes what saves of path killed before their end left beside it (our own temporary names only, and only those
// of processes of this machine, since its last start, that are no longer running); returns how many. Failures to
// remove are ignored.
int RemoveStaleTemporaryFiles(const QString& path);

// What the temporary names of this machine carry beside the process number: 12 lowercase hex digits of the machine
// id, a dash, and 8 of the boot id (each a hash of the host name where the system gives none).
QString HostTag();

// Files larger than this are refused unread: no file of ours comes near it, and reading one whole could stall or
// exhaust memory.
constexpr qint64 MaxReadFileSize = 64LL * 1024 * 1024;

// Reads a whole file. Returns false when it does not exist; raises EFileError when it exists but cannot be read,
// when whether it exists cannot be told (a folder on its path may not be entered), or when it is larger than
// MaxReadFileSize (the message names the file and its size).
bool ReadWholeFile(const QString& path, QByteArray& data);

} // namespace wl
