// The spherical, vertical and horizontal expand and shrink: one application
// at R = 500 (strength 167, the Cur. slider's coupled value) on a 6000 x 4000
// and a 1000 x 1000 photo-like picture, whose times should be about the same
// since the cost follows the brush; the cost of recording the result in the
// history; and the memory that 100 recorded gestures take.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <unordered_set>

#include "bench/bench_util.h"
#include "core/history.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/brushes/spherical.h"

namespace {

using jollix::Picture;
using Brush = Picture (*)(const Picture&, int, int, int, int, jollix::Progress*);

const Picture& photo(int w) {
    static const Picture big = jollix::bench::photoLike(6000, 4000);
    static const Picture small = jollix::bench::photoLike(1000, 1000);
    return w == 6000 ? big : small;
}

template <Brush brush>
void BM_Brush(benchmark::State& state) {
    const Picture& src = photo(int(state.range(0)));
    const int cx = src.width() / 2, cy = src.height() / 2;
    for (auto _ : state) {
        Picture out = brush(src, cx, cy, 500, 167, nullptr);
        benchmark::DoNotOptimize(out);
    }
}

#define JOLLIX_BRUSH_BENCH(name, fn)                            \
    void name(benchmark::State& state) { BM_Brush<fn>(state); } \
    BENCHMARK(name)->Arg(6000)->Arg(1000)->Unit(benchmark::kMillisecond)

JOLLIX_BRUSH_BENCH(BM_BrushSphericalExpand, jollix::sphericalExpand);
JOLLIX_BRUSH_BENCH(BM_BrushSphericalShrink, jollix::sphericalShrink);
JOLLIX_BRUSH_BENCH(BM_BrushVerticalExpand, jollix::verticalExpand);
JOLLIX_BRUSH_BENCH(BM_BrushVerticalShrink, jollix::verticalShrink);
JOLLIX_BRUSH_BENCH(BM_BrushHorizontalExpand, jollix::horizontalExpand);
JOLLIX_BRUSH_BENCH(BM_BrushHorizontalShrink, jollix::horizontalShrink);

// Expand at Rad. 500 on the 6000 x 4000 photo shown at 25 %: R = 2000 in
// picture pixels (strength 668), some 12.5 million pixels.
void BM_BrushSphericalExpandRad2000(benchmark::State& state) {
    const Picture& src = photo(6000);
    for (auto _ : state) {
        Picture out = jollix::sphericalExpand(src, 3000, 2000, 2000, 668, nullptr);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_BrushSphericalExpandRad2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// `backup` of a freshly brushed 6000 x 4000 picture, the history already
// full so that each step also releases the snapshot it overwrites.
void BM_BrushBackup(benchmark::State& state) {
    const Picture& src = photo(6000);
    jollix::History history;
    history.reset(src);
    Picture work = src;
    for (int i = 0; i < jollix::History::kSlots; ++i) history.backup(work);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        work = jollix::sphericalExpand(src, 500 + (n * 397) % 5000, 500 + (n * 211) % 3000, 100, 33);
        ++n;
        state.ResumeTiming();
        history.backup(work);
    }
}
BENCHMARK(BM_BrushBackup)->Unit(benchmark::kMicrosecond);

// 100 gestures of R = 100 at scattered points on a 6000 x 4000 picture, each
// recorded with `backup`. Reports the growth of the resident set and the
// memory of the distinct tiles the history and the picture hold beyond the
// opened picture.
void BM_BrushMemory(benchmark::State& state) {
    for (auto _ : state) {
        const Picture opened = jollix::bench::photoLike(6000, 4000, 777);
        jollix::History history;
        history.reset(opened);
        Picture work = opened;
        const size_t before = jollix::bench::residentBytes();
        uint32_t s = 99;
        for (int g = 0; g < 100; ++g) {
            s = s * 1664525u + 1013904223u;
            const int x = int((s >> 8) % 6000u);
            s = s * 1664525u + 1013904223u;
            const int y = int((s >> 8) % 4000u);
            work =
                (g & 1) ? jollix::sphericalShrink(work, x, y, 100, 33) : jollix::sphericalExpand(work, x, y, 100, 33);
            history.backup(work);
        }
        const size_t after = jollix::bench::residentBytes();
        std::unordered_set<const uint8_t*> base, extra;
        for (int ty = 0; ty < opened.tilesY(); ++ty)
            for (int tx = 0; tx < opened.tilesX(); ++tx) base.insert(opened.tile(tx, ty));
        for (int i = 1; i <= jollix::History::kSlots; ++i) {
            const Picture& p = history.slot(i);
            for (int ty = 0; ty < p.tilesY(); ++ty)
                for (int tx = 0; tx < p.tilesX(); ++tx)
                    if (!base.count(p.tile(tx, ty))) extra.insert(p.tile(tx, ty));
        }
        state.counters["rss_growth_MB"] = double(after > before ? after - before : 0) / (1 << 20);
        state.counters["new_tiles_MB"] = double(extra.size() * Picture::kTileBytes) / (1 << 20);
    }
}
BENCHMARK(BM_BrushMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
