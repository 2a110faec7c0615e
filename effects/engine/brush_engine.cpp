#include "effects/engine/brush_engine.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace jollix::brush::detail {

int vectorLimit = 2;

void limitVectors(int level) { vectorLimit = level; }

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
#define JOLLIX_SAMPLE_VECTORS 1
#endif

#if JOLLIX_SAMPLE_VECTORS
// The two rows of the cell at (x0, y0), as the vector sampler reads them
// inside a tile: the bytes of pixels (x0, y) and (x0 + 1, y), then zeros.
void edgeCell(const SourceView& g, int x0, int y0, long long* top, long long* low) {
    uint8_t row[8] = {};
    for (int dy = 0; dy < 2; ++dy) {
        std::memcpy(row, g.at(x0, y0 + dy), 3);
        std::memcpy(row + 3, g.at(x0 + 1, y0 + dy), 3);
        std::memcpy(dy == 0 ? top : low, row, 8);
    }
}

// The low halves of the 64-bit lanes of p and q: p0, p1, q0, q1, p2, p3, q2, q3.
__attribute__((target("avx2"), always_inline)) inline __m256i lows(__m256i p, __m256i q) {
    return _mm256_castps_si256(
        _mm256_shuffle_ps(_mm256_castsi256_ps(p), _mm256_castsi256_ps(q), _MM_SHUFFLE(2, 0, 2, 0)));
}

// Eight bytes from each of four places, as the lanes of one vector.
__attribute__((target("avx2"), always_inline)) inline __m256i fourRows(const uint8_t* const* at) {
    auto word = [](const uint8_t* p) {
        long long v;
        std::memcpy(&v, p, 8);
        return v;
    };
    return _mm256_set_epi64x(word(at[3]), word(at[2]), word(at[1]), word(at[0]));
}

