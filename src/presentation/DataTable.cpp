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
#include <map>
#include <utility>

namespace wl {

namespace {

void CheckRow(int64_t x) {
    if (x < TDataTable::MinX || x > TDataTable::MaxX) [[unlikely]]
        RaiseRangeError("data table row", x, TDataTable::MinX, TDataTable::MaxX);
}

// Sets one computed value, in whatever order: the spans only take ascending writes, so anything else is merged.
void PutValue(TSeriesValues& values, int64_t x, double value) {
    if (values.Empty() || x > values.Last() || (x >= values.First() && !values.InGap(x))) {
        values[x] = value;
        return;
    }
    std::map<int64_t, double> cells{{x, value}};
    for (const TSeriesValues::TSpan& s : values.Spans())
        for (size_t i = 0; i < s.Values.size(); ++i)
            cells.emplace(s.First + static_cast<int64_t>(i), s.Values[i]);
    values.Clear();
    for (const auto& [at, v] : cells)
        values[at] = v;
}

} // namespace

const TDataTable::TColumn& TDataTable::Column(int64_t x, int column) const {
    CheckRow(x);
    return FColumns[static_cast<size_t>(CheckIndex(column, 0, ColumnCount - 1, "data table column"))];
}

TDataTable::TColumn& TDataTable::Column(int64_t x, int column) {
    CheckRow(x);
    return FColumns[static_cast<size_t>(CheckIndex(column, 0, ColumnCount - 1, "data table column"))];
}

namespace {
bool BeforeX(const std::pair<int64_t, double>& cell, int64_t x) {
    return cell.first < x;
}
} // namespace

std::optional<double> TDataTable::HeldValue(const TColumn& column, int64_t x) {
    if (!column.Held || !column.Computed.InGap(x))
        return std::nullopt;
    const auto& spans = column.Computed.Spans();
    const auto after = std::upper_bound(spans.begin(), spans.end(), x,
                                        [](int64_t v, const TSeriesValues::TSpan& s) { return v < s.First; });
    return std::prev(after)->Values.back();
}

double TDataTable::Value(int64_t x, int column) const {
    const TColumn& c = Column(x, column);
    const auto& plotted = c.Plotted;
    const auto it = std::lower_bound(plotted.begin(), plotted.end(), x, BeforeX);
    if (it != plotted.end() && it->first == x)
        return it->second;
    return HeldValue(c, x).value_or(0.0);
}

void TDataTable::SetValue(int64_t x, int column, double value) {
    TColumn& c = Column(x, column);
    const auto it = std::lower_bound(c.Plotted.begin(), c.Plotted.end(), x, BeforeX);
    if (it != c.Plotted.end() && it->first == x)
        it->second = value;
    else
        c.Plotted.insert(it, {x, value});
    PutValue(c.Computed, x, value);
}

double TDataTable::ComputedValue(int64_t x, int column) const {
    const TColumn& c = Column(x, column);
    if (const std::optional<double> held = HeldValue(c, x))
        return *held;
    const TSeriesValues& computed = c.Computed;
    return computed.Empty() || x < computed.First() || x > computed.Last() ? 0.0 : computed[x];
}

void TDataTable::SetComputedValue(int64_t x, int column, double value) {
    PutValue(Column(x, column).Computed, x, value);
}

void TDataTable::SetComputedValues(int column, TSeriesValues values) {
    TColumn& c = Column(0, column);
    if (!values.Empty()) {
        CheckRow(values.First());
        CheckRow(values.Last());
    }
    c.Computed = std::move(values);
}

int64_t TDataTable::ComputedMinX() const {
    int64_t first = MaxX + 1;
    for (const TColumn& c : FColumns)
        if (!c.Computed.Empty())
            first = std::min(first, c.Computed.First());
    return first <= MaxX ? first : 1;
}

int64_t TDataTable::ComputedMaxX() const {
    int64_t last = MinX - 1;
    for (const TColumn& c : FColumns)
        if (!c.Computed.Empty())
            last = std::max(last, c.Computed.Last());
    return last >= MinX ? last : 0;
}

void TDataTable::SetHeldAcrossGaps(int column, bool held) {
    Column(0, column).Held = held;
}

void TDataTable::Clear() {
    for (TColumn& c : FColumns) {
        c.Plotted.clear();
        c.Computed.Clear();
        c.Held = false;
    }
}

std::vector<TDataTable::TStretch> TDataTable::Covered() const {
    std::vector<TStretch> all;
    for (const TColumn& c : FColumns) {
        for (const TSeriesValues::TSpan& s : c.Computed.Spans())
            all.push_back({s.First, s.Last()});
        if (c.Plotted.empty())
            continue;
        if (c.Computed.Empty()) {
            all.push_back({c.Plotted.front().first, c.Plotted.back().first});
            continue;
        }
        // Points normally lie in the computed spans; only one outside them adds to what is covered.
        for (const auto& cell : c.Plotted)
            if (cell.first < c.Computed.First() || cell.first > c.Computed.Last() || c.Computed.InGap(cell.first))
                all.push_back({cell.first, cell.first});
    }
    std::sort(all.begin(), all.end(), [](const TStretch& a, const TStretch& b) { return a.First < b.First; });
    std::vector<TStretch> merged;
    for (const TStretch& s : all) {
        if (!merged.empty() && s.First <= merged.back().Last + 1)
            merged.back().Last = std::max(merged.back().Last, s.Last);
        else
            merged.push_back(s);
    }
    return merged;
}

TTableRows::TTableRows(const TDataTable& table, int64_t first, int64_t last, bool markers) {
    const auto add = [this](int64_t a, int64_t b, bool marker) {
        FRuns.push_back({a, b, marker, FCount});
        FCount += marker ? 1 : b - a + 1;
    };
    // A single uncovered X is shown as a row: a marker would save nothing.
    const auto skip = [&](int64_t a, int64_t b) {
        if (a == b)
            add(a, b, false);
        else if (markers)
            add(a, b, true);
    };
    int64_t next = first;
    for (const TDataTable::TStretch& s : table.Covered()) {
        const int64_t a = std::max(s.First, next);
        const int64_t b = std::min(s.Last, last);
        if (a > b)
            continue;
        if (a > next)
            skip(next, a - 1);
        add(a, b, false);
        next = b + 1;
    }
    if (next <= last)
        skip(next, last);
}

TTableRows::TRow TTableRows::Row(int64_t index) const {
    if (index < 0 || index >= FCount)
        RaiseRangeError("table row", index, 0, FCount - 1);
    auto it = std::upper_bound(FRuns.begin(), FRuns.end(), index,
                               [](int64_t i, const TRun& run) { return i < run.FirstRow; });
    const TRun& run = *std::prev(it);
    if (run.Marker)
        return {run.First, run.Last, true};
    const int64_t x = run.First + (index - run.FirstRow);
    return {x, x, false};
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
        // The computed values first: a plotted point sets its computed cell too, and they agree.
        table.SetComputedValues(column, lines[k]->ComputedValues());
        for (const TChartPoint& p : lines[k]->Points()) {
            const double x = RoundHalfEven(p.X);
            // Checked as a double first: converting an out-of-range or non-finite value to an integer is undefined.
            if (!(x >= static_cast<double>(TDataTable::MinX) && x <= static_cast<double>(TDataTable::MaxX)))
                throw ERangeError(QStringLiteral("Chart point X %1 of series %2 lies outside the data table rows "
                                                 "%3..%4")
                                      .arg(p.X)
                                      .arg(k + 1)
                                      .arg(TDataTable::MinX)
                                      .arg(TDataTable::MaxX));
            table.SetValue(static_cast<int64_t>(x), column, p.Y);
        }
        if (!lines[k]->ComputedValues().Empty())
            table.SetComputedValues(column, lines[k]->ComputedValues());
        table.SetHeldAcrossGaps(column, lines[k]->HeldAcrossGaps());
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
