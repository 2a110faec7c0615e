#pragma once
// The one way to a picture's pixels where they lie in its tiles: a reader
// for pictures that are read, a writer for pictures that are written, each
// with random access (one pixel) and row access (a row of a tile in place,
// or a run of pixels of a row copied out or in), and the build of a whole
// new picture tile by tile over the machine's cores.
//
// A reader keeps a table of the picture's tiles, looked up once: the picture
// must outlive it unchanged (other pictures sharing its tiles may change,
// since they clone a tile before writing it). A writer makes each tile it
// hands out the picture's own first, so writing never reaches a copy that
// shares the tile; it too needs the picture to outlive it, and several
// threads may write through one writer only into tiles each its own and
// already made own (Picture::unwritten, or a tile row handed out before).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/parallel.h"
#include "core/picture.h"
#include "core/progress.h"

namespace jollix {

class TileReader {
public:
    explicit TileReader(const Picture& picture)
        : width_(picture.width()),
          height_(picture.height()),
          tilesX_(picture.tilesX()),
          table_(size_t(picture.tilesX()) * size_t(picture.tilesY())) {
        for (int ty = 0; ty < picture.tilesY(); ++ty)
            for (int tx = 0; tx < tilesX_; ++tx)
                table_[size_t(ty) * size_t(tilesX_) + size_t(tx)] = picture.tile(tx, ty);
    }

    int width() const { return width_; }
    int height() const { return height_; }
    int tilesX() const { return tilesX_; }

    // The bytes (blue, green, red) of pixel (x, y) inside the picture; the
    // tile's slack makes reading a word of Picture::kTileSlack bytes there
    // safe too.
    const uint8_t* at(int x, int y) const {
        return tileOf(x >> Picture::kTileBits, y) + size_t(x & Picture::kTileMask) * 3;
    }
    // Pixel (x, y) as 0x00BBGGRR; 0 outside the picture.
    uint32_t colour(int x, int y) const {
        if (unsigned(x) >= unsigned(width_) || unsigned(y) >= unsigned(height_)) return 0;
        const uint8_t* p = at(x, y);
        return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
    }
    // Row y (inside the picture) of tile column tx in place: the kTile
    // pixels from x = tx * kTile on, kTileStride bytes; those right of the
    // picture mean nothing.
    const uint8_t* tileRow(int tx, int y) const { return tileOf(tx, y); }
    // Pixels x0 .. x0 + count - 1 of row y (inside the picture) copied to
    // dst, 3 bytes each.
    void copyRow(int y, int x0, int count, uint8_t* dst) const {
        for (int x = x0, end = x0 + count; x < end;) {
            const int in = x & Picture::kTileMask, n = std::min(Picture::kTile - in, end - x);
            std::memcpy(dst, tileOf(x >> Picture::kTileBits, y) + size_t(in) * 3, size_t(n) * 3);
            dst += size_t(n) * 3;
            x += n;
        }
    }
    // The whole picture's tiles, row of tiles after row of tiles.
    const uint8_t* const* tiles() const { return table_.data(); }

private:
    const uint8_t* tileOf(int tx, int y) const {
        return table_[size_t(y >> Picture::kTileBits) * size_t(tilesX_) + size_t(tx)] +
               size_t(y & Picture::kTileMask) * Picture::kTileStride;
    }
    int width_, height_, tilesX_;
    std::vector<const uint8_t*> table_;
};

class TileWriter {
public:
    explicit TileWriter(Picture& picture)
        : picture_(picture), own_(size_t(picture.tilesX()) * size_t(picture.tilesY())) {}

    int width() const { return picture_.width(); }
    int height() const { return picture_.height(); }

    // The bytes (blue, green, red) of pixel (x, y) inside the picture.
    uint8_t* at(int x, int y) { return tileOf(x >> Picture::kTileBits, y) + size_t(x & Picture::kTileMask) * 3; }
    // Pixel (x, y) set to colour (0x00BBGGRR); outside the picture nothing.
    void setColour(int x, int y, uint32_t colour) {
        if (!picture_.contains(x, y)) return;
        uint8_t* p = at(x, y);
        p[0] = uint8_t(colour >> 16);
        p[1] = uint8_t(colour >> 8);
        p[2] = uint8_t(colour);
    }
    // Row y (inside the picture) of tile column tx in place, as
    // TileReader::tileRow.
    uint8_t* tileRow(int tx, int y) { return tileOf(tx, y); }
    // Pixels x0 .. x0 + count - 1 of row y (inside the picture) set from
    // src, 3 bytes each.
    void putRow(int y, int x0, int count, const uint8_t* src) {
        for (int x = x0, end = x0 + count; x < end;) {
            const int in = x & Picture::kTileMask, n = std::min(Picture::kTile - in, end - x);
            std::memcpy(tileOf(x >> Picture::kTileBits, y) + size_t(in) * 3, src, size_t(n) * 3);
            src += size_t(n) * 3;
            x += n;
        }
    }

private:
    uint8_t* tileOf(int tx, int y) {
        const int ty = y >> Picture::kTileBits;
        uint8_t*& t = own_[size_t(ty) * size_t(picture_.tilesX()) + size_t(tx)];
        if (!t) t = picture_.mutableTile(tx, ty);
        return t + size_t(y & Picture::kTileMask) * Picture::kTileStride;
    }
    Picture& picture_;
    std::vector<uint8_t*> own_;  // tiles made own so far
};

// ---- A whole new picture, tile by tile ----

namespace tiles {

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
// tile written by fill(const TileJob&), which returns Keep.
//
// The result's tiles are all taken from the pool in one go before any is
// written, and its rows of tiles are shared over the machine's cores, each
// thread writing whole tiles of its own. While writing a tile an effect
// notices whether it came out uniform in its most common colour (white for
// the sketches) or the same as the source's tile (a tidy clean-up): tiles
// kept as Blank then share the block of `blank` (a picture of one tile,
// filled with the blank colour), tiles kept as Unchanged the tile at the
// same place in `source` (a picture of the same size), and their own block
// goes back to the pool. Either may be null when fill never answers so.
//
// `cost` is what one pixel of the effect costs a core. The build reports
// one progress step per row of tiles, its total said first.
template <class Fill>
Picture build(int width, int height, const Picture* blank, const Picture* source, parallel::PixelCost cost,
              Progress* progress, Fill&& fill) {
    Picture out = Picture::unwritten(width, height);
    if (out.isEmpty()) return out;
    TileWriter writer(out);
    parallel::forItemsWithProgress(
        size_t(out.tilesY()), parallel::threadsFor((long long)width * height, cost), progress, [&](size_t item) {
            const int ty = int(item);
            const int y0 = ty * Picture::kTile;
            const int m = std::min(Picture::kTile, height - y0);
            for (int tx = 0; tx < out.tilesX(); ++tx) {
                const int x0 = tx * Picture::kTile;
                const TileJob job{tx, ty, x0, y0, std::min(Picture::kTile, width - x0), m, writer.tileRow(tx, y0)};
                switch (fill(job)) {
                    case Keep::Written: break;
                    case Keep::Blank: out.shareTile(tx, ty, *blank, 0, 0); break;
                    case Keep::Unchanged: out.shareTile(tx, ty, *source, tx, ty); break;
                }
            }
        });
    return out;
}

}  // namespace tiles

}  // namespace jollix
