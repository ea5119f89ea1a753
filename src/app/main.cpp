// The program's main block: the application, the main window, and the preferences written at the end.
#include "app/ExportMode.h"
#include "preferences/Preferences.h"
#include "presentation/DataFolder.h"
#include "support/CrashReport.h"
#include "support/Exception.h"
#include "ui/dialogs/ChartDialogs.h"
#include "ui/dialogs/fException.h"
#include "ui/main/Application.h"
#include "ui/main/fMain.h"
#include "ui/widgets/Looks.h"

#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

bool ConstructingApplication = false;
QtMessageHandler QtHandler = nullptr;

void NoDisplayHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg && ConstructingApplication) {
        const QByteArray text =
            (QStringLiteral("wagerlens: the window cannot open: %1\n"
                            "Start it in a desktop session (check DISPLAY or WAYLAND_DISPLAY), or save a chart "
                            "without a window with --export (see --help).\n")
                 .arg(message.trimmed()))
                .toLocal8Bit();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (QtHandler != nullptr)
        QtHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    // Answered before any application object exists: a shell without a display gets them too.
    if (const QString information = wl::InformationText(args); !information.isEmpty()) {
        const QByteArray bytes = information.toLocal8Bit();
        const bool written = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) ==
                             static_cast<size_t>(bytes.size());
        return written && std::fflush(stdout) == 0 ? 0 : 1;
    }
    const bool exporting = wl::IsExportCommand(args);
    if (!exporting) {
        if (const QString unknown = wl::UnknownOption(args); !unknown.isEmpty()) {
            const QByteArray text =
                (QStringLiteral("wagerlens: unknown option \"%1\"\n").arg(unknown) + wl::UsageText()).toLocal8Bit();
            std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
            return 2;
        }
    }
    // The shell mode draws without a display.
    if (exporting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // First of all, so that a crash while the application object is built leaves its report too.
    try {
        wl::InstallCrashHandler(wl::UserDataFolder());
    } catch (const wl::Exception& e) {
        // Without a writable data folder a crash leaves no report; the program itself is not affected.
        qWarning("Wagerlens: %s", e.what());
    }
    // A display that cannot be opened is the user's setting, not a crash of the program: Qt would abort.
    ConstructingApplication = true;
    QtHandler = qInstallMessageHandler(NoDisplayHandler);
    wl::TApplication app(argc, argv);
    ConstructingApplication = false;
    QApplication::setOrganizationName(QStringLiteral("Brellion"));
    QApplication::setApplicationName(QStringLiteral("Wagerlens"));
    if (exporting)
        return wl::RunExportCommand(args);

    int result = 0;
    try {
        // Creating the preferences first means a missing Langs folder is reported before any window exists.
        const wl::TDataLayout layout = wl::CurrentDataLayout();
        wl::SetPreferencesSetup(wl::PreparePreferencesSetup(layout));
        wl::GetPreferences();
        auto window = std::make_unique<wl::TfmMain>(wl::PrepareDataFolder(layout));
        // The dialogs the controller opens: the selector, the editors and the about box.
        window->SetChartDialogs(std::make_unique<wl::TChartDialogs>(window.get()));
        window->show();
        // The report of a crash in the previous run, once.
        QTimer::singleShot(0, window.get(),
                           [w = window.get()] { wl::Guarded(w, [] { wl::OfferCrashReport(wl::UserDataFolder()); }); });
        result = app.exec();
        window.reset();
    } catch (...) {
        QMessageBox::critical(nullptr, wl::ProductTitle, wl::ExceptionMessage(std::current_exception()));
        result = 1;
    }
    try {
        if (wl::PreferencesExist())
            wl::ReleasePreferences();
    } catch (...) {
        QMessageBox::critical(nullptr, wl::ProductTitle, wl::ExceptionMessage(std::current_exception()));
        result = result == 0 ? 1 : result;
    }
    return result;
}
