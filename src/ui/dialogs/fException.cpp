// The error report dialog and the texts it shows.
#include "ui/dialogs/fException.h"

#include "preferences/Preferences.h"
#include "support/CrashReport.h"
#include "support/Exception.h"
#include "support/SafeFormat.h"
#include "support/StackTrace.h"
#include "support/TextSource.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/Looks.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace wl {

namespace {

constexpr int ClientWidth = 291;
constexpr int ClientHeight = 263;
constexpr int HeaderHeight = 28;
constexpr int ButtonStripHeight = 31;

QWidget* ReportParent(QObject* sender) {
    if (sender != nullptr && sender->isWidgetType())
        return static_cast<QWidget*>(sender)->window();
    return QApplication::activeWindow();
}

} // namespace

TfmException::TfmException(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    UseFormFont(*this);
    lHeader = new QLabel(QStringLiteral("SORRY,  PROGRAMM  ERROR "), this);
    Memo = new QPlainTextEdit(this);
    QFont memoFont(QStringLiteral("Tahoma"));
    memoFont.setPixelSize(11);
    Memo->setFont(memoFont);
    Memo->setEnabled(false);
    // Disabled so that the report cannot be edited before it is copied or sent, but it must stay readable.
    QPalette memoPalette = Memo->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::Base})
        memoPalette.setColor(QPalette::Disabled, role, memoPalette.color(QPalette::Active, role));
    Memo->setPalette(memoPalette);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    btnCopy = new QPushButton(QStringLiteral("Copy"), this);
    btnSend = new QPushButton(QStringLiteral("Send"), this);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    for (QPushButton* b : {btnCopy, btnSend, btnOK}) {
        NoDefaultButton(b);
        b->setFixedSize(80, 22);
    }
    btnOK->setDefault(true);
    connect(btnCopy, &QPushButton::clicked, this, GuardedSlot(this, &TfmException::btnCopyClick));
    connect(btnSend, &QPushButton::clicked, this, GuardedSlot(this, &TfmException::btnSendClick));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addWidget(btnCopy);
    buttons->addStretch(1);
    buttons->addWidget(btnSend);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    auto* strip = new QWidget(this);
    strip->setFixedHeight(ButtonStripHeight);
    strip->setLayout(buttons);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(lHeader);
    main->addWidget(Memo, 1);
    main->addWidget(strip);
    lHeader = MakeHeaderBar(lHeader, HeaderHeight);
    setFixedSize(ClientWidth, ClientHeight);
}

void TfmException::SetReport(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Memo->setPlainText(lines);
}

void TfmException::ApplyLanguage(const TPreferences& prefs) {
    setWindowTitle(prefs.GetWindowCaption(QStringLiteral("Wagerlens 1.3")));
    lHeader->setText(prefs.GetText(QStringLiteral("Exception"), QStringLiteral("Header")));
    btnOK->setText(prefs.GetButtonText(QStringLiteral("OK")));
    btnCopy->setText(prefs.GetButtonText(QStringLiteral("Copy")));
    btnSend->setText(prefs.GetButtonText(QStringLiteral("Send")));
    ApplyFont(*this);
    lHeader = MakeHeaderBar(lHeader, HeaderHeight);
    // Long translations of the header get a smaller font rather than losing their ends.
    QFont f = lHeader->font();
    while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(lHeader->text()) > ClientWidth - 8)
        f.setPointSizeF(f.pointSizeF() - 0.5);
    lHeader->setFont(f);
}

QString TfmException::ReportText() const {
    QString text;
    for (const QString& line : Memo->toPlainText().split(QLatin1Char('\n')))
        text += line + QStringLiteral("\r\n");
    return text;
}

void TfmException::btnCopyClick() {
    QApplication::clipboard()->setText(ReportText());
}

void TfmException::btnSendClick() {
    // No mail program is no failure worth a report.
    QDesktopServices::openUrl(QUrl::fromEncoded(ReportMailLink(ReportText()).toLatin1()));
}

