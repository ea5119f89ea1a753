// The data table behind the data grid and the exports: the values of the chart's points, one column per series.
#pragma once

#include "support/SeriesValues.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace wl {

class TChartLine;
class TChartController;

// Rows are indexed by X (balances, rounds or starting bankrolls) within +-TSeriesValues::MaxX, columns 0 to 10
// (column k is series k; column 10 stays unused). A cell never set reads 0; an X beyond the bounds or a column
// outside 0..10 raises ERangeError.
class TDataTable {
public:
    static constexpr int64_t MinX = -TSeriesValues::MaxX;
    static constexpr int64_t MaxX = TSeriesValues::MaxX;
    static constexpr int ColumnCount = 11;

    // The value as plotted: 0 where the chart leaves out a value too small to draw.
    double Value(int64_t x, int column) const;
    // Sets the plotted and the computed value alike.
    void SetValue(int64_t x, int column, double value);
    // The value as computed, however small: the exports that promise every digit read these.
    double ComputedValue(int64_t x, int column) const;
    void SetComputedValue(int64_t x, int column, double value);
    // A column's computed values at once, gaps included.
    void SetComputedValues(int column, TSeriesValues values);
    // A column whose value holds over the gaps between its computed spans (TChartLine::HeldAcrossGaps): there both
    // readings give the value at the end of the span before; elsewhere a gap reads 0. Clear resets it.
    void SetHeldAcrossGaps(int column, bool held);
    // The X range that holds computed values of some series; empty (first > last) when none does.
    int64_t ComputedMinX() const;
    int64_t ComputedMaxX() const;
    void Clear(); // every cell to 0, no computed range

    struct TStretch {
        int64_t First, Last;
    };
    // The X that some series covers, merged and ascending: its computed spans, and its plotted points (their whole
    // range for a series without computed values).
    std::vector<TStretch> Covered() const;

private:
    struct TColumn {
        std::vector<std::pair<int64_t, double>> Plotted; // ascending X; points come ascending, so appends are cheap
        TSeriesValues Computed;
        bool Held = false;
    };
    // The value a held column keeps at x, when x lies in one of its gaps.
    static std::optional<double> HeldValue(const TColumn& column, int64_t x);
    const TColumn& Column(int64_t x, int column) const;
    TColumn& Column(int64_t x, int column);

    std::array<TColumn, ColumnCount> FColumns;
};

// The rows a view or an export shows for the X in first..last: one row per X that some series covers, and where
// two or more X in a row are covered by none, one marker row standing for them all (or, without markers, nothing).
class TTableRows {
public:
    struct TRow {
        int64_t X = 0;
        int64_t LastX = 0; // X..LastX are skipped when Marker
        bool Marker = false;
    };

    TTableRows() = default;
    TTableRows(const TDataTable& table, int64_t first, int64_t last, bool markers);

    int64_t Count() const { return FCount; }
    TRow Row(int64_t index) const; // checked: ERangeError
    // The rows in order; f(row) for each.
    template <typename F> void ForEach(F f) const {
        for (const TRun& run : FRuns) {
            if (run.Marker)
                f(TRow{run.First, run.Last, true});
            else
                for (int64_t x = run.First; x <= run.Last; ++x)
                    f(TRow{x, x, false});
        }
    }

private:
    struct TRun {
        int64_t First, Last;
        bool Marker;
        int64_t FirstRow;
    };
    std::vector<TRun> FRuns;
    int64_t FCount = 0;
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, -0.5 -> 0, 3.5 -> 4).
double RoundHalfEven(double value);

// Clears the table, then stores the points of lines[k] in column k: X rounded half to even picks the row, a later
// point with the same row overwrites an earlier one. A null entry (a series without a line) leaves its column 0.
// The line's computed values, where it has them, overwrite the computed cells.
// A row beyond +-TDataTable::MaxX, a non-finite X or more than 11 lines raise ERangeError.
void CaptureChartData(TDataTable& table, const std::vector<const TChartLine*>& lines);

// The same for the controller's series in series order, each through its calculator's line.
void CaptureChartData(TDataTable& table, const TChartController& controller);

} // namespace wl
