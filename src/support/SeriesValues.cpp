// The sparse value spans behind a series' results.
#include "support/SeriesValues.h"

#include "support/Checked.h"

#include <algorithm>
#include <iterator>

namespace wl {

namespace {
void CheckX(int64_t x) {
    if (x < -TSeriesValues::MaxX || x > TSeriesValues::MaxX) [[unlikely]]
        RaiseRangeError("series X", x, -TSeriesValues::MaxX, TSeriesValues::MaxX);
}
} // namespace

int64_t TSeriesValues::First() const {
    if (FSpans.empty())
        throw ERangeError("Range check error: the series holds no values");
    return FSpans.front().First;
}

int64_t TSeriesValues::Last() const {
    if (FSpans.empty())
        throw ERangeError("Range check error: the series holds no values");
    return FSpans.back().Last();
}

size_t TSeriesValues::Find(int64_t x) const {
    // The last span starting at or before x.
    auto it = std::upper_bound(FSpans.begin(), FSpans.end(), x, [](int64_t v, const TSpan& s) { return v < s.First; });
    if (it == FSpans.begin() || x > std::prev(it)->Last())
        return NoSpan;
    return static_cast<size_t>(std::prev(it) - FSpans.begin());
}

double& TSeriesValues::operator[](int64_t x) {
    CheckX(x);
    if (!FSpans.empty()) {
        TSpan& last = FSpans.back();
        if (x == last.Last() + 1) {
            last.Values.push_back(0.0);
            return last.Values.back();
        }
        if (x <= last.Last()) {
            const size_t i = Find(x);
            if (i == NoSpan)
                RaiseRangeError(x < First() ? "series X below the first" : "series X in a gap", x, First(), Last());
            return FSpans[i].Values[static_cast<size_t>(x - FSpans[i].First)];
        }
    }
    FSpans.push_back(TSpan{x, {0.0}});
    return FSpans.back().Values.back();
}

double TSeriesValues::Value(int64_t x) const {
    if (FSpans.empty() || x < First() || x > Last())
        RaiseRangeError("series X", x, FSpans.empty() ? 1 : First(), FSpans.empty() ? 0 : Last());
    const size_t i = Find(x);
    return i != NoSpan ? FSpans[i].Values[static_cast<size_t>(x - FSpans[i].First)] : 0.0;
}

bool TSeriesValues::InGap(int64_t x) const {
    return !FSpans.empty() && x > First() && x < Last() && Find(x) == NoSpan;
}

int64_t TSeriesValues::Count() const {
    int64_t n = 0;
    for (const TSpan& s : FSpans)
        n += static_cast<int64_t>(s.Values.size());
    return n;
}

} // namespace wl
