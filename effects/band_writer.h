#pragma once
// Helpers for the whole-picture effects: they compute a band of rows at a
// time (one tile row high) into a flat buffer and hand it to the result
// picture tile by tile, writing only the tiles whose content differs from
// what the result already holds. The result starts either as a copy of the
// source (the clean-up, where most tiles of a tidy sketch do not change) or
// filled with the effect's most common colour (white for the sketches), so
// unchanged or uniform parts keep sharing one block instead of taking fresh
// memory.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/parallel.h"
#include "core/picture.h"

namespace jollix::band {

// Rows y0 .. y0 + n - 1 of `out`, all in one tile row (y0 a multiple of
// the tile size), from `buf` (row r at buf + r * stride).
inline void commit(Picture& out, int y0, int n, const uint8_t* buf, size_t stride) {
    const int ty = y0 >> Picture::kTileBits;
    const Picture& current = out;
    for (int tx = 0; tx < out.tilesX(); ++tx) {
        const int x0 = tx * Picture::kTile;
        const size_t bytes = size_t(std::min(Picture::kTile, out.width() - x0)) * 3;
        const uint8_t* src = buf + size_t(x0) * 3;
        const uint8_t* have = current.tile(tx, ty);
        bool same = true;
        for (int r = 0; r < n && same; ++r)
            same = std::memcmp(src + r * stride, have + size_t(r) * Picture::kTileStride, bytes) == 0;
        if (same) continue;
        uint8_t* dst = out.mutableTile(tx, ty);
        for (int r = 0; r < n; ++r) std::memcpy(dst + size_t(r) * Picture::kTileStride, src + r * stride, bytes);
    }
}

// Runs fn(y0, y1) over the rows of `out` in bands of whole tile rows,
// shared over the machine's cores for big pictures, so that no two bands
// write the same tile. Each row is computed by the same rule whichever
// band it falls in.
template <class Fn>
void splitRows(Picture& out, Fn&& fn) {
    const int w = out.width(), h = out.height();
    // Whole-picture effects are light per pixel: below a megapixel one
    // thread does it sooner.
    const unsigned threads = parallel::threadsFor((long long)w * h, 1 << 20);
    if (threads < 2) {
        fn(0, h);
        return;
    }
    // One band per thread, a whole number of tile rows each.
    const int tileRows = out.tilesY();
    const int bands = std::min<int>(int(threads), tileRows);
    // While the bands run, this copy holds a reference to every block the
    // result starts with, so a first write always clones its tile and no
    // band ever writes into a block another may still be reading.
    const Picture hold = out;
    parallel::forItems(size_t(bands), threads, [&](size_t i) {
        const int t0 = int(i * tileRows / bands), t1 = int((i + 1) * tileRows / bands);
        fn(t0 * Picture::kTile, std::min(h, t1 * Picture::kTile));
    });
}

// For each tile row that meets rows y0 .. y1 - 1: rows(ys, ye, buf) fills
// buf (stride w * 3) with rows ys .. ye - 1, then they are committed to out.
// y0 must start a tile row.
template <class Rows>
void forBands(Picture& out, int y0, int y1, uint8_t* buf, Rows&& rows) {
    assert((y0 & Picture::kTileMask) == 0);
    const size_t stride = size_t(out.width()) * 3;
    for (int ys = y0; ys < y1;) {
        const int ye = std::min(y1, (ys | Picture::kTileMask) + 1);
        rows(ys, ye, buf);
        commit(out, ys, ye - ys, buf, stride);
        ys = ye;
    }
}

// Rows y - 1, y and y + 1 of a picture, read as whole rows and kept as a
// sliding window: stepping down one row reads only the new bottom row.
class RowWindow {
public:
    RowWindow(const Picture& src, size_t rowBytes)
        : src_(src), rows_(rowBytes * 3), win_{rows_.data(), rows_.data() + rowBytes, rows_.data() + 2 * rowBytes} {}
    // Make the window hold rows y - 1, y, y + 1 (1 <= y <= height - 2).
    void load(int y) {
        if (y == top_ + 2) {
            std::rotate(win_, win_ + 1, win_ + 3);
            src_.readRow(y + 1, win_[2]);
        } else {
            src_.readRow(y - 1, win_[0]);
            src_.readRow(y, win_[1]);
            src_.readRow(y + 1, win_[2]);
        }
        top_ = y - 1;
    }
    const uint8_t* above() const { return win_[0]; }
    const uint8_t* row() const { return win_[1]; }
    const uint8_t* below() const { return win_[2]; }

private:
    const Picture& src_;
    std::vector<uint8_t> rows_;
    uint8_t* win_[3];
    int top_ = -10;  // the row held in win_[0]
};

} // namespace jollix::band
