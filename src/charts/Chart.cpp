// The chart model's lines, axes, zoom stack and batched notifications.
#include "charts/Chart.h"

#include "support/Checked.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <utility>

namespace wl {

namespace {
uint32_t LineBit(int index) {
    return uint32_t{1} << index;
}
} // namespace

void TChartChange::Merge(const TChartChange& other) {
    PointsChanged |= other.PointsChanged;
    LooksChanged |= other.LooksChanged;
    AxesChanged = AxesChanged || other.AxesChanged;
}

// --- lines

void TChartLine::Clear() {
    FComputedValues.Clear();
    if (FPoints.empty() && FMarks.empty())
        return;
    FPoints.clear();
    FMarks.clear();
    FOwner->Changed({LineBit(FIndex), 0, false});
}

void TChartLine::AddXY(double x, double y) {
    FPoints.push_back({x, y});
    FOwner->Changed({LineBit(FIndex), 0, false});
}

void TChartLine::SetPoints(std::vector<TChartPoint> points) {
    FPoints = std::move(points);
    FOwner->Changed({LineBit(FIndex), 0, false});
}

void TChartLine::SetComputedValues(TSeriesValues values) {
    FComputedValues = std::move(values);
}

void TChartLine::SetHeldAcrossGaps(bool held) {
    if (FHeldAcrossGaps == held)
        return;
    FHeldAcrossGaps = held;
    FOwner->Changed({LineBit(FIndex), 0, false});
}

void TChartLine::SetMarks(std::vector<TChartPoint> marks) {
    if (marks.empty() && FMarks.empty())
        return;
    FMarks = std::move(marks);
    FOwner->Changed({LineBit(FIndex), 0, false});
}

std::vector<TChartLine::TRun> TChartLine::Runs() const {
    std::vector<TRun> runs;
    if (FHeldAcrossGaps) {
        if (!FPoints.empty())
            runs.push_back({0, Count()});
        return runs;
    }
    const auto& spans = FComputedValues.Spans();
    size_t previous = 0;
    for (int i = 0; i < Count(); ++i) {
        // The span index past the point's X: equal for two points in the same span or the same gap.
        const double x = FPoints[static_cast<size_t>(i)].X;
        const auto it = std::upper_bound(spans.begin(), spans.end(), x, [](double v, const TSeriesValues::TSpan& s) {
            return v < static_cast<double>(s.First);
        });
        size_t index = static_cast<size_t>(it - spans.begin()) * 2;
        if (it != spans.begin() && x > static_cast<double>(std::prev(it)->Last()))
            ++index; // in the gap after that span
        if (runs.empty() || index != previous)
            runs.push_back({i, i});
        runs.back().End = i + 1;
        previous = index;
    }
    return runs;
}

const TChartPoint& TChartLine::Point(int i) const {
    return FPoints[static_cast<size_t>(CheckIndex(i, 0, Count() - 1, "chart point index"))];
}

void TChartLine::SetColor(TColor color) {
    if (FColor == color)
        return;
    FColor = color;
    FOwner->Changed({0, LineBit(FIndex), false});
}

void TChartLine::SetPenWidth(int width) {
    if (FPenWidth == width)
        return;
    FPenWidth = width;
    FOwner->Changed({0, LineBit(FIndex), false});
}

void TChartLine::SetPointersVisible(bool visible) {
    if (FPointersVisible == visible)
        return;
    FPointersVisible = visible;
    FOwner->Changed({0, LineBit(FIndex), false});
}

void TChartLine::SetVisible(bool visible) {
    if (FVisible == visible)
        return;
    FVisible = visible;
    FOwner->Changed({0, LineBit(FIndex), false});
}

// --- axes

void TChartAxis::SetMinMax(double min, double max) {
    if (min > max)
        std::swap(min, max);
    if (FRange.Minimum == min && FRange.Maximum == max && !FAutomatic)
        return;
    FRange = {min, max};
    FAutomatic = false;
    FOwner->Changed({0, 0, true});
}

void TChartAxis::SetAutomatic(bool automatic) {
    if (FAutomatic == automatic)
        return;
    FAutomatic = automatic;
    FOwner->Changed({0, 0, true});
}

void TChartAxis::SetTitle(const QString& title) {
    if (FTitle == title)
        return;
    FTitle = title;
    FOwner->Changed({0, 0, true});
}

void TChartAxis::SetWholeNumbers(bool whole) {
    if (FWholeNumbers == whole)
        return;
    FWholeNumbers = whole;
    FOwner->Changed({0, 0, true});
}

// --- chart

TChart::TChart() {
    for (int i = 0; i < LineCount; ++i)
        FLines[static_cast<size_t>(i)].reset(new TChartLine(this, i, ChartLineColors[static_cast<size_t>(i)]));
}

TChart::~TChart() = default;

TChartLine& TChart::Line(int index) {
    return *FLines[static_cast<size_t>(CheckIndex(index, 0, LineCount - 1, "chart line index"))];
}

const TChartLine& TChart::Line(int index) const {
    return *FLines[static_cast<size_t>(CheckIndex(index, 0, LineCount - 1, "chart line index"))];
}

TAxisRange TChart::EffectiveRange(TAxisKind kind) const {
    return EffectiveRangeOf(kind, Axis(kind).FRange, Axis(kind).FAutomatic);
}

TAxisRange TChart::UnzoomedRange(TAxisKind kind) const {
    if (FZoomStack.empty())
        return EffectiveRange(kind);
    const TZoomState& first = FZoomStack.front();
    return kind == TAxisKind::Bottom ? EffectiveRangeOf(kind, first.Bottom, first.BottomAutomatic)
                                     : EffectiveRangeOf(kind, first.Left, first.LeftAutomatic);
}

TAxisRange TChart::EffectiveRangeOf(TAxisKind kind, TAxisRange range, bool automatic) const {
    if (automatic) {
        double lo = std::numeric_limits<double>::infinity();
        double hi = -std::numeric_limits<double>::infinity();
        for (const auto& line : FLines) {
            if (!line->FVisible)
                continue;
            for (const TChartPoint& p : line->FPoints) {
                const double v = kind == TAxisKind::Bottom ? p.X : p.Y;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        if (lo <= hi)
            range = {lo, hi};
    }
    if (range.Minimum == range.Maximum)
        range = {range.Minimum - 1.0, range.Maximum + 1.0};
    return range;
}

TAxisFold TChart::BottomFold() const {
    // Where a distribution is drawn, only values a reader could see make a cluster: a far tail of values a
    // pixel below the top would otherwise hold the axis at its full width.
    double top = 0.0;
    for (const auto& line : FLines)
        if (line->FVisible && !line->FComputedValues.Empty())
            for (const TChartPoint& p : line->FPoints)
                top = std::max(top, std::fabs(p.Y));
    const double seen = top * VisibleShare;
    std::vector<std::pair<double, double>> occupied;
    for (const auto& line : FLines) {
        if (!line->FVisible)
            continue;
        if (!line->FComputedValues.Empty()) {
            for (const TChartPoint& p : line->FPoints) {
                if (!(std::fabs(p.Y) >= seen))
                    continue;
                if (!occupied.empty() && occupied.back().second + 1.0 >= p.X && occupied.back().first <= p.X)
                    occupied.back().second = std::max(occupied.back().second, p.X);
                else
                    occupied.emplace_back(p.X, p.X);
            }
        } else if (!line->FPoints.empty()) {
            const auto [lo, hi] =
                std::minmax_element(line->FPoints.begin(), line->FPoints.end(),
                                    [](const TChartPoint& a, const TChartPoint& b) { return a.X < b.X; });
            occupied.emplace_back(lo->X, hi->X);
        }
    }
    std::sort(occupied.begin(), occupied.end());
    const TAxisRange range = EffectiveRange(TAxisKind::Bottom);
    std::vector<TAxisFold::TStretch> empty;
    // The unseen tails of a distribution fold too; other lines keep the axis as it was set.
    const bool tails = top > 0.0;
    double reach = tails ? range.Minimum : -std::numeric_limits<double>::infinity();
    for (const auto& [lo, hi] : occupied) {
        if (lo > reach + 1.0 && std::isfinite(reach))
            empty.push_back({reach, lo});
        reach = std::max(reach, hi);
    }
    if (tails && std::isfinite(reach) && reach + 1.0 < range.Maximum && !occupied.empty())
        empty.push_back({reach, range.Maximum});
    return TAxisFold(range.Minimum, range.Maximum, empty);
}

TChart::TZoomState TChart::CurrentZoomState() const {
    return {FBottom.FRange, FLeft.FRange, FBottom.FAutomatic, FLeft.FAutomatic};
}

void TChart::RestoreZoomState(const TZoomState& state) {
    FBottom.FRange = state.Bottom;
    FBottom.FAutomatic = state.BottomAutomatic;
    FLeft.FRange = state.Left;
    FLeft.FAutomatic = state.LeftAutomatic;
    Changed({0, 0, true});
}

void TChart::Zoom(const TAxisRange& bottom, const TAxisRange& left) {
    TChartUpdate update(*this);
    FZoomStack.push_back(CurrentZoomState());
    FBottom.SetMinMax(bottom.Minimum, bottom.Maximum);
    FLeft.SetMinMax(left.Minimum, left.Maximum);
    NotifyZoom(false);
}

void TChart::ZoomPercent(double percent) {
    auto scaled = [percent](TAxisRange r) {
        const double d = (r.Maximum - r.Minimum) * (percent - 100.0) / 100.0;
        return TAxisRange{r.Minimum + d, r.Maximum - d};
    };
    // The bottom axis zooms as drawn: across a break, the axis units stand for many X.
    const TAxisFold fold = BottomFold();
    const TAxisRange bottom = EffectiveRange(TAxisKind::Bottom);
    const TAxisRange shown = scaled({fold.ToAxis(bottom.Minimum), fold.ToAxis(bottom.Maximum)});
    Zoom({fold.FromAxis(shown.Minimum), fold.FromAxis(shown.Maximum)}, scaled(EffectiveRange(TAxisKind::Left)));
}

void TChart::ZoomPercentAt(double percent, double x, double y) {
    const double keep = 1.0 - 2.0 * (percent - 100.0) / 100.0; // the share of the span that stays in view
    // Scaled about u, then held inside the unzoomed range (shifted in, or cut where it is wider).
    auto scaled = [keep](TAxisRange r, double u, TAxisRange limit) {
        u = std::clamp(u, r.Minimum, r.Maximum);
        TAxisRange s{u - (u - r.Minimum) * keep, u + (r.Maximum - u) * keep};
        if (s.Minimum < limit.Minimum) {
            s.Maximum += limit.Minimum - s.Minimum;
            s.Minimum = limit.Minimum;
        }
        if (s.Maximum > limit.Maximum) {
            s.Minimum = std::max(limit.Minimum, s.Minimum - (s.Maximum - limit.Maximum));
            s.Maximum = limit.Maximum;
        }
        return s;
    };
    const TAxisFold fold = BottomFold();
    const TAxisRange bottom = EffectiveRange(TAxisKind::Bottom);
    const TAxisRange bottomLimit = UnzoomedRange(TAxisKind::Bottom);
    const TAxisRange leftLimit = UnzoomedRange(TAxisKind::Left);
    const TAxisRange shown = scaled({fold.ToAxis(bottom.Minimum), fold.ToAxis(bottom.Maximum)}, fold.ToAxis(x),
                                    {fold.ToAxis(bottomLimit.Minimum), fold.ToAxis(bottomLimit.Maximum)});
    const TAxisRange newBottom{fold.FromAxis(shown.Minimum), fold.FromAxis(shown.Maximum)};
    const TAxisRange newLeft = scaled(EffectiveRange(TAxisKind::Left), y, leftLimit);
    if (keep > 1.0 && newBottom.Minimum <= bottomLimit.Minimum && newBottom.Maximum >= bottomLimit.Maximum &&
        newLeft.Minimum <= leftLimit.Minimum && newLeft.Maximum >= leftLimit.Maximum) {
        UndoAllZooms();
        return;
    }
    Zoom(newBottom, newLeft);
}

void TChart::UndoZoom() {
    if (FZoomStack.empty())
        return;
    TChartUpdate update(*this);
    const TZoomState state = FZoomStack.back();
    FZoomStack.pop_back();
    RestoreZoomState(state);
    NotifyZoom(true);
}

void TChart::UndoAllZooms() {
    if (FZoomStack.empty())
        return;
    TChartUpdate update(*this);
    const TZoomState state = FZoomStack.front();
    FZoomStack.clear();
    RestoreZoomState(state);
    NotifyZoom(true);
}

void TChart::AddObserver(IChartObserver* observer) {
    if (observer && std::find(FObservers.begin(), FObservers.end(), observer) == FObservers.end())
        FObservers.push_back(observer);
}

void TChart::RemoveObserver(IChartObserver* observer) {
    FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), observer), FObservers.end());
}

void TChart::BeginUpdate() {
    ++FUpdateDepth;
}

void TChart::EndUpdate() {
    if (FUpdateDepth > 0 && --FUpdateDepth == 0)
        Flush();
}

void TChart::Changed(const TChartChange& change) {
    FPending.Merge(change);
    if (FUpdateDepth == 0)
        Flush();
}

void TChart::NotifyZoom(bool undo) {
    (undo ? FPendingUndoZoom : FPendingZoom) = true;
    if (FUpdateDepth == 0)
        Flush();
}

void TChart::Flush() {
    const TChartChange change = std::exchange(FPending, TChartChange{});
    const bool undo = std::exchange(FPendingUndoZoom, false);
    const bool zoom = std::exchange(FPendingZoom, false);
    // A copy: an observer may unsubscribe while being notified.
    const std::vector<IChartObserver*> observers = FObservers;
    for (IChartObserver* o : observers) {
        if (!change.Empty())
            o->ChartChanged(*this, change);
        if (undo)
            o->ChartUndoZoomed(*this);
        if (zoom)
            o->ChartZoomed(*this);
    }
}

} // namespace wl
