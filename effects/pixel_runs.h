#pragma once
// Loops of the sketches over runs of pixels that the vector units run a
// byte at a time: each byte's weight in a pixel's grey sum, the sum of each
// pixel, and a value worked out per pixel given to all three of its bytes.
#include <array>
#include <cstdint>

#include "effects/engine/band_writer.h"

namespace jollix {

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
