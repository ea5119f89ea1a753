// The chart model: ten coloured lines, a left and a bottom axis, the zoom stack, and change notifications.
//
// The controller and the chart kinds draw into it; a view (Qt Charts in the window) observes it and turns drags and
// the wheel into calls of Zoom/ZoomPercent/UndoZoom. The exports and the data table read it. Main thread only.
#pragma once

#include "charts/AxisFold.h"
#include "support/Color.h"
#include "support/SeriesValues.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace wl {

class TChart;

struct TChartPoint {
    double X = 0.0;
    double Y = 0.0;
};

// A closed range of axis values; Minimum <= Maximum for every range the model hands out.
struct TAxisRange {
    double Minimum = 0.0;
    double Maximum = 0.0;
    bool operator==(const TAxisRange&) const = default;
};

// The line colours in line order (Series1 .. Series10).
inline constexpr std::array<TColor, 10> ChartLineColors = {
    MakeColor(255, 0, 0),     MakeColor(0, 128, 0),   MakeColor(0, 64, 128), MakeColor(128, 0, 64),
    MakeColor(255, 128, 0),   MakeColor(0, 128, 128), MakeColor(0, 0, 255),  MakeColor(0, 0, 160),
    MakeColor(128, 128, 128), MakeColor(255, 0, 255)};

class TChartLine {
public:
    TChartLine(const TChartLine&) = delete;
    TChartLine& operator=(const TChartLine&) = delete;

    int Index() const { return FIndex; } // 0..9, the line's place in the chart
    TChart& Chart() const { return *FOwner; }

    void Clear();
    void AddXY(double x, double y);
    void SetPoints(std::vector<TChartPoint> points);
    int Count() const { return static_cast<int>(FPoints.size()); }
    const std::vector<TChartPoint>& Points() const { return FPoints; }
    const TChartPoint& Point(int i) const; // checked: ERangeError
    // The computed value of every whole X in its spans, those too small to plot included, for the exports that promise
    // every digit. Not drawn, but the line breaks between two spans; Clear empties them with the points.
    void SetComputedValues(TSeriesValues values);
    const TSeriesValues& ComputedValues() const { return FComputedValues; }
    // A cumulative line: the value at the end of a span holds over the gap up to the next span, so the line steps
    // across it rather than breaking, and the tables show that value for the skipped X.
    bool HeldAcrossGaps() const { return FHeldAcrossGaps; }
    void SetHeldAcrossGaps(bool held);
    // The runs of points drawn as one stroke each, [first, end) in Points(): a run ends where the next point lies
    // in another span of the computed values. One run of all points for a line without computed values, or one
    // held across its gaps.
    struct TRun {
        int First = 0, End = 0;
    };
    std::vector<TRun> Runs() const;
    // Points marked on the line with a mark of their own (the bankroll planner's answers); Clear drops them too.
    const std::vector<TChartPoint>& Marks() const { return FMarks; }
    void SetMarks(std::vector<TChartPoint> marks);

    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    int PenWidth() const { return FPenWidth; }
    void SetPenWidth(int width);
    bool PointersVisible() const { return FPointersVisible; } // the 2 x 2 point markers
    void SetPointersVisible(bool visible);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);

private:
    friend class TChart;
    TChartLine(TChart* owner, int index, TColor color) : FOwner(owner), FIndex(index), FColor(color) {}

    TChart* FOwner;
    int FIndex;
    std::vector<TChartPoint> FPoints;
    TSeriesValues FComputedValues;
    std::vector<TChartPoint> FMarks;
    bool FHeldAcrossGaps = false;
    TColor FColor;
    int FPenWidth = 1;
    bool FPointersVisible = true;
    bool FVisible = true;
};

enum class TAxisKind { Left, Bottom };

class TChartAxis {
public:
    TChartAxis(const TChartAxis&) = delete;
    TChartAxis& operator=(const TChartAxis&) = delete;

    TAxisKind Kind() const { return FKind; }
    // The stored range; while Automatic is on, the drawn range comes from TChart::EffectiveRange instead.
    double Minimum() const { return FRange.Minimum; }
    double Maximum() const { return FRange.Maximum; }
    bool Automatic() const { return FAutomatic; }
    const QString& Title() const { return FTitle; }

    // Fixes the axis to [min, max] (swapped when given the other way round) and turns automatic scaling off.
    void SetMinMax(double min, double max);
    void SetAutomatic(bool automatic);
    void SetTitle(const QString& title);
    // The values on this axis are whole numbers (balances, rounds): no tick between two of them.
    bool WholeNumbers() const { return FWholeNumbers; }
    void SetWholeNumbers(bool whole);

private:
    friend class TChart;
    TChartAxis(TChart* owner, TAxisKind kind) : FOwner(owner), FKind(kind) {}

    TChart* FOwner;
    TAxisKind FKind;
    TAxisRange FRange;
    bool FAutomatic = true;
    bool FWholeNumbers = false;
    QString FTitle;
};

