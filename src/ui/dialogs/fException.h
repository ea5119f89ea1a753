// The error report: every failure that reaches the event loop or ends a calculation, shown as a short technical
// report that the user can copy or mail to the maker.
#pragma once

#include <QDialog>
#include <QString>

#include <exception>

class QLabel;
class QObject;
class QPlainTextEdit;
class QPushButton;

namespace wl {

class Exception;
class TPreferences;

class TfmException : public QDialog {
    Q_OBJECT
public:
    explicit TfmException(QWidget* parent = nullptr);

    // Shows text with its line breaks (CR LF, LF or CR).
    void SetReport(const QString& text);
    void ApplyLanguage(const TPreferences& prefs);
    // The memo's lines, each followed by CR LF, the last one included.
    QString ReportText() const;

    void btnCopyClick();
    void btnSendClick();

    QLabel* lHeader = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnSend = nullptr;
    QPushButton* btnOK = nullptr;
};

// Installed by TApplication as the reporter of errors that escape a handler: the user's errors as a plain
// message, the program's faults as the report.
class TAppExceptionHandler {
public:
    void ReportException(QObject* sender, const std::exception_ptr& error);
};

// "Wagerlens <version>", the message, the raise address and the trace where it was raised (for an error of
// another type, where it was caught); addresses as offsets into the program.
QString ExceptionReportText(const std::exception_ptr& error);
// "Exception at <raise address> : " CR LF, then the message.
QString ThreadReportText(const Exception& error);
// The mailto: link that Send opens for a report.
QString ReportMailLink(const QString& reportText);

// A calculation-thread failure, on the interface thread, through the queue of error reports: a user error as a
// plain message, a fault as the report.
void ShowThreadErrorReport(const Exception& error);
// The plain message of a user's file, input or limit over parent: what is wrong and what to do, no report.
void ShowUserError(const QString& text, QWidget* parent = nullptr);
// Shows text in the report dialog over parent (the active window when null).
void ShowReport(const QString& text, QWidget* parent = nullptr);
// Shows the report a crash left in folder once, then deletes it.
void OfferCrashReport(const QString& folder);

} // namespace wl
