#include "effects/spherical.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/error.h"
#include "core/numeric.h"
#include "effects/parallel.h"
#include "effects/sampler.h"
#include "effects/twist.h"

// Both brushes model a spherical cap of base radius R and height H standing
// on the picture around the centre (a, b). Every colour is read from the
// unchanged source picture and written into a copy that shares the source's
// tiles, so only the tiles under the disc are cloned.
//
// Precision: the loop bounds and the nearest-pixel reads on the centre row
// and column are rounded, so they are formed in extended precision with the
// named intermediates kept as doubles, which decides rounding ties the same
// way every time. The source points inside the quadrants only feed the
// bilinear sampler and are formed in doubles, with the per-column and
// per-row terms taken out of the inner loops.
//
// Every pixel of the quadrants depends only on the source, so the order in
// which they are computed is free: big regions are shared by all cores
// (core/parallel.h), after the tiles to be written have been made the
// result's own, and the progress steps are reported from the calling
// thread as the work gets done, as many as stepping column by column gives.

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
    const double w = double(CheckedSqrt(rho * rho - d * d) - rho + H);
    // ... and the half-chord of the cap's base circle there.
    const long double cw = c + w;
    return double(CheckedSqrt(cw * cw - c * c));
}

ShrinkColumn sphericalShrinkColumn(const SphereCap& cap, int a, int x) {
    const long double rho = cap.rho, c = cap.c;
    const long double dx = static_cast<long double>(int64_t(a) - x);
    const long double dx2 = dx * dx;
    const double D1 = double(std::sqrt(c * c + dx2));
    // The point p1 where the ray from the sphere's centre through the column's
    // rim point meets the sphere, projected onto the row; the height h1 of
    // the similar triangle gives S1 = c * rho / D1.
    const long double slant = std::sqrt(Divide(c * c, dx2) + 1);
    const long double along = (rho - D1) / slant;
    const double p1 = x < a ? double(x - along) : double(x + along);
    const double h1 = double(Divide((static_cast<long double>(x) - p1) * c, dx));
    const double S1 = double(c + h1);
    const long double s1 = S1;
    const double K1 = double(CheckedSqrt(s1 * s1 - c * c));
    return {D1, K1};
}

} // namespace detail

