// The player core (EsencjaPlayera) with the real playback engine on the null output,
// against a real Serwer on loopback. The server runs in a child process, so that this
// process's CPU clock counts the player side only. Its archive: four minutes of the time
// code as 128 kbit/s MP3 (44100 Hz stereo), made once in $TMPDIR/kg-bench-archive-player,
// served as two stations "A" and "B" over the same files.
//
// The moment audio reaches the output is the first buffer of PCM that the engine hands to
// the sound device (WaveOutDevice::Write) after the command's reset of the output (or
// after the output's opening, on a first connection): a device between the engine and
// the null output notes it. The null output plays in real time by the monotonic clock.
//
// BM_StationChangeNewConnection: ZmienStacje to a server not yet connected, playing: the
// connection, the greeting, the station's announcement and the first audio. A fresh
// player core each time.
// BM_StationChangeSameServer: ZmienStacje to the other station of the server already
// connected: one "zmienstacje" and the first audio of the new request.
// BM_SeekToFirstAudio: UstawPozycje to a random moment of the station being played.
// Each of them waits for the burst of the request before the next one, as a listener
// does; counters p50_ms, p99_ms, max_ms.
//
// BM_PlaybackCpu: the player's CPU over the first 20 s of playing from the start of the
// archive, from the station change on (the connection, receiving the audio, decoding and
// the output): cpu_ms_per_s (this process, every thread), and its parts:
// message_ms_per_s (the socket handlers and the audio requests), playback_ms_per_s
// (decoding, the playback thread), other_ms_per_s (the null output's pacing thread and
// the inbox reader, which stands in for the window); played_s, the seconds heard in those
// 20 s, and cpu_ms_per_played_s, the process's CPU per second heard. played_in_30s: the
// seconds heard in the first 30 s (30 when playback never runs dry; the player asks for
// more audio only when something arrives, so on an archive that does not grow it waits
// for the server's next ping once its first 20 s have played).
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

#include "archive/Archive.h"
#include "archive/ArchiveFixtures.h"
#include "archive/TimeCode.h"
#include "audio/PulseTestDaemon.h"
#include "audio/WaveOutNull.h"
#include "audio/WaveOutPulse.h"
#include "bench/NagranieMonitora.h"
#include "core/Log.h"
#include "net/Serwer.h"
#include "player/EsencjaPlayera.h"

// The archive server's classes; the client's of the same names are klient::.
using namespace serwer;

namespace {

using bench::Nagranie;
using bench::NagranieMonitora;
using bench::PoczatekTonu;
using bench::SekundaUnix;
using Zegar = std::chrono::steady_clock;

const Czas kPoczatek = fixtures::Utc(2024, 3, 5, 10);
const Roznica kDlugosc = Roznica::Minuta * 4;

std::string KatalogArchiwum() {
  return (std::filesystem::temp_directory_path() / "kg-bench-archive-player").string();
}

RotterLayout Uklad() { return RotterLayout(RotterLayout::Rodzaj::Accurate, "mp3", "", true); }

// Four one-minute files of one continuous encoded stream, each cut at a frame boundary.
void ZrobArchiwum() {
  const std::string katalog = KatalogArchiwum();
  if (std::filesystem::exists(katalog + "/.gotowe")) return;
  std::filesystem::remove_all(katalog);
  std::filesystem::create_directories(katalog);
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, kPoczatek);
  s.Kod(kDlugosc);
  int64_t od = 0;
  for (int m = 0; m < 4; ++m) {
    const bool ostatni = m == 3;
    const int64_t k = ostatni ? s.LiczbaRamek() : s.RamkaW(kPoczatek + Roznica::Minuta * (m + 1));
    const int64_t doBajtu = ostatni ? static_cast<int64_t>(s.Bajty().size()) : s.Offset(k);
    const Czas poczatek = s.CzasRamki(s.RamkaW(kPoczatek + Roznica::Minuta * m));
    fixtures::Zapisz(katalog, Uklad().Sciezka(poczatek),
                     s.Bajty().substr(static_cast<size_t>(od), static_cast<size_t>(doBajtu - od)),
                     s.CzasRamki(k) + fixtures::kKoder);
    od = doBajtu;
  }
  std::ofstream(katalog + "/.gotowe") << "1\n";
}

