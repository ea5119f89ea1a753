// Where errors that escape a handler go, one at a time.
#include "ui/widgets/Guard.h"
#include "ui/widgets/Looks.h"

#include "preferences/Preferences.h"
#include "support/Exception.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QtGlobal>

#include <deque>

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

struct TQueuedReport {
    QString Key;
    bool Fault = false;
    std::function<void()> Show;
};

struct TReportQueue {
    std::deque<TQueuedReport> Waiting;
    QString Showing; // the key of the report open now
    bool Busy = false;
    QSet<QString> ShownFaults;
};

TReportQueue& Queue() {
    static TReportQueue queue;
    return queue;
}

// Fault reports differ by where they were raised as well; user errors by their text alone.
QString ReportKey(const std::exception_ptr& error, const QString& message) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.IsUserError()
                   ? message
                   : message + QStringLiteral("@") + QString::number(reinterpret_cast<quintptr>(e.RaiseAddress()), 16);
    } catch (...) {
        return message;
    }
}

} // namespace

void SetErrorReporter(TErrorReporter reporter) {
    Reporter() = std::move(reporter);
}

void SetErrorDisplay(TErrorDisplay display) {
    Display() = std::move(display);
    Queue().ShownFaults.clear();
}

const TErrorDisplay& ErrorDisplay() {
    return Display();
}

void QueueErrorReport(const QString& key, bool fault, std::function<void()> show) noexcept {
    try {
        TReportQueue& queue = Queue();
        if ((queue.Busy && queue.Showing == key) || (fault && queue.ShownFaults.contains(key)))
            return;
        for (const TQueuedReport& waiting : queue.Waiting)
            if (waiting.Key == key)
                return;
        queue.Waiting.push_back({key, fault, std::move(show)});
        // The report open now runs a modal loop; a second one inside it would nest: it waits its turn instead.
        if (queue.Busy)
            return;
        queue.Busy = true;
        while (!queue.Waiting.empty()) {
            TQueuedReport next = std::move(queue.Waiting.front());
            queue.Waiting.pop_front();
            queue.Showing = next.Key;
            if (next.Fault)
                queue.ShownFaults.insert(next.Key);
            try {
                next.Show();
            } catch (...) {
                // The report itself failed (out of memory, a broken dialog): the next one is still shown.
                qWarning("Wagerlens: an error could not be reported");
            }
        }
        queue.Busy = false;
        queue.Showing.clear();
    } catch (...) {
        Queue().Busy = false;
        qWarning("Wagerlens: an error could not be reported");
    }
}

void ReportEscapedError(QObject* sender, const std::exception_ptr& error) noexcept {
    try {
        const QString message = ExceptionMessage(error);
        const QPointer<QObject> source(sender);
        QueueErrorReport(ReportKey(error, message), !IsUserError(error), [source, error, message] {
            if (Display()) {
                Display()(message);
            } else if (Reporter()) {
                Reporter()(source.data(), error);
            } else {
                QMessageBox box(QMessageBox::Critical, ProductTitle, message, QMessageBox::Ok,
                                QApplication::activeWindow());
                box.exec();
            }
        });
    } catch (...) {
        qWarning("Wagerlens: an error could not be reported");
    }
}

QString ExceptionMessage(const std::exception_ptr& error) {
    return ExceptionText(error, PreferencesExist() ? &GetPreferences() : nullptr);
}

} // namespace wl
