// The trace of the error and crash reports: which addresses it keeps, and that they lead back to our functions.
#include "support/StackTrace.h"
#include "support/CrashReport.h"
#include "support/Exception.h"
#include "support/SignalStack.h"
#include "support/TextSource.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace wl {
namespace {

TEST(StackTraceTest, CollectorKeepsOurAddressesOncePerRunAtMost49) {
    const TCodeBounds bounds{0x1000, 0x2000, 0x3000};
    const auto a = reinterpret_cast<void*>(0x2100);
    const auto b = reinterpret_cast<void*>(0x2200);
    const auto outside = reinterpret_cast<void*>(0x9000);
    std::vector<void*> deep;
    for (int i = 0; i < 60; ++i)
        deep.push_back(reinterpret_cast<void*>(0x2000 + 16 + i));
    const struct {
        const char* Name;
        std::vector<void*> Raw;
        std::vector<std::uint32_t> Expected;
    } rows[] = {
        {"repeat right after itself", {a, a, b}, {0x1100, 0x1200}},
        {"repeat after another", {a, b, a}, {0x1100, 0x1200, 0x1100}},
        {"foreign code between is no candidate", {a, outside, a}, {0x1100}},
        {"nothing of ours", {outside, nullptr}, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CollectReturnAddresses(row.Raw, bounds), row.Expected) << row.Name;
    const auto collected = CollectReturnAddresses(deep, bounds);
    ASSERT_EQ(collected.size(), 49u);
    EXPECT_EQ(collected.back(), 0x1000u + 16 + 48);
    EXPECT_EQ(StackTraceText({}), QStringLiteral("Stackframe-based trace:"));
    EXPECT_EQ(StackTraceText({0xAB, 0x12345678}),
              QStringLiteral("Stackframe-based trace:\r\n000000AB support_tests\r\n12345678 support_tests"));
}

__attribute__((noinline)) void RaiseFromKnownPlace() {
    throw Exception("known place");
}

// addr2line on this test program: the raise address and the trace's first line name the raising function.
TEST(StackTraceTest, OffsetsResolveToOurFunctions) {
    std::vector<std::uint32_t> trace;
    std::uint32_t raise = 0;
    try {
        RaiseFromKnownPlace();
    } catch (const Exception& e) {
        raise = CodeOffset(e.RaiseAddress(), ProgramCodeBounds());
        trace = CollectReturnAddresses(e.RaiseTrace(), ProgramCodeBounds());
    }
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front(), raise);
    QProcess addr2line;
    addr2line.start(QStringLiteral("addr2line"), {QStringLiteral("-f"), QStringLiteral("-C"), QStringLiteral("-e"),
                                                  QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(),
                                                  QStringLiteral("0x") + QString::number(raise, 16)});
    ASSERT_TRUE(addr2line.waitForFinished(30000)) << "addr2line (binutils) is needed";
    EXPECT_TRUE(addr2line.readAllStandardOutput().contains("RaiseFromKnownPlace"));
}

// The build id the reports give is the one in the file, so that a report finds its build.
TEST(StackTraceTest, BuildIdIsTheProgramFilesOwn) {
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"),
                  {QStringLiteral("-n"), QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()});
    ASSERT_TRUE(readelf.waitForFinished(30000)) << "readelf (binutils) is needed";
    const QString notes = QString::fromLatin1(readelf.readAllStandardOutput());
    const QRegularExpressionMatch id = QRegularExpression(QStringLiteral("Build ID: ([0-9a-f]+)")).match(notes);
    ASSERT_TRUE(id.hasMatch()) << "linked with --build-id";
    EXPECT_EQ(QString::fromLatin1(ProgramBuildId()), id.captured(1));
    EXPECT_EQ(BuildIdLine(), QStringLiteral("Build id ") + id.captured(1));
}

__attribute__((noinline)) void Crash() {
    volatile std::uintptr_t bad = 8;
    *reinterpret_cast<volatile int*>(bad) = 1;
}