// Moments to play from: anywhere but the last 20 s, so that every request has its burst.
Czas Losowy(std::mt19937_64& los) {
  const uint64_t zakres = static_cast<uint64_t>((kDlugosc - Roznica::Sekunda * 20).Wartosc());
  return kPoczatek + Roznica(static_cast<int64_t>(los() % zakres));
}

// The server of the child process, for its SIGTERM handler.
std::atomic<Serwer*> gSerwer{nullptr};
void Koniec(int) {
  if (Serwer* s = gSerwer.load()) s->Zatrzymaj();
}

// A korwendo server on 127.0.0.1 in a child process, stopped (SIGTERM) when this ends.
class SerwerProces {
 public:
  SerwerProces() {
    const auto log = std::filesystem::temp_directory_path() / "kg-bench-log";
    std::filesystem::create_directories(log);
    SetLogBaseDirectory(log.string());
    ZrobArchiwum();
    int rura[2];
    if (pipe2(rura, O_CLOEXEC) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(rura[0]);
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      int p = 0;
      try {
        std::vector<std::unique_ptr<Stacja>> stacje;
        for (const char* nazwa : {"A", "B"}) {
          stacje.push_back(std::make_unique<Stacja>(
              nazwa, std::make_shared<Archive>(KonfiguracjaArchiwum{nazwa, KatalogArchiwum(), Uklad()})));
        }
        Serwer::Ustawienia u;
        u.host = "127.0.0.1";
        u.port = 0;
        Serwer s(std::move(stacje), u);
        s.Otworz();
        gSerwer = &s;
        struct sigaction a {};
        a.sa_handler = Koniec;
        sigaction(SIGTERM, &a, nullptr);
        p = s.Port();
        [[maybe_unused]] const ssize_t n = write(rura[1], &p, sizeof p);
        close(rura[1]);
        rura[1] = -1;
        s.Uruchom();
        gSerwer = nullptr;
      } catch (const std::exception& e) {
        Log(2, e.what(), KG_WHERE);
        if (rura[1] >= 0) {
          [[maybe_unused]] const ssize_t n = write(rura[1], &p, sizeof p);
        }
      }
      _exit(0);
    }
    close(rura[1]);
    if (pid > 0 && read(rura[0], &port, sizeof port) != sizeof port) port = 0;
    close(rura[0]);
  }
  ~SerwerProces() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  // 0 when the server did not start.
  int Port() const { return port; }
  String Cel(const String& stacja) const { return stacja + "@127.0.0.1:" + std::to_string(port); }

 private:
  pid_t pid = -1;
  int port = 0;
};

// Made at the first use, before any thread of the player exists, and kept to the end.
SerwerProces& Serwer0() {
  static SerwerProces s;
  return s;
}

// A sound device in front of another that notes when the first buffer after an armed
// moment is handed to it: armed by Uzbroj, it waits for the next Reset or Open (the
// engine's new stretch) and times the first Write after that. It also keeps the first
// channel of the first second written from then on, to show where in the new stretch's
// audio a sound begins.
// Threads: the engine calls the device operations under its playback lock; Uzbroj,
// Czekaj and Zapisane are called by the benchmark's thread; `mutex` guards the state.
class Podgladacz : public WaveOutDevice {
 public:
  explicit Podgladacz(std::unique_ptr<WaveOutDevice> d) : w(std::move(d)) {}

