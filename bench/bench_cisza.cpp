// The server's analysis of silences (CiszaStacji, from nothing learned) beside a full
// decode of the same audio (every frame through libmpg123, as read from the archive), for
// one hour of each demo station with the demo's silences: the CPU time of each as a
// multiple of real time ("x_real_time": seconds of audio per CPU second; the goal for the
// analysis is 1000 per core, a day of one station in under 90 s). The analysis also
// reports the silences it found (two an hour are 10 s or longer) and the seconds it decoded.
//
// The hour, 14:22-15:20 UTC of a fixed day plus the piece before, is recorded once by the
// demo recorder into $TMPDIR/kg-bench-cisza (about a minute) and kept.
#include <benchmark/benchmark.h>
#include <time.h>

#include <filesystem>
#include <memory>

#include "archive/ArchiveReader.h"
#include "archive/CiszaStacji.h"
#include "archive/DemoRecorder.h"
#include "common/AudioFormat.h"
#include "core/Log.h"
#include "decoder/Mpg123State.h"

namespace {

const Czas kKoniec = Czas::ZKalendarza(SystemTime{2024, 3, 2, 5, 15, 20, 0, 0});

std::string Katalog() { return (std::filesystem::temp_directory_path() / "kg-bench-cisza").string(); }

double CzasCpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The demo archive of the hour before kKoniec, recorded unless already there.
DemoRecorder& Nagranie() {
  static std::unique_ptr<DemoRecorder> r = [] {
    const auto log = std::filesystem::temp_directory_path() / "kg-bench-log";
    std::filesystem::create_directories(log);
    SetLogBaseDirectory(log.string());
    OpcjeDemo o;
    o.zaleglosci = Roznica::Godzina;
    o.zegar = [] { return kKoniec; };
    o.cisze = true;
    auto n = std::make_unique<DemoRecorder>(Katalog(), o);
    n->Start();
    n->CzekajNaZaleglosci(3600 * 1000);
    n->Stop();
    return n;
  }();
  return *r;
}

std::shared_ptr<Archive> Archiwum(int stacja) {
  auto a = std::make_shared<Archive>(Nagranie().Archiwum(DemoRecorder::Stacje()[static_cast<size_t>(stacja)]));
  a->Odswiez();
  return a;
}

double Sekundy(const Archive& a) {
  double s = 0;
  for (const ZakresCzasu& z : a.Przedzialy()) s += static_cast<double>((z.koniec - z.poczatek).Wartosc()) / 1e7;
  return s;
}

void BM_Analiza(benchmark::State& state) {
  const auto a = Archiwum(static_cast<int>(state.range(0)));
  state.SetLabel(DemoRecorder::Stacje()[static_cast<size_t>(state.range(0))].nazwa);
  double cpu = 0;
  double audio = 0;
  size_t cisze = 0;
  double zdekodowane = 0;
  for (auto _ : state) {
    CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, "", [] { return kKoniec; }});
    const double t0 = CzasCpu();
    while (c.Krok()) {
    }
    cpu += CzasCpu() - t0;
    audio += Sekundy(*a);
    cisze = c.Cisze().size();
    zdekodowane = c.Zdekodowane();
  }
  state.counters["x_real_time"] = audio / cpu;
  state.counters["silences"] = static_cast<double>(cisze);
  state.counters["decoded_s"] = zdekodowane;
  state.counters["audio_s"] = Sekundy(*a);
}

void BM_PelneDekodowanie(benchmark::State& state) {
  const auto a = Archiwum(static_cast<int>(state.range(0)));
  state.SetLabel(DemoRecorder::Stacje()[static_cast<size_t>(state.range(0))].nazwa);
  double cpu = 0;
  double audio = 0;
  for (auto _ : state) {
    const double t0 = CzasCpu();
    ArchiveReader r(*a);
    r.Seek(Czas());
    ArchiveReader::Blok b;
    std::unique_ptr<Mpg123State> mpeg;
    std::vector<unsigned char> wyjscie(Mpg123State::kMinimumOutput * 4);
    int64_t suma = 0;
    while (r.Czytaj(64 * 1024, b)) {
      if (AudioFormat(b.format).GetCompression() == "PCM") {
        for (size_t i = 0; i + 1 < b.dane.size(); i += 2) suma += static_cast<int16_t>(b.dane[i] | (b.dane[i + 1] << 8));
        continue;
      }
      if (!mpeg || b.przerwa) mpeg = std::make_unique<Mpg123State>();
      int n = 0;
      int w = mpeg->Decode(b.dane.data(), static_cast<int>(b.dane.size()), wyjscie.data(), static_cast<int>(wyjscie.size()), &n);
      while (w == Mpg123State::kFrame) {
        suma += wyjscie[0];
        w = mpeg->Decode(nullptr, 0, wyjscie.data(), static_cast<int>(wyjscie.size()), &n);
      }
    }
    benchmark::DoNotOptimize(suma);
    cpu += CzasCpu() - t0;
    audio += Sekundy(*a);
  }
  state.counters["x_real_time"] = audio / cpu;
}

BENCHMARK(BM_Analiza)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_PelneDekodowanie)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
