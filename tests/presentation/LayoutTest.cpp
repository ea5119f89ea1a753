// Tests of the main window's layout arithmetic.
#include "presentation/Layout.h"

#include <gtest/gtest.h>

#include <utility>

using namespace wl;

TEST(Layout, SeriesButtonsShareThePanel) {
    struct TRow {
        const char* Name;
        int Width, Height;
        TLayoutRect Add, Delete, Clear;
    };
    // b = 4; q = (W - 8) / 3 + 1; p1 = round(q), p2 = round(2q).
    const TRow rows[] = {
        {"thirds divide evenly", 200, 30, {4, 4, 61, 22}, {65, 4, 65, 22}, {130, 4, 66, 22}},
        {"q rounds up, 2q down", 100, 30, {4, 4, 28, 22}, {32, 4, 31, 22}, {63, 4, 33, 22}},
        {"q rounds down, 2q up", 12, 30, {4, 4, -2, 22}, {2, 4, 3, 22}, {5, 4, 3, 22}},
        {"narrow", 8, 8, {4, 4, -3, 0}, {1, 4, 1, 0}, {2, 4, 2, 0}},
    };
    for (const TRow& r : rows) {
        const TSeriesButtonsLayout l = LayoutSeriesButtons(r.Width, r.Height, 3);
        EXPECT_EQ(l.Add, r.Add) << r.Name;
        EXPECT_EQ(l.Delete, r.Delete) << r.Name;
        EXPECT_EQ(l.Clear, r.Clear) << r.Name;
    }
}

TEST(Layout, GridGeometry) {
    struct TRow {
        const char* Name;
        int Series, ClientWidth, ClientHeight, MinX, MaxX;
        TGridGeometry Expected;
    };
    const TRow rows[] = {
        {"no series: X column fills the width", 0, 400, 300, 0, 0, {1, 16, 400, 800}},
        {"rows from the data", 2, 401, 300, -40, 60, {3, 102, 79, 160}},
        {"ten series in a narrow window", 10, 300, 100, -10, 10, {11, 22, 10, 28}},
        {"rows from the view when data is short", 1, 90, 190, 0, 3, {2, 11, 29, 60}},
    };
    for (const TRow& r : rows) {
        const TGridGeometry g =
            ComputeGridGeometry(r.Series, r.ClientWidth, r.ClientHeight, 1, 18, r.MaxX - r.MinX + 1);
        EXPECT_EQ(g.ColumnCount, r.Expected.ColumnCount) << r.Name;
        EXPECT_EQ(g.RowCount, r.Expected.RowCount) << r.Name;
        EXPECT_EQ(g.XColumnWidth, r.Expected.XColumnWidth) << r.Name;
        EXPECT_EQ(g.SeriesColumnWidth, r.Expected.SeriesColumnWidth) << r.Name;
    }
}

TEST(Layout, CellDecimalsShrinkWithTheColumn) {
    // 7 pixels a character: "99.000000" needs 63 + 5, "99.0" 28 + 5.
    const auto width = [](const QString& text) { return 7 * static_cast<int>(text.size()); };
    struct TRow {
        int ColumnWidth;
        int Decimals;
    };
    const TRow rows[] = {{800, 6}, {68, 6}, {67, 5}, {61, 5}, {60, 4}, {47, 3}, {40, 2}, {33, 1}, {10, 1}, {0, 1}};
    for (const TRow& r : rows)
        EXPECT_EQ(ChooseCellDecimals(r.ColumnWidth, width), r.Decimals) << r.ColumnWidth;
}

TEST(Layout, NarrowWindowWithManySeriesShowsOneDecimal) {
    const TGridGeometry g = ComputeGridGeometry(10, 300, 100, 1, 18, 21);
    const int decimals = ChooseCellDecimals(g.SeriesColumnWidth, [](const QString& t) { return 6 * int(t.size()); });
    EXPECT_EQ(decimals, 1);
    EXPECT_EQ(CellFormatText(decimals), QStringLiteral("%10.1f"));
    EXPECT_EQ(FormatGridValue(98.99996, decimals), QStringLiteral("99.0"));
}

