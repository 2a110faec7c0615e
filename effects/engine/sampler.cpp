#include "effects/engine/sampler.h"

#include <cmath>

namespace jollix {

namespace {

// Adding and taking away 2^52 + 2^51 rounds a double of magnitude below 2^51
// to the nearest integer, ties to even, in the default rounding mode, without
// a library call.
constexpr double kRoundMagic = 6755399441055744.0;
inline double nearestEven(double v) { return (v + kRoundMagic) - kRoundMagic; }

// One channel: roundToInt((p00 * wy0 + p01 * wy1) * wx0 + (p10 * wy0 + p11 * wy1) * wx1).
// Computed in doubles; when the double result lies close enough to a half
// that 64-bit and 80-bit evaluation could round differently, it is
// evaluated again in extended precision, so the result is always the
// extended-precision one.
inline uint32_t mix(int p00, int p01, int p10, int p11, double wy0, double wy1, double wx0, double wx1) {
    const double v = (p00 * wy0 + p01 * wy1) * wx0 + (p10 * wy0 + p11 * wy1) * wx1;
    const double r = nearestEven(v);
    if (std::fabs(std::fabs(v - r) - 0.5) < 1e-9) {
        const long double e = ((long double)p00 * wy0 + (long double)p01 * wy1) * (long double)wx0 +
                              ((long double)p10 * wy0 + (long double)p11 * wy1) * (long double)wx1;
        return uint32_t(std::rint(e));  // ties to even, as roundToInt
    }
    return uint32_t(int(r));
}

}  // namespace

namespace detail {

uint32_t bilinearExtended(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d, double wy0,
                          double wy1, double wx0, double wx1) {
    // Bytes are B, G, R; red is computed first.
    const uint32_t red = mix(a[2], b[2], c[2], d[2], wy0, wy1, wx0, wx1);
    const uint32_t green = mix(a[1], b[1], c[1], d[1], wy0, wy1, wx0, wx1);
    const uint32_t blue = mix(a[0], b[0], c[0], d[0], wy0, wy1, wx0, wx1);
    return red + 256 * green + 65536 * blue;
}

}  // namespace detail

uint32_t sampleBilinear(const Picture& pic, double& x, double& y) { return sampleBilinear(TileReader(pic), x, y); }

}  // namespace jollix
