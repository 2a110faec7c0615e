#pragma once
// Writes pixels of a picture being built by a brush, keeping hold of the
// tile it wrote last, so that a run of pixels in one tile looks the tile up
// (and makes it the picture's own) once. The caller keeps (x, y) inside the
// picture.
#include <cstddef>
#include <cstdint>

#include "core/picture.h"

namespace jollix::detail {

class TileWriter {
public:
    explicit TileWriter(Picture& p) : p_(p) {}
    void put(int64_t x, int64_t y, uint32_t colour) {
        const int tx = int(x >> Picture::kTileBits), ty = int(y >> Picture::kTileBits);
        if (tx != tx_ || ty != ty_) {
            tx_ = tx;
            ty_ = ty;
            base_ = p_.mutableTile(tx, ty);
        }
        uint8_t* q = base_ + (size_t(y & Picture::kTileMask) * Picture::kTile + size_t(x & Picture::kTileMask)) * 3;
        q[0] = uint8_t(colour >> 16);
        q[1] = uint8_t(colour >> 8);
        q[2] = uint8_t(colour);
    }

private:
    Picture& p_;
    int tx_ = -1, ty_ = -1;
    uint8_t* base_ = nullptr;
};

} // namespace jollix::detail
