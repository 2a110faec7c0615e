#include "effects/brushes/axis_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "effects/brushes/spherical.h"
#include "effects/engine/brush_engine.h"

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

// The circle through the patch's rim is the spherical brushes' sphere
// through their cap's rim, cut through its centre.
double axisRho(int R, int S) { return sphereCap(R, S).rho; }

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
// the factor of the line's offset m = |centre line - f| at |G|. Close to
// the line's ends the root's sign is decided in extended precision, and
// where it has no positive argument the pixel keeps its colour.
template <bool kVertical>
struct ExpandBrush {
    // Per line offset m: F - h, F^2, and F in extended precision.
    struct Line {
        double dF, F2;
        long double F;
    };
    bool point(int x, int y, double& sx, double& sy) const {
        const int f = kVertical ? x : y, i = kVertical ? y : x;
        const Line& l = lines[size_t(f < outerC ? outerC - f : f - outerC)];
        const double G = double(i) - double(innerC), arg = l.F2 - G * G;
        const bool nearEnd = !(arg > l.F2 * 1e-12);
        const double s = double(innerC) - l.dF / std::sqrt(nearEnd ? l.F2 : arg) * (double(innerC) - double(i));
        sx = kVertical ? double(f) : s;
        sy = kVertical ? s : double(f);
        return nearEnd;
    }
    brush::Source exact(int x, int y) const {
        const long long f = kVertical ? x : y, i = kVertical ? y : x;
        const double q = factor(std::llabs(outerC - f), std::llabs(innerC - i));
        if (q != q) return brush::keep();
        const double s = innerC - q * double(innerC - i);
        return kVertical ? brush::sampleAt(double(f), s) : brush::sampleAt(s, double(f));
    }
    // The factor of line offset m at |G| = g, NaN where the pixel keeps its
    // colour.
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
    int outerC, innerC;
    std::vector<Line> lines;  // per line offset 0 .. mMax
};

// The expand (R >= 1). Lines are the columns of the vertical and the rows
// of the horizontal expand; each is stretched away from the centre line.
// Lines at offsets t and -t share their terms, formed once per offset:
// each line's span and the numbers of its factors. Line offsets beyond mMax
// reach no pixel of the picture. One progress step per line, inside the
// picture or not.
template <bool kVertical>
auto expandPlan(const Picture& src, int X, int Y, int R, int S) {
    return [=, &src](Progress*) -> std::optional<brush::Pass<ExpandBrush<kVertical>>> {
        if (R < 1) return std::nullopt;
        const double rho = detail::axisRho(R, S);
        const int W = src.width(), Hp = src.height();
        const int outerC = kVertical ? X : Y, innerC = kVertical ? Y : X;
        const int outerN = kVertical ? W : Hp, innerN = kVertical ? Hp : W;
        const long long mMax =
            std::min<long long>(R - 1, std::max(std::llabs(outerC), std::llabs((long long)outerN - 1 - outerC)));
        std::vector<std::pair<long long, long long>> spans(size_t(mMax) + 1);
        ExpandBrush<kVertical> brush{outerC, innerC, {}};
        brush.lines.resize(size_t(mMax) + 1);
        for (long long m = 0; m <= mMax; ++m) {
            const detail::AxisExpandLine line = detail::axisExpandLine(rho, S, int(m));
            spans[size_t(m)] = {roundToInt(static_cast<long double>(innerC) - line.B),
                                roundToInt(static_cast<long double>(innerC) + line.B)};
            const long double Fl = line.F;
            brush.lines[size_t(m)] = {double(Fl - line.h), double(Fl * Fl), Fl};
        }
        // The lines inside the picture, each with the run of pixels it
        // writes: the pixels at its ends whose root has no positive argument
        // keep their colour.
        brush::Region region;
        region.byRows = !kVertical;
        region.first = std::max((long long)outerC - R + 1, 0LL);
        for (long long f = region.first; f <= std::min<long long>((long long)outerC + R - 1, outerN - 1); ++f) {
            const long long m = std::llabs(outerC - f);  // <= mMax
            auto keeps = [&](long long i) { return std::isnan(brush.factor(m, std::llabs(innerC - i))); };
            long long from = std::max(spans[size_t(m)].first, 0LL);
            long long to = std::min<long long>(spans[size_t(m)].second, innerN - 1);
            while (from <= to && keeps(from)) ++from;
            while (to >= from && keeps(to)) --to;
            region.add(from, to);
        }
        return brush::Pass<ExpandBrush<kVertical>>{std::move(brush), std::move(region), 2 * (long long)R - 1};
    };
}

