// CPU time the client spends per second of steady playback: the playback engine fed with
// packets of one second as the player core feeds it (more whenever less than 3 s are
// buffered), measured with the process's CPU clock over 10 s of real time once playback
// has settled. On the null output (paced by the clock) and on a sound server (a private
// PulseAudio daemon with a null sink, started by the benchmark; skipped when none can
// start), for an MPEG-1 layer III station and a PCM one.
//
// Counters: cpu_ms_per_s, the client process's CPU milliseconds per second of playback
// (every thread), and its parts: feeder_ms_per_s (the benchmark's own thread, standing in
// for the player core), playback_ms_per_s (the playback thread) and output_ms_per_s (the
// output's own threads: the null output's pacing thread, libpulse's main loop);
// server_ms_per_s, the sound server's (pulse only); played_s, the seconds heard in the
// measured span (a check that playback did not stall).
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/Grajek.h"
#include "audio/PulseTestDaemon.h"
#include "audio/WaveOutNull.h"
#include "audio/WaveOutPulse.h"

namespace {

constexpr int kMeasuredSeconds = 10;
constexpr int kStreamSeconds = 16;  // settling, measuring and what stays buffered
const Czas kT0(133400000000000000);

// A signal with some of music's variety, 16-bit interleaved.
std::vector<int16_t> Signal(int rate, int channels, int seconds) {
  std::vector<int16_t> out(static_cast<size_t>(rate) * static_cast<size_t>(channels) * static_cast<size_t>(seconds));
  uint32_t noise = 1;
  for (size_t i = 0; i < out.size() / static_cast<size_t>(channels); ++i) {
    const double t = static_cast<double>(i) / rate;
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      const double n = (static_cast<int>(noise >> 16) - 32768) / 32768.0;
      const double f = c == 0 ? 220 + 20 * std::sin(t / 7) : 330 + 30 * std::sin(t / 5);
      const double v = 0.3 * std::sin(2 * M_PI * f * t) + 0.2 * std::sin(2 * M_PI * 3 * f * t) + 0.05 * n;
      out[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = static_cast<int16_t>(std::lrint(32767 * v));
    }
  }
  return out;
}

std::string LittleEndian(const std::vector<int16_t>& pcm) {
  std::string out(pcm.size() * 2, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) {
    const uint16_t v = static_cast<uint16_t>(pcm[i]);
    out[2 * i] = static_cast<char>(v & 0xFF);
    out[2 * i + 1] = static_cast<char>(v >> 8);
  }
  return out;
}

// The stream of a 44100 Hz stereo 128 kbit/s layer III station, made with the lame tool;
// empty when the tool is missing.
std::string Mp3Stream() {
  const std::string path = "/tmp/korwendo-bench-playback.mp3";
  const std::string command =
      "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 --cbr - " + path + " 2>/dev/null";
  FILE* lame = popen(command.c_str(), "w");
  if (lame == nullptr) return std::string();
  const std::string pcm = LittleEndian(Signal(44100, 2, kStreamSeconds));
  const bool written = std::fwrite(pcm.data(), 1, pcm.size(), lame) == pcm.size();
  if (pclose(lame) != 0 || !written) return std::string();
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

struct Station {
  String format;
  int bytesPerSecond;  // of the encoded stream, as its format text states
  std::string stream;
};

const Station& Mpeg() {
  static const Station s{"44100 stereo 128 MPEG1", 16000, Mp3Stream()};
  return s;
}

const Station& Pcm() {
  // 22050 Hz mono: 44100 bytes a second, which the text's 352 kbit/s rounds to 44000.
  static const Station s{"22050 mono 352 PCM", 44000, LittleEndian(Signal(22050, 1, kStreamSeconds))};
  return s;
}

double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Nanoseconds a process has run on a CPU, from /proc/<pid>/schedstat; -1 when unknown.
double ProcessRunSeconds(pid_t pid) {
  if (pid <= 0) return -1;
  std::ifstream f("/proc/" + std::to_string(pid) + "/schedstat");
  long long ns = -1;
  if (!(f >> ns)) return -1;
  return static_cast<double>(ns) / 1e9;
}

// Seconds on a CPU of each thread of this process, by thread id.
using ThreadTimes = std::map<long, double>;

ThreadTimes Threads() {
  ThreadTimes t;
  DIR* d = opendir("/proc/self/task");
  if (d == nullptr) return t;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const std::string dir = std::string("/proc/self/task/") + e->d_name;
    std::ifstream stat(dir + "/schedstat");
    long long ns = 0;
    if (!(stat >> ns)) continue;
    t[std::atol(e->d_name)] = static_cast<double>(ns) / 1e9;
  }
  closedir(d);
  return t;
}

PulseTestDaemon* Daemon(std::string* why) {
  static PulseTestDaemon daemon;
  static const std::string reason = daemon.Start(44100);
  *why = reason;
  return reason.empty() ? &daemon : nullptr;
}

void SteadyPlayback(benchmark::State& state, bool pulse, const Station& (*station)()) {
  const Station& s = station();
  if (s.stream.empty()) {
    state.SkipWithError("the lame tool is missing: no MPEG stream");
    return;
  }
  pid_t server = 0;
  if (pulse) {
    std::string why;
    PulseTestDaemon* d = Daemon(&why);
    if (d == nullptr) {
      state.SkipWithError(("no PulseAudio daemon: " + why).c_str());
      return;
    }
    server = d->Pid();
  }
  for (auto _ : state) {
    std::unique_ptr<WaveOutDevice> device;
    if (pulse) {
      device = std::make_unique<WaveOutPulse>();
    } else {
      device = std::make_unique<WaveOutNull>();
    }
    Grajek grajek(nullptr, nullptr, std::move(device));
    grajek.Start();
    size_t at = 0;
    int64_t sent = 0;
    // The player core asks for more whenever less than 3 s are buffered.
    auto feed = [&] {
      while (at < s.stream.size() && grajek.IleWBuforze() < Roznica::Sekunda * 3) {
        const size_t n = std::min<size_t>(static_cast<size_t>(s.bytesPerSecond), s.stream.size() - at);
        PaczkaAudio p;
        p.numeraudia = 2;
        p.format = s.format;
        p.czas = kT0 + Roznica::Sekunda * sent;
        p.dane.SetSize(static_cast<int>(n));
        std::copy(s.stream.begin() + static_cast<long>(at), s.stream.begin() + static_cast<long>(at + n), p.dane.Data());
        grajek.Graj(p);
        at += n;
        ++sent;
      }
    };
    auto run = [&](int seconds) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
      while (std::chrono::steady_clock::now() < end) {
        feed();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
    };
    run(1);
    const Czas heard0 = grajek.GetCzas();
    const ThreadTimes threads0 = Threads();
    const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double server0 = ProcessRunSeconds(server);
    const auto wall0 = std::chrono::steady_clock::now();
    run(kMeasuredSeconds);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    const double serverCpu = ProcessRunSeconds(server) - server0;
    const ThreadTimes threads1 = Threads();
    const long playbackThread = static_cast<long>(grajek.GetPlayAudio()->ThreadId());
    double playback = 0, feeder = 0, output = 0;
    for (const auto& [tid, seconds] : threads1) {
      const auto before = threads0.find(tid);
      const double used = seconds - (before == threads0.end() ? 0 : before->second);
      if (tid == static_cast<long>(getpid())) {
        feeder += used;
      } else if (tid == playbackThread) {
        playback += used;
      } else {
        output += used;
      }
    }
    const Czas heard1 = grajek.GetCzas();
    state.SetIterationTime(wall);
    state.counters["cpu_ms_per_s"] = cpu * 1000 / wall;
    state.counters["playback_ms_per_s"] = playback * 1000 / wall;
    state.counters["feeder_ms_per_s"] = feeder * 1000 / wall;
    state.counters["output_ms_per_s"] = output * 1000 / wall;
    if (pulse && server0 >= 0) state.counters["server_ms_per_s"] = serverCpu * 1000 / wall;
    state.counters["played_s"] =
        static_cast<double>((heard1.Wartosc() - heard0.Wartosc())) / static_cast<double>(Roznica::Sekunda.Wartosc());
  }
}

BENCHMARK_CAPTURE(SteadyPlayback, null_mpeg, false, Mpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(SteadyPlayback, null_pcm, false, Pcm)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(SteadyPlayback, pulse_mpeg, true, Mpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(SteadyPlayback, pulse_pcm, true, Pcm)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
