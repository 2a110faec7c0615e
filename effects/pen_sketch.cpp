#include "effects/pen_sketch.h"

#include <algorithm>
#include <vector>

#include "effects/band_writer.h"

namespace jollix {

namespace {

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

// One interior row of the edge picture: rows a, b, c are y - 1, y, y + 1;
// every byte is one channel of one pixel, its neighbours 3 bytes away.
// `green` is 0xFF at the green bytes and 0 elsewhere. The first and the
// last pixel are left to the caller.
void edgeRow(const uint8_t* __restrict a, const uint8_t* __restrict b, const uint8_t* __restrict c,
             const uint8_t* __restrict green, uint8_t* __restrict o, size_t rowBytes) {
    for (size_t i = 3; i + 3 < rowBytes; ++i) {
        const int al = a[i - 3], am = a[i], ar = a[i + 3];
        const int bl = b[i - 3], br = b[i + 3];
        const int cl = c[i - 3], cm = c[i], cr = c[i + 3];
        // Right minus left (weights 1, 2, 1), bottom minus top (1, 1, 1),
        // left minus right (1, 1, 1, but green weighs its right column
        // 1, 2, 1). The largest, clamped to 0 .. 255, then inverted.
        const int dx = (ar + 2 * br + cr) - (al + 2 * bl + cl);
        const int dy = (cl + cm + cr) - (al + am + ar);
        const int dl = (al + bl + cl) - (ar + br + cr) - (br & green[i]);
        const int v = std::min(255, std::max(0, std::max(dl, std::max(dx, dy))));
        o[i] = uint8_t(255 - v);
    }
}

} // namespace

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

Picture picsobel(const Picture& src, Progress* /*progress*/) {
    const int w = src.width(), h = src.height();
    if (src.isEmpty()) return src;
    // Flat areas give white: start from white and write only other tiles.
    Picture out(w, h, 0xFFFFFF);
    const size_t rowBytes = size_t(w) * 3;
    std::vector<uint8_t> green(rowBytes);
    for (size_t i = 1; i < rowBytes; i += 3) green[i] = 0xFF;

    band::splitRows(out, [&](int t0, int t1) {
        std::vector<uint8_t> buf(rowBytes * Picture::kTile);
        band::RowWindow win(src, rowBytes);
        band::forBands(out, t0, t1, buf.data(), [&](int ys, int ye, uint8_t* dst) {
            for (int y = ys; y < ye; ++y, dst += rowBytes) {
                if (y == 0 || y == h - 1 || w < 3) {
                    // Border rows keep the picture's own colours, inverted.
                    src.readRow(y, dst);
                    for (size_t i = 0; i < rowBytes; ++i) dst[i] = uint8_t(255 - dst[i]);
                    continue;
                }
                win.load(y);
                edgeRow(win.above(), win.row(), win.below(), green.data(), dst, rowBytes);
                for (size_t k = 0; k < 3; ++k) {
                    dst[k] = uint8_t(255 - win.row()[k]);
                    dst[rowBytes - 3 + k] = uint8_t(255 - win.row()[rowBytes - 3 + k]);
                }
            }
        });
    });
    return out;
}

Picture twovalue(const Picture& edge, int threshold, Progress* /*progress*/) {
    const int w = edge.width(), h = edge.height();
    if (edge.isEmpty()) return edge;
    Picture out(w, h, 0xFFFFFF);
    const size_t rowBytes = size_t(w) * 3;
    // grey > threshold exactly when s > 100 threshold + 50, except at
    // s = 100 threshold + 50 itself, where the exact grey decides. Limits
    // beyond the range of s change nothing, so the bound is kept in range.
    const int bound = int(std::clamp(100LL * threshold + 50, -1LL, 25501LL));

    band::splitRows(out, [&](int t0, int t1) {
        std::vector<uint8_t> row(rowBytes), buf(rowBytes * Picture::kTile);
        band::forBands(out, t0, t1, buf.data(), [&](int ys, int ye, uint8_t* dst) {
            for (int y = ys; y < ye; ++y, dst += rowBytes) {
                edge.readRow(y, row.data());
                const uint8_t* p = row.data();
                int halfway = 0;
                for (size_t i = 0; i < rowBytes; i += 3) {
                    const int s = 30 * p[i + 2] + 59 * p[i + 1] + 11 * p[i];
                    halfway |= s == bound;
                    const uint8_t c = s > bound ? 255 : 0;
                    dst[i] = dst[i + 1] = dst[i + 2] = c;
                }
                if (!halfway) continue;
                for (size_t i = 0; i < rowBytes; i += 3) {
                    const int B = p[i], G = p[i + 1], R = p[i + 2];
                    if (30 * R + 59 * G + 11 * B != bound) continue;
                    // Here s = 100 threshold + 50.
                    const uint8_t c = halfwayGrey(R, G, B, threshold) > threshold ? 255 : 0;
                    dst[i] = dst[i + 1] = dst[i + 2] = c;
                }
            }
        });
    });
    return out;
}

} // namespace jollix