namespace {

inline void put(Picture& dst, int x, int y, uint32_t colour) {
    uint8_t* p = dst.mutablePixelPtr(x, y);
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
}

inline int clampInt(long long v, int lo, int hi) { return int(std::min<long long>(std::max<long long>(v, lo), hi)); }

inline void store(uint8_t* q, uint32_t colour) {
    q[0] = uint8_t(colour >> 16);
    q[1] = uint8_t(colour >> 8);
    q[2] = uint8_t(colour);
}

// Expand's quadrants: the brush centre, the picture size, the sphere, and
// how far above and below the centre row each column offset reaches.
struct ExpandGeometry {
    int a, b, W, Hp;
    double c, rho2;
    const long long* up;
    const long long* down;
};

// Column offsets m0 .. m1 - 1 and row offsets k0 .. k1 - 1.
struct ExpandBlock {
    long long m0, m1, k0, k1;
};
constexpr int kBlockColumns = 64, kBlockRows = 32;

// Eight lanes of the sampler's numbers, whatever vectors the processor has.
typedef double V8d __attribute__((vector_size(64)));
typedef int V8i __attribute__((vector_size(32)));
typedef float V8f __attribute__((vector_size(32)));

// One block in the four quadrants. The factors are formed a row of offsets
// at a time, the same correctly rounded operations in every build.
JOLLIX_VECTOR_CLONES void expandBlock(const ExpandGeometry& g, const Picture& src, const parallel::TileTable& tiles,
                                      const ExpandBlock& blk) {
    double colTerm[kBlockColumns], factors[kBlockColumns * kBlockRows];
    int cellX[kBlockColumns], cellY[kBlockColumns];
    float w00[kBlockColumns], w01[kBlockColumns], w10[kBlockColumns], w11[kBlockColumns];
    uint8_t edgeCell[Picture::kTileStride + 8] = {};
    const int n = int(blk.m1 - blk.m0);
    for (int i = 0; i < kBlockColumns; ++i) {
        const double m = double(blk.m0 + i);
        colTerm[i] = g.rho2 - m * m;
    }
    const long long a = g.a, b = g.b;
    // Above-left, above-right, below-right, below-left: each reads its own
    // part of the source.
    detail::SourceView views[4] = {detail::SourceView(src), detail::SourceView(src), detail::SourceView(src),
                                   detail::SourceView(src)};
    // Offsets outside the cap give a NaN here that is never used.
    for (long long k = blk.k0; k < blk.k1; ++k) {
        const double kk = double(k) * double(k);
        double* qk = factors + (k - blk.k0) * kBlockColumns;
        for (int i = 0; i < kBlockColumns; ++i) qk[i] = g.c / std::sqrt(colTerm[i] - kk);
    }
    // Whether every column of the block lies in the picture on each side,
    // and the fewest rows any of its columns reaches above and below.
    const bool leftInside = a - (blk.m1 - 1) >= 0 && a - blk.m0 < g.W;
    const bool rightInside = a + blk.m0 >= 0 && a + (blk.m1 - 1) < g.W;
    const bool inside[4] = {leftInside, rightInside, rightInside, leftInside};
    long long reachLow[2] = {g.up[blk.m0], g.down[blk.m0]};
    for (long long m = blk.m0; m < blk.m1; ++m) {
        reachLow[0] = std::min(reachLow[0], g.up[m]);
        reachLow[1] = std::min(reachLow[1], g.down[m]);
    }
    // A quadrant at a time, so that its reads and writes run along the
    // tiles' rows.
    for (int quad = 0; quad < 4; ++quad) {
        for (long long k = blk.k0; k < blk.k1; ++k) {
            const double* q = factors + (k - blk.k0) * kBlockColumns;
            const bool above = quad < 2, leftSide = quad == 0 || quad == 3;
            const long long y = above ? b - k : b + k;
            if (y < 0 || y >= g.Hp) continue;
            const long long* reach = above ? g.up : g.down;
            const double dy = double(b - y);
            detail::SourceView& view = views[quad];
            if (g.W < 2 || g.Hp < 2) {
                for (int i = 0; i < n; ++i) {
                    const long long m = blk.m0 + i;
                    if (k > reach[m]) continue;
                    const long long x = leftSide ? a - m : a + m;
                    if (x < 0 || x >= g.W) continue;
                    const double dx = double(a - x);
                    double xs = g.a - q[i] * dx, ys = g.b - q[i] * dy;
                    store(tiles.pixel(int(x), int(y)), view.sample(xs, ys));
                }
                continue;
            }
            // The sampler's clamping, cell and weights for the whole row of
            // offsets at once (offsets outside the region give values that
            // are never used) ...
            const double xMax = g.W - 2, yMax = g.Hp - 2, yEnd = g.Hp - 1;
            const double sx = leftSide ? 1.0 : -1.0;
            const V8d iota = {0, 1, 2, 3, 4, 5, 6, 7};
            for (int i = 0; i < kBlockColumns; i += 8) {
                V8d qv;
                std::memcpy(&qv, q + i, sizeof qv);
                const V8d dx = sx * (double(blk.m0 + i) + iota);
                V8d xs = double(g.a) - qv * dx, ys = double(g.b) - qv * dy;
                // A NaN fails every test and ends at 0.
                ys = (0 <= ys && ys < yEnd) ? ys : (ys >= 0 ? V8d{} + yMax : V8d{});
                xs = xs < 0 ? V8d{} : (xs > xMax ? V8d{} + xMax : (xs != xs ? V8d{} : xs));
                const V8i x0 = __builtin_convertvector(xs, V8i), y0 = __builtin_convertvector(ys, V8i);
                const V8d fx0 = __builtin_convertvector(x0, V8d), fy0 = __builtin_convertvector(y0, V8d);
                const V8d wy1 = ys - fy0, wy0 = (fy0 + 1) - ys;
                const V8d wx1 = xs - fx0, wx0 = (fx0 + 1) - xs;
                const V8f f00 = __builtin_convertvector(wx0 * wy0, V8f), f01 = __builtin_convertvector(wx0 * wy1, V8f);
                const V8f f10 = __builtin_convertvector(wx1 * wy0, V8f), f11 = __builtin_convertvector(wx1 * wy1, V8f);
                std::memcpy(cellX + i, &x0, sizeof x0);
                std::memcpy(cellY + i, &y0, sizeof y0);
                std::memcpy(w00 + i, &f00, sizeof f00);
                std::memcpy(w01 + i, &f01, sizeof f01);
                std::memcpy(w10 + i, &f10, sizeof f10);
                std::memcpy(w11 + i, &f11, sizeof f11);
            }
            // ... then the pixels of the region, the quick evaluation where
            // it decides and the whole sampler elsewhere.
            const long prefetchOffset = above ? -Picture::kTileStride : 2 * Picture::kTileStride;
            auto colourAt = [&](int i, long long x) __attribute__((always_inline)) -> uint32_t {
                uint32_t colour;
#if defined(__SSE2__)
                const int x0 = cellX[i], y0 = cellY[i];
                const uint8_t* cell;
                if (__builtin_expect((x0 & Picture::kTileMask) < Picture::kTileMask - 1 &&
                                         (y0 & Picture::kTileMask) < Picture::kTileMask,
                                     1)) {
                    cell = view.at(x0, y0);
                    // The next row of the quadrant reads about one row
                    // further out.
                    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(cell) + prefetchOffset));
                } else {
                    // The cell meets a tile's last two columns or its last
                    // row: its four pixels are copied out together, laid
                    // out as in a tile.
                    std::memcpy(edgeCell, view.at(x0, y0), 3);
                    std::memcpy(edgeCell + 3, view.at(x0 + 1, y0), 3);
                    std::memcpy(edgeCell + Picture::kTileStride, view.at(x0, y0 + 1), 3);
                    std::memcpy(edgeCell + Picture::kTileStride + 3, view.at(x0 + 1, y0 + 1), 3);
                    cell = edgeCell;
                }
                if (__builtin_expect(detail::bilinearQuick(cell, w00[i], w01[i], w10[i], w11[i], &colour), 1))
                    return colour;
#endif
                const double dx = double(a - x);
                double xs = g.a - q[i] * dx, ys = g.b - q[i] * dy;
                return view.sample(xs, ys);
            };
            if (inside[quad] && k <= reachLow[above ? 0 : 1]) {
                // The whole row of the block lies in the region and the
                // picture: its pixels are written along the tile rows.
                const int step = leftSide ? -3 : 3, tileStart = leftSide ? Picture::kTileMask : 0;
                long long x = leftSide ? a - blk.m0 : a + blk.m0;
                uint8_t* d = tiles.pixel(int(x), int(y));
                for (int i = 0; i < n; ++i, x += leftSide ? -1 : 1) {
                    if (i > 0) d = (x & Picture::kTileMask) == tileStart ? tiles.pixel(int(x), int(y)) : d + step;
                    store(d, colourAt(i, x));
                }
                continue;
            }
            for (int i = 0; i < n; ++i) {
                const long long m = blk.m0 + i;
                if (k > reach[m]) continue;
                const long long x = leftSide ? a - m : a + m;
                if (x < 0 || x >= g.W) continue;
                store(tiles.pixel(int(x), int(y)), colourAt(i, x));
            }
        }
    }
}

} // namespace

