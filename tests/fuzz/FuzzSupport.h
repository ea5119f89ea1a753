// Shared by the fuzz targets: a scratch folder for readers that take a path, and a loud failure that libFuzzer
// keeps the input of.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace wl::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fputs("broken invariant: ", stderr);
    std::fputs(what, stderr);
    std::fputs("\n", stderr);
    std::abort();
}

// One folder for the whole run; every input overwrites the files it needs. In memory where possible: the atomic
// writer's flush to disk would otherwise bound the speed.
inline QString ScratchPath(const QString& name) {
    static QTemporaryDir folder(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm/wl-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/wl-fuzz-XXXXXX"));
    if (!folder.isValid())
        Fail("no scratch folder");
    return folder.filePath(name);
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("cannot write a scratch file");
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail("cannot read a scratch file");
    return file.readAll();
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace wl::fuzz
