#pragma once
// Bilinear sampling: the colour of a picture at a real point, the point
// clamped into the picture. Every distortion brush reads through it.
#include <cstdint>

#include "core/picture.h"
#include "core/tiles.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jollix {

namespace detail {

// Each channel roundToInt((P00 * wy0 + P01 * wy1) * wx0 + (P10 * wy0 + P11 * wy1) * wx1)
// in extended precision; a, b, c, d are the pixels (x0, y0), (x0, y1),
// (x1, y0), (x1, y1), bytes B, G, R.
uint32_t bilinearExtended(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d, double wy0,
                          double wy1, double wx0, double wx1);

#if defined(__SSE2__)
// The sample whose 2 x 2 neighbourhood lies in one tile at a, (x0, y0), away
// from the tile's last two columns and its last row, from the weights of
// the pixels (x0, y0), (x0, y1), (x1, y0) and (x1, y1) in single precision.
// All three channels are worked out at once. The error of that evaluation
// stays far below 1e-3 of a level, so wherever the value is not within 1e-3
// of a half it rounds as the exact one does: then the colour is stored and
// true returned. Otherwise false, and the exact evaluation must be used.
//
// Each of the neighbourhood's two rows is read as 8 bytes (the pixels
// (x0, y) and (x0 + 1, y) and two bytes more, still inside the tile).
inline __attribute__((always_inline)) bool bilinearQuick(const uint8_t* a, float w00, float w01, float w10, float w11,
                                                         uint32_t* colour) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)), zero);
    const __m128i low =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + Picture::kTileStride)), zero);
    // Lanes blue, green, red and one unused, per pixel.
    const __m128 pa = _mm_cvtepi32_ps(_mm_unpacklo_epi16(top, zero));
    const __m128 pc = _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_srli_si128(top, 6), zero));
    const __m128 pb = _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero));
    const __m128 pd = _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_srli_si128(low, 6), zero));
    const __m128 v = _mm_add_ps(_mm_add_ps(_mm_mul_ps(pa, _mm_set1_ps(w00)), _mm_mul_ps(pb, _mm_set1_ps(w01))),
                                _mm_add_ps(_mm_mul_ps(pc, _mm_set1_ps(w10)), _mm_mul_ps(pd, _mm_set1_ps(w11))));
    const __m128i r = _mm_cvtps_epi32(v);  // nearest, ties to even
    const __m128 off = _mm_andnot_ps(_mm_set1_ps(-0.0f), _mm_sub_ps(v, _mm_cvtepi32_ps(r)));
    if (__builtin_expect((_mm_movemask_ps(_mm_cmpgt_ps(off, _mm_set1_ps(0.5f - 1e-3f))) & 7) != 0, 0)) return false;
    // Red into the low byte, blue into the third.
    const __m128i rgb = _mm_shuffle_epi32(r, _MM_SHUFFLE(3, 0, 1, 2));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(rgb, zero), zero);
    *colour = uint32_t(_mm_cvtsi128_si32(bytes)) & 0xFFFFFFu;
    return true;
}
#endif

// The body of sampleBilinear for a picture of W x H pixels whose pixel (x, y)
// lies at at(x, y).
template <class PixelAt>
inline __attribute__((always_inline)) uint32_t bilinearWith(int W, int H, PixelAt&& at, double& x, double& y) {
    int y0, y1;
    if (H == 1) {
        y = 0;
        y0 = y1 = 0;
    } else {
        // A NaN fails both tests and ends at row 0, as a negative y does.
        if (0 <= y && y < H - 1) {
        } else if (y >= 0) {
            y = H - 2;
        } else {
            y = 0;
        }
        y0 = int(y);  // truncToInt: 0 <= y < H - 1 here
        y1 = y0 + 1;
    }
    int x0, x1;
    if (W == 1) {
        x = 0;
        x0 = x1 = 0;
    } else {
        if (x < 0)
            x = 0;
        else if (x > W - 2)
            x = W - 2;
        else if (x != x)
            x = 0;  // NaN: pinned to the first column
        x0 = int(x);
        x1 = x0 + 1;
    }
    const double wy1 = y - y0, wy0 = (y0 + 1) - y;
    const double wx1 = x - x0, wx0 = (x0 + 1) - x;
    const uint8_t* a = at(x0, y0);
#if defined(__SSE2__)
    // Away from a tile's last two columns and its last row, the quick
    // evaluation; where it cannot decide, and at the tiles' edges, the
    // exact one channel by channel.
    if (__builtin_expect((x0 & Picture::kTileMask) < Picture::kTileMask - 1 &&
                             (y0 & Picture::kTileMask) < Picture::kTileMask && x1 != x0 && y1 != y0,
                         1)) {
        uint32_t colour;
        if (__builtin_expect(
                bilinearQuick(a, float(wx0 * wy0), float(wx0 * wy1), float(wx1 * wy0), float(wx1 * wy1), &colour), 1))
            return colour;
    }
#endif
    // The four pixels, looked up once per tile: the right and lower
    // neighbours usually lie in the same tile.
    const bool sameTileX = x1 == x0 || (x0 & Picture::kTileMask) != Picture::kTileMask;
    const bool sameTileY = y1 == y0 || (y0 & Picture::kTileMask) != Picture::kTileMask;
    const int stepX = (x1 - x0) * 3, stepY = (y1 - y0) * Picture::kTileStride;
    const uint8_t* c = sameTileX ? a + stepX : at(x1, y0);
    const uint8_t* b = sameTileY ? a + stepY : at(x0, y1);
    const uint8_t* d = sameTileX ? b + stepX : (sameTileY ? c + stepY : at(x1, y1));
    return bilinearExtended(a, b, c, d, wy0, wy1, wx0, wx1);
}

}  // namespace detail

// Samples the picture `source` reads at (x, y). x and y are overwritten with
// their clamped values (y into 0 .. H - 2 when at or past the last row, x
// into 0 .. W - 2), as callers may rely on. Returns red + 256 * green +
// 65536 * blue. A picture one pixel wide or high samples its nearest pixel
// in that direction. The picture must not be empty.
inline uint32_t sampleBilinear(const TileReader& source, double& x, double& y) {
    return detail::bilinearWith(
        source.width(), source.height(), [&source](int px, int py) { return source.at(px, py); }, x, y);
}

// The same for a picture sampled at a single point: a reader of its tiles is
// made for the call, so loops over many points make one reader and use the
// form above.
uint32_t sampleBilinear(const Picture& pic, double& x, double& y);

// The same without the write-back, for callers that do not want it.
inline uint32_t sampleAt(const TileReader& source, double x, double y) { return sampleBilinear(source, x, y); }
inline uint32_t sampleAt(const Picture& pic, double x, double y) { return sampleBilinear(pic, x, y); }

}  // namespace jollix
