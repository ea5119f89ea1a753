// The chart kinds: parameters, carry-over rules, per-round values and axis scaling of the nine kinds.
#include "charts/ChartDescription.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/PlannerCharts.h"
#include "charts/SessionCharts.h"
#include "engine/GameCalculator.h"
#include "support/Exception.h"
#include "support/TextSource.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wl {

// --- base

void TChartDescription::SetupChart(TChart& chart, int64_t /*minX*/, int64_t /*maxX*/, double /*minY*/,
                                   double /*maxY*/) {
    chart.UndoAllZooms();
    SetAxisTitles(chart);
}

QString TChartDescription::Text(const QString& key) const {
    return FTexts ? FTexts->GetText(SectionName, key) : QString();
}

QString TChartDescription::GetParamName(int index) const {
    return Text(QStringLiteral("Param") + QString::number(index));
}

QString TChartDescription::GetName() const {
    return Text(QStringLiteral("Name"));
}
QString TChartDescription::GetXName() const {
    return Text(QStringLiteral("XName"));
}
QString TChartDescription::GetYName() const {
    return Text(QStringLiteral("YName"));
}

void TChartDescription::SetAxisTitles(TChart& chart) const {
    chart.LeftAxis().SetTitle(GetYName());
    chart.BottomAxis().SetTitle(GetXName());
}

void TChartDescription::SetParam(int index, int value) {
    Params[CheckIndex(index, 0, 2, "chart parameter index")] = value;
    ParamChanged(index);
}

// --- net results

TBalanceChart::TBalanceChart() {
    Params[0] = 0;
    Params[1] = 10;
}

void TBalanceChart::ParamChanged(int index) {
    if (index == 0 || Params[1] < ComputedRounds)
        ComputedRounds = 0;
}

void TBalanceChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TChartDescription::SetupChart(chart, minX, maxX, minY, maxY);
    if (maxY > 0)
        chart.LeftAxis().SetAutomatic(true);
    chart.BottomAxis().SetMinMax(minX - 1, maxX + 1);
}

void TBalanceChart::CollectSpans(TGameCalculator& calculator, bool cumulative) {
    // Only the stretches that may hold probability: a gap between them stays a gap in the results.
    calculator.Results.Clear();
    const std::vector<TGameCalculator::TBalanceSpan> spans = calculator.BalanceSpans();
    if (spans.empty()) {
        calculator.FirstX = calculator.MinBalance;
        calculator.LastX = calculator.MaxBalance;
        return;
    }
    calculator.FirstX = spans.front().Lo;
    calculator.LastX = spans.back().Hi;
    double s = 0.0;
    for (const TGameCalculator::TBalanceSpan& span : spans)
        for (int64_t b = span.Lo; b <= span.Hi; ++b) {
            const double p = calculator.BalanceProbability(b);
            s += p;
            calculator.Results[b] = 100.0 * (cumulative ? s : p);
        }
}

void TBalanceChart::Activate(TChartController& controller, int prev) {
    const TChartDescription& previous = controller.CurrentKind();
    ComputedRounds = prev;
    // The kind keeps its own parameters, so the distributions carry over only when they were computed with this
    // bankroll and for no more rounds than this kind shows. A risk kind has taken probability out of them, even
    // with a target of 0.
    if (previous.Bankroll() != Params[0] || prev > Params[1] || previous.TargetBankroll() != 0 ||
        previous.RemovesProbability()) {
        ComputedRounds = 0;
        return; // the calculation about to start recollects every series from round 1
    }
    for (int j = 0; j < controller.SeriesCount(); ++j)
        CollectRound(controller.GetCalculator(j), prev);
}

TNetResultsChart::TNetResultsChart() {
    SectionName = QStringLiteral("Chart - Net Results");
}

void TNetResultsChart::CollectRound(TGameCalculator& calculator, int round) {
    if (round < RoundsToCompute())
        return;
    CollectSpans(calculator, false);
}

TNetResultsCumulativeChart::TNetResultsCumulativeChart() {
    SectionName = QStringLiteral("Chart - Cummulative Net Results");
}

void TNetResultsCumulativeChart::CollectRound(TGameCalculator& calculator, int round) {
    if (round < RoundsToCompute())
        return;
    CollectSpans(calculator, true);
}

// --- progress

void TRoundsChart::ParamChanged(int /*index*/) {
    ComputedRounds = 0;
}

void TRoundsChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TChartDescription::SetupChart(chart, minX, maxX, minY, maxY);
    chart.LeftAxis().SetMinMax(0, 101);
    chart.BottomAxis().SetMinMax(0, RoundsToCompute());
}

void TRoundsChart::Activate(TChartController& /*controller*/, int /*prev*/) {
    ComputedRounds = 0;
}

void TRoundsChart::StoreRoundValue(TGameCalculator& calculator, int round, double v) {
    if (round == 1) {
        calculator.Results.Clear();
        calculator.FirstX = 1;
        calculator.LastX = 0;
    }
    calculator.Results[round] = v;
    calculator.LastX = calculator.LastX + 1;
}

