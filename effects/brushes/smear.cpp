#include "effects/brushes/smear.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "effects/engine/sampler.h"
#include "effects/engine/brush_engine.h"
#include "effects/engine/vector_build.h"

namespace jollix {

namespace detail {

std::vector<SmearPass> smearPasses(int X0, int Y0, int X, int Y, int R) {
    std::vector<SmearPass> passes;
    const long double halfR = static_cast<long double>(R) / 2;
    // The capped length: the move, but never more than R/2.
    auto cap = [&](double L) { return halfR < L ? static_cast<double>(halfR) : L; };
    int64_t x = X, y = Y;
    const int64_t x0 = X0, y0 = Y0;
    for (int kind = kUpLeft; kind <= kUp; ++kind) {
        SmearPass p{};
        p.kind = static_cast<SmearKind>(kind);
        bool runs = false;
        switch (kind) {
            case kUpLeft: runs = x < x0 && y < y0; break;
            case kDownRight: runs = x > x0 && y > y0; break;
            case kUpRight: runs = x > x0 && y < y0; break;
            case kDownLeft: runs = x < x0 && y > y0; break;
            case kLeft: runs = x < x0 && y == y0; break;
            case kRight: runs = x > x0 && y == y0; break;
            case kDown: runs = x == x0 && y > y0; break;
            case kUp: runs = x == x0 && y < y0; break;
        }
        if (!runs) continue;
        if (kind <= kDownLeft) {
            const int64_t dx = x0 - x, dy = y0 - y;
            p.L = static_cast<double>(std::sqrt(static_cast<long double>(dx * dx + dy * dy)));
            p.k = static_cast<double>(static_cast<long double>(dy) / static_cast<long double>(dx));
            p.d = cap(p.L);
            const int s = x > x0 ? 1 : -1;
            const long double root = std::sqrt(1.0L + static_cast<long double>(p.k) * p.k);
            x = x0 + s * int64_t(roundToInt(p.d / root));
            y = y0 + s * int64_t(roundToInt(static_cast<long double>(p.d) * p.k / root));
            p.cx = static_cast<double>(static_cast<long double>(x0 + x) / 2);
            p.cy = static_cast<double>(static_cast<long double>(y0 + y) / 2);
            // Unit direction, each component signed like the move.
            const double ax = static_cast<double>(1.0L / root);
            const double ay =
                static_cast<double>(1.0L / std::sqrt(1.0L + 1.0L / (static_cast<long double>(p.k) * p.k)));
            p.ux = (kind == kUpLeft || kind == kDownLeft) ? -ax : ax;
            p.uy = (kind == kUpLeft || kind == kUpRight) ? -ay : ay;
        } else if (kind == kLeft) {
            p.L = static_cast<double>(x0 - x);
            p.d = cap(p.L);
            x = x0 - roundToInt(p.d);
            p.cx = static_cast<double>(x0 - static_cast<long double>(p.d) / 2);
            p.cy = static_cast<double>(y0);
            p.ux = -1;
        } else if (kind == kRight) {
            p.L = static_cast<double>(x - x0);
            p.d = cap(p.L);
            x = x0 + roundToInt(p.d);
            p.cx = static_cast<double>(x - static_cast<long double>(p.d) / 2);
            p.cy = static_cast<double>(y0);
            p.ux = 1;
        } else if (kind == kDown) {
            p.L = static_cast<double>(y - y0);
            p.d = cap(p.L);
            y = y0 + roundToInt(p.d);
            p.cx = static_cast<double>(x0);
            p.cy = static_cast<double>(y0 + static_cast<long double>(p.d) / 2);
            p.uy = 1;
        } else {  // kUp: the end point stays
            p.L = static_cast<double>(y0 - y);
            p.d = cap(p.L);
            p.cx = static_cast<double>(x0);
            p.cy = static_cast<double>(y0 - static_cast<long double>(p.d) / 2);
            p.uy = -1;
        }
        p.endX = int(x);
        p.endY = int(y);
        passes.push_back(p);
    }
    return passes;
}

}  // namespace detail

namespace {

using detail::SmearPass;
using Ext = long double;

// The constants of one pass and the chord mapping. On the centre line of
// the patch (m = rho, t = d/2) the values are exact fractions that can land
// exactly on the sampler's rounding ties, so there the mapping runs in
// extended precision with every named quantity (F, m, o, t, Q, E, A, B, c,
// S) stored as a double between steps. Elsewhere it runs in 64-bit
// arithmetic, which differs from that by a unit in the last place at most,
// far from any tie.
struct Chords {
    Chords(const SmearPass& p, int R)
        : kind(p.kind), R(R), k(p.k), d(p.d), cx(p.cx), cy(p.cy), ux(p.ux), uy(p.uy), halfD(p.d / 2) {
        rho = R + Ext(d) / 2;
        // o places the circle of radius R + d + o on which the chords'
        // middles lie: through (d/2, 0) and (0, rho) in the (shift, w) plane.
        // With d = 0 (R = 0) the patch is empty and o is never needed.
        o = d != 0 ? double((2 * rho * rho - (R + Ext(d)) * (R + Ext(d))) / d) : 0.0;
        rho2 = double(rho * rho);
        K = double(R + Ext(d) + o);
        K2 = K * K;
        if (kind <= detail::kDownLeft) {
            // The unit direction as the extended-precision steps use it.
            uxE = (ux < 0 ? -1 : 1) / std::sqrt(1 + Ext(k) * k);
            uyE = (uy < 0 ? -1 : 1) / std::sqrt(1 + 1 / (Ext(k) * k));
        }
    }

