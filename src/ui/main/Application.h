// The application object: the last line of defence for errors that escape an event handler unguarded.
#pragma once

#include "ui/widgets/Guard.h"

#include <QApplication>
#include <QString>

namespace wl {

// Shows a message through the test display when one is set, else in a plain message box.
void ShowErrorMessage(const QString& message);

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace wl
