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
    std::vector<double> computed;
    for (int i = FirstX; i <= LastX; ++i)
        computed.push_back(Results[i]);
    Line->SetComputedValues(FirstX, std::move(computed));
    MinY = 1.0e6;
    MaxY = -1.0e5;
    int lo = 1000;
    int hi = -1000;
    for (int i = FirstX; i <= LastX; ++i) {
        const double v = Results[i];
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
    const bool any = !points.empty();
    Line->SetPoints(std::move(points));
    if (any) {
        FirstX = lo;
        LastX = hi;
    }
}

} // namespace wl
