#pragma once
// The one raster type of the program: 24 bits per pixel, bytes blue, green,
// red, rows top first. A single pixel as one value is 0x00BBGGRR.
//
// Storage is tiled and copy-on-write: the picture is cut into square tiles
// of kTile x kTile pixels held behind shared pointers. Copying a picture
// shares every tile; the first write to a tile clones just that tile. So a
// brush that copies the picture, writes its disc and hands the copy back
// costs what the disc touches, and a history of snapshots shares whatever
// did not change.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace jollix {

class Picture {
public:
    static constexpr int kTileBits = 6;
    static constexpr int kTile = 1 << kTileBits;  // pixels per tile side
    static constexpr int kTileMask = kTile - 1;
    static constexpr int kTileStride = kTile * 3;  // bytes per tile row
    static constexpr size_t kTileBytes = size_t(kTile) * kTile * 3;
    // Every tile is followed by at least this many bytes that may be read
    // (and mean nothing), so that a reader may fetch a pixel's 3 bytes as
    // a wider word anywhere in a tile.
    static constexpr size_t kTileSlack = 8;

    Picture() = default;
    // A picture of the given size filled with one colour (0x00BBGGRR).
    // Refuses negative sizes; all tiles share one block until written.
    Picture(int width, int height, uint32_t colour = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    bool isEmpty() const { return width_ <= 0 || height_ <= 0; }
    bool contains(int x, int y) const { return unsigned(x) < unsigned(width_) && unsigned(y) < unsigned(height_); }

    // Colour of a pixel inside the picture (0x00BBGGRR). Outside: 0.
    uint32_t pixel(int x, int y) const {
        if (!contains(x, y)) return 0;
        const uint8_t* p = tile(x >> kTileBits, y >> kTileBits) + inTile(x, y);
        return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
    }
    // Write one pixel; writes outside the picture are ignored.
    void setPixel(int x, int y, uint32_t colour) {
        if (!contains(x, y)) return;
        uint8_t* p = mutableTile(x >> kTileBits, y >> kTileBits) + inTile(x, y);
        p[0] = uint8_t(colour >> 16);
        p[1] = uint8_t(colour >> 8);
        p[2] = uint8_t(colour);
    }

    // The bytes (B, G, R) of a pixel inside the picture, for the sampler
    // until it reads through a TileReader.
    const uint8_t* pixelPtr(int x, int y) const { return tile(x >> kTileBits, y >> kTileBits) + inTile(x, y); }

    // The tiles themselves: kTile rows of kTileStride bytes each. Tiles on
    // the right and bottom edges are full-sized; only the part inside the
    // picture means anything. Pixels are read and written through
    // TileReader and TileWriter (core/tiles.h), which use these.
    int tilesX() const { return tilesX_; }
    int tilesY() const { return tilesY_; }
    const uint8_t* tile(int tx, int ty) const { return tiles_[size_t(ty) * tilesX_ + tx]->data; }
    // Tile (tx, ty) made this picture's own first (cloned if shared).
    uint8_t* mutableTile(int tx, int ty);

    // A picture whose tiles are all its own and not yet written, taken from
    // the tile pool in one go: for effects that write every pixel. Several
    // threads may write its tiles at once, each its own.
    static Picture unwritten(int width, int height);
    // Tile (tx, ty) becomes the block of tile (fromX, fromY) of `from`, its
    // own block going back to the pool: a result tile that came out the same
    // as a tile already held elsewhere keeps no memory of its own. Threads may
    // do this at once for different tiles.
    void shareTile(int tx, int ty, const Picture& from, int fromX, int fromY);

    // Tiles about to be rewritten by several threads at once: each listed
    // tile (index ty * tilesX + tx) gets a block of its own from the pool,
    // its bytes not yet written, in fresh; what it held before is in old,
    // kept readable while `keep` lives. The caller fills every fresh block
    // (usually from old first), each from one thread.
    struct Rewrite {
        std::vector<uint8_t*> fresh;
        std::vector<const uint8_t*> old;
        std::vector<std::shared_ptr<const void>> keep;
    };
    Rewrite rewriteTiles(const std::vector<size_t>& indices);

    // A picture made from one flat BGR buffer, rows top first.
    static Picture fromFlat(int width, int height, const uint8_t* bgr, size_t stride);

    // Pixel equality (sizes and every pixel).
    bool operator==(const Picture& other) const;
    bool operator!=(const Picture& other) const { return !(*this == other); }

    // How many tiles this picture shares with another (for tests and
    // memory accounting).
    size_t sharedTileCount(const Picture& other) const;
    size_t tileCount() const { return tiles_.size(); }

private:
    // Where pixel (x, y) lies in its tile.
    static size_t inTile(int x, int y) { return (size_t(y & kTileMask) * kTile + size_t(x & kTileMask)) * 3; }
    struct Tile {
        uint8_t data[kTileBytes];
    };
    // A tile from the program's tile pool, uninitialised or a copy.
    template <class T>
    static std::shared_ptr<T> newTile(const T* copyFrom);
    // n uninitialised tiles, taken from the pool in one go.
    static std::vector<std::shared_ptr<Tile>> newTiles(size_t n);
    // A picture of the given size without tiles yet.
    static Picture sized(int width, int height);
    int width_ = 0, height_ = 0, tilesX_ = 0, tilesY_ = 0;
    std::vector<std::shared_ptr<Tile>> tiles_;
};

}  // namespace jollix
