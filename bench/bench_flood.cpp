// The window's 10 ms tick while a server floods the player with small packets of no known
// kind and texts of no known command, as fast as the connection takes them: the player
// stack of the programs (StosPlayera: the message thread, the player core on the null
// output, the window's logic over the text view of korwendo-play) connected to a server
// played by a thread of this process on loopback.
//
// BM_TickUnderFlood: for 5 s, a tick every 10 ms, each timed: p50_ms, p99_ms, max_ms of
// one tick's work; flood_kpackets, the thousands of packets the server got out in that
// time; ticks, the ticks run.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "audio/WaveOutNull.h"
#include "korwendo-play/WidokTekstowy.h"
#include "player/ListaStacji.h"
#include "transport/Paczka2.h"
#include "window/StosPlayera.h"

namespace {

using Zegar = std::chrono::steady_clock;

struct Bajty : Writable {
  void Write(const void* v, int n) override { s.append(static_cast<const char*>(v), static_cast<size_t>(n)); }
  std::string s;
};

std::string Zakoduj(const Paczka2& p) {
  Bajty b;
  p.Wyslij(b);
  return b.s;
}

// Sends all of `s` unless `stop`; false when the peer is gone.
bool Wyslij(int fd, const std::string& s, const std::atomic<bool>& stop) {
  size_t done = 0;
  while (done < s.size() && !stop) {
    const ssize_t k = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (k > 0) {
      done += static_cast<size_t>(k);
    } else if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    } else {
      return false;
    }
  }
  return true;
}

void BM_TickUnderFlood(benchmark::State& state) {
  static int argc = 1;
  static char nazwa[] = "bench_flood";
  static char* argv[] = {nazwa, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;

  const int l = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t dl = sizeof a;
  if (l < 0 || bind(l, reinterpret_cast<sockaddr*>(&a), dl) != 0 || listen(l, 4) != 0 ||
      getsockname(l, reinterpret_cast<sockaddr*>(&a), &dl) != 0) {
    state.SkipWithError("cannot listen on loopback");
    return;
  }
  const String adres = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));

  // The flood: packets of no known kind and texts of no known command, in blocks.
  Paczka2 obca;
  obca.Nazwa = "Xyz";
  obca.core.SetSize(16);
  std::string blok;
  for (int i = 0; i < 500; ++i) blok += Zakoduj(i % 2 == 0 ? obca : Paczka2("nieznana komenda " + std::to_string(i)));
  const int naBlok = 500;
  std::atomic<bool> stop{false};
  std::atomic<int64_t> wyslane{0};
  std::thread serwer([&] {
    const int c = accept4(l, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) return;
    Wyslij(c, Zakoduj(Paczka2(String("terazgramy Zegar"))), stop);
    while (!stop && Wyslij(c, blok, stop)) wyslane += naBlok;
    close(c);
  });

  const std::filesystem::path katalog = std::filesystem::temp_directory_path() / "kg-bench-flood";
  std::filesystem::create_directories(katalog);
  std::vector<double> ms;
  int64_t wyslanePrzed = 0;
  double sekund = 0;
  {
    struct Pole : TimeComponent {
      Czas Get() override { return wartosc; }
      void Set(Czas c) override { wartosc = c; }
      Czas wartosc;
    } pole;
    ListaStacji lista(katalog.string());
    EsencjaPlayera::Wyposazenie w;
    w.urzadzenie = std::make_unique<WaveOutNull>();
    StosPlayera stos(&pole, std::move(w));
    WidokTekstowy widok([] {}, [&] { return stos.Esencja().CzasGry(); }, [](const String&) {});
    LogikaOkna& logika = stos.ZbudujLogike(widok, lista, LogikaOkna::Ustawienia());
    stos.Esencja().ZmienStacje("Zegar@" + adres, Czas(133400000000000000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (auto _ : state) {
      wyslanePrzed = wyslane.load();
      const auto start = Zegar::now();
      auto nastepny = start;
      while (Zegar::now() - start < std::chrono::seconds(5)) {
        const auto t0 = Zegar::now();
        logika.Tick();
        ms.push_back(std::chrono::duration<double, std::milli>(Zegar::now() - t0).count());
        nastepny += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(nastepny);
      }
      sekund = std::chrono::duration<double>(Zegar::now() - start).count();
      state.SetIterationTime(sekund);
    }
    stop = true;
    stos.Esencja().Disconnect();
  }
  serwer.join();
  close(l);
  state.counters["flood_kpackets"] = static_cast<double>(wyslane.load() - wyslanePrzed) / 1000;
  state.counters["ticks"] = static_cast<double>(ms.size());
  bench::Percentyle(state, ms);
}
BENCHMARK(BM_TickUnderFlood)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