namespace {
// The sum of f(b, probability of b) over lo..hi, balances ascending; the balances between the covering spans hold
// +0 and would change no sum, so wide rows with far clusters cost only their clusters.
template <typename F> double SumOver(const TGameCalculator& c, int64_t lo, int64_t hi, F f) {
    double sum = 0.0;
    for (const TGameCalculator::TBalanceSpan& span : c.CoveringSpans())
        for (int64_t b = std::max(span.Lo, lo); b <= std::min(span.Hi, hi); ++b)
            sum += f(b, c.BalanceProbability(static_cast<int>(b)));
    return sum;
}

double WinProbability(const TGameCalculator& c) {
    return SumOver(c, 1, c.MaxBalance, [](int64_t, double p) { return p; });
}

double LossProbability(const TGameCalculator& c) {
    return SumOver(c, c.MinBalance, -1, [](int64_t, double p) { return p; });
}

// a / b, or 0 when the division cannot be done.
double SafeQuotient(double a, double b) {
    if (b == 0.0)
        return 0.0;
    const double q = a / b;
    return std::isfinite(q) ? q : 0.0;
}
} // namespace

TExpResultChart::TExpResultChart() {
    SectionName = QStringLiteral("Chart - Expected Result");
}

void TExpResultChart::CollectRound(TGameCalculator& calculator, int round) {
    calculator.ShowAll = true;
    const double e = SumOver(calculator, calculator.MinBalance, calculator.MaxBalance,
                             [](int64_t b, double p) { return static_cast<double>(b) * p; });
    StoreRoundValue(calculator, round, e);
}

void TExpResultChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TRoundsChart::SetupChart(chart, minX, maxX, minY, maxY);
    chart.LeftAxis().SetMinMax(minY - 1.0, maxY + 1.0);
}

TWinProbChart::TWinProbChart() {
    SectionName = QStringLiteral("Chart - Win Probability Progress");
}

void TWinProbChart::CollectRound(TGameCalculator& calculator, int round) {
    StoreRoundValue(calculator, round, 100.0 * WinProbability(calculator));
}

TLoseProbChart::TLoseProbChart() {
    SectionName = QStringLiteral("Chart - Loss Probability Progress");
}

void TLoseProbChart::CollectRound(TGameCalculator& calculator, int round) {
    StoreRoundValue(calculator, round, 100.0 * LossProbability(calculator));
}

TWinLoseRateChart::TWinLoseRateChart() {
    SectionName = QStringLiteral("Chart - Win/Loss Probability Rate");
}

void TWinLoseRateChart::CollectRound(TGameCalculator& calculator, int round) {
    const double win = WinProbability(calculator);
    StoreRoundValue(calculator, round, SafeQuotient(win, LossProbability(calculator)));
}

void TWinLoseRateChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TRoundsChart::SetupChart(chart, minX, maxX, minY, maxY);
    if (minY < maxY)
        chart.LeftAxis().SetMinMax(0.9 * minY, 1.1 * maxY);
}

// --- risk

TRangeChart::TRangeChart() {
    Params[0] = 100;
    Params[1] = 200;
}

void TRangeChart::ParamChanged(int /*index*/) {
    ComputedRounds = 0;
}

void TRangeChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TChartDescription::SetupChart(chart, minX, maxX, minY, maxY);
    if (maxY > 0)
        chart.LeftAxis().SetMinMax(0, 1.2 * maxY);
    chart.BottomAxis().SetMinMax(0, RoundsToCompute());
}

void TRangeChart::CollectRound(TGameCalculator& calculator, int round) {
    if (round == 1) {
        calculator.Results.Clear();
        calculator.FirstX = 1;
        calculator.LastX = 0;
    }
    const long long bankroll = Params[0];
    const long long target = Params[1];
    // Balances outside the tracked range hold nothing, so the sums are limited to it; bankrolls beyond the
    // balance limits then need no special case.
    const long long ruinTop = std::min<long long>(-bankroll, calculator.MaxBalance);
    double ruin = 0.0;
    for (long long b = calculator.MinBalance; b <= ruinTop; ++b)
        ruin += calculator.TakeBalanceProbability(static_cast<int>(b));
    const long long successBottom = std::max<long long>(target - bankroll, calculator.MinBalance);
    double success = 0.0;
    for (long long b = successBottom; b <= calculator.MaxBalance; ++b)
        success += calculator.TakeBalanceProbability(static_cast<int>(b));
    calculator.LastX = calculator.LastX + 1;
    StoreRangeValue(calculator, round, ruin, success);
}

QString TRangeChart::ParamProblem(int index, int value) const {
    const int bankroll = index == 0 ? value : Params[0];
    const int target = index == 1 ? value : Params[1];
    if (index == 0 && bankroll < 1)
        return MessageText(Texts(), QStringLiteral("RiskWithoutBankroll"),
                           QStringLiteral("A player with a bankroll of 0 is ruined before the first round. Type a "
                                          "bankroll of at least 1."));
    if (target <= bankroll)
        return MessageText(Texts(), QStringLiteral("TargetNotAboveBankroll"),
                           QStringLiteral("The target bankroll (%d) must be above the bankroll (%d), or there is "
                                          "nothing to play for. Raise the target or lower the bankroll."),
                           {target, bankroll});
    return {};
}

