// The pencil sketch's tone of each pixel, one source for every width of
// vector units: Highway builds it for each instruction set it knows and
// picks the widest the processor has when it is first called.
//
// A vector of pixels is split into its blue, green and red bytes, the
// weighted sum s of each pixel worked out in 16 bits, its grey (s + 50) /
// 100 by a multiplication, and the grey's tone looked up in the 256 tones
// sixteen at a time with byte shuffles. Pixels whose sum lies halfway
// between two greys are few; they are marked on the way and done one by
// one afterwards, as the exact grey decides.
#include "effects/pencil_tones.h"

#include <cstring>

#include "effects/pen_sketch.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/pencil_tones.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef JOLLIX_PENCIL_TONES_ONCE
#define JOLLIX_PENCIL_TONES_ONCE
namespace jollix::pencil::detail {

// The tone of one pixel (bytes blue, green, red), as the whole effect
// defines it.
inline uint8_t toneOf(const uint8_t* q, const ToneTables& t) {
    const int s = 30 * q[2] + 59 * q[1] + 11 * q[0];
    const uint16_t v = t.toneBySum[s];
    return v & kExactGrey ? t.tone[greyOf(q[2], q[1], q[0])] : uint8_t(v);
}

// Pixel i of o set to `tone`; false when the tone is not the blank one.
inline bool put(uint8_t* o, int i, uint8_t tone, uint8_t blank) {
    o[3 * i] = o[3 * i + 1] = o[3 * i + 2] = tone;
    return tone == blank;
}

}  // namespace jollix::pencil::detail
#endif

HWY_BEFORE_NAMESPACE();
namespace jollix::pencil {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The lanes of a mask as bits, read back as wide as they were stored (a
// wider read of a narrower store waits for the store to reach the cache).
template <class D>
HWY_INLINE uint64_t maskBits(D d, hn::Mask<D> m) {
    uint8_t bytes[8];
    const size_t n = hn::StoreMaskBits(d, m, bytes);
    if (n == 1) return bytes[0];
    if (n == 2) {
        uint16_t v;
        std::memcpy(&v, bytes, 2);
        return v;
    }
    if (n <= 4) {
        uint32_t v = 0;
        std::memcpy(&v, bytes, n);
        return v;
    }
    uint64_t v = 0;
    std::memcpy(&v, bytes, n);
    return v;
}

bool toneRunImpl(const uint8_t* HWY_RESTRICT p, uint8_t* HWY_RESTRICT o, int count, const ToneTables& t,
                 uint8_t blank) {
    bool all = true;
    int i = 0;
#if HWY_TARGET != HWY_SCALAR
    const hn::ScalableTag<uint8_t> d8;
    const hn::Half<decltype(d8)> d8h;
    const hn::RepartitionToWide<decltype(d8)> d16;
    const hn::RebindToSigned<decltype(d16)> di16;
    const int N = int(hn::Lanes(d8)), half = N / 2;
    const auto w11 = hn::Set(d16, 11), w59 = hn::Set(d16, 59), w30 = hn::Set(d16, 30);
    const auto fifty = hn::Set(d16, 50), hundred = hn::Set(d16, 100);
    // floor(u / 100) = (u * 41944) >> 22 for every u up to 25550.
    const auto reciprocal = hn::Set(d16, 41944);
    const auto nibble = hn::Set(d8, 15), blanks = hn::Set(d8, blank);
    for (; i + N <= count; i += N) {
        hn::Vec<decltype(d8)> b, g, r;
        hn::LoadInterleaved3(d8, p + 3 * size_t(i), b, g, r);
        // Per half of the pixels: the grey (s + 50) / 100 and whether s lies
        // halfway, (s + 50) a multiple of 100.
        auto grey = [&](auto bh, auto gh, auto rh, auto& halfway) HWY_ATTR {
            const auto s = hn::Add(hn::Add(hn::Mul(hn::PromoteTo(d16, bh), w11), hn::Mul(hn::PromoteTo(d16, gh), w59)),
                                   hn::Mul(hn::PromoteTo(d16, rh), w30));
            const auto u = hn::Add(s, fifty);
            const auto q = hn::ShiftRight<6>(hn::MulHigh(u, reciprocal));
            halfway = hn::Eq(u, hn::Mul(q, hundred));
            return hn::DemoteTo(d8h, hn::BitCast(di16, q));
        };
        hn::Mask<decltype(d16)> halfLow, halfHigh;
        const auto low = grey(hn::LowerHalf(d8h, b), hn::LowerHalf(d8h, g), hn::LowerHalf(d8h, r), halfLow);
        const auto high = grey(hn::UpperHalf(d8h, b), hn::UpperHalf(d8h, g), hn::UpperHalf(d8h, r), halfHigh);
        const auto greys = hn::Combine(d8, high, low);
        // The tone of each grey: the sixteen tones of its high nibble,
        // picked by its low nibble.
        const auto column = hn::And(greys, nibble), row = hn::ShiftRight<4>(greys);
        auto tone = hn::Zero(d8);
        for (int k = 0; k < 16; ++k) {
            const auto tones = hn::LoadDup128(d8, t.tone + 16 * k);
            tone = hn::Or(
                tone, hn::IfThenElseZero(hn::Eq(row, hn::Set(d8, uint8_t(k))), hn::TableLookupBytes(tones, column)));
        }
        hn::StoreInterleaved3(tone, tone, tone, d8, o + 3 * size_t(i));
        if (!hn::AllTrue(d8, hn::Eq(tone, blanks))) all = false;
        if (hn::AllFalse(d16, hn::Or(halfLow, halfHigh))) continue;
        const hn::Mask<decltype(d16)> halves[2] = {halfLow, halfHigh};
        for (int h = 0; h < 2; ++h) {
            for (uint64_t marked = maskBits(d16, halves[h]); marked; marked &= marked - 1) {
                const int k = i + h * half + __builtin_ctzll(marked);
                all &= detail::put(o, k, detail::toneOf(p + 3 * size_t(k), t), blank);
            }
        }
    }
#endif
    for (; i < count; ++i) all &= detail::put(o, i, detail::toneOf(p + 3 * size_t(i), t), blank);
    return all;
}

}  // namespace HWY_NAMESPACE
}  // namespace jollix::pencil
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace jollix::pencil {

HWY_EXPORT(toneRunImpl);

bool toneRun(const uint8_t* p, uint8_t* o, int count, const ToneTables& tables, uint8_t blank) {
    return HWY_DYNAMIC_DISPATCH(toneRunImpl)(p, o, count, tables, blank);
}

}  // namespace jollix::pencil
#endif