    // Half length m and forward shift t of the chord at squared distance
    // w2 from the centre line.
    void chord(Ext w2, double& m, double& t) const {
        m = double(std::sqrt(rho * rho - w2));
        const Ext big = R + Ext(d) + o;
        t = double(std::sqrt(big * big - w2) - Ext(d) / 2 - R - o);
    }

    // A straight pass's chord (a row for the horizontal moves, a column for
    // the vertical ones): everything that does not depend on where P lies
    // along it. Coordinates are taken along the move; foot is F's.
    struct Straight {
        double q;                    // Q
        double endAhead, endBehind;  // E for P ahead of Q, and behind it
        double m, bAhead, bBehind;   // m and B = m - t, m + t
        double u;                    // the move's direction, +1 or -1
        bool centre;                 // on the centre line

        // Off the centre line: the source coordinate along the move of the
        // pixel at p, which lies ahead of Q or behind it (see alongStraight).
        double along(double p, bool ahead) const {
            const double A = std::fabs(p - (ahead ? endAhead : endBehind));
            const double B = ahead ? bAhead : bBehind;
            const double cc = m * A / B;
            const double f = ahead ? cc - A : A - cc;
            return p - f * u;
        }
    };
    Straight straight(Ext w2, double foot) const {
        Straight c{};
        double t;
        chord(w2, c.m, t);
        c.u = (kind == detail::kLeft || kind == detail::kRight) ? ux : uy;
        c.q = double(foot + t * Ext(c.u));
        c.endAhead = double(foot + c.m * Ext(c.u));
        c.endBehind = double(foot - c.m * Ext(c.u));
        c.bAhead = double(Ext(c.m) - t);
        c.bBehind = double(Ext(c.m) + t);
        c.centre = w2 == 0;
        return c;
    }

    // The source coordinate along the move of the pixel at coordinate p on
    // a straight chord. Ahead of Q (toward the pointer) E is the chord's
    // front end, behind it the back end; A = |P - E|, c = m A / B, and S
    // lies c - A (ahead) or A - c (behind) back along the move from P.
    double alongStraight(const Straight& c, int64_t p) const {
        bool ahead;
        switch (kind) {
            case detail::kLeft: ahead = p < c.q; break;
            case detail::kRight: ahead = p >= c.q; break;
            case detail::kDown: ahead = p > c.q; break;
            default: ahead = p <= c.q; break;
        }
        if (!c.centre) return c.along(double(p), ahead);
        const double A = std::fabs(double(p) - (ahead ? c.endAhead : c.endBehind));
        const double B = ahead ? c.bAhead : c.bBehind;
        const double cc = double(Ext(c.m) * A / B);
        const Ext f = ahead ? Ext(cc) - A : Ext(A) - cc;
        return double(p - f * c.u);
    }

