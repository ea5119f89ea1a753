// What the chart controller tells: the planner's answers, the limit line, and the failures of a calculation.
#include "charts/ChartController.h"

#include "charts/Chart.h"
#include "charts/ExecuteThread.h"
#include "engine/GameCalculator.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace wl {

void TChartController::TakeSeriesFailures(const TExecuteThread& thread) {
    const std::vector<std::exception_ptr>& failures = thread.SeriesFailures();
    for (size_t i = 0; i < failures.size() && i < FSeries.size(); ++i) {
        if (!failures[i])
            continue;
        TSeries& s = FSeries[i];
        s.Error = failures[i];
        // Rows that do not fit in memory are a limit of the budget and the machine, not a fault of the program.
        if (IsOutOfMemory(s.Error))
            s.Error = std::make_exception_ptr(EResourceError(TUserText{
                QStringLiteral("SeriesOutOfMemory"),
                QStringLiteral("There was not enough memory for the series \"%s\": its share of the memory budget is "
                               "%d MiB. Chart fewer rounds or series, or lower the memory budget in the preferences "
                               "to what this computer can give."),
                {s.Caption, static_cast<long long>(s.Calculator->MemoryBudget >> 20)}}));
        s.Failure = ExceptionText(s.Error, FTexts);
        s.Calculator->RoundCount = 0;
    }
}

std::vector<TChartPoint> TChartController::AnswerMarks(const TSeries& s) const {
    std::vector<TChartPoint> marks;
    // The answer speaks of ruin: on the success line its bankrolls would sit where few have yet succeeded.
    if (!s.ShownAnswer || !FCurrentKind->LineIsRuin())
        return marks;
    const TGameCalculator& c = *s.Calculator;
    for (const int32_t b : s.ShownAnswer->Bankrolls)
        if (b >= 1 && b <= c.LastX && b <= TGameCalculator::WideBalanceLimit)
            marks.push_back({static_cast<double>(b), c.Results[b]});
    return marks;
}

std::optional<TBankrollAnswer> TChartController::SeriesAnswer(int index) const {
    return FSeries[static_cast<size_t>(CheckIndex(index, 0, SeriesCount() - 1, "series index"))].ShownAnswer;
}

QStringList TChartController::BankrollAnswers() const {
    QStringList lines;
    for (const TSeries& s : FSeries) {
        if (!s.ShownAnswer)
            continue;
        const TBankrollAnswer& a = *s.ShownAnswer;
        QString bankrolls[3];
        for (int i = 0; i < 3; ++i)
            bankrolls[i] = a.Bankrolls[i] > 0
                               ? QString::number(a.Bankrolls[i])
                               : MessageText(FTexts, QStringLiteral("BankrollMoreThan"), QStringLiteral("more than %d"),
                                             {static_cast<long long>(a.LastBankroll)});
        lines << MessageText(FTexts, QStringLiteral("BankrollAnswer"),
                             QStringLiteral("%s: the bankroll for a risk of ruin within %d rounds of at most 1 %%: %s, "
                                            "5 %%: %s, 10 %%: %s"),
                             {s.Caption, static_cast<long long>(a.Rounds), bankrolls[0], bankrolls[1], bankrolls[2]});
    }
    return lines;
}

double TChartController::LimitShare() const {
    double share = 0.0;
    for (const TSeries& s : FSeries)
        if (s.ShownLimitRound > 0)
            share = std::max(share, s.ShownLimitShare);
    return share;
}

