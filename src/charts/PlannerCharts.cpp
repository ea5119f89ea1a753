// The bankroll planner's kinds: a backward pass per series, its curve into Results and its answer kept per series.
#include "charts/PlannerCharts.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "engine/SessionSolver.h"
#include "support/Exception.h"
#include "support/TextSource.h"

#include <QRegularExpression>
#include <algorithm>

namespace wl {

namespace {

// The solved session as the planner's curve: Rounds 0 says that no round limit applies.
TBankrollCurve CurveOf(const TSessionSolution& solution, bool withSuccess) {
    TBankrollCurve curve;
    curve.Rounds = 0;
    curve.Target = solution.Target;
    curve.LastBankroll = solution.Target - 1;
    curve.TopMoney = solution.Target - 1;
    curve.Ruin = solution.Ruin;
    if (withSuccess)
        curve.Success = solution.Success;
    return curve;
}

} // namespace

TBankrollChart::TBankrollChart() {
    Params[0] = 1000;
    Params[1] = 0;
}

void TBankrollChart::ParamChanged(int /*index*/) {
    ComputedRounds = 0;
}

QString TBankrollChart::ParamProblem(int index, int value) const {
    // No round limit needs a target: with a house edge every start would be ruined for sure.
    const bool unlimited = (index == 0 ? value : Params[0]) == 0;
    const int32_t target = index == 1 ? value : Params[1];
    if (unlimited && (index == 0 || index == 1) && target == 0)
        return MessageText(Texts(), QStringLiteral("PlannerNoLimitNoTarget"),
                           QStringLiteral("0 rounds means no limit on rounds, which needs a target bankroll: without "
                                          "one, every start is ruined for sure in a game with a house edge. Type a "
                                          "target of at least 2, or a number of rounds from 1 to 10000."));
    if (index == 0 && value < 0)
        return MessageText(Texts(), QStringLiteral("PlannerRounds"),
                           QStringLiteral("The bankroll planner needs a number of rounds from 1 to 10000, or 0 for no "
                                          "limit on rounds with a target. Type one of those."));
    // Without a target no one succeeds: an empty chart would say nothing of why.
    if (index == 1 && value == 0 && ShowsSuccess())
        return MessageText(Texts(), QStringLiteral("SuccessNeedsTarget"),
                           QStringLiteral("The chance of success needs a target bankroll: type one of at least 2."));
    if (index == 1 && value == 1)
        return MessageText(Texts(), QStringLiteral("PlannerTargetOne"),
                           QStringLiteral("A target bankroll of 1 leaves no starting bankroll below it. Type 0 for no "
                                          "target, or a target of at least 2."));
    return {};
}

int TBankrollChart::RoundsToCompute() const {
    return Params[0] == 0 ? SolvedSteps : std::clamp(Params[0], 1, TBankrollPlanner::MaxRounds);
}

void TBankrollChart::Activate(TChartController& /*controller*/, int /*prev*/) {
    // Each kind keeps its own rounds and target; nothing computed for another kind helps a backward pass.
    ComputedRounds = 0;
}

QString TBankrollChart::GetYName() const {
    static const QRegularExpression rounds(QStringLiteral("\\bN\\b"));
    return TChartDescription::GetYName().replace(rounds, QString::number(Params[0]));
}

void TBankrollChart::SetupChart(TChart& chart, int64_t minX, int64_t maxX, double minY, double maxY) {
    TChartDescription::SetupChart(chart, minX, maxX, minY, maxY);
    if (maxY > 0)
        chart.LeftAxis().SetMinMax(0, std::min(1.2 * maxY, 100.0 + 1.0));
    const int target = Params[1];
    // Bankrolls start at 1: a player with nothing places no bet.
    chart.BottomAxis().SetMinMax(1, target > 1 ? target : std::max<int64_t>(maxX, 1) + 1);
}

void TBankrollChart::PrepareSeries(const std::vector<TGameCalculator*>& calculators) {
    std::map<const TGameCalculator*, std::optional<TBankrollAnswer>> answers;
    for (const TGameCalculator* c : calculators)
        answers[c] = std::nullopt;
    FAnswers = std::move(answers);
}

int32_t TBankrollChart::LastShownBankroll(const TBankrollCurve& curve) {
    if (curve.Target > 0)
        return curve.LastBankroll;
    for (int32_t b = 1; b <= curve.LastBankroll; ++b)
        if (curve.Ruin[static_cast<size_t>(b)] < 1e-8)
            return b;
    return curve.LastBankroll;
}

void TBankrollChart::ComputeSeries(TGameCalculator& calculator, TStepPool* pool,
                                   const std::function<bool(int32_t)>& progress) {
    auto slot = FAnswers.find(&calculator);
    if (slot == FAnswers.end())
        throw ERangeError("Bankroll planner: the series was not prepared");
    slot->second.reset();
    calculator.Results.Clear();
    calculator.FirstX = 1;
    calculator.LastX = 0;
    calculator.LimitShare = 0.0;
    calculator.LimitRound = 0;
    // A target of 1 leaves no bankroll below it.
    const int32_t target = Params[1];
    if (target == 1)
        return;
    if (!calculator.Game || !calculator.BetSystem)
        throw Exception("The series has no game or no betting system");
    if (Params[0] == 0) {
        // Until the session ends: one elimination gives every bankroll.
        TSessionRequest session;
        session.Target = target;
        session.MemoryBudget = calculator.MemoryBudget;
        session.Progress = [&progress](double share) {
            return !progress || progress(static_cast<int32_t>(share * SolvedSteps));
        };
        const auto solution = TSessionSolver(*calculator.Game, *calculator.BetSystem).Solve(session);
        if (!solution)
            return; // stopped
        Show(calculator, CurveOf(*solution, ShowsSuccess()), *slot);
        return;
    }
    TPlannerRequest request;
    request.Rounds = RoundsToCompute();
    request.Target = std::clamp(target, 0, TBankrollPlanner::MaxMoney);
    request.WithSuccess = ShowsSuccess();
    request.MemoryBudget = calculator.MemoryBudget;
    request.Progress = progress;
    const TBankrollCurve curve = TBankrollPlanner(*calculator.Game, *calculator.BetSystem).Compute(request, pool);
    if (curve.Ruin.empty())
        return; // stopped
    Show(calculator, curve, *slot);
}

void TBankrollChart::Show(TGameCalculator& calculator, const TBankrollCurve& curve,
                          std::pair<const TGameCalculator* const, std::optional<TBankrollAnswer>>& slot) const {
    const std::vector<double>& values = ShowsSuccess() ? curve.Success : curve.Ruin;
    const int32_t last = values.empty() ? 0 : LastShownBankroll(curve);
    for (int32_t b = 1; b <= last; ++b)
        calculator.Results[b] = 100.0 * values[static_cast<size_t>(b)];
    calculator.LastX = last;
    // Where a start could pass the money tracked, the limit line says how likely that is and from which bankroll.
    for (int32_t b = 1; b <= last && b < static_cast<int32_t>(curve.Limit.size()); ++b) {
        const double share = curve.Limit[static_cast<size_t>(b)];
        if (!(share > 0.0))
            continue;
        if (calculator.LimitRound == 0)
            calculator.LimitRound = b;
        calculator.LimitShare = std::max(calculator.LimitShare, share);
    }
    slot.second = BankrollsForRisk(curve);
    // The curve shown ends where the risk has vanished: the answer speaks of the bankrolls shown.
    if (last > 0)
        slot.second->LastBankroll = last;
}

std::optional<TBankrollAnswer> TBankrollChart::SeriesAnswer(const TGameCalculator& calculator) const {
    auto it = FAnswers.find(&calculator);
    return it == FAnswers.end() ? std::nullopt : it->second;
}

TRiskByBankrollChart::TRiskByBankrollChart() {
    SectionName = QStringLiteral("Chart - Risk of Ruin by Bankroll");
}

TSuccessByBankrollChart::TSuccessByBankrollChart() {
    SectionName = QStringLiteral("Chart - Chance of Success by Bankroll");
    Params[1] = 200; // success needs a target
}

} // namespace wl