// Eight points at a time with AVX2: the clamping, cell and weights of
// sampleBilinear, the cell's four pixels gathered from one tile of the
// source, and the quick single-precision evaluation (see bilinearQuick in
// sampler.h, the same operations in the same order). A lane is left out
// of `ok` -- to be sampled exactly, one by one -- when one of its channels
// falls within 1e-3 of a half.
__attribute__((target("avx2"))) void sampleRowAvx2(const SourceView& g, const double* sx, const double* sy, int n,
                                                   uint32_t* colour, uint64_t* ok) {
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    const __m256d xMax = _mm256_set1_pd(g.W - 2), yMax = _mm256_set1_pd(g.H - 2), yEnd = _mm256_set1_pd(g.H - 1);
    const __m256i low6 = _mm256_set1_epi32(Picture::kTileMask), byte = _mm256_set1_epi32(0xFF);
    const __m256i tilesX = _mm256_set1_epi32(g.tilesX);
    const __m256 sign = _mm256_set1_ps(-0.0f), nearHalf = _mm256_set1_ps(0.5f - 1e-3f);
    for (int i = 0; i < n; i += 8) {
        __m128i xi[2], yi[2];
        __m128 w00[2], w01[2], w10[2], w11[2];
        for (int h = 0; h < 2; ++h) {
            __m256d x = _mm256_loadu_pd(sx + i + 4 * h), y = _mm256_loadu_pd(sy + i + 4 * h);
            // y into 0 .. H - 2 when at or past the last row; a NaN to 0.
            const __m256d yIn = _mm256_and_pd(_mm256_cmp_pd(y, zero, _CMP_GE_OQ), _mm256_cmp_pd(y, yEnd, _CMP_LT_OQ));
            const __m256d yPast = _mm256_and_pd(_mm256_cmp_pd(y, zero, _CMP_GE_OQ), yMax);
            y = _mm256_blendv_pd(yPast, y, yIn);
            // x into 0 .. W - 2; a NaN to 0.
            x = _mm256_blendv_pd(x, xMax, _mm256_cmp_pd(x, xMax, _CMP_GT_OQ));
            x = _mm256_blendv_pd(x, zero, _mm256_cmp_pd(x, zero, _CMP_NGE_UQ));
            xi[h] = _mm256_cvttpd_epi32(x);
            yi[h] = _mm256_cvttpd_epi32(y);
            const __m256d fx0 = _mm256_cvtepi32_pd(xi[h]), fy0 = _mm256_cvtepi32_pd(yi[h]);
            const __m256d wy1 = _mm256_sub_pd(y, fy0), wy0 = _mm256_sub_pd(_mm256_add_pd(fy0, one), y);
            const __m256d wx1 = _mm256_sub_pd(x, fx0), wx0 = _mm256_sub_pd(_mm256_add_pd(fx0, one), x);
            w00[h] = _mm256_cvtpd_ps(_mm256_mul_pd(wx0, wy0));
            w01[h] = _mm256_cvtpd_ps(_mm256_mul_pd(wx0, wy1));
            w10[h] = _mm256_cvtpd_ps(_mm256_mul_pd(wx1, wy0));
            w11[h] = _mm256_cvtpd_ps(_mm256_mul_pd(wx1, wy1));
        }
        const __m256i x0 = _mm256_set_m128i(xi[1], xi[0]), y0 = _mm256_set_m128i(yi[1], yi[0]);
        const __m256i inX = _mm256_and_si256(x0, low6), inY = _mm256_and_si256(y0, low6);
        const __m256i tile = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(y0, Picture::kTileBits), tilesX),
                                              _mm256_srai_epi32(x0, Picture::kTileBits));
        // Each lane's two rows of its cell, read as 8 bytes each: pixels
        // (x0, y) and (x0 + 1, y) and two bytes more (past a tile's end,
        // its slack). Both rows are read in place, the lower one from the
        // tile below when the cell meets a tile's last row; a cell whose
        // two columns lie in two tiles is put together pixel by pixel.
        const __m256i inside = _mm256_cmpgt_epi32(low6, inX);
        const __m256i lastRow = _mm256_cmpeq_epi32(inY, low6);
        const unsigned insideBits = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(inside)));
        const __m256i col = _mm256_add_epi32(inX, _mm256_add_epi32(inX, inX));
        __m256i off = _mm256_add_epi32(_mm256_slli_epi32(inY, Picture::kTileBits), inX);
        off = _mm256_add_epi32(off, _mm256_add_epi32(off, off));
        const __m256i lowTile = _mm256_add_epi32(tile, _mm256_and_si256(lastRow, tilesX));
        const __m256i lowOff = _mm256_and_si256(
            _mm256_blendv_epi8(_mm256_add_epi32(off, _mm256_set1_epi32(Picture::kTileStride)), col, lastRow), inside);
        off = _mm256_and_si256(off, inside);
        alignas(32) int tiles[8], offs[8], lowTiles[8], lowOffs[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(tiles), tile);
        _mm256_store_si256(reinterpret_cast<__m256i*>(offs), off);
        _mm256_store_si256(reinterpret_cast<__m256i*>(lowTiles), lowTile);
        _mm256_store_si256(reinterpret_cast<__m256i*>(lowOffs), lowOff);
        // Lanes 0, 1, 4, 5 in the first four slots, 2, 3, 6, 7 in the
        // last four, so that taking the low halves of both gives lanes
        // 0 .. 7 in order.
        static constexpr int kSlot[8] = {0, 1, 4, 5, 2, 3, 6, 7};
        // Where each lane's two rows start: mostly all eight cells lie in
        // one tile. The rows go straight into vector registers.
        const uint8_t* topAt[8];
        const uint8_t* lowAt[8];
        const __m256i first = _mm256_set1_epi32(tiles[0]);
        if (_mm256_movemask_epi8(
                _mm256_and_si256(_mm256_cmpeq_epi32(tile, first), _mm256_cmpeq_epi32(lowTile, first))) == -1) {
            const uint8_t* base = g.tiles[tiles[0]];
            for (int k = 0; k < 8; ++k) topAt[kSlot[k]] = base + offs[k], lowAt[kSlot[k]] = base + lowOffs[k];
        } else {
            for (int k = 0; k < 8; ++k)
                topAt[kSlot[k]] = g.tiles[tiles[k]] + offs[k], lowAt[kSlot[k]] = g.tiles[lowTiles[k]] + lowOffs[k];
        }
        alignas(16) long long edgeTop[8], edgeLow[8];
        if (__builtin_expect(insideBits != 0xFF, 0)) {
            alignas(32) int xs[8], ys[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(xs), x0);
            _mm256_store_si256(reinterpret_cast<__m256i*>(ys), y0);
            for (int k = 0; k < 8; ++k)
                if (!((insideBits >> k) & 1)) {
                    edgeCell(g, xs[k], ys[k], &edgeTop[k], &edgeLow[k]);
                    topAt[kSlot[k]] = reinterpret_cast<const uint8_t*>(&edgeTop[k]);
                    lowAt[kSlot[k]] = reinterpret_cast<const uint8_t*>(&edgeLow[k]);
                }
        }
        const __m256i top0 = fourRows(topAt), top1 = fourRows(topAt + 4);
        const __m256i low0 = fourRows(lowAt), low1 = fourRows(lowAt + 4);
        const __m256i pa = lows(top0, top1), pb = lows(low0, low1);
        const __m256i pc = lows(_mm256_srli_epi64(top0, 24), _mm256_srli_epi64(top1, 24));
        const __m256i pd = lows(_mm256_srli_epi64(low0, 24), _mm256_srli_epi64(low1, 24));
        const __m256 f00 = _mm256_set_m128(w00[1], w00[0]), f01 = _mm256_set_m128(w01[1], w01[0]);
        const __m256 f10 = _mm256_set_m128(w10[1], w10[0]), f11 = _mm256_set_m128(w11[1], w11[0]);
        __m256 bad = _mm256_setzero_ps();
        __m256i rounded[3];
        for (int ch = 0; ch < 3; ++ch) {
            const __m256 a = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(pa, 8 * ch), byte));
            const __m256 b = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(pb, 8 * ch), byte));
            const __m256 c = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(pc, 8 * ch), byte));
            const __m256 d = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(pd, 8 * ch), byte));
            const __m256 v = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(a, f00), _mm256_mul_ps(b, f01)),
                                           _mm256_add_ps(_mm256_mul_ps(c, f10), _mm256_mul_ps(d, f11)));
            rounded[ch] = _mm256_cvtps_epi32(v);  // nearest, ties to even
            const __m256 miss = _mm256_andnot_ps(sign, _mm256_sub_ps(v, _mm256_cvtepi32_ps(rounded[ch])));
            bad = _mm256_or_ps(bad, _mm256_cmp_ps(miss, nearHalf, _CMP_GT_OQ));
        }
        // Blue in the low byte, then green, then red: the bytes as a
        // picture stores them.
        const __m256i bgr = _mm256_or_si256(
            rounded[0], _mm256_or_si256(_mm256_slli_epi32(rounded[1], 8), _mm256_slli_epi32(rounded[2], 16)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(colour + i), bgr);
        const unsigned good = ~unsigned(_mm256_movemask_ps(bad)) & 0xFF;
        ok[i >> 6] |= uint64_t(good) << (i & 63);
    }
}

