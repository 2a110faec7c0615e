#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "effect_test_util.h"
#include "core/error.h"
#include "core/picture.h"
#include "core/progress.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/engine/sampler.h"

using namespace jollix;

using effects_test::CountingProgress;

namespace {

// Red alternates 0 / 255 along x, green along y, blue ramps with both: a
// bilinear sample shows where it was taken to a fraction of a pixel.
Picture probe(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(
                x, y,
                uint32_t(x & 1 ? 255 : 0) | (uint32_t(y & 1 ? 255 : 0) << 8) | (uint32_t((3 * x + 5 * y) & 255) << 16));
    return p;
}

Picture coordinates(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, uint32_t(x) | (uint32_t(y) << 8) | (0x55u << 16));
    return p;
}

Picture transposed(const Picture& p) {
    Picture t(p.height(), p.width());
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) t.setPixel(y, x, p.pixel(x, y));
    return t;
}

Picture smoothNoise(int w, int h) {
    Picture p(w, h);
    std::mt19937 rng(3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y,
                       uint32_t((x * 5 + int(rng() % 7)) & 255) | (uint32_t((y * 3 + x) & 255) << 8) |
                           (uint32_t(rng() & 255) << 16));
    return p;
}

int channelDistance(uint32_t a, uint32_t b) {
    int m = 0;
    for (int s = 0; s < 24; s += 8) m = std::max(m, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
    return m;
}

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

// The changed pixels of column x (or of row y when `alongRow`) as offsets
// from the centre, the centre itself left out: returns the set as a string
// like "-49..-1,1..49" for compact comparison.
std::string changedSpan(const Picture& out, const Picture& src, int line, int centre, bool alongRow) {
    std::string s;
    int start = 0;
    bool in = false;
    for (int off = -70; off <= 71; ++off) {
        const int x = alongRow ? centre + off : line, y = alongRow ? line : centre + off;
        const bool changed = off <= 70 && out.pixel(x, y) != src.pixel(x, y);
        if (changed && !in) {
            start = off;
            in = true;
        } else if (!changed && in) {
            if (!s.empty()) s += ",";
            s += std::to_string(start) + ".." + std::to_string(off - 1);
            in = false;
        }
    }
    return s;
}

const int kX = 100, kY = 90;  // brush centre on a 200 x 180 picture

}  // namespace

TEST(AxisStretch, WorkedSourcePoints) {
    const Picture src = probe(200, 180);
    const double e = 8.4517, s = 11.7733;
    for (int sx : {-1, 1})
        for (int sy : {-1, 1}) {
            const int x = kX + 10 * sx, y = kY + 10 * sy;
            EXPECT_TRUE(sampledAt(verticalExpand(src, kX, kY, 50, 15), src, x, y, x, kY + sy * e));
            EXPECT_TRUE(sampledAt(horizontalExpand(src, kX, kY, 50, 15), src, x, y, kX + sx * e, y));
            EXPECT_TRUE(sampledAt(verticalShrink(src, kX, kY, 50, 15), src, x, y, x, kY + sy * s));
            EXPECT_TRUE(sampledAt(horizontalShrink(src, kX, kY, 50, 15), src, x, y, kX + sx * s, y));
        }
    // Off the diagonal the source coordinate is the spherical brushes' one.
    EXPECT_TRUE(sampledAt(verticalExpand(src, kX, kY, 50, 15), src, kX - 20, kY - 40, kX - 20, kY - 38.3668));
    EXPECT_TRUE(sampledAt(horizontalExpand(src, kX, kY, 50, 15), src, kX - 20, kY - 40, kX - 19.1834, kY - 40));
    EXPECT_TRUE(sampledAt(verticalShrink(src, kX, kY, 50, 15), src, kX - 20, kY - 40, kX - 20, kY - 40.9769));
    EXPECT_TRUE(sampledAt(horizontalShrink(src, kX, kY, 50, 15), src, kX - 20, kY - 40, kX - 20.4885, kY - 40));
}

