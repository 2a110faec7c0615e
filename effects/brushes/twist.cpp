#include "effects/brushes/twist.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/engine/sampler.h"
#include "effects/engine/brush_engine.h"

namespace jollix {

namespace {

// The shift profile of a twist of radius R and strength S: plotted against
// the distance from the centre, the shift follows the circular arc through
// (0, 0), (R/2, S) and (R, 0), whose radius is rhoT.
struct Profile {
    Profile(int R, int S) : halfR(R / 2.0), S(S) {
        const long double h = static_cast<long double>(R) / 2;
        const long double s = S;
        rhoT = static_cast<double>(checkedDivide(h * h + s * s, 2.0L * s));
        rhoT2 = static_cast<double>(static_cast<long double>(rhoT) * rhoT);
    }

    // m = sqrt(rhoT^2 - r^2) + S - rhoT with r = rho0 - R/2. For S > 0 it
    // is evaluated as S - r^2 / (rhoT + sqrt(rhoT^2 - r^2)), the same number
    // written without the cancellation of two values close to rhoT, so that
    // 64-bit arithmetic keeps it to the last bits (and gives exactly S at
    // r = 0). For S < 0 that denominator can vanish; the direct form is used.
    double shift(double rho0) const {
        const double r = rho0 - halfR;
        const double r2 = r * r;
        const double root = std::sqrt(rhoT2 - r2);
        return S > 0 ? S - r2 / (rhoT + root) : root + S - rhoT;
    }

    double halfR;
    double S;
    double rhoT = 0, rhoT2 = 0;
};

// The step along the tangent is m / rho0 times the offsets, so a pixel's
// whole displacement follows from f = m / rho0 at the offsets |a|, |b|.
inline double stepFactor(const Profile& p, double a, double b) {
    const double rho0 = std::sqrt(a * a + b * b);
    return p.shift(rho0) / rho0;
}

// The twist as a brush: its disc and where each of its pixels comes from.
// Pixel (c, i), offsets a = c - X, b = Y - i: a step of length m along the
// tangent, anticlockwise (in the upward-b frame) for the clockwise twist,
// clockwise for the anticlockwise one:
//   clockwise:     column X + a - m b / rho0, row Y - (b + m a / rho0)
//   anticlockwise: column X + a + m b / rho0, row Y - (b - m a / rho0)
template <bool Clockwise>
struct TwistBrush {
    TwistBrush(int X, int Y, int R, int S) : centreX(X), centreY(Y), prof(R, S) {}

    // Off the axes, from the step factor at |a|, |b|.
    void point(int c, int i, double& sx, double& sy) const {
        // Both columns convert exactly, and so does their difference.
        const double a = double(c) - double(centreX), b = double(centreY) - double(i);
        const double f = stepFactor(prof, a < 0 ? -a : a, b < 0 ? -b : b);
        sx = Clockwise ? double(c) - f * b : double(c) + f * b;
        sy = Clockwise ? double(i) - f * a : double(i) + f * a;
    }

    // On the axes rho0 is |a| or |b| and m b / rho0 is formed as written;
    // the centre stays.
    brush::Source map(int c, int i) const {
        const int64_t a = int64_t(c) - centreX, b = int64_t(centreY) - i;
        double sx, sy;
        if (a != 0 && b != 0) {
            point(c, i, sx, sy);
            return brush::sampleAt(sx, sy);
        }
        if (a == 0 && b == 0) return brush::keep();
        const double rho0 = double(a != 0 ? (a < 0 ? -a : a) : (b < 0 ? -b : b));
        const double m = prof.shift(rho0);
        const double dx = m * double(b) / rho0, dy = m * double(a) / rho0;
        return Clockwise ? brush::sampleAt(double(c) - dx, double(i) - dy)
                         : brush::sampleAt(double(c) + dx, double(i) + dy);
    }

    int centreX, centreY;
    Profile prof;
};

// The twist's disc: in the column at offset a from the centre, the rows
// roundToInt(Y - W) + 1 .. roundToInt(Y + W) - 1 with W = sqrt(R^2 - a^2) (the centre
// row always among them), and the centre column from Y - R + 1 to Y + R - 1;
// only the columns of a picture W pixels wide.
brush::Region twistRegion(int X, int Y, int R, int W) {
    brush::Region region;
    region.first = std::max<int64_t>(int64_t(X) - R + 1, 0);
    const int64_t R2 = int64_t(R) * R;
    for (int64_t a = region.first - X; a <= std::min<int64_t>(R - 1, int64_t(W) - 1 - X); ++a) {
        if (a == 0) {
            region.add(int64_t(Y) - R + 1, int64_t(Y) + R - 1);
            continue;
        }
        const double W = static_cast<double>(std::sqrt(static_cast<long double>(R2 - a * a)));
        region.add(int64_t(roundToInt(static_cast<long double>(Y) - W)) + 1,
                   int64_t(roundToInt(static_cast<long double>(Y) + W)) - 1);
    }
    return region;
}

template <bool Clockwise>
Picture twist(const Picture& src, int X, int Y, int R, int S, Progress* progress,
              brush::Painting how = brush::Painting::Engine) {
    Picture dst = src;
    // With R < 2 no pixel is visited at all (not even to form the profile),
    // so a zero strength only fails when there is something to twist.
    if (R >= 2 && S == 0) throw JollixError(kDivisionByZero);
    if (R >= 2) {
        // One step per quadrant column, 4 (R - 1) in all.
        brush::paint(src, dst, TwistBrush<Clockwise>(X, Y, R, S), twistRegion(X, Y, R, src.width()),
                     4 * (int64_t(R) - 1), progress, how);
    }
    progressFinish(progress);
    return dst;
}

}  // namespace

Picture twistClockwise(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return twist<true>(src, X, Y, R, S, progress);
}

Picture twistAnticlockwise(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return twist<false>(src, X, Y, R, S, progress);
}

BrushMapping twistClockwiseMapping(const Picture& src, int X, int Y, int R, int S) {
    if (R < 2) return {};
    if (S == 0) throw JollixError(kDivisionByZero);
    return BrushMapping({brush::mappingPass(TwistBrush<true>(X, Y, R, S), twistRegion(X, Y, R, src.width()))});
}

BrushMapping twistAnticlockwiseMapping(const Picture& src, int X, int Y, int R, int S) {
    if (R < 2) return {};
    if (S == 0) throw JollixError(kDivisionByZero);
    return BrushMapping({brush::mappingPass(TwistBrush<false>(X, Y, R, S), twistRegion(X, Y, R, src.width()))});
}

namespace detail {

double twistShift(int R, int S, double rho0) { return Profile(R, S).shift(rho0); }

Picture twistPlain(const Picture& src, int X, int Y, int R, int S, bool clockwise) {
    return clockwise ? twist<true>(src, X, Y, R, S, nullptr, brush::Painting::Plain)
                     : twist<false>(src, X, Y, R, S, nullptr, brush::Painting::Plain);
}

TwistSource twistSource(int X, int Y, int R, int S, bool clockwise, int c, int i) {
    const brush::Source s =
        clockwise ? TwistBrush<true>(X, Y, R, S).map(c, i) : TwistBrush<false>(X, Y, R, S).map(c, i);
    return {s.x, s.y};
}

}  // namespace detail

}  // namespace jollix
