// The summary's forms: every starred figure has its reason beside it, and exact figures carry no star.
#include "presentation/SummaryExport.h"

#include "charts/SeriesSummary.h"
#include "support/TextSource.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace wl {
namespace {

class TFakeTexts : public ITextSource {
public:
    QMap<QString, QString> Texts; // "section|key" -> text
    QString GetText(const QString& section, const QString& key) const override {
        return Texts.value(section + QLatin1Char('|') + key);
    }
};

TSeriesSummary Horizon(double limitShare, int32_t limitRound, bool chain) {
    TSeriesSummary s;
    s.Horizon.Rounds = 10;
    s.Horizon.Mean = -1.0;
    s.Horizon.Staked = 10.0;
    s.Horizon.MomentsExact = chain;
    s.States.push_back(TStateFigures{1, 1.0, 10.0});
    s.LimitShare = limitShare;
    s.LimitRound = limitRound;
    return s;
}

TSeriesSummary Session(double limitShare, int32_t limitRound) {
    TSeriesSummary s = Horizon(limitShare, limitRound, false);
    s.Params.Bankroll = 5;
    s.Params.Target = 10;
    s.Horizon.Ruin = 0.5;
    TSessionFigures f;
    f.ChartRuin = 0.5;
    f.Ended = true;
    f.Ruin = 0.5;
    f.EndResult = 1.0;
    s.Session = f;
    return s;
}

const TSummaryRow& RowOf(const TSummarySource& source, const char* id) {
    for (const TSummaryRow& row : source.Rows)
        if (row.Id == QLatin1String(id))
            return row;
    static const TSummaryRow none;
    ADD_FAILURE() << "no row " << id;
    return none;
}

struct TStarCase {
    const char* Name;
    TSeriesSummary Summary;
    std::vector<const char*> Starred, Exact;
};

class SummaryStars : public ::testing::TestWithParam<TStarCase> {};

TEST_P(SummaryStars, EveryStarHasItsReasonAndExactFiguresHaveNone) {
    const TStarCase& c = GetParam();
    const TSummarySource source =
        BuildSummarySource({QStringLiteral("A"), QStringLiteral("B")}, {0, 0}, {&c.Summary, nullptr}, nullptr);
    for (const char* id : c.Starred)
        EXPECT_TRUE(RowOf(source, id).Cut.at(0)) << id;
    for (const char* id : c.Exact)
        EXPECT_FALSE(RowOf(source, id).Cut.at(0)) << id;
    ASSERT_EQ(source.Reasons.size(), 2u);
    EXPECT_EQ(source.Reasons[0].isEmpty(), c.Starred.empty());
    EXPECT_TRUE(source.Reasons[1].isEmpty());
    if (c.Starred.empty())
        return;
    EXPECT_TRUE(source.Reasons[0].startsWith(QStringLiteral("* A: "))) << source.Reasons[0].toStdString();
    QStringList text, html, csv;
    BuildSummaryText(text, source, QLatin1Char('.'));
    BuildSummaryHtml(html, source, QLatin1Char('.'));
    BuildSummaryCsv(csv, source);
    EXPECT_TRUE(text.join(QLatin1Char('\n')).contains(source.Reasons[0]));
    EXPECT_TRUE(html.join(QLatin1Char('\n')).contains(source.Reasons[0].toHtmlEscaped()));
    EXPECT_EQ(csv.back(), QStringLiteral("\"Starred\",\"\",\"") + source.Reasons[0] + QStringLiteral("\","));
    const QJsonArray json = QJsonDocument::fromJson(SummaryJson(source)).array();
    EXPECT_EQ(json.at(0).toObject().value(QStringLiteral("reason")).toString(), source.Reasons[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SummaryStars,
    ::testing::Values(TStarCase{"Exact", Horizon(0.0, 0, false), {}, {"Mean", "Staked", "Median", "State0Rounds"}},
                      TStarCase{
                          "CutRange", Horizon(0.25, 3, false), {"Mean", "Staked", "Median", "Ahead"}, {"HouseEdge"}},
                      // The states' chain gives the moments whatever the range; the balances stay starred.
                      TStarCase{"CutRangeChain",
                                Horizon(0.25, 3, true),
                                {"Median", "Ahead"},
                                {"Mean", "Deviation", "Staked", "PerStaked", "State0Rounds"}},
                      // A session's limits hold only the final balances of those who ended.
                      TStarCase{"SessionEndsPastTheTarget",
                                Session(0.01, 40),
                                {"Mean"},
                                {"ChartRuin", "SessionRuin", "Ruin", "Staked", "Ahead", "State0Rounds"}}),
    [](const auto& row) { return row.param.Name; });

// The labels and the reasons come through the one lookup: a translation that does not fit its figures falls back
// to English, never to nothing.
TEST(SummaryExport, LabelsAndReasonsUseTheLanguageWithItsFallback) {
    TFakeTexts texts;
    texts.Texts[QStringLiteral("Summary|Mean")] = QStringLiteral("Erwartetes Ergebnis");
    texts.Texts[QStringLiteral("Summary|Horizon")] = QStringLiteral("Nach %s %s Runden");
    texts.Texts[QStringLiteral("Summary|StarLimits")] = QStringLiteral("* %s: bis %s %% ab Runde %d");
    const TSeriesSummary s = Horizon(0.5, 7, false);
    const TSummarySource source = BuildSummarySource({QStringLiteral("A")}, {0}, {&s}, &texts);
    EXPECT_EQ(RowOf(source, "Mean").Label, QStringLiteral("Erwartetes Ergebnis"));
    EXPECT_EQ(RowOf(source, "Horizon").Label, QStringLiteral("After 10 rounds"));
    EXPECT_EQ(source.Reasons.at(0), QStringLiteral("* A: bis 50.0 % ab Runde 7"));
}

// Where probability left past an edge, an exact quantile or chance is shown plainly, a bound with its comparison and
// a star, and one with no bound left out; every form says which.
struct TBoundCase {
    const char* Name;
    TBound Bound;
    const char *Shown, *Csv, *Json; // the 5 % quantile in the text, the CSV record and the JSON bounds
    bool Starred;
};

class SummaryBounds : public ::testing::TestWithParam<TBoundCase> {};

TEST_P(SummaryBounds, EachFormSaysWhetherAFigureIsABound) {
    const TBoundCase& c = GetParam();
    TSeriesSummary s = Horizon(0.25, 3, true);
    s.Horizon.Bounded = true;
    s.Horizon.Q05 = -7;
    s.Horizon.QuantileBounds[0] = c.Bound;
    s.States[0].Reach.reset(); // the reach runs count what left as never reaching: starred on their own
    const TSummarySource source = BuildSummarySource({QStringLiteral("A")}, {0}, {&s}, nullptr);
    const TSummaryRow& q05 = RowOf(source, "Q05");
    EXPECT_EQ(FormatSummaryValue(q05, 0, QLatin1Char('.')), QString::fromUtf8(c.Shown));
    EXPECT_EQ(q05.Cut.at(0), c.Starred);
    EXPECT_FALSE(RowOf(source, "Median").Cut.at(0)); // exact where weighed, though the limits held probability
    QStringList csv;
    BuildSummaryCsv(csv, source);
    EXPECT_TRUE(csv.filter(QStringLiteral("\"Q05\"")).value(0).endsWith(QLatin1String(c.Csv)))
        << csv.join(QLatin1Char('\n')).toStdString();
    const QJsonObject series = QJsonDocument::fromJson(SummaryJson(source)).array().at(0).toObject();
    EXPECT_EQ(series.value(QStringLiteral("bounds")).toObject().value(QStringLiteral("Q05")).toString(),
              QLatin1String(c.Json));
    EXPECT_EQ(!source.Reasons.at(0).isEmpty(), c.Starred);
}

INSTANTIATE_TEST_SUITE_P(Bounds, SummaryBounds,
                         ::testing::Values(TBoundCase{"Exact", TBound::Exact, "-7", ",-7", "", false},
                                           TBoundCase{"AtLeast", TBound::AtLeast, "\u2265 -7*", ",>=-7", "at least",
                                                      true},
                                           TBoundCase{"AtMost", TBound::AtMost, "\u2264 -7*", ",<=-7", "at most", true},
                                           TBoundCase{"NoBound", TBound::None, "", ",", "", true}),
                         [](const auto& row) { return row.param.Name; });

// Tails let go below what six decimals show are named quietly by the tolerance in force; larger ones are the limit
// line's to name, and a run that let nothing go says nothing.
struct TQuietCase {
    const char* Name;
    double Tolerance, Left;
    const char* Note; // empty: no note row
};

class SummaryTolerance : public ::testing::TestWithParam<TQuietCase> {};

TEST_P(SummaryTolerance, TheNoteNamesTheToleranceOnlyWhereItsTailsAreUnseen) {
    const TQuietCase& c = GetParam();
    TSeriesSummary s = Horizon(0.0, 0, true);
    s.Tolerance = c.Tolerance;
    s.ToleranceLeft = c.Left;
    const TSummarySource source = BuildSummarySource({QStringLiteral("A")}, {0}, {&s}, nullptr);
    QString note;
    for (const TSummaryRow& row : source.Rows)
        if (row.Id == QLatin1String("ExactTo"))
            note = row.Label;
    EXPECT_EQ(note, QLatin1String(c.Note));
}

INSTANTIATE_TEST_SUITE_P(Tails, SummaryTolerance,
                         ::testing::Values(TQuietCase{"NothingLetGo", 1e-15, 0.0, ""},
                                           TQuietCase{"DefaultTolerance", 1e-15, 3e-16, "exact to 1e-15"},
                                           TQuietCase{"LooserTolerance", 1e-10, 9e-11, "exact to 1e-10"},
                                           TQuietCase{"VisibleTails", 1e-6, 8e-7, ""}),
                         [](const auto& row) { return row.param.Name; });

} // namespace
} // namespace wl
