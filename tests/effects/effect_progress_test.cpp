// Whole-picture effects report their progress: the total first, then one
// step per row of tiles of their result from the calling thread, then the
// end.
#include <gtest/gtest.h>

#include <functional>

#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"
#include "effects/resample.h"
#include "effects/spot_cleanup.h"
#include "tests/effects/effect_test_util.h"

using namespace jollix;
using effects_test::CountingProgress;

namespace {

// A side divided by its smallest factor above 1 (1 for a prime): a whole
// factor the resampler shrinks by with block means.
int shrunkByWholeFactor(int side) {
    for (int f = 2; f * f <= side; ++f)
        if (side % f == 0) return side / f;
    return 1;
}

}  // namespace

TEST(EffectProgress, WholePictureEffectsSayTheirTotalAndReachIt) {
    const struct {
        const char* name;
        std::function<Picture(const Picture&, Progress*)> run;
    } effects[] = {
        {"edge picture", [](const Picture& p, Progress* g) { return edgePicture(p, g); }},
        {"pen sketch", [](const Picture& p, Progress* g) { return penSketch(p, 120, g); }},
        {"pencil sketch", [](const Picture& p, Progress* g) { return pencilSketch(p, 60, g); }},
        {"clean-up", [](const Picture& p, Progress* g) { return clearUpSpots(p, g); }},
        {"resample up", [](const Picture& p,
                           Progress* g) { return resampleArea(p, p.width() * 3 / 2 + 1, p.height() * 3 / 2 + 1, g); }},
        {"resample down",
         [](const Picture& p, Progress* g) {
             return resampleArea(p, p.width() * 2 / 3 + 1, p.height() * 2 / 3 + 1, g);
         }},
        {"resample down by whole factors",
         [](const Picture& p, Progress* g) {
             return resampleArea(p, shrunkByWholeFactor(p.width()), shrunkByWholeFactor(p.height()), g);
         }},
    };
    // One tile row; several, the last partial; big enough to share over threads.
    const struct { int w, h; } sizes[] = {{5, 3}, {130, 200}, {1500, 1100}};
    for (const auto& size : sizes)
        for (const auto& e : effects) {
            SCOPED_TRACE(testing::Message() << e.name << " on " << size.w << " x " << size.h);
            const Picture src = effects_test::randomPicture(size.w, size.h, 3);
            CountingProgress progress;
            const Picture out = e.run(src, &progress);
            const int tileRows = (out.height() + Picture::kTile - 1) / Picture::kTile;
            EXPECT_EQ(progress.starts, 1);
            EXPECT_EQ(progress.stepsBeforeStart, 0);
            EXPECT_EQ(progress.total, tileRows);
            EXPECT_EQ(progress.steps, tileRows);
            EXPECT_EQ(progress.finishes + progress.resets, 1) << "the bar is left empty at the end";
            EXPECT_EQ(out, e.run(src, nullptr)) << "progress changes nothing";
        }
}
