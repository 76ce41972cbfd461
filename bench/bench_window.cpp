// The main window, KorwendoGra, as a person runs it: under a private X server (Xvfb with a
// screen 1800 pixels wide, so that the window is 1600 wide), playing the demo station
// Zegar of a `korwendo-server --demo` on loopback through a private PulseAudio daemon
// whose null sink's monitor is recorded. The demo archive is a new one in $TMPDIR each
// run; the run waits until the server has recorded its two hours of backlog (its CPU
// falls below 5 % of a core), so that its work does not weigh on the figures.
//
// BM_StartToHeard: KorwendoGra started (a new process each time) with a settings directory
// that resumes at Zegar 150 ms into the first tone of a second 5 to 9 minutes ago; timed
// from the start of the process to the middle of the first 5 ms in which that tone sounds
// on the monitor. That is later than the audio's submission to the sound server by the
// sound server's own latency (BM_ResetToHeard in bench_player: about 1.5 ms). 10 starts,
// each ended with SIGTERM. Counters p50_ms, p99_ms, max_ms.
//
// BM_WindowCpuWhilePlaying: the CPU time of the KorwendoGra process (every thread: the
// window and its axis, the player core, decoding, the sound output) over 60 s of playing
// in a visible window, as a share of one core (cpu_pct); the X server's share, which
// draws what the window sends (x_server_pct); the window's width as the X server has it
// (window_width); each thread's share by its name, the window's own thread as gui_pct.
// KG_BENCH_CPU_S sets the 60 s.
//
// BM_TickWhilePlaying: the window in this process, playing for KG_BENCH_WINDOW_S seconds
// (600 by default), with a command every 3 s in turn: keypad 3 (+5 s), a station change to
// Dwójka, keypad 4 (-1 min), "Stop", "Graj", a station change back to Zegar, keypad 1
// (-5 s). The window's own record of its 10 ms ticks (the inbox, the logic, moving the
// axis and the panels; TForm3::CzasyTicku): ticks, p50_ms, p99_ms, max_ms; commands.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/TimeCode.h"
#include "audio/AudioOutputChoice.h"
#include "audio/PulseTestDaemon.h"
#include "bench/BenchSupport.h"
#include "bench/NagranieMonitora.h"
#include "support/ProcesTestowy.h"
#include "support/SerwerX.h"
#include "support/TempDir.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"
#include "window/SterowaniePlayera.h"

namespace {

using Zegar = std::chrono::steady_clock;
using bench::Nagranie;

// Seconds on a CPU of process `pid` (user and system); negative when it cannot be read.
double CzasProcesu(pid_t pid, pid_t tid = 0) {
  std::ifstream f("/proc/" + std::to_string(pid) + (tid > 0 ? "/task/" + std::to_string(tid) : std::string()) + "/stat");
  std::string linia;
  if (!std::getline(f, linia)) return -1;
  // The fields after the command's name in parentheses: state is field 3, utime 14, stime 15.
  std::istringstream s(linia.substr(linia.rfind(')') + 2));
  std::string pole;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && s >> pole; ++i) {
    if (i == 14) utime = std::atof(pole.c_str());
    if (i == 15) stime = std::atof(pole.c_str());
  }
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Seconds on a CPU of each thread of process `pid`, by the thread's name (threads of one
// name summed).
std::map<std::string, double> CzasyWatkow(pid_t pid) {
  std::map<std::string, double> t;
  const std::string zadania = "/proc/" + std::to_string(pid) + "/task";
  std::error_code e;
  for (const auto& w : std::filesystem::directory_iterator(zadania, e)) {
    std::string nazwa;
    std::getline(std::ifstream(w.path() / "comm"), nazwa);
    const pid_t tid = std::atoi(w.path().filename().c_str());
    t[tid == pid ? std::string("gui") : nazwa] += CzasProcesu(pid, tid);
  }
  return t;
}

// The demo server, the X server and the sound server of every benchmark here, made at the
// first use and kept to the end; `blad` says why they are not there.
struct Otoczenie {
  TempDir katalog;  // destroyed last: the server writes into it
  std::string blad;
  std::unique_ptr<Proces> serwer;
  int port = 0;
  PulseTestDaemon dzwiek;
  std::unique_ptr<Nagranie> nagranie;

