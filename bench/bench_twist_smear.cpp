// Twist and smear: one application at R = 500 on a photo-like picture.
// The cost must follow the brush, so the big and the small picture should
// take about the same time.
#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "effects/brushes/smear.h"
#include "effects/brushes/twist.h"

namespace {

using jollix::Picture;

const Picture& photo(int w, int /*h*/) {
    static const Picture big = jollix::bench::photoLike(6000, 4000);
    static const Picture small = jollix::bench::photoLike(1000, 1000);
    return w == 6000 ? big : small;
}

void BM_Dextrorotary(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const Picture& src = photo(w, h);
    for (auto _ : state) {
        Picture out = jollix::twistClockwise(src, w / 2, h / 2, 500, 100);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Dextrorotary)->Args({6000, 4000})->Args({1000, 1000})->Unit(benchmark::kMillisecond);

void BM_Levorotary(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const Picture& src = photo(w, h);
    for (auto _ : state) {
        Picture out = jollix::twistAnticlockwise(src, w / 2, h / 2, 500, 100);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Levorotary)->Args({6000, 4000})->Unit(benchmark::kMillisecond);

// A drag of 250 pixels: diagonal (150 right, 200 down) and straight (250
// right), R = 500, so d = 250 and the patch has radius 625.
void BM_Smear(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const int dx = int(state.range(2)), dy = int(state.range(3));
    const Picture& src = photo(w, h);
    const int x0 = w / 2, y0 = h / 2;
    for (auto _ : state) {
        Picture out = jollix::smear(src, x0, y0, x0 + dx, y0 + dy, 500);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_Smear)
    ->Args({6000, 4000, 150, 200})
    ->Args({6000, 4000, 250, 0})
    ->Args({1000, 1000, 150, 200})
    ->Unit(benchmark::kMillisecond);

}  // namespace
