// The summary view while a calculation runs: its progress, each series' figures as they complete, the old figures
// greyed until their new ones arrive.
#include "charts/ChartController.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "ui/main/fMain.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace wl {
namespace {

// The view's first row, and per column the figures it shows in black and in grey.
struct TSnapshot {
    QString FirstRow;
    std::vector<std::pair<int, int>> BlackGrey;
};

TSnapshot Snapshot(const QTableWidget& grid) {
    TSnapshot shot{grid.item(0, 0) ? grid.item(0, 0)->text() : QString(), {}};
    for (int c = 1; c < grid.columnCount(); ++c) {
        auto& [black, grey] = shot.BlackGrey.emplace_back(0, 0);
        for (int r = 0; r < grid.rowCount(); ++r)
            if (const QTableWidgetItem* v = grid.item(r, c); v && !v->text().isEmpty())
                ++(v->foreground().color() == TfmMain::StaleSummaryColor() ? grey : black);
    }
    return shot;
}

TEST(SummaryProgressTest, FiguresAppearSeriesBySeriesAndOldOnesStayGreyUntilReplaced) {
    test::TUiFolder folder;
    // A doubling system: its states' reach runs give each series' completion some length.
    test::WriteText(folder.Path() + QStringLiteral("/bets.ini"),
                    "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n"
                    "[Double]\r\nCount=4\r\nBet0=1\r\nWin0=0\r\nLoss0=1\r\nBet1=2\r\nWin1=0\r\nLoss1=2\r\n"
                    "Bet2=4\r\nWin2=0\r\nLoss2=3\r\nBet3=8\r\nWin3=0\r\nLoss3=0\r\n\r\n");
    folder.UsePreferences("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=300\r\n");
    // What the view showed right after the window took in each completed series, while the calculation ran on.
    std::vector<TSnapshot> completions;
    QString roundsText;
    TfmMain w(folder.Path());
    TChartController& controller = w.Controller();
    TStorage& s = controller.Storage();
    for (const auto& [game, system] : {std::pair{0, 1}, {1, 1}, {0, 0}})
        controller.AddSeries(*s.Games->Item(game), *s.Systems->Item(system));
    w.RefreshSeriesList();
    w.show();
    w.FormActivate();
    controller.SetOnSummary([&, window = controller.OnSummary()](int index) {
        window(index);
        EXPECT_TRUE(controller.Running());
        completions.push_back(Snapshot(*w.SummaryGrid));
    });
    controller.SetOnProgress([&, window = controller.OnProgress()](int value) {
        window(value);
        // A report of the run being stopped may come while the view has no rows yet.
        const QTableWidgetItem* first = w.SummaryGrid->item(0, 0);
        if (value > 0 && value < 100 && !controller.CompletingSummaries() && w.SummaryShown() && first)
            roundsText = first->text();
    });
    const auto settled = [&] {
        return test::WaitFor([&] { return !controller.Running() && controller.SeriesSummary(2) != nullptr; });
    };

    w.miSummary->trigger();
    ASSERT_TRUE(settled());
    EXPECT_TRUE(roundsText.startsWith(QStringLiteral("Calculating: "))) << roundsText.toStdString();
    ASSERT_EQ(completions.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(completions[k].FirstRow.startsWith(QStringLiteral("Completing the figures: ")) &&
                    completions[k].FirstRow.endsWith(QStringLiteral(", %1 of 3 series done").arg(k + 1)))
            << completions[k].FirstRow.toStdString();
        // Nothing older to show on the first opening: the columns still to come are empty.
        for (size_t c = 0; c < 3; ++c)
            EXPECT_EQ(completions[k].BlackGrey[c], std::make_pair(c <= k ? completions[2].BlackGrey[c].first : 0, 0))
                << k << "/" << c;
    }
    const TSnapshot done = Snapshot(*w.SummaryGrid);
    EXPECT_EQ(done.FirstRow, QStringLiteral("The game, per unit bet")) << "no progress row once done";
    EXPECT_EQ(done.BlackGrey, completions[2].BlackGrey);

    // A recompute keeps each column's old figures, grey, until its new ones arrive.
    completions.clear();
    w.seParam2->setValue(250);
    EXPECT_EQ(Snapshot(*w.SummaryGrid).BlackGrey[2], std::make_pair(0, done.BlackGrey[2].first));
    ASSERT_TRUE(settled());
    ASSERT_EQ(completions.size(), 3u);
    EXPECT_EQ(completions[0].BlackGrey[0].second, 0);
    EXPECT_EQ(completions[0].BlackGrey[2], std::make_pair(0, done.BlackGrey[2].first));

    // A deleted series leaves the view, whether a calculation runs or not; the rest keep their figures.
    for (bool running : {false, true}) {
        if (running)
            w.seParam2->setValue(200);
        const QString last = controller.GetSeriesCaption(controller.SeriesCount() - 1);
        w.lbSeries->setCurrentRow(0);
        w.btnDelClick();
        const QTableWidget& grid = *w.SummaryGrid;
        ASSERT_EQ(grid.columnCount(), controller.SeriesCount() + 1) << running;
        EXPECT_EQ(grid.horizontalHeaderItem(grid.columnCount() - 1)->toolTip(), last) << running;
        const std::pair<int, int> figures = Snapshot(grid).BlackGrey.back();
        EXPECT_EQ(running ? figures.second : figures.first, done.BlackGrey[2].first) << running;
        test::WaitFor([&] { return !controller.Running(); });
    }
}

} // namespace
} // namespace wl
