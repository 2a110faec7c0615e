#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "core/picture.h"
#include "effects/engine/sampler.h"

using jollix::Picture;
using jollix::sampleBilinear;

namespace {

uint32_t rgb(int r, int g, int b) { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }
int red(uint32_t c) { return int(c & 255); }
int green(uint32_t c) { return int((c >> 8) & 255); }

// Every pixel a different, irregular colour.
Picture noisy(int w, int h, uint32_t seed = 7) {
    Picture p(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, rng() & 0xFFFFFF);
    return p;
}

// The sampler's value computed directly in extended precision from the
// clamped point, channel by channel.
uint32_t reference(const Picture& p, double x, double y) {
    const int W = p.width(), H = p.height();
    if (!(0 <= y && y < H - 1)) y = y >= 0 ? H - 2 : 0;
    if (x < 0)
        x = 0;
    else if (x > W - 2)
        x = W - 2;
    const int x0 = int(std::trunc(x)), y0 = int(std::trunc(y));
    const long double wy1 = y - y0, wy0 = (y0 + 1) - y, wx1 = x - x0, wx0 = (x0 + 1) - x;
    auto ch = [&](int shift) {
        auto P = [&](int cx, int cy) { return (long double)((p.pixel(cx, cy) >> shift) & 255); };
        const long double v =
            (P(x0, y0) * wy0 + P(x0, y0 + 1) * wy1) * wx0 + (P(x0 + 1, y0) * wy0 + P(x0 + 1, y0 + 1) * wy1) * wx1;
        return uint32_t(std::nearbyint(v));
    };
    return ch(0) + 256 * ch(8) + 65536 * ch(16);
}

}  // namespace

TEST(Sampler, IntegerPointsInsideReturnThePixel) {
    const Picture p = noisy(70, 66);  // crosses a tile edge
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 69; ++x) {
            double sx = x, sy = y;
            ASSERT_EQ(sampleBilinear(p, sx, sy), p.pixel(x, y)) << x << "," << y;
            EXPECT_EQ(sx, x);
            EXPECT_EQ(sy, y);
        }
}

TEST(Sampler, LastColumnNeverContributesButLastRowDoes) {
    const Picture p = noisy(9, 7);
    const int W = 9, H = 7;
    for (int y = 0; y < H - 1; ++y) {
        double x = W - 1, sy = y;
        EXPECT_EQ(sampleBilinear(p, x, sy), p.pixel(W - 2, y));
        EXPECT_EQ(x, W - 2);
    }
    // At the last row itself the row above stands in for it ...
    for (int x = 0; x < W - 1; ++x) {
        double sx = x, y = H - 1;
        EXPECT_EQ(sampleBilinear(p, sx, y), p.pixel(x, H - 2));
        EXPECT_EQ(y, H - 2);
    }
    // ... but between the last two rows the last row is mixed in.
    Picture q(4, 4, rgb(0, 0, 0));
    for (int x = 0; x < 4; ++x) q.setPixel(x, 3, rgb(200, 100, 50));
    double x = 1, y = 2.25;
    EXPECT_EQ(sampleBilinear(q, x, y), rgb(50, 25, 12));  // 12.5 rounds to the even 12
    EXPECT_EQ(y, 2.25);
}

TEST(Sampler, MidpointIsTheRoundedMeanWithTiesToEven) {
    Picture p(6, 6, rgb(9, 9, 9));
    // Channel sums 2, 6, 10 over four pixels: means 0.5, 1.5, 2.5.
    p.setPixel(2, 3, rgb(0, 0, 0));
    p.setPixel(3, 3, rgb(1, 2, 3));
    p.setPixel(2, 4, rgb(0, 2, 3));
    p.setPixel(3, 4, rgb(1, 2, 4));
    double x = 2.5, y = 3.5;
    EXPECT_EQ(sampleBilinear(p, x, y), rgb(0, 2, 2));
    EXPECT_EQ(x, 2.5);
    EXPECT_EQ(y, 3.5);
}

