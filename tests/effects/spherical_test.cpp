#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "effect_test_util.h"
#include "core/error.h"
#include "core/picture.h"
#include "core/progress.h"
#include "effects/engine/sampler.h"
#include "effects/brushes/spherical.h"

using namespace jollix;

using effects_test::CountingProgress;

namespace {

// A picture whose colour changes sharply with any sub-pixel movement of a
// sample: red alternates 0 / 255 along x, green along y, and blue ramps
// with both, so a bilinear sample reveals where it was taken.
Picture probe(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(
                x, y,
                uint32_t(x & 1 ? 255 : 0) | (uint32_t(y & 1 ? 255 : 0) << 8) | (uint32_t((3 * x + 5 * y) & 255) << 16));
    return p;
}

// Red = x and green = y: a plain read tells which pixel was copied.
Picture coordinates(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, uint32_t(x) | (uint32_t(y) << 8) | (0x55u << 16));
    return p;
}

int channelDistance(uint32_t a, uint32_t b) {
    int m = 0;
    for (int s = 0; s < 24; s += 8) m = std::max(m, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
    return m;
}

// The colour written at (x, y) is the sample of `src` at (sx, sy), given to
// four decimals: equal up to one level per channel.
::testing::AssertionResult sampledAt(const Picture& out, const Picture& src, int x, int y, double sx, double sy) {
    const uint32_t want = sampleAt(src, sx, sy), got = out.pixel(x, y);
    if (channelDistance(want, got) <= 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") = " << std::hex << got << ", sample at ("
                                         << sx << "," << sy << ") = " << want;
}

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const JollixError& e) {
        return e.what();
    }
    return "";
}

using Brush = Picture (*)(const Picture&, int, int, int, int, Progress*);

// Rows changed in column x, as offsets from the centre row (centre row left out).
int changedHalfHeight(const Picture& out, const Picture& src, int x, int b, int up) {
    int n = 0;
    while (out.pixel(x, b + up * (n + 1)) != src.pixel(x, b + up * (n + 1)) && n < 1000) ++n;
    // Nothing changes beyond the first unchanged row.
    for (int k = n + 1; k < 60; ++k)
        if (out.pixel(x, b + up * k) != src.pixel(x, b + up * k)) return -1;
    return n;
}

const int kA = 100, kB = 90;  // brush centre on a 200 x 180 picture

}  // namespace

TEST(SphericalCap, StartValues) {
    const auto cap = detail::sphereCap(50, 15);
    EXPECT_NEAR(cap.rho, 90.833333333333, 1e-9);
    EXPECT_NEAR(cap.c, 75.833333333333, 1e-9);
    const auto small = detail::sphereCap(3, 1);
    EXPECT_EQ(small.rho, 5.0);
    EXPECT_EQ(small.c, 4.0);
}

TEST(SphericalCap, RegionHalfHeights) {
    const auto cap = detail::sphereCap(50, 15);
    struct Case {
        int dx;
        double kx;
        int expandRows;
        double k1;
        int shrinkRows;
    };
    const Case cases[] = {{1, 49.99, 49, 49.99, 49}, {30, 40.0, 39, 37.195, 36}, {49, 9.9499, 9, 8.357, 7}};
    for (const Case& c : cases) {
        const double kx = detail::sphericalExpandHalfHeight(cap, 15, c.dx);
        EXPECT_NEAR(kx, c.kx, 0.01) << c.dx;
        EXPECT_EQ(std::lround(kx) - 1, c.expandRows) << c.dx;
        for (int side : {-1, 1}) {
            const auto col = detail::sphericalShrinkColumn(cap, kA, kA + side * c.dx);
            EXPECT_NEAR(col.K1, c.k1, 0.01) << c.dx;
            EXPECT_EQ(std::lround(col.K1) - 1, c.shrinkRows) << c.dx;
            EXPECT_NEAR(col.D1, std::sqrt(cap.c * cap.c + c.dx * c.dx), 1e-12);
        }
    }
}

