// The bottom axis folded across long empty stretches: each is squeezed into a narrow break, so that clusters of
// values far apart share the width instead of leaving it to thousands of empty balances.
//
// Axis coordinates are what the view plots: X itself where nothing is folded, and inside each break a stretch of
// Width axis units standing for From..To. The mapping is continuous and strictly increasing both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wl {

class TAxisFold {
public:
    // Stretches shorter than this many X, or than MinShare of the range that the longer folds leave, stay as they
    // are; at most MaxBreaks fold. Many short gaps between evenly spread clusters read better on a plain axis.
    static constexpr double MinLength = 200.0;
    static constexpr double MinShare = 0.15;
    static constexpr size_t MaxBreaks = 4;
    // The least room of a segment between breaks, as a share of the unfolded width.
    static constexpr double MinSegmentShare = 0.2;

    struct TStretch {
        double From = 0.0, To = 0.0; // the empty X between two occupied ones, From < To
    };
    struct TBreak {
        double From = 0.0, To = 0.0;         // in X, a little inside the empty stretch
        double AxisFrom = 0.0, AxisTo = 0.0; // in axis units
        bool operator==(const TBreak&) const = default;
    };

    TAxisFold() = default;
    // The fold of min..max over the empty stretches (ascending, apart); only those long enough become breaks.
    TAxisFold(double min, double max, const std::vector<TStretch>& empty);

    bool Folded() const { return !FBreaks.empty(); }
    bool operator==(const TAxisFold&) const = default;
    const std::vector<TBreak>& Breaks() const { return FBreaks; }
    double ToAxis(double x) const;
    double FromAxis(double u) const;
    // Whole-number-friendly tick values in X for min..max: nice ticks within each stretch between breaks, their
    // number shared out by the stretch's part of the axis, and at least one in each.
    std::vector<double> Ticks(double min, double max, int maxTicks, bool whole) const;

private:
    std::vector<TBreak> FBreaks;
};

} // namespace wl
