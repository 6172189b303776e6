// Entry point of g719_bench; the benchmarks register themselves.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