TEST(SphericalExpand, QuadrantSourcePoints) {
    const Picture src = probe(200, 180);
    const Picture out = sphericalExpand(src, kA, kB, 50, 15);
    struct Case {
        int dx, dy;
        double sx, sy;
    };
    const Case cases[] = {{10, 10, 8.4517, 8.4517}, {20, 40, 19.1834, 38.3668}, {40, 20, 38.3668, 19.1834}};
    for (const Case& c : cases)
        for (int sxs : {-1, 1})
            for (int sys : {-1, 1})
                EXPECT_TRUE(sampledAt(out, src, kA + sxs * c.dx, kB + sys * c.dy, kA + sxs * c.sx, kB + sys * c.sy));
}

TEST(SphericalShrink, QuadrantSourcePoints) {
    const Picture src = probe(200, 180);
    const Picture out = sphericalShrink(src, kA, kB, 50, 15);
    struct Case {
        int dx, dy;
        double sx, sy;
    };
    const Case cases[] = {{10, 10, 11.7733, 11.7733}, {20, 40, 20.4885, 40.9769}, {40, 20, 40.9769, 20.4885}};
    for (const Case& c : cases)
        for (int sxs : {-1, 1})
            for (int sys : {-1, 1})
                EXPECT_TRUE(sampledAt(out, src, kA + sxs * c.dx, kB + sys * c.dy, kA + sxs * c.sx, kB + sys * c.sy));
}

TEST(SphericalBrushes, CentreLinesCopyTheNearestPixel) {
    const Picture src = coordinates(200, 180);
    struct Case {
        Brush brush;
        int d;
        int from;
    };
    const Case cases[] = {
        {sphericalExpand, 10, 8},  {sphericalExpand, 30, 27}, {sphericalExpand, 49, 49},
        {sphericalShrink, 10, 12}, {sphericalShrink, 1, 1},
    };
    for (const Case& c : cases) {
        const Picture out = c.brush(src, kA, kB, 50, 15, nullptr);
        for (int s : {-1, 1}) {
            EXPECT_EQ(out.pixel(kA - s * c.d, kB), src.pixel(kA - s * c.from, kB)) << c.d;
            EXPECT_EQ(out.pixel(kA, kB - s * c.d), src.pixel(kA, kB - s * c.from)) << c.d;
        }
        EXPECT_EQ(out.pixel(kA, kB), src.pixel(kA, kB));
    }
}

TEST(SphericalExpand, CentreLineTiesRoundToEven) {
    // R = 8, H = 4: rho = 10, c = 6, and at offset 6 the source lies exactly
    // 36 / 8 = 4.5 pixels from the centre.
    const Picture src = coordinates(60, 60);
    for (int a : {30, 31}) {
        const Picture out = sphericalExpand(src, a, 30, 8, 4);
        const int even = a % 2 == 0;
        // a - 4.5 and a + 4.5 go to the even neighbour.
        EXPECT_EQ(out.pixel(a - 6, 30), src.pixel(even ? a - 4 : a - 5, 30)) << a;
        EXPECT_EQ(out.pixel(a + 6, 30), src.pixel(even ? a + 4 : a + 5, 30)) << a;
    }
    const Picture out = sphericalExpand(src, 30, 31, 8, 4);
    EXPECT_EQ(out.pixel(30, 25), src.pixel(30, 26));  // 26.5 -> 26
    EXPECT_EQ(out.pixel(30, 37), src.pixel(30, 36));  // 35.5 -> 36
}

TEST(SphericalBrushes, RegionSizesAtRadius50) {
    const Picture src = probe(200, 180);
    struct Case {
        Brush brush;
        int dx;
        int rows;
    };
    const Case cases[] = {
        {sphericalExpand, 1, 49}, {sphericalExpand, 30, 39}, {sphericalExpand, 49, 9},
        {sphericalShrink, 1, 49}, {sphericalShrink, 30, 36}, {sphericalShrink, 49, 7},
    };
    for (const Case& c : cases) {
        const Picture out = c.brush(src, kA, kB, 50, 15, nullptr);
        for (int side : {-1, 1})
            for (int up : {-1, 1}) EXPECT_EQ(changedHalfHeight(out, src, kA + side * c.dx, kB, up), c.rows) << c.dx;
    }
    // Nothing changes at or beyond the radius.
    for (Brush brush : {sphericalExpand, sphericalShrink}) {
        const Picture out = brush(src, kA, kB, 50, 15, nullptr);
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 200; ++x) {
                const int dx = kA - x, dy = kB - y;
                if (std::abs(dx) >= 50 || std::abs(dy) >= 50 || dx * dx + dy * dy >= 2500) {
                    ASSERT_EQ(out.pixel(x, y), src.pixel(x, y)) << x << "," << y;
                }
            }
    }
}

