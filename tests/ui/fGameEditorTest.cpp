// The game editor driven with keys: typing outcomes, the figures and their colouring, Insert and Delete, names.
#include "fSelectorTestSupport.h"

#include "ui/dialogs/EditorGrid.h"
#include "ui/dialogs/fGameEditor.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace wl {
namespace {

using test::AnswerNextBox;
using test::PressKey;
using test::TypeIntoCell;

struct TOutcome {
    int32_t Result;
    double Probability;
};

TGameDescription MakeGame(const QString& name, const std::vector<TOutcome>& outcomes) {
    TGameDescription g;
    g.Name = name;
    for (const TOutcome& o : outcomes) {
        g.SetResult(g.OutcomeCount, o.Result);
        g.SetProbability(g.OutcomeCount, o.Probability);
        ++g.OutcomeCount;
    }
    return g;
}

// An editor shown on a copy of game (none: a new game), with the other games' keys as names.
std::unique_ptr<TfmGameEditor> OpenEditor(const TGameDescription* game, const QStringList& names = {}) {
    auto form = std::make_unique<TfmGameEditor>();
    form->Open(game, names);
    test::ShowActive(*form);
    return form;
}

// Cell (row, col) of the grid in the user's numbering, row 1 being the first outcome.
void TypeOutcomeCell(TfmGameEditor& form, int row, int col, const QString& text) {
    TypeIntoCell(*form.OutcomesGrid, row - 1, col, text);
}

TEST(GameEditorTest, NewGameTypedInTheGrid) {
    auto form = OpenEditor(nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("   Game Editor"));
    EXPECT_EQ(form->CellText(0, 0), QStringLiteral("Result"));
    EXPECT_EQ(form->lbInfo->count(), 8);
    EXPECT_EQ(form->lbInfo->item(7)->text(), QStringLiteral("Sum of probabilities"));
    // Only the first of the 30 empty rows can be chosen.
    EXPECT_TRUE(form->CanSelectRow(1));
    EXPECT_FALSE(form->CanSelectRow(2));
    EXPECT_EQ(form->OutcomesGrid->model()->flags(form->OutcomesGrid->model()->index(1, 0)), Qt::NoItemFlags);

    // Letters are refused: "1x" stores 1, and a cell started with a letter is never opened.
    TypeOutcomeCell(*form, 1, 0, QStringLiteral("1x"));
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 1);
    EXPECT_EQ(form->WorkingCopy.Result(0), 1);
    EXPECT_EQ(form->WorkingCopy.Probability(0), 0.0);
    EXPECT_EQ(form->CellText(1, 1), QStringLiteral("0.00000000"));
    // A lone result: every figure 0 but the expected return, the sum red and the rest grey.
    EXPECT_FALSE(form->SumOk());
    EXPECT_EQ(form->InfoValueText(0), QStringLiteral("1.00000000"));
    for (int k = 1; k < 8; ++k)
        EXPECT_EQ(form->InfoValueText(k), QStringLiteral("0.00000000")) << k;
    EXPECT_EQ(form->InfoItemColor(7, false), QColor(Qt::red));
    EXPECT_EQ(form->InfoItemColor(0, false), form->lbInfo->palette().color(QPalette::Disabled, QPalette::Text));

    form->OutcomesGrid->setCurrentIndex(form->OutcomesGrid->model()->index(0, 1));
    QTest::keyClick(form->OutcomesGrid, Qt::Key_A);
    EXPECT_FALSE(form->OutcomesGrid->Editing());

