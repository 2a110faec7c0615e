#include "effects/axis_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/numeric.h"
#include "effects/parallel.h"
#include "effects/sampler.h"
#include "effects/tile_writer.h"

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
    const double h = double(CheckedSqrt(r * r - tl * tl) - r + S);
    const double F = double(h + r - S);
    const long double depth = r - S;
    const long double rise = depth + h;
    const double B = double(CheckedSqrt(rise * rise - depth * depth));
    return {h, F, B};
}

AxisShrinkLine axisShrinkLine(double rho, int S, int f, int t) {
    const long double r = rho, d = r - S, tl = t;
    const long double T1 = r - std::sqrt(d * d + tl * tl);
    const long double Q = T1 / std::sqrt(Divide(d * d, tl * tl) + 1);
    const double xs = t > 0 ? double(f - Q) : double(f + Q);
    const double P = double(Divide((static_cast<long double>(f) - xs) * d, tl));
    const double E = double(d + P);
    const long double e = E;
    const double H = double(CheckedSqrt(e * e - d * d));
    return {xs, P, E, H};
}

} // namespace detail

namespace {

using detail::TileWriter;

inline void store(uint8_t* q, uint32_t colour) {
    q[0] = uint8_t(colour >> 16);
    q[1] = uint8_t(colour >> 8);
    q[2] = uint8_t(colour);
}

inline void put(Picture& dst, int x, int y, uint32_t colour) {
    uint8_t* p = dst.mutablePixelPtr(x, y);
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
}

// The expand. Lines are the columns of the vertical and the rows of the
// horizontal expand; each line is stretched away from the centre line.
template <bool kVertical>
Picture axisExpand(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    Picture dst = src;
    if (R >= 1) {
        const double rho = detail::axisRho(R, S);
        const int W = src.width(), Hp = src.height();
        const int outerC = kVertical ? X : Y, innerC = kVertical ? Y : X;
        const int outerN = kVertical ? W : Hp, innerN = kVertical ? Hp : W;
        // Lines at offsets t and -t share their terms, and within a line
        // the rows at G and -G share the factor (F - h) / sqrt(F^2 - G^2);
        // both are formed once per offset.
        struct Span {
            long long lo, hi;
            size_t start;
        };
        // Line offsets beyond mMax and offsets along a line beyond kMax
        // reach no pixel of the picture, so the tables stop there.
        const long long mMax =
            std::min<long long>(R - 1, std::max(std::llabs(outerC), std::llabs((long long)outerN - 1 - outerC)));
        const long long kMax = std::max(std::llabs(innerC), std::llabs((long long)innerN - 1 - innerC));
        std::vector<Span> spans(size_t(mMax) + 1);
        size_t total = 0;
        for (long long m = 0; m <= mMax; ++m) {
            const detail::AxisExpandLine line = detail::axisExpandLine(rho, S, int(m));
            Span& sp = spans[size_t(m)];
            sp.lo = Round(static_cast<long double>(innerC) - line.B);
            sp.hi = Round(static_cast<long double>(innerC) + line.B);
            sp.start = total;
            total += size_t(std::min(kMax, std::max<long long>({innerC - sp.lo, sp.hi - innerC, 0}))) + 1;
        }
        std::vector<double> factor(total);
        for (long long m = 0; m <= mMax; ++m) {
            const long long f1 = (long long)outerC - m, f2 = (long long)outerC + m;
            if (!((f1 >= 0 && f1 < outerN) || (f2 >= 0 && f2 < outerN))) continue;
            const detail::AxisExpandLine line = detail::axisExpandLine(rho, S, int(m));
            const long double Fl = line.F;
            const double dF = double(Fl - line.h);
            const double F2 = double(Fl * Fl);
            const size_t n = (m < mMax ? spans[size_t(m) + 1].start : total) - spans[size_t(m)].start;
            double* fac = factor.data() + spans[size_t(m)].start;
            for (size_t k = 0; k < n; ++k) {
                const double G = double(k);
                double arg = F2 - G * G;
                if (!(arg > F2 * 1e-12)) {
                    // Close to the line's ends: decide the root's sign in
                    // extended precision. Where the root has no positive
                    // argument the pixel keeps its colour (marked NaN).
                    const long double e = Fl * Fl - static_cast<long double>(G) * G;
                    if (!(e > 0)) {
                        fac[k] = std::nan("");
                        continue;
                    }
                    arg = double(e);
                }
                fac[k] = dF / std::sqrt(arg);
            }
        }
        // The lines inside the picture, each with the run of pixels it
        // writes: the pixels at its ends whose root has no positive
        // argument keep their colour. Their tiles are made the result's own
        // first, so that threads can then fill the lines.
        struct Line {
            long long f, from, to;
            const double* fac;
        };
        std::vector<Line> lines;
        parallel::TileTable tiles(dst);
        long long pixels = 0;
        for (long long f = std::max((long long)outerC - R + 1, 0LL);
             f <= std::min<long long>((long long)outerC + R - 1, outerN - 1); ++f) {
            const Span& sp = spans[size_t(std::llabs(outerC - f))];  // |outerC - f| <= mMax
            const double* fac = factor.data() + sp.start;
            long long from = std::max(sp.lo, 0LL), to = std::min<long long>(sp.hi, innerN - 1);
            while (from <= to && std::isnan(fac[std::llabs(innerC - from)])) ++from;
            while (to >= from && std::isnan(fac[std::llabs(innerC - to)])) --to;
            lines.push_back({f, from, to, fac});
            pixels += kVertical ? tiles.mark(int(f), from, to) : tiles.markRow(int(f), from, to);
        }
        tiles.makeOwn(dst);

        constexpr size_t kLinesPerItem = 16;
        const size_t items = (lines.size() + kLinesPerItem - 1) / kLinesPerItem;
        const long long steps = 2 * (long long)R - 1;  // one per line, inside the picture or not
        long long reported = 0;
        parallel::forItems(
            items, parallel::threadsFor(pixels),
            [&](size_t item) {
                detail::SourceView source(src);
                const size_t end = std::min(lines.size(), (item + 1) * kLinesPerItem);
                for (size_t j = item * kLinesPerItem; j < end; ++j) {
                    const Line& line = lines[j];
                    const long long f = line.f;
                    for (long long i = line.from; i <= line.to; ++i) {
                        const double q = line.fac[std::llabs(innerC - i)];
                        if (q != q) continue;
                        const double s = innerC - q * double(innerC - i);
                        if constexpr (kVertical) {
                            double xs = double(f), ys = s;
                            store(tiles.pixel(int(f), int(i)), source.sample(xs, ys));
                        } else {
                            double xs = s, ys = double(f);
                            store(tiles.pixel(int(i), int(f)), source.sample(xs, ys));
                        }
                    }
                }
            },
            [&](size_t done) {
                const long long due = items == 0 ? steps : steps * (long long)done / (long long)items;
                for (; reported < due; ++reported) progressStep(progress);
            });
    }
    progressFinish(progress);
    return dst;
}

// The shrink. Both orientations visit the vertical shrink's pixel set: the
// off-centre columns with their half-heights, then the centre line.
template <bool kVertical>
Picture axisShrink(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    const double rho = detail::axisRho(R, S);
    Picture dst = src;
    TileWriter writer(dst);
    detail::SourceView source(src);
    const int W = src.width(), Hp = src.height();
    if (R > 1) {
        const long double dL = static_cast<long double>(rho) - S;
        const double d = double(dL);
        // 1 / sqrt(d^2 + m^2) for the offsets 0 .. R that reach the picture.
        const long long reach = std::max({std::llabs(X), std::llabs((long long)W - 1 - X), std::llabs(Y),
                                          std::llabs((long long)Hp - 1 - Y)});
        std::vector<double> inv(size_t(std::min<long long>(R, reach)) + 1);
        for (size_t m = 0; m < inv.size(); ++m) inv[m] = 1.0 / std::sqrt(d * d + double(m) * double(m));
        auto invAt = [&](long long m) __attribute__((always_inline)) {
            return m < (long long)inv.size() ? inv[size_t(m)] : 1.0 / std::sqrt(d * d + double(m) * double(m));
        };
        // The horizontal shrink takes, per row offset u, the row's own E
        // (Er), formed like the column's E with u in place of t.
        std::vector<double> rowE;
        if constexpr (!kVertical) {
            rowE.resize(size_t(std::min<long long>(R, reach)));
            for (size_t m = 1; m < rowE.size(); ++m) rowE[m] = detail::axisShrinkLine(rho, S, 0, int(m)).E;
        }

        // Each column's terms, in the order the columns are stepped
        // through: left of the centre, then right of it. A failure reports
        // the steps of the columns before it, as stepping column by column
        // would.
        struct Column {
            long long f, n;
            detail::AxisShrinkLine line;
        };
        std::vector<Column> columns;
        long long stepped = 0;
        try {
            for (int side = 0; side < 2; ++side) {
                const long long from = side == 0 ? (long long)X - R + 1 : (long long)X + 1;
                const long long to = side == 0 ? (long long)X - 1 : (long long)X + R - 1;
                for (long long f = from; f <= to; ++f, ++stepped) {
                    const detail::AxisShrinkLine line = detail::axisShrinkLine(rho, S, int(f), int(X - f));
                    const long long n = Round(line.H);
                    if (f >= 0 && f < W) columns.push_back({f, n, line});
                }
            }
        } catch (...) {
            for (long long i = 0; i < stepped; ++i) progressStep(progress);
            throw;
        }
        auto rowsOf = [&](const Column& col, bool upper) {
            return upper ? std::pair<long long, long long>{std::max((long long)Y - col.n + 1, 0LL),
                                                           std::min<long long>((long long)Y - 1, Hp - 1)}
                         : std::pair<long long, long long>{std::max((long long)Y + 1, 0LL),
                                                           std::min<long long>((long long)Y + col.n - 1, Hp - 1)};
        };
        // The columns' tiles are made the result's own first, so that
        // threads can then fill the columns.
        parallel::TileTable tiles(dst);
        long long pixels = 0;
        for (const Column& col : columns)
            for (bool upper : {true, false}) {
                const auto [from, to] = rowsOf(col, upper);
                pixels += tiles.mark(int(col.f), from, to);
            }
        tiles.makeOwn(dst);

        constexpr size_t kColumnsPerItem = 16;
        const size_t items = (columns.size() + kColumnsPerItem - 1) / kColumnsPerItem;
        const long long steps = 2 * ((long long)R - 1);
        long long reported = 0;
        parallel::forItems(
            items, parallel::threadsFor(pixels),
            [&](size_t item) {
                detail::SourceView source(src);
                const size_t end = std::min(columns.size(), (item + 1) * kColumnsPerItem);
                for (size_t j = item * kColumnsPerItem; j < end; ++j) {
                    const Column& col = columns[j];
                    const long long f = col.f;
                    const int t = int(X - f);
                    const detail::AxisShrinkLine& line = col.line;
                    auto pixel = [&](long long i) __attribute__((always_inline)) {
                        const long long u = (long long)Y - i;
                        const long long m = std::llabs(u);
                        if constexpr (kVertical) {
                            double xs = double(f), ys = Y - line.E * double(u) * invAt(m);
                            store(tiles.pixel(int(f), int(i)), source.sample(xs, ys));
                        } else {
                            const double er = m < (long long)rowE.size() ? rowE[size_t(m)]
                                                                          : detail::axisShrinkLine(rho, S, 0, int(m)).E;
                            double xs = X - er * double(t) * invAt(std::abs(t)), ys = double(i);
                            store(tiles.pixel(int(f), int(i)), source.sample(xs, ys));
                        }
                    };
                    for (bool upper : {true, false}) {
                        const auto [from, to] = rowsOf(col, upper);
                        for (long long i = from; i <= to; ++i) pixel(i);
                    }
                }
            },
            [&](size_t done) {
                const long long due = items == 0 ? steps : steps * (long long)done / (long long)items;
                for (; reported < due; ++reported) progressStep(progress);
            });

        // The centre line: the centre column of the vertical shrink, the
        // centre row of the horizontal one, sampled bilinearly.
        auto centre = [&](long long off) {  // off = centre - position
            const double shift = rho * double(off) * invAt(std::llabs(off));
            if constexpr (kVertical) {
                const long long i = (long long)Y - off;
                if (X < 0 || X >= W || i < 0 || i >= Hp) return;
                double xs = double(X), ys = Y - shift;
                writer.put(X, int(i), source.sample(xs, ys));
            } else {
                const long long f = (long long)X - off;
                if (Y < 0 || Y >= Hp || f < 0 || f >= W) return;
                double xs = X - shift, ys = double(Y);
                writer.put(int(f), Y, source.sample(xs, ys));
            }
        };
        for (long long off = R - 1; off >= 1; --off) centre(off);
        for (long long off = -1; off >= -(long long)R + 1; --off) centre(off);
    }
    progressFinish(progress);
    return dst;
}

} // namespace

Picture Verticalpengzhang(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisExpand<true>(src, X, Y, R, S, progress);
}

Picture Horizontalpengzhang(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisExpand<false>(src, X, Y, R, S, progress);
}

Picture Verticalshousuo(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisShrink<true>(src, X, Y, R, S, progress);
}

Picture Horizontalshousuo(const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    return axisShrink<false>(src, X, Y, R, S, progress);
}

Picture VerticalStretch(int toolKind, const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    switch (toolKind) {
    case 1: return Verticalpengzhang(src, X, Y, R, S, progress);
    case 2: return Verticalshousuo(src, X, Y, R, S, progress);
    default: return src;
    }
}

Picture HorizontalStretch(int toolKind, const Picture& src, int X, int Y, int R, int S, Progress* progress) {
    switch (toolKind) {
    case 1: return Horizontalpengzhang(src, X, Y, R, S, progress);
    case 2: return Horizontalshousuo(src, X, Y, R, S, progress);
    default: return src;
    }
}

} // namespace jollix
