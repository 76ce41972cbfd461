// The real korwendo-server (a child process, so that its memory is its own) under loads
// that many connections from several loopback addresses make:
//
// BM_SlowExporters: 900 connections (from 127.0.0.2-127.0.0.31, 30 each) export 90 minutes
// of a PCM station (one sparse WAV file, 44.1 kHz stereo), each with a 4 KiB receive buffer
// and reading 1 KiB every 0.5 s. Meanwhile a station query ("listabaz") is timed every
// 100 ms. Counters: rss_before_MB (the server with no connection), rss_during_MB (after
// 15 s of the load), rss_after_MB (2 s after every exporter closed), query_p50_ms,
// query_max_ms (over the load).
//
// BM_IdlePeersAtTheLimit: 2000 connections from 40 addresses that never say a first line
// (50 each, the server's per-address limit) at its limit of 1000; then a player from a
// 41st address asks for a station and plays. Counters: player_served (1 when its first
// audio came), first_audio_ms, queries_ok (of 81 station queries from other addresses).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchiveFixtures.h"
#include "archive/RotterLayout.h"
#include "intervals/Przedzialy.h"
#include "support/ProcesTestowy.h"
#include "transport/Paczka2.h"

namespace {

using Zegar = std::chrono::steady_clock;
const Czas kT0 = fixtures::Utc(2024, 5, 1, 10);

double Ms(Zegar::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double RssMB(pid_t pid) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/status");
  std::string l;
  while (std::getline(f, l)) {
    if (l.rfind("VmRSS:", 0) == 0) return std::stod(l.substr(6)) / 1024.0;
  }
  return -1;
}

void Podnies() {
  rlimit r{};
  getrlimit(RLIMIT_NOFILE, &r);
  r.rlim_cur = r.rlim_max;
  setrlimit(RLIMIT_NOFILE, &r);
}

// A socket from 127.0.0.N connected to the port; -1 when it could not be.
int Polacz(int port, int n, int odbior = 0) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (odbior > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &odbior, sizeof odbior);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(0x7f000000u | static_cast<uint32_t>(n));
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string Bajty(Paczka2& p) {
  Core c;
  p.WriteTo(c);
  return std::string(c.Data(), static_cast<size_t>(c.Size()));
}

std::string Tekst(const String& s) {
  Paczka2 p(s);
  return Bajty(p);
}

// Milliseconds from connecting to the station list's packet; -1 when it did not come in 5 s.
double Zapytanie(int port, int n) {
  const auto t0 = Zegar::now();
  const int fd = Polacz(port, n);
  if (fd < 0) return -1;
  timeval t{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  send(fd, "listabaz\n", 9, MSG_NOSIGNAL);
  Paczka2 p;
  char b[4096];
  double wynik = -1;
  for (;;) {
    const ssize_t k = recv(fd, b, sizeof b, 0);
    if (k <= 0) break;
    p.Write(b, static_cast<int>(k));
    if (p.Skonczyl()) {
      wynik = Ms(Zegar::now() - t0);
      break;
    }
  }
  close(fd);
  return wynik;
}

// A station "PCM" of one 90-minute WAV file at T0 (a hole: no disk used) and "MP3", ten
// seconds of frames, in `dir`; returns the station file.
std::string Archiwum(const std::filesystem::path& dir) {
  const RotterLayout wav(RotterLayout::Rodzaj::Accurate, "wav", "", true);
  const std::filesystem::path plik = dir / "pcm" / wav.Sciezka(kT0);
  fixtures::CichyWav(plik, 90 * 60);
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, kT0);
  s.Cisza(Roznica::Sekunda * 10);
  fixtures::Zapisz((dir / "mp3").string(), RotterLayout(RotterLayout::Rodzaj::Accurate, "mp3", "", true).Sciezka(kT0),
                   s.Bajty(), Czas::Teraz());
  const std::filesystem::path conf = dir / "stacje.conf";
  std::ofstream(conf) << "[PCM]\nkatalog = " << (dir / "pcm").string() << "\nuklad = accurate\nsufiks = wav\nczas = utc\n"
                      << "[MP3]\nkatalog = " << (dir / "mp3").string() << "\nuklad = accurate\nczas = utc\n";
  return conf.string();
}

struct Serwer {
  std::filesystem::path dir;
  std::unique_ptr<Proces> proces;
  int port = 0;
  Serwer() {
    dir = std::filesystem::temp_directory_path() / ("kg-bench-load-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string conf = Archiwum(dir);
    auto [p, n] = StartSerweraTestowego(KG_SERVER, {"--config", conf}, dir.string());
    proces = std::move(p);
    port = n;
    // The first look at the archives.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  }
  ~Serwer() {
    proces.reset();
    std::error_code e;
    std::filesystem::remove_all(dir, e);
  }
};

void BM_SlowExporters(benchmark::State& state) {
  Podnies();
  const int ile = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Serwer s;
    if (s.port == 0) {
      state.SkipWithError("the server did not start");
      return;
    }
    const double przed = RssMB(s.proces->Pid());
    Przedzialy p;
    p.Add(Przedzial(kT0, kT0 + Roznica::Minuta * 90));
    Paczka2 e(p, "export");
    const std::string prosba =
        "player\n" + Tekst("zmienstacje " + kT0.NapisHex() + " PCM") + Bajty(e);
    std::vector<int> fds;
    for (int i = 0; i < ile; ++i) {
      const int fd = Polacz(s.port, 2 + i / 30, 4096);
      if (fd < 0) continue;
      send(fd, prosba.data(), prosba.size(), MSG_NOSIGNAL);
      fds.push_back(fd);
    }
    std::vector<double> zapytania;
    double wTrakcie = 0;
    const auto start = Zegar::now();
    auto czytanie = start;
    char b[1024];
    while (Zegar::now() - start < std::chrono::seconds(20)) {
      if (Zegar::now() >= czytanie) {
        for (int fd : fds) recv(fd, b, sizeof b, MSG_DONTWAIT);
        czytanie += std::chrono::milliseconds(500);
      }
      zapytania.push_back(Zapytanie(s.port, 100));
      if (wTrakcie == 0 && Zegar::now() - start >= std::chrono::seconds(15)) wTrakcie = RssMB(s.proces->Pid());
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (int fd : fds) close(fd);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double po = RssMB(s.proces->Pid());
    std::sort(zapytania.begin(), zapytania.end());
    const size_t nieudane = static_cast<size_t>(std::count(zapytania.begin(), zapytania.end(), -1.0));
    state.SetIterationTime(20);
    state.counters["connections"] = static_cast<double>(fds.size());
    state.counters["rss_before_MB"] = przed;
    state.counters["rss_during_MB"] = wTrakcie;
    state.counters["rss_after_MB"] = po;
    state.counters["query_failed"] = static_cast<double>(nieudane);
    if (zapytania.size() > nieudane) {
      state.counters["query_p50_ms"] = zapytania[nieudane + (zapytania.size() - nieudane) / 2];
      state.counters["query_max_ms"] = zapytania.back();
    }
  }
}
BENCHMARK(BM_SlowExporters)->Arg(900)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_IdlePeersAtTheLimit(benchmark::State& state) {
  Podnies();
  for (auto _ : state) {
    Serwer s;
    if (s.port == 0) {
      state.SkipWithError("the server did not start");
      return;
    }
    std::vector<int> fds;
    for (int i = 0; i < 2000; ++i) {
      const int fd = Polacz(s.port, 2 + i / 50);
      if (fd >= 0) fds.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int zapytaniaOk = 0;
    for (int i = 0; i < 81; ++i) zapytaniaOk += Zapytanie(s.port, 60 + i) >= 0 ? 1 : 0;
    const auto t0 = Zegar::now();
    const int gracz = Polacz(s.port, 50);
    bool obsluzony = false;
    if (gracz >= 0) {
      const std::string b = "player\n" + Tekst("zmienstacje " + kT0.NapisHex() + " MP3") + Tekst("play");
      send(gracz, b.data(), b.size(), MSG_NOSIGNAL);
      timeval t{5, 0};
      setsockopt(gracz, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
      Paczka2 p;
      char buf[8192];
      while (!obsluzony) {
        p.Write(nullptr, 0);
        if (!p.Skonczyl()) {
          const ssize_t k = recv(gracz, buf, sizeof buf, 0);
          if (k <= 0) break;
          p.Write(buf, static_cast<int>(k));
        }
        if (p.Skonczyl()) obsluzony = p.Nazwa == "PaczkaAudio";
      }
      close(gracz);
    }
    const double ms = Ms(Zegar::now() - t0);
    for (int fd : fds) close(fd);
    state.SetIterationTime(ms / 1000);
    state.counters["connections"] = static_cast<double>(fds.size());
    state.counters["player_served"] = obsluzony ? 1 : 0;
    state.counters["first_audio_ms"] = obsluzony ? ms : -1;
    state.counters["queries_ok"] = zapytaniaOk;
  }
}
BENCHMARK(BM_IdlePeersAtTheLimit)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
