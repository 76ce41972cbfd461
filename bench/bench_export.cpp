// The export: seconds of audio exported per second of wall time (audio_s_per_s) by the
// korwendo-export executable from a korwendo-server on loopback, both real processes,
// for one hour of "Zegar" (the demo time code, 44100 Hz stereo 128 kbit/s layer III):
// BM_ExportRecorded (the MPEG audio as received) beside BM_CopyThroughLoopback (the same
// files read and sent through a loopback socket to a reader that writes them to a file),
// and BM_ExportPcm (decoded to a WAV file) beside BM_DecoderChain (the same bytes through
// the client's decoder chain alone, the PCM dropped). Goals: the recorded export at least
// half the copy's speed, the PCM export at least half the decoder chain's. The exports'
// after_start counter leaves out what starting the program and connecting cost (start_ms,
// the time of an export of one second).
//
// The archive: eight-minute files of one encoded stretch of the time code (eight minutes
// are whole frames), one after another over 64 minutes, made once in
// $TMPDIR/kg-bench-archive-export (some 60 MB).
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "archive/ArchiveFixtures.h"
#include "archive/RotterLayout.h"
#include "core/Log.h"
#include "decoder/MasterDekoder.h"
#include "korwendo-play/HeadlessPlayer.h"
#include "support/ProcesTestowy.h"

namespace {

using Zegar = std::chrono::steady_clock;

const Czas kPoczatek = fixtures::Utc(2024, 3, 5, 10);
const Roznica kKawalek = Roznica::Minuta * 8;
constexpr int kKawalkow = 8;
const Roznica kEksport = Roznica::Godzina;

std::filesystem::path Katalog() { return std::filesystem::temp_directory_path() / "kg-bench-archive-export"; }
std::filesystem::path Wyniki() { return std::filesystem::temp_directory_path() / "kg-bench-export-out"; }
RotterLayout Uklad() { return RotterLayout(RotterLayout::Rodzaj::Accurate, "mp3", "", true); }

// The archive, unless a finished one is there; returns its files in order.
std::vector<std::filesystem::path> Archiwum() {
  const std::filesystem::path k = Katalog();
  std::vector<std::filesystem::path> pliki;
  for (int i = 0; i < kKawalkow; ++i) pliki.push_back(k / Uklad().Sciezka(kPoczatek + kKawalek * i));
  if (std::filesystem::exists(k / ".gotowe")) return pliki;
  std::filesystem::remove_all(k);
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, kPoczatek);
  s.Kod(kKawalek);
  for (int i = 0; i < kKawalkow; ++i) {
    const Czas t = kPoczatek + kKawalek * i;
    fixtures::Zapisz(k.string(), Uklad().Sciezka(t), s.Bajty(), t + kKawalek + fixtures::kKoder);
  }
  std::ofstream(k / "stacje.conf") << "[Zegar]\nkatalog = " << k.string() << "\nuklad = accurate\nsufiks = mp3\nczas = utc\n";
  std::ofstream(k / ".gotowe") << "1\n";
  return pliki;
}

void Przygotuj() {
  static const bool raz = [] {
    const auto d = std::filesystem::temp_directory_path() / "kg-bench-log";
    std::filesystem::create_directories(d);
    SetLogBaseDirectory(d.string());
    std::signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)raz;
  std::filesystem::remove_all(Wyniki());
  std::filesystem::create_directories(Wyniki());
}

// korwendo-export of the hour, as recorded or as PCM, against a korwendo-server over the
// archive; the wall time of the exporter's run.
void Eksport(benchmark::State& state, bool pcm) {
  Przygotuj();
  Archiwum();
  auto [serwer, port] = StartSerweraTestowego(KG_SERVER, {"--config", (Katalog() / "stacje.conf").string()}, Wyniki().string());
  if (port == 0) {
    state.SkipWithError("korwendo-server did not start");
    return;
  }
  const String adres = "127.0.0.1:" + std::to_string(port);
  std::vector<String> a{KG_EXPORTER, "--server", adres, "--station", "Zegar", "--from", NapisIso(kPoczatek), "--to",
                        NapisIso(kPoczatek + kEksport), "--output", "x"};
  if (pcm) a.push_back("--pcm");
  // Each run writes the file again.
  a.push_back("--overwrite");
  // The server's first look at the archive, so that it is not measured; then the time of
  // an export of one second: what starting the program and connecting cost.
  std::vector<String> sekunda = a;
  sekunda[8] = NapisIso(kPoczatek + Roznica::Sekunda);
  sekunda[10] = "s";
  {
    Proces p(sekunda, Wyniki().string());
    p.Koniec(120000);
  }
  double rozruch = 0;
  for (int i = 0; i < 3; ++i) {
    const auto t0 = Zegar::now();
    Proces p(sekunda, Wyniki().string());
    p.Koniec(60000);
    rozruch += std::chrono::duration<double>(Zegar::now() - t0).count() / 3;
  }
  double sekundy = 0;
  for (auto _ : state) {
    const auto start = Zegar::now();
    Proces p(a, Wyniki().string());
    const std::optional<int> kod = p.Koniec(600000);
    const double s = std::chrono::duration<double>(Zegar::now() - start).count();
    if (kod != 0) {
      state.SkipWithError(("korwendo-export failed: " + p.Tekst()).c_str());
      return;
    }
    state.SetIterationTime(s);
    sekundy += s;
  }
  const double audio = static_cast<double>(kEksport.Wartosc()) / Roznica::Sekunda.Wartosc();
  state.counters["audio_s_per_s"] = audio * static_cast<double>(state.iterations()) / sekundy;
  // The same without the start: the speed of the export itself.
  state.counters["after_start"] = audio * static_cast<double>(state.iterations()) / (sekundy - rozruch * static_cast<double>(state.iterations()));
  state.counters["start_ms"] = rozruch * 1000;
  std::error_code e;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(Wyniki() / (pcm ? "x.wav" : "x.mp3"), e)) / 1e6;
  std::filesystem::remove_all(Wyniki());
}

