// The shared looks of the windows: the interface font, header caption bars and link labels.
#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace wl {

// The program's name in every window and box title.
inline const QString ProductTitle = QStringLiteral("Wagerlens 1.3");

// "Tahoma" when the font database has it, otherwise "MS Shell Dlg" (the dialog font, resolved by ApplyFont).
QString ChooseFontName();

// The face name that ApplyFont sets; the start-up code keeps it equal to the preferences' FontName.
void SetInterfaceFontName(const QString& name);
QString InterfaceFontName();

// Sets the face name only; size, style and colour stay.
void ApplyFont(QFont& font);
void ApplyFont(QWidget& widget);

// Turns a header label into a caption bar and returns the label now in its place (the same one when it already is
// a caption bar). A replaced plain label is hidden and deleted later, so calling this from its own handler is safe.
QLabel* StyleHeader(QLabel* label);

// Pure blue, underlined.
void StyleLink(QLabel& label);

} // namespace wl
