// Values indexed by a 64-bit X (a balance, a round, a bankroll) in ascending spans with empty stretches between them.
//
// Written in ascending X: a write lands in a cell of a span, extends the last span by one, or starts a new span
// past a gap. Reading a gap gives 0; reading outside First()..Last(), writing below Last() into a gap, and any X
// beyond +-MaxX raise ERangeError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wl {

class TSeriesValues {
public:
    // Keeps every X and every difference of two of them exact in a double.
    static constexpr int64_t MaxX = int64_t{1} << 52;

    struct TSpan {
        int64_t First = 0;
        std::vector<double> Values;
        int64_t Last() const { return First + static_cast<int64_t>(Values.size()) - 1; }
    };

    void Clear() { FSpans.clear(); }
    bool Empty() const { return FSpans.empty(); }
    int64_t First() const; // checked: ERangeError when empty
    int64_t Last() const;

    double& operator[](int64_t x);
    double operator[](int64_t x) const { return Value(x); }
    double Value(int64_t x) const;
    // Whether x lies between two spans (a stretch that holds nothing); false outside First()..Last().
    bool InGap(int64_t x) const;
    const std::vector<TSpan>& Spans() const { return FSpans; }
    // The number of X that hold a value, gaps left out.
    int64_t Count() const;

    bool operator==(const TSeriesValues&) const = default;

private:
    static constexpr size_t NoSpan = ~size_t{0};
    // The index of the span holding x, or NoSpan when x lies in a gap or outside.
    size_t Find(int64_t x) const;

    std::vector<TSpan> FSpans;
};

} // namespace wl
