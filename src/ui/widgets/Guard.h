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
// The error goes to the error report and the handler simply ends; the window stays usable. Qt's own calls (the
// base class handler above) stay outside the body. TApplication::notify only catches what a missing guard let
// through.
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

class QObject;

namespace wl {

// Shows an error that escaped a handler: the test display when one is set, else the installed reporter, else a
// plain message box. Never raises.
void ReportEscapedError(QObject* sender, const std::exception_ptr& error) noexcept;

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
using TErrorDisplay = std::function<void(const QString& message)>;
void SetErrorDisplay(TErrorDisplay display);
const TErrorDisplay& ErrorDisplay();

// The message of an exception, whatever its type ("Unknown error." for foreign objects and a null pointer).
QString ExceptionMessage(const std::exception_ptr& error);

} // namespace wl
