// The calculator's plotting half: its line colour and the filling of its line from Results.
#include "charts/Chart.h"
#include "engine/GameCalculator.h"

#include <algorithm>
#include <vector>

namespace wl {

TColor TGameCalculator::LineColor() const {
    return Line ? Line->Color() : clWhite;
}

void TGameCalculator::FillSeries() {
    if (!Line)
        return; // a series without a line is never filled
    std::vector<TChartPoint> points;
    // Results over FirstX..LastX, its gaps kept: the line breaks across them.
    TSeriesValues computed;
    MinY = 1.0e6;
    MaxY = -1.0e5;
    int64_t lo = 1000;
    int64_t hi = -1000;
    for (const TSeriesValues::TSpan& span : Results.Spans()) {
        const int64_t first = std::max(span.First, FirstX);
        const int64_t last = std::min(span.Last(), LastX);
        for (int64_t i = first; i <= last; ++i) {
            const double v = span.Values[static_cast<size_t>(i - span.First)];
            computed[i] = v;
            if (i != FirstX) {
                if (!(v >= MinY))
                    MinY = v;
                if (v > MaxY)
                    MaxY = v;
            }
            if (v > 5.0e-7 || ShowAll) {
                points.push_back({static_cast<double>(i), v});
                hi = std::max(hi, i);
                lo = std::min(lo, i);
            }
        }
    }
    Line->SetComputedValues(std::move(computed));
    const bool any = !points.empty();
    Line->SetPoints(std::move(points));
    if (any) {
        FirstX = lo;
        LastX = hi;
    }
}

} // namespace wl
