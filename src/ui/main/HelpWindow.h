// Context help: the help window that shows a topic of a compressed help file, and the application-wide handler
// that turns F1 and the Help menu into a topic ("file::/topic").
#pragma once

#include <QObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <memory>

class QHelpEngineCore;

namespace wl {

// The help file's pages, read through the help engine.
class THelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit THelpBrowser(QHelpEngineCore* engine, QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
    // A clicked link: a topic of the help file is shown here, anything else goes to the desktop's handler.
    void FollowLink(const QUrl& link);
    // Where outside links go; the desktop's handler unless replaced (tests).
    std::function<void(const QUrl&)> OpenExternal;

private:
    QHelpEngineCore* FEngine;
};

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 640;
    static constexpr int DefaultHeight = 560;

    explicit THelpWindow(QWidget* parent = nullptr);
    ~THelpWindow() override;

    // Whether the help engine can be used at all (it needs its database driver).
    bool Usable() const { return FUsable; }
    // Opens "file::/topic"; a missing file or topic is shown as a short note in the window.
    void ShowPath(const QString& path);
    QUrl CurrentUrl() const;
    QString CurrentFile() const { return FCurrentFile; }
    THelpBrowser* Browser() const { return FBrowser; }

private:
    QTemporaryDir FCollectionDir;
    std::unique_ptr<QHelpEngineCore> FEngine;
    THelpBrowser* FBrowser = nullptr;
    QString FCurrentFile;
    bool FUsable = false;
};

// Splits "file::/topic" into its two halves; a path without "::/" is all file.
void SplitHelpPath(const QString& path, QString& file, QString& topic);

// Installed once on the application: F1 asks for the context of the focused control (or of its window).
class THelpHandler : public QObject {
    Q_OBJECT
public:
    explicit THelpHandler(QWidget* mainWindow);
    ~THelpHandler() override;

    // Shows the topic of a context; returns true: the request is always dealt with.
    bool ShowHelpTopic(int context);
    THelpWindow* Window() const { return FWindow; }
    // Where "HHNotInstalled" goes; a message box unless replaced (tests).
    void SetMessageSink(std::function<void(const QString&)> sink) { FMessageSink = std::move(sink); }
    // The most recent "file::/topic" asked for.
    const QString& LastPath() const { return FLastPath; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> FMainWindow;
    QPointer<THelpWindow> FWindow;
    std::function<void(const QString&)> FMessageSink;
    QString FLastPath;
    int FUsable = -1; // unknown until the first request
};

} // namespace wl