TEST(AxisStretch, CentreLinesAreSampledBilinearly) {
    const Picture src = probe(200, 180);
    const double rho = detail::axisRho(50, 15), d = rho - 15;
    // Expand: the centre column is stretched like any other column, with
    // t = 0: source row Y + d * u / sqrt(rho^2 - u^2).
    const Picture ve = verticalExpand(src, kX, kY, 50, 15);
    EXPECT_TRUE(sampledAt(ve, src, kX, kY - 20, kX, kY - d * 20 / std::sqrt(rho * rho - 400)));
    const Picture he = horizontalExpand(src, kX, kY, 50, 15);
    EXPECT_TRUE(sampledAt(he, src, kX + 20, kY, kX + d * 20 / std::sqrt(rho * rho - 400), kY));
    // Shrink: the centre line is sampled bilinearly (11.8752, not 12).
    const Picture vs = verticalShrink(src, kX, kY, 50, 15);
    EXPECT_TRUE(sampledAt(vs, src, kX, kY - 10, kX, kY - 11.8752));
    EXPECT_TRUE(sampledAt(vs, src, kX, kY + 1, kX, kY + 1.1977));
    const Picture hs = horizontalShrink(src, kX, kY, 50, 15);
    EXPECT_TRUE(sampledAt(hs, src, kX - 10, kY, kX - 11.8752, kY));
    EXPECT_TRUE(sampledAt(hs, src, kX + 1, kY, kX + 1.1977, kY));
}

TEST(AxisStretch, LineTermsAtRadius50) {
    const double rho = detail::axisRho(50, 15);
    EXPECT_NEAR(rho, 90.833333333333, 1e-9);
    const auto ex = detail::axisExpandLine(rho, 15, 10);
    EXPECT_NEAR(ex.B, 48.9898, 1e-4);
    EXPECT_NEAR(ex.F - ex.h, rho - 15, 1e-12);
    const auto centre = detail::axisExpandLine(rho, 15, 0);
    EXPECT_NEAR(centre.h, 15, 1e-12);
    EXPECT_NEAR(centre.B, 50, 1e-9);
    for (int t : {10, -10}) {
        const auto sh = detail::axisShrinkLine(rho, 15, kX - t, t);
        EXPECT_NEAR(sh.H, 48.5693, 1e-4) << t;
        EXPECT_NEAR(sh.E, (rho - 15) * rho / std::sqrt((rho - 15) * (rho - 15) + 100), 1e-9) << t;
    }
    EXPECT_NEAR(detail::axisShrinkLine(rho, 15, kX - 30, 30).H, 37.195, 1e-3);
    EXPECT_NEAR(detail::axisShrinkLine(rho, 15, kX + 49, -49).H, 8.357, 1e-3);
}

TEST(AxisStretch, PixelSetsOfTheWorkedColumn) {
    const Picture src = probe(200, 180);
    // Column X - 10 (row Y - 10 for the horizontal expand): the expand
    // writes offsets -49 .. 49 (row Y keeps its colour, its displacement
    // being zero), the shrink -48 .. 48 without row Y.
    EXPECT_EQ(changedSpan(verticalExpand(src, kX, kY, 50, 15), src, kX - 10, kY, false), "-49..-1,1..49");
    EXPECT_EQ(changedSpan(horizontalExpand(src, kX, kY, 50, 15), src, kY - 10, kX, true), "-49..-1,1..49");
    EXPECT_EQ(changedSpan(verticalShrink(src, kX, kY, 50, 15), src, kX - 10, kY, false), "-48..-1,1..48");
    // The horizontal shrink visits the vertical shrink's columns (row Y
    // there belongs to its centre row).
    EXPECT_EQ(changedSpan(horizontalShrink(src, kX, kY, 50, 15), src, kX - 10, kY, false), "-48..48");
    EXPECT_EQ(changedSpan(horizontalShrink(src, kX, kY, 50, 15), src, kX + 30, kY, false), "-36..36");
    // Centre lines: the shrinks move the whole centre line but the ends.
    EXPECT_EQ(changedSpan(verticalShrink(src, kX, kY, 50, 15), src, kX, kY, false), "-49..-1,1..49");
    EXPECT_EQ(changedSpan(horizontalShrink(src, kX, kY, 50, 15), src, kY, kX, true), "-49..-1,1..49");
    // Nothing beyond the radius changes; the expand's lines end at the
    // rounded half-length, up to half a pixel beyond it
    // (t^2 + u^2 <= R^2 + B + 1/4).
    for (Brush brush : {verticalExpand, horizontalExpand, verticalShrink, horizontalShrink}) {
        const Picture out = brush(src, kX, kY, 50, 15, nullptr);
        const bool expand = brush == verticalExpand || brush == horizontalExpand;
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 200; ++x) {
                const int t = kX - x, u = kY - y;
                if (t * t + u * u > (expand ? 2550 : 2500)) {
                    ASSERT_EQ(out.pixel(x, y), src.pixel(x, y)) << x << "," << y;
                }
            }
    }
}

