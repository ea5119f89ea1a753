// wagerlens --export: computes one chart without a window and saves it, then exits.
#pragma once

#include <QSize>
#include <QStringList>

namespace wl {

// The chart's size in a main window of its default size: the picture's size when --size is not given.
inline constexpr QSize DefaultExportSize(451, 426);

// What --help (-h) or --version asks for, when the arguments (without the program name) are only that: the text to
// print on stdout before any application object exists, so that no display is needed. Empty otherwise.
QString InformationText(const QStringList& args);
// The first argument that neither this program nor Qt's application object takes, when the window is to open (no
// --export, --help or --version); empty when there is none. Checked before a display is needed.
QString UnknownOption(const QStringList& args);
// The usage text, as --help prints it.
QString UsageText();
// Whether the arguments (without the program name) ask for the export mode.
bool IsExportCommand(const QStringList& args);
// Runs it: 0 written, 1 a failure, 2 bad arguments; messages go to stderr. Needs a QApplication.
int RunExportCommand(const QStringList& args);

} // namespace wl
