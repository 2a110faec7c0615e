#include "effects/pen_sketch.h"

#include <algorithm>
#include <array>
#include <vector>

#include "effects/pixel_runs.h"
#include "effects/engine/vector_build.h"

namespace jollix {

namespace {

// What a pixel of the edge picture and of the threshold costs a core.
constexpr parallel::PixelCost kEdgeCost{1.5}, kThresholdCost{1};

// The grey value of a pixel whose weighted sum s = 30 R + 59 G + 11 B lies
// halfway, s = 100 q + 50: the extended-precision sum R * 0.3 + G * 0.59 +
// B * 0.11 (in that order) falls a hair above, below or right on q + 0.5,
// and rounds accordingly, ties to the even integer.
int halfwayGrey(int red, int green, int blue, int q) {
    const long double v = static_cast<long double>(red) * 0.3L + static_cast<long double>(green) * 0.59L +
                          static_cast<long double>(blue) * 0.11L;
    const long double half = q + 0.5L;
    if (v > half) return q + 1;
    if (v < half) return q;
    return q + (q & 1);
}

// Tile of the edge picture. Every byte is one channel of one pixel, its
// neighbours 3 bytes away. Per output pixel, with a, b, c the rows above, at
// and below and l, m, r the columns left, at and right: right minus left
// (weights 1, 2, 1), bottom minus top (1, 1, 1), left minus right (1, 1, 1,
// but green weighs its right column 1, 2, 1); the largest, clamped to
// 0 .. 255, then inverted. The column sums come first, from the tile's rows
// in place and the pixels on either side; the differences then need no
// reads across tiles. The picture's first and last row and column keep its
// own colours, inverted. Whether the tile came out all white is noticed on
// the way.
template <bool Inner>
inline __attribute__((always_inline)) tiles::Keep edgeTileWith(const TileReader& src, const tiles::TileJob& t) {
    const int w = src.width(), h = src.height();
    // 0xFF at the green bytes of a row of column values (from -kBefore).
    static constexpr auto greenAt = [] {
        std::array<uint8_t, band::kColumnValues> g{};
        for (int i = 0; i < band::kColumnValues; ++i) g[size_t(i)] = (i - band::kBefore + 30) % 3 == 1 ? 0xFF : 0;
        return g;
    }();
    const uint8_t* green = greenAt.data() + band::kBefore;
    alignas(64) int16_t values[4][band::kColumnValues];
    int16_t* s121 = values[0] + band::kBefore;
    int16_t* s111 = values[1] + band::kBefore;
    int16_t* s111g = values[2] + band::kBefore;
    int16_t* diff = values[3] + band::kBefore;
    const int n = Inner ? Picture::kTile : t.n, bytes = 3 * n;
    uint8_t all = 0xFF;  // of the picture's border pixels
    // Per byte of a row, nonzero where any row of the tile has an edge:
    // kept byte by byte so that no row ends in a sum over its bytes.
    alignas(64) int16_t edges[Picture::kTileStride] = {};
    const band::Neighbours neighbours(src, t);
    for (int r = 0; r < t.m; ++r) {
        const int y = t.y0 + r;
        uint8_t* __restrict o = t.dst + size_t(r) * Picture::kTileStride;
        const uint8_t* __restrict own = src.tileRow(t.tx, y);
        if (y == 0 || y == h - 1 || w < 3) {
            for (int i = 0; i < bytes; ++i) {
                o[i] = uint8_t(255 - own[i]);
                all &= o[i];
            }
            continue;
        }
        band::columns(
            neighbours.around(y), n,
            [&](const uint8_t* __restrict a, const uint8_t* __restrict b, const uint8_t* __restrict c, int at,
                int count) __attribute__((always_inline)) {
                for (int i = 0; i < count; ++i) {
                    const int16_t A = a[i], B = b[i], C = c[i];
                    const int16_t sum = int16_t(A + B + C);
                    s111[at + i] = sum;
                    s121[at + i] = int16_t(sum + B);
                    s111g[at + i] = int16_t(sum + (B & green[at + i]));
                    diff[at + i] = int16_t(C - A);
                }
            });
        // The first and last pixel of the picture's row: inverted.
        const int i0 = !Inner && t.x0 == 0 ? 3 : 0, i1 = !Inner && t.x0 + n == w ? bytes - 3 : bytes;
        for (int i = 0; i < i0; ++i) all &= o[i] = uint8_t(255 - own[i]);
        for (int i = i1; i < bytes; ++i) all &= o[i] = uint8_t(255 - own[i]);
        for (int i = i0; i < i1; ++i) {
            const int16_t dx = int16_t(s121[i + 6] - s121[i]);
            const int16_t dy = int16_t(diff[i] + diff[i + 3] + diff[i + 6]);
            const int16_t dl = int16_t(s111[i] - s111g[i + 6]);
            const int16_t v = std::min<int16_t>(255, std::max<int16_t>(0, std::max(dl, std::max(dx, dy))));
            o[i] = uint8_t(255 - v);
            edges[i] |= v;
        }
    }
    int16_t any = 0;
    for (int i = 0; i < Picture::kTileStride; ++i) any |= edges[i];
    return all == 0xFF && !any ? tiles::Keep::Blank : tiles::Keep::Written;
}

JOLLIX_VECTOR_CLONES
tiles::Keep edgeTile(const TileReader& src, const tiles::TileJob& t) {
    return band::inner(t, src.width()) ? edgeTileWith<true>(src, t) : edgeTileWith<false>(src, t);
}

// Tile of the pen sketch from the edge picture: white where the weighted
// sum s = 30 R + 59 G + 11 B of a pixel exceeds `bound`, black elsewhere;
// pixels right on the bound are decided by their exact grey. Whether the
// tile came out all white is noticed on the way.
JOLLIX_VECTOR_CLONES
tiles::Keep thresholdTile(const TileReader& edge, const tiles::TileJob& t, int bound, int threshold) {
    const int16_t bound16 = int16_t(bound);  // -1 .. 25501
    bool all = true;
    band::runs(
        edge, t, [&](const uint8_t* __restrict p, uint8_t* __restrict o, auto bytes) __attribute__((always_inline)) {
            alignas(64) int16_t part[band::kRunBytes];
            // Per pixel, at its last byte: white or black. On the way, whether
            // any pixel is black, and whether any sum is right on the bound.
            alignas(64) uint8_t white[band::kRunBytes + 2];
            detail::weighBytes(p, bytes, part);
            white[0] = white[1] = white[int(bytes)] = white[int(bytes) + 1] = 0;
            uint8_t halfway = 0, runAll = 0xFF;
            for (int k = 2; k < bytes; ++k) {
                const int16_t s = detail::sumEndingAt(part, k);
                const uint8_t pixel = detail::kRunTables.third[size_t(k)];
                white[k] = uint8_t(-int(s > bound16));
                halfway |= uint8_t(-int(s == bound16)) & pixel;
                runAll &= white[k] | uint8_t(~pixel);
            }
            detail::spreadOverPixels(white, bytes, o);
            if (!runAll) all = false;
            if (!halfway) return;
            for (int i = 0; i < bytes; i += 3) {
                const int B = p[i], G = p[i + 1], R = p[i + 2];
                if (30 * R + 59 * G + 11 * B != bound) continue;
                // Here s = 100 threshold + 50.
                const uint8_t c = halfwayGrey(R, G, B, threshold) > threshold ? 255 : 0;
                o[i] = o[i + 1] = o[i + 2] = c;
                if (!c) all = false;
            }
        });
    return all ? tiles::Keep::Blank : tiles::Keep::Written;
}

}  // namespace

// With s = 30 R + 59 G + 11 B the true grey is s / 100; the extended
// precision sum misses it by far less than 1e-15, so unless s / 100 lies
// exactly halfway between two integers (s mod 100 = 50) the rounded result
// is the integer nearest to s / 100. In the halfway cases the last bits of
// the sum decide.
int greyOf(int red, int green, int blue) {
    const int s = 30 * red + 59 * green + 11 * blue;
    const int q = s / 100, rem = s - q * 100;
    if (rem != 50) return q + (rem > 50);
    return halfwayGrey(red, green, blue, q);
}

Picture edgePicture(const Picture& src, Progress* progress) {
    if (src.isEmpty()) return src;
    // Flat areas give white: white tiles share one block.
    const Picture white(1, 1, 0xFFFFFF);
    const TileReader reader(src);
    return tiles::build(src.width(), src.height(), &white, nullptr, kEdgeCost, progress,
                        [&](const tiles::TileJob& t) { return edgeTile(reader, t); });
}

Picture penSketch(const Picture& edge, int threshold, Progress* progress) {
    if (edge.isEmpty()) return edge;
    // grey > threshold exactly when s > 100 threshold + 50, except at
    // s = 100 threshold + 50 itself, where the exact grey decides. Limits
    // beyond the range of s change nothing, so the bound is kept in range.
    const int bound = int(std::clamp(100LL * threshold + 50, -1LL, 25501LL));
    const Picture white(1, 1, 0xFFFFFF);
    const TileReader reader(edge);
    return tiles::build(edge.width(), edge.height(), &white, nullptr, kThresholdCost, progress,
                        [&](const tiles::TileJob& t) { return thresholdTile(reader, t, bound, threshold); });
}

}  // namespace jollix