TEST(CrashReportTest, FatalSignalLeavesAReportTakenOnce) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    // The folder comes with the report: a run that does not crash makes none.
    const QString folder = scratch.path() + QStringLiteral("/user/data");
    EXPECT_EXIT(
        {
            InstallCrashHandler(folder);
            if (QFileInfo::exists(scratch.path() + QStringLiteral("/user")))
                std::_Exit(1);
            Crash();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    const std::optional<QString> report = TakeCrashReport(folder);
    ASSERT_TRUE(report.has_value());
    const QStringList lines = report->split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 7) << report->toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Wagerlens 1.3.0.10"));
    QDateTime at = QDateTime::fromString(CrashTime(*report), QStringLiteral("yyyy-MM-dd hh:mm:ss 'UTC'"));
    EXPECT_EQ(lines[1], QStringLiteral("Crash at ") + CrashTime(*report));
    ASSERT_TRUE(at.isValid()) << lines[1].toStdString();
    at.setTimeZone(QTimeZone::utc());
    EXPECT_LE(std::abs(at.secsTo(QDateTime::currentDateTimeUtc())), 120) << "the time of the crash, in UTC";
    EXPECT_EQ(lines[2], BuildIdLine());
    EXPECT_EQ(lines[3], QStringLiteral("Fatal signal SIGSEGV"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Fault offset [0-9A-F]{8} support_tests$")).match(lines[4]).hasMatch())
        << "the faulting instruction is ours: " << lines[4].toStdString();
    EXPECT_EQ(lines[5], QStringLiteral("Stackframe-based trace:"));
    for (qsizetype i = 6; i < lines.size(); ++i)
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8} support_tests$")).match(lines[i]).hasMatch())
            << "offset and module: " << lines[i].toStdString();
    EXPECT_FALSE(TakeCrashReport(folder).has_value());
}

void CrashTwoThreadsAtOnce() {
    std::atomic<int> ready{0};
    const auto fault = [&ready] {
        const TAlternateSignalStack signalStack;
        ready.fetch_add(1);
        while (ready.load() < 2) {
        }
        Crash();
    };
    std::thread first(fault);
    std::thread second(fault);
    first.join();
    second.join();
}

// Two threads that fault at once: the first writes the whole report while the second waits for the end.
TEST(CrashReportTest, ASecondFaultWaitsForTheReport) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        SCOPED_TRACE(attempt);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        EXPECT_EXIT(
            {
                InstallCrashHandler(folder.path());
                CrashTwoThreadsAtOnce();
            },
            ::testing::KilledBySignal(SIGSEGV), "");
        const std::optional<QString> report = TakeCrashReport(folder.path());
        ASSERT_TRUE(report.has_value()) << "the second fault ended the process before the report was written";
        EXPECT_TRUE(report->contains(QStringLiteral("\r\nStackframe-based trace:\r\n")));
    }
}

// The file keeps English labels, which CrashTime reads; the reader sees them in his language.
TEST(CrashReportTest, LabelsAreShownInTheReadersLanguage) {
    class TTexts final : public ITextSource {
    public:
        QString GetText(const QString& section, const QString& key) const override {
            if (section != QLatin1String("Messages"))
                return {};
            if (key == QLatin1String("CrashAt"))
                return QStringLiteral("Absturz am");
            if (key == QLatin1String("CrashTrace"))
                return QStringLiteral("Aufrufliste:");
            if (key == QLatin1String("CrashOutsideCode"))
                return QStringLiteral("außerhalb des Programmcodes");
            return {};
        }
    } texts;
    const QString report = QStringLiteral("Wagerlens 1.3.0.10\r\nCrash at 2026-12-08 13:05:09 UTC\r\nBuild id ab12\r\n"
                                          "Fatal signal SIGABRT\r\nFault offset outside the program's code\r\n"
                                          "Stackframe-based trace:\r\n0000ABCD wagerlens");
    EXPECT_EQ(CrashReportText(report, &texts),
              QStringLiteral("Wagerlens 1.3.0.10\r\nAbsturz am 2026-12-08 13:05:09 UTC\r\nBuild id ab12\r\n"
                             "Fatal signal SIGABRT\r\nFault offset außerhalb des Programmcodes\r\n"
                             "Aufrufliste:\r\n0000ABCD wagerlens"));
    EXPECT_EQ(CrashReportText(report, nullptr), report);
    EXPECT_EQ(CrashTime(report), QStringLiteral("2026-12-08 13:05:09 UTC"));
}

__attribute__((noinline)) int Overflow(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth == 1 << 30) // far beyond any thread's stack
        return 0;
    return Overflow(depth + 1) + frame[0];
}

// A thread that runs out of stack still leaves a report: the handler runs on that thread's own signal stack.
TEST(CrashReportTest, AThreadsStackOverflowLeavesAReport) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_EXIT(
        {
            InstallCrashHandler(folder.path());
            std::thread([] {
                const TAlternateSignalStack signalStack;
                Overflow(0);
            }).join();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    const std::optional<QString> report = TakeCrashReport(folder.path());
    ASSERT_TRUE(report.has_value()) << "no signal stack, no report";
    EXPECT_TRUE(report->contains(QStringLiteral("\r\nFatal signal SIGSEGV\r\n")));
}

} // namespace
} // namespace wl
