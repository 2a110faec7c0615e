#include "effects/engine/brush_engine.h"

#include <algorithm>
#include <cstring>

namespace jollix::brush {

namespace {
thread_local bool plainly = false;
}

PaintingPlainly::PaintingPlainly() : before_(plainly) { plainly = true; }
PaintingPlainly::~PaintingPlainly() { plainly = before_; }

namespace detail {

bool paintingPlainly() { return plainly; }

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

}  // namespace detail

}  // namespace jollix::brush