Picture Sphericalpengzhang(const Picture& src, int a, int b, int R, int H, Progress* progress) {
    const detail::SphereCap cap = detail::sphereCap(R, H);
    Picture dst = src;
    const int W = src.width(), Hp = src.height();
    const double rho = cap.rho, c = cap.c, rho2 = rho * rho;

    if (R > 1) {
        // Column offsets beyond mMax and row offsets beyond kMax reach no
        // pixel of the picture, so the tables below stop there.
        const long long mMax = std::min<long long>(R - 1, std::max(std::llabs(a), std::llabs((long long)W - 1 - a)));
        const long long kMax = std::max(std::llabs(b), std::llabs((long long)Hp - 1 - b));

        // How many rows above and below the centre row the columns at the
        // offsets 1 .. mMax reach (the same on both sides); a column runs
        // from Round(b - Kx) + 1 to Round(b + Kx) - 1.
        std::vector<long long> up(size_t(std::max(mMax, 0LL)) + 1, 0), down(up.size(), 0);
        long long reachMax = 0;
        for (long long m = 1; m <= mMax; ++m) {
            const long double kx = detail::sphericalExpandHalfHeight(cap, H, int(m));
            up[size_t(m)] = std::min(kMax, b - (Round(static_cast<long double>(b) - kx) + 1LL));
            down[size_t(m)] = std::min(kMax, (Round(static_cast<long double>(b) + kx) - 1LL) - b);
            reachMax = std::max({reachMax, up[size_t(m)], down[size_t(m)]});
        }

        const long long left = (long long)a - R + 1, right = (long long)a + R - 1;
        const bool rowInside = b >= 0 && b < Hp;
        const bool colInside = a >= 0 && a < W;

        // Every tile that gets a pixel is made this picture's own here,
        // before any pixel is worked out, so that the work can be shared
        // by threads that then only write into tiles nobody else holds.
        parallel::TileTable tiles(dst);
        long long pixels = 0;
        for (long long x = std::max(left, 0LL); x <= std::min<long long>(right, W - 1); ++x) {
            if (x == a) continue;
            const size_t m = size_t(std::llabs(a - x));
            pixels += tiles.mark(int(x), std::max(b - up[m], 0LL), std::min<long long>(b - 1, Hp - 1));
            pixels += tiles.mark(int(x), std::max(b + 1LL, 0LL), std::min<long long>(b + down[m], Hp - 1));
            if (rowInside) tiles.mark(int(x), b, b);
        }
        if (colInside) {
            tiles.mark(a, std::max((long long)b - R + 1, 0LL), std::min<long long>(b - 1, Hp - 1));
            tiles.mark(a, std::max(b + 1LL, 0LL), std::min<long long>((long long)b + R - 1, Hp - 1));
        }
        tiles.makeOwn(dst);

        // The quadrants, in blocks of column and row offsets: a block works
        // out the factor c / z of each of its offsets (|dx|, |dy|),
        // z = sqrt(rho^2 - dx^2 - dy^2), once for the four quadrants.
        // Only offsets whose columns or rows meet the picture are visited.
        // A centre right of or below the picture sees it on one side only,
        // from some offset on; likewise left of or above it.
        long long mLo = 1, kLo = 1;
        if (a >= W) mLo = (long long)a - (W - 1);
        if (a < 0) mLo = -(long long)a;
        if (b >= Hp) kLo = (long long)b - (Hp - 1);
        if (b < 0) kLo = -(long long)b;
        const long long kHi = std::min(kMax, reachMax);
        std::vector<ExpandBlock> blocks;
        for (long long m0 = mLo; m0 <= mMax; m0 += kBlockColumns) {
            const long long m1 = std::min(m0 + kBlockColumns, mMax + 1);
            long long reach = 0;
            for (long long m = m0; m < m1; ++m) reach = std::max({reach, up[size_t(m)], down[size_t(m)]});
            for (long long k0 = kLo; k0 <= std::min(kHi, reach); k0 += kBlockRows)
                blocks.push_back({m0, m1, k0, std::min(k0 + kBlockRows, std::min(kHi, reach) + 1)});
        }
        const ExpandGeometry g{a, b, W, Hp, c, rho2, up.data(), down.data()};

        // The four quadrants had one progress step per column each; the
        // steps follow the share of the blocks done.
        const long long steps = 4 * ((long long)R - 1);
        long long reported = 0;
        parallel::forItems(
            blocks.size(), parallel::threadsFor(pixels),
            [&](size_t i) { expandBlock(g, src, tiles, blocks[i]); },
            [&](size_t done) {
                const long long due = blocks.empty() ? steps : steps * (long long)done / (long long)blocks.size();
                for (; reported < due; ++reported) progressStep(progress);
            });

        // The centre row and column take the nearest pixel of their source.
        const long double rhoL = rho, cL = c;
        auto shift = [&](long long d) -> long double {
            const long double dl = static_cast<long double>(d);
            return cL * dl / std::sqrt(rhoL * rhoL - dl * dl);
        };
        auto rowPixel = [&](long long x) {
            if (!rowInside || x < 0 || x >= W) return;
            const double xs = double(static_cast<long double>(a) - shift(a - x));
            put(dst, int(x), b, src.pixel(clampInt(Round(xs), 0, W - 1), b));
        };
        auto colPixel = [&](long long y) {
            if (!colInside || y < 0 || y >= Hp) return;
            const double ys = double(static_cast<long double>(b) - shift(b - y));
            put(dst, a, int(y), src.pixel(a, clampInt(Round(ys), 0, Hp - 1)));
        };
        for (long long x = left; x < a; ++x) rowPixel(x);
        for (long long x = (long long)a + 1; x <= right; ++x) rowPixel(x);
        for (long long y = (long long)b - R + 1; y < b; ++y) colPixel(y);
        for (long long y = (long long)b + 1; y <= (long long)b + R - 1; ++y) colPixel(y);
    }
    progressFinish(progress);
    return dst;
}

