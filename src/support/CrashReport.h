// The crash report: a fatal signal leaves the version, the signal and a stack trace in a file, written with
// async-signal-safe calls only; the next start shows the report and deletes the file.
#pragma once

#include <QString>

#include <optional>

namespace wl {

class ITextSource;

// <folder>/crash-report.txt
QString CrashReportPath(const QString& folder);

// Handles SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT for the rest of the run: writes the report (the version,
// "Crash at <UTC time>", the build id, the signal, the faulting offset and the trace) into folder (made then, not
// here), then ends the process by the same signal. The other fatal signals wait while it runs. Nothing else is done
// in the handler. Called before the application object exists; gives the calling thread its signal stack. Raises
// EFileError when the folder's path is too long.
void InstallCrashHandler(const QString& folder);

// The report a crash left in folder, deleted from disk; nothing when there is none.
std::optional<QString> TakeCrashReport(const QString& folder);
// The report with its labels ("Crash at", "Build id", ...) in the language of texts; the file keeps them in English,
// as it is written before any language is read.
QString CrashReportText(const QString& report, const ITextSource* texts);
// The time a crash report gives ("2026-12-08 13:05:09 UTC"); empty when it gives none.
QString CrashTime(const QString& report);

} // namespace wl
