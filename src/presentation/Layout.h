// The main window's layout arithmetic, free of the toolkit: the series buttons, the data grid and its cell format.
#pragma once

#include "presentation/DataTable.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace wl {

struct TLayoutRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TLayoutRect&) const = default;
};

// A saved window placement made to fit the available screen area: no smaller than the window's minimum, no larger
// than the area (unless the minimum is), and moved inside it, so that a corrupt store cannot hide the window.
TLayoutRect ClampPlacement(const TLayoutRect& wanted, const TLayoutRect& area, int minWidth, int minHeight);

// Where a window of size width x height goes beside owner within area: to its right, else to its left, with gap
// pixels between; narrowed to the wider side when neither side takes the whole width but one takes minWidth;
// otherwise at the screen edge farther from the owner. Always inside area, as far as its size allows.
TLayoutRect PlaceBeside(const TLayoutRect& owner, int width, int height, const TLayoutRect& area, int gap,
                        int minWidth);

struct TSeriesButtonsLayout {
    TLayoutRect Add;
    TLayoutRect Delete;
    TLayoutRect Clear;
};

// The three buttons side by side in a panel of the given size; border is the panel's border width (3).
TSeriesButtonsLayout LayoutSeriesButtons(int panelWidth, int panelHeight, int border);

struct TGridGeometry {
    int ColumnCount = 1; // X column plus one per series
    int RowCount = 2;    // the title row, the data rows, and enough empty rows to fill the view
    int XColumnWidth = 0;
    int SeriesColumnWidth = 0; // every series column
};

// seriesCount n, the grid's client size, its grid-line width and default row height, and the number of data rows.
TGridGeometry ComputeGridGeometry(int seriesCount, int clientWidth, int clientHeight, int gridLineWidth,
                                  int defaultRowHeight, int64_t dataRows);

// The number of decimals (6 down to 1) for grid values: the first for which the sample 98.9999999, formatted and
// trimmed, is at least 5 pixels narrower than the series column. textWidth measures a text in the grid's font.
int ChooseCellDecimals(int seriesColumnWidth, const std::function<int(const QString&)>& textWidth);
// The format text of a decimals count, for display: "%10.6f" for 6.
QString CellFormatText(int decimals);
// A grid value: "-" for a probability below 1e-7, else fixed-point with the decimals, width 10, trimmed for drawing.
QString FormatGridValue(double value, int decimals, bool probability = true);

// Whether the progress bar is worth showing: a calculation at `position` percent after `seconds` seconds, at
// `previous` percent a second before, has at least three seconds left. A round never costs less than the one before
// it, so both the average pace and the last second's pace give a lower bound of the time left; the larger is taken.
inline bool PredictsThreeSecondsMore(int seconds, int position, int previous) {
    if (position <= 0 || position >= 100)
        return false;
    const bool paceKnown = position > previous;
    return seconds * 100 / position - seconds >= 3 || (paceKnown && 100 - position >= 3 * (position - previous));
}

// The chart's point markers show while its series have at most 200 points each on average.
inline bool PointMarkersShown(long long points, int seriesCount) {
    return seriesCount > 0 && static_cast<double>(points) / seriesCount <= 200.0;
}

// Data rows start at row 1 (row 0 is the title); grid row r shows rows.Row(r - 1), and a marker row is never
// selected.
inline bool CanSelectGridRow(int row, const TTableRows& rows) {
    return row >= 1 && row <= rows.Count() && !rows.Row(row - 1).Marker;
}

} // namespace wl