// GCC 12's AVX-512 intrinsics start some vectors "undefined", which its
// flow analysis takes for uninitialised reads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// Two halves of eight lanes as one vector of sixteen.
__attribute__((target("avx512f"), always_inline)) inline __m512i join(__m256i a, __m256i b) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(a), b, 1);
}
__attribute__((target("avx512f"), always_inline)) inline __m512 joinPs(__m256 a, __m256 b) {
    return _mm512_castsi512_ps(join(_mm256_castps_si256(a), _mm256_castps_si256(b)));
}

// Eight bytes from each of eight places, as the lanes of one vector.
__attribute__((target("avx512f"), always_inline)) inline __m512i eightRows(const uint8_t* const* at) {
    auto word = [](const uint8_t* p) {
        long long v;
        std::memcpy(&v, p, 8);
        return v;
    };
    const __m256i lo = _mm256_set_epi64x(word(at[3]), word(at[2]), word(at[1]), word(at[0]));
    const __m256i hi = _mm256_set_epi64x(word(at[7]), word(at[6]), word(at[5]), word(at[4]));
    return _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
}

// The same sixteen points at a time with AVX-512.
__attribute__((target("avx512f"))) void sampleRowAvx512(const SourceView& g, const double* sx, const double* sy, int n,
                                                        uint32_t* colour, uint64_t* ok) {
    const __m512d zero = _mm512_setzero_pd(), one = _mm512_set1_pd(1.0);
    const __m512d xMax = _mm512_set1_pd(g.W - 2), yMax = _mm512_set1_pd(g.H - 2), yEnd = _mm512_set1_pd(g.H - 1);
    const __m512i low6 = _mm512_set1_epi32(Picture::kTileMask), byte = _mm512_set1_epi32(0xFF);
    const __m512i tilesX = _mm512_set1_epi32(g.tilesX);
    const __m512i evens = _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
    const __m512i noSign = _mm512_set1_epi32(0x7FFFFFFF);
    const __m512 nearHalf = _mm512_set1_ps(0.5f - 1e-3f);
    for (int i = 0; i < n; i += 16) {
        __m256i xi[2], yi[2];
        __m256 w00[2], w01[2], w10[2], w11[2];
        for (int h = 0; h < 2; ++h) {
            __m512d x = _mm512_loadu_pd(sx + i + 8 * h), y = _mm512_loadu_pd(sy + i + 8 * h);
            // y into 0 .. H - 2 when at or past the last row; a NaN to 0.
            const __mmask8 yAhead = _mm512_cmp_pd_mask(y, zero, _CMP_GE_OQ);
            const __mmask8 yIn = yAhead & _mm512_cmp_pd_mask(y, yEnd, _CMP_LT_OQ);
            y = _mm512_mask_blend_pd(yIn, _mm512_mask_blend_pd(yAhead, zero, yMax), y);
            // x into 0 .. W - 2; a NaN to 0.
            x = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(x, xMax, _CMP_GT_OQ), x, xMax);
            x = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(x, zero, _CMP_NGE_UQ), x, zero);
            xi[h] = _mm512_cvttpd_epi32(x);
            yi[h] = _mm512_cvttpd_epi32(y);
            const __m512d fx0 = _mm512_cvtepi32_pd(xi[h]), fy0 = _mm512_cvtepi32_pd(yi[h]);
            const __m512d wy1 = _mm512_sub_pd(y, fy0), wy0 = _mm512_sub_pd(_mm512_add_pd(fy0, one), y);
            const __m512d wx1 = _mm512_sub_pd(x, fx0), wx0 = _mm512_sub_pd(_mm512_add_pd(fx0, one), x);
            w00[h] = _mm512_cvtpd_ps(_mm512_mul_pd(wx0, wy0));
            w01[h] = _mm512_cvtpd_ps(_mm512_mul_pd(wx0, wy1));
            w10[h] = _mm512_cvtpd_ps(_mm512_mul_pd(wx1, wy0));
            w11[h] = _mm512_cvtpd_ps(_mm512_mul_pd(wx1, wy1));
        }
        const __m512i x0 = join(xi[0], xi[1]), y0 = join(yi[0], yi[1]);
        const __m512i inX = _mm512_and_si512(x0, low6), inY = _mm512_and_si512(y0, low6);
        const __m512i tile = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_srai_epi32(y0, Picture::kTileBits), tilesX),
                                              _mm512_srai_epi32(x0, Picture::kTileBits));
        // As in the AVX2 version: both rows of each cell in place, the
        // lower one from the tile below at a tile's last row, cells whose
        // columns lie in two tiles put together pixel by pixel.
        const __mmask16 inside = _mm512_cmpgt_epi32_mask(low6, inX);
        const __mmask16 lastRow = _mm512_cmpeq_epi32_mask(inY, low6);
        const __m512i col = _mm512_add_epi32(inX, _mm512_add_epi32(inX, inX));
        __m512i off = _mm512_add_epi32(_mm512_slli_epi32(inY, Picture::kTileBits), inX);
        off = _mm512_add_epi32(off, _mm512_add_epi32(off, off));
        const __m512i lowTile = _mm512_mask_add_epi32(tile, lastRow, tile, tilesX);
        const __m512i lowOff = _mm512_maskz_mov_epi32(
            inside,
            _mm512_mask_blend_epi32(lastRow, _mm512_add_epi32(off, _mm512_set1_epi32(Picture::kTileStride)), col));
        off = _mm512_maskz_mov_epi32(inside, off);
        alignas(64) int tiles[16], offs[16], lowTiles[16], lowOffs[16];
        _mm512_store_si512(tiles, tile);
        _mm512_store_si512(offs, off);
        _mm512_store_si512(lowTiles, lowTile);
        _mm512_store_si512(lowOffs, lowOff);
        // Where each lane's two rows start: mostly all sixteen cells lie in
        // one tile. The rows are then read straight into vector registers
        // (storing them to memory first and loading them back as one
        // vector would stall on forwarding sixteen stores to one load).
        const uint8_t* topAt[16];
        const uint8_t* lowAt[16];
        const __m512i first = _mm512_set1_epi32(tiles[0]);
        if (_mm512_cmpeq_epi32_mask(tile, first) == 0xFFFF && _mm512_cmpeq_epi32_mask(lowTile, first) == 0xFFFF) {
            const uint8_t* base = g.tiles[tiles[0]];
            for (int k = 0; k < 16; ++k) topAt[k] = base + offs[k], lowAt[k] = base + lowOffs[k];
        } else {
            for (int k = 0; k < 16; ++k)
                topAt[k] = g.tiles[tiles[k]] + offs[k], lowAt[k] = g.tiles[lowTiles[k]] + lowOffs[k];
        }
        alignas(16) long long edgeTop[16], edgeLow[16];
        if (__builtin_expect(inside != 0xFFFF, 0)) {
            alignas(64) int xs[16], ys[16];
            _mm512_store_si512(xs, x0);
            _mm512_store_si512(ys, y0);
            for (int k = 0; k < 16; ++k)
                if (!((inside >> k) & 1)) {
                    edgeCell(g, xs[k], ys[k], &edgeTop[k], &edgeLow[k]);
                    topAt[k] = reinterpret_cast<const uint8_t*>(&edgeTop[k]);
                    lowAt[k] = reinterpret_cast<const uint8_t*>(&edgeLow[k]);
                }
        }
        const __m512i top0 = eightRows(topAt), top1 = eightRows(topAt + 8);
        const __m512i low0 = eightRows(lowAt), low1 = eightRows(lowAt + 8);
        // The low halves of the sixteen 64-bit lanes, in order.
        const __m512i pa = _mm512_permutex2var_epi32(top0, evens, top1);
        const __m512i pb = _mm512_permutex2var_epi32(low0, evens, low1);
        const __m512i pc = _mm512_permutex2var_epi32(_mm512_srli_epi64(top0, 24), evens, _mm512_srli_epi64(top1, 24));
        const __m512i pd = _mm512_permutex2var_epi32(_mm512_srli_epi64(low0, 24), evens, _mm512_srli_epi64(low1, 24));
        const __m512 f00 = joinPs(w00[0], w00[1]), f01 = joinPs(w01[0], w01[1]);
        const __m512 f10 = joinPs(w10[0], w10[1]), f11 = joinPs(w11[0], w11[1]);
        __mmask16 bad = 0;
        __m512i rounded[3];
        for (int ch = 0; ch < 3; ++ch) {
            const __m512 a = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(pa, 8 * ch), byte));
            const __m512 b = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(pb, 8 * ch), byte));
            const __m512 c = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(pc, 8 * ch), byte));
            const __m512 d = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(pd, 8 * ch), byte));
            const __m512 v = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(a, f00), _mm512_mul_ps(b, f01)),
                                           _mm512_add_ps(_mm512_mul_ps(c, f10), _mm512_mul_ps(d, f11)));
            rounded[ch] = _mm512_cvtps_epi32(v);  // nearest, ties to even
            const __m512 diff = _mm512_sub_ps(v, _mm512_cvtepi32_ps(rounded[ch]));
            const __m512 miss = _mm512_castsi512_ps(_mm512_and_si512(_mm512_castps_si512(diff), noSign));
            bad |= _mm512_cmp_ps_mask(miss, nearHalf, _CMP_GT_OQ);
        }
        const __m512i bgr = _mm512_or_si512(
            rounded[0], _mm512_or_si512(_mm512_slli_epi32(rounded[1], 8), _mm512_slli_epi32(rounded[2], 16)));
        _mm512_storeu_si512(colour + i, bgr);
        ok[i >> 6] |= uint64_t(uint16_t(~bad)) << (i & 63);
    }
}
#pragma GCC diagnostic pop
#endif

