#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "core/picture.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"

using jollix::greyOf;
using jollix::HSL;
using jollix::hslToRgb;
using jollix::pencilSketch;
using jollix::Picture;
using jollix::RGB;
using jollix::rgbToHsl;

namespace {

uint32_t greyColour(int v) { return uint32_t(v) * 0x010101u; }

// The output grey of one edge-picture grey at a contrast.
int pencilOf(int grey, int contrast) {
    Picture one(1, 1, greyColour(grey));
    const uint32_t c = pencilSketch(one, contrast).pixel(0, 0);
    EXPECT_EQ(c, greyColour(int(c & 0xFF))) << "not grey";
    return int(c & 0xFF);
}

// The grey whose lightness is L (the smallest such).
int greyWithLightness(int l) {
    for (int g = 0; g < 256; ++g)
        if (rgbToHsl(g, g, g).lightness == l) return g;
    ADD_FAILURE() << "no grey of lightness " << l;
    return 0;
}

}  // namespace

TEST(rgbToHsl, GreysAndPrimaries) {
    for (int g = 0; g < 256; ++g) {
        const HSL hsl = rgbToHsl(g, g, g);
        EXPECT_EQ(hsl.hue, 0);
        EXPECT_EQ(hsl.saturation, 0);
        EXPECT_EQ(hsl.lightness, int(std::nearbyint(100.0 * g / 255))) << g;
    }
    struct Case {
        int r, g, b;
        HSL hsl;
    } cases[] = {
        {255, 0, 0, {0, 100, 50}},      {0, 255, 0, {120, 100, 50}},   {0, 0, 255, {240, 100, 50}},
        {255, 255, 0, {60, 100, 50}},   {0, 255, 255, {180, 100, 50}}, {255, 0, 255, {300, 100, 50}},
        {255, 128, 0, {30, 100, 50}},   {128, 64, 64, {0, 33, 38}},    {64, 64, 128, {240, 33, 38}},
        {200, 220, 240, {210, 57, 86}}, {255, 0, 1, {360, 100, 50}},  // just short of a full turn
    };
    for (const auto& c : cases) {
        const HSL hsl = rgbToHsl(c.r, c.g, c.b);
        EXPECT_EQ(hsl.hue, c.hsl.hue) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(hsl.saturation, c.hsl.saturation) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(hsl.lightness, c.hsl.lightness) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(hslToRgb, HueWheelSaturationAndLightness) {
    struct Case {
        int h, s, l;
        RGB rgb;
    } cases[] = {
        // The wheel at full saturation, lightness 50; halves go to even.
        {0, 100, 50, {255, 0, 0}},
        {2, 100, 50, {255, 8, 0}},
        {30, 100, 50, {255, 128, 0}},
        {60, 100, 50, {255, 255, 0}},
        {61, 100, 50, {251, 255, 0}},
        {90, 100, 50, {128, 255, 0}},
        {120, 100, 50, {0, 255, 0}},
        {150, 100, 50, {0, 255, 128}},
        {180, 100, 50, {0, 255, 255}},
        {181, 100, 50, {0, 251, 255}},
        {240, 100, 50, {0, 0, 255}},
        {241, 100, 50, {4, 0, 255}},
        {270, 100, 50, {128, 0, 255}},
        {300, 100, 50, {255, 0, 255}},
        {301, 100, 50, {255, 0, 251}},
        {359, 100, 50, {255, 0, 4}},
        // Saturation pulls toward 128: none at 100, all the way at 0.
        {0, 0, 50, {128, 128, 128}},
        {0, 50, 50, {192, 64, 64}},
        {120, 25, 50, {96, 160, 96}},
        // Lightness: 100 white, 0 black, 75 and 25 halfway (191.5 -> 192).
        {0, 0, 100, {255, 255, 255}},
        {0, 0, 0, {0, 0, 0}},
        {0, 0, 75, {192, 192, 192}},
        {0, 0, 25, {64, 64, 64}},
        {0, 100, 75, {255, 128, 128}},
        {0, 100, 25, {128, 0, 0}},
        // Out of range: black.
        {360, 100, 50, {0, 0, 0}},
        {-1, 100, 50, {0, 0, 0}},
        {0, 101, 50, {0, 0, 0}},
        {0, -1, 50, {0, 0, 0}},
        {0, 100, 101, {0, 0, 0}},
        {0, 100, -1, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        const RGB rgb = hslToRgb(c.h, c.s, c.l);
        EXPECT_EQ(rgb.red, c.rgb.red) << c.h << "," << c.s << "," << c.l;
        EXPECT_EQ(rgb.green, c.rgb.green) << c.h << "," << c.s << "," << c.l;
        EXPECT_EQ(rgb.blue, c.rgb.blue) << c.h << "," << c.s << "," << c.l;
    }
    // Grey lightness steps: 128 + 127 (L - 50) / 50 above, 128 + 128 (L - 50) / 50 below.
    for (int l = 0; l <= 100; ++l) {
        const long double step = l > 50 ? 127.0L : 128.0L;
        const int expected = int(std::nearbyint(128.0L + step * (l - 50) / 50.0L));
        EXPECT_EQ(hslToRgb(0, 0, l).red, expected) << l;
    }
}

TEST(PencilSketch, WorkedValues) {
    struct Case {
        int contrast, grey, out;
    } cases[] = {
        // 45: the line of slope 1 passes the lightness through.
        {45, 255, 255},
        {45, 0, 0},
        {45, 128, 128},
        {45, 64, 64},
        {45, 200, 199},
        // 0: all white.
        {0, 0, 255},
        {0, 128, 255},
        {0, 255, 255},
        // 20: grey 0 -> L2 60, grey 255 -> L2 96.
        {20, 0, 153},
        {20, 255, 245},
        // 44 against 45 at grey 0: L2 3 (8) against 0.
        {44, 0, 8},
        {45, 0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(pencilOf(c.grey, c.contrast), c.out) << c.contrast << " " << c.grey;

    // 89: lightness 95 and above white, 94 mid grey, 93 and below black.
    for (int g = 0; g < 256; ++g) {
        const int l = rgbToHsl(g, g, g).lightness;
        const int expected = l >= 95 ? 255 : l == 94 ? 128 : 0;
        EXPECT_EQ(pencilOf(g, 89), expected) << g;
    }
    // Lightness 75 after the line: 191.5 goes to the even 192.
    EXPECT_EQ(pencilOf(greyWithLightness(75), 45), 192);
}

TEST(PencilSketch, ToneLineNeverLandsNearAHalf) {
    // The rounded tone line must not hinge on the last bits of the tangent:
    // for every contrast and lightness the product stays well away from a
    // half, so any correctly rounded tangent gives the same sketch.
    for (int p = 0; p <= 89; ++p) {
        const long double t = std::tan(p * std::numbers::pi_v<long double> / 180.0L);
        for (int l = 0; l <= 100; ++l) {
            const long double v = t * (p < 45 ? l - 55 : l - p - 5);
            const long double frac = std::fabs(v - std::floor(v) - 0.5L);
            EXPECT_GT(frac, 1e-9L) << p << " " << l;
        }
    }
}

TEST(PencilSketch, ColoursGoByTheirGrey) {
    // (0, 5, 5) weighs 3.5 but has grey 3; (7, 2, 2) has grey 4. At contrast 45
    // they come out as their grey's own tone.
    Picture edge(2, 1);
    edge.setPixel(0, 0, 0x050500);
    edge.setPixel(1, 0, 0x020207);
    Picture out = pencilSketch(edge, 45);
    EXPECT_EQ(out.pixel(0, 0), greyColour(pencilOf(3, 45)));
    EXPECT_EQ(out.pixel(1, 0), greyColour(pencilOf(4, 45)));
    EXPECT_NE(out.pixel(0, 0), out.pixel(1, 0));
}

TEST(PencilSketch, EveryPixelFollowsItsOwnGreyWhateverTheSize) {
    // A single row, and a picture big enough to be split in two halves.
    for (auto [w, h] : {std::pair{300, 1}, {1100, 1000}}) {
        std::mt19937 rng(w + h);
        std::vector<uint8_t> flat(size_t(w) * h * 3);
        for (auto& b : flat) b = uint8_t(rng());
        Picture edge = Picture::fromFlat(w, h, flat.data(), size_t(w) * 3);
        for (int contrast : {30, 60}) {
            // The 256 tones at this contrast, from a strip of all greys.
            Picture strip(256, 1);
            for (int g = 0; g < 256; ++g) strip.setPixel(g, 0, greyColour(g));
            const Picture tones = pencilSketch(strip, contrast);
            Picture out = pencilSketch(edge, contrast);
            long bad = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint8_t* p = edge.pixelPtr(x, y);
                    bad += out.pixel(x, y) != tones.pixel(greyOf(p[2], p[1], p[0]), 0);
                }
            EXPECT_EQ(bad, 0) << w << "x" << h << " contrast " << contrast;
        }
    }
}

TEST(PencilSketch, BlackEdgesDarkenAsTheContrastRises) {
    // At grey 0 the sketch goes from white at 0 down to black from 45 on.
    int previous = 256;
    for (int p = 0; p <= 89; ++p) {
        const int v = pencilOf(0, p);
        EXPECT_LE(v, previous) << p;
        if (p >= 45) {
            EXPECT_EQ(v, 0) << p;
        }
        previous = v;
    }
}

TEST(PencilSketch, EveryToneOfAGreyIsAGrey) {
    // The sketch keeps one byte per tone: a grey has saturation 0 at every
    // level, and any colour of saturation 0 comes back with three equal
    // channels at every hue and lightness.
    for (int g = 0; g < 256; ++g) EXPECT_EQ(rgbToHsl(g, g, g).saturation, 0) << g;
    for (int hue = 0; hue < 360; hue += 7)
        for (int lightness = 0; lightness <= 100; ++lightness) {
            const RGB c = hslToRgb(hue, 0, lightness);
            EXPECT_TRUE(c.red == c.green && c.green == c.blue) << hue << " " << lightness;
        }
}

// Every one of the 2^24 colours, at every place in a run of pixels: each
// takes the tone of its exact grey, the halfway sums included.
TEST(PencilSketch, EveryColourTakesTheToneOfItsExactGrey) {
    const int w = 4096, h = 4096;  // pixel x + w y has the colour x + w y
    Picture edge = Picture::unwritten(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) edge.setPixel(x, y, uint32_t(x + w * y));
    for (int contrast : {20, 60}) {
        Picture strip(256, 1);
        for (int g = 0; g < 256; ++g) strip.setPixel(g, 0, greyColour(g));
        const Picture tones = pencilSketch(strip, contrast);
        const Picture out = pencilSketch(edge, contrast);
        long bad = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = uint32_t(x + w * y);
                bad += out.pixel(x, y) != tones.pixel(greyOf(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16)), 0);
            }
        EXPECT_EQ(bad, 0) << "contrast " << contrast;
    }
}
