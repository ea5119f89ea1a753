// A temporary program folder for widget tests: language files, a coin game and a flat system, and the
// preferences pointed at it.
#pragma once

#include "preferences/Preferences.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace wl::test {

inline void WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

class TUiFolder {
public:
    TUiFolder() {
        const QString folder = Dir.path();
        QDir().mkpath(folder + QStringLiteral("/Langs"));
        for (const char* code : {"ENG", "RUS", "DEU"}) {
            const QString name = QString::fromLatin1(code) + QStringLiteral(".ini");
            QFile::copy(QStringLiteral(WL_SOURCE_DATA_DIR "/Langs/") + name, folder + QStringLiteral("/Langs/") + name);
        }
        WriteText(folder + QStringLiteral("/games.ini"),
                  "[Coin]\r\nCount=2\r\nResult0=1\r\nProbability0=0.5\r\nResult1=-1\r\nProbability1=0.5\r\n\r\n"
                  "[Die]\r\nCount=2\r\nResult0=5\r\nProbability0=0.1666666666666667\r\nResult1=-1\r\n"
                  "Probability1=0.8333333333333333\r\n\r\n");
        WriteText(folder + QStringLiteral("/bets.ini"), "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n");
    }
    ~TUiFolder() {
        if (PreferencesExist())
            ReleasePreferences();
    }

    QString Path() const { return Dir.path(); }
    QString StorePath() const { return Dir.path() + QStringLiteral("/wagerlens.ini"); }

    // Points the process-wide preferences here; the store may be written first.
    void UsePreferences(const QByteArray& store = {}, const QString& playNow = {}) const {
        if (PreferencesExist())
            ReleasePreferences();
        if (!store.isEmpty())
            WriteText(StorePath(), store);
        TPreferencesSetup setup;
        setup.ProgramFolder = Path();
        setup.StorePath = StorePath();
        setup.SystemLanguage = QStringLiteral("ENG");
        setup.PlayNowAddress = playNow;
        SetPreferencesSetup(setup);
    }

private:
    QTemporaryDir Dir;
};

// Runs the event loop until done() or the timeout; returns done().
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace wl::test
