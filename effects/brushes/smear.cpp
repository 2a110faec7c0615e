#include "effects/brushes/smear.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "effects/engine/brush_engine.h"

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
        // Whether the move (as the passes before left its end) runs this way.
        const bool runs[] = {false,
                             x < x0 && y<y0, x> x0 && y > y0,
                             x > x0 && y < y0,
                             x < x0 && y > y0,
                             x < x0 && y == y0,
                             x > x0 && y == y0,
                             x == x0 && y > y0,
                             x == x0 && y < y0};
        if (!runs[kind]) continue;
        SmearPass p{};
        p.kind = static_cast<SmearKind>(kind);
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
        } else {
            // Left and right move the end's column, down its row; up leaves
            // the end point where it is.
            const bool across = kind == kLeft || kind == kRight;
            const int sign = kind == kRight || kind == kDown ? 1 : -1;
            p.L = static_cast<double>(sign * (across ? x - x0 : y - y0));
            p.d = cap(p.L);
            if (kind != kUp) (across ? x : y) = (across ? x0 : y0) + sign * int64_t(roundToInt(p.d));
            const long double half = static_cast<long double>(p.d) / 2;
            p.cx = static_cast<double>(kind == kLeft ? x0 - half : kind == kRight ? x - half : x0);
            p.cy = static_cast<double>(kind == kDown ? y0 + half : kind == kUp ? y0 - half : y0);
            (across ? p.ux : p.uy) = sign;
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
    Chords(const SmearPass& p, int radius)
        : kind(p.kind), R(radius), k(p.k), d(p.d), cx(p.cx), cy(p.cy), ux(p.ux), uy(p.uy), halfD(p.d / 2) {
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
    // along it. Coordinates are taken along the move; foot is F's. Ahead
    // of Q (toward the pointer) E is the chord's front end, behind it the
    // back end; A = |P - E|, c = m A / B, and S lies c - A (ahead) or A - c
    // (behind) back along the move from P.
    struct Straight {
        double q;                    // Q
        double endAhead, endBehind;  // E for P ahead of Q, and behind it
        double m, bAhead, bBehind;   // m and B = m - t, m + t
        double u;                    // the move's direction, +1 or -1
        uint64_t centre;             // 1 on the centre line (a word, for the vector units)

        // The source coordinate along the move of the pixel at p, which lies
        // ahead of Q or behind it, in 64-bit arithmetic off the centre line
        // (F = double) and in extended precision on it (F = long double).
        template <class F>
        double along(double p, bool ahead) const {
            const double A = std::fabs(p - (ahead ? endAhead : endBehind)), B = ahead ? bAhead : bBehind;
            const double cc = double(F(m) * A / B);
            const F f = ahead ? F(cc) - A : F(A) - cc;
            return double(p - f * u);
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

    // A diagonal pass's pixel mapped in extended precision, step by step:
    // the foot point F, the chord, Q, the side test, E, A, B, c and S.
    brush::Source diagonalExact(int64_t G, int64_t i) const {
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
        return brush::sampleAt(double(G - f * uxE), double(i - f * uyE));
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

// A diagonal pass as a brush, in 64-bit arithmetic; its centre line, where
// (see Chords) the pixels are handed over to the extended-precision steps.
// The chord through P is described by s, P's position along the move
// measured from the foot point F, and w, its distance from the centre line:
//   F = P - s u,  w^2 = ((G - cx) uy - (i - cy) ux)^2,
//   m = sqrt(rho^2 - w^2),  t = d/2 - w^2 / (K + sqrt(K^2 - w^2)),
// which is sqrt(K^2 - w^2) - d/2 - R - o without the cancellation near K.
// With E the chord's end on P's side of Q, A = |P - E| = m -+ s and
// B = m -+ t, and the step back along the move, c - A ahead of Q or A - c
// behind it with c = m A / B, is t A / B either way. The column's square
// Gd * Gd is the exact square rounded once, as double(G * G) is.
template <int Kind>
struct DiagonalBrush {
    bool point(int G, int i, double& x, double& y) const {
        const double Gd = double(G), id = double(i);
        const double gx = Gd - g.cx, gy = id - g.cy, GG = Gd * Gd;
        const double s = gx * g.ux + gy * g.uy, wv = gx * g.uy - gy * g.ux, w2 = wv * wv;
        const double h = Gd - s * g.ux, l = id - s * g.uy;
        const double m = std::sqrt(g.rho2 - w2);
        const double t = g.halfD - w2 / (g.K + std::sqrt(g.K2 - w2));
        const double qx = h + t * g.ux, qy = l + (qx - h) * g.k;
        // +1 when P lies ahead of Q, -1 behind it (see Chords::diagonalAhead).
        double sg;
        if constexpr (Kind == detail::kUpLeft) {
            sg = GG + id * id < qx * qx + qy * qy ? 1.0 : -1.0;
        } else if constexpr (Kind == detail::kDownRight) {
            sg = GG + id * id >= qx * qx + qy * qy ? 1.0 : -1.0;
        } else {
            const double along = (Gd - qx) * g.ux + (id - qy) * g.uy >= 0 ? 1.0 : -1.0;
            const double byRatio = (Kind == detail::kUpRight ? qy / qx > id / Gd : qy / qx <= id / Gd) ? 1.0 : -1.0;
            sg = Gd == 0 ? along : (qx == 0 ? along : byRatio);
        }
        const double A = m - sg * s, B = m - sg * t, f = t * A / B;
        x = Gd - f * g.ux;
        y = id - f * g.uy;
        return w2 < 1e-12;
    }
    brush::Source exact(int G, int i) const { return g.diagonalExact(G, i); }
    Chords g;
};

// A straight pass as a brush: each row's chord (moves left and right) or
// each column's (moves down and up), from `first` on; the centre line's
// pixels are handed over to its extended-precision steps.
template <int Kind>
struct StraightBrush {
    static constexpr bool kByRows = Kind == detail::kLeft || Kind == detail::kRight;
    StraightBrush(const Chords& chords, int64_t from, int64_t count) : g(chords), first(from) {
        for (int64_t j = from; j < from + count; ++j) {
            const Ext off = Ext(j) - (kByRows ? g.cy : g.cx);
            lines.push_back(g.straight(off * off, kByRows ? g.cx : g.cy));
        }
    }
    // Whether the pixel at p along the move lies ahead of Q.
    static bool ahead(const Chords::Straight& c, double p) {
        using namespace detail;
        return Kind == kLeft ? p < c.q : Kind == kRight ? p >= c.q : Kind == kDown ? p > c.q : p <= c.q;
    }
    bool point(int G, int i, double& sx, double& sy) const {
        const Chords::Straight& c = lines[size_t((kByRows ? i : G) - first)];
        const double p = kByRows ? double(G) : double(i), s = c.template along<double>(p, ahead(c, p));
        sx = kByRows ? s : double(G);
        sy = kByRows ? double(i) : s;
        return c.centre != 0;
    }
    brush::Source exact(int G, int i) const {
        const Chords::Straight& c = lines[size_t((kByRows ? i : G) - first)];
        const double p = kByRows ? double(G) : double(i), s = c.template along<Ext>(p, ahead(c, p));
        return kByRows ? brush::sampleAt(s, double(i)) : brush::sampleAt(double(G), s);
    }
    Chords g;
    int64_t first;
    std::vector<Chords::Straight> lines;
};

// use(brush) with the brush of pass p, its straight chords made for the
// columns from firstColumn (moves down and up) or the rows from firstRow
// (moves left and right).
template <class Use>
auto withBrush(const SmearPass& p, int R, int64_t firstColumn, int64_t columns, int64_t firstRow, int64_t rows,
               Use&& use) {
    using namespace detail;
    const Chords g(p, R);
    switch (p.kind) {
        case kUpLeft: return use(DiagonalBrush<kUpLeft>{g});
        case kDownRight: return use(DiagonalBrush<kDownRight>{g});
        case kUpRight: return use(DiagonalBrush<kUpRight>{g});
        case kDownLeft: return use(DiagonalBrush<kDownLeft>{g});
        case kLeft: return use(StraightBrush<kLeft>(g, firstRow, rows));
        case kRight: return use(StraightBrush<kRight>(g, firstRow, rows));
        case kDown: return use(StraightBrush<kDown>(g, firstColumn, columns));
        default: return use(StraightBrush<kUp>(g, firstColumn, columns));
    }
}

// The patch of one pass, and use(pass) with its brush::Pass. The patch:
// columns roundToInt(cx - d/2 - R) + 1 .. roundToInt(cx + d/2 + R) - 1, each from row
// roundToInt(cy - hh) + 1 to roundToInt(cy + hh) - 1 with hh its half height in the
// circle of radius rho; one progress step per column.
template <class Use>
void planPass(const Picture& src, const SmearPass& p, int R, Progress* progress, Use&& use) {
    const Ext d = p.d, rho = R + d / 2;
    const int64_t first = int64_t(roundToInt(p.cx - d / 2 - R)) + 1, last = int64_t(roundToInt(p.cx + d / 2 + R)) - 1;
    brush::Region region;
    region.first = std::max<int64_t>(first, 0);
    brush::planLines({{first, last}}, progress, [&](long long G) {
        const Ext off = p.cx - Ext(G), hh = std::sqrt(rho * rho - off * off);
        const int64_t top = int64_t(roundToInt(p.cy - hh)) + 1, bottom = int64_t(roundToInt(p.cy + hh)) - 1;
        if (G >= region.first && G < src.width()) region.add(top, bottom);
    });
    const int64_t steps = std::max<int64_t>(last - first + 1, 0);
    // Rows of the patch inside the picture, for the horizontal passes.
    const int64_t rowLo = std::max<int64_t>(0, int64_t(std::floor(p.cy - rho)));
    const int64_t rowHi = std::min<int64_t>(int64_t(src.height()) - 1, int64_t(std::ceil(p.cy + rho)));
    withBrush(p, R, region.first, region.lines(), rowLo, std::max<int64_t>(rowHi - rowLo + 1, 0), [&](auto brush) {
        use(brush::Pass<decltype(brush)>{std::move(brush), std::move(region), steps});
    });
}

}  // namespace

detail::SmearSource detail::smearSource(const SmearPass& p, int R, int G, int i) {
    const brush::Source s = withBrush(p, R, G, 1, i, 1, [&](const auto& b) { return brush::sourceOf(b, G, i); });
    return {s.x, s.y};
}

// Every pass reads the picture as it was before the release and writes into
// the one result, so a later pass replaces an earlier one's pixels where
// their patches overlap. After each pass the progress starts over.
Picture smear(const Picture& src, int X0, int Y0, int X, int Y, int R, Progress* progress) {
    Picture dst = src;
    for (const SmearPass& p : detail::smearPasses(X0, Y0, X, Y, R)) {
        planPass(src, p, R, progress, [&](const auto& pass) { brush::paint(src, dst, pass, progress); });
        progressReset(progress);
    }
    return dst;
}

BrushMapping smearMapping(const Picture& src, int X0, int Y0, int X, int Y, int R) {
    std::vector<std::shared_ptr<const BrushMapping::Pass>> passes;
    for (const SmearPass& p : detail::smearPasses(X0, Y0, X, Y, R))
        planPass(src, p, R, nullptr, [&](auto pass) { passes.push_back(brush::mappingPass(std::move(pass))); });
    return BrushMapping(std::move(passes));
}

}  // namespace jollix
