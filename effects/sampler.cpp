#include "effects/sampler.h"

#include <cmath>

namespace jollix {

namespace {

// One channel: Round((p00 * wy0 + p01 * wy1) * wx0 + (p10 * wy0 + p11 * wy1) * wx1).
// Computed in doubles; when the double result lies close enough to a half
// that 64-bit and 80-bit evaluation could round differently, it is
// evaluated again in extended precision, so the result is always the
// extended-precision one.
inline uint32_t mix(int p00, int p01, int p10, int p11, double wy0, double wy1, double wx0, double wx1) {
    const double v = (p00 * wy0 + p01 * wy1) * wx0 + (p10 * wy0 + p11 * wy1) * wx1;
    const double f = v - std::floor(v);
    if (std::fabs(f - 0.5) < 1e-9) {
        const long double e = ((long double)p00 * wy0 + (long double)p01 * wy1) * (long double)wx0 +
                              ((long double)p10 * wy0 + (long double)p11 * wy1) * (long double)wx1;
        return uint32_t(std::nearbyint(e));
    }
    return uint32_t(std::nearbyint(v));
}

} // namespace

uint32_t xiangsujuhe(const Picture& pic, double& x, double& y) {
    const int W = pic.width(), H = pic.height();
    int y0, y1;
    if (H == 1) {
        y = 0;
        y0 = y1 = 0;
    } else {
        if (0 <= y && y < H - 1) {
        } else if (y >= 0) {
            y = H - 2;
        } else {
            y = 0;
        }
        y0 = int(y);  // Trunc: y >= 0 here
        y1 = y0 + 1;
    }
    int x0, x1;
    if (W == 1) {
        x = 0;
        x0 = x1 = 0;
    } else {
        if (x < 0) x = 0;
        else if (x > W - 2) x = W - 2;
        x0 = int(x);
        x1 = x0 + 1;
    }
    // NaN coordinates fail every comparison above; pin them to the origin.
    if (y0 < 0 || y0 >= H || x0 < 0 || x0 >= W) {
        x = 0; y = 0; x0 = 0; y0 = 0;
        x1 = W > 1 ? 1 : 0;
        y1 = H > 1 ? 1 : 0;
    }
    const double wy1 = y - y0, wy0 = (y0 + 1) - y;
    const double wx1 = x - x0, wx0 = (x0 + 1) - x;
    const uint8_t* a = pic.pixelPtr(x0, y0);
    const uint8_t* b = pic.pixelPtr(x0, y1);
    const uint8_t* c = pic.pixelPtr(x1, y0);
    const uint8_t* d = pic.pixelPtr(x1, y1);
    // Bytes are B, G, R.
    const uint32_t red = mix(a[2], b[2], c[2], d[2], wy0, wy1, wx0, wx1);
    const uint32_t green = mix(a[1], b[1], c[1], d[1], wy0, wy1, wx0, wx1);
    const uint32_t blue = mix(a[0], b[0], c[0], d[0], wy0, wy1, wx0, wx1);
    return red + 256 * green + 65536 * blue;
}

} // namespace jollix