// What changed since the last notification. Bits of the line masks are line indexes.
struct TChartChange {
    uint32_t PointsChanged = 0; // lines whose points changed
    uint32_t LooksChanged = 0;  // lines whose colour, pen width, markers or visibility changed
    bool AxesChanged = false;   // a range, automatic flag or title of either axis

    bool Empty() const { return PointsChanged == 0 && LooksChanged == 0 && !AxesChanged; }
    void Merge(const TChartChange& other);
};

class IChartObserver {
public:
    virtual ~IChartObserver() = default;
    virtual void ChartChanged(const TChart& chart, const TChartChange& change) = 0;
    // After a zoom (rectangle or percent) has set the new ranges.
    virtual void ChartZoomed(const TChart& /*chart*/) {}
    // After UndoZoom/UndoAllZooms has restored earlier ranges.
    virtual void ChartUndoZoomed(const TChart& /*chart*/) {}
};

class TChart {
public:
    static constexpr int LineCount = 10;

    TChart();
    TChart(const TChart&) = delete;
    TChart& operator=(const TChart&) = delete;
    ~TChart();

    TChartLine& Line(int index); // checked: ERangeError
    const TChartLine& Line(int index) const;
    TChartAxis& LeftAxis() { return FLeft; }
    const TChartAxis& LeftAxis() const { return FLeft; }
    TChartAxis& BottomAxis() { return FBottom; }
    const TChartAxis& BottomAxis() const { return FBottom; }
    TChartAxis& Axis(TAxisKind kind) { return kind == TAxisKind::Left ? FLeft : FBottom; }
    const TChartAxis& Axis(TAxisKind kind) const { return kind == TAxisKind::Left ? FLeft : FBottom; }

    // The range an axis shows: its own when fixed; when automatic, the extremes of the visible lines' points (X for
    // the bottom axis, Y for the left one), or the stored range when no visible line has a point. A range of zero
    // width is widened by 1 on each side so that it can be drawn. View, exports and data table all use this.
    TAxisRange EffectiveRange(TAxisKind kind) const;
    // The bottom axis folded over the long stretches of the effective range that no visible line occupies (a line
    // with computed values occupies the X of its points that a reader could see, and its unseen tails fold too; a
    // line without them occupies the X range of its points).
    TAxisFold BottomFold() const;
    // A value below this share of the tallest drawn one is at most about a pixel high.
    static constexpr double VisibleShare = 0.002;

    // Zooming pushes both axes' state (range and automatic flag) and fixes both to the new ranges.
    void Zoom(const TAxisRange& bottom, const TAxisRange& left);
    // Percent zoom of both effective ranges: [min + d, max - d] with d = (max - min) * (percent - 100) / 100.
    void ZoomPercent(double percent);
    // The same scale about the point (x, y), which stays where it is; zooming out never passes the unzoomed ranges,
    // and reaching them on both axes undoes every zoom.
    void ZoomPercentAt(double percent, double x, double y);
    // The range an axis showed before the first zoom.
    TAxisRange UnzoomedRange(TAxisKind kind) const;
    bool Zoomed() const { return !FZoomStack.empty(); }
    int ZoomDepth() const { return static_cast<int>(FZoomStack.size()); }
    // Restores the ranges from before the latest zoom; nothing (and no notification) when not zoomed.
    void UndoZoom();
    // Restores the ranges from before the first zoom and empties the stack.
    void UndoAllZooms();

    void AddObserver(IChartObserver* observer);
    void RemoveObserver(IChartObserver* observer);

    // Batches notifications: changes between the outermost BeginUpdate and EndUpdate reach observers as one
    // ChartChanged, followed by any undo-zoom and zoom notifications that happened inside.
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TChartLine;
    friend class TChartAxis;

    struct TZoomState {
        TAxisRange Bottom, Left;
        bool BottomAutomatic = true, LeftAutomatic = true;
    };

    void Changed(const TChartChange& change);
    void Flush();
    TZoomState CurrentZoomState() const;
    TAxisRange EffectiveRangeOf(TAxisKind kind, TAxisRange range, bool automatic) const;
    void RestoreZoomState(const TZoomState& state);
    void NotifyZoom(bool undo);

    std::array<std::unique_ptr<TChartLine>, LineCount> FLines;
    TChartAxis FLeft{this, TAxisKind::Left};
    TChartAxis FBottom{this, TAxisKind::Bottom};
    std::vector<TZoomState> FZoomStack;
    std::vector<IChartObserver*> FObservers;
    int FUpdateDepth = 0;
    TChartChange FPending;
    bool FPendingZoom = false;
    bool FPendingUndoZoom = false;
};

// Holds a BeginUpdate/EndUpdate pair for a scope.
class TChartUpdate {
public:
    explicit TChartUpdate(TChart& chart) : FChart(chart) { FChart.BeginUpdate(); }
    ~TChartUpdate() { FChart.EndUpdate(); }
    TChartUpdate(const TChartUpdate&) = delete;
    TChartUpdate& operator=(const TChartUpdate&) = delete;

private:
    TChart& FChart;
};

} // namespace wl
