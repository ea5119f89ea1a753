// The application object: the last line of defence for errors that escape an event handler unguarded.
#pragma once

#include "ui/dialogs/fException.h"
#include "ui/widgets/Guard.h"

#include <QApplication>
#include <QString>

#include <memory>

class QTranslator;

namespace wl {

// Shows a message through the test display when one is set, else in a plain message box.
void ShowErrorMessage(const QString& message);

class TApplication : public QApplication {
    Q_OBJECT
public:
    // Installs the error report as the reporter of escaped errors for the application's lifetime, and has the
    // toolkit's own texts (standard buttons, the file dialog, context menus) follow the chosen language.
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // The locale whose toolkit texts are in use; C while they are the toolkit's English ones.
    QString ToolkitLocale() const { return FToolkitLocale; }

private:
    void UseToolkitLanguage(const QString& code);

    TAppExceptionHandler FExceptionHandler;
    std::unique_ptr<QTranslator> FToolkitTexts;
    QString FToolkitLocale = QStringLiteral("C");
};

} // namespace wl
