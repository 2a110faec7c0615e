// The rubber's white disc.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/numeric.h"
#include "core/picture.h"
#include "effects/rubber.h"
#include "effect_test_util.h"

using effects_test::randomPicture;
using jollix::Picture;
using jollix::rubberDisc;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;

}  // namespace

TEST(RubberDisc, ShapeAtRadius25) {
    Picture src(200, 200, kBlack);
    Picture out = rubberDisc(src, 100, 100, 25);
    auto white = [&](int x, int y) { return out.pixel(x, y) == kWhite; };
    // The outermost columns have only the centre row.
    for (int e : {75, 125}) {
        for (int y = 60; y <= 140; ++y) EXPECT_EQ(white(e, y), y == 100) << e << "," << y;
    }
    EXPECT_FALSE(white(74, 100));
    EXPECT_FALSE(white(126, 100));
    // The centre column runs from cy - 25 to cy + 25.
    for (int y = 60; y <= 140; ++y) EXPECT_EQ(white(100, y), y >= 75 && y <= 125) << y;
    // Every column e gets rows cy - g .. cy + g, g = roundToInt(sqrt(r^2 - d^2)).
    long whiteCount = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) whiteCount += white(x, y);
    long expected = 0;
    for (int d = -25; d <= 25; ++d) expected += 2 * long(std::nearbyint(std::sqrt(625.0 - d * d))) + 1;
    EXPECT_EQ(whiteCount, expected);
    // Column cx + 7: g = roundToInt(sqrt(625 - 49)) = 24.
    EXPECT_TRUE(white(107, 76));
    EXPECT_FALSE(white(107, 75));
    EXPECT_TRUE(white(107, 124));
    EXPECT_FALSE(white(107, 125));
}

TEST(RubberDisc, RadiusFollowsTheZoom) {
    // Thickness 25 at 200 %: roundToInt(12.5) = 12 picture pixels.
    const int r = jollix::viewToPicture(25, 200.0);
    ASSERT_EQ(r, 12);
    Picture out = rubberDisc(Picture(60, 60, kBlack), 30, 30, r);
    EXPECT_EQ(out.pixel(42, 30), kWhite);
    EXPECT_EQ(out.pixel(42, 29), kBlack);
    EXPECT_EQ(out.pixel(43, 30), kBlack);
    EXPECT_EQ(out.pixel(30, 18), kWhite);
    EXPECT_EQ(out.pixel(30, 17), kBlack);
    // Radius 0 erases the one pixel under the pointer.
    Picture dot = rubberDisc(Picture(5, 5, kBlack), 2, 2, 0);
    Picture expected(5, 5, kBlack);
    expected.setPixel(2, 2, kWhite);
    EXPECT_EQ(dot, expected);
}

TEST(RubberDisc, DiscCrossingTheEdgeErasesOnlyInside) {
    const uint32_t grey = 0x808080;
    for (auto [cx, cy] : {std::pair{3, 2}, {-5, 20}, {47, 38}, {25, -9}, {-100, -100}, {1000, 10}}) {
        Picture src(50, 40, grey);
        Picture out = rubberDisc(src, cx, cy, 10);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 50; ++x) {
                const int d = cx - x;
                const bool inside = d * d <= 100 && std::abs(y - cy) <= int(std::nearbyint(std::sqrt(100.0 - d * d)));
                EXPECT_EQ(out.pixel(x, y), inside ? kWhite : grey) << cx << "," << cy << " " << x << "," << y;
            }
    }
}

TEST(RubberDisc, TouchesOnlyTheTilesUnderTheDisc) {
    Picture src = randomPicture(1000, 700, 5);
    const Picture before = src;
    Picture out = rubberDisc(src, 500, 350, 50);
    EXPECT_EQ(src, before);
    // A disc 101 pixels across covers at most 3 x 3 tiles of 64.
    EXPECT_GE(out.sharedTileCount(src), src.tileCount() - 9);
    EXPECT_EQ(out.pixel(500, 350), kWhite);
    EXPECT_EQ(out.pixel(0, 0), src.pixel(0, 0));
}
