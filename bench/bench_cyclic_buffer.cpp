// Throughput of 16 KiB blocks written into a ring buffer and read back out, beside a
// plain memcpy of the same bytes, so that the cost of the buffer (two copies, its checks
// and call tracing) is seen against the machine's copy speed in one run. The end of the
// run prints each buffer's throughput as a share of the memcpy's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CyclicBuffer.h"
#include "ThreadSafeBuffer.h"

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

// Prints the usual table, then each benchmark's bytes per second as a share of memcpy's
// (of the same aggregate, when repetitions are asked for).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found == run.counters.end()) continue;
      if (run.aggregate_name != "" && run.aggregate_name != "mean" &&
          run.aggregate_name != "median") {
        continue;  // a share of memcpy's spread means nothing
      }
      rates_[{run.aggregate_name, run.run_name.function_name}] = found->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [key, rate] : rates_) {
      const auto memcpy = rates_.find({key.first, "BM_Memcpy"});
      if (memcpy == rates_.end() || memcpy->second <= 0) continue;
      const std::string name = key.first.empty() ? key.second : key.second + "_" + key.first;
      std::printf("%-36s %8.2f GiB/s %6.1f %% of memcpy\n", name.c_str(),
                  rate / (1024.0 * 1024.0 * 1024.0), 100.0 * rate / memcpy->second);
    }
  }

 private:
  std::map<std::pair<std::string, std::string>, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
