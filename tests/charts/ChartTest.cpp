// The chart model: line defaults, batched notifications, effective ranges and the zoom stack.
#include "charts/Chart.h"
#include "support/Exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace wl {
namespace {

struct TRecorder : IChartObserver {
    int Changes = 0, Zooms = 0, Undos = 0;
    TChartChange Last;
    void ChartChanged(const TChart&, const TChartChange& change) override {
        ++Changes;
        Last = change;
    }
    void ChartZoomed(const TChart&) override { ++Zooms; }
    void ChartUndoZoomed(const TChart&) override { ++Undos; }
};

TEST(ChartTest, LinesStartWithTheirColoursAndCheckIndexes) {
    TChart chart;
    EXPECT_EQ(chart.Line(0).Color(), MakeColor(255, 0, 0));
    EXPECT_EQ(chart.Line(1).Color(), MakeColor(0, 128, 0));
    EXPECT_EQ(chart.Line(9).Color(), MakeColor(255, 0, 255));
    EXPECT_EQ(chart.Line(4).PenWidth(), 1);
    EXPECT_THROW(chart.Line(10), ERangeError);
    EXPECT_THROW(chart.Line(-1), ERangeError);
    EXPECT_THROW(chart.Line(0).Point(0), ERangeError);
}

TEST(ChartTest, ABatchOfManyChangesIsOneNotification) {
    TChart chart;
    TRecorder rec;
    chart.AddObserver(&rec);
    {
        TChartUpdate outer(chart);
        TChartUpdate inner(chart); // nesting holds until the outermost ends
        for (int line = 0; line < TChart::LineCount; ++line)
            for (int i = 0; i < 10001; ++i)
                chart.Line(line).AddXY(i, i * 0.5);
        chart.Line(3).SetPenWidth(2);
        chart.LeftAxis().SetTitle(QStringLiteral("Y"));
        EXPECT_EQ(rec.Changes, 0);
    }
    EXPECT_EQ(rec.Changes, 1);
    EXPECT_EQ(rec.Last.PointsChanged, 0x3FFu);
    EXPECT_EQ(rec.Last.LooksChanged, 1u << 3);
    EXPECT_TRUE(rec.Last.AxesChanged);

    // Setting a property to the value it has is no change.
    chart.Line(3).SetPenWidth(2);
    EXPECT_EQ(rec.Changes, 1);
    chart.RemoveObserver(&rec);
    chart.Line(0).Clear();
    EXPECT_EQ(rec.Changes, 1);
}

TEST(ChartTest, EffectiveRange) {
    TChart chart;
    // Automatic with no points: the stored range, widened so that it can be drawn.
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{-1, 1}));
    chart.Line(0).AddXY(-3, 10);
    chart.Line(0).AddXY(7, 40);
    chart.Line(1).AddXY(100, 1000);
    chart.Line(1).SetVisible(false); // hidden lines do not count
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{-3, 7}));
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Left), (TAxisRange{10, 40}));
    chart.LeftAxis().SetMinMax(101, 0); // given the other way round
    EXPECT_FALSE(chart.LeftAxis().Automatic());
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Left), (TAxisRange{0, 101}));
}

TEST(ChartTest, UndoZoomRestoresEachEarlierStateExactly) {
    TChart chart;
    TRecorder rec;
    chart.AddObserver(&rec);
    chart.Line(0).AddXY(0, 0);
    chart.Line(0).AddXY(100, 50);
    chart.BottomAxis().SetMinMax(0, 3000); // left stays automatic
    rec = {};

    chart.Zoom({10, 20}, {1, 2});
    EXPECT_EQ(rec.Changes, 1);
    EXPECT_EQ(rec.Zooms, 1);
    chart.ZoomPercent(105); // [10,20] -> [10.5,19.5]
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{10.5, 19.5}));
    EXPECT_EQ(chart.ZoomDepth(), 2);

    chart.UndoZoom();
    EXPECT_EQ(rec.Undos, 1);
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{10, 20}));
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Left), (TAxisRange{1, 2}));
    chart.UndoZoom();
    EXPECT_EQ(chart.BottomAxis().Minimum(), 0);
    EXPECT_EQ(chart.BottomAxis().Maximum(), 3000);
    EXPECT_FALSE(chart.BottomAxis().Automatic());
    EXPECT_TRUE(chart.LeftAxis().Automatic());
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Left), (TAxisRange{0, 50}));

    chart.UndoZoom(); // not zoomed: nothing happens
    EXPECT_EQ(rec.Undos, 2);

    chart.Zoom({1, 2}, {1, 2});
    chart.Zoom({1.2, 1.8}, {1.2, 1.8});
    chart.UndoAllZooms();
    EXPECT_FALSE(chart.Zoomed());
    EXPECT_EQ(rec.Undos, 3);
    EXPECT_EQ(chart.EffectiveRange(TAxisKind::Bottom), (TAxisRange{0, 3000}));
}

