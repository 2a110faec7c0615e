#pragma once
// A photo-like test picture: smooth gradients, a soft round shape and a
// little grain, so that resampled frames and palettes meet what a photo
// gives them, and every pixel differs a little from its neighbours.
#include <algorithm>
#include <cstdint>

#include "core/picture.h"

namespace jollix::testing_photo {

inline Picture photoLike(int w, int h, uint32_t seed = 3) {
    Picture p(w, h);
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const int grain = int(s >> 29) - 4;
            const int dx = x - w / 2, dy = y - h / 3;
            const int blob = int64_t(dx) * dx + int64_t(dy) * dy < int64_t(w) * w / 16 ? 60 : 0;
            const auto c = [&](int v) { return uint32_t(std::clamp(v + grain, 0, 255)); };
            p.setPixel(x, y,
                       c(x * 200 / w + blob) | (c(y * 180 / h + 30) << 8) | (c(120 - blob / 2 + x * 40 / w) << 16));
        }
    return p;
}

}  // namespace jollix::testing_photo
