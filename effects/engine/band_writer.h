#pragma once
// The whole-picture effects' way through a picture: they read the source's
// tiles in place and write every tile of the result once.
//
// The result's tiles are all taken from the pool in one go before any is
// written, and its tile rows are shared over the machine's cores, each
// thread writing whole tiles of its own. While writing a tile an effect
// notices whether it came out uniform in its most common colour (white for
// the sketches) or the same as the source's tile (a tidy clean-up); such a
// tile then shares one block with the others like it, or with the source,
// and its own block goes back to the pool. So unchanged or blank parts still
// cost no memory, without comparing any tile after it is written.
#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "core/parallel.h"
#include "core/picture.h"
#include "core/progress.h"

namespace jollix::band {

// What became of a tile an effect wrote.
enum class Keep {
    Written,    // the tile keeps its own block
    Blank,      // every pixel is the effect's blank colour: share its block
    Unchanged,  // every pixel is the source's: share the source's tile
};

// A tile of the result, as an effect writes it: tile (tx, ty), n pixels
// wide and m rows high inside the picture, pixel (x0 + i, y0 + r) at
// dst + r * Picture::kTileStride + 3 * i.
struct TileJob {
    int tx, ty, x0, y0, n, m;
    uint8_t* dst;
};

// The result of a whole-picture effect of width x height pixels, every
// tile written by fill(const TileJob&), which returns Keep. Tiles kept as
// Blank share the block of `blank` (a picture of one tile, filled with the
// blank colour); tiles kept as Unchanged share the tile at the same place
// in `source` (a picture of the same size). Either may be null when fill
// never answers so.
//
// `cost` is what one pixel of the effect costs a core; the effect reports
// one progress step per row of tiles, the total said first.
template <class Fill>
Picture build(int width, int height, const Picture* blank, const Picture* source, parallel::PixelCost cost,
              Progress* progress, Fill&& fill) {
    Picture out = Picture::unwritten(width, height);
    if (out.isEmpty()) return out;
    const unsigned threads = parallel::threadsFor((long long)width * height, cost);
    progressStart(progress, out.tilesY());
    size_t reported = 0;
    parallel::forItems(
        size_t(out.tilesY()), threads,
        [&](size_t item) {
            const int ty = int(item);
            const int y0 = ty * Picture::kTile;
            const int m = std::min(Picture::kTile, height - y0);
            for (int tx = 0; tx < out.tilesX(); ++tx) {
                const int x0 = tx * Picture::kTile;
                const TileJob job{tx, ty, x0, y0, std::min(Picture::kTile, width - x0), m, out.mutableTile(tx, ty)};
                switch (fill(job)) {
                    case Keep::Written: break;
                    case Keep::Blank: out.shareTile(tx, ty, *blank, 0, 0); break;
                    case Keep::Unchanged: out.shareTile(tx, ty, *source, tx, ty); break;
                }
            }
        },
        [&](size_t done) {
            for (; reported < done; ++reported) progressStep(progress);
        });
    progressFinish(progress);
    return out;
}

// Whether a tile is a whole tile wide and away from the picture's left and
// right edge: effects build their loops for such tiles with every count
// known in advance, which the vector units run fastest.
inline bool inner(const TileJob& t, int width) {
    return t.n == Picture::kTile && t.x0 > 0 && t.x0 + Picture::kTile < width;
}

// Pieces of at most this many bytes (whole rows of a tile, whole pixels)
// for effects whose every pixel depends on that pixel alone.
constexpr int kRunBytes = 4 * Picture::kTileStride;

// Runs run(from, to, bytes) over the tile job's pixels for an effect whose
// every pixel depends on that pixel alone: from the source's bytes at
// `from` (a picture of the result's size, read in place) to the result's
// at `to`, `bytes` bytes (whole pixels) at a time. The rows of a tile a
// whole tile wide lie back to back and go in pieces of kRunBytes, given
// as a std::integral_constant so the loops know their count.
template <class Run>
inline __attribute__((always_inline)) void runs(const Picture& src, const TileJob& t, Run&& run) {
    constexpr int kRows = kRunBytes / Picture::kTileStride;
    const uint8_t* from = src.tileRow(t.tx, t.y0);
    uint8_t* to = t.dst;
    int r = 0;
    if (t.n == Picture::kTile)
        for (; r + kRows <= t.m; r += kRows)
            run(from + r * Picture::kTileStride, to + r * Picture::kTileStride,
                std::integral_constant<int, kRunBytes>{});
    for (; r < t.m; ++r) run(from + r * Picture::kTileStride, to + r * Picture::kTileStride, 3 * t.n);
}

// The source pixels a 3 x 3 neighbourhood reads for row y (1 <= y <= height
// - 2) of a tile column that starts at x0 and is n pixels wide: rows y - 1,
// y and y + 1 of that tile column in place, and in each the pixel just left
// of the tile (x0 - 1) and just right of its n pixels (x0 + n). Those two
// are read as the last and the first kWindow bytes of the neighbouring
// tiles' rows, so that every loop has a count known in advance. At the
// picture's left and right edges, where no such pixel exists, they are
// null: effects keep the edge pixels of the picture to rules of their own.
constexpr int kWindow = 16;
struct Around {
    const uint8_t* row[3];
    const uint8_t* left[3];   // kWindow bytes ending with the pixel x0 - 1
    const uint8_t* right[3];  // kWindow bytes starting with the pixel x0 + n
};

// The tiles a tile's 3 x 3 neighbourhoods read, looked up once per tile:
// around(y) then gives the Around of each of its rows.
class Neighbours {
public:
    Neighbours(const Picture& src, const TileJob& t) : ty_(t.ty) {
        const bool first = t.tx == 0, last = t.x0 + t.n >= src.width();
        for (int dy = -1; dy <= 1; ++dy) {
            const int ty = t.ty + dy;
            const bool inside = ty >= 0 && ty < src.tilesY();
            const int y = ty * Picture::kTile;
            tiles_[dy + 1][0] = inside && !first ? src.tileRow(t.tx - 1, y) : nullptr;
            tiles_[dy + 1][1] = inside ? src.tileRow(t.tx, y) : nullptr;
            tiles_[dy + 1][2] = inside && !last ? src.tileRow(t.tx + 1, y) : nullptr;
        }
    }
    Around around(int y) const {
        Around a;
        for (int k = 0; k < 3; ++k) {
            const int yy = y - 1 + k;
            const uint8_t* const* row = tiles_[(yy >> Picture::kTileBits) - ty_ + 1];
            const size_t at = size_t(yy & Picture::kTileMask) * Picture::kTileStride;
            a.row[k] = row[1] + at;
            a.left[k] = row[0] ? row[0] + at + Picture::kTileStride - kWindow : nullptr;
            a.right[k] = row[2] ? row[2] + at : nullptr;
        }
        return a;
    }

private:
    int ty_;
    const uint8_t* tiles_[3][3];  // tile rows ty - 1 .. ty + 1, tile columns tx - 1 .. tx + 1
};

// A row of column values: index 0 .. 2 for the pixel left of the tile, 3 ..
// 3 n + 2 for the tile's n pixels, 3 n + 3 .. 3 n + 5 for the pixel right of
// it. Arrays hold kColumnValues values and are used from kBefore on, as the
// windows of the neighbouring tiles' bytes fill values on either side too.
constexpr int kBefore = kWindow - 3;
constexpr int kColumnValues = kBefore + Picture::kTileStride + 3 + kWindow;

// Runs column(a, b, c, at, count) over the columns of `around`: the rows'
// bytes a, b, c for the column values from index `at` on, count bytes at a
// time: the left window (its last pixel at 0), the tile's n pixels from 3,
// the right window from 3 + 3 n.
template <class Column>
inline __attribute__((always_inline)) void columns(const Around& s, int n, Column&& column) {
    if (s.left[0]) column(s.left[0], s.left[1], s.left[2], 3 - kWindow, kWindow);
    column(s.row[0], s.row[1], s.row[2], 3, 3 * n);
    if (s.right[0]) column(s.right[0], s.right[1], s.right[2], 3 + 3 * n, kWindow);
}

}  // namespace jollix::band
