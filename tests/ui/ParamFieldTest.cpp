// The chart parameter fields: what the chart kind cannot take is refused in words, and the field keeps its value.
#include "charts/ChartController.h"
#include "charts/ChartDescription.h"
#include "preferences/Preferences.h"
#include "ui/main/ParamSpinBox.h"
#include "ui/main/fMain.h"
#include "ui/main/fPreferences.h"

#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace wl {
namespace {

// Answers each message box as it is shown, with its first button, and keeps its text: driven by the box's own show
// event, so no timer decides whether a box was missed.
class TBoxAnswers : public QObject {
public:
    TBoxAnswers() { QCoreApplication::instance()->installEventFilter(this); }
    ~TBoxAnswers() override { QCoreApplication::instance()->removeEventFilter(this); }
    QStringList Texts;
    // Called with a dialog of another kind when it is shown.
    std::function<void(QWidget&)> OnOtherDialog;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            Texts << box->text();
            QMetaObject::invokeMethod(
                box, [box] { box->buttons().constFirst()->click(); }, Qt::QueuedConnection);
        } else if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && OnOtherDialog) {
            QMetaObject::invokeMethod(
                dialog, [this, dialog] { OnOtherDialog(*dialog); }, Qt::QueuedConnection);
        }
        return false;
    }
};

TEST(ParamFields, RefuseWhatTheChartKindCannotTake) {
    struct TRow {
        const char* Name;
        int Kind;
        int Field;
        const char* Typed;
        const char* Message; // the start of the refusal; none: taken
        int Kept;
    };
    const TRow rows[] = {
        {"a bankroll typed as 20000", 0, 0, "20000",
         "For \"Bankroll (0 = no limit)\" type a whole number from 0 to 10000. The field keeps 0.", 0},
        {"rounds typed as -3", 1, 1, "-3", "For \"Rounds\" type a whole number from 0 to 10000. The field keeps 10.",
         10},
        {"a target below the bankroll", 6, 1, "50", "The target bankroll (50) must be above the bankroll (100)", 200},
        {"a target equal to the bankroll", 7, 1, "100", "The target bankroll (100) must be above the bankroll", 200},
        {"a bankroll above the target", 8, 0, "300", "The target bankroll (200) must be above the bankroll (300)", 100},
        {"a bankroll of 0 in a risk chart", 6, 0, "0", "A player with a bankroll of 0 is ruined", 100},
        {"a target above the bankroll", 6, 1, "150", nullptr, 150},
    };
    test::TUiFolder folder;
    for (const TRow& row : rows) {
        folder.UsePreferences();
        TfmMain w(folder.Path());
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.lbCharts->setCurrentRow(row.Kind);
        QSpinBox* field = row.Field == 0 ? w.seParam1 : w.seParam2;
        TBoxAnswers boxes;
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(row.Typed));
        QTest::keyClick(field, Qt::Key_Return);
        // The refusal is decided on Return and shown from the event loop.
        const auto* param = static_cast<TParamSpinBox*>(field);
        EXPECT_EQ(param->RefusalPending() || !boxes.Texts.isEmpty(), row.Message != nullptr) << row.Name;
        if (row.Message != nullptr) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Texts.isEmpty() && !param->RefusalPending(); }))
                << row.Name;
            ASSERT_EQ(boxes.Texts.size(), 1) << row.Name;
            EXPECT_TRUE(boxes.Texts[0].startsWith(QString::fromLatin1(row.Message)))
                << row.Name << ": " << boxes.Texts[0].toStdString();
        } else {
            QCoreApplication::processEvents();
            EXPECT_TRUE(boxes.Texts.isEmpty()) << row.Name;
        }
        EXPECT_EQ(field->value(), row.Kept) << row.Name;
        EXPECT_EQ(field->text(), QString::number(row.Kept)) << row.Name;
        EXPECT_EQ(w.Controller().CurrentKind().GetParam(row.Field), row.Kept) << row.Name;
    }
}

// The budget loads from the store; in the dialog a value out of range is refused in words and nothing is taken,
// and an accepted one reaches the store and the controller.
TEST(PreferencesDialog, RefusesABudgetOutOfRangeAndAppliesAGoodOne) {
    struct TRow {
        const char* Typed;
        const char* Message; // the refusal; none: taken
        int Kept;
    };
    const TRow rows[] = {
        {"10",
         "For \"Memory for the rows of all series, MiB\" type a whole number from 64 to 1048576. The field keeps "
         "512.",
         512},
        {"2048", nullptr, 2048},
    };
    test::TUiFolder folder;
    folder.UsePreferences("[Preferences]\r\nMemoryBudget=512\r\n");
    TfmMain w(folder.Path());
    EXPECT_EQ(w.Controller().MemoryBudget(), int64_t{512} << 20);
    for (const TRow& row : rows) {
        TBoxAnswers boxes;
        bool typed = false;
        boxes.OnOtherDialog = [&](QWidget& dialog) {
            auto* form = qobject_cast<TfmPreferences*>(&dialog);
            ASSERT_NE(form, nullptr);
            typed = true;
            form->seMemoryBudget->setFocus();
            form->seMemoryBudget->selectAll();
            QTest::keyClicks(form->seMemoryBudget, QString::fromLatin1(row.Typed));
            form->btnOK->click();
            // A refused value keeps the dialog open: it is cancelled once the refusal has been answered.
            if (form->isVisible())
                QMetaObject::invokeMethod(
                    form, [form] { form->btnCancel->click(); }, Qt::QueuedConnection);
        };
        w.miPreferencesClick();
        EXPECT_TRUE(typed) << row.Typed;
        ASSERT_EQ(boxes.Texts.size(), row.Message ? 1 : 0) << row.Typed;
        if (row.Message) {
            EXPECT_EQ(boxes.Texts[0], QString::fromUtf8(row.Message));
        }
        EXPECT_EQ(GetPreferences().MemoryBudget(), row.Kept) << row.Typed;
        EXPECT_EQ(w.Controller().MemoryBudget(), int64_t{row.Kept} << 20) << row.Typed;
    }
}

} // namespace
} // namespace wl
