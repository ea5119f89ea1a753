// What the dialog tests share: an offscreen application, preferences in a temporary folder, typing into grids and
// answering the message boxes that the dialogs open.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractItemView;
class QWidget;

namespace wl::test {

// The test languages: BAD and NIL are the same as ENG except for their confirmation formats.
inline constexpr const char* GoodLanguage = "ENG";
inline constexpr const char* BadLanguage = "BAD";
// NIL asks its confirmations without the name: one is empty, the other has no placeholder.
inline constexpr const char* PlainLanguage = "NIL";

// Types text into cell (row, col) of an item view and presses Enter, as a user would.
void TypeIntoCell(QAbstractItemView& view, int row, int col, const QString& text);
// Sends key presses and releases to the focused widget; PressKey then lets queued calls run.
void TypeText(const QString& text);
void PressKey(int key);

// Keys as a fast typist sends them: each goes to whatever has the focus when it arrives, with no event processing
// in between. "\t" is Tab, "\r" Enter, "\x1b" Escape.
void TypeFast(const QString& keys);
// Clicks cell (row, col) of an item view.
void ClickCell(QAbstractItemView& view, int row, int col);
// Runs action, then lets events run for a double-click interval and more, answering every message box that opens
// meanwhile with button (or its only button). Returns the boxes' texts in order.
QStringList AnswerBoxes(QMessageBox::StandardButton button, const std::function<void()>& action);

// Answers the next message box that opens with button; the box's text lands in *text when given.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text = nullptr);
// Runs action with the next modal dialog of type T once it is showing.
void WithNextModal(const std::function<void(QWidget&)>& action);

// Shows a dialog and makes it the active window, so that keys reach its focus widget.
void ShowActive(QWidget& dialog);

} // namespace wl::test
