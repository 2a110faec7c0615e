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

namespace {
using Ext = long double;
using detail::SmearPass;
using enum detail::SmearKind;
}  // namespace

std::vector<SmearPass> detail::smearPasses(int X0, int Y0, int X, int Y, int R) {
    // The move's direction by the signs of its steps; its capped length: never more than R/2.
    static constexpr int kKinds[3][3] = {{kUpLeft, kUp, kUpRight}, {kLeft, 0, kRight}, {kDownLeft, kDown, kDownRight}};
    auto cap = [R](double L) { return Ext(R) / 2 < L ? double(Ext(R) / 2) : L; };
    std::vector<SmearPass> passes;
    int64_t x = X, y = Y;
    const int64_t x0 = X0, y0 = Y0;
    // Each pass moves the end point; what is left of the move runs as a
    // further pass only in a direction that comes later in the order of
    // SmearKind (a diagonal pass can leave a straight move).
    for (int last = 0;;) {
        const int sx = (x > x0) - (x < x0), sy = (y > y0) - (y < y0), kind = kKinds[sy + 1][sx + 1];
        if (kind <= last) break;
        last = kind;
        SmearPass p{.kind = detail::SmearKind(kind)};
        if (kind <= kDownLeft) {
            const int64_t dx = x0 - x, dy = y0 - y;
            p.L = double(std::sqrt(Ext(dx * dx + dy * dy)));
            p.k = double(Ext(dy) / Ext(dx));
            p.d = cap(p.L);
            const Ext root = std::sqrt(1 + Ext(p.k) * p.k);
            x = x0 + sx * int64_t(roundToInt(p.d / root));
            y = y0 + sx * int64_t(roundToInt(Ext(p.d) * p.k / root));
            p.cx = double(Ext(x0 + x) / 2), p.cy = double(Ext(y0 + y) / 2);
            // Unit direction, each component signed like the move.
            p.ux = sx * double(1 / root);
            p.uy = sy * double(1 / std::sqrt(1 + 1 / (Ext(p.k) * p.k)));
        } else {
            // Left and right move the end's column, down its row; up leaves
            // the end point where it is.
            const bool across = sy == 0;
            const int sign = across ? sx : sy;
            p.L = double(sign * (across ? x - x0 : y - y0));
            p.d = cap(p.L);
            if (kind != kUp) (across ? x : y) = (across ? x0 : y0) + sign * int64_t(roundToInt(p.d));
            const Ext half = Ext(p.d) / 2;
            p.cx = double(kind == kLeft ? x0 - half : kind == kRight ? x - half : x0);
            p.cy = double(kind == kDown ? y0 + half : kind == kUp ? y0 - half : y0);
            (across ? p.ux : p.uy) = sign;
        }
        p.endX = int(x), p.endY = int(y);
        passes.push_back(p);
    }
    return passes;
}

namespace {

// A pass with its chords' constants, and a pixel's source worked out step
// by step in extended precision, each named quantity (F, m, o, t, Q, E, A,
// B, c, S) stored as a double. On the centre line, where exact fractions
// can land on the sampler's rounding ties, the brushes below take these
// steps; elsewhere 64-bit arithmetic, an ulp from them, far from any tie.
struct Chords : SmearPass {
    Chords(const SmearPass& pass, int radius) : SmearPass(pass), R(radius), uxE(ux), uyE(uy), rho(R + Ext(d) / 2) {
        // The chords' middles lie on the circle of radius K = R + d + o through
        // (d/2, 0) and (0, rho) in the (shift, w) plane (d = 0: no patch).
        o = d != 0 ? double((2 * rho * rho - (R + Ext(d)) * (R + Ext(d))) / d) : 0.0;
        rho2 = double(rho * rho), K = double(R + Ext(d) + o), K2 = K * K;
        if (kind <= kDownLeft) {
            uxE = (ux < 0 ? -1 : 1) / std::sqrt(1 + Ext(k) * k);
            uyE = (uy < 0 ? -1 : 1) / std::sqrt(1 + 1 / (Ext(k) * k));
        }
    }

    // Half length m and forward shift t of the chord w2 = w^2 off the centre line.
    void chord(Ext w2, double& m, double& t) const {
        m = double(std::sqrt(rho * rho - w2));
        const Ext big = R + Ext(d) + o;
        t = double(std::sqrt(big * big - w2) - Ext(d) / 2 - R - o);
    }

