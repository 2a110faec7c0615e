// Whole-picture effects that run out of memory part way: the failure
// arrives on the calling thread as std::bad_alloc, whichever thread met it,
// and the source picture is unchanged. Each case runs in a child process
// whose address space is capped just above what it already uses.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>

#include "core/picture.h"
#include "../address_space.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"
#include "effects/resample.h"
#include "effects/spot_cleanup.h"
#include "effect_test_util.h"

using namespace jollix;

namespace {

// Exit codes of the child: 0 bad_alloc and the source unchanged.
enum { kCaught = 0, kSourceChanged = 2, kNoFailure = 3, kOtherFailure = 4 };

int runCapped(const std::function<Picture(const Picture&)>& effect) {
    const Picture src = effects_test::noisePicture(3000, 3000);
    const Picture before = src;
    // Every tile of the source is its own, not shared with `before`, so a
    // write into the source would show.
    Picture copy = src;
    for (int ty = 0; ty < copy.tilesY(); ++ty)
        for (int tx = 0; tx < copy.tilesX(); ++tx) copy.mutableTile(tx, ty);
    // Room for the threads and a little work, far too little for a result.
    const rlimit cap{jollix_test::addressSpaceBytes() + (48u << 20), RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &cap) != 0) return kOtherFailure;
    try {
        const Picture out = effect(copy);
        return kNoFailure;
    } catch (const std::bad_alloc&) {
        return copy == before ? kCaught : kSourceChanged;
    } catch (...) {
        return kOtherFailure;
    }
}

}  // namespace

TEST(MemoryFailureDeathTest, EffectsReportTheFailureAndLeaveTheSourceAlone) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        std::function<Picture(const Picture&)> effect;
    };
    const Case cases[] = {
        {"edge picture", [](const Picture& p) { return edgePicture(p); }},
        {"pen", [](const Picture& p) { return penSketch(p, 100); }},
        {"pencil", [](const Picture& p) { return pencilSketch(p, 45); }},
        {"clean-up", [](const Picture& p) { return clearUpSpots(penSketch(p, 100)); }},
        {"resize", [](const Picture& p) { return resampleArea(p, 6000, 5000); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(std::_Exit(runCapped(c.effect)), testing::ExitedWithCode(kCaught), "");
    }
}
