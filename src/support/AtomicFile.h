// Atomic file writing: a temporary file beside the target, then a rename. Failures raise EFileError.
#pragma once

#include <QByteArray>
#include <QString>

namespace wl {

// Writes data to path atomically; the old file stays untouched when anything fails. The error names the file.
void WriteFileAtomically(const QString& path, const QByteArray& data);

// Reads a whole file. Returns false when it does not exist; raises EFileError when it exists but cannot be read.
bool ReadWholeFile(const QString& path, QByteArray& data);

} // namespace wl
