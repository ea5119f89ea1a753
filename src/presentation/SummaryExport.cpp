// The summary's rows, and the forms in which it is shown, copied, saved and printed.
#include "presentation/SummaryExport.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "charts/SeriesSummary.h"
#include "engine/GameCalculator.h"
#include "presentation/DataExport.h"
#include "presentation/DataTable.h"
#include "support/Exception.h"
#include "support/Numbers.h"
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

namespace wl {

namespace {

// Below this share (5e-7 %) what the tails let go shows in no table's six decimals.
constexpr double QuietToleranceLeft = 5e-9;

using TFigure = std::function<std::optional<double>(const TSeriesSummary&)>;
using TBoundOf = std::function<TBound(const TSeriesSummary&)>;

// What the probability held at the balance limits makes inexact. A session's limits lie at or beyond its ruin and
// its target, so only the final balances of those who ended pile there: its chances, stakes and rounds stay exact.
// Without a bankroll rule the states' chain gives the mean, the deviation and the stakes whatever the range.
enum class TCutBy {
    Never,
    Play,     // exact in a session
    Stakes,   // exact in a session, and from the chain
    Moments,  // exact from the chain
    Balances, // never exact once the limits hold probability
    Reach,    // exact in a session, and from the states' chain
};

bool IsCut(const TSeriesSummary& s, TCutBy by) {
    if (s.LimitRound <= 0)
        return false;
    switch (by) {
    case TCutBy::Never:
        return false;
    case TCutBy::Play:
        return !s.Session;
    case TCutBy::Stakes:
        return !s.Session && !s.Horizon.MomentsExact;
    case TCutBy::Moments:
        return !s.Horizon.MomentsExact;
    case TCutBy::Reach:
        return !s.Session && !s.ReachFromChain;
    case TCutBy::Balances:
        break;
    }
    return true;
}

class TRowBuilder {
public:
    TRowBuilder(const std::vector<const TSeriesSummary*>& summaries, const ITextSource* texts)
        : FSummaries(summaries), FTexts(texts) {}

