#include "effects/pencil_sketch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "core/numeric.h"
#include "effects/pixel_runs.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_tones.h"

namespace jollix {

// The fractions are held in doubles between steps; each step itself is
// worked out in extended precision.
HSL rgbToHsl(int red, int green, int blue) {
    const double r = static_cast<long double>(red) / 255.0L;
    const double g = static_cast<long double>(green) / 255.0L;
    const double b = static_cast<long double>(blue) / 255.0L;
    const double mx = std::max(r, std::max(g, b));
    const double mn = std::min(r, std::min(g, b));
    const double l = (static_cast<long double>(mx) + mn) / 2.0L;
    double s = 0, h = 0;
    if (mx != mn) {
        const double delta = static_cast<long double>(mx) - mn;
        if (l < 0.5)
            s = checkedDivide(delta, static_cast<long double>(mx) + mn);
        else
            s = checkedDivide(delta, 2.0L - mx - mn);
        if (r == mx)
            h = checkedDivide(static_cast<long double>(g) - b, delta);
        else if (g == mx)
            h = checkedDivide(static_cast<long double>(b) - r, delta) + 2.0L;
        else
            h = checkedDivide(static_cast<long double>(r) - g, delta) + 4.0L;
        h = static_cast<long double>(h) / 6.0L;
        if (h < 0) h = static_cast<long double>(h) + 1.0L;
    }
    return {roundToInt(static_cast<long double>(h) * 360.0L), roundToInt(static_cast<long double>(s) * 100.0L),
            roundToInt(static_cast<long double>(l) * 100.0L)};
}

RGB hslToRgb(int hue, int saturation, int lightness) {
    RGB c{0, 0, 0};
    if (hue >= 360 || hue < 0 || saturation > 100 || saturation < 0 || lightness > 100 || lightness < 0) return c;
    // The hue wheel: 4.25 steps per degree.
    const long double a = hue;
    if (hue <= 60)
        c = {255, roundToInt(a * 4.25L), 0};
    else if (hue <= 120)
        c = {roundToInt(255.0L - (a - 60.0L) * 4.25L), 255, 0};
    else if (hue <= 180)
        c = {0, 255, roundToInt((a - 120.0L) * 4.25L)};
    else if (hue <= 240)
        c = {0, roundToInt(255.0L - (a - 180.0L) * 4.25L), 255};
    else if (hue <= 300)
        c = {roundToInt((a - 240.0L) * 4.25L), 0, 255};
    else
        c = {255, 0, roundToInt(255.0L - (a - 300.0L) * 4.25L)};

    // Saturation pulls every channel toward 128.
    const double d = std::fabs(static_cast<long double>(saturation) - 100.0L) / 100.0L;
    auto sat = [d](int x) { return roundToInt(x - (static_cast<long double>(x) - 128.0L) * d); };
    c = {sat(c.red), sat(c.green), sat(c.blue)};

    // Lightness moves them toward white or black.
    const double e = (static_cast<long double>(lightness) - 50.0L) / 50.0L;
    if (e > 0) {
        auto up = [e](int x) { return roundToInt(x + (255.0L - x) * static_cast<long double>(e)); };
        c = {up(c.red), up(c.green), up(c.blue)};
    } else if (e < 0) {
        auto down = [e](int x) { return roundToInt(x + x * static_cast<long double>(e)); };
        c = {down(c.red), down(c.green), down(c.blue)};
    }
    return c;
}

namespace {

// The colour a pixel of grey g becomes at the given contrast angle: the
// lightness of g passed through the tone line of slope tan(contrast).
RGB pencilTone(int g, int contrast) {
    g = std::clamp(g, 0, 255);
    const HSL hsl = rgbToHsl(g, g, g);
    const long double p = contrast;
    const long double t = std::tan(p * std::numbers::pi_v<long double> / 180.0L);
    int l2;
    if (contrast < 45)
        l2 = roundToInt(t * (hsl.lightness - 55)) + 100 - contrast;
    else
        l2 = roundToInt(t * (hsl.lightness - contrast - 5)) + 50;
    l2 = std::clamp(l2, 0, 100);
    return hslToRgb(hsl.hue, hsl.saturation, l2);
}

// Tile of the pencil sketch: each pixel the tone of its grey (see toneRun).
// Whether the tile came out all in the blank tone is noticed on the way.
tiles::Keep toneTile(const TileReader& edge, const tiles::TileJob& t, const pencil::ToneTables& tables, uint8_t blank) {
    bool all = true;
    band::runs(edge, t, [&](const uint8_t* p, uint8_t* o, auto bytes) {
        all &= pencil::toneRun(p, o, int(bytes) / 3, tables, blank);
    });
    return all ? tiles::Keep::Blank : tiles::Keep::Written;
}

}  // namespace

Picture pencilSketch(const Picture& edge, int contrast, Progress* progress) {
    const int w = edge.width(), h = edge.height();
    if (edge.isEmpty()) return edge;

    // Each pixel depends only on its own grey, so one table of the 256
    // outcomes serves the whole picture. It is indexed straight by the
    // weighted sum s = 30 R + 59 G + 11 B, whose grey is the integer
    // nearest to s / 100 unless s / 100 is a half; there (kExact) the
    // exact grey decides.
    //
    // The tone of a grey is a grey: a grey's saturation is 0, and hslToRgb
    // pulls every channel of a colour of saturation 0 to 128 before the
    // lightness moves them all alike. So a tone is one byte.
    std::array<uint8_t, 256> tone{};
    for (int g = 0; g < 256; ++g) tone[size_t(g)] = uint8_t(pencilTone(g, contrast).red);
    std::vector<uint16_t> toneBySum(30 * 255 + 59 * 255 + 11 * 255 + 1);
    for (size_t s = 0; s < toneBySum.size(); ++s) {
        const size_t q = s / 100, rem = s % 100;
        if (rem != 50)
            toneBySum[s] = tone[q + (rem > 50)];
        else  // halfway: either grey may be the pixel's, which matters only if their tones differ
            toneBySum[s] = tone[q] == tone[q + 1] ? tone[q] : pencil::kExactGrey;
    }

    // White edges are the most common input: tiles all in their tone share
    // one block.
    const uint8_t blank = tone[255];
    const Picture blankTile(1, 1, blank * 0x010101u);
    // What a pixel costs a core.
    constexpr parallel::PixelCost kToneCost{1.5};
    const TileReader reader(edge);
    const pencil::ToneTables tables{tone.data(), toneBySum.data()};
    return tiles::build(w, h, &blankTile, nullptr, kToneCost, progress,
                        [&](const tiles::TileJob& t) { return toneTile(reader, t, tables, blank); });
}

}  // namespace jollix
