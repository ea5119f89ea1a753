// The real main window, driven offscreen: saved state, calculation, buttons, highlight, markers, grid, progress,
// language and help.
#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/ChartDialogs.h"
#include "engine/GameCalculator.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "presentation/Layout.h"
#include "presentation/WindowState.h"
#include "support/Exception.h"
#include "ui/chart/ChartView.h"
#include "ui/main/Application.h"
#include "ui/main/DataGrid.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/fMain.h"
#include "ui/widgets/GradientLabel.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

#include <gtest/gtest.h>

namespace wl {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<TfmMain> Open(const QByteArray& store = {}, const QString& playNow = {}) {
        Folder.UsePreferences(store, playNow);
        return std::make_unique<TfmMain>(Folder.Path());
    }
    static void AddSeries(TfmMain& w, int game, int count = 1) {
        TStorage& s = w.Controller().Storage();
        for (int i = 0; i < count; ++i)
            w.Controller().AddSeries(*s.Games->Item(game), *s.Systems->Item(0));
        w.RefreshSeriesList();
    }
    static bool Finished(TfmMain& w) { return !w.Controller().Running() && w.Controller().MaxX() > 0; }

    test::TUiFolder Folder;
};

TEST_F(MainWindowTest, RestoresTheSavedStateAndComputesOnFirstActivation) {
    auto w = Open("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=4\r\nMode=1\r\n\r\n"
                  "[Series]\r\nCount=3\r\nGame0=0\r\nBet0=0\r\nGame1=99\r\nBet1=0\r\nGame2=1\r\nBet2=0\r\n");
    EXPECT_EQ(w->lbCharts->currentRow(), 0);
    EXPECT_EQ(w->seParam2->value(), 4);
    EXPECT_FALSE(w->lParam2->isHidden());
    EXPECT_FALSE(w->DataGrid->isHidden());
    EXPECT_TRUE(w->MainChart->isHidden());
    EXPECT_TRUE(w->miData->isChecked());
    ASSERT_EQ(w->lbSeries->count(), 2) << "the entry naming game 99 is skipped";
    EXPECT_EQ(w->lbSeries->item(1)->text(), QStringLiteral("Die [Flat]"));
    EXPECT_FALSE(w->Controller().Active()) << "nothing is computed before the first activation";

    w->FormActivate();
    ASSERT_TRUE(test::WaitFor([&] { return Finished(*w); }));
    // A fair coin after 4 rounds is even with probability 6/16; the die reaches 4 x 5.
    EXPECT_DOUBLE_EQ(w->DataTable().Value(0, 0), 37.5);
    EXPECT_EQ(w->Controller().MaxX(), 20);
    EXPECT_EQ(w->Controller().MinX(), -4);
    EXPECT_EQ(w->DataGrid->RowCount() >= 26, true);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Wagerlens 1.3"));

    // A parameter change stops and restarts the calculation with the new value.
    w->seParam2->setValue(6);
    ASSERT_TRUE(test::WaitFor([&] { return !w->Controller().Running() && w->Controller().MaxX() == 30; }));
    EXPECT_DOUBLE_EQ(w->DataTable().Value(0, 0), 31.25);

    // One request closes the window and writes what is shown back into the store.
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->isVisible());
    const TIniStore& store = GetPreferences().Store();
    EXPECT_EQ(store.ReadInteger(QStringLiteral("CHART"), QStringLiteral("Param1")), 6);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("CHART"), QStringLiteral("Mode")), 1);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Series"), QStringLiteral("Count")), 2);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Series"), QStringLiteral("Game1")), 1);
    EXPECT_TRUE(store.SectionExists(w->PlacementSection()));
}

TEST_F(MainWindowTest, ButtonStatesFollowTheSeries) {
    auto w = Open();
    struct TState {
        bool Add, Del, Clear;
    };
    const auto check = [&](const char* name, TState s) {
        EXPECT_EQ(w->btnAdd->isEnabled(), s.Add) << name;
        EXPECT_EQ(w->btnDel->isEnabled(), s.Del) << name;
        EXPECT_EQ(w->btnClear->isEnabled(), s.Clear) << name;
    };
    check("no series", {true, false, false});
    AddSeries(*w, 0);
    check("one series, none selected", {true, false, true});
    w->lbSeries->setCurrentRow(0);
    check("one series selected", {true, true, true});
    AddSeries(*w, 1, 9);
    check("ten series", {false, true, true});

    // Deleting in the middle keeps the index, now on the next series; deleting the last leaves none selected.
    w->lbSeries->setCurrentRow(4);
    w->btnDelClick();
    EXPECT_EQ(w->SelectedSeries(), 4);
    check("nine series", {true, true, true});
    w->lbSeries->setCurrentRow(8);
    w->btnDelClick();
    EXPECT_EQ(w->SelectedSeries(), -1);
    check("last one deleted", {true, false, true});
    w->btnClearClick();
    check("cleared", {true, false, false});
}