TEST(AxisStretch, RadiusZeroAndOne) {
    const Picture src = coordinates(40, 40);
    // R = 0 comes with S = 0: the expand visits nothing, the shrink forms
    // rho = 0 / 0 before its loops.
    for (Brush brush : {verticalExpand, horizontalExpand}) {
        CountingProgress progress;
        EXPECT_EQ(brush(src, 20, 20, 0, 0, &progress), src);
        EXPECT_EQ(progress.steps, 0);
        EXPECT_EQ(progress.finishes, 1);
    }
    for (Brush brush : {verticalShrink, horizontalShrink}) {
        CountingProgress progress;
        EXPECT_EQ(messageOf([&] { brush(src, 20, 20, 0, 0, &progress); }), "Invalid floating point operation");
        EXPECT_EQ(progress.steps + progress.finishes, 0);
    }
    // R = 1, S = 2 (rho = 1.25, d = -0.75): the expand visits the three
    // pixels of the centre line and mirrors the outer two.
    const Picture v = verticalExpand(src, 20, 20, 1, 2);
    EXPECT_EQ(v.pixel(20, 19), src.pixel(20, 21));
    EXPECT_EQ(v.pixel(20, 21), src.pixel(20, 19));
    Picture expected = src;
    expected.setPixel(20, 19, src.pixel(20, 21));
    expected.setPixel(20, 21, src.pixel(20, 19));
    EXPECT_EQ(v, expected);
    EXPECT_EQ(transposed(horizontalExpand(transposed(src), 20, 20, 1, 2)), expected);
    // R = 1 with S = 1 (d = 0): the outer two have no positive root and keep
    // their colours.
    EXPECT_EQ(verticalExpand(src, 20, 20, 1, 1), src);
    // The shrink visits nothing at R = 1.
    for (Brush brush : {verticalShrink, horizontalShrink})
        for (int S : {1, 2}) EXPECT_EQ(brush(src, 20, 20, 1, S, nullptr), src);
}

TEST(AxisStretch, ZeroStrengthFailsBeforeWriting) {
    const Picture src = probe(40, 40);
    for (Brush brush : {verticalExpand, horizontalExpand, verticalShrink, horizontalShrink})
        for (int R : {1, 20}) {
            CountingProgress progress;
            EXPECT_EQ(messageOf([&] { brush(src, 20, 20, R, 0, &progress); }), "Floating point division by zero");
            EXPECT_EQ(progress.steps + progress.finishes, 0);
        }
}

