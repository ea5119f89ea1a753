// The guard at every slot and event-handler boundary: an error raised in a handler never unwinds into Qt's code.
//
// Every connected slot, lambda and event override that can raise runs its body through the guard:
//
//     connect(btnAdd, &QPushButton::clicked, this, GuardedSlot(this, &TfmMain::btnAddClick));
//     connect(spin, &QSpinBox::valueChanged, this, [this](int v) { Guarded(this, [&] { seParamChange(0, v); }); });
//     void TfmFoo::resizeEvent(QResizeEvent* e) {
//         Guarded(this, [&] { PlacePanels(); });
//         QWidget::resizeEvent(e);
//     }
//
// The error goes to the user and the handler simply ends; the window stays usable: an error of the user's file,
// input or limit as a plain message, a fault of the program as the error report. One is shown at a time; what
// arrives meanwhile (a timer, an animation or a repaint failing again) waits behind it, and an error equal to one
// shown or waiting is dropped, so a repeating source never stacks a modal loop per tick. A fault is reported once
// per run. Qt's own calls (the base class handler above) stay outside the body. TApplication::notify only catches
// what a missing guard let through.
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

class QObject;

namespace wl {

// Shows an error that escaped a handler, through the queue: the test display when one is set, else the installed
// reporter, else a plain message box. Never raises.
void ReportEscapedError(QObject* sender, const std::exception_ptr& error) noexcept;

// The queue of everything shown about errors: show runs now, or once what is shown now has been closed. Dropped
// when a call with the same key is shown or waiting, or when it is a fault's key already shown in this run.
void QueueErrorReport(const QString& key, bool fault, std::function<void()> show) noexcept;

// Runs body; what it raises is reported. Returns whether body completed.
template <class F> bool Guarded(QObject* sender, F&& body) noexcept {
    try {
        std::invoke(std::forward<F>(body));
        return true;
    } catch (...) {
        ReportEscapedError(sender, std::current_exception());
        return false;
    }
}

// A member function as a guarded slot with the same parameters, for connect().
template <class C, class T, class R, class... A> auto GuardedSlot(C* receiver, R (T::*slot)(A...)) {
    return [receiver, slot](A... args) { Guarded(receiver, [&] { (receiver->*slot)(std::forward<A>(args)...); }); };
}

// The report of escaped errors, installed once at program start (the error report dialog).
using TErrorReporter = std::function<void(QObject* sender, const std::exception_ptr& error)>;
void SetErrorReporter(TErrorReporter reporter);

// Tests: receives the message of every escaped error and thread failure instead of any dialog. nullptr ends it.
// Setting it forgets which faults were reported.
using TErrorDisplay = std::function<void(const QString& message)>;
void SetErrorDisplay(TErrorDisplay display);
const TErrorDisplay& ErrorDisplay();

// The message of an exception, whatever its type ("Unknown error." for foreign objects and a null pointer); a
// user error's in the chosen language.
QString ExceptionMessage(const std::exception_ptr& error);

} // namespace wl
