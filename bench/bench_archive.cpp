// Encoding and decoding through the memory archive: an object of n 8-byte fields (the
// shape of a large interval set) written field by field, as every lsa does.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

void EncodeFields(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Core block;
    IniCore f(block, 1);
    for (std::int64_t i = 0; i < n; ++i) f.ReadWrite(i);
    benchmark::DoNotOptimize(block.Data());
  }
  state.SetBytesProcessed(state.iterations() * n * 8);
}
BENCHMARK(EncodeFields)->RangeMultiplier(10)->Range(1000, 1000000);

// Appends of 8 bytes while the program allocates something else now and then, so that
// the block cannot simply grow in place at the top of the heap. Argument 1 grows the
// block to exactly the size asked at every step (exact growth); 0 lets InsertAt grow it.
void AppendBetweenAllocations(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool exact = state.range(1) != 0;
  for (auto _ : state) {
    Core block;
    std::vector<std::unique_ptr<char[]>> others;
    others.reserve(static_cast<size_t>(n / 16 + 1));
    for (std::int64_t i = 0; i < n; ++i) {
      if (exact) block.Reserve(block.Size() + 8);
      block.InsertAt(block.Size(), &i, 8);
      if (i % 16 == 0) others.emplace_back(new char[48]);
    }
    benchmark::DoNotOptimize(block.Data());
  }
  state.SetBytesProcessed(state.iterations() * n * 8);
}
BENCHMARK(AppendBetweenAllocations)
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {0, 1}})
    ->ArgNames({"fields", "exact"});

void DecodeFields(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Core block;
  {
    IniCore f(block, 1);
    for (std::int64_t i = 0; i < n; ++i) f.ReadWrite(i);
  }
  for (auto _ : state) {
    IniCore f(block, 0);
    std::int64_t v = 0;
    for (int i = 0; i < n; ++i) f.ReadWrite(v);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(state.iterations() * n * 8);
}
BENCHMARK(DecodeFields)->RangeMultiplier(10)->Range(1000, 1000000);

}  // namespace

BENCHMARK_MAIN();
