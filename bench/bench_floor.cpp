// The machine's floor for a whole 6000 x 4000 picture: one copy of its
// 72 MB on one thread. Every effect's time is read as a multiple of it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

void BM_Floor_Memcpy72MB(benchmark::State& state) {
    const size_t bytes = size_t(6000) * 4000 * 3;
    // Both buffers written once first, so that no page fault is timed.
    std::vector<char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_Floor_Memcpy72MB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
