#include "effects/twist.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/sampler.h"

namespace jollix {

namespace {

// The shift profile of a twist of radius R and strength S: plotted against
// the distance from the centre, the shift follows the circular arc through
// (0, 0), (R/2, S) and (R, 0), whose radius is rhoT.
class Profile {
public:
    Profile(int R, int S) : halfR_(R / 2.0), S_(S) {
        const long double h = static_cast<long double>(R) / 2;
        const long double s = S;
        rhoT_ = static_cast<double>(Divide(h * h + s * s, 2.0L * s));
        rhoT2_ = static_cast<double>(static_cast<long double>(rhoT_) * rhoT_);
    }

    // m = sqrt(rhoT^2 - r^2) + S - rhoT with r = rho0 - R/2. For S > 0 it
    // is evaluated as S - r^2 / (rhoT + sqrt(rhoT^2 - r^2)), the same number
    // written without the cancellation of two values close to rhoT, so that
    // 64-bit arithmetic keeps it to the last bits (and gives exactly S at
    // r = 0). For S < 0 that denominator can vanish; the direct form is used.
    double shift(double rho0) const {
        const double r = rho0 - halfR_;
        const double r2 = r * r;
        const double root = std::sqrt(rhoT2_ - r2);
        if (S_ > 0) return S_ - r2 / (rhoT_ + root);
        return root + S_ - rhoT_;
    }

private:
    double halfR_;
    double S_;
    double rhoT_ = 0, rhoT2_ = 0;
};

// Source of pixel (c, i) with offsets a = c - X, b = Y - i at distance rho0:
// a step of length m along the tangent, anticlockwise (in the upward-b
// frame) for the clockwise twist, clockwise for the anticlockwise one.
//   clockwise:     column X + a - m b / rho0, row Y - (b + m a / rho0)
//   anticlockwise: column X + a + m b / rho0, row Y - (b - m a / rho0)
template <bool Clockwise>
inline void sourceOf(const Profile& prof, int64_t c, int64_t i, int64_t a, int64_t b, double& sx, double& sy) {
    const double rho0 = std::sqrt(static_cast<double>(a * a + b * b));
    const double m = prof.shift(rho0);
    const double dx = m * static_cast<double>(b) / rho0;
    const double dy = m * static_cast<double>(a) / rho0;
    if (Clockwise) {
        sx = static_cast<double>(c) - dx;
        sy = static_cast<double>(i) - dy;
    } else {
        sx = static_cast<double>(c) + dx;
        sy = static_cast<double>(i) + dy;
    }
}

template <bool Clockwise>
Picture twist(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    Picture dst = src;
    // With R < 2 no pixel is visited at all (not even to form the profile),
    // so a zero strength only fails when there is something to twist.
    if (R >= 2 && S == 0) throw JollixError(kDivisionByZero);
    if (R < 2) {
        progressFinish(progress);
        return dst;
    }
    const Profile prof(R, S);
    const int64_t w = src.width(), h = src.height();
    const int64_t R2 = int64_t(R) * R;

    // Rows i0 .. i1 of column c, clipped to the picture (writes outside
    // would be ignored anyway).
    auto run = [&](int64_t c, int64_t i0, int64_t i1) {
        if (c < 0 || c >= w) return;
        i0 = std::max<int64_t>(i0, 0);
        i1 = std::min<int64_t>(i1, h - 1);
        const int64_t a = c - X;
        for (int64_t i = i0; i <= i1; ++i) {
            double sx, sy;
            sourceOf<Clockwise>(prof, c, i, a, Y - i, sx, sy);
            dst.setPixel(int(c), int(i), xiangsujuhe(src, sx, sy));
        }
    };
    // Half height W = sqrt(R^2 - a^2) of the disc at column offset a, and
    // the first row above and last row below the centre inside it.
    auto halfHeight = [&](int64_t a) {
        return static_cast<double>(std::sqrt(static_cast<long double>(R2 - a * a)));
    };
    auto firstAbove = [&](double W) { return int64_t(Round(static_cast<long double>(Y) - W)) + 1; };
    auto lastBelow = [&](double W) { return int64_t(Round(static_cast<long double>(Y) + W)) - 1; };

    // Right quadrants: above the centre row, then below it.
    for (int64_t c = int64_t(X) + 1; c <= int64_t(X) + R - 1; ++c) {
        run(c, firstAbove(halfHeight(c - X)), int64_t(Y) - 1);
        progressStep(progress);
    }
    for (int64_t c = int64_t(X) + 1; c <= int64_t(X) + R - 1; ++c) {
        run(c, int64_t(Y) + 1, lastBelow(halfHeight(c - X)));
        progressStep(progress);
    }
    // Left quadrants: below, then above.
    for (int64_t c = int64_t(X) - R + 1; c <= int64_t(X) - 1; ++c) {
        run(c, int64_t(Y) + 1, lastBelow(halfHeight(c - X)));
        progressStep(progress);
    }
    for (int64_t c = int64_t(X) - R + 1; c <= int64_t(X) - 1; ++c) {
        run(c, firstAbove(halfHeight(c - X)), int64_t(Y) - 1);
        progressStep(progress);
    }
    // The four half axes: centre row to the right, centre column below,
    // centre row to the left, centre column above. The centre stays.
    for (int64_t c = int64_t(X) + 1; c <= int64_t(X) + R - 1; ++c) run(c, Y, Y);
    run(X, int64_t(Y) + 1, int64_t(Y) + R - 1);
    for (int64_t c = int64_t(X) - R + 1; c <= int64_t(X) - 1; ++c) run(c, Y, Y);
    run(X, int64_t(Y) - R + 1, int64_t(Y) - 1);

    progressFinish(progress);
    return dst;
}

} // namespace

Picture Sphericalyouxuan(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return twist<true>(src, X, Y, R, S, progress);
}

Picture Sphericalzuoxuan(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return twist<false>(src, X, Y, R, S, progress);
}

namespace detail {

double twistShift(int R, int S, double rho0) { return Profile(R, S).shift(rho0); }

TwistSource twistSource(int X, int Y, int R, int S, bool clockwise, int c, int i) {
    const Profile prof(R, S);
    TwistSource s{};
    const int64_t a = int64_t(c) - X, b = int64_t(Y) - i;
    if (clockwise) sourceOf<true>(prof, c, i, a, b, s.x, s.y);
    else sourceOf<false>(prof, c, i, a, b, s.x, s.y);
    return s;
}

} // namespace detail

} // namespace jollix
