// Sketch effects on a 6000 x 4000 photo-like picture: the edge picture, the
// pen threshold, the pencil sketch, the spot clean-up, and one rubber disc
// (which must cost what the disc touches, not the photo).
#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"
#include "effects/rubber.h"
#include "effects/spot_cleanup.h"

namespace {

using jollix::Picture;

const Picture& photo() {
    static const Picture p = jollix::bench::photoLike(6000, 4000);
    return p;
}

const Picture& edgePhoto() {
    static const Picture p = jollix::edgePicture(photo());
    return p;
}

void BM_EdgePicture(benchmark::State& state) {
    const Picture& src = photo();
    for (auto _ : state) {
        Picture out = jollix::edgePicture(src);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_EdgePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PenSketch(benchmark::State& state) {
    const Picture& edge = edgePhoto();
    for (auto _ : state) {
        Picture out = jollix::penSketch(edge, 150);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_PenSketch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PencilSketch(benchmark::State& state) {
    const Picture& edge = edgePhoto();
    for (auto _ : state) {
        Picture out = jollix::pencilSketch(edge, 60);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_PencilSketch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClearUpSpots(benchmark::State& state) {
    const Picture& src = photo();
    for (auto _ : state) {
        Picture out = jollix::clearUpSpots(src);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ClearUpSpots)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RubberDisc(benchmark::State& state) {
    const Picture& src = photo();
    for (auto _ : state) {
        Picture out = jollix::rubberDisc(src, 3000, 2000, 50);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_RubberDisc)->Unit(benchmark::kMicrosecond);

}  // namespace