void BM_ExportRecorded(benchmark::State& state) { Eksport(state, false); }
void BM_ExportPcm(benchmark::State& state) { Eksport(state, true); }

// The hour's files (7.5 of the 8) read and sent through a loopback socket in 64 KB
// pieces to a thread that writes them to a file.
void BM_CopyThroughLoopback(benchmark::State& state) {
  Przygotuj();
  const std::vector<std::filesystem::path> pliki = Archiwum();
  const double godzina = static_cast<double>(kEksport.Wartosc()) / static_cast<double>((kKawalek * kKawalkow).Wartosc());
  double sekundy = 0;
  for (auto _ : state) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t l = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 1);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &l);
    const auto start = Zegar::now();
    std::thread odbiorca([s, &l] {
      sockaddr_in z{};
      const int c = accept(s, reinterpret_cast<sockaddr*>(&z), &l);
      std::ofstream out(Wyniki() / "kopia.mp3", std::ios::binary);
      std::vector<char> b(65536);
      ssize_t n;
      while ((n = recv(c, b.data(), b.size(), 0)) > 0) out.write(b.data(), n);
      close(c);
    });
    const int c = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int64_t zostalo = 0;
    for (const auto& p : pliki) zostalo += static_cast<int64_t>(std::filesystem::file_size(p));
    zostalo = static_cast<int64_t>(static_cast<double>(zostalo) * godzina);
    std::vector<char> b(65536);
    for (const auto& p : pliki) {
      std::ifstream f(p, std::ios::binary);
      while (zostalo > 0 && f.read(b.data(), static_cast<std::streamsize>(std::min<int64_t>(zostalo, 65536))).gcount() > 0) {
        const auto n = f.gcount();
        for (ssize_t w = 0; w < n;) w += send(c, b.data() + w, static_cast<size_t>(n - w), MSG_NOSIGNAL);
        zostalo -= n;
      }
    }
    close(c);
    odbiorca.join();
    close(s);
    const double t = std::chrono::duration<double>(Zegar::now() - start).count();
    state.SetIterationTime(t);
    sekundy += t;
  }
  const double audio = static_cast<double>(kEksport.Wartosc()) / Roznica::Sekunda.Wartosc();
  state.counters["audio_s_per_s"] = audio * static_cast<double>(state.iterations()) / sekundy;
  std::filesystem::remove_all(Wyniki());
}

// The hour's MPEG bytes through the client's decoder chain (MasterDekoder) in the 16 KB
// pieces of the export's packets, the PCM taken out and dropped.
void BM_DecoderChain(benchmark::State& state) {
  Przygotuj();
  const std::vector<std::filesystem::path> pliki = Archiwum();
  std::string kawalek;
  {
    std::ifstream f(pliki[0], std::ios::binary);
    kawalek.assign(std::istreambuf_iterator<char>(f), {});
  }
  const double godzina = static_cast<double>(kEksport.Wartosc()) / static_cast<double>(kKawalek.Wartosc());
  const int64_t bajty = static_cast<int64_t>(static_cast<double>(kawalek.size()) * godzina);
  std::vector<char> pcm(1 << 16);
  int64_t wyszlo = 0;
  for (auto _ : state) {
    MasterDekoder d;
    d.SetFormat(AudioFormat("44100 stereo 128 MPEG1"));
    for (int64_t od = 0; od < bajty;) {
      const size_t w = static_cast<size_t>(od % static_cast<int64_t>(kawalek.size()));
      const int n = static_cast<int>(std::min<int64_t>({16384, bajty - od, static_cast<int64_t>(kawalek.size() - w)}));
      d.Write(kawalek.data() + w, n);
      od += n;
      int k;
      while ((k = d.ReadAnyNonBlocking(pcm.data(), static_cast<int>(pcm.size()))) > 0) wyszlo += k;
    }
  }
  benchmark::DoNotOptimize(wyszlo);
  const double audio = static_cast<double>(kEksport.Wartosc()) / Roznica::Sekunda.Wartosc();
  // Per second of wall time, as the exports are measured (UseRealTime).
  state.counters["audio_s_per_s"] = benchmark::Counter(audio * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["pcm_s"] = static_cast<double>(wyszlo) / static_cast<double>(state.iterations()) / 176400.0;
}

BENCHMARK(BM_CopyThroughLoopback)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRecorded)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecoderChain)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPcm)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
