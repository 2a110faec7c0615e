#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "effect_test_util.h"
#include "core/picture.h"
#include "effects/pen_sketch.h"

using jollix::edgePicture;
using jollix::greyOf;
using jollix::penSketch;
using jollix::Picture;

using effects_test::makePicture;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;

uint32_t invert(uint32_t c) { return ~c & 0xFFFFFF; }

// Channel k (0 blue, 1 green, 2 red) of pixel (x, y).
int channel(const Picture& p, int x, int y, int k) { return p.pixelPtr(x, y)[k]; }

}  // namespace

TEST(Grey, MatchesTheExtendedPrecisionFormulaForEveryColour) {
    int mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const long double v = (long double)r * 0.3L + (long double)g * 0.59L + (long double)b * 0.11L;
                if (greyOf(r, g, b) != int(std::nearbyint(v))) ++mismatches;
            }
    EXPECT_EQ(mismatches, 0);
}

TEST(Grey, HalfwaySumsFollowTheLastBitsOfTheSum) {
    struct Case {
        int r, g, b, grey;
    } cases[] = {
        {0, 0, 0, 0},     {255, 255, 255, 255}, {255, 0, 0, 76} /* exactly 76.5 */,
        {0, 255, 0, 150}, {0, 0, 255, 28},      {5, 0, 0, 2},  // exactly 1.5: to the even 2
        {6, 1, 1, 2},                                          // exactly 2.5: to the even 2
        {0, 5, 5, 3},                                          // 3.5 seen a hair below: 3
        {7, 2, 2, 4},                                          // 3.5 seen a hair above: 4
    };
    for (const auto& c : cases) EXPECT_EQ(greyOf(c.r, c.g, c.b), c.grey) << c.r << "," << c.g << "," << c.b;
}

TEST(PenSketch, UniformPictureHasWhiteInteriorAndInvertedBorder) {
    const uint32_t colour = 0x306090;  // inverse 0xCF9F6F, whose grey is 150
    Picture src(9, 7, colour);
    Picture edge = edgePicture(src);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool border = x == 0 || y == 0 || x == 8 || y == 6;
            EXPECT_EQ(edge.pixel(x, y), border ? invert(colour) : kWhite) << x << "," << y;
        }
    const int borderGrey = greyOf(0x6F, 0x9F, 0xCF);
    ASSERT_EQ(borderGrey, 150);
    // Below the border's grey the whole sketch is white; from it on the
    // border turns black and the interior stays white up to 254.
    for (int pressure : {1, 149, 150, 254}) {
        Picture pen = penSketch(edge, pressure);
        EXPECT_EQ(pen.pixel(0, 0), pressure < borderGrey ? kWhite : kBlack) << pressure;
        EXPECT_EQ(pen.pixel(8, 3), pressure < borderGrey ? kWhite : kBlack) << pressure;
        EXPECT_EQ(pen.pixel(4, 3), kWhite) << pressure;
    }
}

TEST(PenSketch, VerticalEdgesOfBothPolaritiesGiveALineTwoPixelsWide) {
    for (bool darkLeft : {true, false}) {
        Picture src = makePicture(10, 6, [&](int x, int) { return (x < 5) == darkLeft ? kBlack : kWhite; });
        Picture edge = edgePicture(src);
        Picture pen = penSketch(edge, 150);
        for (int y = 1; y <= 4; ++y)
            for (int x = 1; x <= 8; ++x) {
                const bool line = x == 4 || x == 5;
                EXPECT_EQ(edge.pixel(x, y), line ? kBlack : kWhite) << darkLeft << " " << x << "," << y;
                EXPECT_EQ(pen.pixel(x, y), line ? kBlack : kWhite) << darkLeft << " " << x << "," << y;
            }
    }
}