    // P = (G, i)'s foot point F on the centre line, the chord through P and
    // its point Q that moves to F; the chord's end E on P's side of Q, A =
    // |P - E|, B = m -+ t, c = m A / B, and the source c - A (ahead of Q) or
    // A - c (behind it) back along the move from P.
    brush::Source exact(int64_t G, int64_t i) const {
        const bool diagonal = kind <= kDownLeft, byRows = kind == kLeft || kind == kRight;
        double h = byRows ? cx : double(G), l = byRows ? double(i) : cy;
        if (diagonal) {
            h = double(((cy - Ext(i)) + G * Ext(k) + cx / Ext(k)) / (1 / Ext(k) + k));
            l = double(cy - (Ext(h) - cx) / k);
        }
        const Ext fx = Ext(h) - cx, fy = Ext(l) - cy;
        double m, t;
        chord(fx * fx + fy * fy, m, t);
        const double qx = double(h + t * uxE);
        const double qy = diagonal ? double(l + (Ext(qx) - h) * k) : double(l + t * uyE);
        const bool isAhead = ahead(G, i, qx, qy);
        const double ex = double(h + (isAhead ? m : -m) * uxE), ey = double(l + (isAhead ? m : -m) * uyE);
        const Ext gx = G - Ext(ex), gy = i - Ext(ey);
        const double A = double(std::sqrt(gx * gx + gy * gy));
        const double B = isAhead ? double(Ext(m) - t) : double(Ext(m) + t), c = double(Ext(m) * A / B);
        const Ext f = isAhead ? Ext(c) - A : Ext(A) - c;
        return brush::sampleAt(double(G - f * uxE), double(i - f * uyE));
    }

    // Does P lie ahead of Q? Along the move for the straight moves (level
    // counts as ahead right and up, behind left and down); as seen from the
    // picture's corner (0, 0) for the diagonal ones: by the distance from it
    // moving toward or away from it, else by the ratio row / column, or along
    // the move where that has no value (P or Q in column 0).
    bool ahead(int64_t G, int64_t i, double qx, double qy) const {
        const Ext along = (G - Ext(qx)) * uxE + (i - Ext(qy)) * uyE;
        const bool byRatio = G != 0 && qx != 0;
        switch (kind) {
            case kUpLeft: return Ext(G * G + i * i) < Ext(qx) * qx + Ext(qy) * qy;
            case kDownRight: return Ext(G * G + i * i) >= Ext(qx) * qx + Ext(qy) * qy;
            case kUpRight: return byRatio ? Ext(qy) / qx > Ext(i) / G : along >= 0;
            case kDownLeft: return byRatio ? Ext(qy) / qx <= Ext(i) / G : along >= 0;
            case kRight:
            case kUp: return along >= 0;
            default: return along > 0;
        }
    }