TBalanceLimits TRangeChart::BalanceLimits() const {
    // Parameters stay within 0..10000 (the target may be twice the bankroll), so the clamps only guard the engine.
    const long long wide = TGameCalculator::WideBalanceLimit;
    const long long low =
        std::clamp<long long>(-static_cast<long long>(Params[0]), -wide, TGameCalculator::MinBalanceLimit);
    const long long high =
        std::clamp<long long>(static_cast<long long>(Params[1]) - Params[0], TGameCalculator::MaxBalanceLimit, wide);
    return {static_cast<int32_t>(low), static_cast<int32_t>(high)};
}

void TRangeChart::Activate(TChartController& /*controller*/, int /*prev*/) {
    // The kind's own parameters, mended where they cannot make a risk chart.
    if (Params[0] <= 0) {
        Params[0] = 100;
        Params[1] = 200;
    }
    if (Params[0] >= Params[1]) {
        const long long doubled = 2LL * Params[0];
        Params[1] = static_cast<int32_t>(std::min<long long>(doubled, std::numeric_limits<int32_t>::max()));
    }
    ComputedRounds = 0;
}

TRORChart::TRORChart() {
    SectionName = QStringLiteral("Chart - ROR");
}

void TRORChart::StoreRangeValue(TGameCalculator& calculator, int round, double ruin, double /*success*/) {
    calculator.Results[round] = 100.0 * ruin + (round == 1 ? 0.0 : calculator.Results[round - 1]);
}

TCOSChart::TCOSChart() {
    SectionName = QStringLiteral("Chart - COS");
}

void TCOSChart::StoreRangeValue(TGameCalculator& calculator, int round, double /*ruin*/, double success) {
    calculator.Results[round] = 100.0 * success + (round == 1 ? 0.0 : calculator.Results[round - 1]);
}

TCOSRORRateChart::TCOSRORRateChart() {
    SectionName = QStringLiteral("Chart - COS/ROR Rate");
}

void TCOSRORRateChart::PrepareSeries(const std::vector<TGameCalculator*>& calculators) {
    std::map<const TGameCalculator*, TSums> sums;
    for (const TGameCalculator* c : calculators) {
        auto it = FSums.find(c);
        sums[c] = it != FSums.end() ? it->second : TSums{};
    }
    FSums = std::move(sums);
}

const TCOSRORRateChart::TSums& TCOSRORRateChart::Sums(const TGameCalculator& calculator) const {
    auto it = FSums.find(&calculator);
    if (it == FSums.end())
        throw ERangeError("COS/ROR rate: the series has no running sums");
    return it->second;
}

double TCOSRORRateChart::Rate(double cumulativeSuccess, double cumulativeRuin) {
    double rate = 0.0;
    if (cumulativeSuccess > 1.0e-7 || cumulativeRuin > 1.0e-7)
        rate = SafeQuotient(cumulativeSuccess, cumulativeRuin);
    return rate > 100.0 ? 100.0 : rate;
}

void TCOSRORRateChart::StoreRangeValue(TGameCalculator& calculator, int round, double ruin, double success) {
    auto it = FSums.find(&calculator);
    if (it == FSums.end())
        throw ERangeError("COS/ROR rate: the series has no running sums");
    TSums& sums = it->second;
    if (round == 1) {
        sums = {ruin, success};
    } else {
        sums.CumulativeRuin += ruin;
        sums.CumulativeSuccess += success;
    }
    calculator.Results[round] = Rate(sums.CumulativeSuccess, sums.CumulativeRuin);
}

// --- registry

std::vector<std::unique_ptr<TChartDescription>> CreateChartKinds() {
    std::vector<std::unique_ptr<TChartDescription>> kinds;
    kinds.push_back(std::make_unique<TNetResultsChart>());
    kinds.push_back(std::make_unique<TNetResultsCumulativeChart>());
    kinds.push_back(std::make_unique<TExpResultChart>());
    kinds.push_back(std::make_unique<TWinProbChart>());
    kinds.push_back(std::make_unique<TLoseProbChart>());
    kinds.push_back(std::make_unique<TWinLoseRateChart>());
    kinds.push_back(std::make_unique<TRORChart>());
    kinds.push_back(std::make_unique<TCOSChart>());
    kinds.push_back(std::make_unique<TCOSRORRateChart>());
    kinds.push_back(std::make_unique<TRiskByBankrollChart>());
    kinds.push_back(std::make_unique<TSuccessByBankrollChart>());
    kinds.push_back(std::make_unique<TRoundsByBankrollChart>());
    kinds.push_back(std::make_unique<TEndResultByBankrollChart>());
    return kinds;
}

} // namespace wl