// The selector acts through the controller and may add nothing; the list and the table must still follow.
class TSelectorActs final : public IChartDialogs {
public:
    std::function<void(TChartController&)> Act;
    QString NewName;
    bool SelectGameAndSystem(TChartController& c) override {
        Act(c);
        return false;
    }
    std::unique_ptr<TGameDescription> NewGame(const QStringList&) override { return nullptr; }
    bool EditGame(const TGameDescription& game, const QStringList&, TGameDescription& edited) override {
        edited.Assign(game);
        edited.Name = NewName;
        return true;
    }
    std::unique_ptr<TBetDescription> NewSystem(const QStringList&) override { return nullptr; }
    bool EditSystem(const TBetDescription&, const QStringList&, TBetDescription&) override { return false; }
    void ShowAbout() override {}
};

TEST_F(MainWindowTest, ListAndTableFollowTheCurrentSeries) {
    struct TCase {
        const char* Name;
        std::function<void(TfmMain&, TSelectorActs&)> Do;
        QStringList Captions;
    };
    const TCase cases[] = {
        {"deleting the first series",
         [](TfmMain& w, TSelectorActs&) {
             w.lbSeries->setCurrentRow(0);
             w.btnDelClick();
         },
         {QStringLiteral("Die [Flat]")}},
        {"the Delete key in the series list",
         [](TfmMain& w, TSelectorActs&) {
             w.lbSeries->setCurrentRow(0);
             QTest::keyClick(w.lbSeries, Qt::Key_Delete);
         },
         {QStringLiteral("Die [Flat]")}},
        {"the selector deletes a game in use, then is cancelled",
         [](TfmMain& w, TSelectorActs& d) {
             d.Act = [](TChartController& c) { c.DeleteGame(0); };
             w.btnAddClick();
         },
         {QStringLiteral("Die [Flat]")}},
        {"the selector renames a game in use, then is cancelled",
         [](TfmMain& w, TSelectorActs& d) {
             d.NewName = QStringLiteral("Dice");
             d.Act = [](TChartController& c) { c.ModifyGame(*c.Storage().Games->Item(1)); };
             w.btnAddClick();
         },
         {QStringLiteral("Coin [Flat]"), QStringLiteral("Dice [Flat]")}},
    };
    for (const TCase& c : cases) {
        test::TUiFolder folder; // the selector's changes reach games.ini
        folder.UsePreferences("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=4\r\n");
        auto w = std::make_unique<TfmMain>(folder.Path());
        auto dialogs = std::make_unique<TSelectorActs>();
        TSelectorActs& d = *dialogs;
        w->SetChartDialogs(std::move(dialogs));
        AddSeries(*w, 0);
        AddSeries(*w, 1);
        w->FormActivate();
        ASSERT_TRUE(test::WaitFor([&] { return Finished(*w); })) << c.Name;
        const double dieAt20 = w->DataTable().Value(20, 1);
        ASSERT_GT(dieAt20, 0.0) << c.Name;

        c.Do(*w, d);
        ASSERT_TRUE(test::WaitFor([&] { return !w->Controller().Running(); })) << c.Name;
        QStringList shown;
        for (int i = 0; i < w->lbSeries->count(); ++i) {
            shown << w->lbSeries->item(i)->text();
            EXPECT_EQ(w->lbSeries->item(i)->toolTip(), shown.last()) << c.Name;
        }
        EXPECT_EQ(shown, c.Captions) << c.Name;
        // Each column holds its own series' values: the die's under the die, nothing past the last series.
        const int die = static_cast<int>(c.Captions.size()) - 1;
        EXPECT_DOUBLE_EQ(w->DataTable().Value(20, die), dieAt20) << c.Name;
        EXPECT_EQ(w->DataTable().Value(20, die + 1), 0.0) << c.Name;
        EXPECT_EQ(w->DataGrid->ColumnCount(), c.Captions.size() + 1) << c.Name;
    }
}

