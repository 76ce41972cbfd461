// The time stretcher of playing at a speed other than 1x: decoded audio (the demo time
// code, 44100 Hz stereo, as the archives hold it) pushed through it at 3x in the playback
// engine's 100 ms buffers, as fast as it goes. Reports the thread's CPU seconds per second
// of archive audio ("cpu_per_audio_s"): at 3x the engine stretches three seconds of
// archive every second, so three times that is the share of one core it takes.
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

#include "archive/TimeCode.h"
#include "audio/TimeStretcher.h"

namespace {

double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// state.range(0): seconds of archive audio; state.range(1): the speed in quarters.
void BM_Stretch(benchmark::State& state) {
  constexpr int kRate = 44100;
  const auto seconds = static_cast<int>(state.range(0));
  const auto quarters = static_cast<int>(state.range(1));
  const TimeCode kod(kRate);
  // One minute of the time code, repeated: its decoding is not what is measured.
  std::vector<int16_t> minute(static_cast<size_t>(kRate) * 60 * 2);
  kod.Probki(int64_t{1700000000} * kRate, kRate * 60, 2, minute.data());
  const int buffer = kRate / 10;  // the output buffer's 100 ms
  std::vector<int16_t> out(static_cast<size_t>(buffer) * 2);
  for (auto _ : state) {
    TimeStretcher s(kRate, 2, quarters);
    const double cpu0 = ThreadCpu();
    int64_t produced = 0;
    int64_t at = 0;
    const int64_t total = int64_t{kRate} * seconds;
    while (at < total) {
      const int n = static_cast<int>(std::min<int64_t>(buffer * quarters / TimeStretcher::kQuarters, total - at));
      s.Put(&minute[static_cast<size_t>(at % (kRate * 60)) * 2], std::min(n, static_cast<int>(kRate * 60 - at % (kRate * 60))));
      at += std::min(n, static_cast<int>(kRate * 60 - at % (kRate * 60)));
      for (int got; (got = s.Take(out.data(), buffer)) > 0;) produced += got;
    }
    const double cpu = ThreadCpu() - cpu0;
    benchmark::DoNotOptimize(produced);
    state.counters["cpu_per_audio_s"] = cpu / seconds;
    state.counters["core_share_pct"] = 100.0 * cpu / seconds * quarters / TimeStretcher::kQuarters;
    state.counters["output_s"] = static_cast<double>(produced) / kRate;
  }
}

// An hour at 3x, the brief's figure; a minute at 0.5x and 3x for a quick look.
BENCHMARK(BM_Stretch)->Args({3600, 12})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Stretch)->Args({60, 12})->Args({60, 6})->Args({60, 2})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