void TAppExceptionHandler::ReportException(QObject* sender, const std::exception_ptr& error) {
    if (IsUserError(error))
        ShowUserError(ExceptionMessage(error), ReportParent(sender));
    else
        ShowReport(ExceptionReportText(error), ReportParent(sender));
}

QString ExceptionReportText(const std::exception_ptr& error) {
    const TCodeBounds& bounds = ProgramCodeBounds();
    QString message;
    std::uint32_t raise = 0;
    std::vector<std::uint32_t> trace;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        message = e.Message();
        raise = CodeOffset(e.RaiseAddress(), bounds);
        trace = CollectReturnAddresses(e.RaiseTrace(), bounds);
    } catch (...) {
        // Nothing recorded where it was raised: the trace of where it was caught is the best there is.
        message = ExceptionMessage(error);
        void* raw[96];
        const int count = CaptureReturnAddresses(raw, 96);
        trace = CollectReturnAddresses({raw, static_cast<std::size_t>(std::max(count, 0))}, bounds);
        raise = trace.empty() ? 0 : trace.front();
    }
    return QStringLiteral("Wagerlens " WL_VERSION_STRING "\r\n") + message + QStringLiteral("\r\n") +
           HexAddress(raise) + QStringLiteral("\r\n") + StackTraceText(trace) + QStringLiteral("\r\n") + BuildIdLine();
}

QString ThreadReportText(const Exception& error) {
    return QStringLiteral("Exception at ") + HexAddress(CodeOffset(error.RaiseAddress(), ProgramCodeBounds())) +
           QStringLiteral(" : \r\n") + error.Message();
}

QString ReportMailLink(const QString& reportText) {
    return QStringLiteral("mailto:") + SupportMailAddress() + QStringLiteral("?subject=Wagerlens%20error&body=") +
           PercentEncode(reportText);
}

void ShowThreadErrorReport(const Exception& error) {
    const bool user = error.IsUserError();
    const QString message = error.UserMessage(PreferencesExist() ? &GetPreferences() : nullptr);
    const QString report = user ? message : ThreadReportText(error);
    QueueErrorReport(report, !user, [user, message, report] {
        if (ErrorDisplay())
            ErrorDisplay()(message);
        else if (user)
            ShowUserError(message);
        else
            ShowReport(report);
    });
}

void ShowUserError(const QString& text, QWidget* parent) {
    const TPreferences& prefs = GetPreferences();
    // The user's to mend, not a fault of the program: the title must not say "Program error".
    QMessageBox box(QMessageBox::Warning,
                    MessageText(&prefs, QStringLiteral("UserErrorCaption"), QStringLiteral("Wagerlens: please check")),
                    text, QMessageBox::Ok, parent != nullptr ? parent : QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(prefs.GetButtonText(QStringLiteral("OK")));
    box.exec();
}

void ShowReport(const QString& text, QWidget* parent) {
    TfmException form(parent != nullptr ? parent : QApplication::activeWindow());
    form.SetReport(text);
    form.ApplyLanguage(GetPreferences());
    form.exec();
}

void OfferCrashReport(const QString& folder) {
    const std::optional<QString> report = TakeCrashReport(folder);
    if (!report)
        return;
    // Said first, so that nobody takes it for a failure of this run.
    const QString time = CrashTime(*report);
    // Through the lookup with its arguments: a translation that does not fit them falls back to English, and the
    // report is never lost to it.
    const QString text =
        MessageText(&GetPreferences(), QStringLiteral("PreviousCrash"),
                    QStringLiteral("The previous run of Wagerlens ended in a crash on %s. Its report:"),
                    {time.isEmpty() ? QStringLiteral("?") : time}) +
        QStringLiteral("\r\n") + CrashReportText(*report, &GetPreferences());
    if (ErrorDisplay())
        ErrorDisplay()(text);
    else
        ShowReport(text);
}

} // namespace wl