// The widest vector units the processor has: 2 for AVX-512, 1 for AVX2, 0
// for neither (or when the tests ask for the one-by-one sampling).
int vectorLevel() {
#if JOLLIX_SAMPLE_VECTORS
    static const int level = __builtin_cpu_supports("avx512f") ? 2 : __builtin_cpu_supports("avx2") ? 1 : 0;
    return std::min(level, vectorLimit);
#else
    return 0;
#endif
}

}  // namespace

void sampleRow(const SourceView& g, const double* sx, const double* sy, int n, uint32_t* colour, uint64_t* ok) {
    const int words = (n + 63) >> 6;
    for (int w = 0; w < words; ++w) ok[w] = 0;
    if (g.W < 2 || g.H < 2) return;
#if JOLLIX_SAMPLE_VECTORS
    switch (vectorLevel()) {
        case 2: sampleRowAvx512(g, sx, sy, n, colour, ok); break;
        case 1: sampleRowAvx2(g, sx, sy, n, colour, ok); break;
        default: break;
    }
#else
    (void)sx, (void)sy, (void)colour;
#endif
}

SourceView::SourceView(const Picture& pic)
    : W(pic.width()), H(pic.height()), tilesX(pic.tilesX()), table_(size_t(pic.tilesX()) * size_t(pic.tilesY())) {
    for (int ty = 0; ty < pic.tilesY(); ++ty)
        for (int tx = 0; tx < pic.tilesX(); ++tx) table_[size_t(ty) * size_t(tilesX) + size_t(tx)] = pic.tile(tx, ty);
    tiles = table_.data();
}

