// The controller: continuation, changes while a calculation runs, thread failures, series and lines, dialogs.
#include "ChartTestSupport.h"

#include "charts/ChartDialogs.h"
#include "model/NameValidation.h"
#include "model/Storage.h"
#include "support/Exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace wl {
namespace {

using Points = std::vector<std::pair<double, double>>;
enum Kind { NetResults, Cumulative, ExpResult, WinProb, LoseProb, WinLoseRate, ROR, COS, COSRORRate };

double LineSum(const TChartLine& line) {
    double s = 0;
    for (const TChartPoint& p : line.Points())
        s += p.Y;
    return s;
}

struct TSeriesSet {
    TGameDescription Coin = test::CoinGame();
    TGameDescription Roulette = test::MakeGame(QStringLiteral("Roulette"), {{1, 18.0 / 37}, {-1, 19.0 / 37}});
    TBetDescription Flat = test::FlatSystem();
    TBetDescription Martingale = test::MakeSystem(QStringLiteral("Martingale"), {1, 2, 4, 8});

    void AddTo(TChartController& c) {
        c.AddSeries(Coin, Flat);
        c.AddSeries(Roulette, Martingale);
    }
};

TEST(ChartControllerTest, RaisingTheRoundsContinuesAndEqualsAFreshCalculation) {
    TSeriesSet s;
    test::TControllerFixture fresh;
    fresh.Controller->CurrentKind().SetParam(1, 20);
    s.AddTo(*fresh.Controller);
    fresh.Compute();

    test::TControllerFixture f;
    s.AddTo(*f.Controller);
    f.Compute(); // 10 rounds
    EXPECT_EQ(f.Controller->CurrentKind().ComputedRounds, 10);
    // The window's order for a parameter edit.
    auto edit = [&f](int value) {
        f.Controller->StopCalculations(true);
        f.Controller->CurrentKind().SetParam(1, value);
        f.Controller->RunCalculations();
        f.Controller->WaitForCalculation();
    };
    edit(20);
    for (int line = 0; line < 2; ++line)
        EXPECT_EQ(test::Pairs(f.Chart.Line(line)), test::Pairs(fresh.Chart.Line(line))) << line;
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 20);

    // Probability taken out of round 20 stays out when carrying on to 30: rounds 1..20 were not computed again.
    f.Controller->GetCalculator(0).TakeBalanceProbability(0);
    edit(30);
    EXPECT_LT(LineSum(f.Chart.Line(0)), 95.0);
    // Lowering the rounds computes from round 1 again.
    edit(10);
    EXPECT_NEAR(LineSum(f.Chart.Line(0)), 100.0, 1e-9);
    EXPECT_EQ(f.Controller->GetCalculator(0).RoundCount, 10);
}

// Each series may take an even share of the budget; a new budget computes from round 1 again.
TEST(ChartControllerTest, TheMemoryBudgetIsSharedAndAChangeStartsOver) {
    TSeriesSet s;
    test::TControllerFixture f;
    f.Controller->SetMemoryBudget(TChartController::DefaultMemoryBudget);
    s.AddTo(*f.Controller);
    f.Compute();
    EXPECT_EQ(f.Controller->GetCalculator(1).MemoryBudget, TChartController::DefaultMemoryBudget / 2);
    f.Controller->GetCalculator(0).TakeBalanceProbability(0);
    f.Controller->SetMemoryBudget(int64_t{300} << 20);
    f.Compute();
    EXPECT_EQ(f.Controller->GetCalculator(0).MemoryBudget, int64_t{150} << 20);
    EXPECT_NEAR(LineSum(f.Chart.Line(0)), 100.0, 1e-9) << "computed from round 1 again";
    f.Controller->SetMemoryBudget(0);
    f.Compute();
    EXPECT_EQ(f.Controller->GetCalculator(1).MemoryBudget, 0) << "no bound";
}

