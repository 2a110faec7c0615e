#pragma once
// How the whole-picture effects go through a picture, a tile of the result
// at a time (tiles::build), reading the source's tiles in place: the runs
// of pixels of effects whose every pixel depends on that pixel alone, the
// 3 x 3 neighbourhoods of the edge picture and the clean-up, and the loops
// over runs that the vector units run a byte at a time (each byte's weight
// in a pixel's grey sum, the sum of each pixel, and a value worked out per
// pixel given to all three of its bytes).
#include <array>
#include <cstdint>
#include <type_traits>

#include "core/tiles.h"

namespace jollix {

namespace band {

// Whether a tile is a whole tile wide and away from the picture's left and
// right edge: effects build their loops for such tiles with every count
// known in advance, which the vector units run fastest.
inline bool inner(const tiles::TileJob& t, int width) {
    return t.n == Picture::kTile && t.x0 > 0 && t.x0 + Picture::kTile < width;
}

// Pieces of at most this many bytes (whole rows of a tile, whole pixels)
// for effects whose every pixel depends on that pixel alone.
constexpr int kRunBytes = 4 * Picture::kTileStride;

// Runs run(from, to, bytes) over the tile job's pixels for an effect whose
// every pixel depends on that pixel alone: from the source's bytes at
// `from` (a picture of the result's size) to the result's
// at `to`, `bytes` bytes (whole pixels) at a time. The rows of a tile a
// whole tile wide lie back to back and go in pieces of kRunBytes, given
// as a std::integral_constant so the loops know their count.
template <class Run>
inline __attribute__((always_inline)) void runs(const TileReader& src, const tiles::TileJob& t, Run&& run) {
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
    Neighbours(const TileReader& src, const tiles::TileJob& t) : ty_(t.ty) {
        const bool first = t.tx == 0, last = t.x0 + t.n >= src.width();
        for (int dy = -1; dy <= 1; ++dy) {
            const int y = (t.ty + dy) * Picture::kTile;
            const bool inside = y >= 0 && y < src.height();
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

}  // namespace band

namespace detail {

// Helpers for loops over runs of pixels (bytes B, G, R; at most
// band::kRunBytes bytes) that the vector units run a byte at a time.
struct RunTables {
    // Each byte's weight in the weighted sum; 0xFF at the first, second
    // and third byte of every pixel.
    std::array<int16_t, band::kRunBytes> weight;
    std::array<uint8_t, band::kRunBytes> first, second, third;
};
inline constexpr RunTables kRunTables = [] {
    RunTables t{};
    for (int i = 0; i < band::kRunBytes; ++i) {
        t.weight[size_t(i)] = i % 3 == 0 ? 11 : i % 3 == 1 ? 59 : 30;
        t.first[size_t(i)] = i % 3 == 0 ? 0xFF : 0;
        t.second[size_t(i)] = i % 3 == 1 ? 0xFF : 0;
        t.third[size_t(i)] = i % 3 == 2 ? 0xFF : 0;
    }
    return t;
}();

// Each byte times its weight: part[i] = weight of byte i * p[i].
template <class Count>
inline __attribute__((always_inline)) void weighBytes(const uint8_t* __restrict p, Count bytes,
                                                      int16_t* __restrict part) {
    for (int i = 0; i < bytes; ++i) part[i] = int16_t(p[i] * kRunTables.weight[size_t(i)]);
}

// The weighted sum s = 30 R + 59 G + 11 B of the pixel whose last byte is
// k (k mod 3 = 2), from weighBytes' parts. At other k the value means
// nothing; loops work it out anyway, as they run over every byte.
inline __attribute__((always_inline)) int16_t sumEndingAt(const int16_t* part, int k) {
    return int16_t(part[k - 2] + part[k - 1] + part[k]);
}

// out[i] = at[j], j the last byte of the pixel byte i belongs to: the
// value worked out for each pixel at its last byte, given to all three of
// its bytes. `at` holds bytes + 2 values.
template <class Count>
inline __attribute__((always_inline)) void spreadOverPixels(const uint8_t* __restrict at, Count bytes,
                                                            uint8_t* __restrict out) {
    for (int i = 0; i < bytes; ++i)
        out[i] = uint8_t((at[i + 2] & kRunTables.first[size_t(i)]) | (at[i + 1] & kRunTables.second[size_t(i)]) |
                         (at[i] & kRunTables.third[size_t(i)]));
}

}  // namespace detail

}  // namespace jollix
