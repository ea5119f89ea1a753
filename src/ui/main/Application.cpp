// The application's handler of unhandled errors.
#include "ui/main/Application.h"

#include "support/Exception.h"

#include <QMessageBox>

namespace wl {

namespace {

TErrorDisplay& Display() {
    static TErrorDisplay display;
    return display;
}

} // namespace

void SetErrorDisplay(TErrorDisplay display) {
    Display() = std::move(display);
}

void ShowErrorMessage(const QString& message) {
    if (Display()) {
        Display()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Wagerlens 1.3"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

QString ExceptionMessage(const std::exception_ptr& error) {
    if (!error)
        return QStringLiteral("Unknown error.");
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowErrorMessage(ExceptionMessage(std::current_exception()));
    }
    return false;
}

} // namespace wl
