#include "effects/brushes/axis_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/engine/brush_engine.h"
#include "effects/engine/vector_build.h"
#include "effects/engine/sampler.h"

// The vertical brushes move content only along columns, the horizontal ones
// only along rows. The patch is a circular cap of base radius R rising S
// above its rim; d = rho - S is the depth of the circle's centre below the
// picture. Every colour is read from the unchanged source picture and written
// into a copy that shares the source's tiles.
//
// Precision: the per-line terms that decide which pixels are visited are
// formed in extended precision with the named intermediates kept as doubles.
// The per-pixel source coordinates only feed the bilinear sampler and are
// formed in doubles from per-line and per-offset terms taken out of the
// inner loops.

namespace jollix {

namespace detail {

double axisRho(int R, int S) {
    const int64_t num = int64_t(R) * R + int64_t(S) * S;
    const int64_t den = 2 * int64_t(S);
    if (den == 0) throw JollixError(num == 0 ? kInvalidFloatOp : kDivisionByZero);
    return double(static_cast<long double>(num) / static_cast<long double>(den));
}

AxisExpandLine axisExpandLine(double rho, int S, int t) {
    const long double r = rho, tl = t;
    const double h = double(checkedSqrt(r * r - tl * tl) - r + S);
    const double F = double(h + r - S);
    const long double depth = r - S;
    const long double rise = depth + h;
    const double B = double(checkedSqrt(rise * rise - depth * depth));
    return {h, F, B};
}

AxisShrinkLine axisShrinkLine(double rho, int S, int f, int t) {
    const long double r = rho, d = r - S, tl = t;
    const long double T1 = r - std::sqrt(d * d + tl * tl);
    const long double Q = T1 / std::sqrt(checkedDivide(d * d, tl * tl) + 1);
    const double xs = t > 0 ? double(f - Q) : double(f + Q);
    const double P = double(checkedDivide((static_cast<long double>(f) - xs) * d, tl));
    const double E = double(d + P);
    const long double e = E;
    const double H = double(checkedSqrt(e * e - d * d));
    return {xs, P, E, H};
}

}  // namespace detail

namespace {

// The expand as a brush: the pixel at offset G = centre - i along line f
// takes its colour from centre - q G, q = (F - h) / sqrt(F^2 - G^2) being
// the factor of the line's offset m = |centre line - f| at |G|; where the
// root has no positive argument the pixel keeps its colour.
template <bool kVertical>
struct ExpandBrush {
    // Per line offset m: F - h, F^2, and F in extended precision.
    struct Line {
        double dF, F2;
        long double F;
    };

    // The factor of line offset m at |G| = g, NaN where the pixel keeps its
    // colour. Close to the line's ends the root's sign is decided in
    // extended precision.
    double factor(long long m, long long g) const {
        const Line& l = lines[size_t(m)];
        const double G = double(g);
        double arg = l.F2 - G * G;
        if (!(arg > l.F2 * 1e-12)) {
            const long double e = l.F * l.F - static_cast<long double>(G) * G;
            if (!(e > 0)) return std::nan("");
            arg = double(e);
        }
        return l.dF / std::sqrt(arg);
    }

    brush::Source map(int x, int y) const {
        const long long f = kVertical ? x : y, i = kVertical ? y : x;
        const double q = factor(std::llabs(outerC - f), std::llabs(innerC - i));
        if (q != q) return brush::keep();
        const double s = innerC - q * double(innerC - i);
        return kVertical ? brush::sampleAt(double(f), s) : brush::sampleAt(s, double(f));
    }

    // A row of points at once: the factors in vector registers, those
    // close to a line's end (rare) again through factor().
    void mapRow(int y, const int* xs, int n, double* sx, double* sy, brush::Take* take) const {
        alignas(64) double q[Picture::kTile];
        alignas(64) uint8_t nearEnd[Picture::kTile];
        if constexpr (kVertical)
            verticalFactors(y, xs, n, q, nearEnd);
        else
            horizontalFactors(y, xs, n, q, nearEnd);
        for (int k = 0; k < n; ++k) {
            const long long f = kVertical ? xs[k] : y, i = kVertical ? y : xs[k];
            if (nearEnd[k]) q[k] = factor(std::llabs(outerC - f), std::llabs(innerC - i));
            take[k] = q[k] != q[k] ? brush::Take::Keep : brush::Take::Sample;
            const double s = innerC - q[k] * double(innerC - i);
            sx[k] = kVertical ? double(f) : s;
            sy[k] = kVertical ? s : double(f);
        }
    }