TEST(ChartTest, ZoomPercentMovesBothEndsByTheShare) {
    struct TRow {
        const char* Name;
        double Percent;
        TAxisRange Expected;
    };
    const TRow rows[] = {{"wheel in", 105, {5, 95}}, {"wheel out", 95, {-5, 105}}, {"no change", 100, {0, 100}}};
    for (const TRow& row : rows) {
        TChart chart;
        chart.BottomAxis().SetMinMax(0, 100);
        chart.LeftAxis().SetMinMax(0, 100);
        chart.ZoomPercent(row.Percent);
        EXPECT_EQ(chart.EffectiveRange(TAxisKind::Bottom), row.Expected) << row.Name;
        EXPECT_EQ(chart.EffectiveRange(TAxisKind::Left), row.Expected) << row.Name;
    }
}

// Two clusters far apart, as a jackpot game leaves them: a line fed from spans with a gap.
void FillTwoClusters(TChartLine& line, int64_t far) {
    TSeriesValues values;
    std::vector<TChartPoint> points;
    for (int64_t x = -20; x <= 20; ++x)
        values[x] = 2.0;
    for (int64_t x = far - 10; x <= far + 10; ++x)
        values[x] = 1.0;
    for (const TSeriesValues::TSpan& s : values.Spans())
        for (size_t i = 0; i < s.Values.size(); ++i)
            points.push_back({static_cast<double>(s.First + static_cast<int64_t>(i)), s.Values[i]});
    line.SetComputedValues(std::move(values));
    line.SetPoints(std::move(points));
}

TEST(ChartTest, LongEmptyStretchesFoldTheBottomAxis) {
    struct TCase {
        const char* Name;
        int64_t Far; // the second cluster's middle
        bool Folded;
    };
    const TCase cases[] = {
        {"a million apart", 1000000, true},
        {"at the far bound of X", TSeriesValues::MaxX - 10, true},
        {"a gap shorter than the least break", 200, false},
    };
    for (const TCase& c : cases) {
        TChart chart;
        FillTwoClusters(chart.Line(0), c.Far);
        const TAxisFold fold = chart.BottomFold();
        ASSERT_EQ(fold.Folded(), c.Folded) << c.Name;
        EXPECT_EQ(chart.Line(0).Runs().size(), 2u) << c.Name << ": the line breaks across the gap";
        if (!c.Folded)
            continue;
        const TAxisFold::TBreak& b = fold.Breaks().front();
        EXPECT_GT(b.From, 20.0) << c.Name;
        EXPECT_LT(b.To, static_cast<double>(c.Far - 10)) << c.Name;
        // Both clusters keep their width, the break takes a few percent of the axis, and the mapping goes back.
        const double axis = fold.ToAxis(static_cast<double>(c.Far + 10)) - fold.ToAxis(-20.0);
        EXPECT_EQ(fold.ToAxis(static_cast<double>(c.Far + 10)) - fold.ToAxis(static_cast<double>(c.Far - 10)), 20.0);
        EXPECT_GT(b.AxisTo - b.AxisFrom, 0.01 * axis) << c.Name;
        EXPECT_LT(b.AxisTo - b.AxisFrom, 0.10 * axis) << c.Name;
        for (const double x : {-20.0, 0.0, 20.0, static_cast<double>(c.Far)})
            EXPECT_DOUBLE_EQ(fold.FromAxis(fold.ToAxis(x)), x) << c.Name << " " << x;
        // Ticks on both sides of the break, none inside it.
        const std::vector<double> ticks = fold.Ticks(-21.0, static_cast<double>(c.Far + 11), 8, true);
        ASSERT_FALSE(ticks.empty()) << c.Name;
        EXPECT_LE(ticks.front(), 20.0) << c.Name;
        EXPECT_GE(ticks.back(), static_cast<double>(c.Far - 10)) << c.Name;
        for (const double t : ticks)
            EXPECT_TRUE(t <= b.From || t >= b.To) << c.Name << " " << t;
    }
    TChart chart;
    FillTwoClusters(chart.Line(0), 1000000);
    chart.Line(1).AddXY(500000, 1.0); // a visible line in the gap splits it
    EXPECT_EQ(chart.BottomFold().Breaks().size(), 2u);
    chart.Line(1).SetVisible(false);
    EXPECT_EQ(chart.BottomFold().Breaks().size(), 1u);
}

