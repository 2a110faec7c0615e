#include "effects/brushes/twist.h"

#include <cmath>
#include <cstdint>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/engine/brush_engine.h"

namespace jollix {

namespace {

// Pixel (c, i), offsets a = c - X, b = Y - i, steps m along the tangent,
// anticlockwise (in the upward-b frame) for the clockwise twist:
//   clockwise:     column X + a - m b / rho0, row Y - (b + m a / rho0)
//   anticlockwise: column X + a + m b / rho0, row Y - (b - m a / rho0)
// Off the axes the step factor m / rho0 is taken at |a|, |b|; on them rho0
// is |a| or |b| and m b / rho0 is formed as written. The centre stays.
template <bool Clockwise>
struct TwistBrush {
    // The shift m against the distance rho0 from the centre follows the
    // circular arc through (0, 0), (R/2, S) and (R, 0), of radius rhoT.
    TwistBrush(int X, int Y, int R, int shift) : centreX(X), centreY(Y), halfR(R / 2.0), S(shift) {
        const long double h = static_cast<long double>(R) / 2, s = shift;
        rhoT = static_cast<double>(checkedDivide(h * h + s * s, 2.0L * s));
        rhoT2 = static_cast<double>(static_cast<long double>(rhoT) * rhoT);
    }
    // m = sqrt(rhoT^2 - r^2) + S - rhoT, r = rho0 - R/2; for S > 0 written
    // S - r^2 / (rhoT + sqrt(rhoT^2 - r^2)), without the cancellation near
    // rhoT (exactly S at r = 0); for S < 0 that denominator can vanish.
    double shift(double rho0) const {
        const double r = rho0 - halfR, r2 = r * r, root = std::sqrt(rhoT2 - r2);
        return S > 0 ? S - r2 / (rhoT + root) : root + S - rhoT;
    }
    void point(int c, int i, double& sx, double& sy) const {
        const double a = double(c) - double(centreX), b = double(centreY) - double(i);
        const double rho0 = std::sqrt(a * a + b * b), f = shift(rho0) / rho0;
        sx = Clockwise ? double(c) - f * b : double(c) + f * b;
        sy = Clockwise ? double(i) - f * a : double(i) + f * a;
    }
    brush::Source centre(int c, int i) const {
        const int64_t a = int64_t(c) - centreX, b = int64_t(centreY) - i;
        if (a == 0 && b == 0) return brush::keep();
        const double rho0 = double(a != 0 ? (a < 0 ? -a : a) : (b < 0 ? -b : b)), m = shift(rho0);
        const double dx = m * double(b) / rho0, dy = m * double(a) / rho0;
        return Clockwise ? brush::sampleAt(double(c) - dx, double(i) - dy)
                         : brush::sampleAt(double(c) + dx, double(i) + dy);
    }
    int centreX, centreY;
    double halfR, S, rhoT = 0, rhoT2 = 0;
};

// The disc of radius R, one progress step per quadrant column. With R < 2
// no pixel is visited (not even to form the profile), so a zero strength
// only fails when there is something to twist.
template <bool Clockwise>
auto twistPlan(const Picture& src, int X, int Y, int R, int S) {
    return [=, &src](Progress*) -> std::optional<brush::Pass<TwistBrush<Clockwise>>> {
        if (R < 2) return std::nullopt;
        if (S == 0) throw JollixError(kDivisionByZero);
        return brush::Pass<TwistBrush<Clockwise>>{{X, Y, R, S}, brush::disc(X, Y, R, src.width()), 4 * (R - 1LL)};
    };
}

}  // namespace

Picture twistClockwise(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return brush::effect(src, progress, twistPlan<true>(src, X, Y, R, S));
}
Picture twistAnticlockwise(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return brush::effect(src, progress, twistPlan<false>(src, X, Y, R, S));
}
BrushMapping twistClockwiseMapping(const Picture& src, int X, int Y, int R, int S) {
    return brush::mapping(twistPlan<true>(src, X, Y, R, S));
}
BrushMapping twistAnticlockwiseMapping(const Picture& src, int X, int Y, int R, int S) {
    return brush::mapping(twistPlan<false>(src, X, Y, R, S));
}

double detail::twistShift(int R, int S, double rho0) { return TwistBrush<true>(0, 0, R, S).shift(rho0); }

detail::TwistSource detail::twistSource(int X, int Y, int R, int S, bool clockwise, int c, int i) {
    const brush::Source s = clockwise ? brush::sourceOf(TwistBrush<true>(X, Y, R, S), c, i)
                                      : brush::sourceOf(TwistBrush<false>(X, Y, R, S), c, i);
    return {s.x, s.y};
}

}  // namespace jollix
