// The chart parameter fields: what the chart kind cannot take is refused in words, and the field keeps its value.
#include "charts/ChartController.h"
#include "charts/ChartDescription.h"
#include "ui/main/fMain.h"

#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
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

} // namespace
} // namespace wl
