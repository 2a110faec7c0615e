#include "effects/brushes/spherical.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/engine/brush_engine.h"

// Both brushes model a spherical cap of base radius R and height H standing
// on the picture around the centre (a, b). Every colour is read from the
// unchanged source picture and written into a copy that shares the source's
// tiles, so only the tiles under the disc are cloned.
//
// Precision: the region's bounds and the nearest-pixel reads on the centre
// row and column are rounded, so they are formed in extended precision with
// the named intermediates kept as doubles, which decides rounding ties the
// same way every time. The source points inside the quadrants only feed the
// bilinear sampler and are formed in doubles.

namespace jollix {

namespace detail {

SphereCap sphereCap(int R, int H) {
    const int64_t num = int64_t(R) * R + int64_t(H) * H;
    const int64_t den = 2 * int64_t(H);
    if (den == 0) throw JollixError(num == 0 ? kInvalidFloatOp : kDivisionByZero);
    const double rho = double(static_cast<long double>(num) / static_cast<long double>(den));
    const double c = double(static_cast<long double>(rho) - H);
    return {rho, c};
}

double sphericalExpandHalfHeight(const SphereCap& cap, int H, int dx) {
    const long double rho = cap.rho, c = cap.c, d = dx;
    // The cap's height above the plane at this column ...
    const double w = double(checkedSqrt(rho * rho - d * d) - rho + H);
    // ... and the half-chord of the cap's base circle there.
    const long double cw = c + w;
    return double(checkedSqrt(cw * cw - c * c));
}

ShrinkColumn sphericalShrinkColumn(const SphereCap& cap, int a, int x) {
    const long double rho = cap.rho, c = cap.c;
    const long double dx = static_cast<long double>(int64_t(a) - x);
    const long double dx2 = dx * dx;
    const double D1 = double(std::sqrt(c * c + dx2));
    // The point p1 where the ray from the sphere's centre through the column's
    // rim point meets the sphere, projected onto the row; the height h1 of
    // the similar triangle gives S1 = c * rho / D1.
    const long double slant = std::sqrt(checkedDivide(c * c, dx2) + 1);
    const long double along = (rho - D1) / slant;
    const double p1 = x < a ? double(x - along) : double(x + along);
    const double h1 = double(checkedDivide((static_cast<long double>(x) - p1) * c, dx));
    const double S1 = double(c + h1);
    const long double s1 = S1;
    const double K1 = double(checkedSqrt(s1 * s1 - c * c));
    return {D1, K1};
}

}  // namespace detail

namespace {

inline int clampInt(long long v, int lo, int hi) { return int(std::min<long long>(std::max<long long>(v, lo), hi)); }

// The expand as a brush. Quadrant pixel at offsets (dx, dy) from the
// centre: z = sqrt(rho^2 - dx^2 - dy^2) is the sphere's height above it, and
// it takes the colour of the point c / z of the way from the centre, along
// the same direction. The centre row and column take the nearest pixel of
// their source; the centre stays.
struct SphereExpandBrush {
    void point(int x, int y, double& sx, double& sy) const {
        const double dx = double(centreX) - double(x), dy = double(centreY) - double(y);
        const double q = c / std::sqrt((rho2 - dx * dx) - dy * dy);
        sx = double(centreX) - q * dx;
        sy = double(centreY) - q * dy;
    }
    brush::Source centre(int x, int y) const {
        const int a = centreX, b = centreY;
        if (y == b && x == a) return brush::keep();
        if (y == b) {
            const double xs = double(static_cast<long double>(a) - shift(int64_t(a) - x));
            return brush::copyOf(clampInt(roundToInt(xs), 0, W - 1), b);
        }
        const double ys = double(static_cast<long double>(b) - shift(int64_t(b) - y));
        return brush::copyOf(a, clampInt(roundToInt(ys), 0, Hp - 1));
    }
    long double shift(int64_t d) const {
        const long double dl = static_cast<long double>(d), rhoL = rho, cL = c;
        return cL * dl / std::sqrt(rhoL * rhoL - dl * dl);
    }
    int centreX, centreY, W, Hp;
    double rho, c, rho2;
};

// The shrink as a brush. A quadrant pixel in column x at row offset dy
// takes the colour of the point kc / sqrt(c^2 + dy^2) of the way from the
// centre, kc being its column's factor c rho / D1; the centre row and
// column take the nearest pixel of their source, clamped into the picture.
struct SphereShrinkBrush {
    void point(int x, int y, double& sx, double& sy) const {
        const double dx = double(centreX) - double(x), dy = double(centreY) - double(y);
        const double k = kc[size_t(int64_t(x) - left)] * (1.0 / std::sqrt(c * c + dy * dy));
        sx = centreX - k * dx;
        sy = centreY - k * dy;
    }
    brush::Source centre(int x, int y) const {
        const int a = centreX, b = centreY;
        if (y == b && x == a) return brush::keep();
        if (y == b) {
            double xs = double(static_cast<long double>(a) - shift(int64_t(a) - x));
            xs = std::min<double>(std::max(xs, 0.0), W - 1);
            return brush::copyOf(roundToInt(xs), b);
        }
        double ys = double(static_cast<long double>(b) - shift(int64_t(b) - y));
        ys = std::min<double>(std::max(ys, 0.0), Hp - 1);
        return brush::copyOf(a, roundToInt(ys));
    }
    long double shift(int64_t d) const {
        const long double dl = static_cast<long double>(d), rhoL = rho, cL = c;
        return dl * rhoL / std::sqrt(cL * cL + dl * dl);
    }
    int centreX, centreY, W, Hp;
    double rho, c;
    int64_t left;
    std::vector<double> kc;  // per column from `left`
};

// The expand's disc: the column at offset m from the centre runs from
// roundToInt(b - Kx) + 1 to roundToInt(b + Kx) - 1, through the centre row; the
// centre column from b - R + 1 to b + R - 1 (R > 1). The four quadrants
// have one progress step per column each.
auto expandPlan(const Picture& src, int a, int b, int R, int H) {
    return [=, &src](Progress*) -> std::optional<brush::Pass<SphereExpandBrush>> {
        const detail::SphereCap cap = detail::sphereCap(R, H);
        if (R <= 1) return std::nullopt;
        const int W = src.width(), Hp = src.height();
        // Column offsets beyond mMax reach no pixel of the picture, and row
        // offsets beyond kMax none either.
        const long long mMax = std::min<long long>(R - 1, std::max(std::llabs(a), std::llabs((long long)W - 1 - a)));
        const long long kMax = std::max(std::llabs(b), std::llabs((long long)Hp - 1 - b));
        brush::Region region;
        region.first = std::max((long long)a - R + 1, 0LL);
        std::vector<long long> up(size_t(std::max(mMax, 0LL)) + 1, 0), down(up.size(), 0);
        for (long long m = 1; m <= mMax; ++m) {
            const long double kx = detail::sphericalExpandHalfHeight(cap, H, int(m));
            up[size_t(m)] = std::min(kMax, b - (roundToInt(static_cast<long double>(b) - kx) + 1LL));
            down[size_t(m)] = std::min(kMax, (roundToInt(static_cast<long double>(b) + kx) - 1LL) - b);
        }
        for (long long x = region.first; x <= std::min((long long)a + R - 1, W - 1LL); ++x) {
            const long long m = std::llabs(a - x);
            if (m == 0)
                region.add((long long)b - R + 1, (long long)b + R - 1);
            else if (m <= mMax)
                region.add(b - std::max(up[size_t(m)], 0LL), b + std::max(down[size_t(m)], 0LL));
            else
                region.add(b, b);  // outside the picture
        }
        return brush::Pass<SphereExpandBrush>{
            {a, b, W, Hp, cap.rho, cap.c, cap.rho * cap.rho}, std::move(region), 4 * ((long long)R - 1)};
    };
}

// The shrink's brush and disc (R > 1): each column's half-height and
// factor, in the order the columns are stepped through: left of the
// centre, then right of it. Column x runs from b - n + 1 to b + n - 1 with
// n = roundToInt(K1), through the centre row; the centre column from b - R + 1
// to b + R - 1.
auto shrinkPlan(const Picture& src, int a, int b, int R, int H) {
    return [=, &src](Progress* progress) -> std::optional<brush::Pass<SphereShrinkBrush>> {
        const detail::SphereCap cap = detail::sphereCap(R, H);
        if (R <= 1) return std::nullopt;
        const int W = src.width(), Hp = src.height();
        const long long left = std::max((long long)a - R + 1, 0LL), right = std::min((long long)a + R - 1, W - 1LL);
        SphereShrinkBrush brush{a, b, W, Hp, cap.rho, cap.c, left, {}};
        brush::Region region;
        region.first = left;
        const size_t lines = size_t(std::max(right - left + 1, 0LL));
        brush.kc.assign(lines, 0.0);
        region.lo.assign(lines, 0);
        region.hi.assign(lines, 0);
        brush::planLines({{(long long)a - R + 1, (long long)a - 1}, {(long long)a + 1, (long long)a + R - 1}}, progress,
                         [&](long long x) {
                             const detail::ShrinkColumn col = detail::sphericalShrinkColumn(cap, a, int(x));
                             const long long n = std::max<long long>(roundToInt(col.K1) - 1, 0);
                             if (x < left || x > right) return;
                             const size_t j = size_t(x - left);
                             brush.kc[j] = cap.c * cap.rho / col.D1;
                             region.lo[j] = b - n;
                             region.hi[j] = b + n;
                         });
        if (a >= left && a <= right) {
            region.lo[size_t(a - left)] = (long long)b - R + 1;
            region.hi[size_t(a - left)] = (long long)b + R - 1;
        }
        return brush::Pass<SphereShrinkBrush>{std::move(brush), std::move(region), 2 * ((long long)R - 1)};
    };
}

}  // namespace

Picture sphericalExpand(const Picture& src, int a, int b, int R, int H, Progress* progress) {
    return brush::effect(src, progress, expandPlan(src, a, b, R, H));
}
Picture sphericalShrink(const Picture& src, int a, int b, int R, int H, Progress* progress) {
    return brush::effect(src, progress, shrinkPlan(src, a, b, R, H));
}
BrushMapping sphericalExpandMapping(const Picture& src, int a, int b, int R, int H) {
    return brush::mapping(expandPlan(src, a, b, R, H));
}
BrushMapping sphericalShrinkMapping(const Picture& src, int a, int b, int R, int H) {
    return brush::mapping(shrinkPlan(src, a, b, R, H));
}

}  // namespace jollix
