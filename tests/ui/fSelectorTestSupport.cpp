// The dialog tests' application and helpers.
#include "fSelectorTestSupport.h"

#include "preferences/Preferences.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace wl::test {

namespace {

const char* const LanguageText = R"([Info]
Language=Test

[Buttons]
OK=OK
Cancel=Cancel
Add=Add
Delete=Delete
Edit=Edit

[SelectGameWindow]
WindowName=  Pick a series  
HeaderGames=GAMES
HeaderSystems=SYSTEMS

[GameEditorWindow]
WindowName=Game Editor
GameName=Game name
HeaderInfo=FIGURES
HeaderTable=OUTCOMES
Info0=Expected return
Info1=Expected result
Info2=Standard deviation
Info3=Variance
Info4=Win probability
Info5=Draw probability
Info6=Loss probability
Info7=Sum of probabilities
Outcomes=Result
Probability=Probability

[SystemEditorWindow]
WindowName=System Editor
SystemName=System name
HeaderStates=STATES
State=State
BetSize=Bet
WinState=Next state after a won round
LossState=Next after a loss

[Messages]
DeleteOutcome=Delete this outcome?
TooManyOutcomes=At most %d outcomes.
ResultRange=Result out of range.
SuccessorRange=States go from 0 to %d.
BetRange=Bet out of range.
DiscardChanges=Discard the changes?
SeriesInUse=Series removed with it: %d.
)";

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

void TypeText(const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

void PressKey(int key) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
    // The cell editor stores its text through a queued call.
    QCoreApplication::processEvents();
}

void TypeIntoCell(QAbstractItemView& view, int row, int col, const QString& text) {
    view.setCurrentIndex(view.model()->index(row, col));
    view.setFocus();
    // The first key opens the cell editor, which then has the focus.
    QTest::keyClick(&view, text.at(0).toLatin1());
    TypeText(text.mid(1));
    PressKey(Qt::Key_Return);
}

void TypeFast(const QString& keys) {
    for (const QChar c : keys)
        QTest::keyClick(static_cast<QWidget*>(nullptr), c.toLatin1());
}

void ClickCell(QAbstractItemView& view, int row, int col) {
    const QRect cell = view.visualRect(view.model()->index(row, col));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList AnswerBoxes(QMessageBox::StandardButton button, const std::function<void()>& action) {
    QStringList texts;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&texts, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        texts << box->text();
        QAbstractButton* chosen = box->button(button);
        (chosen != nullptr ? chosen : box->buttons().constFirst())->click();
    });
    watcher.start(5);
    action();
    QTest::qWait(QApplication::doubleClickInterval() + 200);
    return texts;
}

void AnswerNextBox(QMessageBox::StandardButton button, QString* text) {
    QTimer::singleShot(0, [button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no message box opened";
        if (text != nullptr)
            *text = box->text();
        box->button(button)->click();
    });
}

void WithNextModal(const std::function<void(QWidget&)>& action) {
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr) << "no dialog opened";
        QApplication::setActiveWindow(modal);
        ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
        action(*modal);
    });
}

void ShowActive(QWidget& dialog) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

namespace {

// Preferences in a temporary folder with the test language files, for the whole program run.
class TDialogsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(FFolder.isValid());
        QDir(FFolder.path()).mkpath(QStringLiteral("Langs"));
        const QByteArray good = LanguageText;
        ASSERT_TRUE(WriteFile(FFolder.filePath(QStringLiteral("Langs/ENG.ini")),
                              good + "DeleteGame=Delete the game \"%s\"?\nDeleteSystem=Delete the system \"%s\"?\n"));
        ASSERT_TRUE(WriteFile(FFolder.filePath(QStringLiteral("Langs/NIL.ini")),
                              good + "DeleteGame=\nDeleteSystem=Delete this system, 100%% sure?\n"));
        ASSERT_TRUE(WriteFile(FFolder.filePath(QStringLiteral("Langs/BAD.ini")),
                              good + "DeleteGame=Delete game number %d?\nDeleteSystem=Delete %s of %s?\n"));
        TPreferencesSetup setup;
        setup.ProgramFolder = FFolder.path();
        setup.StorePath = FFolder.filePath(QStringLiteral("wagerlens.ini"));
        setup.SystemLanguage = QString::fromLatin1(GoodLanguage);
        setup.PlayNowAddress = QString();
        SetPreferencesSetup(setup);
    }
    void TearDown() override {
        if (PreferencesExist())
            ReleasePreferences();
    }

private:
    QTemporaryDir FFolder;
};

// gtest owns the environment.
[[maybe_unused]] ::testing::Environment* const DialogsEnvironment =
    ::testing::AddGlobalTestEnvironment(new TDialogsEnvironment);

} // namespace

} // namespace wl::test
