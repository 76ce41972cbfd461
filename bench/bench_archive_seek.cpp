// The archive side of the server: how long it takes to find and read the first audio at a
// random moment of a 24-hour archive (hourly MP3 files of varying bit rate, cut as Rotter
// cuts them), how fast such an archive is indexed, and how fast the demo recorder writes
// its backlog (seconds of audio of all stations per second).
//
// The 24-hour archive (about 1.4 GB) is made once in $TMPDIR/kg-bench-archive-24h and
// reused; seeks are timed with the files in the page cache.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "archive/Archive.h"
#include "archive/ArchiveFixtures.h"
#include "archive/ArchiveReader.h"
#include "archive/DemoRecorder.h"
#include "bench/Archiwum24h.h"

namespace {

using archiwum24h::kPoczatek;
using archiwum24h::Uklad;

Archive& Zaindeksowane() {
  static Archive* a = [] {
    archiwum24h::Zrob();
    auto* archiwum = new Archive(KonfiguracjaArchiwum{"bench", archiwum24h::Katalog(), Uklad()});
    archiwum->Odswiez();
    return archiwum;
  }();
  return *a;
}

void Percentyle(benchmark::State& state, std::vector<double>& us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters["p50_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
  state.counters["max_us"] = us.back();
}

// Seek to a random moment and read the first block of about a second of audio.
void BM_ArchiveSeekAndFirstRead(benchmark::State& state) {
  Archive& a = Zaindeksowane();
  const auto p = a.Przedzialy();
  if (p.size() != 1) {
    state.SkipWithError("archive not one interval");
    return;
  }
  std::mt19937_64 los(1);
  const uint64_t zakres = static_cast<uint64_t>((p[0].koniec - p[0].poczatek).Wartosc());
  std::vector<double> us;
  ArchiveReader::Blok b;
  for (auto _ : state) {
    const Czas t = p[0].poczatek + Roznica(static_cast<int64_t>(los() % zakres));
    const auto t0 = std::chrono::steady_clock::now();
    ArchiveReader r(a);
    r.Seek(t);
    const bool ok = r.Czytaj(16000, b);
    const auto t1 = std::chrono::steady_clock::now();
    if (!ok || b.czas > t) {
      state.SkipWithError("no audio at the moment");
      return;
    }
    benchmark::DoNotOptimize(b.dane.data());
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  Percentyle(state, us);
}
BENCHMARK(BM_ArchiveSeekAndFirstRead)->Iterations(5000)->Unit(benchmark::kMicrosecond);

// Indexing the whole 24-hour archive from nothing (files in the page cache).
void BM_ArchiveIndex24h(benchmark::State& state) {
  Zaindeksowane();
  int64_t bajty = 0;
  for (const auto& e : std::filesystem::directory_iterator(archiwum24h::Katalog())) {
    if (e.is_regular_file()) bajty += static_cast<int64_t>(e.file_size());
  }
  for (auto _ : state) {
    Archive a(KonfiguracjaArchiwum{"bench", archiwum24h::Katalog(), Uklad()});
    a.Odswiez();
    benchmark::DoNotOptimize(a.Przedzialy());
  }
  state.SetBytesProcessed(bajty * state.iterations());
}
BENCHMARK(BM_ArchiveIndex24h)->Iterations(2)->Unit(benchmark::kMillisecond);

// The demo backlog: 16 minutes of each of the three stations, on the recorder's own
// threads; the clock stands in a break so that live recording waits.
void BM_DemoBacklog(benchmark::State& state) {
  const Czas teraz = fixtures::Utc(2024, 3, 5, 14, 21);
  double sekundy = 0;
  double czas = 0;
  for (auto _ : state) {
    const std::string katalog = (std::filesystem::temp_directory_path() / "kg-bench-demo").string();
    std::filesystem::remove_all(katalog);
    OpcjeDemo o;
    o.zaleglosci = Roznica::Minuta * 16;
    o.kawalek = Roznica::Sekunda * 96;
    o.zegar = [teraz] { return teraz; };
    const auto t0 = std::chrono::steady_clock::now();
    DemoRecorder r(katalog, o);
    r.Start();
    r.CzekajNaZaleglosci(600000);
    czas += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    sekundy += r.SekundyZaleglosci();
    r.Stop();
    std::filesystem::remove_all(katalog);
  }
  state.counters["audio_s_per_s"] = sekundy / czas;
}
BENCHMARK(BM_DemoBacklog)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