    // The factors of the pixels (xs[k], y) of the vertical brush, each on
    // its own line, all at |G| = |innerC - y|.
    JOLLIX_VECTOR_CLONES void verticalFactors(int y, const int* __restrict xs, int n, double* __restrict q,
                                              uint8_t* __restrict nearEnd) const {
        const double G = double(std::llabs((long long)innerC - y)), G2 = G * G;
        const Line* __restrict l = lines.data();
        const int c = outerC;
        for (int k = 0; k < n; ++k) {
            const int m = xs[k] < c ? c - xs[k] : xs[k] - c;
            const double F2 = l[m].F2, arg = F2 - G2;
            nearEnd[k] = !(arg > F2 * 1e-12);
            q[k] = l[m].dF / std::sqrt(nearEnd[k] ? F2 : arg);
        }
    }

    // The factors of the pixels (xs[k], y) of the horizontal brush, all on
    // the line of row y, at |G| = |innerC - xs[k]|.
    JOLLIX_VECTOR_CLONES void horizontalFactors(int y, const int* __restrict xs, int n, double* __restrict q,
                                                uint8_t* __restrict nearEnd) const {
        const Line& l = lines[size_t(std::llabs((long long)outerC - y))];
        const double F2 = l.F2, dF = l.dF, c = innerC;
        for (int k = 0; k < n; ++k) {
            const double G = double(xs[k]) - c, arg = F2 - G * G;
            nearEnd[k] = !(arg > F2 * 1e-12);
            q[k] = dF / std::sqrt(nearEnd[k] ? F2 : arg);
        }
    }

    int outerC, innerC;
    std::vector<Line> lines;  // per line offset 0 .. mMax
};

// The expand. Lines are the columns of the vertical and the rows of the
// horizontal expand; each line is stretched away from the centre line.
// The expand's brush and region (R >= 1). Lines at offsets t and -t share
// their terms, formed once per offset: each line's span and the numbers of
// its factors. Line offsets beyond mMax reach no pixel of the picture.
template <bool kVertical>
std::pair<ExpandBrush<kVertical>, brush::Region> expandPlan(const Picture& src, int X, int Y, int R, int S) {
    const double rho = detail::axisRho(R, S);
    const int W = src.width(), Hp = src.height();
    const int outerC = kVertical ? X : Y, innerC = kVertical ? Y : X;
    const int outerN = kVertical ? W : Hp, innerN = kVertical ? Hp : W;
    struct Span {
        long long lo, hi;
    };
    const long long mMax =
        std::min<long long>(R - 1, std::max(std::llabs(outerC), std::llabs((long long)outerN - 1 - outerC)));
    std::vector<Span> spans(size_t(mMax) + 1);
    ExpandBrush<kVertical> brush{outerC, innerC, std::vector<typename ExpandBrush<kVertical>::Line>(size_t(mMax) + 1)};
    for (long long m = 0; m <= mMax; ++m) {
        const detail::AxisExpandLine line = detail::axisExpandLine(rho, S, int(m));
        spans[size_t(m)] = {roundToInt(static_cast<long double>(innerC) - line.B),
                            roundToInt(static_cast<long double>(innerC) + line.B)};
        const long double Fl = line.F;
        brush.lines[size_t(m)] = {double(Fl - line.h), double(Fl * Fl), Fl};
    }
    // The lines inside the picture, each with the run of pixels it writes:
    // the pixels at its ends whose root has no positive argument keep
    // their colour.
    brush::Region region;
    region.byRows = !kVertical;
    region.first = std::max((long long)outerC - R + 1, 0LL);
    for (long long f = region.first; f <= std::min<long long>((long long)outerC + R - 1, outerN - 1); ++f) {
        const long long m = std::llabs(outerC - f);  // <= mMax
        const Span& sp = spans[size_t(m)];
        auto keeps = [&](long long i) { return std::isnan(brush.factor(m, std::llabs(innerC - i))); };
        long long from = std::max(sp.lo, 0LL), to = std::min<long long>(sp.hi, innerN - 1);
        while (from <= to && keeps(from)) ++from;
        while (to >= from && keeps(to)) --to;
        region.add(from, to);
    }
    return {std::move(brush), std::move(region)};
}

// The expand. Lines are the columns of the vertical and the rows of the
// horizontal expand; each line is stretched away from the centre line.
template <bool kVertical>
Picture axisExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress,
                   brush::Painting how = brush::Painting::Engine) {
    Picture dst = src;
    if (R >= 1) {
        auto [brush, region] = expandPlan<kVertical>(src, X, Y, R, S);
        // One step per line, inside the picture or not.
        brush::paint(src, dst, brush, region, 2 * (long long)R - 1, progress, how);
    }
    progressFinish(progress);
    return dst;
}

// The shrink. Both orientations visit the vertical shrink's pixel set: the
// off-centre columns with their half-heights, then the centre line.
// The shrink as a brush. Column f's pixel at row offset u = Y - i takes
// its colour from u E / sqrt(d^2 + u^2) above the centre row (vertical),
// or from the row's own Er at the column offset t = X - f (horizontal).
// The centre line (the centre column of the vertical shrink, the centre
// row of the horizontal one) moves by rho off / sqrt(d^2 + off^2).
template <bool kVertical>
struct ShrinkBrush {
    brush::Source map(int f, int i) const {
        const long long u = (long long)Y - i;
        if (kVertical ? f == X : i == Y) {
            const long long off = kVertical ? u : (long long)X - f;  // centre - position
            if (off == 0) return brush::keep();
            const double shift = rho * double(off) * inv(std::llabs(off));
            return kVertical ? brush::sampleAt(double(X), Y - shift) : brush::sampleAt(X - shift, double(Y));
        }
        if (kVertical ? i == Y : f == X) return brush::keep();
        const long long m = std::llabs(u);
        if constexpr (kVertical) {
            return brush::sampleAt(double(f), Y - E[size_t(f - first)] * double(u) * inv(m));
        } else {
            const int t = int(X - f);
            const double er = rowEr(m);
            return brush::sampleAt(X - er * double(t) * inv(std::abs(t)), double(i));
        }
    }
    // A row of points at once, as map gives them: off the centre lines in
    // vector registers, the centre row and the centre column through map.
    void mapRow(int i, const int* fs, int n, double* sx, double* sy, brush::Take* take) const {
        if (i != Y) {
            if constexpr (kVertical)
                verticalRow(i, fs, n, sx, sy);
            else
                horizontalRow(i, fs, n, sx, sy);
        }
        brush::axesFromMap(*this, i, X, Y, fs, n, sx, sy, take);
    }