    // A diagonal pass's pixel mapped in extended precision, step by step:
    // the foot point F, the chord, Q, the side test, E, A, B, c and S.
    void diagonalExact(int64_t G, int64_t i, double& sx, double& sy) const {
        const double h = double(((cy - Ext(i)) + G * Ext(k) + cx / Ext(k)) / (1 / Ext(k) + k));
        const double l = double(cy - (Ext(h) - cx) / k);
        const Ext fx = Ext(h) - cx, fy = Ext(l) - cy;
        double m, t;
        chord(fx * fx + fy * fy, m, t);
        const double qx = double(h + t * uxE);
        const double qy = double(l + (Ext(qx) - h) * k);
        const bool ahead = diagonalAhead(G, i, qx, qy);
        const double ex = double(h + (ahead ? m : -m) * uxE);
        const double ey = double(l + (ahead ? m : -m) * uyE);
        const Ext gx = G - Ext(ex), gy = i - Ext(ey);
        const double A = double(std::sqrt(gx * gx + gy * gy));
        const double B = ahead ? double(Ext(m) - t) : double(Ext(m) + t);
        const double c = double(Ext(m) * A / B);
        const Ext f = ahead ? Ext(c) - A : Ext(A) - c;
        sx = double(G - f * uxE);
        sy = double(i - f * uyE);
    }

    // Does P lie ahead of Q? The diagonal moves compare positions as seen
    // from the picture's top-left corner: by the squared distance from it
    // for the moves toward and away from it, by the ratio row / column for
    // the moves across it. Where that ratio has no value (column 0, or Q in
    // column 0), positions along the move decide, as for the straight moves.
    bool diagonalAhead(int64_t G, int64_t i, double qx, double qy) const {
        using namespace detail;
        auto alongMove = [&] { return (G - Ext(qx)) * uxE + (i - Ext(qy)) * uyE >= 0; };
        switch (kind) {
            case kUpLeft: return Ext(G * G + i * i) < Ext(qx) * qx + Ext(qy) * qy;
            case kDownRight: return Ext(G * G + i * i) >= Ext(qx) * qx + Ext(qy) * qy;
            case kUpRight: return (G == 0 || qx == 0) ? alongMove() : Ext(qy) / qx > Ext(i) / G;
            default: return (G == 0 || qx == 0) ? alongMove() : Ext(qy) / qx <= Ext(i) / G;
        }
    }