TEST(PenSketch, HorizontalEdgeIsSeenOnlyWhenDarkAbove) {
    // White above black: no difference is positive, no line.
    Picture lightAbove = makePicture(8, 10, [](int, int y) { return y < 5 ? kWhite : kBlack; });
    Picture edge = edgePicture(lightAbove);
    for (int y = 1; y <= 8; ++y)
        for (int x = 1; x <= 6; ++x) EXPECT_EQ(edge.pixel(x, y), kWhite) << x << "," << y;
    Picture pen = penSketch(edge, 150);
    for (int y = 1; y <= 8; ++y) EXPECT_EQ(pen.pixel(3, y), kWhite) << y;

    // Black above white: the bottom-minus-top difference draws two rows.
    Picture darkAbove = makePicture(8, 10, [](int, int y) { return y < 5 ? kBlack : kWhite; });
    edge = edgePicture(darkAbove);
    pen = penSketch(edge, 150);
    for (int y = 1; y <= 8; ++y) {
        const uint32_t expected = (y == 4 || y == 5) ? kBlack : kWhite;
        EXPECT_EQ(edge.pixel(3, y), expected) << y;
        EXPECT_EQ(pen.pixel(3, y), expected) << y;
    }
}

TEST(PenSketch, DirectionalDifferencesKeepTheirWeights) {
    // Left column 10, middle 0, right 5, in every channel; rows all alike.
    // Dx = 4 * 5 - 4 * 10 < 0, Dy = 0, Dl = 30 - 15 = 15 for red and blue
    // but 30 - 20 = 10 for green, whose right column weighs 1, 2, 1.
    Picture src = makePicture(3, 3, [](int x, int) {
        const uint32_t v = x == 0 ? 10 : x == 1 ? 0 : 5;
        return v | (v << 8) | (v << 16);
    });
    Picture edge = edgePicture(src);
    EXPECT_EQ(channel(edge, 1, 1, 2), 255 - 15);  // red
    EXPECT_EQ(channel(edge, 1, 1, 1), 255 - 10);  // green
    EXPECT_EQ(channel(edge, 1, 1, 0), 255 - 15);  // blue

    // Each channel is taken on its own, and the largest difference wins:
    // red rises to the right (Dx = 4 * 40), green falls downwards (only the
    // bottom-minus-top difference sees it rising: 3 * 20), blue is flat.
    Picture mixed = makePicture(3, 3, [](int x, int y) {
        const uint32_t red = 40 * x, green = 20 * y, blue = 77;
        return red | (green << 8) | (blue << 16);
    });
    edge = edgePicture(mixed);
    EXPECT_EQ(channel(edge, 1, 1, 2), 255 - 255);  // Dx = 4 * 80 clamped
    EXPECT_EQ(channel(edge, 1, 1, 1), 255 - 120);  // Dy = 3 * 40
    EXPECT_EQ(channel(edge, 1, 1, 0), 255);
    // The border keeps the picture's own colours, inverted.
    EXPECT_EQ(edge.pixel(2, 0), invert(mixed.pixel(2, 0)));
    EXPECT_EQ(edge.pixel(0, 2), invert(mixed.pixel(0, 2)));
}

TEST(PenSketch, PressureLimits) {
    // Greys 0, 1, 2, 3 and 255 side by side.
    const int greys[] = {0, 1, 2, 3, 255};
    Picture edge = makePicture(5, 1, [&](int x, int) { return uint32_t(greys[x]) * 0x010101u; });
    Picture all = penSketch(edge, 255);
    Picture light = penSketch(edge, 1);
    // Thresholds beyond the slider's range: every grey exceeds -1, none 300.
    Picture none = penSketch(edge, -1);
    Picture over = penSketch(edge, 300);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(all.pixel(x, 0), kBlack) << x;
        EXPECT_EQ(light.pixel(x, 0), greys[x] >= 2 ? kWhite : kBlack) << x;
        EXPECT_EQ(none.pixel(x, 0), kWhite) << x;
        EXPECT_EQ(over.pixel(x, 0), kBlack) << x;
    }
}