    JOLLIX_VECTOR_CLONES void verticalRow(int i, const int* __restrict fs, int n, double* __restrict sx,
                                          double* __restrict sy) const {
        const long long u = (long long)Y - i;
        const double du = double(u), iv = inv(std::llabs(u)), y = Y;
        const double* __restrict e = E.data();
        const int from = int(first);
        for (int k = 0; k < n; ++k) {
            sx[k] = double(fs[k]);
            sy[k] = y - e[fs[k] - from] * du * iv;
        }
    }

    JOLLIX_VECTOR_CLONES void horizontalRow(int i, const int* __restrict fs, int n, double* __restrict sx,
                                            double* __restrict sy) const {
        const long long m = std::llabs((long long)Y - i);
        const double er = rowEr(m);
        const double x = X, row = i, dd = d * d;
        const double* __restrict table = invTable.data();
        const int reach = int(invTable.size());
        for (int k = 0; k < n; ++k) {
            const int t = X - fs[k], at = t < 0 ? -t : t;
            const double dt = double(t);
            const double iv = at < reach ? table[at] : 1.0 / std::sqrt(dd + dt * dt);
            sx[k] = x - er * dt * iv;
            sy[k] = row;
        }
    }

    // The horizontal shrink's Er of the row at offset m, from the table
    // where it reaches.
    double rowEr(long long m) const {
        return m < (long long)rowE.size() ? rowE[size_t(m)] : detail::axisShrinkLine(rho, S, 0, int(m)).E;
    }
    // 1 / sqrt(d^2 + m^2), from the table where it reaches.
    double inv(long long m) const {
        return m < (long long)invTable.size() ? invTable[size_t(m)] : 1.0 / std::sqrt(d * d + double(m) * double(m));
    }
    int X, Y, S;
    double rho, d;
    long long first;
    std::vector<double> invTable, rowE, E;  // E per column from `first`
};

// The shrink's brush and region (R > 1). Both orientations visit the
// vertical shrink's columns with their half-heights, then the centre line.
template <bool kVertical>
std::pair<ShrinkBrush<kVertical>, brush::Region> shrinkPlan(const Picture& src, double rho, int X, int Y, int R, int S,
                                                            Progress* progress) {
    const int W = src.width(), Hp = src.height();
    const long double dL = static_cast<long double>(rho) - S;
    const long long left = std::max((long long)X - R + 1, 0LL), right = std::min((long long)X + R - 1, W - 1LL);
    ShrinkBrush<kVertical> brush{X, Y, S, rho, double(dL), left, {}, {}, {}};
    // 1 / sqrt(d^2 + m^2) for the offsets 0 .. R that reach the picture.
    const long long reach =
        std::max({std::llabs(X), std::llabs((long long)W - 1 - X), std::llabs(Y), std::llabs((long long)Hp - 1 - Y)});
    brush.invTable.resize(size_t(std::min<long long>(R, reach)) + 1);
    for (size_t m = 0; m < brush.invTable.size(); ++m)
        brush.invTable[m] = 1.0 / std::sqrt(brush.d * brush.d + double(m) * double(m));
    // The horizontal shrink takes, per row offset u, the row's own E (Er),
    // formed like the column's E with u in place of t.
    if constexpr (!kVertical) {
        brush.rowE.resize(size_t(std::min<long long>(R, reach)));
        for (size_t m = 1; m < brush.rowE.size(); ++m) brush.rowE[m] = detail::axisShrinkLine(rho, S, 0, int(m)).E;
    }
    // Each column's terms, in the order the columns are stepped through:
    // left of the centre, then right of it. A failure reports the steps of
    // the columns before it, as stepping column by column would. Column f
    // runs from Y - n + 1 to Y + n - 1, n = roundToInt(H), through the centre
    // row; the centre column from Y - R + 1 to Y + R - 1 (the vertical
    // shrink's centre line; the horizontal shrink leaves it alone).
    brush::Region region;
    region.first = left;
    const size_t lines = size_t(std::max(right - left + 1, 0LL));
    region.lo.assign(lines, 0);
    region.hi.assign(lines, -1);
    brush.E.assign(lines, 0.0);
    long long stepped = 0;
    try {
        for (int side = 0; side < 2; ++side) {
            const long long from = side == 0 ? (long long)X - R + 1 : (long long)X + 1;
            const long long to = side == 0 ? (long long)X - 1 : (long long)X + R - 1;
            for (long long f = from; f <= to; ++f, ++stepped) {
                const detail::AxisShrinkLine line = detail::axisShrinkLine(rho, S, int(f), int(X - f));
                const long long n = std::max<long long>(roundToInt(line.H) - 1, 0);
                if (f < left || f > right) continue;
                region.lo[size_t(f - left)] = (long long)Y - n;
                region.hi[size_t(f - left)] = (long long)Y + n;
                brush.E[size_t(f - left)] = line.E;
            }
        }
    } catch (...) {
        for (long long i = 0; i < stepped; ++i) progressStep(progress);
        throw;
    }
    if (kVertical && X >= left && X <= right) {
        region.lo[size_t(X - left)] = (long long)Y - R + 1;
        region.hi[size_t(X - left)] = (long long)Y + R - 1;
    }
    return {std::move(brush), std::move(region)};
}

template <bool kVertical>
Picture axisShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress,
                   brush::Painting how = brush::Painting::Engine) {
    const double rho = detail::axisRho(R, S);
    Picture dst = src;
    if (R > 1) {
        auto [brush, region] = shrinkPlan<kVertical>(src, rho, X, Y, R, S, progress);
        brush::paint(src, dst, brush, region, 2 * ((long long)R - 1), progress, how);
    }
    progressFinish(progress);
    return dst;
}

