// Shared by the fuzz targets: a scratch folder for readers that take a path, and a loud failure that libFuzzer
// keeps the input of.
#pragma once

#include "support/AtomicFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace wl::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fputs("broken invariant: ", stderr);
    std::fputs(what, stderr);
    std::fputs("\n", stderr);
    std::abort();
}

// One folder per process, named after it; every input overwrites the files it needs. In memory where possible: the
// atomic writer's flush to disk would otherwise bound the speed. A run that ends in a crash or in libFuzzer's own
// exit leaves its folder behind, so the next run removes those of processes that are gone.
inline QString ScratchPath(const QString& name) {
    struct TFolder {
        QDir Dir;
        TFolder() {
            const QString base =
                QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
            for (const QString& entry : QDir(base).entryList({QStringLiteral("wl-fuzz-*")}, QDir::Dirs)) {
                bool number = false;
                const pid_t pid = entry.mid(8).toInt(&number);
                if (number && pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
                    QDir(base + QLatin1Char('/') + entry).removeRecursively();
            }
            Dir.setPath(base + QStringLiteral("/wl-fuzz-") + QString::number(::getpid()));
            if (!Dir.mkpath(QStringLiteral(".")))
                Fail("no scratch folder");
        }
        ~TFolder() { Dir.removeRecursively(); }
    };
    static TFolder folder;
    return folder.Dir.filePath(name);
}

// Plain system calls: a file object costs more than the write itself, thousands of times a second.
inline void WriteFile(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    if (fd < 0 || ::close(fd) != 0 || !written)
        Fail("cannot write a scratch file");
}

inline QByteArray ReadFile(const QString& path) {
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes))
        Fail("cannot read a scratch file");
    return bytes;
}

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace wl::fuzz
