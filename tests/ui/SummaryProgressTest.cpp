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

// One column of the view as it stood: its figures by row label, and whether they were grey.
struct TColumn {
    QHash<QString, QString> Figures;
    int Grey = 0, Black = 0;
};

struct TSnapshot {
    bool Running = false;
    QString FirstRow;
    std::vector<TColumn> Columns;
};

TSnapshot Snapshot(TfmMain& w) {
    const QTableWidget& grid = *w.SummaryGrid;
    TSnapshot shot{w.Controller().Running(), grid.item(0, 0) ? grid.item(0, 0)->text() : QString(), {}};
    for (int c = 1; c < grid.columnCount(); ++c) {
        TColumn column;
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QTableWidgetItem* value = grid.item(r, c);
            if (value == nullptr || value->text().isEmpty())
                continue;
            column.Figures.insert(grid.item(r, 0)->text(), value->text());
            ++(value->foreground().color() == TfmMain::StaleSummaryColor() ? column.Grey : column.Black);
        }
        shot.Columns.push_back(column);
    }
    return shot;
}

class SummaryProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A doubling system: its states' reach runs give each series' completion some length.
        test::WriteText(Folder.Path() + QStringLiteral("/bets.ini"),
                        "[Flat]\r\nCount=1\r\nBet0=1\r\nWin0=0\r\nLoss0=0\r\n\r\n"
                        "[Double]\r\nCount=4\r\nBet0=1\r\nWin0=0\r\nLoss0=1\r\nBet1=2\r\nWin1=0\r\nLoss1=2\r\n"
                        "Bet2=4\r\nWin2=0\r\nLoss2=3\r\nBet3=8\r\nWin3=0\r\nLoss3=0\r\n\r\n");
        Folder.UsePreferences("[CHART]\r\nChartID=0\r\nParam0=0\r\nParam1=300\r\n");
        W = std::make_unique<TfmMain>(Folder.Path());
        TStorage& s = W->Controller().Storage();
        for (const auto& [game, system] : {std::pair{0, 1}, {1, 1}, {0, 0}})
            W->Controller().AddSeries(*s.Games->Item(game), *s.Systems->Item(system));
        W->RefreshSeriesList();
        W->show();
        W->FormActivate();
        ASSERT_TRUE(Settled());
        // Each series' completion as the view showed it right after the window took it in.
        const TChartController::TSummaryHandler window = W->Controller().OnSummary();
        W->Controller().SetOnSummary([this, window](int index) {
            window(index);
            Completions.push_back(Snapshot(*W));
        });
        const TChartController::TProgressHandler progress = W->Controller().OnProgress();
        W->Controller().SetOnProgress([this, progress](int value) {
            progress(value);
            if (value > 0 && value < 100 && !W->Controller().CompletingSummaries() && W->SummaryShown())
                RoundsText = W->SummaryGrid->item(0, 0)->text();
        });
    }
    bool Settled() {
        return test::WaitFor([&] {
            const TChartController& c = W->Controller();
            return !c.Running() && (!c.SummaryWanted() || c.SeriesSummary(c.SeriesCount() - 1) != nullptr);
        });
    }

    test::TUiFolder Folder;
    std::unique_ptr<TfmMain> W;
    std::vector<TSnapshot> Completions;
    QString RoundsText;
};

TEST_F(SummaryProgressTest, EachSeriesShowsItsFiguresAsSoonAsTheyAreComplete) {
    W->miSummary->trigger();
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Completions.size(), 3u);
    EXPECT_EQ(RoundsText.left(13), QStringLiteral("Calculating: "));
    for (size_t k = 0; k < Completions.size(); ++k) {
        const TSnapshot& shot = Completions[k];
        EXPECT_TRUE(shot.Running) << k;
        EXPECT_TRUE(shot.FirstRow.startsWith(QStringLiteral("Completing the figures: ")) &&
                    shot.FirstRow.endsWith(QStringLiteral(", %1 of 3 series done").arg(k + 1)))
            << shot.FirstRow.toStdString();
        ASSERT_EQ(shot.Columns.size(), 3u);
        for (size_t c = 0; c < 3; ++c) {
            // Nothing older to show on the first opening: the columns still to come are empty.
            EXPECT_EQ(shot.Columns[c].Grey, 0) << k << "/" << c;
            EXPECT_EQ(shot.Columns[c].Black > 5, c <= k) << k << "/" << c;
        }
    }
    // Done, the view holds the figures as they were shown when complete, and no progress row.
    const TSnapshot done = Snapshot(*W);
    EXPECT_NE(done.FirstRow.toStdString(), Completions.back().FirstRow.toStdString());
    for (size_t c = 0; c < 3; ++c)
        EXPECT_EQ(done.Columns[c].Figures, Completions[c].Columns[c].Figures) << c;

    // A recompute: a column keeps its old figures, grey, until its new ones arrive.
    Completions.clear();
    W->seParam2->setValue(250);
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Completions.size(), 3u);
    const TSnapshot& first = Completions.front();
    EXPECT_EQ(first.Columns[0].Grey, 0);
    EXPECT_NE(first.Columns[0].Figures, done.Columns[0].Figures) << "the new horizon's figures";
    for (size_t c = 1; c < 3; ++c) {
        EXPECT_EQ(first.Columns[c].Black, 0) << c;
        EXPECT_GT(first.Columns[c].Grey, 5) << c;
        // A figure that does not depend on the horizon stays in its row.
        EXPECT_EQ(first.Columns[c].Figures.value(QStringLiteral("House edge, %")),
                  done.Columns[c].Figures.value(QStringLiteral("House edge, %")))
            << c;
    }
    for (size_t c = 0; c < 3; ++c)
        EXPECT_EQ(Snapshot(*W).Columns[c].Grey, 0) << c;
}

TEST_F(SummaryProgressTest, ADeletedSeriesLeavesTheSummary) {
    W->miSummary->trigger();
    ASSERT_TRUE(Settled());
    const QString last = W->Controller().GetSeriesCaption(2);
    for (bool running : {false, true}) {
        if (running)
            W->seParam2->setValue(200);
        W->lbSeries->setCurrentRow(0);
        W->btnDelClick();
        const QTableWidget& grid = *W->SummaryGrid;
        ASSERT_EQ(grid.columnCount(), W->Controller().SeriesCount() + 1) << running;
        EXPECT_EQ(grid.horizontalHeaderItem(grid.columnCount() - 1)->toolTip(), last) << running;
        // While the recompute runs, what is left keeps its old figures, greyed, under its own name.
        EXPECT_EQ(Snapshot(*W).Columns.back().Grey > 5, running) << running;
        ASSERT_TRUE(Settled());
    }
}

} // namespace
} // namespace wl
