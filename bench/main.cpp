// jollix-bench: the speed and memory figures of the program's effects.
// Each effect family registers its benchmarks in its own file here.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
