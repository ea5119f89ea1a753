// Tests of the name completion rule.
#include "preferences/QuickEditor.h"

#include <gtest/gtest.h>

namespace wl {
namespace {

const QStringList Names{QStringLiteral("Alpha"), QStringLiteral("Alpine"), QStringLiteral("beta")};

TEST(QuickEditor, CompletesWithTheFirstMatchingNameAndStopsForGood) {
    TQuickEditor editor(Names);
    EXPECT_FALSE(editor.TextChanged(QString()).has_value());
    const auto completion = editor.TextChanged(QStringLiteral("Al"));
    ASSERT_TRUE(completion.has_value());
    EXPECT_EQ(completion->Text, QStringLiteral("Alpha"));
    EXPECT_EQ(completion->SelectionStart, 2);
    EXPECT_EQ(completion->SelectionLength, 3);

    const auto second = editor.TextChanged(QStringLiteral("Alpi"));
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->Text, QStringLiteral("Alpine"));

    EXPECT_FALSE(editor.TextChanged(QStringLiteral("Alx")).has_value());
    EXPECT_TRUE(editor.Stopped());
    EXPECT_FALSE(editor.TextChanged(QString()).has_value());
    EXPECT_FALSE(editor.TextChanged(QStringLiteral("A")).has_value());
}

TEST(QuickEditor, MatchesCaseSensitively) {
    TQuickEditor editor(Names);
    EXPECT_FALSE(editor.TextChanged(QStringLiteral("B")).has_value());
    EXPECT_TRUE(editor.Stopped());
}

TEST(QuickEditor, FullNameCompletesToItselfWithNothingSelected) {
    TQuickEditor editor(Names);
    const auto completion = editor.TextChanged(QStringLiteral("beta"));
    ASSERT_TRUE(completion.has_value());
    EXPECT_EQ(completion->SelectionLength, 0);
}

TEST(QuickEditor, NavigationKeysStopButBackspaceDoesNot) {
    struct Row {
        const char* Name;
        int Key;
        bool Stops;
    };
    const Row rows[] = {
        {"Page Up", Qt::Key_PageUp, true},
        {"Page Down", Qt::Key_PageDown, true},
        {"End", Qt::Key_End, true},
        {"Home", Qt::Key_Home, true},
        {"Left", Qt::Key_Left, true},
        {"Up", Qt::Key_Up, true},
        {"Right", Qt::Key_Right, true},
        {"Down", Qt::Key_Down, true},
        {"Insert", Qt::Key_Insert, true},
        {"Delete", Qt::Key_Delete, true},
        {"Backspace", Qt::Key_Backspace, false},
        {"letter", Qt::Key_A, false},
        {"Return", Qt::Key_Return, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TQuickEditor editor(Names);
        editor.KeyDown(row.Key);
        EXPECT_EQ(editor.Stopped(), row.Stops);
        EXPECT_EQ(editor.TextChanged(QStringLiteral("Al")).has_value(), !row.Stops);
    }
}

} // namespace
} // namespace wl
