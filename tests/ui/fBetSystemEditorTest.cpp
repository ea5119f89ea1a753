// The bet system editor driven with keys: new states as they are named, refusals, the frame, pruning on OK.
#include "fSelectorTestSupport.h"

#include "ui/dialogs/EditorGrid.h"
#include "ui/dialogs/fBetSystemEditor.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace wl {
namespace {

std::unique_ptr<TfmBetSystemEditor> OpenEditor(const TBetDescription* system, const QStringList& names = {}) {
    auto form = std::make_unique<TfmBetSystemEditor>();
    form->Open(system, names);
    test::ShowActive(*form);
    return form;
}

// Cell (row, col) in the user's numbering, row 1 being state 0.
void TypeStateCell(TfmBetSystemEditor& form, int row, int col, const QString& text) {
    test::TypeIntoCell(*form.StatesGrid, row - 1, col, text);
}

TEST(BetSystemEditorTest, NewSystemShowsOneFlatState) {
    auto form = OpenEditor(nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("   System Editor"));
    EXPECT_EQ(form->WorkingCopy.StateCount, 1);
    EXPECT_EQ(form->CellText(0, 1), QStringLiteral("0"));
    EXPECT_EQ(form->CellText(1, 1), QStringLiteral("1"));
    EXPECT_EQ(form->CellText(2, 1), QStringLiteral("0"));
    EXPECT_EQ(form->CellText(3, 1), QStringLiteral("0"));
    EXPECT_EQ(form->CellText(1, 2), QString());
    // The current cell is the bet of state 0; state numbers and rows past the last state cannot be chosen.
    EXPECT_EQ(form->StatesGrid->currentIndex(), form->StatesGrid->model()->index(0, 1));
    EXPECT_FALSE(form->CanSelectCell(0, 1));
    EXPECT_FALSE(form->CanSelectCell(1, 2));
    EXPECT_EQ(form->StatesGrid->model()->flags(form->StatesGrid->model()->index(0, 0)), Qt::NoItemFlags);
}

TEST(BetSystemEditorTest, LossSuccessorThreeCreatesStatesAndIsPrunedOnOk) {
    TBetDescription edited;
    test::WithNextModal([](QWidget& w) {
        auto& form = dynamic_cast<TfmBetSystemEditor&>(w);
        form.edSystemName->setFocus();
        test::TypeText(QStringLiteral("Jump"));
        // Said first, then taken on OK.
        const QStringList asked =
            test::AnswerBoxes(QMessageBox::Ok, [&] { TypeStateCell(form, 1, 3, QStringLiteral("3")); });
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].startsWith(QStringLiteral("There is no state 3 yet: the states 1 to 3 are added")));
        test::ShowActive(form); // the answered box leaves no window active
        // States 1 to 3 appear at once, with bet 0 and both successors 0.
        EXPECT_EQ(form.WorkingCopy.StateCount, 4);
        for (int row = 2; row <= 4; ++row) {
            EXPECT_EQ(form.CellText(0, row), QString::number(row - 1));
            EXPECT_EQ(form.CellText(1, row), QStringLiteral("0"));
            EXPECT_TRUE(form.CanSelectCell(1, row));
        }
        TypeStateCell(form, 4, 1, QStringLiteral("8"));
        QTest::mouseClick(form.btnOK, Qt::LeftButton);
    });
    ASSERT_TRUE(EditSystem(TBetDescription(), {}, edited));
    // States 1 and 2 are named by no state: the old state 3 is now state 1.
    EXPECT_EQ(edited.Name, QStringLiteral("Jump"));
    ASSERT_EQ(edited.StateCount, 2);
    EXPECT_EQ(edited.LossState(0), 1);
    EXPECT_EQ(edited.Bet(1), 8);
}

