#pragma once
// The one engine behind every distortion brush.
//
// A brush is its mapping: for each pixel of its region, where in the
// unchanged source picture the colour comes from. A brush file gives
//  - its Region: one run of pixels along each column, or along each row;
//  - point(x, y, sx, sy): the point the pixel (x, y) samples, written as
//    plainly as the formulas. The engine runs it over whole rows of a tile
//    at once, built for each vector instruction set, so it is straight-line
//    arithmetic. It may return a bool: true hands the pixel over to the
//    brush's exact(x, y), for the few pixels (close to a rounding tie, at a
//    line's very end) that need extended precision or may keep their
//    colour;
//  - optionally centreX, centreY and centre(x, y): the pixels of the centre
//    row and the centre column follow rules of their own (a nearest pixel,
//    a move along the axis, or none at all), and never reach point; a
//    brush with only one such line sets the other to kNoCentre;
// exact and centre answer with a Source (sampleAt, copyOf or keep).
//
// The engine does the rest, the same for every brush:
//  - it walks the region a tile of the result at a time, along the tile's
//    rows, so that writes run along memory and reads stay near each other;
//  - it works out the sampler's cells, weights and colours many points at
//    a time with the processor's vector instructions, and reads the source
//    through one tile view (detail::SourceView);
//  - it gives the result's tiles under the region fresh blocks of their
//    own first, then shares the tiles over all cores through the program's
//    one thread-sharing helper, each tile copied and painted by one thread
//    only;
//  - it reports the brush's progress steps from the calling thread, in
//    proportion to the tiles done, and the steps of the lines planned
//    before a failure (planLines);
//  - it paints a brush plainly too, one pixel at a time with sampleBilinear
//    (sourceOf, paintPlain), which the tests compare the engine against.
// Every pixel depends only on the source, so the result is the same
// whatever order and whichever thread computes it.
#include <algorithm>
#include <array>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "core/parallel.h"
#include "core/picture.h"
#include "core/progress.h"
#include "core/tiles.h"
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

// The disc of radius r around (cx, cy) in a picture `width` pixels wide:
// the columns x = roundToInt(cx - r) + 1 .. roundToInt(cx + r) - 1, each
// from row roundToInt(cy - W) + 1 to roundToInt(cy + W) - 1, W being the
// disc's half height sqrt(r^2 - (x - cx)^2) there.
inline Region disc(long double cx, long double cy, long double r, int width) {
    Region region;
    region.first = std::max<int64_t>(int64_t(roundToInt(cx - r)) + 1, 0);
    for (int64_t x = region.first; x <= std::min<int64_t>(roundToInt(cx + r) - 1LL, width - 1LL); ++x) {
        const long double off = cx - x, W = std::sqrt(r * r - off * off);
        region.add(int64_t(roundToInt(cy - W)) + 1, int64_t(roundToInt(cy + W)) - 1);
    }
    return region;
}

// The centre column (or row) of a brush that has none: no pixel's.
inline constexpr int kNoCentre = std::numeric_limits<int>::min();

// A brush whose centre row and column have rules of their own.
template <class Brush>
concept WithCentreLines = requires(const Brush& b) {
    { b.centreX } -> std::convertible_to<int>;
    { b.centreY } -> std::convertible_to<int>;
    { b.centre(0, 0) } -> std::same_as<Source>;
};
// A brush whose point() hands some pixels over to exact().
template <class Brush>
concept HandingOver = requires(const Brush& b, double& v) {
    { b.point(0, 0, v, v) } -> std::same_as<bool>;
    { b.exact(0, 0) } -> std::same_as<Source>;
};

// Where the pixel (x, y) of the brush's region takes its colour from, one
// pixel on its own: the plain reading of the brush.
template <class Brush>
Source sourceOf(const Brush& brush, int x, int y) {
    if constexpr (WithCentreLines<Brush>)
        if (x == brush.centreX || y == brush.centreY) return brush.centre(x, y);
    double sx, sy;
    if constexpr (HandingOver<Brush>) {
        if (brush.point(x, y, sx, sy)) return brush.exact(x, y);
    } else {
        brush.point(x, y, sx, sy);
    }
    return sampleAt(sx, sy);
}

// One application of a brush: the brush, its region and the progress
// steps it reports in all.
template <class Brush>
struct Pass {
    Brush brush;
    Region region;
    long long steps = 0;
};

// Works out the lines of a brush's plan, one progress step each: line(v)
// for v from `from` to `to` of each range in turn. When one fails (a
// checked operation finds no value), the steps of the lines before it are
// reported and the failure goes on; a plan that succeeds reports nothing
// here, its steps are paint's.
template <class Line>
void planLines(std::initializer_list<std::array<long long, 2>> ranges, Progress* progress, Line&& line) {
    long long done = 0;
    try {
        for (const auto& range : ranges)
            for (long long v = range[0]; v <= range[1]; ++v, ++done) line(v);
    } catch (...) {
        for (; done > 0; --done) progressStep(progress);
        throw;
    }
}