TEST(PenSketch, ThresholdUsesTheExactGreyOfHalfwayPixels) {
    // (0, 5, 5) has grey 3, (7, 2, 2) grey 4, though both weigh 3.5.
    Picture edge = makePicture(2, 1, [](int x, int) { return x == 0 ? 0x050500u : 0x020207u; });
    Picture pen = penSketch(edge, 3);
    EXPECT_EQ(pen.pixel(0, 0), kBlack);
    EXPECT_EQ(pen.pixel(1, 0), kWhite);
}

TEST(PenSketch, PicturesWithoutInteriorAreInverted) {
    std::mt19937 rng(7);
    for (auto [w, h] : {std::pair{1, 1}, {2, 9}, {9, 2}, {1, 30}, {40, 1}}) {
        Picture src = makePicture(w, h, [&](int, int) { return uint32_t(rng()) & 0xFFFFFF; });
        Picture edge = edgePicture(src);
        ASSERT_EQ(edge.width(), w);
        ASSERT_EQ(edge.height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) EXPECT_EQ(edge.pixel(x, y), invert(src.pixel(x, y)));
    }
}

TEST(PenSketch, LargeAndWidePicturesMatchThePerPixelRule) {
    // Big enough to be split in two halves, and one wider than 32768 bytes
    // a row. Every pixel is checked against the rule written out directly.
    for (auto [w, h] : {std::pair{1100, 1000}, {11000, 4}}) {
        std::mt19937 rng(w);
        std::vector<uint8_t> flat(size_t(w) * h * 3);
        // Smooth-ish content so that the differences are not all clamped.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k)
                    flat[(size_t(y) * w + x) * 3 + k] = uint8_t((x * (k + 1) + y * (3 - k)) / 3 + rng() % 24);
        Picture src = Picture::fromFlat(w, h, flat.data(), size_t(w) * 3);
        Picture edge = edgePicture(src);
        auto at = [&](int x, int y, int k) { return int(flat[(size_t(y) * w + x) * 3 + k]); };
        long bad = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) {
                    int v;
                    if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
                        v = at(x, y, k);
                    } else {
                        auto a = [&](int i) { return at(i, y - 1, k); };
                        auto b = [&](int i) { return at(i, y, k); };
                        auto c = [&](int i) { return at(i, y + 1, k); };
                        const int dx = a(x + 1) + 2 * b(x + 1) + c(x + 1) - a(x - 1) - 2 * b(x - 1) - c(x - 1);
                        const int dy = c(x - 1) + c(x) + c(x + 1) - a(x - 1) - a(x) - a(x + 1);
                        const int right = a(x + 1) + (k == 1 ? 2 : 1) * b(x + 1) + c(x + 1);
                        const int dl = a(x - 1) + b(x - 1) + c(x - 1) - right;
                        v = std::max({std::clamp(dx, 0, 255), std::clamp(dy, 0, 255), std::clamp(dl, 0, 255)});
                    }
                    bad += channel(edge, x, y, k) != 255 - v;
                }
        EXPECT_EQ(bad, 0) << w << "x" << h;

        Picture pen = penSketch(edge, 128);
        bad = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = edge.pixelPtr(x, y);
                bad += pen.pixel(x, y) != (greyOf(p[2], p[1], p[0]) > 128 ? kWhite : kBlack);
            }
        EXPECT_EQ(bad, 0) << w << "x" << h;
    }
}

TEST(PenSketch, SourceIsLeftUntouchedAndRepeatsAgree) {
    Picture src = makePicture(70, 70, [](int x, int y) { return uint32_t((x * 37) ^ (y * 91)) * 0x010203u; });
    const Picture before = src;
    Picture edge = edgePicture(src);
    EXPECT_EQ(src, before);
    const Picture edgeBefore = edge;
    EXPECT_EQ(penSketch(edge, 120), penSketch(edge, 120));
    EXPECT_EQ(edge, edgeBefore);
}
