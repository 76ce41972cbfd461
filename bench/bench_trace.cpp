// Cost of the entry and exit of one traced call, beside the same call untraced.
#include <benchmark/benchmark.h>

#include "core/CallTrace.h"

namespace {

__attribute__((noinline)) int Untraced(int x) {
  benchmark::DoNotOptimize(x);
  return x + 1;
}

__attribute__((noinline)) int Traced(int x) {
  KG_TRACE("Traced(int x)");
  benchmark::DoNotOptimize(x);
  return x + 1;
}

void BM_UntracedCall(benchmark::State& state) {
  int x = 0;
  for (auto _ : state) x = Untraced(x);
  benchmark::DoNotOptimize(x);
}
BENCHMARK(BM_UntracedCall);

void BM_TracedCall(benchmark::State& state) {
  int x = Traced(0);  // the first call registers the name
  for (auto _ : state) x = Traced(x);
  benchmark::DoNotOptimize(x);
}
BENCHMARK(BM_TracedCall);

}  // namespace

BENCHMARK_MAIN();