    QString Label(const QString& key, const QString& english, std::initializer_list<TFormatArg> args = {}) const {
        return SectionText(FTexts, QStringLiteral("Summary"), key, english, args);
    }
    void Heading(const QString& id, const QString& label) {
        FRows.push_back({id, label, TSummaryUnit::Heading, {}, {}, {}});
    }
    void Note(const QString& id, const QString& label) { FRows.push_back({id, label, TSummaryUnit::Note, {}, {}, {}}); }
    // A figure row, left out when it applies to no series unless kept empty.
    // Where boundOf weighed what left past the edges, a figure is starred only when it is a bound or left out.
    void Figure(const QString& id, const QString& label, TSummaryUnit unit, const TFigure& figure, TCutBy cutBy,
                bool keepEmpty = false, const TBoundOf& boundOf = {}) {
        TSummaryRow row{id, label, unit, {}, {}, {}};
        bool any = false;
        for (const TSeriesSummary* s : FSummaries) {
            std::optional<double> v = s && (!FApplies || FApplies(*s)) ? figure(*s) : std::nullopt;
            const bool weighed = v && boundOf && s->Horizon.Bounded;
            const TBound bound = weighed ? boundOf(*s) : TBound::Exact;
            if (bound == TBound::None)
                v.reset();
            if (v && unit == TSummaryUnit::Percent)
                *v *= 100.0;
            any = any || v.has_value() || bound == TBound::None;
            row.Values.push_back(v);
            row.Cut.push_back(weighed ? bound != TBound::Exact : v && IsCut(*s, cutBy));
            row.Bound.push_back(bound == TBound::AtLeast ? 1 : bound == TBound::AtMost ? -1 : 0);
        }
        if (any || keepEmpty)
            FRows.push_back(std::move(row));
    }
    // The series that the figures from here on apply to (empty: all).
    void AppliesTo(std::function<bool(const TSeriesSummary&)> applies) { FApplies = std::move(applies); }
    bool LastIs(const QString& id) const { return !FRows.empty() && FRows.back().Id == id; }
    // Drops a heading that no figure follows.
    void CloseSection() {
        if (!FRows.empty() && FRows.back().Unit == TSummaryUnit::Heading)
            FRows.pop_back();
    }
    std::vector<TSummaryRow> Take() { return std::move(FRows); }

private:
    const std::vector<const TSeriesSummary*>& FSummaries;
    const ITextSource* FTexts;
    std::vector<TSummaryRow> FRows;
    std::function<bool(const TSeriesSummary&)> FApplies;
};

std::optional<double> Whole(std::optional<int32_t> v) {
    return v ? std::optional<double>(*v) : std::nullopt;
}

QString ColorHex(TColor color) {
    QString hex;
    for (int part : {ColorRed(color), ColorGreen(color), ColorBlue(color)})
        hex += QString::number(part, 16).rightJustified(2, QLatin1Char('0'));
    return hex;
}

QString Quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

void AddPlannerRows(TRowBuilder& b, const std::vector<const TSeriesSummary*>& summaries, const TSeriesSummary* first) {
    if (!first || !first->Planner)
        return;
    using U = TSummaryUnit;
    // A bankroll row stays when empty: there, no bankroll computed is enough, which the note says.
    const auto answer = [&b](const QString& id, const QString& label, bool isBankroll,
                             std::function<std::optional<double>(const TBankrollAnswer&)> f) {
        b.Figure(
            id, label, U::Whole, [f](const TSeriesSummary& s) { return s.Planner ? f(*s.Planner) : std::nullopt; },
            isBankroll ? TCutBy::Play : TCutBy::Never, isBankroll);
    };
    if (first->Planner->Rounds == 0)
        b.Heading(QStringLiteral("Planner"), b.Label(QStringLiteral("PlannerUntilEnd"),
                                                     QStringLiteral("Bankroll planner, until the session ends")));
    else
        b.Heading(QStringLiteral("Planner"),
                  b.Label(QStringLiteral("Planner"), QStringLiteral("Bankroll planner, within %d rounds"),
                          {static_cast<long long>(first->Planner->Rounds)}));
    answer(QStringLiteral("PlannerRounds"), b.Label(QStringLiteral("PlannerRounds"), QStringLiteral("Rounds")), false,
           [](const TBankrollAnswer& a) { return a.Rounds; });
    answer(QStringLiteral("PlannerTarget"), b.Label(QStringLiteral("PlannerTarget"), QStringLiteral("Target bankroll")),
           false,
           [](const TBankrollAnswer& a) { return a.Target > 0 ? std::optional<double>(a.Target) : std::nullopt; });
    bool none = false;
    for (size_t i = 0; i < std::size(PlannerRisks); ++i) {
        const long long percent = std::lround(100.0 * PlannerRisks[i]);
        answer(QStringLiteral("PlannerBankroll%1").arg(percent),
               b.Label(QStringLiteral("PlannerBankroll"),
                       QStringLiteral("Bankroll for a risk of ruin of at most %d %%"), {percent}),
               true, [i](const TBankrollAnswer& a) {
                   return a.Bankrolls[i] > 0 ? std::optional<double>(a.Bankrolls[i]) : std::nullopt;
               });
        for (const TSeriesSummary* s : summaries)
            none = none || (s && s->Planner && s->Planner->Bankrolls[i] == 0);
    }
    answer(QStringLiteral("PlannerLast"),
           b.Label(QStringLiteral("PlannerLast"), QStringLiteral("Largest bankroll computed")), false,
           [](const TBankrollAnswer& a) { return a.LastBankroll; });
    if (none)
        b.Note(QStringLiteral("PlannerNone"),
               b.Label(QStringLiteral("PlannerNone"),
                       QStringLiteral("empty: no bankroll up to the largest one computed keeps the risk that low")));
}

// Beside every starred figure, why: one line per series whose figures carry "*", as a note under the table.
void AddReasons(TSummarySource& source, const std::vector<const TSeriesSummary*>& summaries, const ITextSource* texts) {
    source.Reasons.assign(summaries.size(), QString());
    for (size_t k = 0; k < summaries.size(); ++k) {
        const bool starred = std::any_of(source.Rows.begin(), source.Rows.end(),
                                         [k](const TSummaryRow& row) { return k < row.Cut.size() && row.Cut[k]; });
        if (!starred)
            continue;
        const TSeriesSummary& s = *summaries[k];
        const double percent = 100.0 * s.LimitShare;
        // Two digits that mean something however small the share.
        const QString shown = percent >= 1.0 ? FormatFixed(percent, 1) : QString::number(percent, 'g', 2);
        const QString caption = source.Captions.value(static_cast<qsizetype>(k));
        source.Reasons[k] =
            s.Planner ? SectionText(texts, QStringLiteral("Summary"), QStringLiteral("StarPlanner"),
                                    QStringLiteral("* %s: from a bankroll of %d on, up to %s %% of the starts pass the "
                                                   "money tracked, where they count as never ruined"),
                                    {caption, static_cast<long long>(s.LimitRound), shown})
                      : SectionText(texts, QStringLiteral("Summary"), QStringLiteral("StarLimits"),
                                    QStringLiteral("* %s: up to %s %% of the probability lay at or beyond the "
                                                   "balance limits from round %d on; the starred figures leave out "
                                                   "what lies there, or give the bound that holds"),
                                    {caption, shown, static_cast<long long>(s.LimitRound)});
        source.Rows.push_back({QStringLiteral("Starred"), source.Reasons[k], TSummaryUnit::Note, {}, {}, {}});
    }
}

} // namespace

TSummarySource BuildSummarySource(const QStringList& captions, const std::vector<TColor>& colors,
                                  const std::vector<const TSeriesSummary*>& summaries, const ITextSource* texts) {
    TSummarySource source;
    source.Captions = captions;
    source.Colors = colors;
    TRowBuilder b(summaries, texts);
    const TSeriesSummary* first = nullptr;
    for (const TSeriesSummary* s : summaries)
        first = first ? first : s;
    using U = TSummaryUnit;

    b.Heading(QStringLiteral("Game"), b.Label(QStringLiteral("Game"), QStringLiteral("The game, per unit bet")));
    b.Figure(
        QStringLiteral("HouseEdge"), b.Label(QStringLiteral("HouseEdge"), QStringLiteral("House edge, %%")), U::Percent,
        [](const TSeriesSummary& s) { return s.Game.HouseEdge; }, TCutBy::Never);
    b.Figure(
        QStringLiteral("GameDeviation"), b.Label(QStringLiteral("GameDeviation"), QStringLiteral("Standard deviation")),
        U::Units, [](const TSeriesSummary& s) { return s.Game.StdDeviation; }, TCutBy::Never);
    b.Figure(
        QStringLiteral("Win"), b.Label(QStringLiteral("Win"), QStringLiteral("Chance of a win, %%")), U::Percent,
        [](const TSeriesSummary& s) { return s.Game.Win; }, TCutBy::Never);
    b.Figure(
        QStringLiteral("Draw"), b.Label(QStringLiteral("Draw"), QStringLiteral("Chance of a draw, %%")), U::Percent,
        [](const TSeriesSummary& s) { return s.Game.Draw; }, TCutBy::Never);
    b.Figure(
        QStringLiteral("Loss"), b.Label(QStringLiteral("Loss"), QStringLiteral("Chance of a loss, %%")), U::Percent,
        [](const TSeriesSummary& s) { return s.Game.Loss; }, TCutBy::Never);

    // The planner has no single bankroll: no horizon, bets or session of one player.
    b.AppliesTo([](const TSeriesSummary& s) { return !s.Planner; });
    const long long rounds = first ? first->Horizon.Rounds : 0;
    b.Heading(QStringLiteral("Horizon"),
              b.Label(QStringLiteral("Horizon"), QStringLiteral("After %d rounds"), {rounds}));
    const auto horizon = [&b](const char* id, const char* english, U unit, double THorizonFigures::*field,
                              TCutBy cutBy) {
        b.Figure(
            QLatin1String(id), b.Label(QLatin1String(id), QLatin1String(english)), unit,
            [field](const TSeriesSummary& s) { return s.Horizon.*field; }, cutBy);
    };
    const auto quantile = [&b](const char* id, const char* english, int32_t THorizonFigures::*field, int k) {
        b.Figure(
            QLatin1String(id), b.Label(QLatin1String(id), QLatin1String(english)), U::Whole,
            [field](const TSeriesSummary& s) { return static_cast<double>(s.Horizon.*field); }, TCutBy::Balances, false,
            [k](const TSeriesSummary& s) { return s.Horizon.QuantileBounds[k]; });
    };
    horizon("Mean", "Expected net result", U::Units, &THorizonFigures::Mean, TCutBy::Moments);
    horizon("Deviation", "Standard deviation of the net result", U::Units, &THorizonFigures::StdDeviation,
            TCutBy::Moments);
    quantile("Median", "Median net result", &THorizonFigures::Median, 2);
    quantile("Q05", "5 %% quantile", &THorizonFigures::Q05, 0);
    quantile("Q25", "25 %% quantile", &THorizonFigures::Q25, 1);
    quantile("Q75", "75 %% quantile", &THorizonFigures::Q75, 3);
    quantile("Q95", "95 %% quantile", &THorizonFigures::Q95, 4);
    b.Figure(
        QStringLiteral("Ahead"), b.Label(QStringLiteral("Ahead"), QStringLiteral("Chance of being ahead, %%")),
        U::Percent, [](const TSeriesSummary& s) { return s.Horizon.Ahead; }, TCutBy::Play, false,
        [](const TSeriesSummary& s) { return s.Horizon.AheadBound; });
    b.Figure(
        QStringLiteral("Even"), b.Label(QStringLiteral("Even"), QStringLiteral("Chance of being even, %%")), U::Percent,
        [](const TSeriesSummary& s) { return s.Horizon.Even; }, TCutBy::Play, false,
        [](const TSeriesSummary& s) { return s.Horizon.EvenBound; });
    b.Figure(
        QStringLiteral("Behind"), b.Label(QStringLiteral("Behind"), QStringLiteral("Chance of being behind, %%")),
        U::Percent, [](const TSeriesSummary& s) { return s.Horizon.Behind; }, TCutBy::Play, false,
        [](const TSeriesSummary& s) { return s.Horizon.BehindBound; });
    horizon("Staked", "Expected total staked", U::Units, &THorizonFigures::Staked, TCutBy::Stakes);
    b.Figure(
        QStringLiteral("PerStaked"),
        b.Label(QStringLiteral("PerStaked"), QStringLiteral("Expected result per unit staked, %%")), U::Percent,
        [](const TSeriesSummary& s) { return s.Horizon.ResultPerStaked; }, TCutBy::Moments);
    if (b.LastIs(QStringLiteral("PerStaked")))
        b.Note(QStringLiteral("PerStakedNote"),
               b.Label(QStringLiteral("PerStakedNote"),
                       QStringLiteral("equals minus the house edge, whatever the betting system")));
    b.Figure(
        QStringLiteral("Ruin"), b.Label(QStringLiteral("Ruin"), QStringLiteral("Chance of having been ruined, %%")),
        U::Percent, [](const TSeriesSummary& s) { return s.Horizon.Ruin; }, TCutBy::Play);
    b.Figure(
        QStringLiteral("RoundsPlayed"),
        b.Label(QStringLiteral("RoundsPlayed"), QStringLiteral("Expected rounds played")), U::Rounds,
        [](const TSeriesSummary& s) { return s.Horizon.RoundsPlayed; }, TCutBy::Play);
    b.CloseSection();

    b.Heading(QStringLiteral("Bets"), b.Label(QStringLiteral("Bets"), QStringLiteral("The system's bets")));
    b.Figure(
        QStringLiteral("LargestBet"),
        b.Label(QStringLiteral("LargestBet"), QStringLiteral("With 99 %% probability no bet exceeds")), U::Whole,
        [](const TSeriesSummary& s) { return Whole(s.LargestBet99); }, TCutBy::Reach);
    size_t states = 0;
    for (const TSeriesSummary* s : summaries)
        states = std::max(states, s ? s->States.size() : 0);
    for (size_t k = 0; k < states; ++k) {
        const long long n = static_cast<long long>(k);
        const QString id = QStringLiteral("State%1").arg(k);
        const auto state = [k](const TSeriesSummary& s) -> const TStateFigures* {
            return k < s.States.size() ? &s.States[k] : nullptr;
        };
        b.Figure(
            id + QStringLiteral("Bet"), b.Label(QStringLiteral("StateBet"), QStringLiteral("State %d: bet"), {n}),
            U::Whole,
            [state](const TSeriesSummary& s) {
                const TStateFigures* f = state(s);
                return f ? std::optional<double>(f->Bet) : std::nullopt;
            },
            TCutBy::Never);
        b.Figure(
            id + QStringLiteral("Reach"),
            b.Label(QStringLiteral("StateReach"), QStringLiteral("State %d: chance of reaching it, %%"), {n}),
            U::Percent,
            [state](const TSeriesSummary& s) {
                const TStateFigures* f = state(s);
                return f ? f->Reach : std::nullopt;
            },
            TCutBy::Reach);
        b.Figure(
            id + QStringLiteral("Rounds"),
            b.Label(QStringLiteral("StateRounds"), QStringLiteral("State %d: expected rounds in it"), {n}), U::Rounds,
            [state](const TSeriesSummary& s) {
                const TStateFigures* f = state(s);
                return f ? std::optional<double>(f->Rounds) : std::nullopt;
            },
            TCutBy::Stakes);
    }
    b.CloseSection();

    if (first && first->Session) {
        const TSummaryParams& p = first->Params;
        const long long chartRounds = first->Session->ChartRounds;
        const long long limit = p.RoundLimit;
        b.Heading(QStringLiteral("Session"),
                  b.Label(QStringLiteral("Session"), QStringLiteral("Until the session ends (bankroll %d, target %d)"),
                          {static_cast<long long>(p.Bankroll), static_cast<long long>(p.Target)}));
        // Figures solved over money and state do not depend on where the chart's balances were cut.
        const auto session = [&b](const QString& id, const QString& label, U unit,
                                  std::function<std::optional<double>(const TSessionFigures&)> f,
                                  TCutBy cutBy = TCutBy::Play) {
            b.Figure(
                id, label, unit, [f](const TSeriesSummary& s) { return s.Session ? f(*s.Session) : std::nullopt; },
                cutBy);
        };
        session(QStringLiteral("ChartRuin"),
                b.Label(QStringLiteral("ChartRuin"), QStringLiteral("Ruin within %d rounds, %%"), {chartRounds}),
                U::Percent, [](const TSessionFigures& f) { return f.ChartRuin; });
        session(QStringLiteral("ChartSuccess"),
                b.Label(QStringLiteral("ChartSuccess"), QStringLiteral("Success within %d rounds, %%"), {chartRounds}),
                U::Percent, [](const TSessionFigures& f) { return f.ChartSuccess; });
        session(
            QStringLiteral("SessionRuin"),
            b.Label(QStringLiteral("SessionRuin"), QStringLiteral("Ruin with no limit on rounds, %%")), U::Percent,
            [](const TSessionFigures& f) { return f.Ruin; }, TCutBy::Never);
        session(
            QStringLiteral("SessionSuccess"),
            b.Label(QStringLiteral("SessionSuccess"), QStringLiteral("Success with no limit on rounds, %%")),
            U::Percent, [](const TSessionFigures& f) { return f.Success; }, TCutBy::Never);
        session(QStringLiteral("InPlay"),
                b.Label(QStringLiteral("InPlay"), QStringLiteral("Still in play after %d rounds, %%"), {limit}),
                U::Percent,
                [](const TSessionFigures& f) { return f.Ended ? std::nullopt : std::optional<double>(f.InPlay); });
        session(
            QStringLiteral("Duration"),
            b.Label(QStringLiteral("Duration"), QStringLiteral("Expected rounds until the session ends")), U::Rounds,
            [](const TSessionFigures& f) { return f.Duration; }, TCutBy::Never);
        session(QStringLiteral("DurationMedian"),
                b.Label(QStringLiteral("DurationMedian"), QStringLiteral("Median rounds until the session ends")),
                U::Whole, [](const TSessionFigures& f) { return Whole(f.DurationMedian); });
        session(QStringLiteral("Duration90"),
                b.Label(QStringLiteral("Duration90"), QStringLiteral("90 %% quantile of the rounds until it ends")),
                U::Whole, [](const TSessionFigures& f) { return Whole(f.Duration90); });
        session(
            QStringLiteral("DurationSd"),
            b.Label(QStringLiteral("DurationSd"), QStringLiteral("Standard deviation of the rounds until it ends")),
            U::Rounds, [](const TSessionFigures& f) { return f.DurationSd; }, TCutBy::Never);
        session(
            QStringLiteral("EndResult"),
            b.Label(QStringLiteral("EndResult"), QStringLiteral("Expected net result at the end")), U::Units,
            [](const TSessionFigures& f) { return f.EndResult; }, TCutBy::Never);
        // Why a quantile is missing: the cap came first, and the rest decays by this share per round.
        session(
            QStringLiteral("TailDecay"),
            b.Label(QStringLiteral("TailDecay"), QStringLiteral("Share of those in play who play on per round, %%")),
            U::Percent, [](const TSessionFigures& f) { return f.TailDecay; });
        session(QStringLiteral("SessionError"),
                b.Label(QStringLiteral("SessionError"),
                        QStringLiteral("Stepped, not solved: largest error of the chances, %%")),
                U::Percent, [](const TSessionFigures& f) {
                    return f.Solved && f.Method == TSessionMethod::Stepping ? std::optional<double>(f.ErrorBound)
                                                                            : std::nullopt;
                });
        b.CloseSection();
    }
    b.AppliesTo({});
    AddPlannerRows(b, summaries, first);
    // Tails let go that no table could show: said quietly, as the tolerance that bounds every figure.
    double tolerance = 0.0;
    for (const TSeriesSummary* s : summaries)
        if (s && s->ToleranceLeft > 0.0 && s->ToleranceLeft < QuietToleranceLeft)
            tolerance = std::max(tolerance, s->Tolerance);
    if (tolerance > 0.0)
        b.Note(QStringLiteral("ExactTo"),
               b.Label(QStringLiteral("ExactTo"), QStringLiteral("exact to %s"), {QString::number(tolerance, 'g', 2)}));
    source.Rows = b.Take();
    AddReasons(source, summaries, texts);
    return source;
}

TSummarySource SummarySourceOf(const TChartController& controller, const ITextSource* texts) {
    QStringList captions;
    std::vector<TColor> colors;
    std::vector<const TSeriesSummary*> summaries;
    bool cut = false;
    for (int k = 0; k < controller.SeriesCount(); ++k) {
        captions.append(controller.GetSeriesCaption(k));
        colors.push_back(controller.GetCalculator(k).LineColor());
        summaries.push_back(controller.SeriesSummary(k));
        cut = cut || (summaries.back() && summaries.back()->LimitRound > 0);
    }
    TSummarySource source = BuildSummarySource(captions, colors, summaries, texts);
    if (cut)
        source.Warning = controller.LimitWarning();
    return source;
}

QString FormatSummaryValue(const TSummaryRow& row, size_t series, QChar decimalSymbol) {
    if (series >= row.Values.size() || !row.Values[series])
        return {};
    const double v = *row.Values[series];
    QString text = row.Unit == TSummaryUnit::Whole ? FormatInteger(static_cast<long long>(v)) : FormatFixed(v, 6);
    if (decimalSymbol != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalSymbol);
    if (series < row.Bound.size() && row.Bound[series] != 0)
        text.prepend(row.Bound[series] > 0 ? QStringLiteral("\u2265 ") : QStringLiteral("\u2264 "));
    if (row.Cut[series])
        text += QLatin1Char('*');
    return text;
}

void BuildSummaryText(QStringList& lines, const TSummarySource& source, QChar decimalSymbol) {
    int labelWidth = 0;
    std::vector<int> widths;
    for (const QString& caption : source.Captions)
        widths.push_back(static_cast<int>(caption.size()));
    for (const TSummaryRow& row : source.Rows) {
        if (row.Unit == TSummaryUnit::Heading)
            continue;
        labelWidth = std::max(labelWidth, static_cast<int>(row.Label.size()) + 2);
        for (size_t k = 0; k < widths.size(); ++k)
            widths[k] = std::max(widths[k], static_cast<int>(FormatSummaryValue(row, k, decimalSymbol).size()));
    }
    QString header = QString(labelWidth, QLatin1Char(' '));
    for (size_t k = 0; k < widths.size(); ++k)
        header += QStringLiteral("  ") + source.Captions.at(static_cast<qsizetype>(k)).rightJustified(widths[k]);
    lines.append(header.trimmed().isEmpty() ? QString() : header);
    for (const TSummaryRow& row : source.Rows) {
        if (row.Unit == TSummaryUnit::Heading) {
            lines << QString() << row.Label;
            continue;
        }
        QString line = QString(QStringLiteral("  ") + row.Label).leftJustified(labelWidth);
        for (size_t k = 0; k < widths.size() && row.Unit != TSummaryUnit::Note; ++k)
            line += QStringLiteral("  ") + FormatSummaryValue(row, k, decimalSymbol).rightJustified(widths[k]);
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        lines.append(line);
    }
    if (!source.Warning.isEmpty())
        lines << QString() << source.Warning;
}

void BuildSummaryHtml(QStringList& lines, const TSummarySource& source, QChar decimalSymbol) {
    const int columns = static_cast<int>(source.Captions.size()) + 1;
    lines.append(QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">"));
    QString header = QStringLiteral("<tr><th></th>");
    for (qsizetype k = 0; k < source.Captions.size(); ++k) {
        const TColor color =
            k < static_cast<qsizetype>(source.Colors.size()) ? source.Colors[static_cast<size_t>(k)] : clWhite;
        header += QStringLiteral("<th><font color=\"#") + ColorHex(color) + QStringLiteral("\">") +
                  HtmlEscape(source.Captions.at(k)) + QStringLiteral("</font></th>");
    }
    lines.append(header + QStringLiteral("</tr>"));
    for (const TSummaryRow& row : source.Rows) {
        if (row.Unit == TSummaryUnit::Heading || row.Unit == TSummaryUnit::Note) {
            const bool heading = row.Unit == TSummaryUnit::Heading;
            lines.append(QStringLiteral("<tr><td colspan=\"%1\">").arg(columns) +
                         (heading ? QStringLiteral("<b>") : QStringLiteral("<i>")) + HtmlEscape(row.Label) +
                         (heading ? QStringLiteral("</b>") : QStringLiteral("</i>")) + QStringLiteral("</td></tr>"));
            continue;
        }
        QString line = QStringLiteral("<tr><td>") + HtmlEscape(row.Label) + QStringLiteral("</td>");
        for (size_t k = 0; k < static_cast<size_t>(source.Captions.size()); ++k)
            line += QStringLiteral("<td align=\"right\">") + HtmlEscape(FormatSummaryValue(row, k, decimalSymbol)) +
                    QStringLiteral("</td>");
        lines.append(line + QStringLiteral("</tr>"));
    }
    lines.append(QStringLiteral("</table>"));
    if (!source.Warning.isEmpty())
        lines.append(QStringLiteral("<p><strong>") + HtmlEscape(source.Warning) + QStringLiteral("</strong></p>"));
}

