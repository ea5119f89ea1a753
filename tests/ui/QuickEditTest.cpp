// Name completion typed into a line edit: the completed tail is selected, and it stops for good.
#include "fSelectorTestSupport.h"

#include "ui/widgets/QuickEdit.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace wl {
namespace {

TEST(QuickEditTest, AlphaAndAlpine) {
    QLineEdit edit;
    QStringList changes; // the field's own handler keeps working while completion is attached
    QObject::connect(&edit, &QLineEdit::textChanged, [&changes](const QString& t) { changes << t; });
    std::optional<TQuickEdit> quick(std::in_place, edit,
                                    QStringList{QStringLiteral("Alpha"), QStringLiteral("Alpine")});
    test::ShowActive(edit);

    QTest::keyClicks(&edit, QStringLiteral("Al"));
    EXPECT_EQ(edit.text(), QStringLiteral("Alpha"));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("pha"));
    EXPECT_EQ(edit.cursorPosition(), 2);
    EXPECT_EQ(changes.last(), QStringLiteral("Alpha"));

    // Typing replaces the selected tail; "Alpi" completes to the second name.
    QTest::keyClicks(&edit, QStringLiteral("pi"));
    EXPECT_EQ(edit.text(), QStringLiteral("Alpine"));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("ne"));

    // No name starts with "Alpix": completion stops for good.
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(edit.text(), QStringLiteral("Alpix"));
    EXPECT_EQ(changes.last(), QStringLiteral("Alpix"));
    EXPECT_TRUE(quick->Stopped());
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("A"));
    EXPECT_EQ(edit.text(), QStringLiteral("A"));

    // Detached, the field is a plain field again.
    quick.reset();
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("Al"));
    EXPECT_EQ(edit.text(), QStringLiteral("Al"));
}

TEST(QuickEditTest, KeysThatStopCompletion) {
    struct TRow {
        const char* Name;
        Qt::Key Key;
        bool Stops;
    };
    const TRow rows[] = {{"Delete", Qt::Key_Delete, true},
                         {"Left", Qt::Key_Left, true},
                         {"Home", Qt::Key_Home, true},
                         {"Insert", Qt::Key_Insert, true},
                         {"Backspace", Qt::Key_Backspace, false},
                         {"Shift", Qt::Key_Shift, false}};
    for (const TRow& row : rows) {
        QLineEdit edit;
        TQuickEdit quick(edit, {QStringLiteral("Alpha")});
        test::ShowActive(edit);
        QTest::keyClick(&edit, row.Key);
        QTest::keyClicks(&edit, QStringLiteral("A"));
        EXPECT_EQ(edit.text() == QStringLiteral("Alpha"), !row.Stops) << row.Name;
    }
}

} // namespace
} // namespace wl
