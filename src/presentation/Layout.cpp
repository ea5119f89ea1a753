// The main window's layout arithmetic.
#include "presentation/Layout.h"

#include "presentation/DataExport.h"
#include "presentation/DataTable.h"

#include <algorithm>

namespace wl {

namespace {

// The start of a span of the given length inside [areaStart, areaStart + areaLength), nearest to wanted.
int ClampStart(int wanted, int length, int areaStart, int areaLength) {
    return std::max(areaStart, std::min(wanted, areaStart + areaLength - length));
}

} // namespace

TLayoutRect ClampPlacement(const TLayoutRect& wanted, const TLayoutRect& area, int minWidth, int minHeight) {
    TLayoutRect r;
    r.Width = std::max(minWidth, std::min(wanted.Width, area.Width));
    r.Height = std::max(minHeight, std::min(wanted.Height, area.Height));
    r.Left = ClampStart(wanted.Left, r.Width, area.Left, area.Width);
    r.Top = ClampStart(wanted.Top, r.Height, area.Top, area.Height);
    return r;
}

TLayoutRect PlaceBeside(const TLayoutRect& owner, int width, int height, const TLayoutRect& area, int gap,
                        int minWidth) {
    const int areaRight = area.Left + area.Width;
    const int rightSpace = areaRight - (owner.Left + owner.Width + gap);
    const int leftSpace = owner.Left - gap - area.Left;
    TLayoutRect r;
    r.Height = std::min(height, area.Height);
    r.Top = ClampStart(owner.Top, r.Height, area.Top, area.Height);
    const bool right = rightSpace >= std::min(width, std::max(minWidth, leftSpace + 1));
    const int space = right ? rightSpace : leftSpace;
    if (space >= minWidth || space >= width) {
        r.Width = std::min(width, space);
        r.Left = right ? owner.Left + owner.Width + gap : owner.Left - gap - r.Width;
        return r;
    }
    // No room beside it: cover as little of the owner as the screen allows.
    r.Width = std::min(width, area.Width);
    const bool ownerOnLeft = 2 * owner.Left + owner.Width < 2 * area.Left + area.Width;
    r.Left = ownerOnLeft ? areaRight - r.Width : area.Left;
    return r;
}

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
                                  int defaultRowHeight, int64_t dataRowCount) {
    TGridGeometry g;
    const int n = std::max(seriesCount, 0);
    g.ColumnCount = n + 1;
    // 64-bit so that a hostile X range cannot overflow; a grid row count is an int in every toolkit.
    const long long dataRows = static_cast<long long>(std::max<int64_t>(dataRowCount, 0)) + 1;
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

QString FormatGridValue(double value, int decimals, bool probability) {
    if (probability && value < 1e-7)
        return QStringLiteral("-");
    return FormatFixedPadded(value, decimals, 10).trimmed();
}

} // namespace wl
