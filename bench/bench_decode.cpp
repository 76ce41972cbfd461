// Decoding a 10-minute 128 kbit/s MPEG-1 layer III stream through the decoder chain (frame
// filter and libmpg123 decoder, fed 500 bytes at a time as the playback engine feeds it),
// beside the mpg123 tool decoding the same file to /dev/null, in the same run. The end of
// the run prints the chain's time as a multiple of the tool's.
//
// The stream is made once with the lame tool from a generated signal and kept as
// /tmp/korwendo-bench-10min-128k.mp3.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "common/AudioFormat.h"
#include "decoder/MasterDekoder.h"

extern char** environ;

namespace {

const char* const kFile = "/tmp/korwendo-bench-10min-128k.mp3";
constexpr int kRate = 44100;
constexpr int kSeconds = 600;

// Ten minutes of a signal with some of music's variety: a few drifting tones and a little
// noise, so that the encoder spends its bits as on real audio.
bool MakeStream() {
  const std::string command = std::string("lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 --cbr - ") + kFile;
  FILE* lame = popen(command.c_str(), "w");
  if (lame == nullptr) return false;
  std::vector<int16_t> block(2 * kRate);
  uint32_t noise = 1;
  for (int s = 0; s < kSeconds; ++s) {
    for (int i = 0; i < kRate; ++i) {
      const double t = s + static_cast<double>(i) / kRate;
      noise = noise * 1664525u + 1013904223u;
      const double n = (static_cast<int>(noise >> 16) - 32768) / 32768.0;
      const double l = 0.3 * std::sin(2 * M_PI * (220 + 20 * std::sin(t / 7)) * t) + 0.2 * std::sin(2 * M_PI * 660 * t) + 0.05 * n;
      const double r = 0.3 * std::sin(2 * M_PI * (330 + 30 * std::sin(t / 5)) * t) + 0.2 * std::sin(2 * M_PI * 1760 * t) + 0.05 * n;
      block[2 * i] = static_cast<int16_t>(std::lrint(32767 * l));
      block[2 * i + 1] = static_cast<int16_t>(std::lrint(32767 * r));
    }
    if (std::fwrite(block.data(), sizeof(int16_t), block.size(), lame) != block.size()) {
      pclose(lame);
      return false;
    }
  }
  return pclose(lame) == 0;
}

const std::string& Stream() {
  static const std::string bytes = [] {
    struct stat info {};
    // 600 s at 16000 bytes per second.
    if (stat(kFile, &info) != 0 || info.st_size < kSeconds * 16000 - 10000) {
      if (!MakeStream()) std::fprintf(stderr, "bench_decode: the lame tool could not make %s\n", kFile);
    }
    std::ifstream in(kFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  return bytes;
}

void BM_DecodeChain(benchmark::State& state) {
  const std::string& mp3 = Stream();
  if (mp3.empty()) {
    state.SkipWithError("no stream (is the lame tool installed?)");
    return;
  }
  const int piece = static_cast<int>(state.range(0));
  std::vector<char> pcm(16384);
  int64_t decoded = 0;
  for (auto _ : state) {
    MasterDekoder d;
    d.SetFormat(AudioFormat("44100 stereo 128 MPEG1"));
    decoded = 0;
    for (size_t at = 0; at < mp3.size(); at += static_cast<size_t>(piece)) {
      const int n = static_cast<int>(std::min(mp3.size() - at, static_cast<size_t>(piece)));
      d.Write(mp3.data() + at, n);
      for (int k; (k = d.ReadAnyNonBlocking(pcm.data(), static_cast<int>(pcm.size()))) > 0;) decoded += k;
    }
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(mp3.size()));
  state.counters["audio_s_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSeconds,
                                                       benchmark::Counter::kIsRate);
  state.counters["pcm_bytes"] = static_cast<double>(decoded);
}
BENCHMARK(BM_DecodeChain)->Arg(500)->Arg(16384)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference decoder: the mpg123 tool on the same file, its PCM to /dev/null.
void BM_Mpg123Tool(benchmark::State& state) {
  if (Stream().empty()) {
    state.SkipWithError("no stream (is the lame tool installed?)");
    return;
  }
  const char* argv[] = {"mpg123", "-q", "-s", kFile, nullptr};
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int r = posix_spawnp(&pid, "mpg123", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (r != 0) {
      state.SkipWithError("the mpg123 tool is not installed");
      return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("mpg123 failed");
      return;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Stream().size()));
  state.counters["audio_s_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSeconds,
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Mpg123Tool)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints the usual table, then each chain's time per decoding as a multiple of the tool's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.aggregate_name != "" && run.aggregate_name != "mean" && run.aggregate_name != "median") continue;
      times_[{run.aggregate_name, run.benchmark_name()}] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [key, time] : times_) {
      if (key.second.rfind("BM_Mpg123Tool", 0) == 0) continue;
      std::string tool = "BM_Mpg123Tool/real_time";
      if (!key.first.empty()) tool += "_" + key.first;
      const auto found = times_.find({key.first, tool});
      if (found == times_.end() || found->second <= 0) continue;
      std::printf("%-40s %8.1f ms  %5.2fx the mpg123 tool's %.1f ms\n", key.second.c_str(), time, time / found->second,
                  found->second);
    }
  }

 private:
  std::map<std::pair<std::string, std::string>, double> times_;
};

}  // namespace

int main(int argc, char** argv) { return bench::Uruchom<RatioReporter>(argc, argv); }
