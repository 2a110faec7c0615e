#include "effects/spot_cleanup.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "effects/pixel_runs.h"
#include "effects/engine/vector_build.h"

namespace jollix {

void selectionSort(int* a, int n) {
    for (int i = 0; i <= n - 1; ++i)
        for (int j = n; j >= i + 1; --j)
            if (a[j] < a[i]) std::swap(a[i], a[j]);
}

namespace {

inline uint8_t mn(uint8_t a, uint8_t b) { return a < b ? a : b; }
inline uint8_t mx(uint8_t a, uint8_t b) { return a < b ? b : a; }
inline uint8_t med3(uint8_t a, uint8_t b, uint8_t c) { return mx(mn(a, b), mn(mx(a, b), c)); }

// Tile of the 3 x 3 median. Each column of three values (rows above, at and
// below) is sorted first, from the tile's rows in place and the pixels on
// either side; the median of the nine is then the median of the largest of
// the three column minima, the median of the three column medians and the
// smallest of the three column maxima. That is a fixed network of minima
// and maxima, the same for every channel byte, so it gives exactly the fifth
// smallest value a full sort would. The picture's first and last row and
// column keep their values. Whether the tile came out the same as the
// source's is noticed on the way.
template <bool Inner>
inline __attribute__((always_inline)) tiles::Keep medianTileWith(const TileReader& src, const tiles::TileJob& t) {
    const int w = src.width(), h = src.height();
    alignas(64) uint8_t values[3][band::kColumnValues];
    uint8_t* lo = values[0] + band::kBefore;
    uint8_t* mid = values[1] + band::kBefore;
    uint8_t* hi = values[2] + band::kBefore;
    const int n = Inner ? Picture::kTile : t.n, bytes = 3 * n;
    // Per byte of a row, nonzero where any row of the tile changed: kept
    // byte by byte so that no row ends in a sum over its bytes.
    alignas(64) uint8_t changed[Picture::kTileStride] = {};
    const band::Neighbours neighbours(src, t);
    for (int r = 0; r < t.m; ++r) {
        const int y = t.y0 + r;
        uint8_t* __restrict o = t.dst + size_t(r) * Picture::kTileStride;
        const uint8_t* __restrict own = src.tileRow(t.tx, y);
        if (y == 0 || y == h - 1) {
            std::copy(own, own + bytes, o);
            continue;
        }
        band::columns(
            neighbours.around(y), n,
            [&](const uint8_t* __restrict a, const uint8_t* __restrict b, const uint8_t* __restrict c, int at,
                int count) __attribute__((always_inline)) {
                for (int i = 0; i < count; ++i) {
                    const uint8_t above = a[i], here = b[i], below = c[i];
                    const uint8_t l1 = mn(above, here), h1 = mx(above, here);
                    lo[at + i] = mn(l1, below);
                    hi[at + i] = mx(h1, below);
                    mid[at + i] = mx(l1, mn(h1, below));
                }
            });
        // The first and last pixel of the picture's row keep their values.
        const int i0 = !Inner && t.x0 == 0 ? 3 : 0, i1 = !Inner && t.x0 + n == w ? bytes - 3 : bytes;
        std::copy(own, own + i0, o);
        std::copy(own + i1, own + bytes, o + i1);
        for (int i = i0; i < i1; ++i) {
            const uint8_t maxLo = mx(lo[i], mx(lo[i + 3], lo[i + 6]));
            const uint8_t minHi = mn(hi[i], mn(hi[i + 3], hi[i + 6]));
            const uint8_t medMid = med3(mid[i], mid[i + 3], mid[i + 6]);
            o[i] = med3(maxLo, medMid, minHi);
            changed[i] |= o[i] ^ own[i];
        }
    }
    uint8_t any = 0;
    for (int i = 0; i < Picture::kTileStride; ++i) any |= changed[i];
    return any ? tiles::Keep::Written : tiles::Keep::Unchanged;
}

JOLLIX_VECTOR_CLONES
tiles::Keep medianTile(const TileReader& src, const tiles::TileJob& t) {
    return band::inner(t, src.width()) ? medianTileWith<true>(src, t) : medianTileWith<false>(src, t);
}

}  // namespace

Picture clearUpSpots(const Picture& src, Progress* progress) {
    if (src.width() < 3 || src.height() < 3) return src;
    // Tiles the median leaves as they were share the source's.
    // What a pixel of the median costs a core.
    constexpr parallel::PixelCost kMedianCost{1.5};
    const TileReader reader(src);
    return tiles::build(src.width(), src.height(), nullptr, &src, kMedianCost, progress,
                        [&](const tiles::TileJob& t) { return medianTile(reader, t); });
}

}  // namespace jollix