TEST(AxisStretch, ExpandLeavesPixelsWithoutAPositiveRoot) {
    // R = 5, S = 4: d = 1.125; the column at t = 2 (B = 4.583) reaches the
    // rows at |i - Y| = 5, where F^2 - G^2 = -2.73. Those keep their colour
    // and the rest of the patch is still written.
    const double rho = detail::axisRho(5, 4);
    EXPECT_EQ(rho, 5.125);
    const auto line = detail::axisExpandLine(rho, 4, 2);
    EXPECT_NEAR(line.B, 4.583, 1e-3);
    EXPECT_NEAR(line.F * line.F - 25, -2.73, 0.01);
    const Picture src = probe(40, 40);
    const Picture v = verticalExpand(src, 20, 20, 5, 4);
    const Picture h = horizontalExpand(src, 20, 20, 5, 4);
    for (int s : {-2, 2})
        for (int u : {-5, 5}) {
            EXPECT_EQ(v.pixel(20 + s, 20 + u), src.pixel(20 + s, 20 + u));
            EXPECT_EQ(h.pixel(20 + u, 20 + s), src.pixel(20 + u, 20 + s));
        }
    // t = 1 reaches |u| = 5 too, with a small positive root.
    const double d = rho - 4;
    const auto l1 = detail::axisExpandLine(rho, 4, 1);
    const double root = std::sqrt(l1.F * l1.F - 25);
    EXPECT_TRUE(sampledAt(v, src, 19, 15, 19, 20 - d * 5 / root));
    EXPECT_TRUE(sampledAt(h, src, 15, 19, 20 - d * 5 / root, 19));
    EXPECT_NE(v, src);
}

TEST(AxisStretch, StrengthAboveRadiusMirrorsThePatch) {
    // R = 3, S = 5: d < 0 and the centre column's ends swap.
    const Picture src = coordinates(30, 30);
    const Picture v = verticalExpand(src, 15, 15, 3, 5);
    EXPECT_EQ(v.pixel(15, 12), src.pixel(15, 18));
    EXPECT_EQ(v.pixel(15, 18), src.pixel(15, 12));
    EXPECT_EQ(v.pixel(15, 15), src.pixel(15, 15));
    const Picture h = horizontalExpand(src, 15, 15, 3, 5);
    EXPECT_EQ(h.pixel(12, 15), src.pixel(18, 15));
    EXPECT_EQ(h.pixel(18, 15), src.pixel(12, 15));
}

TEST(AxisStretch, HorizontalIsTheTransposedVertical) {
    const Picture src = smoothNoise(200, 180);
    const Picture t = transposed(src);
    const Picture he = horizontalExpand(src, kX, kY, 50, 15);
    const Picture ve = transposed(verticalExpand(t, kY, kX, 50, 15));
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_LE(channelDistance(he.pixel(x, y), ve.pixel(x, y)), 1) << x << "," << y;
    // The shrinks agree apart from the rim of the lens, where one of them
    // leaves a pixel that the other writes.
    const Picture hs = horizontalShrink(src, kX, kY, 50, 15);
    const Picture vs = transposed(verticalShrink(t, kY, kX, 50, 15));
    const double d = detail::axisRho(50, 15) - 15;
    int rimDifferences = 0;
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 200; ++x) {
            const double tt = kX - x, u = kY - y;
            const double lens = d * d * (tt * tt + u * u) + tt * tt * u * u;
            const int dist = channelDistance(hs.pixel(x, y), vs.pixel(x, y));
            if (lens < 0.9 * d * d * 2500) {
                ASSERT_LE(dist, 1) << x << "," << y;
            } else if (dist > 1) {
                ++rimDifferences;
                ASSERT_TRUE(hs.pixel(x, y) == src.pixel(x, y) || vs.pixel(x, y) == src.pixel(x, y)) << x << "," << y;
            }
        }
    EXPECT_LT(rimDifferences, 100);
}

TEST(AxisStretch, ProgressSteps) {
    const Picture src = probe(64, 64);
    struct Case {
        Brush brush;
        int steps;
    };
    const Case cases[] = {{verticalExpand, 2 * 20 - 1},
                          {horizontalExpand, 2 * 20 - 1},
                          {verticalShrink, 2 * 19},
                          {horizontalShrink, 2 * 19}};
    for (const Case& c : cases)
        for (int centre : {30, 0, -10}) {  // lines outside the picture count too
            CountingProgress progress;
            c.brush(src, centre, 30, 20, 6, &progress);
            EXPECT_EQ(progress.steps, c.steps);
            EXPECT_EQ(progress.finishes, 1);
        }
}