// A bad series is struck through and reported once; the others keep their lines.
TEST_F(MainWindowTest, AFailingSeriesIsMarkedAndTheOthersAreDrawn) {
    // A system that sends a loss to a state it lacks fails in round 1.
    test::WriteText(Folder.Path() + QStringLiteral("/bets.ini"),
                    "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n"
                    "[Broken]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=3\r\n\r\n");
    QStringList shown;
    SetErrorDisplay([&shown](const QString& m) { shown << m; });
    auto w = Open();
    TStorage& s = w->Controller().Storage();
    w->Controller().AddSeries(*s.Games->Item(0), *s.Systems->Item(1)); // the list is sorted: Broken, Flat
    w->Controller().AddSeries(*s.Games->Item(0), *s.Systems->Item(0));
    w->RefreshSeriesList();
    w->FormActivate();
    ASSERT_TRUE(test::WaitFor([&] { return Finished(*w); }));
    w->seParam2->setValue(12);
    ASSERT_TRUE(test::WaitFor([&] { return !w->Controller().Running() && w->Controller().MaxX() == 12; }));
    SetErrorDisplay(nullptr);

    ASSERT_EQ(shown.size(), 1) << "reported once, not at every calculation";
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("The series \"Coin [Broken]\" cannot be charted.\r\n")))
        << shown[0].toStdString();
    EXPECT_TRUE(w->Controller().GetCalculator(0).Line->Visible());
    EXPECT_GT(w->Controller().GetCalculator(0).Line->Count(), 0);
    EXPECT_FALSE(w->Controller().GetCalculator(1).Line->Visible());
    const QString failure = w->Controller().SeriesFailure(1);
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_TRUE(shown[0].endsWith(failure));
    EXPECT_EQ(w->lbSeries->item(1)->toolTip(), QStringLiteral("Coin [Broken]\n") + failure) << "marked in the list";
    EXPECT_EQ(w->lbSeries->item(0)->toolTip(), QStringLiteral("Coin [Flat]"));

    w->lbSeries->setCurrentRow(1);
    w->btnDelClick();
    EXPECT_TRUE(w->Controller().GetCalculator(0).Line->Visible()) << "the chart is drawn after the deletion";
    EXPECT_GT(w->DataTable().Value(0, 0), 0.0);
}

TEST_F(MainWindowTest, AxisTitlesFollowTheKindWithoutSeries) {
    auto w = Open();
    for (int kind : {6, 2, 0}) {
        w->lbCharts->setCurrentRow(kind);
        EXPECT_EQ(w->ChartModel().BottomAxis().Title(), w->Controller().GetChartKind(kind).GetXName()) << kind;
        EXPECT_EQ(w->ChartModel().LeftAxis().Title(), w->Controller().GetChartKind(kind).GetYName()) << kind;
    }
    EXPECT_NE(w->Controller().GetChartKind(6).GetYName(), w->Controller().GetChartKind(0).GetYName());
    EXPECT_TRUE(w->ChartModel().BottomAxis().WholeNumbers()) << "balances and rounds have whole-number ticks";
}

TEST_F(MainWindowTest, EachKindWithoutSeriesShowsTheNeutralRangeOfItsAxes) {
    auto w = Open();
    struct TRow {
        int Kind;
        bool Percent;     // the left axis shows 0 .. 100
        double BottomMin; // balances around 0, rounds from 0, bankrolls from 1
    };
    const TRow rows[] = {{0, true, -1}, {1, true, -1}, {3, true, 0}, {4, true, 0},  {6, true, 0},
                         {7, true, 0},  {8, true, 0},  {9, true, 1}, {10, true, 1}, {2, false, 0}};
    for (const TRow& row : rows) {
        w->lbCharts->setCurrentRow(row.Kind);
        const TAxisRange left = w->ChartModel().EffectiveRange(TAxisKind::Left);
        const TAxisRange bottom = w->ChartModel().EffectiveRange(TAxisKind::Bottom);
        if (row.Percent) {
            EXPECT_EQ(left, (TAxisRange{0, 100})) << row.Kind;
        } else {
            EXPECT_LT(left.Minimum, 0.0) << row.Kind << ": a result in money may be negative";
        }
        EXPECT_EQ(bottom.Minimum, row.BottomMin) << row.Kind;
        EXPECT_GT(bottom.Maximum, bottom.Minimum) << row.Kind;
    }
    // The planner's axis gives its number of rounds, not "N".
    w->lbCharts->setCurrentRow(9);
    EXPECT_EQ(w->ChartModel().LeftAxis().Title(), QStringLiteral("Risk of ruin within 1000 rounds, %"));
}

TEST_F(MainWindowTest, ThePlannersTablesStartAtABankrollOf1) {
    auto w = Open("[CHART]\r\nChartID=9\r\nParam0=50\r\nParam1=0\r\n");
    w->show();
    AddSeries(*w, 0);
    ASSERT_TRUE(test::WaitFor([&] { return Finished(*w); }));
    EXPECT_EQ(w->Controller().MinX(), 1) << "a player with nothing places no bet";
    EXPECT_EQ(w->ChartModel().BottomAxis().Minimum(), 1.0);
}

