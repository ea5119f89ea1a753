// The application's last line of defence against unguarded handlers.
#include "ui/main/Application.h"
#include "ui/widgets/Looks.h"

#include "preferences/Preferences.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

namespace wl {

void ShowErrorMessage(const QString& message) {
    if (ErrorDisplay()) {
        ErrorDisplay()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, ProductTitle, message, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetErrorReporter(
        [this](QObject* sender, const std::exception_ptr& error) { FExceptionHandler.ReportException(sender, error); });
    SetLanguageObserver([this](const QString& code) { UseToolkitLanguage(code); });
}

TApplication::~TApplication() {
    SetLanguageObserver(nullptr);
    SetErrorReporter(nullptr);
}

void TApplication::UseToolkitLanguage(const QString& code) {
    const QLocale locale = LocaleForLanguageCode(code);
    if (locale.name() == FToolkitLocale)
        return;
    if (FToolkitTexts) {
        removeTranslator(FToolkitTexts.get());
        FToolkitTexts.reset();
    }
    FToolkitLocale = QStringLiteral("C");
    // Qt's translations of its own texts; without them (or for English) the toolkit speaks English.
    auto texts = std::make_unique<QTranslator>();
    if (locale.language() == QLocale::English || !texts->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    installTranslator(texts.get());
    FToolkitTexts = std::move(texts);
    FToolkitLocale = locale.name();
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
