// The chart view against the chart model: mirroring, drag zoom and its undo, and the wheel rule.
#include "ui/chart/ChartView.h"
#include "charts/Chart.h"

#include <QCategoryAxis>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace wl {
namespace {

class ChartViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        View.resize(600, 400);
        View.SetModel(&Model);
        View.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
        TChartUpdate batch(Model);
        for (int x = -50; x <= 50; ++x)
            Model.Line(0).AddXY(x, x * x / 25.0);
    }

    TChart Model;
    TChartView View;
};

TEST_F(ChartViewTest, MirrorsPointsLooksAndAxes) {
    Model.Line(1).AddXY(0, 1);
    Model.Line(1).SetPenWidth(2);
    Model.Line(1).SetPointersVisible(false);
    Model.Line(2).SetVisible(false);
    Model.LeftAxis().SetTitle(QStringLiteral("Probability, %"));

    EXPECT_EQ(View.Series(0)->count(), 101);
    EXPECT_EQ(View.Series(0)->at(100), QPointF(50, 100));
    EXPECT_EQ(View.Series(1)->pen().width(), 2);
    EXPECT_TRUE(View.Series(1)->lightMarker().isNull());
    EXPECT_FALSE(View.Series(0)->lightMarker().isNull());
    EXPECT_EQ(View.Series(0)->lightMarker().size(), QSize(2, 2));
    EXPECT_FALSE(View.Series(2)->isVisible());
    EXPECT_EQ(View.LeftAxis()->titleText(), QStringLiteral("Probability, %"));
    EXPECT_DOUBLE_EQ(View.BottomAxis()->min(), -50.0);
    EXPECT_DOUBLE_EQ(View.BottomAxis()->max(), 50.0);
    // Every line carries its own colour: the default theme has only five.
    for (int i = 0; i < TChart::LineCount; ++i) {
        const TColor c = ChartLineColors[static_cast<size_t>(i)];
        EXPECT_EQ(View.Series(i)->pen().color(), QColor(ColorRed(c), ColorGreen(c), ColorBlue(c))) << i;
    }
}

TEST_F(ChartViewTest, DragZoomsAndDraggingBackRestoresTheRanges) {
    QSignalSpy zoomed(&View, &TChartView::Zoomed);
    QSignalSpy undone(&View, &TChartView::UndoZoomed);
    const TAxisRange bottomBefore = Model.EffectiveRange(TAxisKind::Bottom);
    const TAxisRange leftBefore = Model.EffectiveRange(TAxisKind::Left);
    const QRect plot = View.PlotRect();
    ASSERT_FALSE(plot.isEmpty());

    const QPoint a = plot.topLeft() + QPoint(plot.width() / 4, plot.height() / 4);
    const QPoint b = plot.center();
    QTest::mousePress(View.viewport(), Qt::LeftButton, {}, a);
    QTest::mouseMove(View.viewport(), b);
    QTest::mouseRelease(View.viewport(), Qt::LeftButton, {}, b);
    ASSERT_EQ(zoomed.count(), 1);
    EXPECT_TRUE(Model.Zoomed());
    const TAxisRange bottom = Model.EffectiveRange(TAxisKind::Bottom);
    EXPECT_NEAR(bottom.Minimum, -25.0, 1.5);
    EXPECT_NEAR(bottom.Maximum, 0.0, 1.5);

    // A click without a drag changes nothing.
    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, b);
    EXPECT_EQ(Model.ZoomDepth(), 1);

    QTest::mousePress(View.viewport(), Qt::LeftButton, {}, b);
    QTest::mouseRelease(View.viewport(), Qt::LeftButton, {}, a);
    EXPECT_EQ(undone.count(), 1);
    EXPECT_FALSE(Model.Zoomed());
    EXPECT_EQ(Model.EffectiveRange(TAxisKind::Bottom), bottomBefore);
    EXPECT_EQ(Model.EffectiveRange(TAxisKind::Left), leftBefore);
}

