// Test helpers for the chart and thread tests: games, systems, a controller in a temporary folder, a text source.
#pragma once

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/TextSource.h"

#include <QMap>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace wl::test {

inline TGameDescription MakeGame(const QString& name, std::initializer_list<std::pair<int, double>> outcomes) {
    TGameDescription g;
    g.Name = name;
    int i = 0;
    for (const auto& [result, probability] : outcomes) {
        g.SetResult(i, result);
        g.SetProbability(i, probability);
        ++i;
    }
    g.OutcomeCount = i;
    return g;
}

inline TGameDescription CoinGame() {
    return MakeGame(QStringLiteral("Coin"), {{1, 0.5}, {-1, 0.5}});
}

// One state per bet; a win goes to state 0, a loss to the next state (the last back to 0).
inline TBetDescription MakeSystem(const QString& name, std::initializer_list<int> bets) {
    TBetDescription s;
    s.Name = name;
    int i = 0;
    const int n = static_cast<int>(bets.size());
    for (int bet : bets) {
        s.SetBet(i, bet);
        s.SetWinState(i, 0);
        s.SetLossState(i, i + 1 < n ? i + 1 : 0);
        ++i;
    }
    s.StateCount = n;
    return s;
}

inline TBetDescription FlatSystem() {
    return MakeSystem(QStringLiteral("Flat"), {1});
}

class TFakeTexts : public ITextSource {
public:
    QMap<QString, QString> Texts; // "section|key" -> text
    QString GetText(const QString& section, const QString& key) const override {
        return Texts.value(section + QLatin1Char('|') + key);
    }
};

// A controller on an empty temporary folder with a chart, recording its progress notifications and failures.
struct TControllerFixture {
    QTemporaryDir Folder;
    TChart Chart;
    std::unique_ptr<TChartController> Controller;
    std::vector<int> Progress;
    std::vector<QString> Failures;

    TControllerFixture() : Controller(std::make_unique<TChartController>(Folder.path())) {
        Controller->SetChart(&Chart);
        // Small, so that series whose balances spread far stop early instead of slowing the tests down.
        Controller->SetMemoryBudget(int64_t{64} << 20);
        Controller->SetOnProgress([this](int p) { Progress.push_back(p); });
        Controller->SetOnThreadError([this](const Exception& e) { Failures.push_back(e.Message()); });
    }
    ~TControllerFixture() { Controller.reset(); }

    // Activates the controller and serves the calculation until it ends.
    void Compute() {
        if (Controller->Active())
            Controller->RunCalculations();
        else
            Controller->SetActive(true);
        Controller->WaitForCalculation();
    }
};

inline std::vector<TChartPoint> PointsOf(const TChartLine& line) {
    return line.Points();
}

inline std::vector<std::pair<double, double>> Pairs(const TChartLine& line) {
    std::vector<std::pair<double, double>> out;
    for (const TChartPoint& p : line.Points())
        out.emplace_back(p.X, p.Y);
    return out;
}

} // namespace wl::test