TEST(BetSystemEditorTest, WhatCannotBeStoredIsRefusedInWords) {
    struct TRow {
        const char* Name;
        int Column;
        const char* Typed;
        const char* Message; // none: taken
        int Stored;
        int StateCount;
        QMessageBox::StandardButton Answer = QMessageBox::Ok;
    };
    const char* const successor = "States go from 0 to 20.";
    const char* const bet = "Bet out of range.";
    const char* const adds20 = "There is no state 20 yet: the states 1 to 20 are added, each with a bet of 0. On OK, "
                               "states that no state leads to are removed and the others renumbered. Add them?";
    const TRow rows[] = {
        {"win 25", 2, "25", successor, 0, 1},
        {"loss -1", 3, "-1", successor, 0, 1},
        {"win x", 2, "x", successor, 0, 1},
        {"win 1, the next state", 2, "1", nullptr, 1, 2},
        {"win 20, the last state, said first", 2, "20", adds20, 20, 21},
        {"win 20, declined", 2, "20", adds20, 0, 1, QMessageBox::Cancel},
        {"loss 123 typed as 12", 3, "123",
         "There is no state 12 yet: the states 1 to 12 are added, each with a bet of 0. On OK, states that no state "
         "leads to are removed and the others renumbered. Add them?",
         12, 13},
        {"bet -7", 1, "-7", nullptr, -7, 1},
        {"bet beyond 32 bits", 1, "99999999999", bet, 1, 1},
        {"bet x", 1, "x", bet, 1, 1},
    };
    for (const TRow& row : rows) {
        auto form = OpenEditor(nullptr);
        const QStringList boxes =
            test::AnswerBoxes(row.Answer, [&] { TypeStateCell(*form, 1, row.Column, QString::fromLatin1(row.Typed)); });
        EXPECT_EQ(boxes, row.Message != nullptr ? QStringList{QString::fromLatin1(row.Message)} : QStringList())
            << row.Name;
        const int stored = row.Column == 1   ? form->WorkingCopy.Bet(0)
                           : row.Column == 2 ? form->WorkingCopy.WinState(0)
                                             : form->WorkingCopy.LossState(0);
        EXPECT_EQ(stored, row.Stored) << row.Name;
        EXPECT_EQ(form->WorkingCopy.StateCount, row.StateCount) << row.Name;
    }
    // OK pressed right after a refused value: the message comes once and nothing is taken over.
    auto form = OpenEditor(nullptr);
    const QStringList boxes = test::AnswerBoxes(QMessageBox::Ok, [&] {
        test::ClickCell(*form->StatesGrid, 0, 2);
        test::TypeFast(QStringLiteral("25"));
        QTest::mouseClick(form->btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(form->isVisible());
}

TEST(BetSystemEditorTest, FastTypingGoesToTheCurrentCell) {
    struct TRow {
        const char* Name;
        const char* Keys;
        int Bet;
        int WinState;
    };
    const TRow rows[] = {
        {"click the current bet, then 5", "5\r", 5, 0},
        {"Tab, then the win successor at once", "5\t1\r", 5, 1},
    };
    for (const TRow& row : rows) {
        auto form = OpenEditor(nullptr);
        test::AnswerBoxes(QMessageBox::Ok, [&] {
            test::ClickCell(*form->StatesGrid, 0, 1);
            test::TypeFast(QString::fromLatin1(row.Keys));
        });
        EXPECT_EQ(form->WorkingCopy.Bet(0), row.Bet) << row.Name;
        EXPECT_EQ(form->WorkingCopy.WinState(0), row.WinState) << row.Name;
    }
}

TEST(BetSystemEditorTest, EscapeAsksBeforeChangesAreLost) {
    auto form = OpenEditor(nullptr);
    const QStringList boxes = test::AnswerBoxes(QMessageBox::Cancel, [&] {
        test::ClickCell(*form->StatesGrid, 0, 1);
        test::TypeFast(QStringLiteral("5\r\x1b"));
    });
    EXPECT_EQ(boxes, QStringList{QStringLiteral("Discard the changes?")});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->WorkingCopy.Bet(0), 5);
}

TEST(BetSystemEditorTest, FrameFollowsTheCurrentSuccessorCell) {
    TBetDescription system;
    system.Name = QStringLiteral("Steps");
    system.SetWinState(0, 2);
    system.SetLossState(0, 1);
    system.SetLossState(1, 0);
    system.SetLossState(2, 0);
    auto form = OpenEditor(&system, {QStringLiteral("Steps")});
    auto* grid = form->StatesGrid;
    EXPECT_EQ(form->FramedRow(), -1); // the bet column leads nowhere
    grid->setCurrentIndex(grid->model()->index(0, 2));
    EXPECT_EQ(form->FramedRow(), 3);
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(form->FramedRow(), 2);
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->currentIndex().column(), 1);
    EXPECT_EQ(form->FramedRow(), -1);
    // The state-number column is skipped by the keys.
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->currentIndex().column(), 1);
}

TEST(BetSystemEditorTest, TitleRowGrowsToItsWrappedTitles) {
    auto form = OpenEditor(nullptr);
    // "Next state after a won round" cannot stand on one line in its column.
    EXPECT_GT(form->TitleRowHeight(), 2 * form->fontMetrics().height());
    EXPECT_GE(form->TitleRowHeight(), form->StatesGrid->horizontalHeader()->height());
    EXPECT_GE(form->height(), form->StatesGrid->height() + form->btnOK->height());
}

TEST(BetSystemEditorTest, SystemWithoutStatesOpensWithStateZero) {
    TBetDescription system;
    system.Name = QStringLiteral("Empty");
    system.StateCount = 0;
    auto form = OpenEditor(&system, {QStringLiteral("Empty")});
    EXPECT_TRUE(form->CanSelectCell(1, 1));
    EXPECT_EQ(form->CellText(1, 1), QStringLiteral("1"));
    EXPECT_EQ(system.StateCount, 0);
}

// The calculation refuses such a system; the editor must still open it so that it can be mended.
TEST(BetSystemEditorTest, SuccessorBeyondTheStatesOpensAsItIs) {
    TBetDescription system;
    system.Name = QStringLiteral("Broken");
    system.StateCount = 2;
    system.LossStates[0] = 1;
    system.WinStates[1] = 5;
    auto form = OpenEditor(&system, {QStringLiteral("Broken")});
    EXPECT_EQ(form->WorkingCopy.StateCount, 2);
    EXPECT_EQ(form->CellText(2, 2), QStringLiteral("5"));
}

TEST(BetSystemEditorTest, CancelLeavesTheSystemUntouched) {
    TBetDescription system;
    system.Name = QStringLiteral("Flat");
    TBetDescription edited;
    edited.Name = QStringLiteral("untouched");
    test::WithNextModal([](QWidget& w) {
        auto& form = dynamic_cast<TfmBetSystemEditor&>(w);
        TypeStateCell(form, 1, 1, QStringLiteral("5"));
        test::AnswerBoxes(QMessageBox::Ok, [&] { TypeStateCell(form, 1, 2, QStringLiteral("4")); });
        QTest::mouseClick(form.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(EditSystem(system, {QStringLiteral("Flat")}, edited));
    EXPECT_EQ(system.StateCount, 1);
    EXPECT_EQ(system.Bet(0), 1);
    EXPECT_EQ(edited.Name, QStringLiteral("untouched"));
    EXPECT_EQ(edited.StateCount, 1);
}

} // namespace
} // namespace wl
