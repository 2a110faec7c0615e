#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "effect_test_util.h"
#include "core/error.h"
#include "effects/engine/sampler.h"
#include "effects/brushes/twist.h"

using jollix::Picture;
namespace detail = jollix::detail;

using effects_test::CountingProgress;
using effects_test::noisePicture;

namespace {

// The twist worked out independently, in extended precision, through the
// slope k = -a / b of the radius as the routine's own derivation does.
// Returns false for pixels the twist leaves alone.
bool expectedSource(int X, int Y, int R, int S, bool clockwise, int c, int i, double& sx, double& sy) {
    const long long a = c - X, b = Y - i;
    if (a == 0 && b == 0) return false;
    if (std::llabs(a) >= R || std::llabs(b) >= R) return false;
    if (a != 0) {
        const double W = double(std::sqrt((long double)(1LL * R * R - a * a)));
        const long double top = std::nearbyint((long double)Y - W), bottom = std::nearbyint((long double)Y + W);
        if (!(i > top && i < bottom)) return false;
    }
    const long double halfR = (long double)R / 2;
    const double rhoT = double((halfR * halfR + (long double)S * S) / (2.0L * S));
    const long double rho0 = std::sqrt((long double)(a * a + b * b));
    const double r = double(rho0 - halfR);
    const double m = double(std::sqrt((long double)rhoT * rhoT - (long double)r * r) + S - rhoT);
    // Step of length m along the tangent (anticlockwise in the upward frame
    // for the clockwise twist): components m / sqrt(k^2 + 1) and
    // m / sqrt(1 / k^2 + 1), signed by quadrant.
    long double px, qy;
    if (b == 0) {
        px = 0;
        qy = a > 0 ? m : -m;
    } else if (a == 0) {
        px = b > 0 ? -m : m;
        qy = 0;
    } else {
        const double k = double(-(long double)a / b);
        const long double colPart = m / std::sqrt((long double)k * k + 1);
        const long double rowPart = m / std::sqrt(1 / ((long double)k * k) + 1);
        px = b > 0 ? -colPart : colPart;  // -m b / rho0
        qy = a > 0 ? rowPart : -rowPart;  //  m a / rho0
    }
    if (!clockwise) {
        px = -px;
        qy = -qy;
    }
    sx = double(X + (a + px));
    sy = double(Y - (b + qy));
    return true;
}

}  // namespace

TEST(Twist, WorkedSourcePoints) {
    // R = 100, S = 10: rhoT = 130; (X + 30, Y - 40) lies at R/2, so m = 10.
    const int X = 400, Y = 300;
    auto cw = detail::twistSource(X, Y, 100, 10, true, X + 30, Y - 40);
    EXPECT_DOUBLE_EQ(cw.x, X + 22);
    EXPECT_DOUBLE_EQ(cw.y, Y - 46);
    auto ccw = detail::twistSource(X, Y, 100, 10, false, X + 30, Y - 40);
    EXPECT_DOUBLE_EQ(ccw.x, X + 38);
    EXPECT_DOUBLE_EQ(ccw.y, Y - 34);
    EXPECT_NEAR(detail::twistShift(100, 10, 60), 9.6148, 5e-5);
    EXPECT_EQ(detail::twistShift(100, 10, 50), 10.0);
}

TEST(Twist, ShiftProfile) {
    struct Case {
        int R, S;
    };
    for (Case t : {Case{100, 10}, Case{500, 167}, Case{37, 5}, Case{20, 10}, Case{64, 3}}) {
        SCOPED_TRACE(std::to_string(t.R) + "," + std::to_string(t.S));
        // Exactly S halfway out, 0 at the centre and at the rim.
        EXPECT_EQ(detail::twistShift(t.R, t.S, t.R / 2.0), double(t.S));
        EXPECT_NEAR(detail::twistShift(t.R, t.S, 0), 0, 1e-12);
        EXPECT_NEAR(detail::twistShift(t.R, t.S, t.R), 0, 1e-12);
        // The shift never exceeds S.
        for (double rho = 0.5; rho < t.R; rho += 0.5) EXPECT_LE(detail::twistShift(t.R, t.S, rho), t.S + 1e-12);
    }
    // A strength above R/2 no longer falls to 0 at the centre: 2 (S - rhoT).
    const double rhoT = (25.0 + 64.0) / 16.0;
    EXPECT_NEAR(detail::twistShift(10, 8, 0), 2 * (8 - rhoT), 1e-12);
}

TEST(Twist, AxisPixelsAtHalfRadiusMoveByExactlyS) {
    const int X = 200, Y = 150;
    struct Case {
        int R, S;
    };
    for (Case t : {Case{100, 10}, Case{60, 7}, Case{500, 100}, Case{14, 3}}) {
        const int h = t.R / 2;
        auto right = detail::twistSource(X, Y, t.R, t.S, true, X + h, Y);
        EXPECT_EQ(right.x, double(X + h));
        EXPECT_EQ(right.y, double(Y - t.S));
        auto below = detail::twistSource(X, Y, t.R, t.S, true, X, Y + h);
        EXPECT_EQ(below.x, double(X + t.S));
        EXPECT_EQ(below.y, double(Y + h));
        auto left = detail::twistSource(X, Y, t.R, t.S, false, X - h, Y);
        EXPECT_EQ(left.x, double(X - h));
        EXPECT_EQ(left.y, double(Y - t.S));
    }
}

