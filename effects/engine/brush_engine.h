#pragma once
// The one engine behind every distortion brush.
//
// A brush says two things: which pixels it changes (its Region: one run of
// pixels along each column, or along each row) and, for each of them, where
// in the unchanged source picture the colour comes from (its map(x, y)
// function: a point for the bilinear sampler, a source pixel taken as it
// is, or "keep this pixel"). The engine does the rest, the same for every
// brush:
//  - it walks the region a tile of the result at a time, along the tile's
//    rows, so that writes run along memory and reads stay near each other;
//  - it works out the sampler's cells, weights and colours sixteen (or
//    eight) points at a time with the processor's vector instructions, and
//    reads the source through one tile view (detail::SourceView);
//  - it gives the result's tiles under the region fresh blocks of their
//    own first, then shares the tiles over all cores through the program's
//    one thread-sharing helper, each tile copied and painted by one thread
//    only;
//  - a brush whose mapping off its centre row and column is one formula
//    gives it as point(x, y, sx, sy), and the engine runs it over whole
//    rows in vector registers, the centre lines through map; other brushes
//    may give a whole row of points at once (mapRow), which must give what
//    map gives;
//  - it reports the brush's progress steps from the calling thread, in
//    proportion to the tiles done.
// Every pixel depends only on the source, so the result is the same
// whatever order and whichever thread computes it: exactly what evaluating
// map() one pixel at a time and sampling each point with sampleBilinear gives
// (see paintPlain, which the tests compare against).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/parallel.h"
#include "core/picture.h"
#include "core/progress.h"
#include "effects/engine/brush_mapping.h"
#include "effects/engine/sampler.h"
#include "effects/engine/vector_build.h"

namespace jollix::brush {

// Where a pixel of the region takes its colour from.
enum class Take : uint8_t {
    Keep,    // nowhere: the pixel keeps its colour
    Sample,  // the source sampled bilinearly at (x, y)
    Copy,    // the source pixel (x, y) itself, inside the picture
};
struct Source {
    double x = 0, y = 0;
    Take take = Take::Keep;
};
inline Source sampleAt(double x, double y) { return {x, y, Take::Sample}; }
inline Source copyOf(int x, int y) { return {double(x), double(y), Take::Copy}; }
inline Source keep() { return {}; }

// The pixels a brush may change: along each line (a column, or a row when
// `byRows`) first, first + 1, ..., the run from lo to hi (lo > hi: none).
// Pixels outside the picture are left out by the engine.
struct Region {
    bool byRows = false;
    long long first = 0;
    std::vector<long long> lo, hi;

