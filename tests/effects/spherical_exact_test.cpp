// The expand brush splits big regions over threads and works out its
// source points in blocks; these tests hold it to the straightforward
// per-column evaluation, pixel for pixel, including which tiles it clones
// and how many progress steps it reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "effect_test_util.h"
#include "core/numeric.h"
#include "core/picture.h"
#include "core/progress.h"
#include "core/tiles.h"
#include "effects/engine/sampler.h"
#include "effects/brushes/spherical.h"

using namespace jollix;

using effects_test::expectAsEvaluated;
using effects_test::firstDifference;

namespace {

// Noise with smooth patches, so that samples land on every kind of
// neighbourhood, rounding ties included (flat patches).
Picture noisy(int w, int h, uint32_t seed) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t s = (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u) ^ seed;
            s ^= s >> 13;
            s *= 0x5bd1e995u;
            s ^= s >> 15;
            const bool flat = ((x >> 4) + (y >> 4)) % 3 == 0;
            p.setPixel(x, y, flat ? 0x336699u : (s & 0xFFFFFFu));
        }
    return p;
}

// Expand column by column, each pixel on its own, as the brush is defined.
Picture referenceExpand(const Picture& src, int a, int b, int R, int H, int* steps) {
    const detail::SphereCap cap = detail::sphereCap(R, H);
    Picture dst = src;
    const TileReader source(src);  // one reader for every point sampled
    const int W = src.width(), Hp = src.height();
    const double rho = cap.rho, c = cap.c, rho2 = rho * rho;
    *steps = 0;
    if (R <= 1) return dst;
    const long long left = (long long)a - R + 1, right = (long long)a + R - 1;
    auto column = [&](long long x, bool above) {
        ++*steps;
        if (x < 0 || x >= W) return;
        const long long m = std::llabs(a - x);
        const long double kx = detail::sphericalExpandHalfHeight(cap, H, int(m));
        const long long top = roundToInt(static_cast<long double>(b) - kx) + 1LL;
        const long long bottom = roundToInt(static_cast<long double>(b) + kx) - 1LL;
        const long long yFrom = std::max(above ? top : (long long)b + 1, 0LL);
        const long long yTo = std::min<long long>(above ? (long long)b - 1 : bottom, Hp - 1);
        const double colTerm = rho2 - double(m) * double(m);
        for (long long y = yFrom; y <= yTo; ++y) {
            const long long k = std::llabs(b - y);
            const double q = c / std::sqrt(colTerm - double(k) * double(k));
            const double dx = double(a - x), dy = double(b - y);
            const double xs = a - q * dx, ys = b - q * dy;
            dst.setPixel(int(x), int(y), sampleAt(source, xs, ys));
        }
    };
    for (long long x = left; x < a; ++x) column(x, true);
    for (long long x = (long long)a + 1; x <= right; ++x) column(x, true);
    for (long long x = (long long)a + 1; x <= right; ++x) column(x, false);
    for (long long x = left; x < a; ++x) column(x, false);
    const long double rhoL = rho, cL = c;
    auto shift = [&](long long d) -> long double {
        const long double dl = static_cast<long double>(d);
        return cL * dl / std::sqrt(rhoL * rhoL - dl * dl);
    };
    auto clampInt = [](long long v, int lo, int hi) {
        return int(std::min<long long>(std::max<long long>(v, lo), hi));
    };
    if (b >= 0 && b < Hp)
        for (long long x = left; x <= right; ++x) {
            if (x == a || x < 0 || x >= W) continue;
            const double xs = double(static_cast<long double>(a) - shift(a - x));
            dst.setPixel(int(x), b, src.pixel(clampInt(roundToInt(xs), 0, W - 1), b));
        }
    if (a >= 0 && a < W)
        for (long long y = (long long)b - R + 1; y <= (long long)b + R - 1; ++y) {
            if (y == b || y < 0 || y >= Hp) continue;
            const double ys = double(static_cast<long double>(b) - shift(b - y));
            dst.setPixel(a, int(y), src.pixel(a, clampInt(roundToInt(ys), 0, Hp - 1)));
        }
    return dst;
}