TEST_F(MainWindowTest, TheFirstStartShowsTheChartNamesWholeInEveryLanguage) {
    for (const char* code : {"ENG", "DEU", "RUS"}) {
        auto w = Open("[Preferences]\r\nLanguage=" + QByteArray(code) + "\r\n");
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        QApplication::processEvents();
        const QListWidget& list = *w->lbCharts;
        ASSERT_GT(list.count(), 10);
        // Only a screen too narrow for the chart's least width beside the names may cut them.
        const bool screenFull =
            w->width() >= w->screen()->availableGeometry().width() && w->MainPanelWidth() <= TfmMain::MinMainPanelWidth;
        for (int i = 0; i < list.count(); ++i) {
            const QListWidgetItem& item = *list.item(i);
            EXPECT_TRUE(QFontMetrics(item.font()).horizontalAdvance(item.text()) <= list.viewport()->width() ||
                        screenFull)
                << code << ": " << item.text().toStdString() << " in " << list.viewport()->width() << " px";
        }
    }
}

TEST_F(MainWindowTest, ClearAsksBeforeRemovingEverySeries) {
    auto w = Open();
    w->show();
    AddSeries(*w, 0, 3);
    for (const QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
        QString asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << "no question";
            asked = box->text();
            box->button(answer)->click();
        });
        w->btnClear->click();
        EXPECT_TRUE(asked.contains(QStringLiteral("3 series"))) << asked.toStdString();
        EXPECT_EQ(w->Controller().SeriesCount(), answer == QMessageBox::Ok ? 0 : 3) << answer;
        EXPECT_EQ(w->lbSeries->count(), w->Controller().SeriesCount());
    }
}

// A system's name wider than a column is shown whole: it is what tells the series apart.
TEST_F(MainWindowTest, SummaryHeadersShowTheWholeSystemName) {
    test::WriteText(Folder.Path() + QStringLiteral("/bets.ini"),
                    "[Flat bet of one unit, kept through every win and every loss alike]\r\nCount=1\r\nBet0=1\r\n"
                    "Win0=0\r\nLoss0=0\r\n\r\n");
    auto w = Open("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=4\r\n");
    AddSeries(*w, 0, 3);
    w->resize(700, 500);
    w->show();
    w->FormActivate();
    w->miSummary->trigger();
    ASSERT_TRUE(test::WaitFor([&] { return !w->Controller().Running() && w->Controller().SeriesSummary(2); }));
    QApplication::processEvents();
    const QHeaderView& header = *w->SummaryGrid->horizontalHeader();
    for (int k = 1; k < w->SummaryGrid->columnCount(); ++k) {
        const QString text = w->SummaryGrid->horizontalHeaderItem(k)->text();
        const QString system = text.mid(text.lastIndexOf(QLatin1Char('\n')) + 1);
        EXPECT_TRUE(system.startsWith(QStringLiteral("Flat bet"))) << text.toStdString();
        EXPECT_GT(header.sectionSize(k), header.fontMetrics().horizontalAdvance(system)) << k;
    }
}

TEST_F(MainWindowTest, SummaryRowsKeepTheirValuesWhenTheLayoutChanges) {
    auto w = Open("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=4\r\n\r\n"
                  "[Series]\r\nCount=2\r\nGame0=0\r\nBet0=0\r\nGame1=1\r\nBet1=0\r\n");
    w->show();
    w->FormActivate();
    const auto settled = [&] {
        return test::WaitFor([&] { return !w->Controller().Running() && w->Controller().SeriesSummary(1); });
    };
    w->miSummary->trigger();
    ASSERT_TRUE(settled());
    // A heading's row in one kind's layout holds a figure in another's.
    for (int kind : {6, 0, 9, 1}) {
        w->lbCharts->setCurrentRow(kind);
        ASSERT_TRUE(settled()) << kind;
        QApplication::processEvents();
        const QTableWidget& grid = *w->SummaryGrid;
        int figures = 0;
        for (int r = 0; r < grid.rowCount(); ++r) {
            if (grid.item(r, 1) == nullptr) {
                EXPECT_EQ(grid.columnSpan(r, 0), grid.columnCount()) << kind << ": heading " << r;
                continue;
            }
            ++figures;
            EXPECT_EQ(grid.columnSpan(r, 0), 1)
                << kind << ": row " << r << " " << grid.item(r, 0)->text().toStdString();
        }
        EXPECT_GT(figures, 3) << kind;
    }
    const QTableWidget& grid = *w->SummaryGrid;
    EXPECT_EQ(grid.horizontalHeaderItem(2)->text(), QStringLiteral("Die\nFlat")) << "the system whole, the game above";
    EXPECT_EQ(grid.horizontalHeaderItem(2)->toolTip(), QStringLiteral("Die [Flat]"));

    // A recompute greys the figures shown until the new ones arrive.
    const auto grey = [&] {
        int r = 0;
        while (r + 1 < grid.rowCount() && grid.item(r, 1) == nullptr)
            ++r;
        return grid.item(r, 1) != nullptr && grid.item(r, 1)->foreground().color() == QColor(160, 160, 160);
    };
    ASSERT_FALSE(grey());
    w->seParam2->setValue(6);
    ASSERT_TRUE(w->Controller().Running());
    EXPECT_TRUE(grey());
    ASSERT_TRUE(settled());
    QApplication::processEvents();
    EXPECT_FALSE(grey());
}

