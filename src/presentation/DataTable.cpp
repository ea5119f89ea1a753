// The data table and its capture from the chart's lines.
#include "presentation/DataTable.h"

#include "charts/Chart.h"
#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "support/Checked.h"
#include "support/Exception.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace wl {

TDataTable::TDataTable()
    : FCells(static_cast<size_t>(RowCount) * ColumnCount, 0.0),
      FComputed(static_cast<size_t>(RowCount) * ColumnCount, 0.0) {}

int TDataTable::CellIndex(int x, int column) const {
    CheckIndex(x, MinX, MaxX, "data table row");
    CheckIndex(column, 0, ColumnCount - 1, "data table column");
    return (x - MinX) * ColumnCount + column;
}

double TDataTable::Value(int x, int column) const {
    return FCells[static_cast<size_t>(CellIndex(x, column))];
}

void TDataTable::SetValue(int x, int column, double value) {
    const auto i = static_cast<size_t>(CellIndex(x, column));
    FCells[i] = value;
    FComputed[i] = value;
}

double TDataTable::ComputedValue(int x, int column) const {
    return FComputed[static_cast<size_t>(CellIndex(x, column))];
}

void TDataTable::SetComputedValue(int x, int column, double value) {
    FComputed[static_cast<size_t>(CellIndex(x, column))] = value;
    if (FComputedMinX > FComputedMaxX) {
        FComputedMinX = x;
        FComputedMaxX = x;
    } else {
        FComputedMinX = std::min(FComputedMinX, x);
        FComputedMaxX = std::max(FComputedMaxX, x);
    }
}

void TDataTable::Clear() {
    std::fill(FCells.begin(), FCells.end(), 0.0);
    std::fill(FComputed.begin(), FComputed.end(), 0.0);
    FComputedMinX = 1;
    FComputedMaxX = 0;
}

double RoundHalfEven(double value) {
    double r = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        r = 2.0 * std::round(value / 2.0);
    return r;
}

void CaptureChartData(TDataTable& table, const std::vector<const TChartLine*>& lines) {
    table.Clear();
    for (size_t k = 0; k < lines.size(); ++k) {
        const int column = CheckIndex(static_cast<int>(k), 0, TDataTable::ColumnCount - 1, "data table column");
        if (lines[k] == nullptr)
            continue;
        for (const TChartPoint& p : lines[k]->Points()) {
            const double x = RoundHalfEven(p.X);
            // Checked as a double first: converting an out-of-range or non-finite value to int is undefined.
            if (!(x >= TDataTable::MinX && x <= TDataTable::MaxX))
                throw ERangeError(QStringLiteral("Chart point X %1 of series %2 lies outside the data table rows "
                                                 "-5000..10000")
                                      .arg(p.X)
                                      .arg(k + 1));
            table.SetValue(static_cast<int>(x), column, p.Y);
        }
        const std::vector<double>& computed = lines[k]->ComputedValues();
        for (size_t i = 0; i < computed.size(); ++i) {
            const long long x = static_cast<long long>(lines[k]->ComputedFirstX()) + static_cast<long long>(i);
            if (x < TDataTable::MinX || x > TDataTable::MaxX)
                throw ERangeError(QStringLiteral("Computed value X %1 of series %2 lies outside the data table rows "
                                                 "-5000..10000")
                                      .arg(x)
                                      .arg(k + 1));
            table.SetComputedValue(static_cast<int>(x), column, computed[i]);
        }
    }
}

void CaptureChartData(TDataTable& table, const TChartController& controller) {
    std::vector<const TChartLine*> lines;
    const int count = controller.SeriesCount();
    lines.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int k = 0; k < count; ++k)
        lines.push_back(controller.GetCalculator(k).Line);
    CaptureChartData(table, lines);
}

} // namespace wl