  void Uzbroj() {
    std::lock_guard<std::mutex> l(mutex);
    stan = Stan::Uzbrojony;
    zapisane.clear();
  }
  // The first channel of what was written since the armed Reset or Open (16-bit PCM).
  std::vector<int16_t> Zapisane() {
    std::lock_guard<std::mutex> l(mutex);
    return zapisane;
  }
  // The moment of the timed Write, or nothing after `limit`.
  std::optional<Zegar::time_point> Czekaj(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> l(mutex);
    if (!zmiana.wait_for(l, limit, [&] { return stan == Stan::Zapisany; })) return std::nullopt;
    return kiedy;
  }

  int Open(const WAVEFORMATEX& f, int bajty, EventAutomatic* e) override {
    const int r = w->Open(f, bajty, e);
    {
      std::lock_guard<std::mutex> l(mutex);
      kanaly = std::max<int>(f.nChannels, 1);
      naSekunde = static_cast<size_t>(f.nSamplesPerSec);
    }
    Nowy();
    return r;
  }
  void Close() override { w->Close(); }
  int Write(WAVEHDR* h) override {
    {
      std::lock_guard<std::mutex> l(mutex);
      if (stan == Stan::Czeka) {
        kiedy = Zegar::now();
        stan = Stan::Zapisany;
        zmiana.notify_all();
      }
      if (stan == Stan::Zapisany) {
        const auto* p = reinterpret_cast<const int16_t*>(h->lpData);
        const size_t probek = h->dwBufferLength / 2;
        for (size_t i = 0; i < probek && zapisane.size() < naSekunde; i += static_cast<size_t>(kanaly)) {
          zapisane.push_back(p[i]);
        }
      }
    }
    return w->Write(h);
  }
  int Reset() override {
    const int r = w->Reset();
    Nowy();
    return r;
  }
  int Pause() override { return w->Pause(); }
  int Restart() override { return w->Restart(); }
  int GetPosition(int64_t* b) override { return w->GetPosition(b); }
  bool PeekPosition(int64_t* b) override { return w->PeekPosition(b); }
  String LastError() override { return w->LastError(); }
  String Name() const override { return w->Name(); }

 private:
  enum class Stan { Spoczynek, Uzbrojony, Czeka, Zapisany };
  void Nowy() {
    std::lock_guard<std::mutex> l(mutex);
    if (stan == Stan::Uzbrojony) stan = Stan::Czeka;
  }

  std::unique_ptr<WaveOutDevice> w;
  std::mutex mutex;
  std::condition_variable zmiana;
  Stan stan = Stan::Spoczynek;
  Zegar::time_point kiedy;
  int kanaly = 2;
  size_t naSekunde = 44100;
  std::vector<int16_t> zapisane;
};

// The player core on its message thread, on the null output behind a Podgladacz, with a
// thread that empties its inbox every 100 ms as the window's timer does.
class Odtwarzacz {
 public:
  // On `urzadzenie`; none: the null output.
  explicit Odtwarzacz(std::unique_ptr<WaveOutDevice> urzadzenie = nullptr) {
    if (!urzadzenie) urzadzenie = std::make_unique<WaveOutNull>();
    auto p = std::make_unique<Podgladacz>(std::move(urzadzenie));
    wyjscie = p.get();
    EsencjaPlayera::Wyposazenie w;
    w.urzadzenie = std::move(p);
    player = std::make_unique<EsencjaPlayera>(nullptr, &watek, nullptr, std::move(w));
    okno = std::thread([this] {
      Paczka2 paczka;
      std::unique_lock<std::mutex> l(mutex);
      while (!koniec) {
        zmiana.wait_for(l, std::chrono::milliseconds(100));
        while (paczka.Wczytaj(player->Skrzynka())) {
        }
      }
    });
  }
  ~Odtwarzacz() {
    {
      std::lock_guard<std::mutex> l(mutex);
      koniec = true;
    }
    zmiana.notify_all();
    okno.join();
    player.reset();
  }
  MessageThread watek;
  Podgladacz* wyjscie;
  std::unique_ptr<EsencjaPlayera> player;