    int R;
    Ext uxE, uyE, rho;  // (uxE, uyE): the unit direction as the steps above use it
    double o = 0, rho2 = 0, K = 0, K2 = 0;
};

// A diagonal pass as a brush. With s P's position along the move from F and
// w its distance from the centre line:
//   F = P - s u,  w^2 = ((G - cx) uy - (i - cy) ux)^2,
//   m = sqrt(rho^2 - w^2),  t = d/2 - w^2 / (K + sqrt(K^2 - w^2)),
// (sqrt(K^2 - w^2) - d/2 - R - o without the cancellation near K), A = m -+ s
// and B = m -+ t, the step back along the move is t A / B either way.
template <int Kind>
struct DiagonalBrush : Chords {
    bool point(int G, int i, double& x, double& y) const {
        const double Gd = double(G), id = double(i), gx = Gd - cx, gy = id - cy, GG = Gd * Gd;
        const double s = gx * ux + gy * uy, wv = gx * uy - gy * ux, w2 = wv * wv;
        const double h = Gd - s * ux, l = id - s * uy;
        const double m = std::sqrt(rho2 - w2), t = d / 2 - w2 / (K + std::sqrt(K2 - w2));
        const double qx = h + t * ux, qy = l + (qx - h) * k;
        // +1 when P lies ahead of Q, -1 behind it (see Chords::ahead).
        const bool nearer = GG + id * id < qx * qx + qy * qy, along = (Gd - qx) * ux + (id - qy) * uy >= 0;
        const bool above = Kind == kUpRight ? qy / qx > id / Gd : qy / qx <= id / Gd;
        const bool acrossAhead = Gd != 0 && qx != 0 ? above : along;
        const bool isAhead = Kind == kUpLeft ? nearer : Kind == kDownRight ? !nearer : acrossAhead;
        const double sg = isAhead ? 1.0 : -1.0, A = m - sg * s, B = m - sg * t, f = t * A / B;
        x = Gd - f * ux, y = id - f * uy;
        return w2 < 1e-12;  // on the centre line
    }
};

// A straight pass as a brush: for each row (moves left and right) or column
// (down and up) from `first` on, in coordinates along the move, what of its
// chord does not depend on P: Q, the ends E ahead of Q and behind it, m, and
// B ahead and behind. Its centre line is the press point's row or column.
template <int Kind>
struct StraightBrush : Chords {
    static constexpr bool kByRows = Kind == kLeft || Kind == kRight;
    struct Line {
        double q, endAhead, endBehind, m, bAhead, bBehind;
    };
    // The lines of the patch inside a picture of width x height pixels.
    StraightBrush(const Chords& c, int width, int height)
        : Chords(c), centreX(kByRows ? brush::kNoCentre : int(cx)), centreY(kByRows ? int(cy) : brush::kNoCentre) {
        const Ext u = kByRows ? ux : uy, foot = kByRows ? cx : cy, middle = kByRows ? cy : cx;
        first = std::max<int64_t>(0, int64_t(std::floor(middle - rho)));
        const int64_t last = std::min<int64_t>((kByRows ? height : width) - 1LL, int64_t(std::ceil(middle + rho)));
        for (int64_t j = first; j <= last; ++j) {
            const Ext off = j - middle;
            double m, t;
            chord(off * off, m, t);
            lines.push_back({double(foot + t * u), double(foot + m * u), double(foot - m * u), m, double(m - Ext(t)),
                             double(m + Ext(t))});
        }
    }
    void point(int G, int i, double& sx, double& sy) const {
        const Line& c = lines[size_t((kByRows ? i : G) - first)];
        const double p = kByRows ? double(G) : double(i), u = kByRows ? ux : uy;
        const double along = (p - c.q) * u;
        const bool isAhead = Kind == kRight || Kind == kUp ? along >= 0 : along > 0;
        const double A = std::fabs(p - (isAhead ? c.endAhead : c.endBehind)), B = isAhead ? c.bAhead : c.bBehind;
        const double cc = c.m * A / B, s = p - (isAhead ? cc - A : A - cc) * u;
        sx = kByRows ? s : double(G);
        sy = kByRows ? double(i) : s;
    }
    brush::Source centre(int G, int i) const { return exact(G, i); }
    int centreX, centreY;
    int64_t first = 0;
    std::vector<Line> lines;
};

// use(brush) with the brush of pass p in a picture of width x height pixels.
template <int Kind = kUpLeft, class Use>
auto withBrush(const SmearPass& p, int R, int width, int height, Use&& use) {
    if constexpr (Kind < kUp)
        if (p.kind != Kind) return withBrush<Kind + 1>(p, R, width, height, use);
    if constexpr (Kind <= kDownLeft)
        return use(DiagonalBrush<Kind>{Chords(p, R)});
    else
        return use(StraightBrush<Kind>(Chords(p, R), width, height));
}

// The passes of a release, use(pass) with each: its patch is the disc of
// radius rho around (cx, cy), one progress step per column of the disc,
// inside the picture or not.
auto smearPlan(const Picture& src, int X0, int Y0, int X, int Y, int R) {
    return [=, &src](auto&& use) {
        for (const SmearPass& p : detail::smearPasses(X0, Y0, X, Y, R)) {
            const Ext rho = R + Ext(p.d) / 2;
            const int64_t steps = std::max(roundToInt(p.cx + rho) - roundToInt(p.cx - rho) - 1LL, 0LL);
            withBrush(p, R, src.width(), src.height(), [&](auto brush) {
                use(brush::Pass<decltype(brush)>{std::move(brush), brush::disc(p.cx, p.cy, rho, src.width()), steps});
            });
        }
    };
}

}  // namespace

// (G, i) lies in a picture G + 1 pixels wide and i + 1 high.
detail::SmearSource detail::smearSource(const SmearPass& p, int R, int G, int i) {
    const brush::Source s = withBrush(p, R, G + 1, i + 1, [&](const auto& b) { return brush::sourceOf(b, G, i); });
    return {s.x, s.y};
}

Picture smear(const Picture& src, int X0, int Y0, int X, int Y, int R, Progress* progress) {
    return brush::effectInPasses(src, progress, smearPlan(src, X0, Y0, X, Y, R));
}
BrushMapping smearMapping(const Picture& src, int X0, int Y0, int X, int Y, int R) {
    return brush::mappingInPasses(smearPlan(src, X0, Y0, X, Y, R));
}

}  // namespace jollix
