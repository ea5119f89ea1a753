// Tests of the data table and its capture from chart lines.
#include "presentation/DataTable.h"

#include "charts/Chart.h"
#include "support/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace wl;

TEST(DataTable, RoundsHalvesToEven) {
    struct TRow {
        double In;
        double Out;
    };
    const TRow rows[] = {{2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {0.49, 0}, {0.51, 1}, {-7, -7}};
    for (const TRow& r : rows)
        EXPECT_EQ(RoundHalfEven(r.In), r.Out) << r.In;
}

TEST(DataTable, CaptureRoundsXAndLaterPointsWin) {
    TChart chart;
    chart.Line(0).AddXY(2.5, 10.0);     // row 2
    chart.Line(0).AddXY(1.5, 20.0);     // row 2 again: overwrites
    chart.Line(0).AddXY(-0.5, 30.0);    // row 0
    chart.Line(3).AddXY(10000.5, 40.0); // halves to even: row 10000 (a starting bankroll)
    chart.Line(3).AddXY(-5000.5, 50.0); // rounds to -5000

    TDataTable table;
    table.SetValue(7, 2, 99.0); // stale value from an earlier capture
    CaptureChartData(table, {&chart.Line(0), nullptr, &chart.Line(3)});

    EXPECT_EQ(table.Value(2, 0), 20.0);
    EXPECT_EQ(table.Value(0, 0), 30.0);
    EXPECT_EQ(table.Value(3, 0), 0.0);
    EXPECT_EQ(table.Value(7, 2), 0.0);
    EXPECT_EQ(table.Value(10000, 2), 40.0);
    EXPECT_EQ(table.Value(-5000, 2), 50.0);
    for (int x = -5; x <= 5; ++x)
        EXPECT_EQ(table.Value(x, 1), 0.0) << "a series without a line stays empty";
}

TEST(DataTable, BadPointsAndIndexesRaiseRangeErrors) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double bound = static_cast<double>(TDataTable::MaxX);
    for (double x : {bound + 2.0, -bound - 2.0, 1e300, nan, inf, -inf}) {
        TChart chart;
        chart.Line(0).AddXY(x, 1.0);
        TDataTable table;
        EXPECT_THROW(CaptureChartData(table, {&chart.Line(0)}), ERangeError) << x;
    }

    TDataTable table;
    EXPECT_THROW(table.Value(TDataTable::MaxX + 1, 0), ERangeError);
    EXPECT_THROW(table.SetValue(0, 11, 1.0), ERangeError);
    EXPECT_THROW(table.Value(0, -1), ERangeError);

    TChart chart;
    std::vector<const TChartLine*> twelve(12, nullptr);
    EXPECT_THROW(CaptureChartData(table, twelve), ERangeError);
}