TEST(ChartControllerTest, ProgressSequences) {
    struct TRow {
        const char* Name;
        int Kind, Rounds;
        std::vector<int> Expected;
        int ComputedRounds, RoundCount;
    };
    std::vector<int> all = {-1};
    for (int p = 1; p <= 100; ++p)
        all.push_back(p);
    all.push_back(10000);
    const TRow rows[] = {
        {"N = 10", NetResults, 10, {-1, 20, 30, 40, 50, 60, 70, 80, 90, 100, 10000}, 10, 10},
        {"N = 3000", WinProb, -1, all, 3000, 3000},
        {"N = 3", NetResults, 3, {-1, 67, 100, 10000}, 3, 3},
        {"N = 1", NetResults, 1, {-1, 10000}, 1, 1},
        {"N = 0: round 1 is still computed", NetResults, 0, {-1, 10000}, 0, 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TSeriesSet s;
        test::TControllerFixture f;
        f.Controller->SelectChartKind(row.Kind);
        if (row.Rounds >= 0)
            f.Controller->CurrentKind().SetParam(1, row.Rounds);
        s.AddTo(*f.Controller);
        f.Compute();
        EXPECT_EQ(f.Progress, row.Expected);
        EXPECT_EQ(f.Controller->CurrentKind().ComputedRounds, row.ComputedRounds);
        EXPECT_EQ(f.Controller->GetCalculator(1).RoundCount, row.RoundCount);
    }
}

TEST(ChartControllerTest, KindsGiveTheSameLinesWithAndWithoutWorkers) {
    TSeriesSet s;
    const TGameDescription skewed = test::MakeGame(QStringLiteral("Skewed"), {{2, 0.45}, {-1, 0.55}});
    auto lines = [&](int workers, int kind) {
        test::TControllerFixture f;
        f.Controller->SetWorkerCount(workers);
        f.Controller->SelectChartKind(kind);
        f.Controller->CurrentKind().SetParam(0, 20);
        s.AddTo(*f.Controller);
        f.Controller->AddSeries(skewed, s.Martingale);
        f.Compute();
        std::vector<Points> out;
        for (int line = 0; line < 3; ++line)
            out.push_back(test::Pairs(f.Chart.Line(line)));
        return out;
    };
    // Every family, and every risk kind (they change the distributions while collecting).
    for (int kind : {NetResults, Cumulative, ExpResult, ROR, COS, COSRORRate})
        EXPECT_EQ(lines(1, kind), lines(0, kind)) << "kind " << kind;
}

TEST(ChartControllerTest, SelectingAKindWithoutSeriesStartsNothing) {
    test::TControllerFixture f;
    f.Controller->SetActive(true);
    f.Controller->SelectChartKind(ROR);
    EXPECT_EQ(f.Controller->ChartIndex(), ROR);
    EXPECT_FALSE(f.Controller->Running());
    EXPECT_TRUE(f.Progress.empty());
    EXPECT_THROW(f.Controller->SelectChartKind(13), ERangeError);
    EXPECT_EQ(f.Controller->ChartIndex(), ROR);
}

// The calculation thread waits at its first progress report until the test serves it, so it is surely running.
TEST(ChartControllerTest, ChangesWhileACalculationRuns) {
    TSeriesSet s;
    test::TControllerFixture reference;
    reference.Controller->SelectChartKind(WinProb);
    s.AddTo(*reference.Controller);
    reference.Compute();

    {
        SCOPED_TRACE("adding a series: discarded, then the old series continue");
        test::TControllerFixture f;
        f.Controller->SelectChartKind(WinProb);
        f.Controller->AddSeries(s.Coin, s.Flat);
        f.Controller->SetActive(true);
        ASSERT_TRUE(f.Controller->Running());
        f.Controller->AddSeries(s.Roulette, s.Martingale);
        f.Controller->WaitForCalculation();
        EXPECT_EQ(std::count(f.Progress.begin(), f.Progress.end(), 10000), 1);
        EXPECT_EQ(std::count(f.Progress.begin(), f.Progress.end(), -1), 2);
        for (int line = 0; line < 2; ++line)
            EXPECT_EQ(test::Pairs(f.Chart.Line(line)), test::Pairs(reference.Chart.Line(line))) << line;
    }
    {
        SCOPED_TRACE("deleting one of several: discarded, the rest computed again");
        test::TControllerFixture f;
        f.Controller->SelectChartKind(WinProb);
        f.Controller->AddSeries(s.Roulette, s.Martingale);
        s.AddTo(*f.Controller);
        f.Controller->SetActive(true);
        f.Controller->DeleteSeries(0);
        EXPECT_TRUE(f.Controller->Running());
        EXPECT_FALSE(f.Chart.Line(0).Visible());
        f.Controller->WaitForCalculation();
        EXPECT_EQ(std::count(f.Progress.begin(), f.Progress.end(), 10000), 1);
        EXPECT_EQ(f.Controller->SeriesCount(), 2);
        EXPECT_EQ(f.Controller->GetSeriesCaption(0), QStringLiteral("Coin [Flat]"));
        EXPECT_EQ(test::Pairs(f.Chart.Line(1)), test::Pairs(reference.Chart.Line(0)));
        EXPECT_EQ(test::Pairs(f.Chart.Line(2)), test::Pairs(reference.Chart.Line(1)));
    }
    {
        SCOPED_TRACE("deleting the only series: what was computed is drawn, nothing starts");
        test::TControllerFixture f;
        f.Controller->SelectChartKind(WinProb);
        f.Controller->AddSeries(s.Coin, s.Flat);
        f.Controller->SetActive(true);
        f.Controller->DeleteSeries(0);
        EXPECT_FALSE(f.Controller->Running());
        EXPECT_EQ(f.Progress.back(), 10000);
        EXPECT_GT(f.Chart.Line(0).Count(), 0);
        EXPECT_FALSE(f.Chart.Line(0).Visible());
        EXPECT_EQ(f.Controller->SeriesCount(), 0);
    }
    {
        SCOPED_TRACE("running again while it computes: the first is discarded, one thread at a time");
        test::TControllerFixture f;
        f.Controller->SelectChartKind(WinProb);
        s.AddTo(*f.Controller);
        f.Controller->SetActive(true);
        f.Controller->RunCalculations();
        f.Controller->WaitForCalculation();
        EXPECT_EQ(std::count(f.Progress.begin(), f.Progress.end(), 10000), 1);
        for (int line = 0; line < 2; ++line)
            EXPECT_EQ(test::Pairs(f.Chart.Line(line)), test::Pairs(reference.Chart.Line(line))) << line;
    }
    {
        SCOPED_TRACE("destroying the controller while it computes");
        test::TControllerFixture f;
        f.Controller->AddSeries(s.Coin, s.Flat);
        f.Controller->SelectChartKind(ROR);
        f.Controller->SetActive(true);
        f.Controller.reset();
        EXPECT_EQ(f.Progress.front(), -1);
        EXPECT_EQ(std::count(f.Progress.begin(), f.Progress.end(), 10000), 0);
    }
}

TEST(ChartControllerTest, AFailingSeriesIsReportedOnceAndTheOthersAreDrawn) {
    TSeriesSet s;
    // A loss sends the player to a state the system lacks: round 1 fails.
    TBetDescription broken = test::MakeSystem(QStringLiteral("Broken"), {1});
    broken.LossStates[0] = 3;
    test::TControllerFixture f;
    f.Controller->AddSeries(s.Coin, s.Flat);
    f.Controller->AddSeries(s.Coin, broken);
    f.Compute();
    ASSERT_EQ(f.Failures.size(), 1u);
    // The user's game, not a fault: the series, the round and the limit, in plain words.
    EXPECT_TRUE(
        f.Failures[0].startsWith(QStringLiteral("The series \"Coin [Broken]\" cannot be charted.\r\nThe betting "
                                                "system \"Broken\": state 0 goes to state 3")))
        << f.Failures[0].toStdString();
    EXPECT_TRUE(f.Failures[0].endsWith(f.Controller->SeriesFailure(1)));
    EXPECT_TRUE(f.Controller->SeriesFailure(0).isEmpty());
    EXPECT_EQ(f.Controller->LastThreadError(), f.Failures[0]);
    EXPECT_EQ(f.Chart.Line(0).Count(), 11) << "a fair coin after 10 rounds: -10, -8, ..., 10";
    EXPECT_TRUE(f.Chart.Line(0).Visible());
    EXPECT_EQ(f.Chart.Line(1).Count(), 0);
    EXPECT_FALSE(f.Chart.Line(1).Visible());
    EXPECT_EQ(f.Controller->CurrentKind().ComputedRounds, 10);

    // The next calculation tries it again but does not report the same failure twice.
    f.Controller->CurrentKind().SetParam(1, 12);
    f.Compute();
    EXPECT_EQ(f.Failures.size(), 1u);
    EXPECT_EQ(f.Chart.Line(0).Count(), 13);
    f.Controller->DeleteSeries(1);
    EXPECT_TRUE(f.Chart.Line(0).Visible());
}

TEST(ChartControllerTest, AFaultOfASeriesKeepsWhereItWasRaised) {
    TSeriesSet s;
    // More states than any system may have: a fault of the program, not the user's, raised inside the calculator.
    TBetDescription tooMany = test::MakeSystem(QStringLiteral("Too many"), {1});
    tooMany.StateCount = TGameCalculator::StateLimit + 1;
    const void* where = nullptr;
    void* innermost = nullptr;
    try {
        TGameCalculator c;
        c.Game = &s.Coin;
        c.BetSystem = &tooMany;
        c.Reset();
    } catch (const Exception& e) {
        where = e.RaiseAddress();
        innermost = e.RaiseTrace().empty() ? nullptr : e.RaiseTrace().front();
    }
    ASSERT_NE(where, nullptr);

    test::TControllerFixture f;
    std::vector<std::pair<const void*, void*>> raised;
    f.Controller->SetOnThreadError([&](const Exception& e) {
        f.Failures.push_back(e.Message());
        raised.emplace_back(e.RaiseAddress(), e.RaiseTrace().empty() ? nullptr : e.RaiseTrace().front());
    });
    f.Controller->AddSeries(s.Coin, tooMany);
    f.Compute();
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_TRUE(f.Failures[0].startsWith(QStringLiteral("Error in thread\n\rCoin [Too many]")))
        << f.Failures[0].toStdString();
    EXPECT_EQ(raised[0].first, where) << "the report names the throw site, not the controller";
    EXPECT_EQ(raised[0].second, innermost) << "and keeps the trace from there";
}

TEST(ChartControllerTest, ErrorsOutsideOurClassAlsoEndTheCalculationWithAReport) {
    struct TRow {
        const char* Name;
        std::function<void()> Raise;
        QString Expected;
    };
    const TRow rows[] = {
        {"std::exception", [] { throw std::runtime_error("boom"); }, QStringLiteral("Error in thread\n\rboom")},
        {"anything else", [] { throw 42; }, QStringLiteral("Error in thread\n\rUnknown error")},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TSeriesSet s;
        test::TControllerFixture f;
        f.Controller->SetOnProgress([&f, &row](int p) {
            f.Progress.push_back(p);
            if (p == 20)
                row.Raise(); // thrown on the interface thread, handed back to the waiting thread
        });
        f.Controller->AddSeries(s.Coin, s.Flat);
        f.Compute();
        EXPECT_EQ(f.Failures, (std::vector<QString>{row.Expected}));
        EXPECT_EQ(f.Progress, (std::vector<int>{-1, 20, 10000}));
    }
}

TEST(ChartControllerTest, SeriesLinesAndIndexes) {
    TSeriesSet s;
    test::TControllerFixture f;
    TChartController& c = *f.Controller;
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(c.AddSeries(s.Coin, s.Flat));
    EXPECT_FALSE(c.AddSeries(s.Coin, s.Flat)); // no free line: skipped
    EXPECT_EQ(c.SeriesCount(), 10);
    EXPECT_EQ(c.GetCalculator(9).LineColor(), MakeColor(255, 0, 255));

    c.HighlightSeries(3);
    EXPECT_EQ(f.Chart.Line(3).PenWidth(), 2);
    c.HighlightSeries(-1);
    for (int i = 0; i < TChart::LineCount; ++i)
        EXPECT_EQ(f.Chart.Line(i).PenWidth(), 1);

    c.DeleteSeries(2);
    c.DeleteSeries(5); // was series 6, line 6
    EXPECT_TRUE(c.AddSeries(s.Roulette, s.Flat));
    EXPECT_EQ(c.GetCalculator(8).Line, &f.Chart.Line(2)); // the first freed line
    EXPECT_EQ(c.GetSeriesCaption(8), QStringLiteral("Roulette [Flat]"));

    for (int bad : {-1, 9})
        EXPECT_THROW(c.GetCalculator(bad), ERangeError) << bad;
    EXPECT_THROW(c.DeleteSeries(9), ERangeError);
    EXPECT_THROW(c.HighlightSeries(12), ERangeError);
    EXPECT_EQ(c.SeriesCount(), 9);

    c.ClearSeries();
    EXPECT_EQ(c.SeriesCount(), 0);
    for (int i = 0; i < TChart::LineCount; ++i)
        EXPECT_FALSE(f.Chart.Line(i).Visible());

    TChartController noChart(f.Folder.path());
    EXPECT_FALSE(noChart.AddSeries(s.Coin, s.Flat));
}

TEST(ChartControllerTest, DeletingAGameRemovesEverySeriesThatUsesIt) {
    test::TControllerFixture f;
    TChartController& c = *f.Controller;
    TStorage& storage = c.Storage();
    storage.Games->Add(std::make_unique<TGameDescription>(test::CoinGame()));
    storage.Games->Add(std::make_unique<TGameDescription>(test::MakeGame(QStringLiteral("Dice"), {{1, 1}})));
    storage.Systems->Add(std::make_unique<TBetDescription>(test::FlatSystem()));
    const int coin = storage.Games->NameList().indexOf(QStringLiteral("Coin"));
    const int dice = 1 - coin;
    c.AddSeries(*storage.Games->Item(dice), *storage.Systems->Item(0));
    c.AddSeries(*storage.Games->Item(coin), *storage.Systems->Item(0));
    c.AddSeries(*storage.Games->Item(coin), *storage.Systems->Item(0));
    c.SetActive(true);
    c.DeleteGame(coin);
    c.WaitForCalculation();
    EXPECT_EQ(storage.Games->Count(), 1);
    EXPECT_EQ(c.SeriesCount(), 1);
    EXPECT_FALSE(f.Chart.Line(1).Visible());
    EXPECT_FALSE(f.Chart.Line(2).Visible());
    EXPECT_TRUE(f.Chart.Line(0).Visible());
    c.AddSeries(*storage.Games->Item(0), *storage.Systems->Item(0));
    EXPECT_EQ(c.GetCalculator(1).Line, &f.Chart.Line(1));
    EXPECT_THROW(c.DeleteGame(5), ERangeError);
    EXPECT_THROW(c.DeleteSystem(1), ERangeError);
    c.DeleteSystem(0);
    EXPECT_EQ(c.SeriesCount(), 0);
}

class TFakeDialogs : public IChartDialogs {
public:
    QString NewName = QStringLiteral("Edited");
    int Edits = 0;
    bool SelectGameAndSystem(TChartController&) override { return false; }
    std::unique_ptr<TGameDescription> NewGame(const QStringList&) override {
        auto g = std::make_unique<TGameDescription>(test::CoinGame());
        g->Name = NewName;
        return g;
    }
    bool EditGame(const TGameDescription& game, const QStringList&, TGameDescription& edited) override {
        ++Edits;
        edited.Assign(game);
        edited.Name = NewName;
        edited.SetProbability(0, 0.75);
        edited.SetProbability(1, 0.25);
        return true;
    }
    std::unique_ptr<TBetDescription> NewSystem(const QStringList&) override { return nullptr; }
    bool EditSystem(const TBetDescription&, const QStringList&, TBetDescription&) override { return false; }
    void ShowAbout() override {}
};

TEST(ChartControllerTest, DialogOperations) {
    test::TControllerFixture f;
    TChartController& c = *f.Controller;
    // Without dialogs everything is cancelled.
    EXPECT_FALSE(c.ChooseSeries());
    EXPECT_EQ(c.CreateGame(), nullptr);
    EXPECT_EQ(c.CreateSystem(), nullptr);
    c.OpenAbout();

    TFakeDialogs dialogs;
    c.SetDialogs(&dialogs);
    dialogs.NewName = QStringLiteral("Coin");
    TGameDescription* game = c.CreateGame();
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(c.Storage().Games->Count(), 1);
    c.Storage().Systems->Add(std::make_unique<TBetDescription>(test::FlatSystem()));
    dialogs.NewName = QStringLiteral("COIN"); // differs only in letter case
    EXPECT_THROW(c.CreateGame(), ENameError);
    EXPECT_EQ(c.Storage().Games->Count(), 1);

    c.CurrentKind().SetParam(1, 1);
    c.AddSeries(*game, *c.Storage().Systems->Item(0));
    f.Compute();
    EXPECT_EQ(test::Pairs(f.Chart.Line(0)), (Points{{-1, 50}, {1, 50}}));

    dialogs.NewName = QStringLiteral("Biased coin");
    EXPECT_TRUE(c.ModifyGame(*game));
    c.WaitForCalculation();
    EXPECT_EQ(game->Name, QStringLiteral("Biased coin"));
    EXPECT_EQ(c.Storage().Games->ItemName(0), QStringLiteral("Biased coin"));
    EXPECT_EQ(c.GetSeriesCaption(0), QStringLiteral("Biased coin [Flat]"));
    EXPECT_EQ(test::Pairs(f.Chart.Line(0)), (Points{{-1, 25}, {1, 75}})); // restarted with the new game

    dialogs.NewName = QStringLiteral("bad\nname");
    EXPECT_THROW(c.ModifyGame(*game), ENameError);
    EXPECT_EQ(game->Name, QStringLiteral("Biased coin"));
    EXPECT_FALSE(c.ModifySystem(*c.Storage().Systems->Item(0))); // cancelled
}

} // namespace
} // namespace wl
