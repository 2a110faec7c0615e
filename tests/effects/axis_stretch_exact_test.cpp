// The vertical and horizontal brushes share big regions out to threads;
// these tests hold them to the straightforward line-by-line evaluation,
// pixel for pixel, including which tiles they clone and how many progress
// steps they report.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "effect_test_util.h"
#include "core/numeric.h"
#include "core/picture.h"
#include "core/progress.h"
#include "core/tiles.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/engine/sampler.h"

using namespace jollix;

using effects_test::expectAsEvaluated;
using effects_test::firstDifference;

namespace {

Picture noisy(int w, int h, uint32_t seed) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t s = (uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u) ^ seed;
            s ^= s >> 15;
            s *= 0x2c1b3c6du;
            s ^= s >> 12;
            const bool flat = ((x >> 3) * 7 + (y >> 3)) % 4 == 0;
            p.setPixel(x, y, flat ? 0x808080u : (s & 0xFFFFFFu));
        }
    return p;
}

// The expand line by line, each pixel on its own.
Picture referenceExpand(bool vertical, const Picture& src, int X, int Y, int R, int S, int* steps) {
    Picture dst = src;
    const TileReader source(src);  // one reader for every point sampled
    *steps = 0;
    if (R < 1) return dst;
    const double rho = detail::axisRho(R, S);
    const int outerC = vertical ? X : Y, innerC = vertical ? Y : X;
    const int outerN = vertical ? src.width() : src.height(), innerN = vertical ? src.height() : src.width();
    for (long long f = (long long)outerC - R + 1; f <= (long long)outerC + R - 1; ++f) {
        ++*steps;
        if (f < 0 || f >= outerN) continue;
        const detail::AxisExpandLine line = detail::axisExpandLine(rho, S, int(std::llabs(outerC - f)));
        const long long lo = roundToInt(static_cast<long double>(innerC) - line.B);
        const long long hi = roundToInt(static_cast<long double>(innerC) + line.B);
        const long double Fl = line.F;
        const double dF = double(Fl - line.h), F2 = double(Fl * Fl);
        for (long long i = std::max(lo, 0LL); i <= std::min<long long>(hi, innerN - 1); ++i) {
            const double G = double(std::llabs(innerC - i));
            double arg = F2 - G * G;
            if (!(arg > F2 * 1e-12)) {
                const long double e = Fl * Fl - static_cast<long double>(G) * G;
                if (!(e > 0)) continue;
                arg = double(e);
            }
            const double q = dF / std::sqrt(arg);
            const double s = innerC - q * double(innerC - i);
            if (vertical)
                dst.setPixel(int(f), int(i), sampleAt(source, double(f), s));
            else
                dst.setPixel(int(i), int(f), sampleAt(source, s, double(f)));
        }
    }
    return dst;
}

// The shrink column by column, each pixel on its own, then the centre line.
Picture referenceShrink(bool vertical, const Picture& src, int X, int Y, int R, int S, int* steps) {
    const double rho = detail::axisRho(R, S);
    Picture dst = src;
    const TileReader source(src);  // one reader for every point sampled
    *steps = 0;
    if (R <= 1) return dst;
    const int W = src.width(), Hp = src.height();
    const double d = double(static_cast<long double>(rho) - S);
    auto inv = [&](long long m) { return 1.0 / std::sqrt(d * d + double(m) * double(m)); };
    for (long long f = (long long)X - R + 1; f <= (long long)X + R - 1; ++f) {
        if (f == X) continue;
        ++*steps;
        const int t = int(X - f);
        const detail::AxisShrinkLine line = detail::axisShrinkLine(rho, S, int(f), t);
        const long long n = roundToInt(line.H);
        if (f < 0 || f >= W) continue;
        for (long long i = (long long)Y - n + 1; i <= (long long)Y + n - 1; ++i) {
            if (i == Y || i < 0 || i >= Hp) continue;
            const long long u = (long long)Y - i, m = std::llabs(u);
            if (vertical) {
                dst.setPixel(int(f), int(i), sampleAt(source, double(f), Y - line.E * double(u) * inv(m)));
            } else {
                const double er = detail::axisShrinkLine(rho, S, 0, int(m)).E;
                dst.setPixel(int(f), int(i), sampleAt(source, X - er * double(t) * inv(std::abs(t)), double(i)));
            }
        }
    }
    for (long long off = -(long long)R + 1; off <= R - 1; ++off) {
        if (off == 0) continue;
        const double shift = rho * double(off) * inv(std::llabs(off));
        if (vertical) {
            const long long i = (long long)Y - off;
            if (X >= 0 && X < W && i >= 0 && i < Hp) dst.setPixel(X, int(i), sampleAt(source, double(X), Y - shift));
        } else {
            const long long f = (long long)X - off;
            if (Y >= 0 && Y < Hp && f >= 0 && f < W) dst.setPixel(int(f), Y, sampleAt(source, X - shift, double(Y)));
        }
    }
    return dst;
}

}  // namespace

TEST(AxisExact, ExpandAndShrinkMatchTheLineByLineEvaluation) {
    struct Case {
        bool expand;
        int w, h, X, Y, R, S;
    };
    const Case cases[] = {
        {true, 200, 180, 100, 90, 50, 17},      // small: one thread
        {true, 201, 150, 3, 148, 120, 40},      // centre near a corner
        {true, 300, 200, -20, 100, 90, 30},     // centre outside the picture
        {true, 700, 600, 350, 300, 400, 133},   // big enough for two threads
        {true, 700, 600, 690, 7, 460, 150},     // big, centre near the top right corner
        {true, 650, 520, 200, 519, 330, 300},   // big, on the last row, high cap
        {true, 90, 70, 45, 35, 1, 1},           // the smallest brush
        {false, 200, 180, 100, 90, 50, 17},     // small: one thread
        {false, 201, 150, 3, 148, 120, 40},     // centre near a corner
        {false, 300, 200, -20, 100, 90, 30},    // centre outside the picture
        {false, 700, 600, 350, 300, 400, 133},  // big enough for two threads
        {false, 700, 600, 690, 7, 460, 150},    // big, centre near the top right corner
        {false, 650, 520, 200, 519, 330, 300},  // big, on the last row, high cap
    };
    for (bool vertical : {true, false})
        for (const Case& c : cases) {
            const Picture src = noisy(c.w, c.h, c.expand ? uint32_t(c.R * 13 + c.X) : uint32_t(c.R * 29 + c.Y));
            const std::string where = std::string(vertical ? "vertical " : "horizontal ") +
                                      (c.expand ? "expand " : "shrink ") + std::to_string(c.X) + "," +
                                      std::to_string(c.Y) + " R " + std::to_string(c.R);
            expectAsEvaluated(
                src,
                [&](Progress* progress) {
                    if (c.expand)
                        return vertical ? verticalExpand(src, c.X, c.Y, c.R, c.S, progress)
                                        : horizontalExpand(src, c.X, c.Y, c.R, c.S, progress);
                    return vertical ? verticalShrink(src, c.X, c.Y, c.R, c.S, progress)
                                    : horizontalShrink(src, c.X, c.Y, c.R, c.S, progress);
                },
                [&](int* steps) {
                    return c.expand ? referenceExpand(vertical, src, c.X, c.Y, c.R, c.S, steps)
                                    : referenceShrink(vertical, src, c.X, c.Y, c.R, c.S, steps);
                },
                where);
        }
}