TEST(SphericalBrushes, MinimalBrushResamplesTwelvePixels) {
    const Picture src = probe(20, 20);
    struct Case {
        Brush brush;
        double s11, s12a, s12b;
    };
    const Case cases[] = {{sphericalExpand, 0.8341, 0.8944, 1.7889}, {sphericalShrink, 1.1765, 1.0847, 2.1693}};
    for (const Case& c : cases) {
        const Picture out = c.brush(src, 10, 10, 3, 1, nullptr);
        int changed = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const int dx = std::abs(x - 10), dy = std::abs(y - 10);
                const bool quadrant = dx >= 1 && dy >= 1 && dx + dy <= 3;
                EXPECT_EQ(out.pixel(x, y) != src.pixel(x, y), quadrant) << x << "," << y;
                changed += quadrant;
            }
        EXPECT_EQ(changed, 12);
        for (int sx : {-1, 1})
            for (int sy : {-1, 1}) {
                EXPECT_TRUE(sampledAt(out, src, 10 + sx, 10 + sy, 10 + sx * c.s11, 10 + sy * c.s11));
                EXPECT_TRUE(sampledAt(out, src, 10 + sx, 10 + 2 * sy, 10 + sx * c.s12a, 10 + sy * c.s12b));
                EXPECT_TRUE(sampledAt(out, src, 10 + 2 * sx, 10 + sy, 10 + sx * c.s12b, 10 + sy * c.s12a));
            }
    }
}

TEST(SphericalBrushes, RadiusOneOrLessChangesNothing) {
    const Picture src = probe(30, 30);
    for (Brush brush : {sphericalExpand, sphericalShrink})
        for (int R : {-3, 0, 1}) {
            CountingProgress progress;
            const Picture out = brush(src, 15, 15, R, 1, &progress);
            EXPECT_EQ(out, src);
            EXPECT_EQ(progress.steps, 0);
            EXPECT_EQ(progress.finishes, 1);
        }
}

TEST(SphericalBrushes, Failures) {
    const Picture src = probe(30, 30);
    for (Brush brush : {sphericalExpand, sphericalShrink}) {
        CountingProgress progress;
        EXPECT_EQ(messageOf([&] { brush(src, 15, 15, 50, 0, &progress); }), "Floating point division by zero");
        EXPECT_EQ(messageOf([&] { brush(src, 15, 15, 1, 0, &progress); }), "Floating point division by zero");
        // R = H = 0 makes rho a 0 / 0.
        EXPECT_EQ(messageOf([&] { brush(src, 15, 15, 0, 0, &progress); }), "Invalid floating point operation");
        EXPECT_EQ(progress.steps + progress.finishes, 0);
    }
}

TEST(SphericalBrushes, ProgressSteps) {
    const Picture src = probe(64, 64);
    CountingProgress expand, shrink;
    sphericalExpand(src, 30, 30, 20, 6, &expand);
    sphericalShrink(src, 30, 30, 20, 6, &shrink);
    EXPECT_EQ(expand.steps, 4 * 19);
    EXPECT_EQ(expand.finishes, 1);
    EXPECT_EQ(shrink.steps, 2 * 19);
    EXPECT_EQ(shrink.finishes, 1);
    // Columns outside the picture still count.
    CountingProgress edge;
    sphericalExpand(src, 0, 0, 20, 6, &edge);
    EXPECT_EQ(edge.steps, 4 * 19);
}

TEST(SphericalBrushes, PressPointNeverChangesAndApplicationsCompound) {
    const Picture src = probe(120, 120);
    Picture work = src, once;
    for (int i = 0; i < 6; ++i) {
        work = sphericalExpand(work, 60, 61, 40, 12);
        if (i == 0) once = work;
        EXPECT_EQ(work.pixel(60, 61), src.pixel(60, 61));
    }
    EXPECT_NE(work, once);
    for (int i = 0; i < 6; ++i) {
        work = sphericalShrink(work, 60, 61, 40, 12);
        EXPECT_EQ(work.pixel(60, 61), src.pixel(60, 61));
    }
    // Expand then Shrink does not give the picture back.
    EXPECT_NE(sphericalShrink(sphericalExpand(src, 60, 61, 40, 12), 60, 61, 40, 12), src);
}