TEST(Layout, GridValuesAndRows) {
    EXPECT_EQ(FormatGridValue(1e-7, 6), QStringLiteral("0.000000"));
    EXPECT_EQ(FormatGridValue(9.9e-8, 6), QStringLiteral("-"));
    EXPECT_EQ(FormatGridValue(0.0, 6), QStringLiteral("-"));
    EXPECT_EQ(FormatGridValue(-3.0, 6), QStringLiteral("-"));
    EXPECT_EQ(FormatGridValue(25.0, 6), QStringLiteral("25.000000"));
    // Values that are not probabilities (an expected result) are always shown.
    EXPECT_EQ(FormatGridValue(-0.014141, 6, false), QStringLiteral("-0.014141"));
    EXPECT_EQ(FormatGridValue(0.0, 6, false), QStringLiteral("0.000000"));
    EXPECT_EQ(CellFormatText(6), QStringLiteral("%10.6f"));

    // X -40..-30 and 50..60 hold values: 11 rows, the marker row for -29..49, 11 rows.
    TDataTable table;
    for (int x : {-40, -30, 50, 60})
        table.SetValue(x, 0, 1.0);
    table.SetComputedValues(1, [] {
        TSeriesValues v;
        for (int x = -40; x <= -30; ++x)
            v[x] = 1.0;
        for (int x = 50; x <= 60; ++x)
            v[x] = 1.0;
        return v;
    }());
    const TTableRows rows(table, -40, 60, true);
    ASSERT_EQ(rows.Count(), 23);
    EXPECT_EQ(rows.Row(11).X, -29);
    EXPECT_EQ(rows.Row(11).LastX, 49);
    EXPECT_EQ(rows.Row(22).X, 60);
    for (const auto& [row, selectable] :
         {std::pair{0, false}, {1, true}, {12, false}, {13, true}, {23, true}, {24, false}})
        EXPECT_EQ(CanSelectGridRow(row, rows), selectable) << row;
}

TEST(Layout, RestoredPlacementStaysOnTheScreen) {
    struct TRow {
        const char* Name;
        TLayoutRect Wanted, Expected;
    };
    const TLayoutRect area{0, 24, 1280, 1000};
    const TRow rows[] = {
        {"fits as stored", {100, 100, 696, 497}, {100, 100, 696, 497}},
        {"corrupt height", {100, 100, 572, 99999}, {100, 24, 572, 1000}},
        {"far off to the bottom right", {5000, 9000, 696, 497}, {584, 527, 696, 497}},
        {"above and left of the area", {-32767, -32767, 696, 497}, {0, 24, 696, 497}},
        {"below the window's minimum", {10, 30, 10, 10}, {10, 30, 572, 300}},
    };
    for (const TRow& r : rows)
        EXPECT_EQ(ClampPlacement(r.Wanted, area, 572, 300), r.Expected) << r.Name;
}

TEST(Layout, HelpWindowBesideItsOwner) {
    struct TRow {
        const char* Name;
        TLayoutRect Owner;
        TLayoutRect Expected;
    };
    const TLayoutRect area{0, 0, 1280, 1024};
    const TRow rows[] = {
        {"room on the right", {100, 100, 400, 300}, {508, 100, 640, 560}},
        {"room on the left only", {700, 100, 400, 300}, {52, 100, 640, 560}},
        {"neither side whole: the wider one, narrowed", {300, 700, 600, 300}, {908, 464, 372, 560}},
        {"no room at all: the screen edge away from its centre", {100, 0, 1100, 900}, {0, 0, 640, 560}},
    };
    for (const TRow& r : rows)
        EXPECT_EQ(PlaceBeside(r.Owner, 640, 560, area, 8, 320), r.Expected) << r.Name;
}