// Shrink column by column, each pixel on its own.
Picture referenceShrink(const Picture& src, int a, int b, int R, int H, int* steps) {
    const detail::SphereCap cap = detail::sphereCap(R, H);
    Picture dst = src;
    const TileReader source(src);  // one reader for every point sampled
    const int W = src.width(), Hp = src.height();
    const double rho = cap.rho, c = cap.c, crho = c * rho;
    *steps = 0;
    if (R <= 1) return dst;
    const long long left = (long long)a - R + 1, right = (long long)a + R - 1;
    for (long long x = left; x <= right; ++x) {
        if (x == a) continue;
        ++*steps;
        const detail::ShrinkColumn col = detail::sphericalShrinkColumn(cap, a, int(x));
        const long long n = roundToInt(col.K1);
        if (x < 0 || x >= W) continue;
        const double dx = double(a - x), kc = crho / col.D1;
        for (long long y = (long long)b - n + 1; y <= (long long)b + n - 1; ++y) {
            if (y == b || y < 0 || y >= Hp) continue;
            const double dy = double(b - y);
            const double k = kc * (1.0 / std::sqrt(c * c + dy * dy));
            dst.setPixel(int(x), int(y), sampleAt(source, a - k * dx, b - k * dy));
        }
    }
    const long double rhoL = rho, cL = c;
    auto shift = [&](long long d) -> long double {
        const long double dl = static_cast<long double>(d);
        return dl * rhoL / std::sqrt(cL * cL + dl * dl);
    };
    if (b >= 0 && b < Hp)
        for (long long x = left; x <= right; ++x) {
            if (x == a || x < 0 || x >= W) continue;
            const double xs = std::clamp(double(static_cast<long double>(a) - shift(a - x)), 0.0, double(W - 1));
            dst.setPixel(int(x), b, src.pixel(int(roundToInt(xs)), b));
        }
    if (a >= 0 && a < W)
        for (long long y = (long long)b - R + 1; y <= (long long)b + R - 1; ++y) {
            if (y == b || y < 0 || y >= Hp) continue;
            const double ys = std::clamp(double(static_cast<long double>(b) - shift(b - y)), 0.0, double(Hp - 1));
            dst.setPixel(a, int(y), src.pixel(a, int(roundToInt(ys))));
        }
    return dst;
}

}  // namespace

TEST(SphericalExact, ExpandAndShrinkMatchThePerColumnEvaluation) {
    struct Case {
        bool expand;
        int w, h, a, b, R, H;
    };
    const Case cases[] = {
        {true, 200, 180, 100, 90, 50, 15},      // small: one thread
        {true, 201, 150, 3, 148, 120, 40},      // centre near a corner
        {true, 300, 200, -20, 100, 90, 30},     // centre outside the picture
        {true, 300, 200, 330, 215, 120, 40},    // right of and below it
        {true, 300, 200, 150, -40, 100, 30},    // above it
        {true, 700, 600, 350, 300, 400, 133},   // big enough for two threads
        {true, 700, 600, 690, 7, 460, 150},     // big, centre near the top right corner
        {true, 650, 520, 200, 519, 330, 300},   // big, on the last row, high cap
        {true, 500, 500, 250, 250, 300, 1},     // a flat cap: factors near 1
        {true, 90, 70, 45, 35, 3, 1},           // the smallest brush
        {false, 200, 180, 100, 90, 50, 15},     // small: one thread
        {false, 201, 150, 3, 148, 120, 40},     // centre near a corner
        {false, 300, 200, -20, 100, 90, 30},    // centre outside the picture
        {false, 700, 600, 350, 300, 400, 133},  // big enough for two threads
        {false, 700, 600, 690, 7, 460, 150},    // big, centre near the top right corner
        {false, 650, 520, 200, 519, 330, 300},  // big, on the last row, high cap
    };
    for (const Case& c : cases) {
        const Picture src = noisy(c.w, c.h, c.expand ? uint32_t(c.R * 31 + c.a) : uint32_t(c.R * 17 + c.b));
        const std::string where = std::string(c.expand ? "expand " : "shrink ") + std::to_string(c.a) + "," +
                                  std::to_string(c.b) + " R " + std::to_string(c.R);
        expectAsEvaluated(
            src,
            [&](Progress* progress) {
                return c.expand ? sphericalExpand(src, c.a, c.b, c.R, c.H, progress)
                                : sphericalShrink(src, c.a, c.b, c.R, c.H, progress);
            },
            [&](int* steps) {
                return c.expand ? referenceExpand(src, c.a, c.b, c.R, c.H, steps)
                                : referenceShrink(src, c.a, c.b, c.R, c.H, steps);
            },
            where);
    }
}

TEST(SphericalExpandExact, RepeatedApplicationsStayEqual) {
    // Applications on the result of the last one, whose tiles the brush
    // does not own exclusively, at radii that do and do not use threads.
    Picture work = noisy(640, 480, 5), ref = work;
    const int radii[] = {350, 60, 420};
    for (int i = 0; i < 3; ++i) {
        int steps = 0;
        const Picture before = work, beforeRef = ref;
        work = sphericalExpand(work, 320 + 17 * i, 240 - 11 * i, radii[i], radii[i] / 3);
        ref = referenceExpand(ref, 320 + 17 * i, 240 - 11 * i, radii[i], radii[i] / 3, &steps);
        EXPECT_TRUE(work == ref) << i << ": first difference at " << firstDifference(work, ref);
        EXPECT_TRUE(before == beforeRef) << i;  // the source is left alone
    }
}
