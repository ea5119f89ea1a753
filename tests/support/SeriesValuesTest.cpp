// Tests of the sparse series values: writes in ascending X, gaps, and the checked reads.
#include "support/SeriesValues.h"

#include "support/Exception.h"

#include <gtest/gtest.h>

#include <optional>

using namespace wl;

TEST(SeriesValues, WritesFormSpansAndGaps) {
    // Each row writes x on the values left by the rows before it.
    struct TRow {
        const char* Name;
        int64_t X;
        bool Raises;
        int Spans; // after the write
    };
    const TRow rows[] = {
        {"the first write starts a span", 5, false, 1},
        {"the next X extends it", 6, false, 1},
        {"a cell in the span is rewritten", 5, false, 1},
        {"past a gap starts a second span", 10, false, 2},
        {"into the gap raises", 8, true, 2},
        {"below the first raises", 4, true, 2},
        {"the far bound is allowed", TSeriesValues::MaxX, false, 3},
        {"beyond it raises", TSeriesValues::MaxX + 1, true, 3},
    };
    TSeriesValues v;
    for (const TRow& r : rows) {
        if (r.Raises)
            EXPECT_THROW(v[r.X] = 1.0, ERangeError) << r.Name;
        else
            v[r.X] = static_cast<double>(r.X);
        EXPECT_EQ(v.Spans().size(), static_cast<size_t>(r.Spans)) << r.Name;
    }
    EXPECT_EQ(v.First(), 5);
    EXPECT_EQ(v.Last(), TSeriesValues::MaxX);
    EXPECT_EQ(v.Count(), 4);

    const TSeriesValues& c = v;
    struct TRead {
        int64_t X;
        std::optional<double> Value; // none: raises
        bool Gap;
    };
    const TRead reads[] = {{4, std::nullopt, false},
                           {5, 5.0, false},
                           {6, 6.0, false},
                           {7, 0.0, true},
                           {10, 10.0, false},
                           {11, 0.0, true},
                           {TSeriesValues::MaxX + 1, std::nullopt, false}};
    for (const TRead& r : reads) {
        if (r.Value)
            EXPECT_EQ(c[r.X], *r.Value) << r.X;
        else
            EXPECT_THROW(c[r.X], ERangeError) << r.X;
        EXPECT_EQ(c.InGap(r.X), r.Gap) << r.X;
    }

    v.Clear();
    EXPECT_TRUE(v.Empty());
    EXPECT_THROW(v.First(), ERangeError);
    EXPECT_THROW(c[5], ERangeError);
    v[-3] = 1.0; // a cleared container starts anew, anywhere
    EXPECT_EQ(v.First(), -3);
}
