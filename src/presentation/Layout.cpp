// The main window's layout arithmetic.
#include "presentation/Layout.h"

#include "presentation/DataExport.h"
#include "presentation/DataTable.h"

#include <algorithm>

namespace wl {

TSeriesButtonsLayout LayoutSeriesButtons(int panelWidth, int panelHeight, int border) {
    const int b = border + 1;
    const double q = (panelWidth - 2 * b) / 3.0 + 1.0;
    const int p1 = static_cast<int>(RoundHalfEven(q));
    const int p2 = static_cast<int>(RoundHalfEven(2.0 * q));
    const int h = panelHeight - 2 * b;
    TSeriesButtonsLayout layout;
    layout.Add = {b, b, p1 - b, h};
    layout.Delete = {p1, b, p2 - p1, h};
    layout.Clear = {p2, b, panelWidth - p2 - b, h};
    return layout;
}

TGridGeometry ComputeGridGeometry(int seriesCount, int clientWidth, int clientHeight, int gridLineWidth,
                                  int defaultRowHeight, int minX, int maxX) {
    TGridGeometry g;
    const int n = std::max(seriesCount, 0);
    g.ColumnCount = n + 1;
    // 64-bit so that a hostile X range cannot overflow; a grid row count is an int in every toolkit.
    const long long dataRows = static_cast<long long>(maxX) - minX + 2;
    const int pitch = defaultRowHeight + gridLineWidth;
    const long long viewRows = pitch > 0 ? clientHeight / pitch + 1 : 1;
    g.RowCount = static_cast<int>(std::clamp<long long>(std::max(dataRows, viewRows), 1, 1 << 30));
    const int u = clientWidth / (2 * n + 1);
    g.SeriesColumnWidth = 2 * u;
    g.XColumnWidth = clientWidth - n * (2 * u + gridLineWidth);
    return g;
}

int ChooseCellDecimals(int seriesColumnWidth, const std::function<int(const QString&)>& textWidth) {
    for (int decimals = 6; decimals >= 1; --decimals) {
        const QString sample = FormatFixedPadded(98.9999999, decimals, 10).trimmed();
        if (textWidth(sample) + 5 <= seriesColumnWidth)
            return decimals;
    }
    return 1;
}

QString CellFormatText(int decimals) {
    return QStringLiteral("%10.") + QString::number(decimals) + QLatin1Char('f');
}

QString FormatGridValue(double value, int decimals) {
    if (value < 1e-7)
        return QStringLiteral("-");
    return FormatFixedPadded(value, decimals, 10).trimmed();
}

} // namespace wl