    detail::SmearKind kind;
    int R;
    double k, d, cx, cy, ux, uy, halfD;
    Ext rho = 0, uxE = 0, uyE = 0;
    double o = 0, rho2 = 0, K = 0, K2 = 0;
};

// Source points of the pixels (G, i0 + j), j = 0 .. n - 1, of a diagonal
// pass in 64-bit arithmetic, written for the vector units. The chord
// through P is described by s, P's position along the move measured from
// the foot point F, and w, its distance from the centre line:
//   F = P - s u,  w^2 = ((G - cx) uy - (i - cy) ux)^2,
//   m = sqrt(rho^2 - w^2),  t = d/2 - w^2 / (K + sqrt(K^2 - w^2)),
// which is sqrt(K^2 - w^2) - d/2 - R - o without the cancellation near K.
// With E the chord's end on P's side of Q, A = |P - E| = m -+ s and
// B = m -+ t, and the step back along the move, c - A ahead of Q or A - c
// behind it with c = m A / B, is t A / B either way.
// The column comes as a double (exact: columns are ints); its square
// Gd * Gd is the exact square rounded once, as double(G * G) is, without
// a conversion from 64 bits that the vector units lack.
template <int Kind>
inline __attribute__((always_inline)) void diagonalPoint(const Chords& g, double Gd, double id, double& x, double& y) {
    const double gx = Gd - g.cx, GG = Gd * Gd;
    const double ux = g.ux, uy = g.uy, k = g.k, cy = g.cy;
    const double rho2 = g.rho2, K = g.K, K2 = g.K2, halfD = g.halfD;
    const double gy = id - cy;
    const double s = gx * ux + gy * uy;
    const double wv = gx * uy - gy * ux;
    const double w2 = wv * wv;
    const double h = Gd - s * ux, l = id - s * uy;
    const double m = std::sqrt(rho2 - w2);
    const double t = halfD - w2 / (K + std::sqrt(K2 - w2));
    const double qx = h + t * ux;
    const double qy = l + (qx - h) * k;
    // +1 when P lies ahead of Q, -1 behind it (see Chords::diagonalAhead).
    double sg;
    if constexpr (Kind == detail::kUpLeft) {
        sg = GG + id * id < qx * qx + qy * qy ? 1.0 : -1.0;
    } else if constexpr (Kind == detail::kDownRight) {
        sg = GG + id * id >= qx * qx + qy * qy ? 1.0 : -1.0;
    } else {
        const double along = (Gd - qx) * ux + (id - qy) * uy >= 0 ? 1.0 : -1.0;
        const double byRatio = (Kind == detail::kUpRight ? qy / qx > id / Gd : qy / qx <= id / Gd) ? 1.0 : -1.0;
        sg = Gd == 0 ? along : (qx == 0 ? along : byRatio);
    }
    const double A = m - sg * s, B = m - sg * t;
    const double f = t * A / B;
    x = Gd - f * ux;
    y = id - f * uy;
}

// The points of the pixels (G, i0 + j), j = 0 .. n - 1.
template <int Kind>
inline void diagonalRun(const Chords& g, int64_t G, int64_t i0, int n, double* xs, double* ys) {
    for (int j = 0; j < n; ++j) diagonalPoint<Kind>(g, double(G), double(i0) + j, xs[j], ys[j]);
}

// The points of the pixels (Gs[j], i), j = 0 .. n - 1, for the vector units.
template <int Kind>
JOLLIX_VECTOR_CLONES void diagonalRow(const Chords& g, int64_t i, const int* Gs, int n, double* __restrict xs,
                                      double* __restrict ys) {
    for (int j = 0; j < n; ++j) diagonalPoint<Kind>(g, double(Gs[j]), double(i), xs[j], ys[j]);
}

// The source columns of the pixels Gs[j] on the chord of a row of a
// horizontal pass (off the centre line), for the vector units: what
// Chords::alongStraight gives, P ahead of Q toward the left for a move to
// the left, toward the right for one to the right.
JOLLIX_VECTOR_CLONES void straightRow(const Chords::Straight& chord, bool toLeft, const int* __restrict Gs, int n,
                                      double* __restrict xs) {
    const Chords::Straight c = chord;  // a copy the loop's writes cannot touch
    for (int j = 0; j < n; ++j) {
        const double p = double(Gs[j]);
        xs[j] = c.along(p, toLeft ? p < c.q : p >= c.q);
    }
}

// The source rows of the pixels (Gs[j], i) of a vertical pass, each on
// its own column's chord c[Gs[j] - first], for the vector units: what
// Chords::alongStraight gives off the centre line (the caller redoes the
// centre column), P ahead of Q downward for a move down, upward for one up.
JOLLIX_VECTOR_CLONES void verticalStraightRow(const Chords::Straight* __restrict c, int first, bool down, int i,
                                              const int* __restrict Gs, int n, double* __restrict ys) {
    const double p = double(i);
    for (int j = 0; j < n; ++j) {
        const Chords::Straight& ch = c[Gs[j] - first];
        ys[j] = ch.along(p, down ? p > ch.q : p <= ch.q);
    }
}

// Whether a diagonal pass's pixel lies on the centre line (see Chords).
inline bool onCentreLine(const Chords& g, int64_t G, int64_t i) {
    const double wv = (double(G) - g.cx) * g.uy - (double(i) - g.cy) * g.ux;
    return wv * wv < 1e-12;
}

// One pass as a brush: where each pixel of its patch comes from. The
// straight passes keep the chord of each row (horizontal moves) or column
// (vertical moves) at hand.
struct SmearBrush {
    SmearBrush(const SmearPass& p, int R, int64_t firstColumn, int64_t columns, int64_t firstRow, int64_t rows)
        : g(p, R), firstColumn(firstColumn), firstRow(firstRow) {
        if (p.kind == detail::kLeft || p.kind == detail::kRight) {
            for (int64_t i = firstRow; i < firstRow + rows; ++i) {
                const Ext fy = Ext(i) - p.cy;
                chords.push_back(g.straight(fy * fy, p.cx));
            }
        } else if (p.kind == detail::kDown || p.kind == detail::kUp) {
            for (int64_t G = firstColumn; G < firstColumn + columns; ++G) {
                const Ext fx = Ext(G) - p.cx;
                chords.push_back(g.straight(fx * fx, p.cy));
            }
        }
    }