void BuildSummaryCsv(QStringList& lines, const TSummarySource& source) {
    QString header = QStringLiteral("\"Id\",\"Figure\"");
    for (const QString& caption : source.Captions)
        header += QLatin1Char(',') + Quoted(caption);
    lines.append(header);
    for (const TSummaryRow& row : source.Rows) {
        if (row.Unit == TSummaryUnit::Heading || row.Unit == TSummaryUnit::Note)
            continue;
        QString line = Quoted(row.Id) + QLatin1Char(',') + Quoted(row.Label);
        for (size_t k = 0; k < row.Values.size(); ++k) {
            const std::optional<double>& v = row.Values[k];
            const int bound = k < row.Bound.size() ? row.Bound[k] : 0;
            // A bound keeps its number readable after the comparison.
            const QString prefix = bound > 0 ? QStringLiteral(">=") : bound < 0 ? QStringLiteral("<=") : QString();
            line += QLatin1Char(',') + (v ? prefix + FormatFull(*v) : QString());
        }
        lines.append(line);
    }
    // The figures carry no "*" here, so the reasons say which series' figures are not exact.
    if (std::any_of(source.Reasons.begin(), source.Reasons.end(), [](const QString& r) { return !r.isEmpty(); })) {
        QString line = QStringLiteral("\"Starred\",\"\"");
        for (const QString& reason : source.Reasons)
            line += QLatin1Char(',') + (reason.isEmpty() ? QString() : Quoted(reason));
        lines.append(line);
    }
}

