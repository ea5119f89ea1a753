// Whole-file reading and atomic writing; every failure names the file and the system's reason.
#include "support/AtomicFile.h"

#include "support/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace wl {

namespace {

// The temporary file is "<target>.wagerlens-<machine>-<boot>-<pid>-<6 letters or digits>", or ".wagerlens-..."
// where the target's name is too long to take the suffix: a name no one else uses, so that the copies a killed save
// leaves behind can be found and removed without touching anything else. <machine> tells this machine from another
// that shares the folder, where a process number means nothing; <boot> tells a process of this start from one of an
// earlier start, which has surely ended. Names of older builds, "<boot>-<pid>-<...>", are still recognised.
const QString TemporaryInfix = QStringLiteral(".wagerlens-");
constexpr int RandomLength = 6;
constexpr int MachineTagLength = 12;
constexpr int BootTagLength = 8;
const char RandomAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

[[noreturn]] void RaiseFileError(const QString& action, const QString& path, const QString& reason) {
    const bool write = action == QLatin1String("write");
    throw EFileError({write ? QStringLiteral("FileWrite") : QStringLiteral("FileRead"),
                      write ? QStringLiteral("Cannot write the file \"%s\": %s. Choose another folder or name, or "
                                             "make the folder writable, and try again.")
                            : QStringLiteral("Cannot read the file \"%s\": %s. Check that it is there and that you "
                                             "may read it."),
                      {QDir::toNativeSeparators(path), reason}});
}

QString SystemReason(int error) {
    return qt_error_string(error);
}

// A link is replaced through its target, as before: the user's link stays a link.
QString ResolvedTarget(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 64 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

// Closes the descriptor and removes the temporary file unless the rename took it.
class TTemporary {
public:
    ~TTemporary() {
        if (Fd >= 0)
            ::close(Fd);
        if (!Name.isEmpty())
            ::unlink(QFile::encodeName(Name).constData());
    }
    int Fd = -1;
    QString Name;
};

bool IsAscii(QStringView text, bool letters) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool digit = u >= '0' && u <= '9';
        const bool letter = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
        if (!(digit || (letters && letter)))
            return false;
    }
    return !text.isEmpty();
}

bool IsHex(QStringView text, qsizetype length) {
    if (text.size() != length)
        return false;
    for (QChar c : text)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}

// Lowercase hex digits of the first line of a file, or nothing.
QByteArray HexOf(const QString& path) {
    QByteArray id;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const char c : file.readLine(128))
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))
                id += c;
    return id;
}

// A fixed-length hash (FNV-1a) of the machine's name, where the system gives no id.
QString HostNameHash(int length) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    unsigned long long hash = 14695981039346656037ULL;
    for (const char* c = host; *c != 0; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ULL;
    return QStringLiteral("%1").arg(hash & ((1ULL << (4 * length)) - 1), length, 16, QLatin1Char('0'));
}

