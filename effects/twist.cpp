#include "effects/twist.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/sampler.h"
#include "effects/tile_writer.h"

// Loops that work out many source points at once are built for several
// instruction sets and the widest one the processor has is picked at run
// time. They use only correctly rounded operations, so every version gives
// the same numbers.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define JOLLIX_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define JOLLIX_VECTOR_CLONES
#endif

namespace jollix {

namespace {

using detail::TileWriter;

// The shift profile of a twist of radius R and strength S: plotted against
// the distance from the centre, the shift follows the circular arc through
// (0, 0), (R/2, S) and (R, 0), whose radius is rhoT.
struct Profile {
    Profile(int R, int S) : halfR(R / 2.0), S(S) {
        const long double h = static_cast<long double>(R) / 2;
        const long double s = S;
        rhoT = static_cast<double>(Divide(h * h + s * s, 2.0L * s));
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
// whole displacement follows from f = m / rho0, which depends only on
// a^2 + b^2. f[j] for the offsets (a, b0 + j), j = 0 .. n - 1.
JOLLIX_VECTOR_CLONES
void fillSteps(const Profile& p, double a, double b0, int n, double* f) {
    const double halfR = p.halfR, S = p.S, rhoT = p.rhoT, rhoT2 = p.rhoT2;
    const double a2 = a * a;
    const bool positive = S > 0;
    for (int j = 0; j < n; ++j) {
        const double b = b0 + j;
        const double rho0 = std::sqrt(a2 + b * b);
        const double r = rho0 - halfR;
        const double r2 = r * r;
        const double root = std::sqrt(rhoT2 - r2);
        const double m = positive ? S - r2 / (rhoT + root) : root + S - rhoT;
        f[j] = m / rho0;
    }
}

// Source of pixel (c, i), offsets a = c - X, b = Y - i, step factor f:
// a step of length m along the tangent, anticlockwise (in the upward-b
// frame) for the clockwise twist, clockwise for the anticlockwise one.
//   clockwise:     column X + a - m b / rho0, row Y - (b + m a / rho0)
//   anticlockwise: column X + a + m b / rho0, row Y - (b - m a / rho0)
template <bool Clockwise>
inline void sourceOf(double f, int64_t c, int64_t i, int64_t a, int64_t b, double& sx, double& sy) {
    const double dx = f * static_cast<double>(b), dy = f * static_cast<double>(a);
    sx = Clockwise ? static_cast<double>(c) - dx : static_cast<double>(c) + dx;
    sy = Clockwise ? static_cast<double>(i) - dy : static_cast<double>(i) + dy;
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
    TileWriter out(dst);
    const int64_t w = src.width(), h = src.height();
    const int64_t R2 = int64_t(R) * R;
    const int64_t x = X, y = Y;

    // The disc's half height W = sqrt(R^2 - a^2) at column offset a, and
    // the rows it covers there: above the centre Round(Y - W) + 1 .. Y - 1,
    // below it Y + 1 .. Round(Y + W) - 1.
    std::vector<int64_t> top(static_cast<size_t>(R)), bottom(static_cast<size_t>(R));
    for (int64_t a = 1; a < R; ++a) {
        const double W = static_cast<double>(std::sqrt(static_cast<long double>(R2 - a * a)));
        top[size_t(a)] = int64_t(Round(static_cast<long double>(y) - W)) + 1;
        bottom[size_t(a)] = int64_t(Round(static_cast<long double>(y) + W)) - 1;
    }

    // Step factors of the quadrant pixels, worked out once for each pair
    // (|a|, |b|) that one of the four quadrants needs inside the picture and
    // shared by all four. Only the rows inside the picture count; a disc
    // so large that the table would pass kMaxShared entries works them out
    // column by column instead.
    constexpr size_t kMaxShared = size_t(1) << 22;
    const int64_t bLo = std::max<int64_t>(1, std::min(y - (h - 1), -y));
    const int64_t bHi = std::max(y, h - 1 - y);
    std::vector<size_t> start(static_cast<size_t>(R) + 1, 0);
    size_t total = 0;
    for (int64_t a = 1; a < R; ++a) {
        start[size_t(a)] = total;
        const bool used = (x + a >= 0 && x + a < w) || (x - a >= 0 && x - a < w);
        const int64_t hi = std::min(std::max(y - top[size_t(a)], bottom[size_t(a)] - y), bHi);
        if (used && hi >= bLo) total += size_t(hi - bLo + 1);
    }
    start[size_t(R)] = total;
    const bool shared = total <= kMaxShared;
    std::unique_ptr<double[]> steps(new double[shared ? total : 0]);
    if (shared) {
        for (int64_t a = 1; a < R; ++a) {
            const size_t n = start[size_t(a) + 1] - start[size_t(a)];
            if (n) fillSteps(prof, double(a), double(bLo), int(n), steps.get() + start[size_t(a)]);
        }
    }
    std::vector<double> own;  // one column's factors when they are not shared

    // Rows i0 .. i1 of quadrant column c, clipped to the picture (writes
    // outside would be ignored anyway).
    auto run = [&](int64_t c, int64_t i0, int64_t i1) {
        if (c < 0 || c >= w) return;
        i0 = std::max<int64_t>(i0, 0);
        i1 = std::min<int64_t>(i1, h - 1);
        if (i1 < i0) return;
        const int64_t a = c - x, ua = a < 0 ? -a : a;
        // |b| runs over ub0 .. ub0 + n - 1 (in one direction or the other).
        const int64_t ub0 = std::min(std::llabs(y - i0), std::llabs(y - i1));
        const double* f;
        if (shared) {
            f = steps.get() + start[size_t(ua)] + size_t(ub0 - bLo);
        } else {
            own.resize(size_t(i1 - i0 + 1));
            fillSteps(prof, double(ua), double(ub0), int(own.size()), own.data());
            f = own.data();
        }
        for (int64_t i = i0; i <= i1; ++i) {
            const int64_t b = y - i;
            double sx, sy;
            sourceOf<Clockwise>(f[size_t((b < 0 ? -b : b) - ub0)], c, i, a, b, sx, sy);
            out.put(c, i, detail::bilinear(src, sx, sy));
        }
    };
    // A pixel on one of the axes, where rho0 is |a| or |b|.
    auto axisPixel = [&](int64_t c, int64_t i) {
        if (c < 0 || c >= w || i < 0 || i >= h) return;
        const int64_t a = c - x, b = y - i;
        const double rho0 = static_cast<double>(a != 0 ? (a < 0 ? -a : a) : (b < 0 ? -b : b));
        const double m = prof.shift(rho0);
        const double dx = m * static_cast<double>(b) / rho0, dy = m * static_cast<double>(a) / rho0;
        double sx = Clockwise ? double(c) - dx : double(c) + dx;
        double sy = Clockwise ? double(i) - dy : double(i) + dy;
        out.put(c, i, detail::bilinear(src, sx, sy));
    };

    // Right quadrants: above the centre row, then below it.
    for (int64_t a = 1; a < R; ++a) {
        run(x + a, top[size_t(a)], y - 1);
        progressStep(progress);
    }
    for (int64_t a = 1; a < R; ++a) {
        run(x + a, y + 1, bottom[size_t(a)]);
        progressStep(progress);
    }
    // Left quadrants: below, then above (columns X - R + 1 .. X - 1).
    for (int64_t a = R - 1; a >= 1; --a) {
        run(x - a, y + 1, bottom[size_t(a)]);
        progressStep(progress);
    }
    for (int64_t a = R - 1; a >= 1; --a) {
        run(x - a, top[size_t(a)], y - 1);
        progressStep(progress);
    }
    // The four half axes: centre row to the right, centre column below,
    // centre row to the left, centre column above. The centre stays.
    for (int64_t a = 1; a < R; ++a) axisPixel(x + a, y);
    for (int64_t b = 1; b < R; ++b) axisPixel(x, y + b);
    for (int64_t a = R - 1; a >= 1; --a) axisPixel(x - a, y);
    for (int64_t b = R - 1; b >= 1; --b) axisPixel(x, y - b);

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
    const int64_t a = int64_t(c) - X, b = int64_t(Y) - i;
    TwistSource s{};
    if (a == 0 || b == 0) {
        // On the axes, as the routine does: m along one axis.
        const double rho0 = static_cast<double>(std::llabs(a) + std::llabs(b));
        const double m = prof.shift(rho0);
        const double dx = m * double(b) / rho0, dy = m * double(a) / rho0;
        s.x = clockwise ? c - dx : c + dx;
        s.y = clockwise ? i - dy : i + dy;
        return s;
    }
    double f;
    fillSteps(prof, double(std::llabs(a)), double(std::llabs(b)), 1, &f);
    if (clockwise) sourceOf<true>(f, c, i, a, b, s.x, s.y);
    else sourceOf<false>(f, c, i, a, b, s.x, s.y);
    return s;
}

} // namespace detail

} // namespace jollix
