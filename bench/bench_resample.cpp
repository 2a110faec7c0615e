// The image size command's resampler on a 24-megapixel photo.
#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "effects/resample.h"

namespace {

void BM_ZoomInOut_6000x4000_to_3000x2000(benchmark::State& state) {
    const jollix::Picture src = jollix::bench::photoLike(6000, 4000);
    for (auto _ : state) {
        jollix::Picture out = jollix::zoomInOut(src, 3000, 2000);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ZoomInOut_6000x4000_to_3000x2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A factor that is not a whole number: every new pixel reads partial pixels.
void BM_ZoomInOut_6000x4000_to_2560x1707(benchmark::State& state) {
    const jollix::Picture src = jollix::bench::photoLike(6000, 4000);
    for (auto _ : state) {
        jollix::Picture out = jollix::zoomInOut(src, 2560, 1707);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ZoomInOut_6000x4000_to_2560x1707)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
