// Whole-file reading and atomic writing; every failure names the file and the system's reason.
#include "support/AtomicFile.h"

#include "support/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace wl {

namespace {

[[noreturn]] void RaiseFileError(const QString& action, const QString& path, const QString& reason) {
    throw EFileError(
        QStringLiteral("Cannot %1 the file \"%2\": %3").arg(action, QDir::toNativeSeparators(path), reason));
}

} // namespace

void WriteFileAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    // Never fall back to writing the target in place: that is exactly what could leave a truncated file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        RaiseFileError(QStringLiteral("write"), path, file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        RaiseFileError(QStringLiteral("write"), path, reason);
    }
    if (!file.commit())
        RaiseFileError(QStringLiteral("write"), path, file.errorString());
}

bool ReadWholeFile(const QString& path, QByteArray& data) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    if (info.isDir())
        RaiseFileError(QStringLiteral("read"), path, QStringLiteral("it is a folder"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileError(QStringLiteral("read"), path, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseFileError(QStringLiteral("read"), path, file.errorString());
    data = std::move(bytes);
    return true;
}

} // namespace wl