    void add(long long from, long long to) {
        lo.push_back(from);
        hi.push_back(to);
    }
    long long lines() const { return (long long)lo.size(); }
};

// For a brush's mapRow that has worked out the points of its quadrants for
// a whole row y: every pixel is sampled there, except those on the centre
// row or the centre column, which are taken from map.
template <class Brush>
void axesFromMap(const Brush& brush, int y, int centreX, int centreY, const int* xs, int n, double* sx, double* sy,
                 Take* take) {
    for (int k = 0; k < n; ++k) take[k] = Take::Sample;
    // The row's points run left to right: the centre column can only be
    // among them when it lies between the first and the last.
    if (n == 0 || (y != centreY && (centreX < xs[0] || centreX > xs[n - 1]))) return;
    for (int k = 0; k < n; ++k)
        if (y == centreY || xs[k] == centreX) {
            const Source s = brush.map(xs[k], y);
            sx[k] = s.x, sy[k] = s.y, take[k] = s.take;
        }
}

namespace detail {

// The source picture as every brush reads it: its size and a table of its
// tiles' pixels, row of tiles after row of tiles, shared by all threads.
struct SourceView {
    explicit SourceView(const Picture& pic);
    // The bytes of pixel (px, py), inside the picture.
    const uint8_t* at(int px, int py) const {
        return tiles[size_t(py >> Picture::kTileBits) * size_t(tilesX) + size_t(px >> Picture::kTileBits)] +
               (size_t(py & Picture::kTileMask) * Picture::kTile + size_t(px & Picture::kTileMask)) * 3;
    }
    // sampleBilinear's colour at (x, y): red + 256 green + 65536 blue.
    uint32_t sample(double x, double y) const {
        return jollix::detail::bilinearWith(
            W, H, [this](int px, int py) { return at(px, py); }, x, y);
    }
    int W, H, tilesX;
    const uint8_t* const* tiles;

private:
    std::vector<const uint8_t*> table_;
};

// The colours sampleBilinear gives at the n points (sx[k], sy[k]) of a
// picture of at least 2 x 2 pixels, as many at a time as the processor's
// vector units take: colour[k] holds the bytes blue, green, red of point
// k (in that order from its lowest byte) wherever bit k of ok
// (ok[k / 64] >> k % 64) is set. The points left out (a colour the quick
// evaluation cannot decide, or a processor without the vector units) are
// for the caller to sample one by one. sx, sy and colour hold n rounded up to a
// multiple of 16 values, ok n rounded up to 64 bits.
void sampleRow(const SourceView& source, const double* sx, const double* sy, int n, uint32_t* colour, uint64_t* ok);

// For the tests: sampleRow uses vector units up to `level` only (2:
// AVX-512, 1: AVX2, 0: none, every point left to the caller).
void limitVectors(int level);

// The tiles of the result that the region meets inside the picture, as
// indices tx + ty * tilesX, and the number of pixels it has there.
struct RegionTiles {
    std::vector<size_t> tiles;
    long long pixels = 0;
};
RegionTiles regionTiles(const Region& region, int W, int H);

// The points of a row of a brush that gives its mapping off its centre
// lines as one formula, point(x, y, sx, sy): the loop the compiler builds
// for the vector units (for each instruction set, see vector_build.h).
template <class Brush>
JOLLIX_VECTOR_CLONES void pointsOfRowOffCentre(const Brush& brush, int y, const int* __restrict xs, int n,
                                               double* __restrict sx, double* __restrict sy) {
    for (int k = 0; k < n; ++k) brush.point(xs[k], y, sx[k], sy[k]);
}

// The points of the pixels (xs[k], y), k < n, of a brush:
//  - a brush with point() and a centre (centreX, centreY): point's row loop
//    above, the centre row and column from map;
//  - else from its mapRow when it has one (it must give what map gives);
//  - else from map.
template <class Brush>
inline void pointsOfRow(const Brush& brush, int y, const int* xs, int n, double* sx, double* sy, Take* take) {
    if constexpr (requires { brush.point(0, 0, sx[0], sy[0]); }) {
        pointsOfRowOffCentre(brush, y, xs, n, sx, sy);
        axesFromMap(brush, y, brush.centreX, brush.centreY, xs, n, sx, sy, take);
    } else if constexpr (requires { brush.mapRow(y, xs, n, sx, sy, take); }) {
        brush.mapRow(y, xs, n, sx, sy, take);
    } else {
        for (int k = 0; k < n; ++k) {
            const Source s = brush.map(xs[k], y);
            sx[k] = s.x;
            sy[k] = s.y;
            take[k] = s.take;
        }
    }
    for (int k = n; k < ((n + 15) & ~15); ++k) sx[k] = sy[k] = 0;
}

// The sampled colours (bytes blue, green, red from the lowest) of the
// points k < n taken by Take::Sample: the vector sampler's, and the ones it
// left out one by one. ok is scratch of n rounded up to 64 bits.
inline void coloursOfRow(const SourceView& source, const double* sx, const double* sy, const Take* take, int n,
                         uint32_t* colour, uint64_t* ok) {
    sampleRow(source, sx, sy, n, colour, ok);
    for (int w = 0; w < (n + 63) / 64; ++w) {
        const uint64_t all = n - 64 * w >= 64 ? ~uint64_t(0) : (uint64_t(1) << (n - 64 * w)) - 1;
        for (uint64_t m = ~ok[w] & all; m != 0; m &= m - 1) {
            const int k = 64 * w + __builtin_ctzll(m);
            if (take[k] != Take::Sample) continue;
            const uint32_t c = source.sample(sx[k], sy[k]);  // red + 256 green + 65536 blue
            colour[k] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        }
    }
}

// Where the region meets row y: whether pixel (x, y) lies in it.
inline bool regionHas(const Region& region, long long x, long long y) {
    const long long j = (region.byRows ? y : x) - region.first, i = region.byRows ? x : y;
    return j >= 0 && j < region.lines() && region.lo[size_t(j)] <= i && i <= region.hi[size_t(j)];
}

// A brush over its region as one pass of a BrushMapping.
template <class Brush>
struct MappingPass final : BrushMapping::Pass {
    MappingPass(Brush b, Region r) : brush(std::move(b)), region(std::move(r)) {}
    int paintRow(const SourceView& source, int y, int* xs, int n, uint32_t* colour) const override {
        alignas(64) double sx[Picture::kTile], sy[Picture::kTile];
        alignas(64) uint32_t got[Picture::kTile];
        uint64_t ok[(Picture::kTile + 63) / 64];
        int px[Picture::kTile];
        Take take[Picture::kTile];
        int kept = 0;
        for (int start = 0; start < n; start += Picture::kTile) {
            int m = 0;
            for (int k = start; k < std::min(n, start + Picture::kTile); ++k)
                if (xs[k] >= 0 && xs[k] < source.W && regionHas(region, xs[k], y)) px[m++] = xs[k];
            if (m == 0) continue;
            pointsOfRow(brush, y, px, m, sx, sy, take);
            coloursOfRow(source, sx, sy, take, m, got, ok);
            for (int k = 0; k < m; ++k) {
                uint32_t c = 0;
                if (take[k] == Take::Keep) continue;
                if (take[k] == Take::Copy)
                    std::memcpy(&c, source.at(int(sx[k]), int(sy[k])), 3);
                else
                    c = got[k];
                // Bytes blue, green, red to 0x00BBGGRR.
                colour[kept] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
                xs[kept++] = px[k];
            }
        }
        return kept;
    }
    void bounds(long long& left, long long& top, long long& right, long long& bottom) const override {
        left = top = 0, right = bottom = -1;
        bool any = false;
        for (long long j = 0; j < region.lines(); ++j) {
            const long long lo = region.lo[size_t(j)], hi = region.hi[size_t(j)], line = region.first + j;
            if (lo > hi) continue;
            const long long x0 = region.byRows ? lo : line, x1 = region.byRows ? hi : line;
            const long long y0 = region.byRows ? line : lo, y1 = region.byRows ? line : hi;
            if (!any) left = x0, right = x1, top = y0, bottom = y1, any = true;
            left = std::min(left, x0), right = std::max(right, x1), top = std::min(top, y0),
            bottom = std::max(bottom, y1);
        }
    }
    Brush brush;
    Region region;
};

}  // namespace detail

// How paint works: through the engine, or plainly (see paintPlain), which
// the tests compare the engine against.
enum class Painting { Engine, Plain };

template <class Brush>
void paintPlain(const Picture& src, Picture& dst, const Brush& brush, const Region& region);

// Paints `region` of `dst` (a picture of the source's size, usually a copy
// of it) by brush.map from `src`, and reports `steps` progress steps in all.
template <class Brush>
void paint(const Picture& src, Picture& dst, const Brush& brush, const Region& region, long long steps,
           Progress* progress, Painting how = Painting::Engine) {
    const int W = src.width(), H = src.height();
    long long reported = 0;
    auto report = [&](long long due) {
        for (; reported < due; ++reported) progressStep(progress);
    };
    if (src.isEmpty() || region.lo.empty() || how == Painting::Plain) {
        if (how == Painting::Plain) paintPlain(src, dst, brush, region);
        report(steps);
        return;
    }
    const detail::RegionTiles rt = detail::regionTiles(region, W, H);
    // Every tile to be written gets a block of its own before the threads
    // start, so that they only ever write into tiles nobody else holds;
    // each thread copies what the tile held into it, then paints it.
    const Picture::Rewrite own = dst.rewriteTiles(rt.tiles);

    const detail::SourceView source(src);
    const long long lines = region.lines();
    auto paintTile = [&](size_t item) {
        const int tx = int(rt.tiles[item] % size_t(dst.tilesX())), ty = int(rt.tiles[item] / size_t(dst.tilesX()));
        uint8_t* base = own.fresh[item];
        std::memcpy(base, own.old[item], Picture::kTileBytes);
        const int x0 = tx * Picture::kTile, x1 = std::min(W, x0 + Picture::kTile) - 1;
        const int y0 = ty * Picture::kTile, y1 = std::min(H, y0 + Picture::kTile) - 1;
        alignas(64) double sx[Picture::kTile], sy[Picture::kTile];
        alignas(64) uint32_t colour[Picture::kTile];
        uint64_t ok[(Picture::kTile + 63) / 64];
        int xs[Picture::kTile];
        Take take[Picture::kTile];
        // A region of column runs is turned around first: the columns of
        // each of the tile's rows as a mask of bits (bit c for column
        // x0 + c). Each column's run switches its bit on at its first row
        // and off after its last.
        uint64_t rowMask[Picture::kTile + 1] = {};
        if (!region.byRows) {
            uint64_t flips[Picture::kTile + 1] = {};
            const long long j0 = std::max<long long>(x0 - region.first, 0);
            const long long j1 = std::min<long long>(x1 - region.first, lines - 1);
            for (long long j = j0; j <= j1; ++j) {
                const long long from = std::max<long long>(region.lo[size_t(j)], y0) - y0;
                const long long to = std::min<long long>(region.hi[size_t(j)], y1) - y0;
                if (from > to) continue;
                const uint64_t bit = uint64_t(1) << (region.first + j - x0);
                flips[from] ^= bit;
                flips[to + 1] ^= bit;
            }
            uint64_t on = 0;
            for (int r = 0; r <= y1 - y0; ++r) rowMask[r] = on ^= flips[r];
        }
        for (int y = y0; y <= y1; ++y) {
            // The pixels of this tile row inside the region.
            int n = 0;
            if (region.byRows) {
                const long long j = y - region.first;
                if (j < 0 || j >= lines) continue;
                const long long from = std::max<long long>(region.lo[size_t(j)], x0);
                const long long to = std::min<long long>(region.hi[size_t(j)], x1);
                for (long long x = from; x <= to; ++x) xs[n++] = int(x);
            } else {
                const uint64_t mask = rowMask[y - y0];
                if (mask == 0) continue;
                const int from = __builtin_ctzll(mask);
                const uint64_t run = mask >> from;
                if ((run & (run + 1)) == 0) {
                    // One run of columns, as a disc's row has.
                    n = __builtin_popcountll(mask);
                    for (int k = 0; k < n; ++k) xs[k] = x0 + from + k;
                } else {
                    for (uint64_t m = mask; m != 0; m &= m - 1) xs[n++] = x0 + __builtin_ctzll(m);
                }
            }
            if (n == 0) continue;
            detail::pointsOfRow(brush, y, xs, n, sx, sy, take);
            detail::coloursOfRow(source, sx, sy, take, n, colour, ok);
            uint8_t* row = base + size_t(y & Picture::kTileMask) * Picture::kTileStride;
            // Mostly every point is a sample and the points run along the
            // row without a gap: then each colour is stored as four bytes,
            // the fourth overwritten by the next pixel's, and the last as
            // three.
            unsigned other = 0;
            for (int k = 0; k < n; ++k) other |= uint8_t(take[k]) ^ uint8_t(Take::Sample);
            if (other == 0 && xs[n - 1] - xs[0] == n - 1) {
                uint8_t* q = row + size_t(xs[0] & Picture::kTileMask) * 3;
                for (int k = 0; k < n - 1; ++k) std::memcpy(q + 3 * k, &colour[k], 4);
                std::memcpy(q + 3 * (n - 1), &colour[n - 1], 3);
                continue;
            }
            for (int k = 0; k < n; ++k) {
                uint8_t* q = row + size_t(xs[k] & Picture::kTileMask) * 3;
                switch (take[k]) {
                    case Take::Keep: break;
                    case Take::Copy: std::memcpy(q, source.at(int(sx[k]), int(sy[k])), 3); break;
                    case Take::Sample: std::memcpy(q, &colour[k], 3); break;
                }
            }
        }
    };
    const size_t items = rt.tiles.size();
    parallel::forItems(items, parallel::threadsFor(rt.pixels), paintTile,
                       [&](size_t done) { report(items == 0 ? steps : steps * (long long)done / (long long)items); });
}

// The same region painted plainly: one pixel at a time, in line order,
// each point sampled with sampleBilinear. What paint must give, for the tests.
template <class Brush>
void paintPlain(const Picture& src, Picture& dst, const Brush& brush, const Region& region) {
    for (long long j = 0; j < region.lines(); ++j)
        for (long long i = region.lo[size_t(j)]; i <= region.hi[size_t(j)]; ++i) {
            const long long x = region.byRows ? i : region.first + j, y = region.byRows ? region.first + j : i;
            if (!src.contains(int(x), int(y)) || x != int(x) || y != int(y)) continue;
            const Source s = brush.map(int(x), int(y));
            if (s.take == Take::Copy) {
                dst.setPixel(int(x), int(y), src.pixel(int(s.x), int(s.y)));
            } else if (s.take == Take::Sample) {
                double px = s.x, py = s.y;
                const uint32_t c = sampleBilinear(src, px, py);  // red + 256 green + 65536 blue
                dst.setPixel(int(x), int(y), c);
            }
        }
}

// One pass of a BrushMapping: `brush` over `region`.
template <class Brush>
std::shared_ptr<const BrushMapping::Pass> mappingPass(Brush brush, Region region) {
    return std::make_shared<detail::MappingPass<Brush>>(std::move(brush), std::move(region));
}

}  // namespace jollix::brush
