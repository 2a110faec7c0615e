#pragma once
// The brushes' table of the result tiles they write; the work itself is
// shared over threads by core/parallel.h.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/parallel.h"
#include "core/picture.h"

namespace jollix::parallel {

// The tiles of a result picture that a brush writes: marked first, then
// made the picture's own in one go, after which their pixels can be
// written from any thread (each pixel by one thread only).
class TileTable {
public:
    explicit TileTable(const Picture& p) : tilesX_(p.tilesX()), tiles_(size_t(p.tilesX()) * p.tilesY(), nullptr) {}
    // Marks the tiles of rows y0 .. y1 of column x; returns the row count.
    long long mark(int x, long long y0, long long y1) {
        if (y0 > y1) return 0;
        const int tx = x >> Picture::kTileBits;
        for (long long ty = y0 >> Picture::kTileBits; ty <= (y1 >> Picture::kTileBits); ++ty)
            tiles_[size_t(ty) * tilesX_ + tx] = marked();
        return y1 - y0 + 1;
    }
    // Marks the tiles of columns x0 .. x1 of row y; returns the column count.
    long long markRow(int y, long long x0, long long x1) {
        if (x0 > x1) return 0;
        const size_t ty = size_t(y >> Picture::kTileBits);
        for (long long tx = x0 >> Picture::kTileBits; tx <= (x1 >> Picture::kTileBits); ++tx)
            tiles_[ty * tilesX_ + size_t(tx)] = marked();
        return x1 - x0 + 1;
    }
    void makeOwn(Picture& p) {
        for (size_t i = 0; i < tiles_.size(); ++i)
            if (tiles_[i]) tiles_[i] = p.mutableTile(int(i % tilesX_), int(i / tilesX_));
    }
    uint8_t* pixel(int x, int y) const {
        return tiles_[size_t(y >> Picture::kTileBits) * tilesX_ + size_t(x >> Picture::kTileBits)] +
               (size_t(y & Picture::kTileMask) * Picture::kTile + size_t(x & Picture::kTileMask)) * 3;
    }

private:
    // Stands for a marked tile until makeOwn; never written through.
    static uint8_t* marked() { return reinterpret_cast<uint8_t*>(uintptr_t(1)); }
    size_t tilesX_;
    std::vector<uint8_t*> tiles_;
};

} // namespace jollix::parallel