TEST_F(MainWindowTest, ClickingBesideTheSeriesClearsTheHighlight) {
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    AddSeries(*w, 0, 2);
    w->lbSeries->setCurrentRow(1);
    TChartLine* second = w->Controller().GetCalculator(1).Line;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->PenWidth(), 2);

    const QPoint below(5, w->lbSeries->viewport()->height() - 3);
    ASSERT_EQ(w->lbSeries->itemAt(below), nullptr);
    QTest::mouseClick(w->lbSeries->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(w->SelectedSeries(), -1);
    EXPECT_EQ(second->PenWidth(), 1);
    EXPECT_EQ(w->Controller().GetCalculator(0).Line->PenWidth(), 1);
    EXPECT_FALSE(w->btnDel->isEnabled());
    EXPECT_EQ(QApplication::focusWidget() == nullptr || QApplication::focusWidget() == w->lbCharts, true);
}

TEST_F(MainWindowTest, MarkersShowWhileAtMost200PointsPerSeries) {
    auto w = Open();
    AddSeries(*w, 0, 2);
    TChart& chart = w->ChartModel();
    // As after a calculation: only the series' lines are shown.
    for (int line = 2; line < TChart::LineCount; ++line)
        chart.Line(line).SetVisible(false);
    struct TCase {
        const char* Name;
        int First, Second;
        bool Shown;
    };
    const TCase cases[] = {
        {"200 on average", 250, 150, true},
        {"just over 200", 250, 151, false},
        {"few points", 10, 10, true},
        {"many points", 3000, 3000, false},
    };
    for (const TCase& c : cases) {
        {
            TChartUpdate batch(chart);
            for (int line = 0; line < 2; ++line) {
                chart.Line(line).Clear();
                const int n = line == 0 ? c.First : c.Second;
                for (int i = 0; i < n; ++i)
                    chart.Line(line).AddXY(i, 1.0);
                chart.Line(line).SetPointersVisible(!c.Shown);
            }
        }
        w->MainChartUndoZoom(); // counts every point
        EXPECT_EQ(chart.Line(0).PointersVisible(), c.Shown) << c.Name;
        EXPECT_EQ(chart.Line(1).PointersVisible(), c.Shown) << c.Name;
    }
    // Zooming into fewer points brings the markers back; undoing the zoom counts all points again.
    chart.Zoom({0, 100}, {0, 2});
    EXPECT_TRUE(chart.Line(0).PointersVisible());
    chart.UndoZoom();
    EXPECT_FALSE(chart.Line(0).PointersVisible());
}

TEST_F(MainWindowTest, GridGeometryAndCellFormat) {
    auto w = Open();
    w->resize(w->minimumWidth(), 400);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->ShowDataView();
    EXPECT_EQ(w->DataGrid->ColumnCount(), 1);
    EXPECT_EQ(w->DataGrid->ColumnWidth(0), w->DataGrid->viewport()->width()) << "the X column alone fills the grid";
    EXPECT_EQ(w->CellDecimals(), 6);

    AddSeries(*w, 0, 10);
    const int client = w->DataGrid->viewport()->width();
    const int u = client / 21;
    EXPECT_EQ(w->DataGrid->ColumnCount(), 11);
    EXPECT_EQ(w->DataGrid->ColumnWidth(1), 2 * u);
    EXPECT_EQ(w->DataGrid->ColumnWidth(0), client - 10 * (2 * u + 1));
    EXPECT_LT(w->CellDecimals(), 6) << "a narrow window with ten series loses decimals";
    const QFontMetrics fm(w->DataGrid->font());
    const int d = w->CellDecimals();
    EXPECT_TRUE(d == 1 || fm.horizontalAdvance(FormatGridValue(98.9999999, d)) + 5 <= 2 * u);
    EXPECT_GT(fm.horizontalAdvance(FormatGridValue(98.9999999, d + 1)) + 5, 2 * u);
    // Rows past the data cannot be selected.
    EXPECT_FALSE(w->DataGrid->SelectRow(w->DataGrid->RowCount() - 1));
}

// Later rounds cost more than early ones: 40% after one second and 50% after two leaves five seconds at the last
// second's pace, although the average pace says two.
TEST_F(MainWindowTest, ProgressBarFollowsTheLastSecondsPace) {
    auto w = Open();
    w->OnCalcProgress(-1);
    w->OnCalcProgress(40);
    w->OnProgressTimer();
    EXPECT_TRUE(w->ProgressBar->isHidden());
    w->OnCalcProgress(50);
    w->OnProgressTimer();
    EXPECT_FALSE(w->ProgressBar->isHidden());
    w->OnCalcProgress(10000);
}

