#include "effects/spot_cleanup.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "effects/band_writer.h"

namespace jollix {

void SelectionSort(int* a, int n) {
    for (int i = 0; i <= n - 1; ++i)
        for (int j = n; j >= i + 1; --j)
            if (a[j] < a[i]) std::swap(a[i], a[j]);
}

namespace {

inline uint8_t mn(uint8_t a, uint8_t b) { return a < b ? a : b; }
inline uint8_t mx(uint8_t a, uint8_t b) { return a < b ? b : a; }
inline uint8_t med3(uint8_t a, uint8_t b, uint8_t c) { return mx(mn(a, b), mn(mx(a, b), c)); }

// One output row of the 3 x 3 median. Each column of three values (rows
// above, at and below) is sorted first; the median of the nine is then the
// median of the largest of the three column minima, the median of the three
// column medians and the smallest of the three column maxima. That is a
// fixed network of minima and maxima, the same for every channel byte, so
// it gives exactly the fifth smallest value a full sort would.
void medianRow(const uint8_t* __restrict a, const uint8_t* __restrict b, const uint8_t* __restrict c,
               uint8_t* __restrict lo, uint8_t* __restrict mid, uint8_t* __restrict hi, uint8_t* __restrict out,
               size_t rowBytes) {
    for (size_t i = 0; i < rowBytes; ++i) {
        const uint8_t x = a[i], y = b[i], z = c[i];
        const uint8_t l1 = mn(x, y), h1 = mx(x, y);
        lo[i] = mn(l1, z);
        hi[i] = mx(h1, z);
        mid[i] = mx(l1, mn(h1, z));
    }
    // Interior bytes only: the first and last pixel keep their values.
    for (size_t i = 3; i + 3 < rowBytes; ++i) {
        const uint8_t maxLo = mx(lo[i - 3], mx(lo[i], lo[i + 3]));
        const uint8_t minHi = mn(hi[i - 3], mn(hi[i], hi[i + 3]));
        const uint8_t medMid = med3(mid[i - 3], mid[i], mid[i + 3]);
        out[i] = med3(maxLo, medMid, minHi);
    }
}

} // namespace

Picture clearUpSpots(const Picture& src, Progress* /*progress*/) {
    const int w = src.width(), h = src.height();
    if (w < 3 || h < 3) return src;
    // Start from a copy, which shares every tile with the source; only the
    // tiles whose pixels change are written.
    Picture out = src;
    const size_t rowBytes = size_t(w) * 3;

    band::splitRows(out, [&](int t0, int t1) {
        std::vector<uint8_t> scratch(rowBytes * 3), buf(rowBytes * Picture::kTile);
        band::RowWindow win(src, rowBytes);
        uint8_t* lo = scratch.data();
        uint8_t* mid = lo + rowBytes;
        uint8_t* hi = mid + rowBytes;
        band::forBands(out, t0, t1, buf.data(), [&](int ys, int ye, uint8_t* dst) {
            for (int y = ys; y < ye; ++y, dst += rowBytes) {
                if (y == 0 || y == h - 1) {  // the first and last row keep their values
                    src.readRow(y, dst);
                    continue;
                }
                win.load(y);
                // The first and last pixel of the row keep their values.
                std::copy(win.row(), win.row() + 3, dst);
                std::copy(win.row() + rowBytes - 3, win.row() + rowBytes, dst + rowBytes - 3);
                medianRow(win.above(), win.row(), win.below(), lo, mid, hi, dst, rowBytes);
            }
        });
    });
    return out;
}

Picture rubberDisc(const Picture& src, int cx, int cy, int r) {
    Picture out = src;
    if (src.isEmpty() || r < 0) return out;
    const int w = src.width(), h = src.height();
    // Columns cx - r .. cx + r, clipped to the picture (writes outside it
    // have no effect anyway).
    const long long e0 = std::max<long long>(0, (long long)cx - r);
    const long long e1 = std::min<long long>(w - 1, (long long)cx + r);
    const long long r2 = (long long)r * r;
    for (long long e = e0; e <= e1; ++e) {
        const long long d = cx - e;
        const long long g = Round(std::sqrt(static_cast<long double>(r2 - d * d)));
        const long long i0 = std::max<long long>(0, cy - g);
        const long long i1 = std::min<long long>(h - 1, cy + g);
        for (long long i = i0; i <= i1; ++i) {
            uint8_t* p = out.mutablePixelPtr(int(e), int(i));
            p[0] = p[1] = p[2] = 255;
        }
    }
    return out;
}

} // namespace jollix