    void mapRow(int i, const int* Gs, int n, double* sx, double* sy, brush::Take* take) const {
        using namespace detail;
        switch (g.kind) {
            case kUpLeft: diagonalRow<kUpLeft>(g, i, Gs, n, sx, sy); break;
            case kDownRight: diagonalRow<kDownRight>(g, i, Gs, n, sx, sy); break;
            case kUpRight: diagonalRow<kUpRight>(g, i, Gs, n, sx, sy); break;
            case kDownLeft: diagonalRow<kDownLeft>(g, i, Gs, n, sx, sy); break;
            case kLeft:
            case kRight:
                if (const Chords::Straight& c = chords[size_t(i - firstRow)]; !c.centre) {
                    straightRow(c, g.kind == kLeft, Gs, n, sx);
                    for (int j = 0; j < n; ++j) sy[j] = double(i);
                    break;
                }
                [[fallthrough]];
            case kDown:
            case kUp:
                if (g.kind == kDown || g.kind == kUp) {
                    verticalStraightRow(chords.data(), int(firstColumn), g.kind == kDown, i, Gs, n, sy);
                    for (int j = 0; j < n; ++j) {
                        sx[j] = double(Gs[j]);
                        // The centre line's column runs in extended precision.
                        const Chords::Straight& c = chords[size_t(Gs[j] - firstColumn)];
                        if (c.centre) sy[j] = g.alongStraight(c, i);
                    }
                    break;
                }
                [[fallthrough]];
            default:
                for (int j = 0; j < n; ++j) {
                    const brush::Source s = map(Gs[j], i);
                    sx[j] = s.x, sy[j] = s.y;
                }
        }
        for (int j = 0; j < n; ++j) take[j] = brush::Take::Sample;
        if (g.kind <= kDownLeft)
            for (int j = 0; j < n; ++j)
                if (onCentreLine(g, Gs[j], i)) g.diagonalExact(Gs[j], i, sx[j], sy[j]);
    }

    brush::Source map(int G, int i) const {
        using namespace detail;
        double sx, sy;
        switch (g.kind) {
            case kLeft:
            case kRight: return brush::sampleAt(g.alongStraight(chords[size_t(i - firstRow)], G), double(i));
            case kDown:
            case kUp: return brush::sampleAt(double(G), g.alongStraight(chords[size_t(G - firstColumn)], i));
            case kUpLeft: diagonalRun<kUpLeft>(g, G, i, 1, &sx, &sy); break;
            case kDownRight: diagonalRun<kDownRight>(g, G, i, 1, &sx, &sy); break;
            case kUpRight: diagonalRun<kUpRight>(g, G, i, 1, &sx, &sy); break;
            default: diagonalRun<kDownLeft>(g, G, i, 1, &sx, &sy); break;
        }
        if (onCentreLine(g, G, i)) g.diagonalExact(G, i, sx, sy);
        return brush::sampleAt(sx, sy);
    }

