// Help context numbers on widgets, and the topic each number opens. F1 asks the focused widget, then its parents.
#pragma once

#include <QString>

class QWidget;

namespace wl {

inline constexpr int MainWindowHelpContext = 100;
inline constexpr int SelectorHelpContext = 200;
inline constexpr int GameEditorHelpContext = 300;
inline constexpr int BetSystemEditorHelpContext = 400;
inline constexpr int ChartListHelpContext = 500;
inline constexpr int SummaryHelpContext = 600;

void SetHelpContext(QWidget* widget, int context);
// The context of widget, or of the nearest parent that has one; 0 when none has.
int HelpContextOf(const QWidget* widget);
// "main_win.htm" for 100 and so on; empty for an unknown context.
QString HelpTopicForContext(int context);

} // namespace wl