 private:
  std::mutex mutex;
  std::condition_variable zmiana;
  bool koniec = false;
  std::thread okno;
};

// Times `polecenie`, which moves playback to `t`, from its call to the first buffer of
// the new stretch at the output; negative when none came within 5 s or the engine is not
// then at t.
template <typename F>
double Zmierz(Odtwarzacz& o, Czas t, F polecenie) {
  o.wyjscie->Uzbroj();
  const auto t0 = Zegar::now();
  polecenie();
  const auto t1 = o.wyjscie->Czekaj(std::chrono::milliseconds(5000));
  if (!t1 || Czas::Odstep(o.player->CzasGry(), t) > Roznica::Sekunda) return -1;
  return std::chrono::duration<double>(*t1 - t0).count();
}

// Connected to station A and playing; false when no audio came.
bool Graj(Odtwarzacz& o, Czas t) {
  o.player->Graj();
  const double s = Zmierz(o, t, [&] { o.player->ZmienStacje(Serwer0().Cel("A"), t); });
  return s >= 0;
}

void BM_StationChangeNewConnection(benchmark::State& state) {
  if (Serwer0().Port() == 0) {
    state.SkipWithError("the server did not start");
    return;
  }
  std::mt19937_64 los(3);
  std::vector<double> ms;
  for (auto _ : state) {
    auto o = std::make_unique<Odtwarzacz>();
    o->player->Graj();
    const Czas t = Losowy(los);
    const double s = Zmierz(*o, t, [&] { o->player->ZmienStacje(Serwer0().Cel("A"), t); });
    if (s < 0) {
      state.SkipWithError("no audio reached the output");
      return;
    }
    state.SetIterationTime(s);
    ms.push_back(s * 1000);
    // The burst lands before the player goes, as it would for a listener.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    o.reset();
  }
  bench::Percentyle(state, ms);
}
BENCHMARK(BM_StationChangeNewConnection)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

