#pragma once
// What the sound server plays, for the benchmarks that time audio as it is heard: a
// private PulseAudio daemon's null sink "ci" recorded from its monitor by parec, and where
// a tone begins in that recording. Header-only; benchmarks only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/TimeCode.h"
#include "audio/PulseTestDaemon.h"
#include "core/Czas.h"
#include "core/Roznica.h"

extern char** environ;

namespace bench {

// The first sample at or after `od` of 44100 Hz audio where a tone of `hz` at least half
// of `amplituda` fills a 5 ms window (a Goertzel filter, stepped by 1 ms), taken as the
// window's middle; -1 when there is none.
inline int64_t PoczatekTonu(const std::vector<int16_t>& probki, int64_t od, double hz, double amplituda) {
  constexpr int kRate = 44100;
  constexpr int kOkno = kRate / 200;
  const double k = 2 * std::cos(2 * M_PI * hz / kRate);
  for (int64_t i = std::max<int64_t>(od, 0); i + kOkno <= static_cast<int64_t>(probki.size()); i += kRate / 1000) {
    double s1 = 0, s2 = 0;
    for (int j = 0; j < kOkno; ++j) {
      const double s0 = probki[static_cast<size_t>(i + j)] + k * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    const double a = 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - k * s1 * s2)) / kOkno;
    if (a > amplituda / 2) return i + kOkno / 2;
  }
  return -1;
}

// What the sound server plays: its null sink's monitor recorded by parec (left channel
// kept), and for each piece read the moment it was read, so that a sample's place in the
// recording gives the moment it was played.
// Threads: a reader thread appends; the benchmark's thread reads; `mutex` guards both.
class Nagranie {
 public:
  static constexpr int kRate = 44100;

  Nagranie() {
    int rura[2];
    if (pipe2(rura, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, rura[1], 1);
    const char* argv[] = {"parec", "-d", "ci.monitor", "--rate=44100", "--channels=2", "--format=s16le",
                          "--latency-msec=2", "--raw", nullptr};
    if (posix_spawnp(&pid, "parec", &a, nullptr, const_cast<char**>(argv), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&a);
    close(rura[1]);
    wejscie = rura[0];
    czytnik = std::thread([this] { Czytaj(); });
  }
  ~Nagranie() {
    if (pid > 0) {
      kill(pid, SIGINT);
      waitpid(pid, nullptr, 0);
    }
    if (czytnik.joinable()) czytnik.join();
    if (wejscie >= 0) close(wejscie);
  }
  bool Dziala() const { return pid > 0; }
  int64_t Ile() {
    std::lock_guard<std::mutex> l(mutex);
    return static_cast<int64_t>(lewy.size());
  }
  // The first sample at or after `od` where a tone of `hz` at least half of its amplitude
  // fills a 5 ms window, taken as its middle; -1 when none yet.
  int64_t Poczatek(int64_t od, double hz, double amplituda) {
    std::lock_guard<std::mutex> l(mutex);
    return PoczatekTonu(lewy, od, hz, amplituda);
  }
  // The moment sample n was played: the reads that came soonest after their samples give
  // the recording's start.
  std::chrono::steady_clock::time_point Kiedy(int64_t n) {
    std::lock_guard<std::mutex> l(mutex);
    return start + std::chrono::nanoseconds(n * 1000000000 / kRate);
  }

 private:
  void Czytaj() {
    std::vector<char> bufor(1 << 14);
    std::string reszta;
    for (;;) {
      const ssize_t n = read(wejscie, bufor.data(), bufor.size());
      const auto teraz = std::chrono::steady_clock::now();
      if (n <= 0) return;
      reszta.append(bufor.data(), static_cast<size_t>(n));
      std::lock_guard<std::mutex> l(mutex);
      size_t i = 0;
      for (; i + 4 <= reszta.size(); i += 4) {
        lewy.push_back(static_cast<int16_t>(static_cast<uint8_t>(reszta[i]) | (static_cast<uint8_t>(reszta[i + 1]) << 8)));
      }
      reszta.erase(0, i);
      const auto poczatek = teraz - std::chrono::nanoseconds(static_cast<int64_t>(lewy.size()) * 1000000000 / kRate);
      if (!maStart || poczatek < start) start = poczatek;
      maStart = true;
    }
  }

  pid_t pid = -1;
  int wejscie = -1;
  std::thread czytnik;
  std::mutex mutex;
  std::vector<int16_t> lewy;
  std::chrono::steady_clock::time_point start;
  bool maStart = false;
};

// The UTC second (since 1970) of a moment.
inline int64_t SekundaUnix(Czas t) { return (t.Wartosc() - TimeCode::kEpokaUnix) / Roznica::Sekunda.Wartosc(); }

// `demon` started and its null sink's monitor recorded; none (the benchmark skipped with
// the reason) when either cannot run.
inline std::unique_ptr<Nagranie> NagranieMonitora(benchmark::State& state, PulseTestDaemon& demon) {
  const std::string czemu = demon.Start(Nagranie::kRate);
  if (!czemu.empty()) {
    state.SkipWithError(("no PulseAudio daemon: " + czemu).c_str());
    return nullptr;
  }
  auto nagranie = std::make_unique<Nagranie>();
  if (!nagranie->Dziala()) {
    state.SkipWithError("parec does not run");
    return nullptr;
  }
  return nagranie;
}

}  // namespace bench
