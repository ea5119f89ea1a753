// The selector driven with the mouse: lists, buttons, deletions and their selection, and the controller behind.
#include "fSelectorTestSupport.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/ChartDialogs.h"
#include "engine/GameCalculator.h"
#include "model/Storage.h"
#include "preferences/Preferences.h"
#include "ui/dialogs/fSelector.h"
#include "ui/main/Application.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

namespace wl {
namespace {

// Editors that answer from the test instead of opening windows.
class TFakeDialogs final : public IChartDialogs {
public:
    std::function<bool(const TGameDescription&, TGameDescription&)> OnEditGame;
    std::deque<std::unique_ptr<TGameDescription>> NewGames;
    int EditGameCalls = 0;

    bool SelectGameAndSystem(TChartController&) override { return false; }
    std::unique_ptr<TGameDescription> NewGame(const QStringList&) override {
        if (NewGames.empty())
            return nullptr;
        auto g = std::move(NewGames.front());
        NewGames.pop_front();
        return g;
    }
    bool EditGame(const TGameDescription& game, const QStringList&, TGameDescription& edited) override {
        ++EditGameCalls;
        return OnEditGame && OnEditGame(game, edited);
    }
    std::unique_ptr<TBetDescription> NewSystem(const QStringList&) override { return nullptr; }
    bool EditSystem(const TBetDescription&, const QStringList&, TBetDescription&) override { return false; }
    void ShowAbout() override {}
};

std::unique_ptr<TGameDescription> Game(const QString& name) {
    auto g = std::make_unique<TGameDescription>();
    g->Name = name;
    g->OutcomeCount = 2;
    g->SetResult(0, 1);
    g->SetProbability(0, 0.5);
    g->SetResult(1, -1);
    g->SetProbability(1, 0.5);
    return g;
}

std::unique_ptr<TBetDescription> System(const QString& name) {
    auto s = std::make_unique<TBetDescription>();
    s->Name = name;
    return s;
}

struct TSelectorFixture {
    explicit TSelectorFixture(const QStringList& games, const QStringList& systems = {QStringLiteral("Flat")}) {
        Controller = std::make_unique<TChartController>(Folder.path());
        Controller->SetChart(&Chart);
        Controller->SetDialogs(&Dialogs);
        for (const QString& n : games)
            Controller->Storage().Games->Add(Game(n));
        for (const QString& n : systems)
            Controller->Storage().Systems->Add(System(n));
        Form = std::make_unique<TfmSelector>(*Controller);
        Form->FillGames();
        Form->FillSystems();
        test::ShowActive(*Form);
    }
    ~TSelectorFixture() {
        Form.reset();
        Controller->SetDialogs(nullptr);
    }