TEST(Sampler, QuarterWeightTiesRoundToEven) {
    // 2 * 0.75 + 4 * 0.25 = 2.5 -> 2; 5 * 0.75 + 7 * 0.25 = 5.5 -> 6;
    // 0 * 0.75 + 2 * 0.25 = 0.5 -> 0.
    Picture p(4, 2);
    p.setPixel(0, 0, rgb(2, 5, 0));
    p.setPixel(1, 0, rgb(4, 7, 2));
    p.setPixel(0, 1, rgb(2, 5, 0));
    p.setPixel(1, 1, rgb(4, 7, 2));
    double x = 0.25, y = 0.0;
    EXPECT_EQ(sampleBilinear(p, x, y), rgb(2, 6, 0));
}

TEST(Sampler, PointsOutsideAreClampedAndWrittenBack) {
    const Picture p = noisy(12, 10);
    struct Case {
        double x, y;
        double cx, cy;
    };
    const Case cases[] = {
        {-10, -10, 0, 0}, {-0.5, 3.25, 0, 3.25}, {4.5, -3, 4.5, 0},      {50, 4, 10, 4},       {3, 10 + 5, 3, 8},
        {3, 9, 3, 8},     {3, 8.999, 3, 8.999},  {1e300, -1e300, 10, 0}, {10.5, 8.5, 10, 8.5},
    };
    for (const Case& c : cases) {
        double x = c.x, y = c.y;
        const uint32_t got = sampleBilinear(p, x, y);
        EXPECT_EQ(x, c.cx) << c.x << "," << c.y;
        EXPECT_EQ(y, c.cy) << c.x << "," << c.y;
        EXPECT_EQ(got, reference(p, c.cx, c.cy)) << c.x << "," << c.y;
    }
    double x = -10, y = -10;
    EXPECT_EQ(sampleBilinear(p, x, y), p.pixel(0, 0));
}

TEST(Sampler, MatchesExtendedPrecisionEverywhere) {
    const Picture p = noisy(131, 77, 99);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> ux(-3, 134), uy(-3, 80);
    for (int i = 0; i < 200000; ++i) {
        double x = ux(rng), y = uy(rng);
        const double x0 = x, y0 = y;
        ASSERT_EQ(sampleBilinear(p, x, y), reference(p, x0, y0)) << x0 << "," << y0;
    }
    // Points on a fine grid hit exact ties often.
    for (int yi = 0; yi < 80 * 8; ++yi)
        for (int xi = 0; xi < 133 * 8; xi += 3) {
            double x = xi / 8.0, y = yi / 8.0;
            ASSERT_EQ(sampleBilinear(p, x, y), reference(p, xi / 8.0, yi / 8.0)) << xi / 8.0 << "," << yi / 8.0;
        }
}

TEST(Sampler, OnePixelWideOrHighPicturesUseTheNearestPixel) {
    Picture col(1, 5);
    for (int y = 0; y < 5; ++y) col.setPixel(0, y, rgb(y * 40, 0, 0));
    double x = 3.7, y = 1.5;
    EXPECT_EQ(red(sampleBilinear(col, x, y)), 60);  // between rows 1 and 2
    EXPECT_EQ(x, 0);
    Picture row(5, 1);
    for (int i = 0; i < 5; ++i) row.setPixel(i, 0, rgb(0, i * 40, 0));
    x = 2.25;
    y = -7;
    EXPECT_EQ(green(sampleBilinear(row, x, y)), 90);
    EXPECT_EQ(y, 0);
    Picture dot(1, 1, rgb(1, 2, 3));
    x = 100;
    y = 100;
    EXPECT_EQ(sampleBilinear(dot, x, y), rgb(1, 2, 3));
}

TEST(Sampler, NotANumberCoordinatesArePinnedToTheFirstColumnOrRow) {
    const Picture p = noisy(8, 8);
    double x = std::nan(""), y = 2;
    EXPECT_EQ(sampleBilinear(p, x, y), p.pixel(0, 2));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 2);
    x = 3;
    y = std::nan("");
    EXPECT_EQ(sampleBilinear(p, x, y), p.pixel(3, 0));
    EXPECT_EQ(y, 0);
    x = INFINITY;
    y = -INFINITY;
    EXPECT_EQ(sampleBilinear(p, x, y), p.pixel(6, 0));
}