QByteArray SummaryJson(const TSummarySource& source) {
    QJsonArray series;
    for (qsizetype k = 0; k < source.Captions.size(); ++k) {
        QJsonObject figures, bounds;
        bool cut = false;
        for (const TSummaryRow& row : source.Rows) {
            const size_t i = static_cast<size_t>(k);
            if (i < row.Values.size() && row.Values[i]) {
                figures.insert(row.Id, *row.Values[i]);
                cut = cut || row.Cut[i];
                if (i < row.Bound.size() && row.Bound[i] != 0)
                    bounds.insert(row.Id, row.Bound[i] > 0 ? QStringLiteral("at least") : QStringLiteral("at most"));
            }
        }
        series.append(QJsonObject{{QStringLiteral("caption"), source.Captions.at(k)},
                                  {QStringLiteral("cut"), cut},
                                  {QStringLiteral("reason"), static_cast<size_t>(k) < source.Reasons.size()
                                                                 ? source.Reasons[static_cast<size_t>(k)]
                                                                 : QString()},
                                  {QStringLiteral("figures"), figures},
                                  {QStringLiteral("bounds"), bounds}});
    }
    return QJsonDocument(series).toJson(QJsonDocument::Indented);
}

QByteArray DataJson(const TDataSource& source) {
    if (source.Table == nullptr)
        throw Exception("The data table to export is missing");
    const TDataTable& table = *source.Table;
    const auto [first, last] = ComputedRows(source);
    const TTableRows rows(table, first, last, false);
    QJsonArray series;
    for (qsizetype k = 0; k < source.Captions.size(); ++k) {
        QJsonArray xs, ys;
        rows.ForEach([&](const TTableRows::TRow& row) {
            xs.append(static_cast<qint64>(row.X));
            ys.append(table.ComputedValue(row.X, static_cast<int>(k)));
        });
        series.append(QJsonObject{
            {QStringLiteral("caption"), source.Captions.at(k)}, {QStringLiteral("x"), xs}, {QStringLiteral("y"), ys}});
    }
    return QJsonDocument(series).toJson(QJsonDocument::Indented);
}

} // namespace wl