    QStringList GameNames() const { return Controller->Storage().Games->NameList(); }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    QTemporaryDir Folder;
    TChart Chart;
    TFakeDialogs Dialogs;
    std::unique_ptr<TChartController> Controller;
    std::unique_ptr<TfmSelector> Form;
};

TEST(SelectorTest, ShowsTheListsWithTheirTexts) {
    TSelectorFixture f({QStringLiteral("Coin"), QStringLiteral("Dice")});
    EXPECT_EQ(f.Form->windowTitle(), QStringLiteral("   Pick a series"));
    EXPECT_EQ(f.Form->lGameHeader->text(), QStringLiteral("GAMES"));
    EXPECT_EQ(f.Form->btnSystemDel->text(), QStringLiteral("Delete"));
    ASSERT_EQ(f.Form->lbGames->count(), 2);
    EXPECT_EQ(f.Form->lbGames->item(1)->text(), QStringLiteral(" Dice"));
    EXPECT_EQ(f.Form->GetSelectedGame(), f.Controller->Storage().Games->Item(0));
    EXPECT_TRUE(f.Form->btnOK->isEnabled());
}

TEST(SelectorTest, EmptyListsDisableTheirButtonsAndOk) {
    TSelectorFixture f({}, {QStringLiteral("Flat")});
    EXPECT_FALSE(f.Form->btnGameEdit->isEnabled());
    EXPECT_FALSE(f.Form->btnGameDelete->isEnabled());
    EXPECT_TRUE(f.Form->btnGameAdd->isEnabled());
    EXPECT_TRUE(f.Form->btnSystemEdit->isEnabled());
    EXPECT_FALSE(f.Form->btnOK->isEnabled());
    // Adding a game selects it and enables OK; Cancel afterwards keeps the game but adds no series.
    f.Dialogs.NewGames.push_back(Game(QStringLiteral("Coin")));
    f.Click(f.Form->btnGameAdd);
    EXPECT_EQ(f.Form->lbGames->currentRow(), 0);
    EXPECT_TRUE(f.Form->btnOK->isEnabled());
    f.Click(f.Form->btnCancel);
    EXPECT_EQ(f.Form->result(), QDialog::Rejected);
    EXPECT_EQ(f.GameNames(), QStringList{QStringLiteral("Coin")});
    EXPECT_EQ(f.Controller->SeriesCount(), 0);
}

TEST(SelectorTest, DeletingKeepsTheSelectionRule) {
    struct TRow {
        const char* Name;
        int Deleted;
        int Selected;
        QStringList Left;
    };
    const QStringList three = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    const TRow rows[] = {
        {"first", 0, 0, {QStringLiteral("B"), QStringLiteral("C")}},
        {"middle", 1, 1, {QStringLiteral("A"), QStringLiteral("C")}},
        {"last", 2, 1, {QStringLiteral("A"), QStringLiteral("B")}},
    };
    for (const TRow& row : rows) {
        TSelectorFixture f(three);
        f.Form->lbGames->setCurrentRow(row.Deleted);
        QString question;
        test::AnswerNextBox(QMessageBox::Ok, &question);
        f.Click(f.Form->btnGameDelete);
        EXPECT_EQ(question, QStringLiteral("Delete the game \"%1\"?").arg(three[row.Deleted])) << row.Name;
        EXPECT_EQ(f.GameNames(), row.Left) << row.Name;
        EXPECT_EQ(f.Form->lbGames->currentRow(), row.Selected) << row.Name;
    }
}

TEST(SelectorTest, DeletingTheOnlyGameLeavesNoSelection) {
    TSelectorFixture f({QStringLiteral("Coin")});
    test::AnswerNextBox(QMessageBox::Cancel);
    f.Click(f.Form->btnGameDelete);
    EXPECT_EQ(f.GameNames().size(), 1);
    test::AnswerNextBox(QMessageBox::Ok);
    f.Click(f.Form->btnGameDelete);
    EXPECT_EQ(f.Form->lbGames->count(), 0);
    EXPECT_EQ(f.Form->GetSelectedGame(), nullptr);
    EXPECT_FALSE(f.Form->btnGameDelete->isEnabled());
    EXPECT_FALSE(f.Form->btnOK->isEnabled());
}

// A translation whose placeholders do not fit the name is no program error: the question is asked in English.
TEST(SelectorTest, BadConfirmationFormatIsAskedInEnglish) {
    QStringList shown;
    SetErrorDisplay([&shown](const QString& message) { shown << message; });
    GetPreferences().SelectLanguage(QString::fromLatin1(test::BadLanguage));
    {
        TSelectorFixture f({QStringLiteral("Coin"), QStringLiteral("Dice")});
        QString question;
        test::AnswerNextBox(QMessageBox::Cancel, &question);
        f.Click(f.Form->btnGameDelete); // "%d" where the name goes
        EXPECT_EQ(question, QStringLiteral("Delete the game \"Coin\"?"));
        test::AnswerNextBox(QMessageBox::Cancel, &question);
        f.Click(f.Form->btnSystemDel); // two placeholders for one name
        EXPECT_TRUE(question.startsWith(QStringLiteral("Delete the betting system \""))) << question.toStdString();
        EXPECT_EQ(shown, QStringList());
        EXPECT_EQ(f.GameNames().size(), 2);
        EXPECT_EQ(f.Controller->Storage().Systems->Count(), 1);
    }
    GetPreferences().SelectLanguage(QString::fromLatin1(test::GoodLanguage));
    SetErrorDisplay(nullptr);
}

TEST(SelectorTest, ConfirmationWithoutThePlaceholderIsStillAsked) {
    GetPreferences().SelectLanguage(QString::fromLatin1(test::PlainLanguage));
    {
        TSelectorFixture f({QStringLiteral("Coin"), QStringLiteral("Dice")});
        QString question = QStringLiteral("not asked");
        test::AnswerNextBox(QMessageBox::Ok, &question);
        f.Click(f.Form->btnGameDelete);
        EXPECT_EQ(question, QStringLiteral("Delete the game \"Coin\"?"))
            << "a language without the text asks in English";
        EXPECT_EQ(f.GameNames(), QStringList{QStringLiteral("Dice")});
        test::AnswerNextBox(QMessageBox::Ok, &question);
        f.Click(f.Form->btnSystemDel);
        EXPECT_EQ(question, QStringLiteral("Delete this system, 100% sure?"));
        EXPECT_EQ(f.Controller->Storage().Systems->Count(), 0);
    }
    GetPreferences().SelectLanguage(QString::fromLatin1(test::GoodLanguage));
}

TEST(SelectorTest, DeletingAnEntryInUseSaysHowManySeriesGoWithIt) {
    TSelectorFixture f({QStringLiteral("Coin"), QStringLiteral("Dice")},
                       {QStringLiteral("Flat"), QStringLiteral("Up")});
    auto& games = *f.Controller->Storage().Games;
    auto& systems = *f.Controller->Storage().Systems;
    ASSERT_TRUE(f.Controller->AddSeries(*games.Item(0), *systems.Item(0)));
    ASSERT_TRUE(f.Controller->AddSeries(*games.Item(0), *systems.Item(1)));
    ASSERT_TRUE(f.Controller->AddSeries(*games.Item(1), *systems.Item(1)));
    QString question;
    f.Form->lbGames->setCurrentRow(0);
    test::AnswerNextBox(QMessageBox::Ok, &question);
    f.Click(f.Form->btnGameDelete);
    EXPECT_EQ(question, QStringLiteral("Delete the game \"Coin\"?\n\nSeries removed with it: 2."));
    EXPECT_EQ(f.Controller->SeriesCount(), 1);
    // Flat is no longer in use, so its question carries no warning.
    f.Form->lbSystems->setCurrentRow(0);
    test::AnswerNextBox(QMessageBox::Cancel, &question);
    f.Click(f.Form->btnSystemDel);
    EXPECT_EQ(question, QStringLiteral("Delete the system \"Flat\"?"));
}

TEST(SelectorTest, EditingAGameThatTwoSeriesUseRestartsBoth) {
    TSelectorFixture f({QStringLiteral("Coin"), QStringLiteral("Dice")},
                       {QStringLiteral("Flat"), QStringLiteral("Up")});
    auto& games = *f.Controller->Storage().Games;
    auto& systems = *f.Controller->Storage().Systems;
    TGameDescription* coin = games.Item(0);
    ASSERT_TRUE(f.Controller->AddSeries(*coin, *systems.Item(0)));
    ASSERT_TRUE(f.Controller->AddSeries(*games.Item(1), *systems.Item(0)));
    ASSERT_TRUE(f.Controller->AddSeries(*coin, *systems.Item(1)));
    for (int i = 0; i < 3; ++i)
        f.Controller->GetCalculator(i).RoundCount = 7;

    f.Dialogs.OnEditGame = [](const TGameDescription& game, TGameDescription& edited) {
        edited.Assign(game);
        edited.Name = QStringLiteral("Zero coin");
        return true;
    };
    // A double click on the row edits that game; the renamed game now sorts last and stays selected.
    f.Form->lbGames->setCurrentRow(0);
    const QRect rect = f.Form->lbGames->visualItemRect(f.Form->lbGames->item(0));
    QTest::mouseClick(f.Form->lbGames->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(f.Form->lbGames->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(f.Dialogs.EditGameCalls, 1);
    EXPECT_EQ(f.Form->lbGames->item(1)->text(), QStringLiteral(" Zero coin"));
    EXPECT_EQ(f.Form->GetSelectedGame(), coin);

    EXPECT_EQ(f.Controller->GetSeriesCaption(0), QStringLiteral("Zero coin [Flat]"));
    EXPECT_EQ(f.Controller->GetSeriesCaption(1), QStringLiteral("Dice [Flat]"));
    EXPECT_EQ(f.Controller->GetSeriesCaption(2), QStringLiteral("Zero coin [Up]"));
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 0);
    EXPECT_EQ(f.Controller->GetCalculator(1).RoundCount, 7);
    EXPECT_EQ(f.Controller->GetCalculator(2).RoundCount, 0);

    // A cancelled edit changes nothing.
    f.Dialogs.OnEditGame = nullptr;
    f.Click(f.Form->btnGameEdit);
    EXPECT_EQ(f.Dialogs.EditGameCalls, 2);
    EXPECT_EQ(f.Form->GetSelectedGame(), coin);
    EXPECT_EQ(coin->Name, QStringLiteral("Zero coin"));
}

TEST(SelectorTest, TopRowIsRemembered) {
    TIniStore& store = GetPreferences().Store();
    store.WriteInteger(QStringLiteral("SelectedGame"), QStringLiteral("ItemIndex"), 12);
    store.WriteInteger(QStringLiteral("SelectedGame"), QStringLiteral("ItemTop"), 10);
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QStringLiteral("G%1").arg(i, 2, 10, QLatin1Char('0'));
    {
        TSelectorFixture f(many);
        QCoreApplication::processEvents();
        EXPECT_EQ(f.Form->lbGames->currentRow(), 12);
        EXPECT_EQ(f.Form->lbGames->indexAt(QPoint(1, 1)).row(), 10);
    }
    EXPECT_EQ(store.ReadInteger(QStringLiteral("SelectedGame"), QStringLiteral("ItemTop")), 10);
    store.WriteInteger(QStringLiteral("SelectedGame"), QStringLiteral("ItemTop"), 0);
}

TEST(SelectorTest, OkAddsTheChosenSeriesAndPositionsAreRemembered) {
    TIniStore& store = GetPreferences().Store();
    store.WriteInteger(QStringLiteral("SelectedGame"), QStringLiteral("ItemIndex"), 2);
    store.WriteInteger(QStringLiteral("SelectedBet"), QStringLiteral("ItemIndex"), 5); // beyond the end: row 0
    {
        TSelectorFixture f({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                           {QStringLiteral("Flat"), QStringLiteral("Up")});
        EXPECT_EQ(f.Form->lbGames->currentRow(), 2);
        EXPECT_EQ(f.Form->lbSystems->currentRow(), 0);
        f.Form->lbSystems->setCurrentRow(1);
        test::WithNextModal([](QWidget& w) { QTest::mouseClick(dynamic_cast<TfmSelector&>(w).btnOK, Qt::LeftButton); });
        f.Form.reset();
        EXPECT_TRUE(SelectGameAndSystem(*f.Controller));
        ASSERT_EQ(f.Controller->SeriesCount(), 1);
        EXPECT_EQ(f.Controller->GetSeriesCaption(0), QStringLiteral("C [Up]"));
    }
    EXPECT_EQ(store.ReadInteger(QStringLiteral("SelectedGame"), QStringLiteral("ItemIndex")), 2);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("SelectedBet"), QStringLiteral("ItemIndex")), 1);
}

} // namespace
} // namespace wl