TEST_F(MainWindowTest, ProgressBarOnlyForCalculationsOfThreeSecondsOrMore) {
    auto w = Open();
    struct TCase {
        const char* Name;
        int PercentAfterOneSecond;
        bool BarShown;
    };
    const TCase cases[] = {{"20% after a second: 4 s left", 20, true}, {"50% after a second: 1 s left", 50, false}};
    for (const TCase& c : cases) {
        w->OnCalcProgress(-1);
        EXPECT_TRUE(w->ProgressTimerActive()) << c.Name;
        w->OnCalcProgress(c.PercentAfterOneSecond);
        w->OnProgressTimer();
        EXPECT_EQ(!w->ProgressBar->isHidden(), c.BarShown) << c.Name;
        EXPECT_EQ(w->lURL->isHidden(), c.BarShown) << c.Name;
        EXPECT_EQ(w->ProgressTimerActive(), !c.BarShown) << c.Name;
        // A restart while the bar shows keeps the bar and counts the seconds afresh.
        w->OnCalcProgress(-1);
        EXPECT_EQ(!w->ProgressBar->isHidden(), c.BarShown) << c.Name;
        EXPECT_EQ(w->ElapsedSeconds(), 0) << c.Name;
        w->OnCalcProgress(c.PercentAfterOneSecond + 22);
        const QString expected = c.BarShown ? QStringLiteral("%1% Wagerlens 1.3").arg(c.PercentAfterOneSecond + 22)
                                            : QStringLiteral("Wagerlens 1.3");
        EXPECT_EQ(w->windowTitle(), expected) << c.Name;
        w->OnCalcProgress(10000);
        EXPECT_TRUE(w->ProgressBar->isHidden()) << c.Name;
        EXPECT_FALSE(w->lURL->isHidden()) << c.Name;
        EXPECT_EQ(w->ProgressBar->value(), 0) << c.Name;
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Wagerlens 1.3")) << c.Name;
    }
}

TEST_F(MainWindowTest, LanguageSwitchRetitlesEverything) {
    auto w = Open();
    EXPECT_EQ(w->btnAdd->text(), QStringLiteral("Add"));
    const QList<QAction*> items = w->miLang->actions();
    ASSERT_EQ(items.size(), 3);
    const int deu = GetPreferences().Languages().indexOf(QStringLiteral("DEU"));
    ASSERT_GE(deu, 0);
    w->LanguageItemClick(items[deu]);

    TPreferences& p = GetPreferences();
    ASSERT_EQ(p.LanguageCode(), QStringLiteral("DEU"));
    EXPECT_TRUE(items[deu]->isChecked());
    EXPECT_EQ(w->btnAdd->text(), p.GetButtonText(QStringLiteral("Add")));
    EXPECT_NE(w->btnAdd->text(), QStringLiteral("Add"));
    EXPECT_EQ(w->btnClear->text(), p.GetButtonText(QStringLiteral("Clear")));
    EXPECT_EQ(w->lMenu->text(), QStringLiteral("  ") + p.GetButtonText(QStringLiteral("Menu")) + QStringLiteral("  "));
    EXPECT_EQ(w->miData->text(), p.GetText(QStringLiteral("Menu"), QStringLiteral("Data")));
    EXPECT_EQ(w->miLang->title(), p.GetText(QStringLiteral("Menu"), QStringLiteral("Language")));
    EXPECT_EQ(w->lSeriesHeader->text(), p.GetText(QStringLiteral("MainWindow"), QStringLiteral("SeriesHeader")));
    EXPECT_EQ(w->lbCharts->item(0)->text(), QStringLiteral(" ") + w->Controller().GetChartKindName(0).toUpper());
    EXPECT_EQ(w->lChartName->text(), w->Controller().GetChartKindName(0).toUpper());
    EXPECT_EQ(w->lParam2->text(), w->Controller().CurrentKind().GetParamName(1));
    EXPECT_EQ(w->ChartModel().BottomAxis().Title(), w->Controller().CurrentKind().GetXName());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Wagerlens 1.3"));
}