// The shrink as a brush. Column f's pixel at row offset u = Y - i takes
// its colour from u E / sqrt(d^2 + u^2) above the centre row (vertical),
// or from the row's own Er at the column offset t = X - f (horizontal).
// The centre line (the centre column of the vertical shrink, the centre
// row of the horizontal one) moves by rho off / sqrt(d^2 + off^2); the
// other centre line stays. A row beyond the table of Er is handed over.
template <bool kVertical>
struct ShrinkBrush {
    bool point(int f, int i, double& sx, double& sy) const {
        const int u = centreY - i, t = centreX - f;
        if constexpr (kVertical) {
            sx = double(f);
            sy = double(centreY) - E[size_t(f - first)] * double(u) * inv(u < 0 ? -u : u);
            return false;
        } else {
            // The table reaches every column of the region (|t| < R, and no
            // farther than the picture's farthest column). The row's Er is
            // read within its table, a row beyond it handed over.
            const int um = u < 0 ? -u : u, rows = int(rowE.size());
            sx = double(centreX) - rowE[size_t(std::min(um, rows - 1))] * double(t) * invTable[size_t(t < 0 ? -t : t)];
            sy = double(i);
            return um >= rows;
        }
    }
    brush::Source exact(int f, int i) const {
        const int t = int(centreX - f);
        const long long m = std::llabs((long long)centreY - i);
        const double er = m < (long long)rowE.size() ? rowE[size_t(m)] : detail::axisShrinkLine(rho, S, 0, int(m)).E;
        return brush::sampleAt(centreX - er * double(t) * inv(std::abs(t)), double(i));
    }
    brush::Source centre(int f, int i) const {
        if (kVertical ? f != centreX : i != centreY) return brush::keep();
        const long long off = kVertical ? (long long)centreY - i : (long long)centreX - f;  // centre - position
        if (off == 0) return brush::keep();
        const double shift = rho * double(off) * inv(std::llabs(off));
        return kVertical ? brush::sampleAt(double(centreX), centreY - shift)
                         : brush::sampleAt(centreX - shift, double(centreY));
    }
    // 1 / sqrt(d^2 + m^2), from the table where it reaches.
    double inv(long long m) const {
        return m < reach ? invTable[size_t(m)] : 1.0 / std::sqrt(d * d + double(m) * double(m));
    }
    int centreX, centreY, S;
    double rho, d;
    long long first;
    int reach = 0;                          // invTable's size
    std::vector<double> invTable, rowE, E;  // E per column from `first`
};

