// A plain 24-bit colour, 0xRRGGBB, so that the core needs no toolkit colour type.
#pragma once

#include <cstdint>

namespace wl {

using TColor = uint32_t;

constexpr TColor MakeColor(int r, int g, int b) {
    return (static_cast<TColor>(r & 0xFF) << 16) | (static_cast<TColor>(g & 0xFF) << 8) | static_cast<TColor>(b & 0xFF);
}
constexpr int ColorRed(TColor c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
constexpr int ColorGreen(TColor c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int ColorBlue(TColor c) {
    return static_cast<int>(c & 0xFF);
}

constexpr TColor clWhite = 0xFFFFFF;

} // namespace wl
