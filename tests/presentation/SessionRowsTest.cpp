// The summary's rows until the session ends: neither the solved figures nor the stepped quantiles depend on a cut of
// the chart's balances.
#include "presentation/SummaryExport.h"

#include "charts/SeriesSummary.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace wl {
namespace {

TEST(SessionRows, SolvedFiguresAreNotCutByTheChartsBalances) {
    TSeriesSummary s;
    s.Params.Session = true;
    s.Params.Bankroll = 5000;
    s.Params.Target = 10000;
    s.LimitRound = 12; // the chart's balances were cut
    TSessionFigures f;
    f.Solved = true;
    f.Ruin = 0.9995;
    f.Success = 0.0005;
    f.Duration = 184849.5;
    f.DurationSd = 92571.5;
    f.EndResult = -4995.9;
    f.DurationMedian = 164408;
    s.Session = f;
    const TSummarySource source = BuildSummarySource({QStringLiteral("a")}, {TColor{}}, {&s}, nullptr);
    const std::pair<const char*, bool> rows[] = {
        {"SessionRuin", false}, {"SessionSuccess", false}, {"Duration", false},
        {"DurationSd", false},  {"EndResult", false},      {"DurationMedian", false},
    };
    for (const auto& [id, cut] : rows) {
        const auto row = std::find_if(source.Rows.begin(), source.Rows.end(),
                                      [&](const TSummaryRow& r) { return r.Id == QLatin1String(id); });
        ASSERT_NE(row, source.Rows.end()) << id;
        ASSERT_EQ(row->Cut.size(), 1u) << id;
        EXPECT_EQ(row->Cut[0], cut) << id;
    }
}

} // namespace
} // namespace wl