// The shrink (R > 1). Both orientations visit the vertical shrink's
// columns with their half-heights, then the centre line. Each column's
// terms are formed in the order the columns are stepped through: left of
// the centre, then right of it. Column f runs from Y - n + 1 to Y + n - 1,
// n = roundToInt(H), through the centre row; the centre column from Y - R + 1 to
// Y + R - 1 (the vertical shrink's centre line; the horizontal shrink
// leaves it alone).
template <bool kVertical>
auto shrinkPlan(const Picture& src, int X, int Y, int R, int S) {
    return [=, &src](Progress* progress) -> std::optional<brush::Pass<ShrinkBrush<kVertical>>> {
        const double rho = detail::axisRho(R, S);
        if (R <= 1) return std::nullopt;
        const int W = src.width(), Hp = src.height();
        const long double dL = static_cast<long double>(rho) - S;
        const long long left = std::max((long long)X - R + 1, 0LL), right = std::min((long long)X + R - 1, W - 1LL);
        ShrinkBrush<kVertical> brush{X, Y, S, rho, double(dL), left, 0, {}, {}, {}};
        // 1 / sqrt(d^2 + m^2) for the offsets 0 .. R that reach the picture.
        const long long reach = std::max(
            {std::llabs(X), std::llabs((long long)W - 1 - X), std::llabs(Y), std::llabs((long long)Hp - 1 - Y)});
        brush.invTable.resize(size_t(std::min<long long>(R, reach)) + 1);
        brush.reach = int(brush.invTable.size());
        for (size_t m = 0; m < brush.invTable.size(); ++m)
            brush.invTable[m] = 1.0 / std::sqrt(brush.d * brush.d + double(m) * double(m));
        // The horizontal shrink takes, per row offset u, the row's own E
        // (Er), formed like the column's E with u in place of t.
        if constexpr (!kVertical) {
            brush.rowE.resize(size_t(std::max<long long>(std::min<long long>(R, reach), 1)));
            for (size_t m = 1; m < brush.rowE.size(); ++m) brush.rowE[m] = detail::axisShrinkLine(rho, S, 0, int(m)).E;
        }
        brush::Region region;
        region.first = left;
        const size_t lines = size_t(std::max(right - left + 1, 0LL));
        region.lo.assign(lines, 0);
        region.hi.assign(lines, -1);
        brush.E.assign(lines, 0.0);
        brush::planLines({{(long long)X - R + 1, (long long)X - 1}, {(long long)X + 1, (long long)X + R - 1}}, progress,
                         [&](long long f) {
                             const detail::AxisShrinkLine line = detail::axisShrinkLine(rho, S, int(f), int(X - f));
                             const long long n = std::max<long long>(roundToInt(line.H) - 1, 0);
                             if (f < left || f > right) return;
                             region.lo[size_t(f - left)] = (long long)Y - n;
                             region.hi[size_t(f - left)] = (long long)Y + n;
                             brush.E[size_t(f - left)] = line.E;
                         });
        if (kVertical && X >= left && X <= right) {
            region.lo[size_t(X - left)] = (long long)Y - R + 1;
            region.hi[size_t(X - left)] = (long long)Y + R - 1;
        }
        return brush::Pass<ShrinkBrush<kVertical>>{std::move(brush), std::move(region), 2 * ((long long)R - 1)};
    };
}

}  // namespace

Picture verticalExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return brush::effect(src, progress, expandPlan<true>(src, X, Y, R, S));
}
Picture horizontalExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return brush::effect(src, progress, expandPlan<false>(src, X, Y, R, S));
}
Picture verticalShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return brush::effect(src, progress, shrinkPlan<true>(src, X, Y, R, S));
}
Picture horizontalShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return brush::effect(src, progress, shrinkPlan<false>(src, X, Y, R, S));
}
BrushMapping verticalExpandMapping(const Picture& src, int X, int Y, int R, int S) {
    return brush::mapping(expandPlan<true>(src, X, Y, R, S));
}
BrushMapping horizontalExpandMapping(const Picture& src, int X, int Y, int R, int S) {
    return brush::mapping(expandPlan<false>(src, X, Y, R, S));
}
BrushMapping verticalShrinkMapping(const Picture& src, int X, int Y, int R, int S) {
    return brush::mapping(shrinkPlan<true>(src, X, Y, R, S));
}
BrushMapping horizontalShrinkMapping(const Picture& src, int X, int Y, int R, int S) {
    return brush::mapping(shrinkPlan<false>(src, X, Y, R, S));
}

}  // namespace jollix