TEST(SphericalBrushes, SourceIsLeftAloneAndUntouchedTilesAreShared) {
    const Picture src = probe(640, 640);  // 10 x 10 tiles
    const Picture before = src;
    for (Brush brush : {sphericalExpand, sphericalShrink}) {
        const Picture out = brush(src, 320, 320, 40, 12, nullptr);
        EXPECT_EQ(src, before);
        EXPECT_NE(out, src);
        // The disc of radius 40 around a tile corner touches 4 tiles.
        EXPECT_EQ(out.sharedTileCount(src), src.tileCount() - 4);
    }
}

TEST(SphericalBrushes, NearTheEdgeOnlyInsidePixelsChange) {
    const Picture src = probe(120, 100);
    // Expand at a corner: its sources stay between the centre and the pixel.
    const Picture ex = sphericalExpand(src, 0, 0, 50, 15);
    EXPECT_TRUE(sampledAt(ex, src, 10, 10, 8.4517, 8.4517));
    EXPECT_TRUE(sampledAt(ex, src, 20, 40, 19.1834, 38.3668));
    EXPECT_EQ(ex.pixel(0, 0), src.pixel(0, 0));
    EXPECT_EQ(ex.pixel(10, 0), src.pixel(8, 0));
    // Shrink near the left edge: sources beyond it are clamped by the sampler.
    const Picture sh = sphericalShrink(src, 2, 50, 50, 15);
    const double c = detail::sphereCap(50, 15).c, rho = detail::sphereCap(50, 15).rho;
    for (int x : {0, 1, 5}) {
        for (int y : {40, 45, 60}) {
            const int dx = 2 - x, dy = 50 - y;
            if (dx == 0) continue;
            const double k = c * rho / (std::sqrt(c * c + dx * dx) * std::sqrt(c * c + dy * dy));
            EXPECT_TRUE(sampledAt(sh, src, x, y, 2 - k * dx, 50 - k * dy));
        }
    }
    // Shrink near the right and bottom edges: the centre lines read the
    // nearest pixel of a source clamped into the picture.
    const Picture coords = coordinates(120, 100);
    const Picture sh2 = sphericalShrink(coords, 110, 90, 50, 15);
    EXPECT_EQ(sh2.pixel(119, 90), coords.pixel(119, 90));  // source 120.9 clamped to 119
    EXPECT_EQ(sh2.pixel(110, 99), coords.pixel(110, 99));  // source 100.7 clamped to 99
    EXPECT_EQ(sh2.pixel(100, 90), coords.pixel(98, 90));
}

TEST(SphericalBrushes, CentreOutsideThePictureIsHandled) {
    const Picture src = coordinates(100, 80);
    for (Brush brush : {sphericalExpand, sphericalShrink}) {
        for (int a : {-5, 104}) {
            const Picture out = brush(src, a, 40, 30, 9, nullptr);
            EXPECT_EQ(out.width(), 100);
            // The centre row copies pixels of the picture, never anything from outside.
            for (int x = 0; x < 100; ++x) EXPECT_EQ(out.pixel(x, 40) >> 16, 0x55u) << a << "," << x;
        }
    }
}

TEST(SphericalBrushes, HugeRadiusOnASmallPictureStaysWithinThePicture) {
    // A far zoomed-out view gives radii far beyond the picture; the work and
    // memory follow the pixels that can change.
    const Picture src = probe(60, 40);
    for (Brush brush : {sphericalExpand, sphericalShrink}) {
        CountingProgress progress;
        const Picture out = brush(src, 30, 20, 200000, 60000, &progress);
        EXPECT_EQ(progress.steps, brush == sphericalExpand ? 4 * 199999 : 2 * 199999);
        EXPECT_NE(out, src);
        EXPECT_EQ(out.pixel(30, 20), src.pixel(30, 20));
    }
    // Near the centre of such a flat cap Expand magnifies by c / rho.
    const auto cap = detail::sphereCap(200000, 60000);
    const Picture ex = sphericalExpand(src, 30, 20, 200000, 60000);
    const double q = cap.c / std::sqrt(cap.rho * cap.rho - 200.0);
    EXPECT_TRUE(sampledAt(ex, src, 20, 10, 30 - 10 * q, 20 - 10 * q));
}