    Chords g;
    int64_t firstColumn, firstRow;
    std::vector<Chords::Straight> chords;
};

// The patch of one pass and its brush. The patch: columns
// roundToInt(cx - d/2 - R) + 1 .. roundToInt(cx + d/2 + R) - 1, each from row
// roundToInt(cy - hh) + 1 to roundToInt(cy + hh) - 1 with hh its half height in the
// circle of radius rho. A column that fails to fit the program's integers
// reports the steps of the columns before it. `steps` is one per column.
std::pair<SmearBrush, brush::Region> smearPlan(const Picture& src, const SmearPass& p, int R, Progress* progress,
                                               int64_t& steps) {
    const Ext d = p.d;
    const Ext rho = R + d / 2;
    const int64_t first = int64_t(roundToInt(p.cx - d / 2 - R)) + 1;
    const int64_t last = int64_t(roundToInt(p.cx + d / 2 + R)) - 1;
    brush::Region region;
    region.first = std::max<int64_t>(first, 0);
    for (int64_t G = first; G <= last; ++G) {
        try {
            const Ext off = p.cx - Ext(G);
            const Ext hh = std::sqrt(rho * rho - off * off);
            const int64_t top = int64_t(roundToInt(p.cy - hh)) + 1, bottom = int64_t(roundToInt(p.cy + hh)) - 1;
            if (G >= region.first && G < src.width()) region.add(top, bottom);
        } catch (...) {
            for (int64_t k = first; k < G; ++k) progressStep(progress);
            throw;
        }
    }
    steps = std::max<int64_t>(last - first + 1, 0);
    // Rows of the patch inside the picture, for the horizontal passes.
    const int64_t rowLo = std::max<int64_t>(0, int64_t(std::floor(p.cy - rho)));
    const int64_t rowHi = std::min<int64_t>(int64_t(src.height()) - 1, int64_t(std::ceil(p.cy + rho)));
    SmearBrush brush(p, R, region.first, region.lines(), rowLo, std::max<int64_t>(rowHi - rowLo + 1, 0));
    return {std::move(brush), std::move(region)};
}

void smearPatch(const Picture& src, Picture& dst, const SmearPass& p, int R, Progress* progress, brush::Painting how) {
    int64_t steps = 0;
    auto [brush, region] = smearPlan(src, p, R, progress, steps);
    // One progress step per column of the patch, then the bar starts over.
    brush::paint(src, dst, brush, region, steps, progress, how);
    progressReset(progress);
}

}  // namespace

namespace detail {

SmearSource smearSource(const SmearPass& p, int R, int G, int i) {
    const Chords g(p, R);
    SmearSource s{};
    if (p.kind <= kDownLeft && !onCentreLine(g, G, i)) {
        switch (p.kind) {
            case kUpLeft: diagonalRun<kUpLeft>(g, G, i, 1, &s.x, &s.y); break;
            case kDownRight: diagonalRun<kDownRight>(g, G, i, 1, &s.x, &s.y); break;
            case kUpRight: diagonalRun<kUpRight>(g, G, i, 1, &s.x, &s.y); break;
            default: diagonalRun<kDownLeft>(g, G, i, 1, &s.x, &s.y); break;
        }
        return s;
    }
    if (p.kind == kLeft || p.kind == kRight) {
        const Ext fy = Ext(i) - p.cy;
        s.x = g.alongStraight(g.straight(fy * fy, p.cx), G);
        s.y = i;
    } else if (p.kind == kDown || p.kind == kUp) {
        const Ext fx = Ext(G) - p.cx;
        s.x = G;
        s.y = g.alongStraight(g.straight(fx * fx, p.cy), i);
    } else {
        g.diagonalExact(G, i, s.x, s.y);
    }
    return s;
}

}  // namespace detail

namespace {

Picture smear(const Picture& src, int X0, int Y0, int X, int Y, int R, Progress* progress, brush::Painting how) {
    // Every pass reads the picture as it was before the release and writes
    // into the one result, so a later pass replaces an earlier one's pixels
    // where their patches overlap.
    Picture dst = src;
    for (const detail::SmearPass& p : detail::smearPasses(X0, Y0, X, Y, R)) smearPatch(src, dst, p, R, progress, how);
    return dst;
}

}  // namespace

Picture smear(const Picture& src, int X0, int Y0, int X, int Y, int R, Progress* progress) {
    return smear(src, X0, Y0, X, Y, R, progress, brush::Painting::Engine);
}

BrushMapping smearMapping(const Picture& src, int X0, int Y0, int X, int Y, int R) {
    std::vector<std::shared_ptr<const BrushMapping::Pass>> passes;
    for (const detail::SmearPass& p : detail::smearPasses(X0, Y0, X, Y, R)) {
        int64_t steps = 0;
        auto [brush, region] = smearPlan(src, p, R, nullptr, steps);
        passes.push_back(brush::mappingPass(std::move(brush), std::move(region)));
    }
    return BrushMapping(std::move(passes));
}

Picture detail::smearPlain(const Picture& src, int X0, int Y0, int X, int Y, int R) {
    return smear(src, X0, Y0, X, Y, R, nullptr, brush::Painting::Plain);
}

}  // namespace jollix
