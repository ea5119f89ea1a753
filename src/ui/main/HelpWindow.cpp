// The help window and the application's help handler.
#include "ui/main/HelpWindow.h"
#include "ui/widgets/Looks.h"

#include "preferences/Preferences.h"
#include "presentation/Layout.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

namespace wl {

void SplitHelpPath(const QString& path, QString& file, QString& topic) {
    const qsizetype at = path.indexOf(QStringLiteral("::/"));
    if (at < 0) {
        file = path;
        topic.clear();
        return;
    }
    file = path.left(at);
    topic = path.mid(at + 3);
}

THelpBrowser::THelpBrowser(QHelpEngineCore* engine, QWidget* parent) : QTextBrowser(parent), FEngine(engine) {
    // The browser's own handling sends relative links of a qthelp page to the desktop, which cannot open them.
    setOpenLinks(false);
    OpenExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    connect(this, &QTextBrowser::anchorClicked, this, &THelpBrowser::FollowLink);
}

void THelpBrowser::FollowLink(const QUrl& link) {
    const QUrl target = link.isRelative() ? source().resolved(link) : link;
    if (target.scheme() == QStringLiteral("qthelp"))
        setSource(target);
    else if (OpenExternal)
        OpenExternal(target);
}

QVariant THelpBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() == QStringLiteral("qthelp") && FEngine != nullptr)
        return FEngine->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(ProductTitle);
    resize(DefaultWidth, DefaultHeight);
    if (FCollectionDir.isValid()) {
        FEngine = std::make_unique<QHelpEngineCore>(FCollectionDir.filePath(QStringLiteral("help.qhc")));
        FEngine->setReadOnly(false);
        FUsable = FEngine->setupData();
    }
    FBrowser = new THelpBrowser(FEngine.get(), this);
    connect(FBrowser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = FBrowser->documentTitle();
        setWindowTitle(title.isEmpty() ? ProductTitle : QString(title + QStringLiteral(" - ") + ProductTitle));
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FBrowser);
}

THelpWindow::~THelpWindow() = default;

void THelpWindow::ShowPath(const QString& path) {
    QString file;
    QString topic;
    SplitHelpPath(path, file, topic);
    if (!FUsable || !QFileInfo::exists(file)) {
        FBrowser->setPlainText(MessageText(&GetPreferences(), QStringLiteral("HelpFileMissing"),
                                           QStringLiteral("The help file %s cannot be opened."), {file}));
        FCurrentFile = file;
        return;
    }
    const QString ns = QHelpEngineCore::namespaceName(file);
    if (FEngine->documentationFileName(ns).isEmpty())
        FEngine->registerDocumentation(file);
    FCurrentFile = file;
    QUrl target;
    const QList<QUrl> files = FEngine->files(ns, QString());
    for (const QUrl& url : files) {
        if (topic.isEmpty() ? url.fileName().endsWith(QStringLiteral(".htm")) : url.fileName() == topic) {
            target = url;
            break;
        }
    }
    if (!target.isValid()) {
        FBrowser->setPlainText(MessageText(&GetPreferences(), QStringLiteral("HelpTopicMissing"),
                                           QStringLiteral("The topic %s is not in the help file %s."), {topic, file}));
        return;
    }
    FBrowser->setSource(target);
}

QUrl THelpWindow::CurrentUrl() const {
    return FBrowser->source();
}

THelpHandler::THelpHandler(QWidget* mainWindow) : QObject(mainWindow), FMainWindow(mainWindow) {
    qApp->installEventFilter(this);
}

THelpHandler::~THelpHandler() {
    qApp->removeEventFilter(this);
    delete FWindow.data();
}

bool THelpHandler::ShowHelpTopic(int context) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = FMainWindow.data();
    // A modal dialog blocks every window but its own children, so the help window follows the dialog.
    if (FWindow.isNull() || FWindow->parentWidget() != owner) {
        delete FWindow.data();
        FWindow = new THelpWindow(owner);
    }
    // Beside its owner rather than on top of it, each time it opens.
    if (owner != nullptr && !FWindow->isVisible()) {
        const QRect o = owner->window()->frameGeometry();
        const QScreen* screen = owner->screen();
        const QRect a = screen != nullptr ? screen->availableGeometry() : QRect();
        if (!a.isEmpty()) {
            const TLayoutRect r =
                PlaceBeside({o.x(), o.y(), o.width(), o.height()}, THelpWindow::DefaultWidth,
                            THelpWindow::DefaultHeight, {a.x(), a.y(), a.width(), a.height()}, 8, 320);
            FWindow->resize(r.Width, r.Height);
            FWindow->move(r.Left, r.Top);
        }
    }
    FLastPath = GetPreferences().GetHelpFileName() + QStringLiteral("::/") + HelpTopicForContext(context);
    if (FUsable < 0)
        FUsable = FWindow->Usable() ? 1 : 0;
    if (FUsable == 0) {
        const QString text = GetPreferences().GetMessageText(QStringLiteral("HHNotInstalled"));
        if (FMessageSink)
            FMessageSink(text);
        else
            QMessageBox::information(owner, ProductTitle, text);
        return true;
    }
    FWindow->ShowPath(FLastPath);
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
    return true;
}

bool THelpHandler::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr)
            focus = static_cast<QWidget*>(watched);
        if (focus->window() == FWindow.data())
            return false;
        Guarded(focus, [&] { ShowHelpTopic(HelpContextOf(focus)); });
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace wl