QString BootId(int length) {
    const QByteArray id = HexOf(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return id.size() >= length ? QString::fromLatin1(id.left(length)) : QString();
}

QString MachineTag() {
    static const QString tag = [] {
        for (const QString& path : {QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id")})
            if (const QByteArray id = HexOf(path); id.size() >= MachineTagLength)
                return QString::fromLatin1(id.left(MachineTagLength));
        return HostNameHash(MachineTagLength);
    }();
    return tag;
}

// Without a boot id the starts cannot be told apart, and only ended processes of this one are known to be gone.
QString BootTag() {
    static const QString tag = [] {
        const QString id = BootId(BootTagLength);
        return id.isEmpty() ? HostNameHash(BootTagLength) : id;
    }();
    return tag;
}

// What older builds put in the names: the boot id's first 12 digits, or the name's hash.
QString LegacyHostTag() {
    static const QString tag = [] {
        const QString id = BootId(MachineTagLength);
        return id.isEmpty() ? HostNameHash(MachineTagLength) : id;
    }();
    return tag;
}

// The temporary name for target in its folder: the target's name with the suffix where that fits a file name,
// else the suffix alone.
QString TemporaryName(const QString& target, const QString& suffix) {
    const QFileInfo info(target);
    const QString full = info.fileName() + suffix;
    const QString name = QFile::encodeName(full).size() <= NAME_MAX ? full : suffix;
    return info.dir().filePath(name);
}

int (*FolderSync)(int) = ::fsync;

// The folder's entry for the renamed file reaches the disk too: without it a crash may bring back the old file.
void SyncFolder(const QString& target, const QString& path) {
    const int fd =
        ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return; // a folder that may be written but not read; the rename stands
    const int result = FolderSync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all; that is no failure of the save. Any other failure comes after
    // the rename: the file is saved, and only a crash soon could bring back the old one.
    if (result != 0 && error != EINVAL && error != EROFS)
        throw EFolderNotSynced({QStringLiteral("FolderNotSynced"),
                                QStringLiteral("The file \"%s\" is saved, but its folder could not be synced to the "
                                               "disk: %s. Should the computer stop in the next moments, the older "
                                               "file may come back."),
                                {QDir::toNativeSeparators(path), SystemReason(error)}});
}

bool ProcessIsAlive(long long pid) {
    if (pid <= 0 || pid > INT32_MAX)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

[[noreturn]] void RaiseTooLarge(const QString& path, qint64 size) {
    RaiseFileError(QStringLiteral("read"), path,
                   QStringLiteral("it holds %1 bytes (%2 MB), more than the %3 MB this program reads")
                       .arg(size)
                       .arg(static_cast<double>(size) / (1024.0 * 1024.0), 0, 'f', 1)
                       .arg(MaxReadFileSize / (1024 * 1024)));
}

} // namespace

void SetFolderSyncForTests(int (*sync)(int fd)) {
    FolderSync = sync ? sync : ::fsync;
}

QString HostTag() {
    return MachineTag() + QLatin1Char('-') + BootTag();
}

void WriteFileAtomically(const QString& path, const QByteArray& data) {
    const QString target = ResolvedTarget(path);
    const QFileInfo existing(target);
    if (existing.isDir())
        RaiseFileError(QStringLiteral("write"), path, QStringLiteral("it is a folder"));
    // A file its owner made read-only is not replaced behind its back.
    if (existing.exists() && !existing.isWritable())
        RaiseFileError(QStringLiteral("write"), path, QStringLiteral("the file is read-only"));

    TTemporary temp;
    QString name;
    for (int attempt = 0; attempt < 100 && temp.Fd < 0; ++attempt) {
        QString random;
        for (int i = 0; i < RandomLength; ++i)
            random += QLatin1Char(RandomAlphabet[QRandomGenerator::global()->bounded(int(sizeof RandomAlphabet) - 1)]);
        name = TemporaryName(target, TemporaryInfix + HostTag() + QLatin1Char('-') + QString::number(::getpid()) +
                                         QLatin1Char('-') + random);
        // 0666 lets the umask decide, as for any new file.
        temp.Fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temp.Fd < 0 && errno != EEXIST)
            RaiseFileError(QStringLiteral("write"), path, SystemReason(errno));
    }
    if (temp.Fd < 0)
        RaiseFileError(QStringLiteral("write"), path, SystemReason(EEXIST));
    temp.Name = name;

    if (existing.exists()) {
        struct stat info {};
        if (::stat(QFile::encodeName(target).constData(), &info) == 0)
            ::fchmod(temp.Fd, info.st_mode & 07777);
    }
    const char* bytes = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(temp.Fd, bytes, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            RaiseFileError(QStringLiteral("write"), path, SystemReason(written < 0 ? errno : ENOSPC));
        bytes += written;
        left -= written;
    }
    // On disk before the rename: otherwise a crash could leave the new name on an empty file.
    if (::fsync(temp.Fd) != 0)
        RaiseFileError(QStringLiteral("write"), path, SystemReason(errno));
    const int fd = temp.Fd;
    temp.Fd = -1;
    if (::close(fd) != 0)
        RaiseFileError(QStringLiteral("write"), path, SystemReason(errno));
    if (std::rename(QFile::encodeName(name).constData(), QFile::encodeName(target).constData()) != 0)
        RaiseFileError(QStringLiteral("write"), path, SystemReason(errno));
    temp.Name.clear();
    SyncFolder(target, path);
}

int RemoveStaleTemporaryFiles(const QString& path) {
    const QFileInfo info(ResolvedTarget(path));
    QDir folder = info.dir();
    int removed = 0;
    // The target's own temporaries, and those whose target's name was too long to carry. One listing without a
    // name filter: a filter is a pattern compiled afresh on every call.
    const QString prefixes[] = {info.fileName() + TemporaryInfix, TemporaryInfix};
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& prefix : prefixes) {
        for (const QString& name : names) {
            if (!name.startsWith(prefix) || QFileInfo(folder.filePath(name)).isSymLink())
                continue;
            // <machine>-<boot>-<pid>-<random>, or an older build's <boot>-<pid>-<random>
            const QStringList parts = name.mid(prefix.size()).split(QLatin1Char('-'));
            if (parts.size() < 3 || parts.size() > 4)
                continue;
            const QString& pidText = parts[parts.size() - 2];
            const QString& random = parts.back();
            if (pidText.isEmpty() || pidText.size() > 10 || !IsAscii(pidText, false) || random.size() != RandomLength ||
                !IsAscii(random, true))
                continue;
            const long long pid = pidText.toLongLong();
            const bool ended = pid != ::getpid() && !ProcessIsAlive(pid);
            bool stale = false;
            if (parts.size() == 4 && IsHex(parts[0], MachineTagLength) && IsHex(parts[1], BootTagLength))
                // Another machine's save in a shared folder is never touched; one of an earlier start has ended.
                stale = parts[0] == MachineTag() && (parts[1] != BootTag() || ended);
            else if (parts.size() == 3 && IsHex(parts[0], MachineTagLength))
                stale = parts[0] == LegacyHostTag() && ended;
            if (!stale)
                continue;
            if (folder.remove(name))
                ++removed;
        }
    }
    return removed;
}

bool ReadWholeFile(const QString& path, QByteArray& data) {
    // Only a file that is not there reads as missing: a folder we may not enter is an error, not an empty list.
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        RaiseFileError(QStringLiteral("read"), path, SystemReason(errno));
    }
    if (S_ISDIR(info.st_mode))
        RaiseFileError(QStringLiteral("read"), path, QStringLiteral("it is a folder"));
    QFile file(path);
    // Unbuffered: the file is read whole into its own buffer, and a device buffer would only be a copy.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        RaiseFileError(QStringLiteral("read"), path, file.errorString());
    // Checked on the open file too, so that a file that grew since the look above is still refused.
    if (info.st_size > MaxReadFileSize || file.size() > MaxReadFileSize)
        RaiseTooLarge(path, std::max<qint64>(info.st_size, file.size()));
    // The buffer is sized to the file, not to the limit: asking for the limit would allocate and clear 64 MB for
    // every file read. A file that grows meanwhile (or one whose size the system does not give) is read on in
    // pieces, up to one byte past the limit.
    const qint64 expected = std::min(std::max<qint64>(info.st_size, file.size()), MaxReadFileSize);
    QByteArray bytes = file.read(expected + 1);
    // A regular file read short has ended: the read goes on to its end or to the count asked for. Asking again
    // would cost a 64 KB buffer for every file read.
    const bool ended = S_ISREG(info.st_mode) && bytes.size() <= expected;
    while (!ended && bytes.size() <= MaxReadFileSize && file.error() == QFileDevice::NoError) {
        const QByteArray more = file.read(std::min<qint64>(1 << 16, MaxReadFileSize + 1 - bytes.size()));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (file.error() != QFileDevice::NoError)
        RaiseFileError(QStringLiteral("read"), path, file.errorString());
    if (bytes.size() > MaxReadFileSize)
        RaiseTooLarge(path, bytes.size());
    data = std::move(bytes);
    return true;
}

} // namespace wl