QString TChartController::LimitWarning(int namedLimit) const {
    double share = 0.0;
    int32_t round = 0;
    int32_t limit = 0;
    // Where the memory budget stopped a series' range: the nearest stops of those series.
    std::optional<std::pair<int32_t, int32_t>> stop;
    QStringList captions;
    bool pastReach = false;
    for (const TSeries& s : FSeries) {
        if (s.ShownLimitRound <= 0)
            continue;
        pastReach = pastReach || s.ShownPastReach;
        share = std::max(share, s.ShownLimitShare);
        round = round == 0 ? s.ShownLimitRound : std::min(round, s.ShownLimitRound);
        limit = std::max(limit, s.ShownLimit);
        if (s.ShownBudgetStop)
            stop = stop ? std::pair{std::max(stop->first, s.ShownBudgetStop->first),
                                    std::min(stop->second, s.ShownBudgetStop->second)}
                        : *s.ShownBudgetStop;
        // Each series with its own edges: one pair for all would hide how far the widest one runs.
        if (s.ShownBudgetStop)
            captions << QStringLiteral("%1 (%2 … %3)")
                            .arg(s.Caption)
                            .arg(s.ShownBudgetStop->first)
                            .arg(s.ShownBudgetStop->second);
        else if (s.ShownLimit > 0 && !FCurrentKind->ComputesWhole())
            captions << QStringLiteral("%1 (±%2)").arg(s.Caption).arg(s.ShownLimit);
        else
            captions << s.Caption;
    }
    if (captions.isEmpty())
        return {};
    const double percent = 100.0 * share;
    // Two digits that mean something however small the share: "32.5", "3.2", "0.041", "1.2e-07".
    const QString shown = percent >= 1.0 ? QString::number(percent, 'f', 1) : QString::number(percent, 'g', 2);
    const QString series = captions.size() <= namedLimit
                               ? captions.join(QStringLiteral("; "))
                               : MessageText(FTexts, QStringLiteral("BoundSeriesCount"), QStringLiteral("%d series"),
                                             {static_cast<long long>(captions.size())});
    if (FCurrentKind->ComputesWhole()) {
        // The planner counts a player who passes the money it tracks as never ruined; its round is a bankroll.
        const QString planner = QStringLiteral("From a bankroll of %d on, up to %s %% of the probability passes %d "
                                               "units of money, where it counts as never ruined: %s");
        long long top = 0;
        for (const TSeries& s : FSeries)
            if (s.ShownAnswer)
                top = std::max<long long>(top, s.ShownAnswer->TopMoney);
        return MessageText(FTexts, QStringLiteral("PlannerBoundWarning"), planner,
                           {static_cast<long long>(round), shown, top, series});
    }
    if (stop) {
        std::vector<TFormatArg> args{shown, static_cast<long long>(stop->first), static_cast<long long>(stop->second),
                                     static_cast<long long>(round), series};
        if (!pastReach)
            return MessageText(
                FTexts, QStringLiteral("BudgetWarning"),
                QStringLiteral("Up to %s %% of the probability lies at or beyond the balances %d and %d, where the "
                               "memory budget stopped the range, from round %d on: %s. It has left play there, so "
                               "every balance shown is exact; a larger memory budget follows it further."),
                args);
        // A larger budget would not help: say how far balances are followed at all.
        args.emplace_back(static_cast<long long>(TGameCalculator::BalanceReach));
        return MessageText(
            FTexts, QStringLiteral("ReachWarning"),
            QStringLiteral("Up to %s %% of the probability lies at or beyond the balances %d and %d, from round %d on: "
                           "%s. Balances past ±%d are not followed at any memory budget; what reached them has left "
                           "play, so every balance shown is exact."),
            args);
    }
    const QString fallback =
        QStringLiteral("Up to %s %% of the probability lies at or beyond ±%d bets and is counted at the edge, "
                       "from round %d on: %s");
    return MessageText(FTexts, QStringLiteral("BoundWarning"), fallback,
                       {shown, static_cast<long long>(limit), static_cast<long long>(round), series});
}

void TChartController::ReportThreadFailure(const Exception& failure) {
    FLastThreadError = failure.Message();
    if (FOnThreadError)
        FOnThreadError(failure);
}

void TChartController::ReportSeriesFailures() {
    for (TSeries& s : FSeries) {
        if (s.Failure == s.ReportedFailure)
            continue;
        s.ReportedFailure = s.Failure;
        if (s.Failure.isEmpty())
            continue;
        if (IsUserError(s.Error)) {
            // The user's game or system: what is wrong with which series, in plain words.
            ReportThreadFailure(
                EUserError(MessageText(FTexts, QStringLiteral("SeriesNotCharted"),
                                       QStringLiteral("The series \"%s\" cannot be charted."), {s.Caption}) +
                           QStringLiteral("\r\n") + s.Failure));
            continue;
        }
        // The original, so that the report keeps where it was raised and its trace.
        Exception failure = FaultOf(s.Error);
        PrefixExceptionMessage(failure, s.Caption);
        failure.SetMessage(QStringLiteral("Error in thread\n\r") + failure.Message());
        ReportThreadFailure(failure);
    }
}

} // namespace wl