namespace detail {

// What a brush's pixel costs a core: its mapping and the sampler.
constexpr parallel::PixelCost kBrushPixelCost{8};

// The source picture as every brush reads it: the program's tile reader,
// shared by all threads, with sampleBilinear at a point.
struct SourceView : TileReader {
    explicit SourceView(const Picture& pic) : TileReader(pic) {}
    // sampleBilinear's colour at (x, y): red + 256 green + 65536 blue.
    uint32_t sample(double x, double y) const { return sampleBilinear(*this, x, y); }
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

// Whether paint paints plainly on this thread (see PaintingPlainly).
bool paintingPlainly();

// The tiles of the result that the region meets inside the picture, as
// indices tx + ty * tilesX, and the number of pixels it has there.
struct RegionTiles {
    std::vector<size_t> tiles;
    long long pixels = 0;
};
RegionTiles regionTiles(const Region& region, int W, int H);

// The points of a row of pixels (xs[k], y), k < n, off the centre lines,
// by the brush's point(): the loop the compiler builds for the vector units
// (for each instruction set, see vector_build.h). handOver[k] says whether
// point handed pixel k over to exact(); the result, whether it handed any.
template <class Brush>
JOLLIX_VECTOR_CLONES bool pointsOfRowOffCentre(const Brush& brush, int y, const int* __restrict xs, int n,
                                               double* __restrict sx, double* __restrict sy,
                                               bool* __restrict handOver) {
    unsigned any = 0;
    if constexpr (HandingOver<Brush>)
        for (int k = 0; k < n; ++k) any |= handOver[k] = brush.point(xs[k], y, sx[k], sy[k]);
    else
        for (int k = 0; k < n; ++k) brush.point(xs[k], y, sx[k], sy[k]);
    return any != 0;
}

// The points of the pixels (xs[k], y), k < n (ascending), of a brush, as
// sourceOf gives them: point's row loop, then the pixels it handed over
// and those on the centre lines one by one. sx and sy are filled up to a
// multiple of 16.
template <class Brush>
inline void pointsOfRow(const Brush& brush, int y, const int* xs, int n, double* sx, double* sy, Take* take) {
    auto set = [&](int k, const Source& s) { sx[k] = s.x, sy[k] = s.y, take[k] = s.take; };
    for (int k = n; k < ((n + 15) & ~15); ++k) sx[k] = sy[k] = 0;
    if constexpr (WithCentreLines<Brush>) {
        if (y == brush.centreY) {
            for (int k = 0; k < n; ++k) set(k, brush.centre(xs[k], y));
            return;
        }
    }
    alignas(64) bool handOver[Picture::kTile];
    const bool any = pointsOfRowOffCentre(brush, y, xs, n, sx, sy, handOver);
    for (int k = 0; k < n; ++k) take[k] = Take::Sample;
    // Mostly no pixel of the row is handed over.
    if constexpr (HandingOver<Brush>)
        if (any)
            for (int k = 0; k < n; ++k)
                if (handOver[k]) set(k, brush.exact(xs[k], y));
    if constexpr (WithCentreLines<Brush>) {
        // The row's pixels run left to right: the centre column can only be
        // among them when it lies between the first and the last.
        if (n > 0 && xs[0] <= brush.centreX && brush.centreX <= xs[n - 1])
            for (int k = 0; k < n; ++k)
                if (xs[k] == brush.centreX) set(k, brush.centre(xs[k], y));
    }
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
                if (xs[k] >= 0 && xs[k] < source.width() && regionHas(region, xs[k], y)) px[m++] = xs[k];
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

// For the tests: while one lives, paint on this thread paints plainly (see
// paintPlain), which is what the engine must give.
class PaintingPlainly {
public:
    PaintingPlainly();
    ~PaintingPlainly();
    PaintingPlainly(const PaintingPlainly&) = delete;
    PaintingPlainly& operator=(const PaintingPlainly&) = delete;

private:
    bool before_;
};

template <class Brush>
void paintPlain(const Picture& src, Picture& dst, const Brush& brush, const Region& region);

// Paints the pass's region of `dst` (a picture of the source's size, usually
// a copy of it) by its brush from `src`, and reports its steps.
template <class Brush>
void paint(const Picture& src, Picture& dst, const Pass<Brush>& pass, Progress* progress) {
    const Brush& brush = pass.brush;
    const Region& region = pass.region;
    const long long steps = pass.steps;
    const int W = src.width(), H = src.height();
    long long reported = 0;
    auto report = [&](long long due) {
        for (; reported < due; ++reported) progressStep(progress);
    };
    const bool plainly = detail::paintingPlainly();
    if (src.isEmpty() || region.lo.empty() || plainly) {
        if (plainly) paintPlain(src, dst, brush, region);
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
        const uint8_t* old = own.old[item];
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
        // A tile inside the picture that the region covers whole has every
        // pixel painted (a kept one from the old tile): it needs no copy.
        bool whole = x1 - x0 == Picture::kTileMask && y1 - y0 == Picture::kTileMask;
        for (int y = y0; whole && y <= y1; ++y) {
            const long long j = y - region.first;
            whole = region.byRows ? j >= 0 && j < lines && region.lo[size_t(j)] <= x0 && region.hi[size_t(j)] >= x1
                                  : rowMask[y - y0] == ~uint64_t(0);
        }
        if (!whole) std::memcpy(base, old, Picture::kTileBytes);
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
                    // One run of columns, as a disc's row has: as long as
                    // the run's highest bit is high.
                    n = 64 - __builtin_clzll(run);
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
                int k = 0;
                // Four colours at a time as twelve bytes, in two stores.
                for (; k + 4 <= n; k += 4) {
                    const uint64_t low = colour[k] | uint64_t(colour[k + 1]) << 24 | uint64_t(colour[k + 2]) << 48;
                    const uint32_t high = colour[k + 2] >> 16 | colour[k + 3] << 8;
                    std::memcpy(q + 3 * k, &low, 8);
                    std::memcpy(q + 3 * k + 8, &high, 4);
                }
                for (; k < n - 1; ++k) std::memcpy(q + 3 * k, &colour[k], 4);
                if (k < n) std::memcpy(q + 3 * k, &colour[k], 3);
                continue;
            }
            for (int k = 0; k < n; ++k) {
                uint8_t* q = row + size_t(xs[k] & Picture::kTileMask) * 3;
                switch (take[k]) {
                    case Take::Keep: std::memcpy(q, old + (q - base), 3); break;
                    case Take::Copy: std::memcpy(q, source.at(int(sx[k]), int(sy[k])), 3); break;
                    case Take::Sample: std::memcpy(q, &colour[k], 3); break;
                }
            }
        }
    };
    const size_t items = rt.tiles.size();
    parallel::forItems(items, parallel::threadsFor(rt.pixels, detail::kBrushPixelCost), paintTile,
                       [&](size_t done) { report(items == 0 ? steps : steps * (long long)done / (long long)items); });
}

// The same region painted plainly: one pixel at a time, in line order,
// each pixel's source from sourceOf, each point sampled with sampleBilinear.
template <class Brush>
void paintPlain(const Picture& src, Picture& dst, const Brush& brush, const Region& region) {
    const TileReader source(src);
    for (long long j = 0; j < region.lines(); ++j)
        for (long long i = region.lo[size_t(j)]; i <= region.hi[size_t(j)]; ++i) {
            const long long x = region.byRows ? i : region.first + j, y = region.byRows ? region.first + j : i;
            if (!src.contains(int(x), int(y)) || x != int(x) || y != int(y)) continue;
            const Source s = sourceOf(brush, int(x), int(y));
            if (s.take == Take::Copy) {
                dst.setPixel(int(x), int(y), src.pixel(int(s.x), int(s.y)));
            } else if (s.take == Take::Sample) {
                double px = s.x, py = s.y;
                const uint32_t c = sampleBilinear(source, px, py);  // red + 256 green + 65536 blue
                dst.setPixel(int(x), int(y), c);
            }
        }
}

// A brush effect: the pass plan(progress) gives (none: nothing to paint)
// painted into a copy of `src`, then the progress finished. A plan that
// fails leaves the progress as planLines left it.
template <class Plan>
Picture effect(const Picture& src, Progress* progress, Plan&& plan) {
    Picture dst = src;
    if (const auto pass = plan(progress)) paint(src, dst, *pass, progress);
    progressFinish(progress);
    return dst;
}

// One pass of a BrushMapping: `brush` over `region`.
template <class Brush>
std::shared_ptr<const BrushMapping::Pass> mappingPass(Pass<Brush> pass) {
    return std::make_shared<detail::MappingPass<Brush>>(std::move(pass.brush), std::move(pass.region));
}

// The same brush as a mapping (see BrushMapping); it fails as the effect does.
template <class Plan>
BrushMapping mapping(Plan&& plan) {
    auto pass = plan(nullptr);
    if (!pass) return {};
    return BrushMapping({mappingPass(std::move(*pass))});
}

// A brush applied in several passes: passes(use) calls use(pass) with each
// Pass in turn. Every pass reads the unchanged source and paints into the
// one result, a later pass over an earlier one where their regions
// overlap; the progress starts over after each pass.
template <class Passes>
Picture effectInPasses(const Picture& src, Progress* progress, Passes&& passes) {
    Picture dst = src;
    passes([&](const auto& pass) {
        paint(src, dst, pass, progress);
        progressReset(progress);
    });
    return dst;
}

// The same brush as a mapping of its passes.
template <class Passes>
BrushMapping mappingInPasses(Passes&& passes) {
    std::vector<std::shared_ptr<const BrushMapping::Pass>> all;
    passes([&](auto pass) { all.push_back(mappingPass(std::move(pass))); });
    return BrushMapping(std::move(all));
}

}  // namespace jollix::brush