// Clusters far apart in X with their own heights; the values between them are drawn but far below a pixel.
struct TCluster {
    int64_t First, Last;
    double Value;
};

void FillClusters(TChartLine& line, const std::vector<TCluster>& clusters) {
    TSeriesValues values;
    std::vector<TChartPoint> points;
    for (const TCluster& c : clusters)
        for (int64_t x = c.First; x <= c.Last; ++x) {
            values[x] = c.Value;
            points.push_back({static_cast<double>(x), c.Value});
        }
    line.SetComputedValues(std::move(values));
    line.SetPoints(std::move(points));
}

TEST(ChartTest, EveryVisibleClusterGetsRoomAndATick) {
    struct TCase {
        const char* Name;
        std::vector<TCluster> Clusters;
        std::vector<std::pair<double, double>> Seen; // the X ranges that must each get room and a tick
    };
    const TCase cases[] = {
        {"a lottery: near wins, a rare far one, an unseen tail and jackpot",
         {{-100, -60, 5.0},
          {900, 960, 0.5},
          {29900, 29960, 0.1},
          {60000, 60010, 1e-6},
          {400000, 400020, 1e-6},
          {700000, 700010, 1e-6},
          {1000000, 1000000, 1e-6}},
         {{-100, -60}, {900, 960}, {29900, 29960}}},
        {"a lone value far beyond a wide cluster",
         {{-2000, 2000, 1.0}, {900000, 900000, 0.5}},
         {{-2000, 2000}, {900000, 900000}}},
    };
    for (const TCase& c : cases) {
        TChart chart;
        FillClusters(chart.Line(0), c.Clusters);
        const TAxisFold fold = chart.BottomFold();
        ASSERT_TRUE(fold.Folded()) << c.Name;
        const TAxisRange range = chart.EffectiveRange(TAxisKind::Bottom);
        const double axis = fold.ToAxis(range.Maximum) - fold.ToAxis(range.Minimum);
        const std::vector<double> ticks = fold.Ticks(range.Minimum, range.Maximum, 10, true);
        for (const auto& [from, to] : c.Seen) {
            // Room for a label: a few percent of the axis between the breaks around each cluster.
            double left = fold.ToAxis(range.Minimum);
            double right = fold.ToAxis(range.Maximum);
            for (const TAxisFold::TBreak& b : fold.Breaks()) {
                if (b.To <= from)
                    left = std::max(left, b.AxisTo);
                if (b.From >= to)
                    right = std::min(right, b.AxisFrom);
            }
            const double room = right - left;
            EXPECT_GT(room, 0.05 * axis) << c.Name << ": cluster at " << from;
            for (const TAxisFold::TBreak& b : fold.Breaks())
                EXPECT_TRUE(b.To <= from || b.From >= to) << c.Name << ": cluster at " << from << " in a break";
            const bool ticked = std::any_of(ticks.begin(), ticks.end(), [&](double t) {
                return t >= fold.FromAxis(left) && t <= fold.FromAxis(right);
            });
            EXPECT_TRUE(ticked) << c.Name << ": no tick near the cluster at " << from;
        }
    }
}

} // namespace
} // namespace wl
