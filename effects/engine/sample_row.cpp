// The vector sampler: sampleBilinear's colours at many points at once, one
// source for every width of vector units. Highway builds it for each
// instruction set it knows (AVX-512, AVX2, SSE4, ...) and picks the widest
// the processor has when it is first called.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "effects/engine/brush_engine.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/engine/sample_row.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

// Read once per target from here on.
HWY_BEFORE_NAMESPACE();
namespace jollix::brush::detail {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// As many points at a time as the vector units hold floats: the clamping
// and cell of sampleBilinear in doubles (the same operations, half the
// points at a time), the cell's two rows read as 8 bytes each (pixels
// (x0, y) and (x0 + 1, y) in the low six), and the weights and the colour
// worked out in single precision. Each weight then errs by less than
// 3e-7 and the colour by less than 4e-4 of a level, so a channel whose
// value lies farther than 1e-3 from a half rounds as the exact one does; a
// point with a channel closer to a half is left out of `ok`, for the
// caller to sample exactly, one by one.
#if HWY_TARGET == HWY_SCALAR
// Without vector units every point is left to the caller.
void sampleRowImpl(const SourceView&, const double*, const double*, int, uint32_t*, uint64_t*) {}
#else
void sampleRowImpl(const SourceView& g, const double* sx, const double* sy, int n, uint32_t* colour, uint64_t* ok) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const hn::RebindToUnsigned<decltype(df)> du;
    const hn::Repartition<double, decltype(df)> dd;  // half as many lanes
    const hn::RebindToUnsigned<decltype(dd)> du64;
    const hn::RebindToSigned<decltype(dd)> di64;
    const hn::Rebind<int32_t, decltype(dd)> dih;
    const hn::Rebind<uint32_t, decltype(dd)> duh;
    const hn::Rebind<float, decltype(dd)> dfh;
    const int N = int(hn::Lanes(df)), half = int(hn::Lanes(dd));
    const auto zero = hn::Zero(dd);
    const auto xMax = hn::Set(dd, g.width() - 2), yMax = hn::Set(dd, g.height() - 2),
               yEnd = hn::Set(dd, g.height() - 1);
    const auto lastInTile = hn::Set(di, Picture::kTileMask);
    const auto byte = hn::Set(du, 0xFFu);
    const auto nearHalf = hn::Set(df, 0.5f - 1e-3f);
    const auto tilesX = hn::Set(di, g.tilesX());
    for (int i = 0; i < n; i += N) {
        hn::Vec<decltype(dih)> xi[2], yi[2];
        hn::Vec<decltype(dfh)> fx[2], fy[2];
        for (int h = 0; h < 2; ++h) {
            auto x = hn::LoadU(dd, sx + i + h * half), y = hn::LoadU(dd, sy + i + h * half);
            // y into 0 .. H - 2 when at or past the last row; a NaN to 0.
            const auto ahead = hn::Ge(y, zero);
            y = hn::IfThenElse(hn::And(ahead, hn::Lt(y, yEnd)), y, hn::IfThenElseZero(ahead, yMax));
            // x into 0 .. W - 2; a NaN to 0.
            x = hn::IfThenElse(hn::Gt(x, xMax), xMax, x);
            x = hn::IfThenElseZero(hn::Ge(x, zero), x);
            xi[h] = hn::DemoteTo(dih, x);  // truncToInt
            yi[h] = hn::DemoteTo(dih, y);
            // The fractions, exact in doubles, to single precision.
            fx[h] = hn::DemoteTo(dfh, hn::Sub(x, hn::PromoteTo(dd, xi[h])));
            fy[h] = hn::DemoteTo(dfh, hn::Sub(y, hn::PromoteTo(dd, yi[h])));
        }
        const auto x0 = hn::Combine(di, xi[1], xi[0]), y0 = hn::Combine(di, yi[1], yi[0]);
        const auto inX = hn::And(x0, lastInTile), inY = hn::And(y0, lastInTile);
        const auto tile =
            hn::Add(hn::Mul(hn::ShiftRight<Picture::kTileBits>(y0), tilesX), hn::ShiftRight<Picture::kTileBits>(x0));
        // Each cell's two rows as 8 bytes each, gathered in place.
        hn::Vec<decltype(du64)> topRows[2], lowRows[2];
        const auto off = hn::Mul(hn::Add(hn::ShiftLeft<Picture::kTileBits>(inY), inX), hn::Set(di, 3));
        const auto stride = hn::Set(di64, Picture::kTileStride);
        const auto* base = reinterpret_cast<const uint64_t*>(g.tiles()[hn::GetLane(tile)]);
        auto halves = [&](const hn::Vec<decltype(di)> v, hn::Vec<decltype(di64)>* out) HWY_ATTR {
            out[0] = hn::PromoteTo(di64, hn::LowerHalf(dih, v));
            out[1] = hn::PromoteTo(di64, hn::UpperHalf(dih, v));
        };
        hn::Vec<decltype(di64)> offs[2];
        halves(off, offs);
        const auto lastRow = hn::Eq(inY, lastInTile), lastColumn = hn::Eq(inX, lastInTile);
        if (HWY_LIKELY(hn::AllTrue(di, hn::Eq(tile, hn::Set(di, hn::GetLane(tile)))) &&
                       hn::AllFalse(di, hn::Or(lastRow, lastColumn)))) {
            // Mostly every cell lies in one tile, away from its last column
            // and row.
            for (int h = 0; h < 2; ++h) {
                topRows[h] = hn::GatherOffset(du64, base, offs[h]);
                lowRows[h] = hn::GatherOffset(du64, base, hn::Add(offs[h], stride));
            }
        } else {
            // Else each lane from its own tiles: the lower row from the
            // tile below when the cell meets a tile's last row, a row whose
            // two pixels lie in two tiles put together from both. The
            // addresses are taken as offsets from the first lane's tile.
            const auto* table = reinterpret_cast<const uint64_t*>(g.tiles());
            const auto from = hn::Set(du64, uint64_t(reinterpret_cast<uintptr_t>(base)));
            auto address = [&](const hn::Vec<decltype(di)> tiles, const hn::Vec<decltype(di)> within,
                               hn::Vec<decltype(di64)>* out) HWY_ATTR {
                hn::Vec<decltype(di64)> t[2], w[2];
                halves(tiles, t);
                halves(within, w);
                for (int h = 0; h < 2; ++h) {
                    const auto at = hn::Add(hn::GatherIndex(du64, table, t[h]), hn::BitCast(du64, w[h]));
                    out[h] = hn::BitCast(di64, hn::Sub(at, from));
                }
            };
            const auto col = hn::Mul(inX, hn::Set(di, 3));
            const auto lowTile = hn::IfThenElse(lastRow, hn::Add(tile, tilesX), tile);
            const auto lowOff = hn::IfThenElse(lastRow, col, hn::Add(off, hn::Set(di, Picture::kTileStride)));
            hn::Vec<decltype(di64)> topAt[2], lowAt[2];
            address(tile, off, topAt);
            address(lowTile, lowOff, lowAt);
            for (int h = 0; h < 2; ++h) {
                topRows[h] = hn::GatherOffset(du64, base, topAt[h]);
                lowRows[h] = hn::GatherOffset(du64, base, lowAt[h]);
            }
            if (HWY_UNLIKELY(!hn::AllFalse(di, lastColumn))) {
                // Pixel x0 + 1 at column 0 of the tile to the right (8
                // bytes read at a tile's last pixel stay in its slack).
                const auto one = hn::Set(di, 1);
                const auto rightOff = hn::Mul(hn::ShiftLeft<Picture::kTileBits>(inY), hn::Set(di, 3));
                const auto lowRightOff =
                    hn::IfThenElseZero(hn::Not(lastRow), hn::Add(rightOff, hn::Set(di, Picture::kTileStride)));
                hn::Vec<decltype(di64)> rightAt[2], lowRightAt[2], straddles[2];
                // (Tile 0 for the other lanes: the table ends at the last tile.)
                address(hn::IfThenElseZero(lastColumn, hn::Add(tile, one)), rightOff, rightAt);
                address(hn::IfThenElseZero(lastColumn, hn::Add(lowTile, one)), lowRightOff, lowRightAt);
                halves(hn::VecFromMask(di, lastColumn), straddles);
                const auto three = hn::Set(du64, 0xFFFFFF);
                for (int h = 0; h < 2; ++h) {
                    const auto m = hn::MaskFromVec(hn::BitCast(du64, straddles[h]));
                    const auto right =
                        hn::GatherOffset(du64, base, hn::IfThenElseZero(hn::MaskFromVec(straddles[h]), rightAt[h]));
                    const auto lowRight =
                        hn::GatherOffset(du64, base, hn::IfThenElseZero(hn::MaskFromVec(straddles[h]), lowRightAt[h]));
                    topRows[h] =
                        hn::IfThenElse(m, hn::Or(hn::And(topRows[h], three), hn::ShiftLeft<24>(right)), topRows[h]);
                    lowRows[h] =
                        hn::IfThenElse(m, hn::Or(hn::And(lowRows[h], three), hn::ShiftLeft<24>(lowRight)), lowRows[h]);
                }
            }
        }
        // The weights of the pixels (x0, y0), (x0, y1), (x1, y0), (x1, y1),
        // in single precision: each within about 1e-7 of the exact one.
        const auto wx1 = hn::Combine(df, fx[1], fx[0]), wy1 = hn::Combine(df, fy[1], fy[0]);
        const auto wx0 = hn::Sub(hn::Set(df, 1.0f), wx1), wy0 = hn::Sub(hn::Set(df, 1.0f), wy1);
        const auto w00 = hn::Mul(wx0, wy0), w01 = hn::Mul(wx0, wy1), w10 = hn::Mul(wx1, wy0), w11 = hn::Mul(wx1, wy1);
        // The low four bytes of each row (blue, green, red of pixel x0 and
        // blue of x0 + 1) and the three from its fourth (pixel x0 + 1), as
        // 32-bit lanes.
        auto lanes = [&](const hn::Vec<decltype(du64)>* rows, int shift) HWY_ATTR {
            return hn::Combine(du, hn::TruncateTo(duh, hn::ShiftRightSame(rows[1], shift)),
                               hn::TruncateTo(duh, hn::ShiftRightSame(rows[0], shift)));
        };
        const auto pa = lanes(topRows, 0), pb = lanes(lowRows, 0), pc = lanes(topRows, 24), pd = lanes(lowRows, 24);
        // Adding and taking away 1.5 * 2^23 rounds a float of 0 .. 2^22 to
        // the nearest integer, ties to even; the integer is then the low
        // bits of the sum.
        const auto magic = hn::Set(df, 12582912.0f);
        auto bad = hn::Lt(hn::Zero(df), hn::Zero(df));  // none
        hn::Vec<decltype(du)> bgr = hn::Zero(du);
        for (int ch = 0; ch < 3; ++ch) {
            // The channel's byte of the cell's four pixels, as floats.
            auto part = [&](hn::Vec<decltype(du)> v) HWY_ATTR {
                return hn::ConvertTo(df, hn::BitCast(di, hn::And(hn::ShiftRightSame(v, 8 * ch), byte)));
            };
            // (Fused where the processor has it: the error only shrinks.)
            const auto v =
                hn::MulAdd(part(pa), w00, hn::MulAdd(part(pb), w01, hn::MulAdd(part(pc), w10, hn::Mul(part(pd), w11))));
            const auto sum = hn::Add(v, magic);
            const auto miss = hn::Abs(hn::Sub(v, hn::Sub(sum, magic)));
            bad = hn::Or(bad, hn::Gt(miss, nearHalf));
            // Blue in the low byte, then green, then red: the bytes as a
            // picture stores them.
            bgr = hn::Or(bgr, hn::ShiftLeftSame(hn::And(hn::BitCast(du, sum), byte), 8 * ch));
        }
        hn::StoreU(bgr, du, colour + i);
        uint8_t bits[8] = {};
        hn::StoreMaskBits(df, hn::Not(bad), bits);
        uint64_t good;
        std::memcpy(&good, bits, 8);
        good &= N == 64 ? ~uint64_t(0) : (uint64_t(1) << N) - 1;
        ok[i >> 6] |= good << (i & 63);
    }
}
#endif

}  // namespace HWY_NAMESPACE
}  // namespace jollix::brush::detail
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace jollix::brush::detail {

HWY_EXPORT(sampleRowImpl);

namespace {
int vectorLimit = 2;
}

void limitVectors(int level) {
    vectorLimit = level;
    // Level 1 stops at AVX2: the targets from AVX-512 up are hidden.
    // (Highway numbers the better targets with the lower bits.)
    hwy::SetSupportedTargetsForTest(0);
    if (level == 1) hwy::SetSupportedTargetsForTest(hwy::SupportedTargets() & ~int64_t(HWY_AVX2 - 1));
}

void sampleRow(const SourceView& g, const double* sx, const double* sy, int n, uint32_t* colour, uint64_t* ok) {
    const int words = (n + 63) >> 6;
    for (int w = 0; w < words; ++w) ok[w] = 0;
    if (g.width() < 2 || g.height() < 2 || vectorLimit == 0) return;
    HWY_DYNAMIC_DISPATCH(sampleRowImpl)(g, sx, sy, n, colour, ok);
}

}  // namespace jollix::brush::detail
#endif
