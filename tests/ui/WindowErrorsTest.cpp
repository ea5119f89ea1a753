// Errors in the window: a series failing on the calculation thread while the list is rebuilt, a user's error as a
// plain message against a fault's report, a repeating source, and a close whose save failed.
#include "charts/ChartController.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "support/AtomicFile.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "ui/dialogs/fException.h"
#include "ui/main/fMain.h"
#include "ui/widgets/Guard.h"

#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace wl {
namespace {

class WindowErrorsTest : public ::testing::Test {
protected:
    void SetUp() override { SetErrorDisplay(nullptr); }
    void TearDown() override {
        SetErrorDisplay(nullptr);
        SetErrorReporter([](QObject* sender, const std::exception_ptr& error) {
            TAppExceptionHandler().ReportException(sender, error);
        });
    }
    std::unique_ptr<TfmMain> Open() {
        Folder.UsePreferences();
        return std::make_unique<TfmMain>(Folder.Path());
    }
    test::TUiFolder Folder;
};

// The thread fails the series while the window lists it: the failure reaches the list through the hand-over only.
TEST_F(WindowErrorsTest, ASeriesFailingInRoundOneIsAddedWhileTheListIsRebuilt) {
    test::WriteText(Folder.Path() + QStringLiteral("/bets.ini"),
                    "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n"
                    "[Broken]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=3\r\n\r\n");
    QStringList shown;
    SetErrorDisplay([&shown](const QString& m) { shown << m; });
    auto w = Open();
    w->FormActivate();
    TStorage& s = w->Controller().Storage();
    for (int i = 0; i < 3; ++i) {
        w->Controller().AddSeries(*s.Games->Item(0), *s.Systems->Item(0)); // the list is sorted: Broken, Flat
        w->RefreshSeriesList();
        w->Controller().AddSeries(*s.Games->Item(0), *s.Systems->Item(1));
        w->RefreshSeriesList();
    }
    ASSERT_TRUE(test::WaitFor([&] { return !w->Controller().Running(); }));
    w->RefreshSeriesList();
    SetErrorDisplay(nullptr);

    ASSERT_FALSE(shown.isEmpty());
    for (const QString& m : shown)
        EXPECT_TRUE(m.startsWith(QStringLiteral("The series \"Coin [Broken]\" cannot be charted.\r\nThe betting "
                                                "system \"Broken\": state 0 goes to state 3")))
            << "a plain message, no report: " << m.toStdString();
    ASSERT_EQ(w->lbSeries->count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(w->lbSeries->item(i)->toolTip().contains(QStringLiteral("Correct it in the system editor.")),
                  i % 2 == 0)
            << i;
}

// What the installed reporter opens: the user's errors a plain box, the program's faults the report.
TEST_F(WindowErrorsTest, AUserErrorIsAPlainMessageAndAFaultTheReport) {
    Folder.UsePreferences();
    const QString missing = Folder.Path() + QStringLiteral("/gone/chart.png");
    struct TRow {
        const char* Name;
        std::function<void()> Raise;
        bool Plain;
        QString Shown;
    };
    const TRow rows[] = {
        {"a folder that is not there", [&] { WriteFileAtomically(missing, "x"); }, true,
         QStringLiteral("Cannot write the file \"") + missing},
        {"a checked index", [] { CheckIndex(40, 0, 9, "series index"); }, false,
         QStringLiteral("series index 40 is outside 0..9")},
    };
    for (const TRow& row : rows) {
        QString kind;
        QString text;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                kind = QStringLiteral("plain");
                text = box->text();
                box->accept();
            } else if (auto* report = qobject_cast<TfmException*>(modal)) {
                kind = QStringLiteral("report");
                text = report->ReportText();
                report->accept();
            }
        });
        QPushButton button;
        QObject::connect(&button, &QPushButton::clicked, &button, [&] { Guarded(&button, row.Raise); });
        button.click();
        EXPECT_EQ(kind, row.Plain ? QStringLiteral("plain") : QStringLiteral("report")) << row.Name;
        EXPECT_TRUE(text.contains(row.Shown)) << row.Name << ": " << text.toStdString();
    }
}

// A source that fails on every tick, while its first report is open: one report, no report inside another, and
// what else failed meanwhile comes after it.
TEST_F(WindowErrorsTest, ARepeatingSourceIsReportedOnceWithoutNesting) {
    QStringList shown;
    int depth = 0;
    int deepest = 0;
    QTimer tick;
    tick.setInterval(2);
    SetErrorReporter([&](QObject*, const std::exception_ptr& error) {
        deepest = std::max(deepest, ++depth);
        shown << ExceptionMessage(error);
        if (shown.size() == 1) {
            // Stands for the report's modal loop: the timer goes on failing, and a user error comes in.
            Guarded(&tick, [] { throw EUserError(QStringLiteral("other")); });
            test::WaitFor([] { return false; }, 100);
        }
        --depth;
    });
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] { Guarded(&tick, [] { throw Exception("tick failed"); }); });
    tick.start();
    test::WaitFor([] { return false; }, 300);
    tick.stop();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("tick failed"), QStringLiteral("other")}));
}

// The request stays refused while the user is asked, and after Cancel; OK closes without the save.
TEST_F(WindowErrorsTest, ACloseWhoseSaveFailedWaitsForTheAnswer) {
    auto w = Open();
    w->show();
    // A folder where games.ini belongs: the game list cannot be saved.
    const QString games = Folder.Path() + QStringLiteral("/games.ini");
    ASSERT_TRUE(QFile::remove(games) && QDir().mkdir(games));
    w->Controller().Storage().Games->Modified = true;
    for (const QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
        QString text;
        bool openWhileAsked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            text = box->text();
            openWhileAsked = w->isVisible();
            // A second click on the window's close button while the question is open is no answer to it.
            QCloseEvent again;
            QCoreApplication::sendEvent(w->windowHandle(), &again);
            EXPECT_FALSE(again.isAccepted());
            box->button(answer)->click();
        });
        const bool closed = w->close();
        EXPECT_TRUE(openWhileAsked) << answer;
        EXPECT_TRUE(text.contains(QStringLiteral("games.ini\": it is a folder"))) << text.toStdString();
        EXPECT_EQ(closed, answer == QMessageBox::Ok);
        EXPECT_EQ(w->isVisible(), answer != QMessageBox::Ok);
        EXPECT_EQ(w->windowHandle() != nullptr && w->windowHandle()->handle() != nullptr, answer != QMessageBox::Ok)
            << "the window is still there to answer with";
    }
}

} // namespace
} // namespace wl