RegionTiles regionTiles(const Region& region, int W, int H) {
    RegionTiles rt;
    const int tilesX = (W + Picture::kTileMask) >> Picture::kTileBits;
    const int tilesY = (H + Picture::kTileMask) >> Picture::kTileBits;
    std::vector<uint8_t> marked(size_t(tilesX) * size_t(tilesY), 0);
    const long long lineEnd = region.byRows ? H : W, runEnd = region.byRows ? W : H;
    for (long long j = 0; j < region.lines(); ++j) {
        const long long line = region.first + j;
        if (line < 0 || line >= lineEnd) continue;
        const long long from = std::max(region.lo[size_t(j)], 0LL);
        const long long to = std::min(region.hi[size_t(j)], runEnd - 1);
        if (from > to) continue;
        rt.pixels += to - from + 1;
        const long long lineTile = line >> Picture::kTileBits;
        for (long long t = from >> Picture::kTileBits; t <= (to >> Picture::kTileBits); ++t) {
            const size_t tx = size_t(region.byRows ? t : lineTile), ty = size_t(region.byRows ? lineTile : t);
            marked[ty * size_t(tilesX) + tx] = 1;
        }
    }
    for (size_t i = 0; i < marked.size(); ++i)
        if (marked[i]) rt.tiles.push_back(i);
    return rt;
}

}  // namespace jollix::brush::detail
