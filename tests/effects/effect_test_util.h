#pragma once
// Pictures and a progress recorder shared by the effect tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/picture.h"
#include "core/progress.h"

namespace effects_test {

// A picture of noise, so that every resampled pixel shows where it came from.
inline jollix::Picture noisePicture(int w, int h, uint32_t seed = 7) {
    jollix::Picture p(w, h);
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            p.setPixel(x, y, s >> 8);
        }
    return p;
}

// A picture of random bytes, each one of `levels` evenly spaced values
// (2 levels: every channel black or white).
inline jollix::Picture randomPicture(int w, int h, uint32_t seed, int levels = 256) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> flat(size_t(w) * h * 3);
    for (auto& b : flat) b = uint8_t(rng() % levels * (255 / (levels - 1)));
    return jollix::Picture::fromFlat(w, h, flat.data(), size_t(w) * 3);
}

// A picture whose colour at (x, y) is colour(x, y).
inline jollix::Picture makePicture(int w, int h, const std::function<uint32_t(int, int)>& colour) {
    jollix::Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, colour(x, y));
    return p;
}

// The first pixel where two pictures differ, for failure messages.
inline std::string firstDifference(const jollix::Picture& got, const jollix::Picture& want) {
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (got.pixel(x, y) != want.pixel(x, y)) {
                // Appended piece by piece: GCC 12 warns, wrongly, about
                // overlapping copies in "(" + std::string.
                std::string at = "(";
                at += std::to_string(x);
                at += ",";
                at += std::to_string(y);
                at += ")";
                return at;
            }
    return "none";
}

struct CountingProgress : jollix::Progress {
    int steps = 0, finishes = 0, resets = 0, starts = 0;
    long long total = 0;       // as said by the last start()
    int stepsBeforeStart = 0;  // steps reported before any start()
    void start(long long t) override {
        ++starts;
        total = t;
    }
    void step() override {
        ++steps;
        if (!starts) ++stepsBeforeStart;
    }
    void finish() override { ++finishes; }
    void reset() override { ++resets; }
};

// A brush held to its straightforward evaluation on one case: the same
// pixels, only the tiles with a written pixel cloned, the same number of
// progress steps and one finish. `brush` runs the brush with the progress
// given; `evaluate` gives the expected picture and its number of steps.
inline void expectAsEvaluated(const jollix::Picture& src,
                              const std::function<jollix::Picture(jollix::Progress*)>& brush,
                              const std::function<jollix::Picture(int* steps)>& evaluate, const std::string& where) {
    int wantSteps = 0;
    const jollix::Picture want = evaluate(&wantSteps);
    CountingProgress progress;
    const jollix::Picture got = brush(&progress);
    EXPECT_TRUE(got == want) << where << ": first difference at " << firstDifference(got, want);
    EXPECT_EQ(got.sharedTileCount(src), want.sharedTileCount(src)) << where;
    EXPECT_EQ(progress.steps, wantSteps) << where;
    EXPECT_EQ(progress.finishes, 1) << where;
}

}  // namespace effects_test
