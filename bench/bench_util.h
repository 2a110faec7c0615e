#pragma once
// Shared helpers for the benchmarks: photo-like test pictures and memory use.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/picture.h"

namespace jollix::bench {

// A photo-like picture: smooth gradients with noise and some sharp edges,
// so that no effect meets a uniform input.
inline Picture photoLike(int w, int h, uint32_t seed = 12345) {
    std::vector<uint8_t> buf(size_t(w) * h * 3);
    uint32_t s = seed;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const int noise = int((s >> 24) & 15) - 8;
            const bool edge = ((x / 97) + (y / 131)) & 1;
            uint8_t* p = buf.data() + (size_t(y) * w + x) * 3;
            int b = (x * 255 / (w > 1 ? w - 1 : 1)) + noise;
            int g = (y * 255 / (h > 1 ? h - 1 : 1)) + noise + (edge ? 40 : 0);
            int r = ((x + y) % 256) + noise;
            p[0] = uint8_t(b < 0 ? 0 : b > 255 ? 255 : b);
            p[1] = uint8_t(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = uint8_t(r < 0 ? 0 : r > 255 ? 255 : r);
        }
    }
    return Picture::fromFlat(w, h, buf.data(), size_t(w) * 3);
}

// Resident set size of this process in bytes (Linux).
inline size_t residentBytes() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return size_t(resident) * 4096;
}

}  // namespace jollix::bench
