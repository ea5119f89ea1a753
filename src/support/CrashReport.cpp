// The fatal-signal handler and the hand-over of its report to the next start.
#include "support/CrashReport.h"

#include "support/AtomicFile.h"
#include "support/Exception.h"
#include "support/SignalStack.h"
#include "support/StackTrace.h"
#include "support/TextSource.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

namespace wl {

namespace {

constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Everything the handler needs is prepared at installation: it may not allocate, lock or format.
char ReportPath[4096];
char TempPath[4096];
char FolderPath[4096];
TCodeBounds Bounds;
const char* ModuleName = "";
const char* BuildId = "";

const char* SignalName(int sig) {
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

struct TReportBuffer {
    char Text[2048];
    std::size_t Length = 0;

    void Put(const char* s) {
        while (*s != 0 && Length < sizeof(Text))
            Text[Length++] = *s++;
    }
    void PutHex(std::uint32_t v) {
        char digits[9];
        for (int i = 7; i >= 0; --i, v >>= 4)
            digits[i] = "0123456789ABCDEF"[v & 15];
        digits[8] = 0;
        Put(digits);
    }
    void PutDecimal(long v, int width) {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while ((v > 0 || n < width) && n < 11);
        while (n > 0 && Length < sizeof(Text))
            Text[Length++] = digits[--n];
    }
    // A trace line: the offset and the module it lies in.
    void PutTraceLine(std::uint32_t offset) {
        Put("\r\n");
        PutHex(offset);
        Put(" ");
        Put(ModuleName);
    }
    // "YYYY-MM-DD hh:mm:ss UTC" of a time in seconds since 1970, by arithmetic: gmtime is not async-signal-safe.
    void PutUtcTime(long seconds) {
        const long days = seconds / 86400;
        const long rest = seconds % 86400;
        const long z = days + 719468;
        const long era = z / 146097;
        const long doe = z - era * 146097;
        const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const long mp = (5 * doy + 2) / 153;
        const long day = doy - (153 * mp + 2) / 5 + 1;
        const long month = mp < 10 ? mp + 3 : mp - 9;
        PutDecimal(yoe + era * 400 + (month <= 2 ? 1 : 0), 4);
        Put("-");
        PutDecimal(month, 2);
        Put("-");
        PutDecimal(day, 2);
        Put(" ");
        PutDecimal(rest / 3600, 2);
        Put(":");
        PutDecimal(rest / 60 % 60, 2);
        Put(":");
        PutDecimal(rest % 60, 2);
        Put(" UTC");
    }
};

// The end of the mapping that holds sp, read from /proc/self/maps; 0 when not found. readable: whether it may be read
// (a stack overflow leaves sp in the guard page under the stack).
std::uintptr_t StackTop(std::uintptr_t sp, bool& readable) {
    const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char chunk[1024];
    std::uintptr_t fields[2] = {0, 0};
    int field = 0; // 0: start, 1: end, 2: rest of the line
    std::uintptr_t top = 0;
    ssize_t n = 0;
    while (top == 0 && (n = read(fd, chunk, sizeof(chunk))) > 0) {
        for (ssize_t i = 0; i < n && top == 0; ++i) {
            const char c = chunk[i];
            if (c == '\n') {
                field = 0;
                fields[0] = fields[1] = 0;
            } else if (field < 2) {
                const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
                if (digit >= 0) {
                    fields[field] = fields[field] * 16 + static_cast<std::uintptr_t>(digit);
                } else if (++field == 2 && sp >= fields[0] && sp < fields[1]) {
                    top = fields[1];
                    // The permissions follow the space: "r" first when it may be read.
                    readable = i + 1 < n ? chunk[i + 1] == 'r' : read(fd, chunk, 1) == 1 && chunk[0] == 'r';
                }
            }
        }
    }
    close(fd);
    return top;
}

// The stack walk of the crash report: every word from sp to the top of its stack that points just after a call
// instruction in the program's code is a candidate return address. The walk reads whole frames, padding and
// all, so AddressSanitizer must not check it.
__attribute__((no_sanitize("address"))) void ScanStack(std::uintptr_t sp, TTraceCollector& collector) {
    bool readable = false;
    std::uintptr_t top = StackTop(sp, readable);
    if (top != 0 && !readable) {
        // Overflowed into the guard page: the frames begin right above it.
        sp = top;
        top = StackTop(sp, readable);
    }
    if (!readable)
        return;
    for (std::uintptr_t p = sp & ~std::uintptr_t(7); p + sizeof(std::uintptr_t) <= top; p += sizeof(std::uintptr_t)) {
        const std::uintptr_t v = *reinterpret_cast<const volatile std::uintptr_t*>(p);
        if (v >= Bounds.Start + 8 && Bounds.Contains(v) &&
            FollowsCallInstruction(reinterpret_cast<const unsigned char*>(v)) && !collector.Offer(v, Bounds))
            break;
    }
}

void WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, data, length);
        if (n <= 0)
            return;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
}

// The report's folder and those above it, made only when there is a report to write: a run that does not crash
// leaves no trace in the user's folders. mkdir is safe in a signal handler; the path is cut at each separator.
void MakeFolder() {
    for (char* p = FolderPath + 1;; ++p) {
        if (*p != '/' && *p != 0)
            continue;
        const char end = *p;
        *p = 0;
        mkdir(FolderPath, 0777);
        *p = end;
        if (end == 0)
            return;
    }
}

// The thread writing the report; 0 while none is. Later faults, in other threads, wait for it to end the process.
std::atomic<pid_t> Reporter{0};

void EndBy(int sig) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(sig);
    _exit(128 + sig); // a fault that the default action ignores
}

