#include "charts/SessionCharts.h"

#include "charts/Chart.h"
#include "engine/GameCalculator.h"
#include "support/Exception.h"
#include "support/TextSource.h"

#include <cmath>

namespace wl {

TSessionByBankrollChart::TSessionByBankrollChart() {
    Params[0] = 200;
}

void TSessionByBankrollChart::ParamChanged(int /*index*/) {
    ComputedRounds = 0;
}

void TSessionByBankrollChart::Activate(TChartController& /*controller*/, int /*prev*/) {
    ComputedRounds = 0;
}

QString TSessionByBankrollChart::ParamProblem(int index, int value) const {
    if (index == 0 && (value < 2 || value > MaxTarget))
        return MessageText(Texts(), QStringLiteral("SessionTarget"),
                           QStringLiteral("The session needs a target bankroll from 2 to 10000: the player leaves "
                                          "when his money reaches it or he is ruined. Type a target in that range."));
    return {};
}

void TSessionByBankrollChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TChartDescription::SetupChart(chart, minX, maxX, minY, maxY);
    if (maxY >= minY) {
        const double margin = std::max(1.0, 0.05 * (maxY - minY));
        chart.LeftAxis().SetMinMax(std::min(0.0, minY - margin), maxY + margin);
    }
    chart.BottomAxis().SetMinMax(0, Params[0]);
}

void TSessionByBankrollChart::ComputeSeries(TGameCalculator& calculator, TStepPool* /*pool*/,
                                            const std::function<bool(int32_t)>& progress) {
    calculator.Results.Clear();
    calculator.FirstX = 1;
    calculator.LastX = 0;
    calculator.LimitShare = 0.0;
    calculator.LimitRound = 0;
    if (!calculator.Game || !calculator.BetSystem)
        throw Exception("The series has no game or no betting system");
    TSessionRequest request;
    request.Target = Params[0];
    request.MemoryBudget = calculator.MemoryBudget;
    request.Progress = [&](double share) {
        return !progress || progress(static_cast<int32_t>(share * RoundsToCompute()));
    };
    const auto solution = TSessionSolver(*calculator.Game, *calculator.BetSystem).Solve(request);
    if (!solution)
        return; // stopped
    const std::vector<double>& values = ValuesOf(*solution);
    // A start that can play for ever has no finite value to draw; it is left out.
    for (int32_t b = 1; b < solution->Target; ++b)
        if (std::isfinite(values[static_cast<size_t>(b)]))
            calculator.Results[b] = values[static_cast<size_t>(b)];
    calculator.LastX = solution->Target - 1;
}

TRoundsByBankrollChart::TRoundsByBankrollChart() {
    SectionName = QStringLiteral("Chart - Expected Rounds by Bankroll");
}

TEndResultByBankrollChart::TEndResultByBankrollChart() {
    SectionName = QStringLiteral("Chart - Net Result at the End by Bankroll");
}

} // namespace wl
