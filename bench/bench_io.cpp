// Picture files: encoding and decoding a 6-megapixel photo-like picture in
// every written format, and the WMF reader (libwmf) on the program's own
// metafiles.
#include <benchmark/benchmark.h>

#include "bench/bench_util.h"
#include "io/picture_files.h"
#include "tests/io/made_files.h"

namespace {

using namespace jollix;

const Picture& photo() {
    static const Picture p = bench::photoLike(3000, 2000);
    return p;
}

void BM_EncodeJpeg(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(encodeJpeg(photo()));
}
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg(benchmark::State& state) {
    const std::string bytes = encodeJpeg(photo());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

// A 24-megapixel photo, baseline (the program's own writer) and progressive
// (libjpeg's standard script): the decoder's work budget must cost nothing
// measurable on real files.
void BM_DecodeJpeg24Mp(benchmark::State& state) {
    static const Picture big = bench::photoLike(6000, 4000);
    const std::string bytes = state.range(0) ? test::progressiveJpeg(big) : encodeJpeg(big);
    state.SetLabel(state.range(0) ? "progressive" : "baseline");
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}
BENCHMARK(BM_DecodeJpeg24Mp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_EncodeBmp(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(encodeBmp(photo()));
}
BENCHMARK(BM_EncodeBmp)->Unit(benchmark::kMillisecond);

void BM_DecodeBmp(benchmark::State& state) {
    const std::string bytes = encodeBmp(photo());
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond);

void BM_WmfRoundTrip(benchmark::State& state) {
    const Picture p = bench::photoLike(int(state.range(0)), int(state.range(0)) * 2 / 3);
    for (auto _ : state) {
        const std::string bytes = encodeWmf(p);
        benchmark::DoNotOptimize(decodeWmf(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
}
BENCHMARK(BM_WmfRoundTrip)->Arg(600)->Arg(3000)->Unit(benchmark::kMillisecond);

}  // namespace
