#include "effects/rubber.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/numeric.h"
#include "core/tiles.h"

namespace jollix {

Picture rubberDisc(const Picture& src, int cx, int cy, int r) {
    Picture out = src;
    if (src.isEmpty() || r < 0) return out;
    const int w = src.width(), h = src.height();
    // Columns cx - r .. cx + r, clipped to the picture (writes outside it
    // have no effect anyway).
    const long long e0 = std::max<long long>(0, (long long)cx - r);
    const long long e1 = std::min<long long>(w - 1, (long long)cx + r);
    const long long r2 = (long long)r * r;
    TileWriter writer(out);
    for (long long e = e0; e <= e1; ++e) {
        const long long d = cx - e;
        const long long g = roundToInt(std::sqrt(static_cast<long double>(r2 - d * d)));
        const long long i0 = std::max<long long>(0, cy - g);
        const long long i1 = std::min<long long>(h - 1, cy + g);
        for (long long i = i0; i <= i1; ++i) {
            uint8_t* p = writer.at(int(e), int(i));
            p[0] = p[1] = p[2] = 255;
        }
    }
    return out;
}

}  // namespace jollix