TEST(AxisStretch, NearTheEdge) {
    const Picture src = probe(120, 100);
    // Shrink near the top: sources above row 0 are clamped by the sampler.
    const double rho = detail::axisRho(30, 9), d = rho - 9;
    const Picture vs = verticalShrink(src, 50, 3, 30, 9);
    for (int x : {45, 50, 58})
        for (int y : {0, 1, 2, 10}) {
            const double t = 50 - x, u = 3 - y;
            const double E = x == 50 ? rho : d * rho / std::sqrt(d * d + t * t);
            EXPECT_TRUE(sampledAt(vs, src, x, y, x, 3 - E * u / std::sqrt(d * d + u * u))) << x << "," << y;
        }
    // The expand at the last column: the sampler reads column W - 2 for
    // x = W - 1, so even the centre row of that column takes its
    // neighbour's colour.
    const Picture coords = coordinates(120, 100);
    const Picture ve = verticalExpand(coords, 119, 50, 30, 9);
    EXPECT_EQ(ve.pixel(119, 50), coords.pixel(118, 50));
    EXPECT_EQ(ve.pixel(118, 50), coords.pixel(118, 50));
    // Only pixels inside change; the size stays.
    const Picture he = horizontalExpand(src, -3, 98, 30, 9);
    EXPECT_EQ(he.width(), 120);
    EXPECT_EQ(he.height(), 100);
    EXPECT_EQ(he.pixel(60, 50), src.pixel(60, 50));
}

TEST(AxisStretch, PressPointKeptAndApplicationsCompound) {
    const Picture src = probe(120, 120);
    for (Brush brush : {verticalExpand, horizontalExpand, verticalShrink, horizontalShrink}) {
        Picture work = src;
        const Picture once = brush(src, 60, 61, 40, 12, nullptr);
        for (int i = 0; i < 4; ++i) {
            work = brush(work, 60, 61, 40, 12, nullptr);
            EXPECT_EQ(work.pixel(60, 61), src.pixel(60, 61));
        }
        EXPECT_NE(work, once);
    }
}

TEST(AxisStretch, SourceIsLeftAloneAndUntouchedTilesAreShared) {
    const Picture src = probe(640, 640);
    const Picture before = src;
    for (Brush brush : {verticalExpand, horizontalExpand, verticalShrink, horizontalShrink}) {
        const Picture out = brush(src, 320, 320, 40, 12, nullptr);
        EXPECT_EQ(src, before);
        EXPECT_NE(out, src);
        EXPECT_EQ(out.sharedTileCount(src), src.tileCount() - 4);
    }
}

TEST(AxisStretch, HugeRadiusOnASmallPictureStaysWithinThePicture) {
    const Picture src = probe(60, 40);
    for (Brush brush : {verticalExpand, horizontalExpand, verticalShrink, horizontalShrink}) {
        CountingProgress progress;
        const Picture out = brush(src, 30, 20, 200000, 60000, &progress);
        const bool expand = brush == verticalExpand || brush == horizontalExpand;
        EXPECT_EQ(progress.steps, expand ? 2 * 200000 - 1 : 2 * 199999);
        EXPECT_NE(out, src);
        EXPECT_EQ(out.pixel(30, 20), src.pixel(30, 20));
    }
    const double rho = detail::axisRho(200000, 60000), d = rho - 60000;
    const Picture v = verticalExpand(src, 30, 20, 200000, 60000);
    EXPECT_TRUE(sampledAt(v, src, 25, 10, 25, 20 - d * 10 / std::sqrt(rho * rho - 25 - 100)));
    const Picture h = horizontalShrink(src, 30, 20, 200000, 60000);
    const double er = d * rho / std::sqrt(d * d + 100);
    EXPECT_TRUE(sampledAt(h, src, 25, 10, 30 - 5 * er / std::sqrt(d * d + 25), 10));
}