extern "C" void OnFatalSignal(int sig, siginfo_t*, void* context) {
    const auto self = static_cast<pid_t>(syscall(SYS_gettid));
    pid_t none = 0;
    if (!Reporter.compare_exchange_strong(none, self)) {
        // Another thread writes the report and then ends the process; its own fault is the one reported.
        if (none != self)
            for (;;)
                pause();
        EndBy(sig); // a fault inside the handler itself
    }
    TReportBuffer report;
    report.Put("Wagerlens " WL_VERSION_STRING "\r\nCrash at ");
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    report.PutUtcTime(static_cast<long>(now.tv_sec));
    report.Put("\r\nBuild id ");
    report.Put(*BuildId != 0 ? BuildId : "unknown");
    report.Put("\r\nFatal signal ");
    report.Put(SignalName(sig));
    report.Put("\r\n");
    std::uintptr_t ip = 0;
    auto sp = reinterpret_cast<std::uintptr_t>(&report);
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    ip = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
    sp = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#else
    (void)context;
#endif
    report.Put("Fault offset ");
    if (Bounds.Contains(ip)) {
        report.PutHex(static_cast<std::uint32_t>(ip - Bounds.Base));
        report.Put(" ");
        report.Put(ModuleName);
    } else {
        report.Put("outside the program's code");
    }
    report.Put("\r\nStackframe-based trace:");
    TTraceCollector collector;
    ScanStack(sp, collector);
    for (int i = 0; i < collector.Count; ++i)
        report.PutTraceLine(collector.Offsets[i]);
    MakeFolder();
    const int fd = open(TempPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        WriteAll(fd, report.Text, report.Length);
        close(fd);
        rename(TempPath, ReportPath);
    }
    // The signal now ends the process as it would have without us.
    EndBy(sig);
}

} // namespace

QString CrashReportPath(const QString& folder) {
    return folder + QStringLiteral("/crash-report.txt");
}

void InstallCrashHandler(const QString& folder) {
    const QByteArray folderPath = QFile::encodeName(QDir::cleanPath(QDir(folder).absolutePath()));
    const QByteArray path = QFile::encodeName(CrashReportPath(folder));
    const QByteArray temp = path + ".tmp";
    if (static_cast<std::size_t>(temp.size()) >= sizeof(TempPath))
        throw EFileError(QStringLiteral("The folder path is too long: %1").arg(folder));
    if (static_cast<std::size_t>(folderPath.size()) >= sizeof(FolderPath))
        throw EFileError(QStringLiteral("The folder path is too long: %1").arg(folder));
    std::memcpy(FolderPath, folderPath.constData(), static_cast<std::size_t>(folderPath.size()) + 1);
    std::memcpy(ReportPath, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    std::memcpy(TempPath, temp.constData(), static_cast<std::size_t>(temp.size()) + 1);
    Bounds = ProgramCodeBounds();
    ModuleName = ProgramModuleName();
    BuildId = ProgramBuildId();

    // The installing thread's signal stack lasts as long as the process.
    static TAlternateSignalStack mainStack;
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    // Installed for good: a fault in a second thread while the report is written must reach the handler and wait,
    // not end the process half-way through the report. The fatal signals are blocked while the handler runs.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int sig : FatalSignals)
        sigaddset(&action.sa_mask, sig);
    for (const int sig : FatalSignals)
        sigaction(sig, &action, nullptr);
}

QString CrashReportText(const QString& report, const ITextSource* texts) {
    struct TLabel {
        const char* Key;
        const char* English;
    };
    static constexpr TLabel Labels[] = {
        {"CrashAt", "Crash at "},
        {"CrashBuildId", "Build id "},
        {"CrashSignal", "Fatal signal "},
        {"CrashFaultOffset", "Fault offset "},
        {"CrashTrace", "Stackframe-based trace:"},
    };
    QStringList lines = report.split(QStringLiteral("\r\n"));
    for (QString& line : lines)
        for (const TLabel& label : Labels) {
            const QString english = QString::fromLatin1(label.English);
            if (!line.startsWith(english))
                continue;
            // The label's own spacing stays: the translation is trimmed and the English separator put back.
            const QString separator = english.endsWith(QLatin1Char(' ')) ? QStringLiteral(" ") : QString();
            line = MessageText(texts, QString::fromLatin1(label.Key), english.trimmed()).trimmed() + separator +
                   line.mid(english.size());
            break;
        }
    const QString outside = QStringLiteral("outside the program's code");
    for (QString& line : lines)
        if (line.endsWith(outside))
            line = line.left(line.size() - outside.size()) +
                   MessageText(texts, QStringLiteral("CrashOutsideCode"), outside);
    return lines.join(QStringLiteral("\r\n"));
}

QString CrashTime(const QString& report) {
    const QString marker = QStringLiteral("\r\nCrash at ");
    const qsizetype at = report.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype start = at + marker.size();
    const qsizetype end = report.indexOf(QStringLiteral("\r\n"), start);
    return report.mid(start, end < 0 ? -1 : end - start);
}

std::optional<QString> TakeCrashReport(const QString& folder) {
    const QString path = CrashReportPath(folder);
    QFile::remove(path + QStringLiteral(".tmp")); // a crash while the report was being written
    QByteArray data;
    if (!ReadWholeFile(path, data))
        return std::nullopt;
    QFile::remove(path);
    return QString::fromUtf8(data);
}

} // namespace wl