// One player core, connected and playing; each iteration times `polecenie(o, t)`, which
// moves playback to a random moment t, to the first audio of t at the output, 200 ms apart
// so that each burst has arrived before the next move.
template <typename F>
void Przesuniecia(benchmark::State& state, uint64_t ziarno, F polecenie) {
  if (Serwer0().Port() == 0) {
    state.SkipWithError("the server did not start");
    return;
  }
  std::mt19937_64 los(ziarno);
  Odtwarzacz o;
  if (!Graj(o, Losowy(los))) {
    state.SkipWithError("no audio reached the output");
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::vector<double> ms;
  for (auto _ : state) {
    const Czas t = Losowy(los);
    const double s = Zmierz(o, t, [&] { polecenie(o, t); });
    if (s < 0) {
      state.SkipWithError("no audio reached the output");
      return;
    }
    state.SetIterationTime(s);
    ms.push_back(s * 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  bench::Percentyle(state, ms);
}

void BM_StationChangeSameServer(benchmark::State& state) {
  bool b = true;
  Przesuniecia(state, 5, [&](Odtwarzacz& o, Czas t) {
    o.player->ZmienStacje(Serwer0().Cel(b ? "B" : "A"), t);
    b = !b;
  });
}
BENCHMARK(BM_StationChangeSameServer)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SeekToFirstAudio(benchmark::State& state) {
  Przesuniecia(state, 9, [](Odtwarzacz& o, Czas t) { o.player->UstawPozycje(t); });
}
BENCHMARK(BM_SeekToFirstAudio)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

// UstawPozycje to a moment 150 ms into the first tone of a second, timed to the middle of
// the first 5 ms in which that tone sounds on the monitor of a private sound server's null
// sink. The tone (1500-3450 Hz) is at least 500 Hz from the tone played before the seek
// and from the second's other tones, so that nothing of the old audio passes for it.
void BM_SeekToHeard(benchmark::State& state) {
  if (Serwer0().Port() == 0) {
    state.SkipWithError("the server did not start");
    return;
  }
  PulseTestDaemon demon;
  const std::unique_ptr<Nagranie> nagranie = NagranieMonitora(state, demon);
  if (!nagranie) return;
  std::mt19937_64 los(11);
  const int64_t pierwsza = SekundaUnix(kPoczatek);
  const int64_t sekund = (kDlugosc - Roznica::Sekunda * 20).Wartosc() / Roznica::Sekunda.Wartosc();
  // A second whose first tone is 1500 Hz or more, at least 500 Hz from `poprzedni`.
  auto wybierz = [&](int poprzedni) {
    for (;;) {
      const int64_t s = pierwsza + static_cast<int64_t>(los() % static_cast<uint64_t>(sekund));
      const int ton = TimeCode::Ton(s, 1);
      if (ton >= 1500 && std::abs(ton - poprzedni) >= 500) return s;
    }
  };
  auto chwila = [](int64_t s) {
    return Czas(TimeCode::kEpokaUnix + s * Roznica::Sekunda.Wartosc()) + Roznica::Milisekunda * 150;
  };
  Odtwarzacz o(std::make_unique<WaveOutPulse>());
  int64_t s = wybierz(0);
  if (!Graj(o, chwila(s))) {
    state.SkipWithError("no audio reached the output");
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::vector<double> ms;
  std::vector<double> doZapisu;  // to the first write of the new stretch to the device
  std::vector<double> wZapisanych;  // where the tone begins in the audio written
  std::vector<double> pokazany;     // the time shown at the first write, from the moment asked for
  for (auto _ : state) {
    s = wybierz(TimeCode::Ton(s, 1));
    const double hz = TimeCode::Ton(s, 1);
    const int64_t od = nagranie->Ile();
    o.wyjscie->Uzbroj();
    const auto t0 = Zegar::now();
    o.player->UstawPozycje(chwila(s));
    // The time shown as the new stretch's first audio is handed to the sound server, less
    // the moment asked for: the stretch's own start, when it is read at once.
    if (o.wyjscie->Czekaj(std::chrono::milliseconds(3000))) {
      pokazany.push_back(static_cast<double>((o.player->CzasGry() - chwila(s)).Wartosc()) /
                         Roznica::Milisekunda.Wartosc());
    }
    int64_t n = -1;
    for (int i = 0; i < 600 && n < 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      n = nagranie->Poczatek(od, hz, 16384);
    }
    if (n < 0) {
      state.SkipWithError("the tone sought was not heard within 3 s");
      return;
    }
    const double sek = std::chrono::duration<double>(nagranie->Kiedy(n) - t0).count();
    state.SetIterationTime(std::max(sek, 0.0));
    ms.push_back(sek * 1000);
    if (const auto w = o.wyjscie->Czekaj(std::chrono::milliseconds(0))) {
      doZapisu.push_back(std::chrono::duration<double, std::milli>(*w - t0).count());
    }
    const int64_t z = PoczatekTonu(o.wyjscie->Zapisane(), 0, hz, 16384);
    if (z >= 0) wZapisanych.push_back(static_cast<double>(z) * 1000 / Nagranie::kRate);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  bench::Percentyle(state, ms);
  if (!doZapisu.empty()) {
    std::sort(doZapisu.begin(), doZapisu.end());
    state.counters["write_p50_ms"] = doZapisu[doZapisu.size() / 2];
    state.counters["write_p99_ms"] = doZapisu[std::min(doZapisu.size() - 1, doZapisu.size() * 99 / 100)];
  }
  if (!wZapisanych.empty()) {
    std::sort(wZapisanych.begin(), wZapisanych.end());
    state.counters["tone_in_written_p50_ms"] = wZapisanych[wZapisanych.size() / 2];
    state.counters["tone_in_written_p99_ms"] = wZapisanych[std::min(wZapisanych.size() - 1, wZapisanych.size() * 99 / 100)];
  }
  if (!pokazany.empty()) {
    std::sort(pokazany.begin(), pokazany.end());
    state.counters["shown_at_write_min_ms"] = pokazany.front();
    state.counters["shown_at_write_p50_ms"] = pokazany[pokazany.size() / 2];
    state.counters["shown_at_write_max_ms"] = pokazany.back();
  }
}
BENCHMARK(BM_SeekToHeard)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

// The sound server's share of BM_SeekToHeard, without the player: WaveOutPulse alone on
// the same private daemon, kept about a second ahead (ten 100 ms buffers, as the playback
// engine keeps it) with one tone; each iteration resets it and writes another tone at once,
// timed from the reset and from the end of the first write to the middle of the first 5 ms
// in which the monitor carries the new tone.
void BM_ResetToHeard(benchmark::State& state) {
  PulseTestDaemon demon;
  const std::unique_ptr<Nagranie> nagranie = NagranieMonitora(state, demon);
  if (!nagranie) return;
  constexpr int kBufory = 10;
  constexpr int kRamek = Nagranie::kRate / 10;
  constexpr double kAmplituda = 16384;
  WAVEFORMATEX f;
  f.wFormatTag = 1;
  f.nChannels = 2;
  f.nSamplesPerSec = Nagranie::kRate;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = Nagranie::kRate * 4;
  EventAutomatic zdarzenie;
  WaveOutPulse wyjscie;
  if (wyjscie.Open(f, kRamek * 4, &zdarzenie) != WaveOutDevice::kOk) {
    state.SkipWithError(("the output does not open: " + std::string(wyjscie.LastError())).c_str());
    return;
  }
  std::vector<std::vector<int16_t>> pamiec(kBufory, std::vector<int16_t>(kRamek * 2));
  std::vector<WAVEHDR> naglowki(kBufory);
  for (int i = 0; i < kBufory; ++i) {
    naglowki[static_cast<size_t>(i)].lpData = reinterpret_cast<char*>(pamiec[static_cast<size_t>(i)].data());
    naglowki[static_cast<size_t>(i)].dwBufferLength = kRamek * 4;
    naglowki[static_cast<size_t>(i)].dwFlags = WHDR_DONE;
  }
  int nastepny = 0;
  int64_t faza = 0;
  double hz = 1000;
  // Fills and writes the free buffers in ring order; false when a write fails.
  auto dopelnij = [&]() {
    for (;;) {
      WAVEHDR& h = naglowki[static_cast<size_t>(nastepny)];
      if (!(h.dwFlags.load() & WHDR_DONE)) return true;
      auto* p = reinterpret_cast<int16_t*>(h.lpData);
      for (int i = 0; i < kRamek; ++i, ++faza) {
        const auto v = static_cast<int16_t>(kAmplituda * std::sin(2 * M_PI * hz * static_cast<double>(faza) / Nagranie::kRate));
        p[2 * i] = p[2 * i + 1] = v;
      }
      if (wyjscie.Write(&h) != WaveOutDevice::kOk) return false;
      nastepny = (nastepny + 1) % kBufory;
    }
  };
  auto graj = [&](std::chrono::milliseconds ile) {
    const auto koniec = Zegar::now() + ile;
    while (Zegar::now() < koniec) {
      if (!dopelnij()) return false;
      zdarzenie.WaitFor(20);
    }
    return true;
  };
  if (!graj(std::chrono::milliseconds(1000))) {
    state.SkipWithError("a write failed");
    return;
  }
  std::vector<double> ms, poZapisie;
  for (auto _ : state) {
    hz = hz == 1000 ? 2500 : 1000;
    const int64_t od = nagranie->Ile();
    const auto t0 = Zegar::now();
    if (wyjscie.Reset() != WaveOutDevice::kOk) {
      state.SkipWithError("the reset failed");
      return;
    }
    nastepny = 0;
    faza = 0;
    if (!dopelnij()) {
      state.SkipWithError("a write failed");
      return;
    }
    const auto zapisane = Zegar::now();
    int64_t n = -1;
    for (int i = 0; i < 600 && n < 0; ++i) {
      if (!graj(std::chrono::milliseconds(5))) break;
      n = nagranie->Poczatek(od, hz, kAmplituda);
    }
    if (n < 0) {
      state.SkipWithError("the new tone was not heard within 3 s");
      return;
    }
    const auto kiedy = nagranie->Kiedy(n);
    const double sek = std::chrono::duration<double>(kiedy - t0).count();
    state.SetIterationTime(std::max(sek, 0.0));
    ms.push_back(sek * 1000);
    poZapisie.push_back(std::chrono::duration<double, std::milli>(kiedy - zapisane).count());
    graj(std::chrono::milliseconds(300));
  }
  bench::Percentyle(state, ms);
  std::sort(poZapisie.begin(), poZapisie.end());
  state.counters["after_write_p50_ms"] = poZapisie[poZapisie.size() / 2];
  state.counters["after_write_p99_ms"] = poZapisie[std::min(poZapisie.size() - 1, poZapisie.size() * 99 / 100)];
  state.counters["underflows"] = wyjscie.Underflows();
  wyjscie.Close();
}
BENCHMARK(BM_ResetToHeard)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

double CpuSekundy(clockid_t zegar) {
  timespec t{};
  clock_gettime(zegar, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Sekundy(Roznica r) { return static_cast<double>(r.Wartosc()) / static_cast<double>(Roznica::Sekunda.Wartosc()); }

void BM_PlaybackCpu(benchmark::State& state) {
  if (Serwer0().Port() == 0) {
    state.SkipWithError("the server did not start");
    return;
  }
  constexpr auto kPomiar = std::chrono::seconds(20);
  constexpr auto kDluzej = std::chrono::seconds(30);
  for (auto _ : state) {
    Odtwarzacz o;
    const long watekKomunikatow = static_cast<long>(o.watek.GetThreadId());
    const long watekGrania = static_cast<long>(o.player->DajGrajka().GetPlayAudio()->ThreadId());
    const auto watki0 = bench::Watki();
    const double cpu0 = CpuSekundy(CLOCK_PROCESS_CPUTIME_ID);
    const auto w0 = Zegar::now();
    if (!Graj(o, kPoczatek)) {
      state.SkipWithError("no audio reached the output");
      return;
    }
    std::this_thread::sleep_until(w0 + kPomiar);
    const double cpu = CpuSekundy(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    const auto watki1 = bench::Watki();
    const double sciana = std::chrono::duration<double>(Zegar::now() - w0).count();
    const double grane = Sekundy(o.player->CzasGry() - kPoczatek);
    std::this_thread::sleep_until(w0 + kDluzej);
    const double grane30 = Sekundy(o.player->CzasGry() - kPoczatek);
    double komunikaty = 0, granie = 0, inne = 0;
    for (const auto& [id, sek] : watki1) {
      const auto b = watki0.find(id);
      const double uzyte = sek - (b == watki0.end() ? 0 : b->second);
      if (id == watekKomunikatow) {
        komunikaty += uzyte;
      } else if (id == watekGrania) {
        granie += uzyte;
      } else {
        inne += uzyte;
      }
    }
    state.SetIterationTime(sciana);
    state.counters["cpu_ms_per_s"] = cpu * 1000 / sciana;
    state.counters["message_ms_per_s"] = komunikaty * 1000 / sciana;
    state.counters["playback_ms_per_s"] = granie * 1000 / sciana;
    state.counters["other_ms_per_s"] = inne * 1000 / sciana;
    state.counters["played_s"] = grane;
    if (grane > 0) state.counters["cpu_ms_per_played_s"] = cpu * 1000 / grane;
    state.counters["played_in_30s"] = grane30;
  }
}
BENCHMARK(BM_PlaybackCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