  Otoczenie() {
    if (!SerwerX::Jeden("1800x1000x24").Dziala()) {
      blad = "Xvfb could not be started";
      return;
    }
    // A new archive each run: a kept one would have holes where no run recorded.
    const std::string archiwum = katalog / "archiwum";
    std::filesystem::create_directories(archiwum);
    auto [p, n] = StartSerweraTestowego(KG_SERVER, {"--demo", "--archive", archiwum}, archiwum);
    serwer = std::move(p);
    port = n;
    if (port == 0) {
      blad = "the demo server did not start";
      return;
    }
    // The backlog is recorded newest first at full speed, starting a moment after the
    // server listens: its start (the server busy), then its end (quiet again) is awaited.
    bool zajety = false;
    for (int i = 0; i < 120; ++i) {
      const double a = CzasProcesu(serwer->Pid());
      std::this_thread::sleep_for(std::chrono::seconds(2));
      const double b = CzasProcesu(serwer->Pid()) - a;
      zajety = zajety || b > 0.5;
      if ((zajety || i >= 10) && b < 0.1) break;
    }
    if (const std::string czemu = dzwiek.Start(Nagranie::kRate); !czemu.empty()) {
      blad = "no PulseAudio daemon: " + czemu;
      return;
    }
    nagranie = std::make_unique<Nagranie>();
    if (!nagranie->Dziala()) blad = "parec does not run";
  }
  String Adres() const { return "127.0.0.1:" + std::to_string(port); }
};

// The environment, or none when it is not there (the benchmark is then skipped with why).
Otoczenie* Gotowe(benchmark::State& state) {
  static Otoczenie o;
  if (o.blad.empty()) return &o;
  state.SkipWithError(o.blad.c_str());
  return nullptr;
}

// A moment 150 ms into the first tone of a second 5 to 9 minutes ago whose tone is at
// least 1000 Hz, and that tone; the `zapas` seconds from it are recorded (the demo
// stations record nothing in [hh:20, hh:22) UTC).
std::pair<Czas, int> MomentZTonem(std::mt19937_64& los, int zapas = 10) {
  const auto nagrana = [](int64_t s) { return (s / 60) % 60 != 20 && (s / 60) % 60 != 21; };
  for (;;) {
    const Czas t = Czas::Teraz() - Roznica::Minuta * 5 - Roznica::Sekunda * static_cast<int64_t>(los() % 240);
    const int64_t s = bench::SekundaUnix(t);
    const int ton = TimeCode::Ton(s, 1);
    if (ton < 1000 || !nagrana(s) || !nagrana(s + zapas) || !nagrana(s + zapas / 2)) continue;
    return {Czas(TimeCode::kEpokaUnix + s * Roznica::Sekunda.Wartosc()) + Roznica::Milisekunda * 150, ton};
  }
}

// A settings directory whose server list holds the demo server and whose resume position
// is Zegar at `t`.
void Ustawienia(const std::string& katalog, const String& adres, Czas t) {
  std::filesystem::create_directories(katalog);
  std::ofstream(katalog + "/KorwendoGra.ini", std::ios::binary) << "[Serwery]\r\nSerwer0=" << adres << "\r\n";
  std::ofstream(katalog + "/KorwendoGraU.ini", std::ios::binary)
      << "[StartPos]\r\nName=Zegar@" << adres << "\r\nTime=" << t.NapisHex() << "\r\n";
}

// KorwendoGra started on the resume position of `katalog`, on the pulse output.
std::unique_ptr<Proces> Uruchom(const std::string& katalog) {
  return std::make_unique<Proces>(std::vector<String>{KG_WINDOW, "--config", katalog, "--audio", "pulse"}, katalog);
}

// Waits up to `ms` for the tone `hz` on the monitor from sample `od` on; the moment its
// first 5 ms sounded, or none.
std::optional<Zegar::time_point> Uslyszany(Nagranie& n, int64_t od, double hz, int ms) {
  for (int i = 0; i < ms / 5; ++i) {
    const int64_t s = n.Poczatek(od, hz, 16384);
    if (s >= 0) return n.Kiedy(s);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return std::nullopt;
}

void BM_StartToHeard(benchmark::State& state) {
  Otoczenie* srodowisko = Gotowe(state);
  if (srodowisko == nullptr) return;
  Otoczenie& o = *srodowisko;
  TempDir katalog;
  std::mt19937_64 los(5);
  std::vector<double> ms;
  // One start first, which also loads the program and its libraries into the page cache.
  bool rozgrzany = false;
  for (auto _ : state) {
    for (;;) {
      const auto [t, hz] = MomentZTonem(los);
      Ustawienia(katalog / "ustawienia", o.Adres(), t);
      const int64_t od = o.nagranie->Ile();
      const auto t0 = Zegar::now();
      auto program = Uruchom(katalog / "ustawienia");
      const auto uslyszany = Uslyszany(*o.nagranie, od, hz, 10000);
      program->Sygnal(SIGTERM);
      program->Koniec(10000);
      if (!uslyszany) {
        state.SkipWithError(("the resumed station was not heard within 10 s: " + program->Tekst()).c_str());
        return;
      }
      const double sek = std::chrono::duration<double>(*uslyszany - t0).count();
      // The sound server quiet again before the next start.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (!rozgrzany) {
        rozgrzany = true;
        continue;
      }
      state.SetIterationTime(sek);
      ms.push_back(sek * 1000);
      break;
    }
  }
  bench::Percentyle(state, ms);
}
BENCHMARK(BM_StartToHeard)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// The width of the window named "KorwendoGra - Zegar" as the X server has it; 0 when unknown.
int SzerokoscOkna() {
  FILE* p = popen("xdotool search --name '^KorwendoGra - Zegar$' getwindowgeometry --shell 2>/dev/null", "r");
  if (p == nullptr) return 0;
  char linia[128];
  int szerokosc = 0;
  while (std::fgets(linia, sizeof linia, p) != nullptr) {
    if (std::strncmp(linia, "WIDTH=", 6) == 0) szerokosc = std::atoi(linia + 6);
  }
  pclose(p);
  return szerokosc;
}

void BM_WindowCpuWhilePlaying(benchmark::State& state) {
  Otoczenie* srodowisko = Gotowe(state);
  if (srodowisko == nullptr) return;
  Otoczenie& o = *srodowisko;
  TempDir katalog;
  std::mt19937_64 los(7);
  for (auto _ : state) {
    const auto [t, hz] = MomentZTonem(los, 90);
    Ustawienia(katalog / "ustawienia", o.Adres(), t);
    const int64_t od = o.nagranie->Ile();
    auto program = Uruchom(katalog / "ustawienia");
    if (!Uslyszany(*o.nagranie, od, hz, 10000)) {
      state.SkipWithError(("the resumed station was not heard: " + program->Tekst()).c_str());
      return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    state.counters["window_width"] = SzerokoscOkna();
    const char* s = std::getenv("KG_BENCH_CPU_S");
    const double kOkno = s != nullptr && std::atoi(s) > 0 ? std::atoi(s) : 60;
    const auto w0 = CzasyWatkow(program->Pid());
    const double p0 = CzasProcesu(program->Pid());
    const double x0 = CzasProcesu(SerwerX::Jeden().Pid());
    const int64_t probek0 = o.nagranie->Ile();
    std::this_thread::sleep_for(std::chrono::duration<double>(kOkno));
    const double p1 = CzasProcesu(program->Pid());
    const double x1 = CzasProcesu(SerwerX::Jeden().Pid());
    state.counters["cpu_pct"] = 100 * (p1 - p0) / kOkno;
    // The threads' shares: "gui" is the window's thread.
    for (const auto& [nazwa, sek] : CzasyWatkow(program->Pid())) {
      const auto a = w0.find(nazwa);
      const double udzial = 100 * (sek - (a == w0.end() ? 0 : a->second)) / kOkno;
      if (udzial >= 0.05) state.counters[nazwa + "_pct"] = udzial;
    }
    state.counters["x_server_pct"] = 100 * (x1 - x0) / kOkno;
    // The monitor went on recording: the seconds it carried, to show that it played.
    state.counters["monitor_s"] = static_cast<double>(o.nagranie->Ile() - probek0) / Nagranie::kRate;
    program->Sygnal(SIGTERM);
    program->Koniec(10000);
  }
}
BENCHMARK(BM_WindowCpuWhilePlaying)->Iterations(1)->Unit(benchmark::kSecond);

void BM_TickWhilePlaying(benchmark::State& state) {
  Otoczenie* srodowisko = Gotowe(state);
  if (srodowisko == nullptr) return;
  Otoczenie& o = *srodowisko;
  const char* s = std::getenv("KG_BENCH_WINDOW_S");
  const int sekundy = s != nullptr && std::atoi(s) > 0 ? std::atoi(s) : 600;
  static int argc = 1;
  static char nazwa[] = "bench_window";
  static char* argv[] = {nazwa, nullptr};
  static QApplication app(argc, argv);
  SetAudioOutput(ResolveAudioOutput(String("pulse")));
  TempDir katalog;
  std::mt19937_64 los(9);
  for (auto _ : state) {
    OpcjeOkna opcje;
    opcje.katalog = katalog / "ustawienia";
    opcje.serwery = {o.Adres()};
    opcje.stacja = "Zegar@" + o.Adres();
    opcje.od = MomentZTonem(los).first;
    TForm3 okno(opcje);
    okno.FormCreate();
    okno.show();
    for (int i = 0; i < 1000 && okno.windowTitle() != "KorwendoGra - Zegar"; ++i) QTest::qWait(10);
    if (okno.windowTitle() != "KorwendoGra - Zegar") {
      state.SkipWithError("the window did not connect");
      return;
    }
    const std::vector<std::function<void()>> komendy = {
        [&] { okno.Logika().Wykonaj(Polecenie::Naprzod5s); },
        [&] { okno.Player().ZmienStacje("Dwójka@" + o.Adres()); },
        [&] { okno.Logika().Wykonaj(Polecenie::Wstecz1min); },
        [&] { okno.Button4->click(); },
        [&] { okno.Button3->click(); },
        [&] { okno.Player().ZmienStacje("Zegar@" + o.Adres()); },
        [&] { okno.Logika().Wykonaj(Polecenie::Wstecz5s); },
    };
    okno.CzasyTicku() = RozkladCzasow();  // the ticks of the run itself, not of the start
    int wydane = 0;
    const auto koniec = Zegar::now() + std::chrono::seconds(sekundy);
    while (Zegar::now() < koniec) {
      QTest::qWait(3000);
      komendy[static_cast<size_t>(wydane) % komendy.size()]();
      ++wydane;
    }
    const RozkladCzasow& r = okno.CzasyTicku();
    state.counters["ticks"] = static_cast<double>(r.Ile());
    state.counters["p50_ms"] = r.Percentyl(0.5);
    state.counters["p99_ms"] = r.Percentyl(0.99);
    state.counters["max_ms"] = r.MaksimumMs();
    state.counters["commands"] = wydane;
    okno.close();
  }
}
BENCHMARK(BM_TickWhilePlaying)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