Picture Sphericalshousuo(const Picture& src, int a, int b, int R, int H, Progress* progress) {
    const detail::SphereCap cap = detail::sphereCap(R, H);
    Picture dst = src;
    const int W = src.width(), Hp = src.height();
    const double rho = cap.rho, c = cap.c, crho = c * rho;

    if (R > 1) {
        // 1 / sqrt(c^2 + dy^2) for every row offset the region can reach.
        const long long kMax = std::min<long long>(R, std::max(std::llabs(b), std::llabs((long long)Hp - 1 - b)));
        std::vector<double> invD2(size_t(kMax) + 1);
        for (long long m = 0; m <= kMax; ++m) invD2[size_t(m)] = 1.0 / std::sqrt(c * c + double(m) * double(m));

        const long long left = (long long)a - R + 1, right = (long long)a + R - 1;
        // Each column's half-height and factor, in the order the columns
        // are stepped through: left of the centre, then right of it. A
        // failure reports the steps of the columns before it, as stepping
        // column by column would.
        struct Column {
            long long x, n;
            double kc;
        };
        std::vector<Column> columns;
        long long stepped = 0;
        try {
            for (int side = 0; side < 2; ++side) {
                const long long from = side == 0 ? left : (long long)a + 1, to = side == 0 ? (long long)a - 1 : right;
                for (long long x = from; x <= to; ++x, ++stepped) {
                    const detail::ShrinkColumn col = detail::sphericalShrinkColumn(cap, a, int(x));
                    const long long n = Round(col.K1);
                    if (x >= 0 && x < W) columns.push_back({x, n, crho / col.D1});
                }
            }
        } catch (...) {
            for (long long i = 0; i < stepped; ++i) progressStep(progress);
            throw;
        }
        auto rowsOf = [&](const Column& col, bool upper) {
            return upper ? std::pair<long long, long long>{std::max((long long)b - col.n + 1, 0LL),
                                                           std::min<long long>((long long)b - 1, Hp - 1)}
                         : std::pair<long long, long long>{std::max((long long)b + 1, 0LL),
                                                           std::min<long long>((long long)b + col.n - 1, Hp - 1)};
        };

        // The tiles that get a pixel are made this picture's own first, so
        // that threads can then fill the columns (see the expand brush).
        const bool rowInside = b >= 0 && b < Hp;
        const bool colInside = a >= 0 && a < W;
        parallel::TileTable tiles(dst);
        long long pixels = 0;
        for (const Column& col : columns) {
            for (bool upper : {true, false}) {
                const auto [y0, y1] = rowsOf(col, upper);
                pixels += tiles.mark(int(col.x), y0, y1);
            }
            if (rowInside) tiles.mark(int(col.x), b, b);
        }
        if (colInside) {
            tiles.mark(a, std::max((long long)b - R + 1, 0LL), std::min<long long>(b - 1, Hp - 1));
            tiles.mark(a, std::max(b + 1LL, 0LL), std::min<long long>((long long)b + R - 1, Hp - 1));
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
                    const long long x = col.x;
                    const double dx = double(a - x);
                    const double kc = col.kc;
                    for (bool upper : {true, false}) {
                        const auto [yFrom, yTo] = rowsOf(col, upper);
                        for (long long y = yFrom; y <= yTo; ++y) {
                            const long long m = std::llabs(b - y);
                            const double dy = double(b - y);
                            const double inv =
                                m < (long long)invD2.size() ? invD2[size_t(m)] : 1.0 / std::sqrt(c * c + dy * dy);
                            const double k = kc * inv;
                            double xs = a - k * dx, ys = b - k * dy;
                            store(tiles.pixel(int(x), int(y)), source.sample(xs, ys));
                        }
                    }
                }
            },
            [&](size_t done) {
                const long long due = items == 0 ? steps : steps * (long long)done / (long long)items;
                for (; reported < due; ++reported) progressStep(progress);
            });

        // The centre row and column: nearest pixel of the source, clamped
        // into the picture.
        const long double rhoL = rho, cL = c;
        auto shift = [&](long long d) -> long double {
            const long double dl = static_cast<long double>(d);
            return dl * rhoL / std::sqrt(cL * cL + dl * dl);
        };
        auto rowPixel = [&](long long x) {
            if (!rowInside || x < 0 || x >= W) return;
            double xs = double(static_cast<long double>(a) - shift(a - x));
            if (xs < 0) xs = 0;
            if (xs > W - 1) xs = W - 1;
            put(dst, int(x), b, src.pixel(Round(xs), b));
        };
        auto colPixel = [&](long long y) {
            if (!colInside || y < 0 || y >= Hp) return;
            double ys = double(static_cast<long double>(b) - shift(b - y));
            if (ys < 0) ys = 0;
            if (ys > Hp - 1) ys = Hp - 1;
            put(dst, a, int(y), src.pixel(a, Round(ys)));
        };
        for (long long x = left; x < a; ++x) rowPixel(x);
        for (long long x = (long long)a + 1; x <= right; ++x) rowPixel(x);
        for (long long y = (long long)b - R + 1; y < b; ++y) colPixel(y);
        for (long long y = (long long)b + 1; y <= (long long)b + R - 1; ++y) colPixel(y);
    }
    progressFinish(progress);
    return dst;
}

Picture SphericalStretch(int toolKind, const Picture& src, int a, int b, int R, int H, Progress* progress) {
    switch (toolKind) {
    case 1: return Sphericalpengzhang(src, a, b, R, H, progress);
    case 2: return Sphericalshousuo(src, a, b, R, H, progress);
    case 3: return Sphericalyouxuan(src, a, b, R, H, progress);
    case 4: return Sphericalzuoxuan(src, a, b, R, H, progress);
    default: return src;
    }
}

} // namespace jollix
