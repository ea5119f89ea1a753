// The application object: the last line of defence for errors that escape an event handler unguarded.
#pragma once

#include "ui/dialogs/fException.h"
#include "ui/widgets/Guard.h"

#include <QApplication>
#include <QString>

namespace wl {

// Shows a message through the test display when one is set, else in a plain message box.
void ShowErrorMessage(const QString& message);

class TApplication : public QApplication {
    Q_OBJECT
public:
    // Installs the error report as the reporter of escaped errors for the application's lifetime.
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

private:
    TAppExceptionHandler FExceptionHandler;
};

} // namespace wl