// Every pixel of the picture against the independent working: the set of
// pixels written, and the colour each takes.
TEST(Twist, WholePictureMatchesIndependentWorking) {
    struct Case {
        int w, h, X, Y, R, S;
        bool clockwise;
    };
    const Case cases[] = {
        {260, 240, 130, 120, 100, 10, true}, {260, 240, 130, 120, 100, 10, false}, {260, 240, 131, 118, 77, 25, true},
        {200, 180, 5, 170, 60, 20, false},  // centre near a corner: clipped, clamped samples
        {200, 180, -20, 90, 50, 16, true},  // centre outside the picture
        {120, 100, 60, 50, 2, 1, true},     // smallest twist that does anything
        {120, 100, 60, 50, 9, 8, false},    // strength above R/2
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(std::to_string(t.X) + "," + std::to_string(t.Y) + " R=" + std::to_string(t.R) +
                     " S=" + std::to_string(t.S) + (t.clockwise ? " cw" : " ccw"));
        const Picture src = noisePicture(t.w, t.h);
        const Picture out = t.clockwise ? jollix::twistClockwise(src, t.X, t.Y, t.R, t.S)
                                        : jollix::twistAnticlockwise(src, t.X, t.Y, t.R, t.S);
        int wrong = 0, visited = 0;
        for (int i = 0; i < t.h; ++i)
            for (int c = 0; c < t.w; ++c) {
                double sx, sy;
                const uint32_t want = expectedSource(t.X, t.Y, t.R, t.S, t.clockwise, c, i, sx, sy)
                                          ? (++visited, jollix::sampleBilinear(src, sx, sy))
                                          : src.pixel(c, i);
                if (out.pixel(c, i) != want && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << c << "," << i << ": " << std::hex << out.pixel(c, i) << " instead of "
                                  << want;
            }
        EXPECT_EQ(wrong, 0);
        if (t.X >= 0) {
            EXPECT_GT(visited, 0);
        }
    }
}

// A disc much larger than the picture around a corner: too many step
// factors to share between the quadrants, so each column works out its own.
TEST(Twist, HugeDiscMatchesIndependentWorking) {
    const int w = 2200, h = 2100, X = 3, Y = 2, R = 3000, S = 900;
    const Picture src = noisePicture(w, h, 5);
    const Picture out = jollix::twistAnticlockwise(src, X, Y, R, S);
    int wrong = 0, checked = 0;
    for (int i = 0; i < h; i += 7)
        for (int c = i % 5; c < w; c += 13) {
            double sx, sy;
            const uint32_t want =
                expectedSource(X, Y, R, S, false, c, i, sx, sy) ? jollix::sampleBilinear(src, sx, sy) : src.pixel(c, i);
            ++checked;
            if (out.pixel(c, i) != want && ++wrong <= 5) ADD_FAILURE() << "pixel " << c << "," << i;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(checked, 40000);
}

TEST(Twist, VisitsAndProgressSteps) {
    const Picture src = noisePicture(300, 300);
    for (int R : {2, 3, 50, 101}) {
        CountingProgress p;
        jollix::twistClockwise(src, 150, 150, R, 1, &p);
        EXPECT_EQ(p.steps, 4 * (R - 1));
        EXPECT_EQ(p.finishes, 1);
    }
}

TEST(Twist, RadiusOneChangesNothing) {
    const Picture src = noisePicture(50, 50);
    CountingProgress p;
    EXPECT_EQ(jollix::twistClockwise(src, 25, 25, 1, 10, &p), src);
    EXPECT_EQ(jollix::twistAnticlockwise(src, 25, 25, 1, 0, &p), src);  // no pixel, no division
    EXPECT_EQ(p.steps, 0);
}

TEST(Twist, ZeroStrengthIsADivisionByZero) {
    const Picture src = noisePicture(50, 50);
    CountingProgress p;
    for (int R : {2, 40}) {
        try {
            jollix::twistClockwise(src, 25, 25, R, 0, &p);
            ADD_FAILURE() << "no error for R=" << R;
        } catch (const jollix::JollixError& e) {
            EXPECT_STREQ(e.what(), jollix::kDivisionByZero);
        }
        EXPECT_THROW(jollix::twistAnticlockwise(src, 25, 25, R, 0, &p), jollix::JollixError);
    }
    EXPECT_EQ(p.steps, 0);  // stopped before the first column
}

TEST(Twist, OppositeTwistDoesNotRestoreThePicture) {
    const Picture src = noisePicture(200, 200);
    const Picture there = jollix::twistClockwise(src, 100, 100, 80, 20);
    EXPECT_NE(there, src);
    EXPECT_NE(jollix::twistAnticlockwise(there, 100, 100, 80, 20), src);
}

TEST(Twist, TouchesOnlyTheTilesOfItsDisc) {
    Picture src(3000, 2000, 0x204060);
    src.setPixel(1515, 1000, 0xFFFFFF);  // halfway out, where the shift is largest
    const Picture out = jollix::twistClockwise(src, 1500, 1000, 30, 10);
    EXPECT_NE(out, src);
    // A disc of radius 30 around (1500, 1000) lies in at most 2 x 2 tiles.
    EXPECT_GE(out.sharedTileCount(src), src.tileCount() - 4);
}
