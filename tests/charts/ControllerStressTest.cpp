// Random operations on the controller while calculations run, as the window may issue them: no crash, no race (the
// test carries the tsan label), and the final chart equals a fresh calculation of the final state.
#include "ChartTestSupport.h"

#include "charts/ChartDialogs.h"
#include "model/BetList.h"
#include "model/GameList.h"
#include "model/Storage.h"
#include "support/Exception.h"

#include <gtest/gtest.h>

#include <random>

namespace wl {
namespace {

constexpr int OperationCount = 2000;
constexpr int RiskKindFirst = 6;

// Answers every editor with a random valid game or system; small results and bets keep the rounds cheap.
class TRandomEdits : public IChartDialogs {
public:
    std::mt19937 Rng{20261208};

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }

    TGameDescription RandomGame(const QString& name) {
        TGameDescription g;
        g.Name = name;
        g.OutcomeCount = Pick(1, 4);
        double left = 1.0;
        for (int o = 0; o < g.OutcomeCount; ++o) {
            const double p = o + 1 == g.OutcomeCount ? left : left * Pick(1, 9) / 10.0;
            g.SetResult(o, Pick(-2, 2));
            g.SetProbability(o, p);
            left -= p;
        }
        return g;
    }

    TBetDescription RandomSystem(const QString& name) {
        TBetDescription s;
        s.Name = name;
        s.StateCount = Pick(1, 4);
        for (int i = 0; i < s.StateCount; ++i) {
            s.SetBet(i, Pick(0, 3));
            s.SetWinState(i, Pick(0, s.StateCount - 1));
            s.SetLossState(i, Pick(0, s.StateCount - 1));
        }
        return s;
    }

    bool SelectGameAndSystem(TChartController&) override { return false; }
    std::unique_ptr<TGameDescription> NewGame(const QStringList&) override {
        return std::make_unique<TGameDescription>(RandomGame(QStringLiteral("G%1").arg(++FNames)));
    }
    bool EditGame(const TGameDescription& game, const QStringList&, TGameDescription& edited) override {
        edited.Assign(RandomGame(game.Name));
        return true;
    }
    std::unique_ptr<TBetDescription> NewSystem(const QStringList&) override {
        return std::make_unique<TBetDescription>(RandomSystem(QStringLiteral("S%1").arg(++FNames)));
    }
    bool EditSystem(const TBetDescription& system, const QStringList&, TBetDescription& edited) override {
        edited.Assign(RandomSystem(system.Name));
        return true;
    }
    void ShowAbout() override {}

private:
    int FNames = 0;
};

// Valid parameters for the current kind: small bankrolls, a few rounds, targets above the bankroll.
void SetRandomParams(TChartController& c, TRandomEdits& r) {
    TChartDescription& kind = c.CurrentKind();
    const bool risk = c.ChartIndex() >= RiskKindFirst;
    const int bankroll = r.Pick(risk ? 1 : 0, 30);
    kind.SetParam(0, bankroll);
    if (kind.ParamCount() > 1)
        kind.SetParam(1, risk ? bankroll + r.Pick(1, 40) : r.Pick(1, 80));
}

struct TFinalChart {
    std::vector<std::vector<std::pair<double, double>>> Series; // in series order: lines are reused as freed
    std::optional<QString> Error;
};

TFinalChart Capture(const TChartController& c) {
    TFinalChart out;
    for (int i = 0; i < c.SeriesCount(); ++i)
        out.Series.push_back(test::Pairs(*c.GetCalculator(i).Line));
    out.Error = c.LastThreadError();
    return out;
}

TEST(ControllerStressTest, RandomOperationsWhileCalculatingEndInTheFreshResult) {
    TRandomEdits edits;
    test::TControllerFixture f;
    TChartController& c = *f.Controller;
    c.SetDialogs(&edits);
    for (int i = 0; i < 3; ++i) {
        c.CreateGame();
        c.CreateSystem();
    }
    c.SetActive(true);
    TStorage& storage = c.Storage();

    for (int op = 0; op < OperationCount; ++op) {
        const int games = storage.Games->Count();
        const int systems = storage.Systems->Count();
        switch (edits.Pick(0, 15)) {
        case 0:
        case 1:
            c.AddSeries(*storage.Games->Item(edits.Pick(0, games - 1)),
                        *storage.Systems->Item(edits.Pick(0, systems - 1)));
            break;
        case 2:
            if (c.SeriesCount() > 0)
                c.DeleteSeries(edits.Pick(0, c.SeriesCount() - 1));
            break;
        case 3:
            if (edits.Pick(0, 5) == 0)
                c.ClearSeries();
            break;
        case 4:
            c.SelectChartKind(edits.Pick(0, c.ChartKindCount() - 1));
            break;
        case 5: // the window's order for a parameter edit
            c.StopCalculations(true);
            SetRandomParams(c, edits);
            c.RunCalculations();
            break;
        case 6:
            c.ModifyGame(*storage.Games->Item(edits.Pick(0, games - 1)));
            break;
        case 7:
            c.ModifySystem(*storage.Systems->Item(edits.Pick(0, systems - 1)));
            break;
        case 8:
            if (games > 1)
                c.DeleteGame(edits.Pick(0, games - 1));
            else
                c.CreateGame();
            break;
        case 9:
            if (systems > 1)
                c.DeleteSystem(edits.Pick(0, systems - 1));
            else
                c.CreateSystem();
            break;
        case 10:
            if (games + systems < 16)
                edits.Pick(0, 1) ? static_cast<void>(c.CreateGame()) : static_cast<void>(c.CreateSystem());
            break;
        case 11:
            c.RunCalculations();
            break;
        case 12:
            c.StopCalculations(edits.Pick(0, 1) == 0);
            break;
        case 13:
            c.SetActive(!c.Active());
            break;
        case 14:
            if (edits.Pick(0, 9) == 0)
                c.WaitForCalculation();
            break;
        default: // let the calculation get on, serving its progress calls
            for (int k = edits.Pick(1, 20); k > 0; --k)
                c.Synchronizer().CheckSynchronize();
            break;
        }
    }

    c.SetActive(true);
    c.RunCalculations();
    c.WaitForCalculation();
    const TFinalChart stressed = Capture(c);

    test::TControllerFixture fresh;
    for (int i = 0; i < c.SeriesCount(); ++i)
        fresh.Controller->AddSeries(*c.GetCalculator(i).Game, *c.GetCalculator(i).BetSystem);
    fresh.Controller->SelectChartKind(c.ChartIndex());
    for (int p = 0; p < c.CurrentKind().ParamCount(); ++p)
        fresh.Controller->CurrentKind().SetParam(p, c.CurrentKind().GetParam(p));
    fresh.Compute();
    const TFinalChart expected = Capture(*fresh.Controller);

    EXPECT_EQ(stressed.Error, expected.Error);
    ASSERT_EQ(stressed.Series.size(), expected.Series.size());
    for (size_t i = 0; i < stressed.Series.size(); ++i)
        EXPECT_EQ(stressed.Series[i], expected.Series[i]) << "series " << i;
    RecordProperty("FinalSeries", c.SeriesCount());
    RecordProperty("FinalKind", c.ChartIndex());
}

} // namespace
} // namespace wl
