#include "effects/brush_engine.h"

#include <cstring>

#include "effects/vector_build.h"

namespace jollix::brush::detail {

namespace {

// Eight lanes of the sampler's numbers, whatever vectors the processor has.
typedef double V8d __attribute__((vector_size(64)));
typedef int V8i __attribute__((vector_size(32)));
typedef float V8f __attribute__((vector_size(32)));

} // namespace

// The clamping, cell and weights of xiangsujuhe (sampler.h), eight lanes at
// a time: y into 0 .. H - 2 when at or past the last row, x into
// 0 .. W - 2, a NaN to 0 either way.
JOLLIX_VECTOR_CLONES void cellsAndWeights(const double* sx, const double* sy, int n, int W, int H, int* cellX,
                                          int* cellY, float* w00, float* w01, float* w10, float* w11) {
    const double xMax = W - 2, yMax = H - 2, yEnd = H - 1;
    for (int i = 0; i < n; i += 8) {
        V8d xs, ys;
        std::memcpy(&xs, sx + i, sizeof xs);
        std::memcpy(&ys, sy + i, sizeof ys);
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
}

RegionTiles regionTiles(const Region& region, int W, int H) {
    RegionTiles rt;
    const int tilesX = (W + Picture::kTileMask) >> Picture::kTileBits;
    const int tilesY = (H + Picture::kTileMask) >> Picture::kTileBits;
    std::vector<uint8_t> marked(size_t(tilesX) * size_t(tilesY), 0);
    const long long lineEnd = region.byRows ? H : W, runEnd = region.byRows ? W : H;
    for (long long j = 0; j < region.lines(); ++j) {
        const long long line = region.first + j;
        if (line < 0 || line >= lineEnd) continue;
        const long long from = std::max(region.lo[size_t(j)], 0LL);
        const long long to = std::min(region.hi[size_t(j)], runEnd - 1);
        if (from > to) continue;
        rt.pixels += to - from + 1;
        const long long lineTile = line >> Picture::kTileBits;
        for (long long t = from >> Picture::kTileBits; t <= (to >> Picture::kTileBits); ++t) {
            const size_t tx = size_t(region.byRows ? t : lineTile), ty = size_t(region.byRows ? lineTile : t);
            marked[ty * size_t(tilesX) + tx] = 1;
        }
    }
    for (size_t i = 0; i < marked.size(); ++i)
        if (marked[i]) rt.tiles.push_back(i);
    return rt;
}

} // namespace jollix::brush::detail