TEST_F(ChartViewTest, WheelZoomsOnlyInsideThePlotAboutTheCursor) {
    const QRect plot = View.PlotRect();
    const QPoint quarter(plot.left() + plot.width() / 4, plot.center().y());
    struct TCase {
        const char* Name;
        QPoint Pos;
        std::vector<int> Deltas;
        double ExpectedMin, ExpectedMax; // bottom axis, from -50..50
    };
    const TCase cases[] = {
        {"towards the user zooms in", plot.center(), {-120}, -45.0, 45.0},
        {"away from the user never passes the data", plot.center(), {120}, -50.0, 50.0},
        {"in and out again comes back", plot.center(), {-120, -120, 120, 120, 120}, -50.0, 50.0},
        {"about the cursor", quarter, {-120}, -47.5, 42.5},
        {"outside the plot does nothing", QPoint(1, 1), {-120}, -50.0, 50.0},
    };
    for (const TCase& c : cases) {
        Model.UndoAllZooms();
        for (int delta : c.Deltas)
            View.WheelZoom(c.Pos, delta);
        const TAxisRange bottom = Model.EffectiveRange(TAxisKind::Bottom);
        EXPECT_NEAR(bottom.Minimum, c.ExpectedMin, 0.3) << c.Name;
        EXPECT_NEAR(bottom.Maximum, c.ExpectedMax, 0.3) << c.Name;
        const TAxisRange left = Model.EffectiveRange(TAxisKind::Left);
        EXPECT_GE(left.Minimum, 0.0) << c.Name;
        EXPECT_LE(left.Maximum, 100.0) << c.Name;
    }
    Model.UndoAllZooms();
    View.hide();
    EXPECT_FALSE(View.WheelZoom(plot.center(), 120)) << "a hidden chart ignores the wheel";
}

// Not a timing assertion: it checks the content and prints the time taken, for the record.
TEST_F(ChartViewTest, MirrorsTenFullLines) {
    QElapsedTimer timer;
    timer.start();
    {
        TChartUpdate batch(Model);
        for (int i = 0; i < TChart::LineCount; ++i) {
            std::vector<TChartPoint> points;
            points.reserve(10001);
            for (int x = -5000; x <= 5000; ++x)
                points.push_back({double(x), (x + 5000) * 1e-4 * (i + 1)});
            Model.Line(i).SetPoints(std::move(points));
        }
    }
    const qint64 mirrored = timer.elapsed();
    View.repaint();
    const qint64 painted = timer.elapsed();
    for (int i = 0; i < TChart::LineCount; ++i)
        EXPECT_EQ(View.Series(i)->count(), 10001);
    std::printf("mirror of 10 x 10001 points: %lld ms, with repaint: %lld ms\n", static_cast<long long>(mirrored),
                static_cast<long long>(painted));
}

TEST_F(ChartViewTest, WholeNumberAxisHasWholeTicks) {
    Model.BottomAxis().SetWholeNumbers(true);
    Model.Zoom({-2.3, 1.7}, {0, 1});
    View.Mirror({0, 0, true}); // at once, not at the end of the glide
    EXPECT_DOUBLE_EQ(View.BottomAxis()->tickInterval(), 1.0);
    EXPECT_DOUBLE_EQ(View.BottomAxis()->tickAnchor(), -2.0);
    EXPECT_EQ(View.BottomAxis()->labelFormat(), QStringLiteral("%.0f"));
    EXPECT_LT(View.LeftAxis()->tickInterval(), 1.0) << "the other axis keeps fractional ticks";
}

