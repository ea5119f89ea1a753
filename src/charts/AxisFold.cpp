// The folded bottom axis: breaks, the mapping both ways, and ticks on both sides of each break.
#include "charts/AxisFold.h"

#include <algorithm>
#include <cmath>

namespace wl {

namespace {

// A step of 1, 2 or 5 times a power of ten that splits span into at most about maxTicks parts.
double NiceStep(double span, int maxTicks) {
    if (!(span > 0.0) || !std::isfinite(span) || maxTicks < 1)
        return 1.0;
    const double raw = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

} // namespace

TAxisFold::TAxisFold(double min, double max, const std::vector<TStretch>& empty) {
    const double width = max - min;
    if (!(width > 0.0))
        return;
    std::vector<TStretch> candidates;
    for (const TStretch& s : empty) {
        const double from = std::max(s.From, min);
        const double to = std::min(s.To, max);
        if (to - from >= MinLength)
            candidates.push_back({from, to});
    }
    // Longest first, each measured against what the longer ones leave: a gap between two near clusters still folds
    // when a far one beyond them would otherwise dwarf it.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const TStretch& a, const TStretch& b) { return a.To - a.From > b.To - b.From; });
    std::vector<TStretch> chosen;
    double left = width;
    for (const TStretch& s : candidates) {
        if (chosen.size() == MaxBreaks || s.To - s.From < MinShare * left)
            break;
        chosen.push_back(s);
        left -= s.To - s.From;
    }
    if (chosen.empty())
        return;
    std::sort(chosen.begin(), chosen.end(), [](const TStretch& a, const TStretch& b) { return a.From < b.From; });
    // Each segment between breaks gets at least a share of the unfolded width, borrowed from the stretches beside
    // it, so that a lone value at the end or a narrow cluster still has room for a label.
    const auto unfolded = [&] {
        double w = width;
        for (const TStretch& s : chosen)
            w -= s.To - s.From;
        return std::max(w, 1.0);
    };
    const double least = MinSegmentShare * unfolded();
    for (size_t i = 0; i <= chosen.size(); ++i) {
        const double from = i == 0 ? min : chosen[i - 1].To;
        const double to = i == chosen.size() ? max : chosen[i].From;
        const double missing = least - (to - from);
        if (missing <= 0.0)
            continue;
        const bool hasLeft = i > 0;
        const bool hasRight = i < chosen.size();
        const double part = hasLeft && hasRight ? missing / 2.0 : missing;
        if (hasLeft) {
            TStretch& s = chosen[i - 1];
            s.To -= std::min(part, (s.To - s.From) / 4.0);
        }
        if (hasRight) {
            TStretch& s = chosen[i];
            s.From += std::min(part, (s.To - s.From) / 4.0);
        }
    }
    double squeezed = 0.0;
    for (const TStretch& s : chosen)
        squeezed += s.To - s.From;
    // Each break takes about 4 % of the folded axis, all of them together at most half of it.
    const double n = static_cast<double>(chosen.size());
    const double share = std::min(0.04 * n, 0.5);
    const double rest = std::max(width - squeezed, 1.0);
    const double breakWidth = share * rest / ((1.0 - share) * n);
    // A little of each stretch stays unsqueezed at both ends, so that the values beside a break keep clear of it
    // and a pixel's rounding near a cluster's edge does not jump into the break.
    double shift = 0.0; // axis units minus X, left of the current break
    for (const TStretch& s : chosen) {
        const double margin = std::min(breakWidth / 4.0, (s.To - s.From) / 4.0);
        const double from = s.From + margin;
        const double to = s.To - margin;
        const double axisFrom = from + shift;
        FBreaks.push_back({from, to, axisFrom, axisFrom + breakWidth});
        shift += breakWidth - (to - from);
    }
}

double TAxisFold::ToAxis(double x) const {
    double shift = 0.0;
    for (const TBreak& b : FBreaks) {
        if (x <= b.From)
            break;
        if (x < b.To)
            return b.AxisFrom + (x - b.From) * (b.AxisTo - b.AxisFrom) / (b.To - b.From);
        shift = b.AxisTo - b.To;
    }
    return x + shift;
}

double TAxisFold::FromAxis(double u) const {
    double shift = 0.0;
    for (const TBreak& b : FBreaks) {
        if (u <= b.AxisFrom)
            break;
        if (u < b.AxisTo)
            return b.From + (u - b.AxisFrom) * (b.To - b.From) / (b.AxisTo - b.AxisFrom);
        shift = b.To - b.AxisTo;
    }
    return u + shift;
}

std::vector<double> TAxisFold::Ticks(double min, double max, int maxTicks, bool whole) const {
    std::vector<double> ticks;
    const double total = ToAxis(max) - ToAxis(min);
    if (!(total > 0.0))
        return ticks;
    double lo = min;
    const auto segment = [&](double a, double b) {
        if (b < a)
            return;
        const double part = (ToAxis(b) - ToAxis(a)) / total;
        const int count = std::max(1, static_cast<int>(std::floor(maxTicks * part)));
        double step = NiceStep(b - a, count);
        if (whole)
            step = std::max(step, 1.0);
        const double first = std::ceil(a / step) * step;
        if (first > b || count == 1) {
            // Too narrow for a round number, or room for one label only: its middle, where the label has room on
            // both sides (a round number at a segment's end would run into the break or past the axis), as a whole
            // number where the axis counts whole ones.
            const double mid = whole ? std::round((a + b) / 2.0) : (a + b) / 2.0;
            if (mid >= a && mid <= b)
                ticks.push_back(mid);
            return;
        }
        for (double t = first; t <= b + step * 1e-9; t += step)
            ticks.push_back(t);
    };
    for (const TBreak& b : FBreaks) {
        if (b.From >= max)
            break;
        if (b.To <= min)
            continue;
        segment(lo, std::min(b.From, max));
        lo = b.To;
    }
    segment(lo, max);
    return ticks;
}

} // namespace wl