TEST_F(MainWindowTest, F1OpensTheTopicOfTheFocusedControl) {
    auto w = Open();
    QStringList messages;
    w->HelpHandler().SetMessageSink([&messages](const QString& m) { messages << m; });
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));

    struct TCase {
        const char* Name;
        QWidget* Focus;
        const char* Topic;
    };
    const TCase cases[] = {{"chart list", w->lbCharts, "::/charts.htm"},
                           {"series list", w->lbSeries, "::/main_win.htm"},
                           {"a parameter", w->seParam2, "::/main_win.htm"}};
    for (const TCase& c : cases) {
        c.Focus->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        EXPECT_TRUE(w->HelpHandler().LastPath().endsWith(QString::fromLatin1(c.Topic))) << c.Name;
        EXPECT_TRUE(w->HelpHandler().LastPath().startsWith(GetPreferences().GetHelpFileName())) << c.Name;
        if (w->HelpHandler().Window() != nullptr)
            w->HelpHandler().Window()->close();
        w->activateWindow();
        (void)QTest::qWaitForWindowActive(w.get());
    }
    w->miHelp->trigger();
    EXPECT_TRUE(w->HelpHandler().LastPath().endsWith(QStringLiteral("::/main_win.htm")));
    // Either the help window opened, or the "not installed" text was shown; never both.
    const bool shown = w->HelpHandler().Window() != nullptr && w->HelpHandler().Window()->isVisible();
    EXPECT_NE(shown, !messages.isEmpty());
}

TEST_F(MainWindowTest, DeletingASeriesFitsTheAxesToTheOthers) {
    auto w = Open();
    AddSeries(*w, 1); // the die reaches five times as far as the coin
    AddSeries(*w, 0);
    w->FormActivate();
    ASSERT_TRUE(test::WaitFor([&] { return Finished(*w); }));
    const int rounds = w->Controller().CurrentKind().GetParam(1);
    ASSERT_GT(w->Controller().MaxX(), rounds);
    w->lbSeries->setCurrentRow(0);
    w->btnDelClick();
    EXPECT_FALSE(w->Controller().Running()) << "nothing to compute again";
    EXPECT_EQ(w->Controller().MaxX(), rounds) << "the coin's range alone";
    EXPECT_EQ(w->ChartModel().BottomAxis().Maximum(), rounds + 1);
}

TEST_F(MainWindowTest, ChartListChoosesTheKindAndItsParameters) {
    int starts = 0; // outlives the window, whose calculation reports to it
    auto w = Open();
    AddSeries(*w, 0);
    w->FormActivate();
    w->Controller().SetOnProgress([&starts, shown = w->Controller().OnProgress()](int v) {
        starts += v == -1 ? 1 : 0;
        shown(v);
    });
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    struct TCase {
        const char* Name;
        int Row;
        bool SecondShown;
    };
    const TCase cases[] = {{"expected result: bankroll only", 2, false},
                           {"risk of ruin: bankroll and target", 6, true},
                           {"the same kind clicked again", 6, true},
                           {"net results", 0, true}};
    for (const TCase& c : cases) {
        const QRect r = w->lbCharts->visualItemRect(w->lbCharts->item(c.Row));
        starts = 0;
        QTest::mouseClick(w->lbCharts->viewport(), Qt::LeftButton, {}, r.center());
        EXPECT_EQ(starts, 1) << c.Name << ": one calculation per click, also where the parameters change";
        EXPECT_EQ(w->Controller().ChartIndex(), c.Row) << c.Name;
        EXPECT_FALSE(w->seParam1->isHidden()) << c.Name;
        EXPECT_EQ(!w->seParam2->isHidden(), c.SecondShown) << c.Name;
        EXPECT_EQ(!w->lParam2->isHidden(), c.SecondShown) << c.Name;
        EXPECT_EQ(w->lParam1->text(), w->Controller().CurrentKind().GetParamName(0)) << c.Name;
        EXPECT_EQ(w->lChartName->text(), w->Controller().GetChartKindName(c.Row).toUpper()) << c.Name;
    }
}

TEST_F(MainWindowTest, PlacementOfThisScreenIsRestoredWithinLimits) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QString section =
        PlacementSectionName(static_cast<int>(std::lround(screen->logicalDotsPerInch())), screen->geometry().height());
    struct TCase {
        const char* Name;
        int Width, Height, Options;
        int ExpectedWidth, ExpectedLeft;
    };
    const TCase cases[] = {
        {"stored size and right panel", 780, 600, 250, 780, 780 - 3 - 250},
        // Scaled by the first start's share, whose right panel is as wide as the chart names need.
        // On this 800-pixel screen the chart names need the room, so the chart keeps only its least width.
        {"a right panel too wide is refused: the left one is scaled", 800, 600, 500, 800, TfmMain::MinMainPanelWidth},
        {"a size too small for the window's minimum", 10, 10, 50, 572, 469},
        {"a corrupt height", 696, 99999, 224, 696, 469},
    };
    for (const TCase& c : cases) {
        const QString store =
            QStringLiteral("[%1]\r\nTop=10\r\nLeft=20\r\nWidth=%2\r\nHeight=%3\r\nOptionsWidth=%4\r\n")
                .arg(section)
                .arg(c.Width)
                .arg(c.Height)
                .arg(c.Options);
        auto w = Open(store.toUtf8());
        EXPECT_EQ(w->width(), c.ExpectedWidth) << c.Name;
        EXPECT_EQ(w->MainPanelWidth(), c.ExpectedLeft) << c.Name;
        EXPECT_GE(w->height(), w->minimumHeight()) << c.Name;
        EXPECT_TRUE(screen->availableGeometry().contains(w->geometry())) << c.Name;
    }
    // Another screen setup's placement is not used: the window opens as on a first start.
    const int firstStart = Open("[Preferences]\r\nLanguage=ENG\r\n")->width();
    auto w = Open("[Placement1231]\r\nWidth=900\r\nHeight=600\r\n");
    EXPECT_EQ(w->width(), firstStart);
}

