// The data table behind the data grid and the exports: the values of the chart's points, one column per series.
#pragma once

#include <vector>

namespace wl {

class TChartLine;
class TChartController;

// Rows are indexed by X from -5000 to 10000 (balances, rounds or starting bankrolls), columns 0 to 10 (column k is
// series k; column 10 stays unused). Every access is checked and raises ERangeError outside those bounds.
class TDataTable {
public:
    static constexpr int MinX = -5000;
    static constexpr int MaxX = 10000;
    static constexpr int RowCount = MaxX - MinX + 1;
    static constexpr int ColumnCount = 11;

    TDataTable();

    // The value as plotted: 0 where the chart leaves out a value too small to draw.
    double Value(int x, int column) const;
    // Sets the plotted and the computed value alike.
    void SetValue(int x, int column, double value);
    // The value as computed, however small: the exports that promise every digit read these.
    double ComputedValue(int x, int column) const;
    void SetComputedValue(int x, int column, double value);
    // The X range that holds computed values of some series; empty (first > last) when none does.
    int ComputedMinX() const { return FComputedMinX; }
    int ComputedMaxX() const { return FComputedMaxX; }
    void Clear(); // every cell to 0, no computed range

private:
    int CellIndex(int x, int column) const;

    std::vector<double> FCells; // about 1.3 MB each, so they live on the heap rather than inside the window
    std::vector<double> FComputed;
    int FComputedMinX = 1;
    int FComputedMaxX = 0;
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, -0.5 -> 0, 3.5 -> 4).
double RoundHalfEven(double value);

// Clears the table, then stores the points of lines[k] in column k: X rounded half to even picks the row, a later
// point with the same row overwrites an earlier one. A null entry (a series without a line) leaves its column 0.
// The line's computed values, where it has them, overwrite the computed cells from their first X on.
// A row outside -5000..10000, a non-finite X or more than 11 lines raise ERangeError.
void CaptureChartData(TDataTable& table, const std::vector<const TChartLine*>& lines);

// The same for the controller's series in series order, each through its calculator's line.
void CaptureChartData(TDataTable& table, const TChartController& controller);

} // namespace wl
