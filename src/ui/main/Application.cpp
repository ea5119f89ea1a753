// The application's last line of defence against unguarded handlers.
#include "ui/main/Application.h"

#include <QMessageBox>

namespace wl {

void ShowErrorMessage(const QString& message) {
    if (ErrorDisplay()) {
        ErrorDisplay()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Wagerlens 1.3"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetErrorReporter(
        [this](QObject* sender, const std::exception_ptr& error) { FExceptionHandler.ReportException(sender, error); });
}

TApplication::~TApplication() {
    SetErrorReporter(nullptr);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportEscapedError(receiver, std::current_exception());
    }
    return false;
}

} // namespace wl
