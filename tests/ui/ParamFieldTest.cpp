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
#include <QTimer>

#include <gtest/gtest.h>

namespace wl {
namespace {

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
        QStringList boxes;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&boxes] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->text();
                box->buttons().constFirst()->click();
            }
        });
        answer.start(5);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(row.Typed));
        QTest::keyClick(field, Qt::Key_Return);
        QTest::qWait(100);
        if (row.Message != nullptr) {
            ASSERT_EQ(boxes.size(), 1) << row.Name;
            EXPECT_TRUE(boxes[0].startsWith(QString::fromLatin1(row.Message)))
                << row.Name << ": " << boxes[0].toStdString();
        } else {
            EXPECT_TRUE(boxes.isEmpty()) << row.Name;
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
        QStringList boxes;
        bool accepted = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes << box->text();
                box->buttons().constFirst()->click();
            } else if (auto* form = qobject_cast<TfmPreferences*>(modal); form && boxes.isEmpty() && !accepted) {
                accepted = true; // typed once; after a refusal the dialog is cancelled
                form->seMemoryBudget->setFocus();
                form->seMemoryBudget->selectAll();
                QTest::keyClicks(form->seMemoryBudget, QString::fromLatin1(row.Typed));
                form->btnOK->click();
            } else if (form) {
                form->btnCancel->click();
            }
        });
        answer.start(5);
        w.miPreferencesClick();
        answer.stop();
        ASSERT_EQ(boxes.size(), row.Message ? 1 : 0) << row.Typed;
        if (row.Message) {
            EXPECT_EQ(boxes[0], QString::fromUtf8(row.Message));
        }
        EXPECT_EQ(GetPreferences().MemoryBudget(), row.Kept) << row.Typed;
        EXPECT_EQ(w.Controller().MemoryBudget(), int64_t{row.Kept} << 20) << row.Typed;
    }
}

} // namespace
} // namespace wl
