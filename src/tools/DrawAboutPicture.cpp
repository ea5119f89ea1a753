// Draws the about box's picture, a chart over a roulette wheel, and writes it as the "ABOUT" resource: an 8-bit,
// 256-colour, 100 x 200 Windows bitmap without its leading "BM".
// Usage: wl_draw_about_picture <output file>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Width = 100;
constexpr int Height = 200;
constexpr int Samples = 4; // per axis and pixel, for smooth edges
constexpr double Pi = 3.14159265358979323846;

struct TRgb {
    double R = 0, G = 0, B = 0;
};

TRgb Mix(const TRgb& a, const TRgb& b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

const TRgb Navy{11, 30, 63};
const TRgb Teal{8, 70, 82};

// The colour at a point of the picture, in pixel units with y down.
TRgb Paint(double x, double y) {
    TRgb c = Mix(Navy, Teal, y / Height);

    // The chart: a light panel with a grid, a bell of outcomes and two lines over the rounds.
    const double left = 8, top = 10, right = 92, bottom = 92;
    if (x >= left && x <= right && y >= top && y <= bottom) {
        c = Mix(TRgb{236, 240, 246}, TRgb{206, 216, 230}, (y - top) / (bottom - top));
        const double gx = std::fmod(x - left, 14.0);
        const double gy = std::fmod(y - top, 13.7);
        if (gx < 0.6 || gy < 0.6)
            c = TRgb{170, 182, 200};
        const double u = (x - left) / (right - left);
        const double bell = bottom - 62 * std::exp(-std::pow((u - 0.45) / 0.16, 2));
        if (y > bell)
            c = Mix(c, TRgb{240, 180, 40}, 0.55);
        const double rise = bottom - 8 - 60 * (1 - std::exp(-3.2 * u)) + 3 * std::sin(u * 23);
        const double fall = top + 14 + 52 * u * u + 2.5 * std::sin(u * 31);
        if (std::abs(y - rise) < 1.3)
            c = TRgb{20, 140, 60};
        if (std::abs(y - fall) < 1.3)
            c = TRgb{200, 30, 40};
        if (x - left < 1.0 || right - x < 1.0 || y - top < 1.0 || bottom - y < 1.0)
            c = TRgb{60, 70, 90};
    }

    // The wheel: a wooden rim, 37 pockets, a cone and a turret, and the ball.
    const double cx = 50, cy = 148;
    const double dx = x - cx, dy = y - cy;
    const double r = std::hypot(dx, dy);
    const double angle = std::atan2(dy, dx) + Pi;
    if (r <= 45) {
        if (r > 40) {
            c = Mix(TRgb{120, 66, 28}, TRgb{186, 120, 50}, (45 - r) / 5);
        } else if (r > 27) {
            const int pocket = static_cast<int>(angle / (2 * Pi) * 37) % 37;
            c = pocket == 0 ? TRgb{20, 140, 60} : pocket % 2 == 1 ? TRgb{200, 24, 30} : TRgb{24, 24, 28};
            const double edge = std::fmod(angle / (2 * Pi) * 37, 1.0);
            if (edge < 0.08 || r < 28 || r > 39.3)
                c = TRgb{222, 190, 90};
        } else if (r > 9) {
            c = Mix(TRgb{150, 90, 40}, TRgb{96, 52, 22}, (r - 9) / 18);
            if (std::abs(std::fmod(angle, Pi / 2)) < 0.05)
                c = TRgb{222, 190, 90};
        } else {
            c = Mix(TRgb{250, 226, 140}, TRgb{200, 160, 60}, r / 9);
        }
    }
    const double ball = std::hypot(x - 76, y - 128);
    if (ball < 3.2)
        c = Mix(TRgb{255, 255, 255}, TRgb{190, 190, 200}, ball / 3.2);
    return c;
}

// A 6 x 6 x 6 colour cube and 40 steps of the background.
std::array<TRgb, 256> Palette() {
    std::array<TRgb, 256> p{};
    int n = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p[n++] = TRgb{r * 51.0, g * 51.0, b * 51.0};
    // The background's gradient gets its own steps: the cube alone would band it.
    for (int i = 0; i < 40; ++i)
        p[n++] = Mix(Navy, Teal, i / 39.0);
    return p;
}

int Nearest(const std::array<TRgb, 256>& palette, const TRgb& c) {
    int best = 0;
    double bestDistance = 1e30;
    for (int i = 0; i < 256; ++i) {
        const double d = std::pow(palette[i].R - c.R, 2) * 0.3 + std::pow(palette[i].G - c.G, 2) * 0.59 +
                         std::pow(palette[i].B - c.B, 2) * 0.11;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: wl_draw_about_picture <output file>\n", stderr);
        return 2;
    }
    const std::array<TRgb, 256> palette = Palette();
    constexpr std::uint32_t PixelOffset = 14 + 40 + 256 * 4;
    constexpr std::uint32_t PixelBytes = Width * Height; // 100 is a multiple of 4: rows need no padding
    std::vector<std::uint8_t> bmp;
    // The file header without its "BM"; the file size still counts those two bytes.
    Put32(bmp, PixelOffset + PixelBytes);
    Put16(bmp, 0);
    Put16(bmp, 0);
    Put32(bmp, PixelOffset);
    // The information header: bottom-up rows, 8 bits, no compression, 256 colours.
    Put32(bmp, 40);
    Put32(bmp, Width);
    Put32(bmp, Height);
    Put16(bmp, 1);
    Put16(bmp, 8);
    Put32(bmp, 0);
    Put32(bmp, PixelBytes);
    Put32(bmp, 2835);
    Put32(bmp, 2835);
    Put32(bmp, 256);
    Put32(bmp, 0);
    for (const TRgb& c : palette) {
        bmp.push_back(static_cast<std::uint8_t>(std::lround(c.B)));
        bmp.push_back(static_cast<std::uint8_t>(std::lround(c.G)));
        bmp.push_back(static_cast<std::uint8_t>(std::lround(c.R)));
        bmp.push_back(0);
    }
    for (int row = Height - 1; row >= 0; --row) {
        for (int col = 0; col < Width; ++col) {
            TRgb sum;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const TRgb s = Paint(col + (sx + 0.5) / Samples, row + (sy + 0.5) / Samples);
                    sum = TRgb{sum.R + s.R, sum.G + s.G, sum.B + s.B};
                }
            }
            constexpr double n = Samples * Samples;
            bmp.push_back(static_cast<std::uint8_t>(Nearest(palette, TRgb{sum.R / n, sum.G / n, sum.B / n})));
        }
    }
    // Written beside the target and renamed, so a failed run never leaves half a picture.
    const std::string temp = std::string(argv[1]) + ".tmp";
    std::ofstream out(temp, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    out.close();
    std::error_code error;
    if (out)
        std::filesystem::rename(temp, argv[1], error);
    if (!out || error) {
        std::filesystem::remove(temp, error);
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