TEST_F(ChartViewTest, ClustersFarApartShareTheAxisAcrossABreak) {
    TSeriesValues values;
    std::vector<TChartPoint> points;
    for (int64_t x : {-3, -2, -1, 999997, 999998, 999999}) {
        values[x] = 1.0;
        points.push_back({static_cast<double>(x), 10.0});
    }
    {
        TChartUpdate batch(Model);
        Model.Line(0).Clear();
        Model.Line(0).SetComputedValues(std::move(values));
        Model.Line(0).SetPoints(std::move(points));
        Model.BottomAxis().SetWholeNumbers(true);
    }
    ASSERT_TRUE(View.Fold().Folded());
    EXPECT_EQ(View.StrokeCount(0), 2) << "no line across the gap";
    EXPECT_EQ(View.Stroke(0, 1)->count(), 3);
    const QStringList labels = qobject_cast<QCategoryAxis*>(View.BottomAxis())->categoriesLabels();
    ASSERT_GE(labels.size(), 2);
    EXPECT_LT(labels.front().toDouble(), 0.0);
    EXPECT_GT(labels.back().toDouble(), 999990.0);

    // Both clusters get a fair share of the width, and pixels map back to X on both sides of the break.
    const QRect plot = View.PlotRect();
    const double left = View.PixelOfX(-2.0);
    const double right = View.PixelOfX(999998.0);
    EXPECT_GT(right - left, plot.width() / 4.0);
    for (const double x : {-3.0, -1.0, 999997.0, 999999.0})
        EXPECT_NEAR(View.XOfPixel(View.PixelOfX(x)), x, 0.5) << x;

    // A drag over the right cluster zooms to it.
    const QPoint a(static_cast<int>(View.PixelOfX(999997.0)) - 2, plot.top() + 5);
    const QPoint b(static_cast<int>(View.PixelOfX(999999.0)) + 2, plot.bottom() - 5);
    QTest::mousePress(View.viewport(), Qt::LeftButton, {}, a);
    QTest::mouseMove(View.viewport(), b);
    QTest::mouseRelease(View.viewport(), Qt::LeftButton, {}, b);
    const TAxisRange zoomed = Model.EffectiveRange(TAxisKind::Bottom);
    EXPECT_NEAR(zoomed.Minimum, 999997.0, 0.5);
    EXPECT_NEAR(zoomed.Maximum, 999999.0, 0.5);
    EXPECT_FALSE(View.Fold().Folded()) << "nothing to squeeze inside one cluster";
}

TEST_F(ChartViewTest, EveryPointIsDrawnHoweverFarFromTheNext) {
    struct TRow {
        const char* Name;
        std::vector<int64_t> Xs;
    };
    const TRow rows[] = {
        {"a win of 6000 against a loss of 1", {-1000, 5001, 11002, 17003}},
        {"one alone beside a cluster", {-2, -1, 0, 3000}},
        {"a single point", {7}},
    };
    for (const TRow& row : rows) {
        TSeriesValues values;
        std::vector<TChartPoint> points;
        for (int64_t x : row.Xs) {
            values[x] = 2.5;
            points.push_back({static_cast<double>(x), 2.5});
        }
        {
            TChartUpdate batch(Model);
            Model.Line(0).Clear();
            Model.Line(0).SetPointersVisible(false);
            Model.Line(0).SetComputedValues(std::move(values));
            Model.Line(0).SetPoints(std::move(points));
        }
        for (int64_t x : row.Xs) {
            const QPointF at(View.Fold().ToAxis(static_cast<double>(x)), 2.5);
            bool drawn = false;
            for (int k = 0; k < View.StrokeCount(0); ++k) {
                const QLineSeries* stroke = View.Stroke(0, k);
                drawn = drawn || (stroke->count() >= 2 && stroke->points().contains(at));
            }
            EXPECT_TRUE(drawn) << row.Name << ": " << x;
        }
    }
}

TEST(ChartViewTicks, NiceIntervals) {
    struct TCase {
        double Span;
        double Interval;
        int Decimals;
    };
    const TCase cases[] = {{100.0, 20.0, 0}, {1.0, 0.2, 1}, {0.05, 0.01, 2}, {3000.0, 500.0, 0}, {0.0, 1.0, 0}};
    for (const TCase& c : cases) {
        EXPECT_DOUBLE_EQ(NiceTickInterval(c.Span, 8), c.Interval) << c.Span;
        EXPECT_EQ(TickDecimals(c.Interval), c.Decimals) << c.Span;
    }
}

} // namespace
} // namespace wl
