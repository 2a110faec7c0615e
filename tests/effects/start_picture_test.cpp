#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>

#include "effects/start_picture.h"

using jollix::Picture;
using jollix::startPicture;

namespace {

int red(uint32_t c) { return int(c & 0xFF); }
int green(uint32_t c) { return int((c >> 8) & 0xFF); }
int blue(uint32_t c) { return int((c >> 16) & 0xFF); }

}  // namespace

TEST(StartPicture, SizeAndIndependentCopies) {
    Picture p = startPicture();
    EXPECT_EQ(p.width(), 605);
    EXPECT_EQ(p.height(), 469);
    // Editing one copy leaves the next start picture as it was.
    const uint32_t before = p.pixel(300, 200);
    p.setPixel(300, 200, before ^ 0xFFFFFF);
    EXPECT_EQ(startPicture().pixel(300, 200), before);
    EXPECT_NE(startPicture(), p);
}

TEST(StartPicture, ColourfulAndDetailed) {
    const Picture p = startPicture();
    std::set<uint32_t> colours;
    long sharpEdges = 0, dark = 0, light = 0;
    long reddish = 0, greenish = 0, bluish = 0, greyish = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint32_t c = p.pixel(x, y);
            colours.insert(c);
            const int r = red(c), g = green(c), b = blue(c);
            const int sum = r + g + b;
            dark += sum < 120;
            light += sum > 690;
            reddish += r > 180 && g < 90 && b < 90;
            greenish += g > 140 && r < 120 && b < 120;
            bluish += b > 180 && r < 120 && g < 170;
            greyish += std::abs(r - g) < 6 && std::abs(g - b) < 6 && sum > 150 && sum < 600;
            if (x + 1 < p.width()) {
                const uint32_t n = p.pixel(x + 1, y);
                sharpEdges += std::abs(r - red(n)) + std::abs(g - green(n)) + std::abs(b - blue(n)) > 150;
            }
        }
    // Gradients and smooth shapes give thousands of colours.
    EXPECT_GT(colours.size(), 5000u);
    // Outlines, letters, the checkerboard: plenty of hard edges.
    EXPECT_GT(sharpEdges, 3000);
    // Some of everything a brush or a sketch could act on.
    const long total = long(p.width()) * p.height();
    for (long n : {dark, light, reddish, greenish, bluish, greyish}) {
        EXPECT_GT(n, total / 500);
        EXPECT_LT(n, total / 2);
    }
}

TEST(StartPicture, NoLargeUniformArea) {
    // Every 64 x 64 block away from the borders has some variation, so a
    // brush shows wherever it is applied.
    const Picture p = startPicture();
    for (int by = 0; by + 64 <= p.height(); by += 64)
        for (int bx = 0; bx + 64 <= p.width(); bx += 64) {
            std::set<uint32_t> colours;
            for (int y = by; y < by + 64; ++y)
                for (int x = bx; x < bx + 64; ++x) colours.insert(p.pixel(x, y));
            EXPECT_GT(colours.size(), 8u) << bx << "," << by;
        }
}

// The picture the build kept is the drawing, pixel for pixel.
TEST(StartPicture, KeptAsDrawn) { EXPECT_EQ(startPicture(), jollix::drawStartPicture()); }