    TypeOutcomeCell(*form, 1, 1, QStringLiteral("0.5"));
    TypeOutcomeCell(*form, 2, 0, QStringLiteral("-1"));
    TypeOutcomeCell(*form, 2, 1, QStringLiteral(".5"));
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 2);
    EXPECT_EQ(form->CellText(0, 2), QStringLiteral("-1"));
    EXPECT_EQ(form->CellText(1, 2), QStringLiteral("0.50000000"));
    EXPECT_TRUE(form->SumOk());
    EXPECT_EQ(form->InfoItemColor(7, false), form->lbInfo->palette().color(QPalette::Text));
    EXPECT_EQ(form->InfoValueText(0), QStringLiteral("1.00000000")); // expected return
    EXPECT_EQ(form->InfoValueText(1), QStringLiteral("0.00000000")); // expected result
    EXPECT_EQ(form->InfoValueText(2), QStringLiteral("1.00000000")); // standard deviation
    EXPECT_EQ(form->InfoValueText(3), QStringLiteral("1.00000000")); // variance

    // Two decimal points are not a number: the probability becomes 0.
    TypeOutcomeCell(*form, 2, 1, QStringLiteral("0.2.5"));
    EXPECT_EQ(form->WorkingCopy.Probability(1), 0.0);
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 2);
}

TEST(GameEditorTest, SumColouring) {
    struct TRow {
        const char* Name;
        std::vector<double> Probabilities;
        bool SumOk;
    };
    const std::vector<TRow> rows = {
        {"exactly one", {0.5, 0.5}, true},
        {"one at seven decimals", {0.25, 0.25, 0.25, 0.25000001}, true},
        {"short of one", {0.5, 0.4999}, false},
        {"percentages", {48.6, 51.4}, true},
        {"no outcomes", {}, false},
    };
    for (const TRow& row : rows) {
        std::vector<TOutcome> outcomes;
        for (double p : row.Probabilities)
            outcomes.push_back({1, p});
        const TGameDescription game = MakeGame(QStringLiteral("G"), outcomes);
        auto form = OpenEditor(&game);
        EXPECT_EQ(form->SumOk(), row.SumOk) << row.Name;
        EXPECT_EQ(form->InfoItemColor(7, false) == QColor(Qt::red), !row.SumOk) << row.Name;
    }
}

TEST(GameEditorTest, NegativeCountOpensAsNoOutcomes) {
    TGameDescription game = MakeGame(QStringLiteral("Odd"), {});
    game.OutcomeCount = -3;
    auto form = OpenEditor(&game, {QStringLiteral("Odd")});
    EXPECT_TRUE(form->CanSelectRow(1));
    TypeOutcomeCell(*form, 1, 0, QStringLiteral("2"));
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 1);
    EXPECT_EQ(game.OutcomeCount, -3);
}

TEST(GameEditorTest, UnchangedProbabilityKeepsItsStoredValue) {
    const double p = 18.0 / 37.0;
    const TGameDescription game = MakeGame(QStringLiteral("Red"), {{1, p}, {-1, 19.0 / 37.0}});
    auto form = OpenEditor(&game, {QStringLiteral("Red")});
    // Open the cell with F2 and leave it with Enter, text untouched.
    form->OutcomesGrid->setCurrentIndex(form->OutcomesGrid->model()->index(0, 1));
    QTest::keyClick(form->OutcomesGrid, Qt::Key_F2);
    ASSERT_TRUE(form->OutcomesGrid->Editing());
    PressKey(Qt::Key_Return);
    EXPECT_EQ(form->WorkingCopy.Probability(0), p);
    // An edited text is read.
    TypeOutcomeCell(*form, 1, 1, QStringLiteral("0.25"));
    EXPECT_EQ(form->WorkingCopy.Probability(0), 0.25);
}

