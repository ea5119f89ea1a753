// Where errors that escape a handler go.
#include "ui/widgets/Guard.h"

#include "support/Exception.h"

#include <QApplication>
#include <QMessageBox>
#include <QtGlobal>

namespace wl {

namespace {

TErrorDisplay& Display() {
    static TErrorDisplay display;
    return display;
}

TErrorReporter& Reporter() {
    static TErrorReporter reporter;
    return reporter;
}

} // namespace

void SetErrorReporter(TErrorReporter reporter) {
    Reporter() = std::move(reporter);
}

void SetErrorDisplay(TErrorDisplay display) {
    Display() = std::move(display);
}

const TErrorDisplay& ErrorDisplay() {
    return Display();
}

void ReportEscapedError(QObject* sender, const std::exception_ptr& error) noexcept {
    try {
        if (Display()) {
            Display()(ExceptionMessage(error));
        } else if (Reporter()) {
            Reporter()(sender, error);
        } else {
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Wagerlens 1.3"), ExceptionMessage(error),
                            QMessageBox::Ok, QApplication::activeWindow());
            box.exec();
        }
    } catch (...) {
        // The report itself failed (out of memory, a broken dialog): the handler still ends quietly.
        qWarning("Wagerlens: an error could not be reported");
    }
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

} // namespace wl
