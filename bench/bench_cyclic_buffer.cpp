// Throughput of 16 KiB blocks written into a ring buffer and read back out, beside a
// plain memcpy of the same bytes, so that the cost of the buffer (two copies, its checks
// and call tracing) is seen against the machine's copy speed in one run. The end of the
// run prints each buffer's throughput as a share of the memcpy's.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/CyclicBuffer.h"
#include "core/ThreadSafeBuffer.h"

namespace {

constexpr int kBlock = 16384;

std::vector<char> Block() {
  std::vector<char> bytes(kBlock);
  for (int i = 0; i < kBlock; ++i) bytes[i] = static_cast<char>(i * 7);
  return bytes;
}

void BM_Memcpy(benchmark::State& state) {
  const std::vector<char> in = Block();
  std::vector<char> out(kBlock);
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), kBlock);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_Memcpy);

// One block in, one block out, the way a decoder's or a packet's buffer is used: the
// buffer settles at its grown capacity and every block goes in and out in one piece.
template <class Buffer>
void BM_WriteRead(benchmark::State& state) {
  const std::vector<char> in = Block();
  std::vector<char> out(kBlock);
  Buffer buffer;
  for (auto _ : state) {
    buffer.Write(in.data(), kBlock);
    const int k = buffer.ReadAnyNonBlocking(out.data(), kBlock);
    benchmark::DoNotOptimize(k);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_WriteRead<CyclicBuffer>)->Name("BM_CyclicBufferWriteRead");
BENCHMARK(BM_WriteRead<ThreadSafeBuffer>)->Name("BM_ThreadSafeBufferWriteRead");

}  // namespace

int main(int argc, char** argv) { return bench::Uruchom<bench::RatioReporter>(argc, argv); }