TEST(GameEditorTest, InsertAndDelete) {
    const TGameDescription game = MakeGame(QStringLiteral("Three"), {{1, 0.25}, {2, 0.25}, {-1, 0.5}});
    auto form = OpenEditor(&game, {QStringLiteral("Three")});
    auto* grid = form->OutcomesGrid;
    auto row = [&](int r) { return grid->model()->index(r - 1, 0); };

    grid->setCurrentIndex(row(2));
    QTest::keyClick(grid, Qt::Key_Insert);
    ASSERT_EQ(form->WorkingCopy.OutcomeCount, 4);
    EXPECT_EQ(form->WorkingCopy.Result(1), 0);
    EXPECT_EQ(form->WorkingCopy.Probability(1), 0.0);
    EXPECT_EQ(form->WorkingCopy.Result(2), 2);

    // Insert while a cell is being edited keeps the typed value with its outcome.
    grid->setCurrentIndex(row(1));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_5);
    ASSERT_TRUE(grid->Editing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert);
    ASSERT_EQ(form->WorkingCopy.OutcomeCount, 5);
    EXPECT_EQ(form->WorkingCopy.Result(0), 0);
    EXPECT_EQ(form->WorkingCopy.Result(1), 5);

    // Delete asks first; Cancel keeps the outcome, OK removes it.
    grid->setCurrentIndex(row(2));
    QString question;
    AnswerNextBox(QMessageBox::Cancel, &question);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(question, QStringLiteral("Delete this outcome?"));
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 5);
    AnswerNextBox(QMessageBox::Ok);
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_EQ(form->WorkingCopy.OutcomeCount, 4);
    EXPECT_EQ(form->WorkingCopy.Result(1), 0);

    // On the empty row after the last outcome neither key does anything (no box opens).
    grid->setCurrentIndex(row(5));
    QTest::keyClick(grid, Qt::Key_Delete);
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 4);
}

TEST(GameEditorTest, ThirtyThirdOutcomeIsRefused) {
    std::vector<TOutcome> outcomes;
    for (int i = 0; i < TGameDescription::MaxOutcomes; ++i)
        outcomes.push_back({i + 1, 1.0 / 32});
    const TGameDescription game = MakeGame(QStringLiteral("Full"), outcomes);
    auto form = OpenEditor(&game, {QStringLiteral("Full")});
    form->OutcomesGrid->setCurrentIndex(form->OutcomesGrid->model()->index(0, 0));
    QString message;
    AnswerNextBox(QMessageBox::Ok, &message);
    QTest::keyClick(form->OutcomesGrid, Qt::Key_Insert);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(form->WorkingCopy.OutcomeCount, 32);
    EXPECT_EQ(form->WorkingCopy.Result(0), 1);
    EXPECT_EQ(form->WorkingCopy.Result(31), 32);
    // Every outcome has its row, and the grid scrolls to the last.
    auto* grid = form->OutcomesGrid;
    ASSERT_EQ(grid->model()->rowCount(), TGameDescription::MaxOutcomes);
    grid->scrollTo(grid->model()->index(31, 0));
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(31, 0))));
    EXPECT_EQ(form->CellText(0, 32), QStringLiteral("32"));
}

TEST(GameEditorTest, FastTypingGoesToTheCurrentCell) {
    struct TRow {
        const char* Name;
        std::vector<TOutcome> Before;
        int Row;
        int Col;
        const char* Keys;
        std::vector<TOutcome> After;
    };
    const TRow rows[] = {
        {"click the current result of a new game, then 35", {}, 1, 0, "35\r", {{35, 0.0}}},
        {"click row 2's probability, then 0.8", {{1, 0.5}, {-1, 0.5}}, 2, 1, "0.8\r", {{1, 0.5}, {-1, 0.8}}},
        {"Tab, then the probability at once", {}, 1, 0, "3\t0.5\r", {{3, 0.5}}},
    };
    for (const TRow& row : rows) {
        const TGameDescription game = MakeGame(QStringLiteral("G"), row.Before);
        auto form = OpenEditor(&game, {QStringLiteral("G")});
        auto* grid = form->OutcomesGrid;
        grid->setCurrentIndex(grid->model()->index(row.Row - 1, row.Col));
        test::AnswerBoxes(QMessageBox::Ok, [&] {
            test::ClickCell(*grid, row.Row - 1, row.Col);
            test::TypeFast(QString::fromLatin1(row.Keys));
        });
        ASSERT_EQ(form->WorkingCopy.OutcomeCount, static_cast<int>(row.After.size())) << row.Name;
        for (size_t i = 0; i < row.After.size(); ++i) {
            EXPECT_EQ(form->WorkingCopy.Result(static_cast<int>(i)), row.After[i].Result) << row.Name;
            EXPECT_EQ(form->WorkingCopy.Probability(static_cast<int>(i)), row.After[i].Probability) << row.Name;
        }
    }
}

