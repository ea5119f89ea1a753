// The application object: catches what escapes an event handler and shows it, so the program goes on.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace wl {

// How an unhandled error reaches the user; a plain message box until replaced.
using TErrorDisplay = std::function<void(const QString& message)>;
void SetErrorDisplay(TErrorDisplay display);
// Shows message through the current display; used for event-handler failures and calculation-thread failures.
void ShowErrorMessage(const QString& message);
// The message of an exception, whatever its type (for catch (...) pass nullptr).
QString ExceptionMessage(const std::exception_ptr& error);

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace wl