// A result far past any budget is charted, not failed: the range stops and the limit line says where.
TEST_F(MainWindowTest, AHugeResultStopsAndSaysNoBudgetFollowsIt) {
    test::WriteText(Folder.Path() + QStringLiteral("/games.ini"),
                    "[Huge]\r\nCount=2\r\nResult0=2147483647\r\nProbability0=0.5\r\nResult1=-1\r\n"
                    "Probability1=0.5\r\n\r\n");
    test::WriteText(Folder.Path() + QStringLiteral("/bets.ini"),
                    "[Double]\r\nCount=1\r\nBet0=2\r\nWin0=0\r\nLoss0=0\r\n\r\n");
    QStringList shown;
    SetErrorDisplay([&shown](const QString& m) { shown << m; });
    auto w = Open();
    AddSeries(*w, 0);
    w->FormActivate();
    // Every win leaves play past the budget's edge, so no balance above 0 is left to chart: wait for the line.
    ASSERT_TRUE(
        test::WaitFor([&] { return !w->Controller().Running() && !w->lLimitWarning->text().isEmpty(); }, 10000));
    SetErrorDisplay(nullptr);
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(w->lLimitWarning->text().contains(QStringLiteral("are not followed at any memory budget")))
        << w->lLimitWarning->text().toStdString();
    EXPECT_TRUE(w->lLimitWarning->property("alarm").toBool()) << "half of the probability is past the edge";
}

// The about box stands in for any handler that fails.
class TFailingDialogs : public IChartDialogs {
public:
    bool SelectGameAndSystem(TChartController&) override { return false; }
    std::unique_ptr<TGameDescription> NewGame(const QStringList&) override { return nullptr; }
    bool EditGame(const TGameDescription&, const QStringList&, TGameDescription&) override { return false; }
    std::unique_ptr<TBetDescription> NewSystem(const QStringList&) override { return nullptr; }
    bool EditSystem(const TBetDescription&, const QStringList&, TBetDescription&) override { return false; }
    void ShowAbout() override { throw ERangeError("about failed"); }
};

// A direct trigger() bypasses notify: only the guard at the slot keeps the error from reaching this test.
TEST_F(MainWindowTest, RaisingHandlerLeavesTheWindowUsable) {
    QStringList shown;
    SetErrorDisplay([&shown](const QString& m) { shown << m; });
    auto w = Open();
    w->SetChartDialogs(std::make_unique<TFailingDialogs>());
    w->miAbout->trigger();
    w->miAbout->trigger();
    w->miData->trigger();
    SetErrorDisplay(nullptr);
    // The same fault is reported once in a run: a second report would tell the maker nothing new.
    EXPECT_EQ(shown, QStringList({QStringLiteral("about failed")}));
    EXPECT_FALSE(w->DataGrid->isHidden());
    EXPECT_TRUE(w->MainChart->isHidden());
}

TEST_F(MainWindowTest, PanelsKeepTheirMinimumWidths) {
    auto w = Open();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->resize(900, 500);
    const int wide = w->MainPanelWidth();
    EXPECT_GT(wide, TfmMain::MinMainPanelWidth);
    w->resize(w->minimumWidth(), 500);
    EXPECT_EQ(w->MainPanelWidth(), TfmMain::MinMainPanelWidth);
    EXPECT_FALSE(w->Splitter1CanResize(468));
    // Back to the first size, the panels are as they were.
    w->resize(696, 500);
    EXPECT_EQ(w->MainPanelWidth(), 469);
    EXPECT_EQ(w->OptionsPanel->width(), 696 - 469 - 3);
    // A wide left panel shrinks with the window but leaves the right one its 100 pixels.
    w->resize(1000, 500);
    w->SetMainPanelWidth(897);
    w->resize(700, 500);
    EXPECT_EQ(w->MainPanelWidth(), 700 - 3 - 100);
    EXPECT_EQ(w->OptionsPanel->width(), 100);
    EXPECT_TRUE(w->lPlay->isHidden()) << "no play-now address, no link";
}

TEST_F(MainWindowTest, PlayLinkShownWithAnAddress) {
    auto w = Open({}, QStringLiteral("https://play.example.org/"));
    EXPECT_FALSE(w->lPlay->isHidden());
}

} // namespace
} // namespace wl
