#include "effects/pen_sketch.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "core/numeric.h"

namespace jollix {

namespace {

// The grey value in extended precision, exactly as the program defines it.
int exactGrey(int red, int green, int blue) {
    return Round(static_cast<long double>(red) * 0.3L + static_cast<long double>(green) * 0.59L +
                 static_cast<long double>(blue) * 0.11L);
}

// Fast grey value. With s = 30 R + 59 G + 11 B the true value is s / 100;
// the extended-precision sum misses it by far less than 1e-15, so unless
// s / 100 lies exactly halfway between two integers (s mod 100 = 50) the
// rounded result is the nearest integer to s / 100. The halfway cases are
// where the last bits of the sum decide, so they are evaluated the long way.
inline int fastGrey(int red, int green, int blue) {
    const int s = 30 * red + 59 * green + 11 * blue;
    const int q = s / 100, rem = s - q * 100;
    if (rem != 50) return q + (rem > 50);
    return exactGrey(red, green, blue);
}

// Runs fn(y0, y1) over the rows 0 .. h - 1, on two threads when the picture
// is big enough to be worth it. The split falls on a tile boundary so that
// the two halves never write the same tile of the result, and every row is
// computed by the same rule whichever half it is in.
template <class Fn>
void forRowBands(int h, long long pixels, Fn&& fn) {
    const int split = (h / 2) & ~Picture::kTileMask;
    if (pixels < (1 << 20) || split <= 0 || split >= h) {
        fn(0, h);
        return;
    }
    std::thread other([&] { fn(split, h); });
    fn(0, split);
    other.join();
}

} // namespace

int greyOf(int red, int green, int blue) { return fastGrey(red, green, blue); }

Picture picsobel(const Picture& src, Progress* /*progress*/) {
    const int w = src.width(), h = src.height();
    if (src.isEmpty()) return src;
    Picture out(w, h);
    const size_t rowBytes = size_t(w) * 3;

    forRowBands(h, (long long)w * h, [&](int y0, int y1) {
        std::vector<uint8_t> a(rowBytes), b(rowBytes), c(rowBytes), o(rowBytes);
        for (int y = y0; y < y1; ++y) {
            src.readRow(y, b.data());
            const bool interiorRow = y >= 1 && y <= h - 2 && w >= 3;
            if (!interiorRow) {
                // Border rows keep the picture's own colours, inverted.
                for (size_t i = 0; i < rowBytes; ++i) o[i] = uint8_t(255 - b[i]);
                out.writeRow(y, o.data());
                continue;
            }
            src.readRow(y - 1, a.data());
            src.readRow(y + 1, c.data());
            for (int k = 0; k < 3; ++k) {
                o[k] = uint8_t(255 - b[k]);
                o[rowBytes - 3 + k] = uint8_t(255 - b[rowBytes - 3 + k]);
            }
            const uint8_t* pa = a.data();
            const uint8_t* pb = b.data();
            const uint8_t* pc = c.data();
            uint8_t* po = o.data();
            for (int x = 1; x <= w - 2; ++x) {
                const size_t m = size_t(x) * 3, l = m - 3, r = m + 3;
                for (int k = 0; k < 3; ++k) {
                    const int al = pa[l + k], bl = pb[l + k], cl = pc[l + k];
                    const int ar = pa[r + k], br = pb[r + k], cr = pc[r + k];
                    const int am = pa[m + k], cm = pc[m + k];
                    // Right minus left (1, 2, 1), bottom minus top, left minus
                    // right (1, 1, 1; green weighs the right column 1, 2, 1).
                    const int dx = (ar + 2 * br + cr) - (al + 2 * bl + cl);
                    const int dy = (cl + cm + cr) - (al + am + ar);
                    int dl = (al + bl + cl) - (ar + br + cr);
                    if (k == 1) dl -= br;
                    const int v = std::clamp(std::max(dl, std::max(dx, dy)), 0, 255);
                    po[m + k] = uint8_t(255 - v);
                }
            }
            out.writeRow(y, o.data());
        }
    });
    return out;
}

Picture twovalue(const Picture& edge, int threshold, Progress* /*progress*/) {
    const int w = edge.width(), h = edge.height();
    if (edge.isEmpty()) return edge;
    Picture out(w, h);
    const size_t rowBytes = size_t(w) * 3;

    // For every weighted sum s = 30 R + 59 G + 11 B that is not a halfway
    // case the outcome depends on s alone: 1 white, 0 black, 2 decide by
    // the exact grey.
    std::vector<uint8_t> verdict(30 * 255 + 59 * 255 + 11 * 255 + 1);
    for (size_t s = 0; s < verdict.size(); ++s) {
        const int q = int(s / 100), rem = int(s % 100);
        verdict[s] = rem == 50 ? 2 : uint8_t(q + (rem > 50) > threshold);
    }

    forRowBands(h, (long long)w * h, [&](int y0, int y1) {
        std::vector<uint8_t> row(rowBytes);
        for (int y = y0; y < y1; ++y) {
            edge.readRow(y, row.data());
            uint8_t* p = row.data();
            for (int x = 0; x < w; ++x, p += 3) {
                const int B = p[0], G = p[1], R = p[2];
                int v = verdict[30 * R + 59 * G + 11 * B];
                if (v == 2) v = exactGrey(R, G, B) > threshold;
                const uint8_t c = v ? 255 : 0;
                p[0] = p[1] = p[2] = c;
            }
            out.writeRow(y, row.data());
        }
    });
    return out;
}

} // namespace jollix
