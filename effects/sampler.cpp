#include "effects/sampler.h"

#include <cmath>

namespace jollix {

namespace {

// Adding and taking away 2^52 + 2^51 rounds a double of magnitude below 2^51
// to the nearest integer, ties to even, in the default rounding mode, without
// a library call.
constexpr double kRoundMagic = 6755399441055744.0;
inline double nearestEven(double v) { return (v + kRoundMagic) - kRoundMagic; }

// One channel: Round((p00 * wy0 + p01 * wy1) * wx0 + (p10 * wy0 + p11 * wy1) * wx1).
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
        return uint32_t(std::nearbyint(e));
    }
    return uint32_t(int(r));
}

} // namespace

uint32_t xiangsujuhe(const Picture& pic, double& x, double& y) {
    const int W = pic.width(), H = pic.height();
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
        y0 = int(y);  // Trunc: 0 <= y < H - 1 here
        y1 = y0 + 1;
    }
    int x0, x1;
    if (W == 1) {
        x = 0;
        x0 = x1 = 0;
    } else {
        if (x < 0) x = 0;
        else if (x > W - 2) x = W - 2;
        else if (x != x) x = 0;  // NaN: pinned to the first column
        x0 = int(x);
        x1 = x0 + 1;
    }
    const double wy1 = y - y0, wy0 = (y0 + 1) - y;
    const double wx1 = x - x0, wx0 = (x0 + 1) - x;
    // The four pixels, looked up once per tile: the right and lower
    // neighbours usually lie in the same tile.
    const uint8_t* a = pic.pixelPtr(x0, y0);
    const bool sameTileX = x1 == x0 || (x0 & Picture::kTileMask) != Picture::kTileMask;
    const bool sameTileY = y1 == y0 || (y0 & Picture::kTileMask) != Picture::kTileMask;
    const int stepX = (x1 - x0) * 3, stepY = (y1 - y0) * Picture::kTileStride;
    const uint8_t* c = sameTileX ? a + stepX : pic.pixelPtr(x1, y0);
    const uint8_t* b = sameTileY ? a + stepY : pic.pixelPtr(x0, y1);
    const uint8_t* d = sameTileX ? b + stepX : (sameTileY ? c + stepY : pic.pixelPtr(x1, y1));
    // Bytes are B, G, R.
    const uint32_t red = mix(a[2], b[2], c[2], d[2], wy0, wy1, wx0, wx1);
    const uint32_t green = mix(a[1], b[1], c[1], d[1], wy0, wy1, wx0, wx1);
    const uint32_t blue = mix(a[0], b[0], c[0], d[0], wy0, wy1, wx0, wx1);
    return red + 256 * green + 65536 * blue;
}

} // namespace jollix