template <bool kVertical>
BrushMapping expandMapping(const Picture& src, int X, int Y, int R, int S) {
    if (R < 1) return {};
    auto [brush, region] = expandPlan<kVertical>(src, X, Y, R, S);
    return BrushMapping({brush::mappingPass(std::move(brush), std::move(region))});
}

template <bool kVertical>
BrushMapping shrinkMapping(const Picture& src, int X, int Y, int R, int S) {
    const double rho = detail::axisRho(R, S);
    if (R <= 1) return {};
    auto [brush, region] = shrinkPlan<kVertical>(src, rho, X, Y, R, S, nullptr);
    return BrushMapping({brush::mappingPass(std::move(brush), std::move(region))});
}

}  // namespace

Picture verticalExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisExpand<true>(src, X, Y, R, S, progress);
}

Picture horizontalExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisExpand<false>(src, X, Y, R, S, progress);
}

Picture verticalShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisShrink<true>(src, X, Y, R, S, progress);
}

Picture horizontalShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisShrink<false>(src, X, Y, R, S, progress);
}

BrushMapping verticalExpandMapping(const Picture& src, int X, int Y, int R, int S) {
    return expandMapping<true>(src, X, Y, R, S);
}
BrushMapping horizontalExpandMapping(const Picture& src, int X, int Y, int R, int S) {
    return expandMapping<false>(src, X, Y, R, S);
}
BrushMapping verticalShrinkMapping(const Picture& src, int X, int Y, int R, int S) {
    return shrinkMapping<true>(src, X, Y, R, S);
}
BrushMapping horizontalShrinkMapping(const Picture& src, int X, int Y, int R, int S) {
    return shrinkMapping<false>(src, X, Y, R, S);
}

Picture detail::axisPlain(bool vertical, bool expanding, const Picture& src, int X, int Y, int R, int S) {
    constexpr brush::Painting plain = brush::Painting::Plain;
    if (expanding)
        return vertical ? axisExpand<true>(src, X, Y, R, S, nullptr, plain)
                        : axisExpand<false>(src, X, Y, R, S, nullptr, plain);
    return vertical ? axisShrink<true>(src, X, Y, R, S, nullptr, plain)
                    : axisShrink<false>(src, X, Y, R, S, nullptr, plain);
}

}  // namespace jollix
