#pragma once
// What several benchmarks share: latency percentiles as counters, the CPU time of each
// thread of the process, and a console reporter that adds each throughput as a share of
// memcpy's. Header-only; benchmarks only.
#include <benchmark/benchmark.h>
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// The counters p50_ms, p99_ms and max_ms of samples in milliseconds (sorted in place).
inline void Percentyle(benchmark::State& state, std::vector<double>& ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  state.counters["p50_ms"] = ms[ms.size() / 2];
  state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  state.counters["max_ms"] = ms.back();
}

// Seconds on a CPU of each thread of this process, by thread id.
inline std::map<long, double> Watki() {
  std::map<long, double> t;
  DIR* d = opendir("/proc/self/task");
  if (d == nullptr) return t;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    std::ifstream stat(std::string("/proc/self/task/") + e->d_name + "/schedstat");
    long long ns = 0;
    if (stat >> ns) t[std::atol(e->d_name)] = static_cast<double>(ns) / 1e9;
  }
  closedir(d);
  return t;
}

// Prints the usual table, then each benchmark's bytes per second as a share of memcpy's
// (BM_Memcpy, of the same aggregate when repetitions are asked for).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found == run.counters.end()) continue;
      if (run.aggregate_name != "" && run.aggregate_name != "mean" && run.aggregate_name != "median") {
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
      std::printf("%-36s %8.2f GiB/s %6.1f %% of memcpy\n", name.c_str(), rate / (1024.0 * 1024.0 * 1024.0),
                  100.0 * rate / memcpy->second);
    }
  }

 private:
  std::map<std::pair<std::string, std::string>, double> rates_;
};

// The body of main() for a benchmark that prints with `Reporter`.
template <class Reporter>
int Uruchom(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