TEST(GameEditorTest, ResultWhoseLossDoesNotFitIsRefusedOnce) {
    struct TRow {
        const char* Name;
        const char* Keys;
        bool Refused;
        int32_t Stored;
        const char* Said; // the start of the box shown, if any
    };
    const TRow rows[] = {
        {"the most negative 32-bit number, then Tab", "-2147483648\t", true, 0, "Result out of range."},
        {"beyond 32 bits", "99999999999\r", true, 0, "Result out of range."},
        {"the lowest accepted", "-2147483647\r", false, -2147483647, ""},
        {"a jackpot far beyond 5000 bets", "1000000\r", false, 1000000, ""},
    };
    for (const TRow& row : rows) {
        auto form = OpenEditor(nullptr);
        const QStringList boxes = test::AnswerBoxes(QMessageBox::Ok, [&] {
            test::ClickCell(*form->OutcomesGrid, 0, 0);
            test::TypeFast(QString::fromLatin1(row.Keys));
        });
        EXPECT_EQ(boxes.size(), *row.Said != 0 ? 1 : 0) << row.Name;
        EXPECT_TRUE(boxes.isEmpty() || boxes.first().startsWith(QString::fromUtf8(row.Said)))
            << row.Name << ": " << boxes.first().toStdString();
        EXPECT_EQ(form->WorkingCopy.OutcomeCount, row.Refused ? 0 : 1) << row.Name;
        EXPECT_EQ(form->WorkingCopy.Result(0), row.Stored) << row.Name;
    }
    // OK pressed right after a refused value: the message comes once and nothing is taken over.
    auto form = OpenEditor(nullptr);
    const QStringList boxes = test::AnswerBoxes(QMessageBox::Ok, [&] {
        test::ClickCell(*form->OutcomesGrid, 0, 0);
        test::TypeFast(QStringLiteral("-2147483648"));
        QTest::mouseClick(form->btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(form->isVisible());
    // A game read from a file with that result: its figures are drawn without failing.
    const TGameDescription loaded = MakeGame(QStringLiteral("Loaded"), {{INT32_MIN, 1.0}});
    auto shown = OpenEditor(&loaded, {QStringLiteral("Loaded")});
    EXPECT_NO_THROW(shown->grab());
    EXPECT_EQ(shown->InfoValueText(1), QStringLiteral("-1.00000000"));
}

TEST(GameEditorTest, EscapeAsksBeforeChangesAreLost) {
    enum class TClose { Escape, CancelButton };
    struct TRow {
        const char* Name;
        const char* Typed; // into the first result cell; without a final Enter the cell stays open
        TClose Close;
        QMessageBox::StandardButton Answer;
        int Boxes;
        bool Closed;
    };
    const TRow rows[] = {
        {"unchanged: Escape closes", "", TClose::Escape, QMessageBox::Ok, 0, true},
        {"changed: Escape asks, Cancel keeps the editor", "5\r", TClose::Escape, QMessageBox::Cancel, 1, false},
        {"changed: Escape asks, OK discards", "5\r", TClose::Escape, QMessageBox::Ok, 1, true},
        {"changed: the Cancel button discards without asking", "5\r", TClose::CancelButton, QMessageBox::Ok, 0, true},
        {"Escape in an open cell only ends its editing", "5", TClose::Escape, QMessageBox::Ok, 0, false},
    };
    for (const TRow& row : rows) {
        auto form = OpenEditor(nullptr);
        const QStringList boxes = test::AnswerBoxes(row.Answer, [&] {
            if (*row.Typed != 0) {
                test::ClickCell(*form->OutcomesGrid, 0, 0);
                test::TypeFast(QString::fromLatin1(row.Typed));
            }
            if (row.Close == TClose::Escape)
                test::TypeFast(QStringLiteral("\x1b"));
            else
                QTest::mouseClick(form->btnCancel, Qt::LeftButton);
        });
        EXPECT_EQ(boxes.size(), row.Boxes) << row.Name;
        EXPECT_EQ(!form->isVisible(), row.Closed) << row.Name;
    }
}

TEST(GameEditorTest, NamesThatCannotBeStoredAreRefusedOnOk) {
    struct TRow {
        const char* Name;
        QString Typed;
        bool Accepted;
    };
    const QStringList names = {QStringLiteral("Coin"), QStringLiteral("Dice")};
    const std::vector<TRow> rows = {
        {"empty", QString(), false},
        {"line break", QStringLiteral("Two\nlines"), false},
        {"another game in other letter case", QStringLiteral("COIN"), false},
        {"its own name in other letter case", QStringLiteral("DICE"), true},
        {"a fresh name", QStringLiteral("Craps"), true},
    };
    const TGameDescription dice = MakeGame(QStringLiteral("Dice"), {{1, 0.5}, {-1, 0.5}});
    for (const TRow& row : rows) {
        auto form = OpenEditor(&dice, names);
        form->edName->setText(row.Typed);
        QString message;
        if (!row.Accepted)
            AnswerNextBox(QMessageBox::Ok, &message);
        QTest::mouseClick(form->btnOK, Qt::LeftButton);
        EXPECT_EQ(form->isVisible(), !row.Accepted) << row.Name;
        EXPECT_EQ(form->result() == QDialog::Accepted, row.Accepted) << row.Name;
        EXPECT_EQ(message.isEmpty(), row.Accepted) << row.Name;
    }
}

TEST(GameEditorTest, CompletedNameIsTheName) {
    auto form = OpenEditor(nullptr, {QStringLiteral("Alpha"), QStringLiteral("Alpine")});
    form->edName->setFocus();
    test::TypeText(QStringLiteral("Al"));
    EXPECT_EQ(form->edName->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(form->WorkingCopy.Name, QStringLiteral("Alpha"));
    test::TypeText(QStringLiteral("z"));
    EXPECT_EQ(form->WorkingCopy.Name, QStringLiteral("Alz"));
}

TEST(GameEditorTest, EditGameTakesOverOnlyOnOk) {
    const TGameDescription game = MakeGame(QStringLiteral("Coin"), {{1, 0.5}, {-1, 0.5}});
    for (const bool ok : {false, true}) {
        TGameDescription edited;
        test::WithNextModal([ok](QWidget& w) {
            auto& form = dynamic_cast<TfmGameEditor&>(w);
            form.edName->setFocus();
            form.edName->selectAll();
            test::TypeText(QStringLiteral("Biased coin"));
            TypeOutcomeCell(form, 1, 1, QStringLiteral("0.6"));
            TypeOutcomeCell(form, 3, 0, QStringLiteral("7"));
            QTest::mouseClick(ok ? form.btnOK : form.btnCancel, Qt::LeftButton);
        });
        const bool accepted = EditGame(game, {QStringLiteral("Coin")}, edited);
        EXPECT_EQ(accepted, ok);
        EXPECT_EQ(game.Name, QStringLiteral("Coin"));
        EXPECT_EQ(game.OutcomeCount, 2);
        EXPECT_EQ(game.Probability(0), 0.5);
        if (ok) {
            EXPECT_EQ(edited.Name, QStringLiteral("Biased coin"));
            EXPECT_EQ(edited.OutcomeCount, 3);
            EXPECT_EQ(edited.Probability(0), 0.6);
            EXPECT_EQ(edited.Result(2), 7);
        } else {
            EXPECT_EQ(edited.OutcomeCount, 0);
            EXPECT_TRUE(edited.Name.isEmpty());
        }
    }
}

} // namespace
} // namespace wl
