// The archive server under load from players on loopback, with a real Serwer running its
// loop on a thread of this process over the 24-hour MP3 archive that bench_archive_seek
// makes (the same directory, $TMPDIR/kg-bench-archive-24h, made here too when missing):
//
// BM_SeekToFirstAudio: from sending "setpos" to the first audio packet of the new request
// arriving at a player, at random moments of the 24 hours. The player has received the
// whole burst of its previous request before each seek, as a listener who has been
// playing for a while has. Counters: p50_ms, p99_ms, max_ms.
//
// BM_StreamingClients: the server's CPU per streaming player: 200 players connected,
// each playing from its own random moment, answering pings and asking for more audio by
// the player core's rule (below 3 s buffered, at most once per 5 s; the buffer is kept by
// wall-clock accounting of the audio received). The rule is applied whenever something is
// read, as the player core does, and also every 100 ms, which the player core does not:
// on an archive that does not grow nothing else would be read between pings, and the
// players would run dry (docs/benchmarks.md). The players start over 10 s, so that
// their requests do not all fall together; once every one has played the 20 s it gets at
// once at the start, the server's CPU is taken over 30 s (a minute in all).
// Counters: server_pct_per_client (every server thread, % of one core per player),
// loop_pct_per_client (the loop thread alone), client_pct (the benchmark's one player
// thread, % of a core in all), audio_s_per_s (audio received per second per player; 1 when
// the server keeps up with real time), stall_s (seconds that players' buffers stood empty,
// summed over the players, from their first audio to the end), requests_per_client_s,
// pings_answered (in all, from the start).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "archive/Archive.h"
#include "archive/ArchiveFixtures.h"
#include "bench/Archiwum24h.h"
#include "common/AudioFormat.h"
#include "common/PaczkaAudio.h"
#include "core/Log.h"
#include "net/Serwer.h"
#include "transport/Paczka2.h"
#include "transport/Protokol.h"

// The archive server's classes; the client's of the same names are klient::.
using namespace serwer;

namespace {

using Zegar = std::chrono::steady_clock;

using archiwum24h::kPoczatek;
using archiwum24h::Uklad;

// Seek targets: anywhere but the last minute, so that every request has its full burst.
const Roznica kZakres = Roznica::Dzien - Roznica::Minuta;

Czas Losowy(std::mt19937_64& los) {
  return kPoczatek + Roznica(static_cast<int64_t>(los() % static_cast<uint64_t>(kZakres.Wartosc())));
}

// Log lines go to a directory of their own, not into the current one.
void LogNaBok() {
  static const bool raz = [] {
    const auto d = std::filesystem::temp_directory_path() / "kg-bench-log";
    std::filesystem::create_directories(d);
    SetLogBaseDirectory(d.string());
    return true;
  }();
  (void)raz;
}

// A Serwer on 127.0.0.1, any free port, with one station "Doba" over the 24-hour
// archive, its loop on a thread of its own.
class SerwerWTle {
 public:
  explicit SerwerWTle(const Klient::Ustawienia& ku = Klient::Ustawienia()) {
    LogNaBok();
    archiwum24h::Zrob();
    std::vector<std::unique_ptr<Stacja>> stacje;
    stacje.push_back(std::make_unique<Stacja>(
        "Doba", std::make_shared<Archive>(KonfiguracjaArchiwum{"Doba", archiwum24h::Katalog(), Uklad()})));
    Serwer::Ustawienia u;
    u.host = "127.0.0.1";
    u.port = 0;
    u.klient = ku;
    serwer = std::make_unique<Serwer>(std::move(stacje), u);
    serwer->Otworz();
    watek = std::thread([this] { serwer->Uruchom(); });
    pthread_getcpuclockid(watek.native_handle(), &zegarPetli);
  }
  ~SerwerWTle() {
    serwer->Zatrzymaj();
    watek.join();
  }
  int Port() const { return serwer->Port(); }
  // CPU seconds of the loop thread.
  double CpuPetli() const {
    timespec t{};
    clock_gettime(zegarPetli, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
  }

 private:
  std::unique_ptr<Serwer> serwer;
  std::thread watek;
  clockid_t zegarPetli{};
};

int Polacz(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
  }
  const int jeden = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &jeden, sizeof jeden);
  return fd;
}

std::string NaLacze(const String& tekst) {
  Core c;
  Paczka2(tekst).WriteTo(c);
  return std::string(c.Data(), static_cast<size_t>(c.Size()));
}

bool WyslijCale(int fd, const std::string& b) {
  size_t zrobione = 0;
  while (zrobione < b.size()) {
    const ssize_t n = send(fd, b.data() + zrobione, b.size() - zrobione, MSG_NOSIGNAL);
    if (n <= 0) return false;
    zrobione += static_cast<size_t>(n);
  }
  return true;
}

// What a player sends first: the raw greeting, the station at t and "play".
std::string Powitanie(Czas t) {
  return String(protokol::kPlayer) + "\n" + NaLacze(String(protokol::kZmienStacje) + " " + t.NapisHex() + " Doba") +
         NaLacze(protokol::kPlay);
}

// A blocking player connection that reads whole packets with Paczka2.
class Gracz {
 public:
  explicit Gracz(int port) : fd(Polacz(port)) {
    timeval t{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  }
  ~Gracz() { close(fd); }
  bool Wyslij(const std::string& b) { return WyslijCale(fd, b); }
  // The next audio packet to be played; false on end of stream or a 10 s silence.
  bool Audio(PaczkaAudio& a) {
    for (;;) {
      while (odbior.Skonczyl()) {
        const bool audio = odbior.Nazwa == protokol::kPaczkaAudio && odbior.Opis.empty();
        if (audio) odbior.Wyjmij(a);
        odbior.Write(nullptr, 0);
        if (audio) return true;
      }
      const ssize_t n = recv(fd, bufor, sizeof bufor, 0);
      if (n <= 0) return false;
      odbior.Write(bufor, static_cast<int>(n));
    }
  }

 private:
  int fd;
  Paczka2 odbior;
  char bufor[16384];
};

void BM_SeekToFirstAudio(benchmark::State& state) {
  SerwerWTle serwer;
  std::mt19937_64 los(7);
  Gracz g(serwer.Port());
  Czas t = Losowy(los);
  g.Wyslij(Powitanie(t));
  int numer = 2;
  std::vector<double> ms;
  PaczkaAudio a;
  // Reads the rest of the current request's burst (about 10 s from t).
  auto doKoncaPorcji = [&] {
    while (g.Audio(a)) {
      if (a.numeraudia == numer && a.czas >= t + Roznica::Sekunda * 9) return true;
    }
    return false;
  };
  if (!doKoncaPorcji()) {
    state.SkipWithError("no audio from the server");
    return;
  }
  for (auto _ : state) {
    t = Losowy(los);
    ++numer;
    const std::string polecenie = NaLacze(String(protokol::kSetpos) + " " + t.NapisHex());
    const auto t0 = Zegar::now();
    g.Wyslij(polecenie);
    bool jest = false;
    while (g.Audio(a)) {
      if (a.numeraudia == numer) {
        jest = true;
        break;
      }
    }
    const auto t1 = Zegar::now();
    if (!jest || a.czas > t || a.czas < t - Roznica::Milisekunda * 200) {
      state.SkipWithError("the first packet after the seek is not at the new position");
      return;
    }
    const double s = std::chrono::duration<double>(t1 - t0).count();
    state.SetIterationTime(s);
    ms.push_back(s * 1000);
    if (!doKoncaPorcji()) {
      state.SkipWithError("the burst after the seek did not come");
      return;
    }
  }
  bench::Percentyle(state, ms);
}
BENCHMARK(BM_SeekToFirstAudio)->Iterations(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The packet stream of one connection, read without keeping it: the header, the first
// bytes of the payload and the description, enough to tell pings and audio apart.
class Ramki {
 public:
  static constexpr size_t kPoczatek = 128;
  struct Pakiet {
    std::string nazwa;
    int64_t rozmiar = 0;
    std::string poczatek;  // the first kPoczatek bytes of the payload at most
    std::string opis;
  };

  // Takes n bytes and calls f for every packet they complete; false on a broken stream.
  template <typename F>
  bool Karm(const char* b, size_t n, F&& f) {
    while (n > 0) {
      switch (faza) {
        case 0:
          if (!Zbierz(b, n, 14)) return true;
          if (pole.compare(0, 6, protokol::kZnacznikPaczki2) != 0) return false;
          dlugosc = Int32(pole.data() + 10);
          if (dlugosc < 0 || dlugosc > 256) return false;
          pole.clear();
          p = Pakiet();
          faza = 1;
          break;
        case 1:
          if (!Zbierz(b, n, static_cast<size_t>(dlugosc))) return true;
          p.nazwa = pole;
          pole.clear();
          faza = 2;
          break;
        case 2:
          if (!Zbierz(b, n, 4)) return true;
          p.rozmiar = Int32(pole.data());
          if (p.rozmiar < 0) return false;
          pole.clear();
          zostalo = p.rozmiar;
          faza = 3;
          break;
        case 3: {
          const size_t k = static_cast<size_t>(std::min<int64_t>(zostalo, static_cast<int64_t>(n)));
          if (p.poczatek.size() < kPoczatek) p.poczatek.append(b, std::min(k, kPoczatek - p.poczatek.size()));
          b += k;
          n -= k;
          zostalo -= static_cast<int64_t>(k);
          if (zostalo == 0) faza = 4;
          break;
        }
        case 4:
          if (!Zbierz(b, n, 4)) return true;
          dlugosc = Int32(pole.data());
          if (dlugosc < 0 || dlugosc > 65536) return false;
          pole.clear();
          faza = 5;
          break;
        case 5:
          if (!Zbierz(b, n, static_cast<size_t>(dlugosc))) return true;
          p.opis = pole;
          pole.clear();
          faza = 0;
          f(p);
          break;
      }
      // A packet with an empty payload or description ends without more bytes.
      if (faza == 3 && zostalo == 0) faza = 4;
      if (faza == 5 && dlugosc == 0) {
        faza = 0;
        f(p);
      }
    }
    return true;
  }

  static int32_t Int32(const char* b) {
    const auto* u = reinterpret_cast<const unsigned char*>(b);
    return static_cast<int32_t>(static_cast<uint32_t>(u[0]) | static_cast<uint32_t>(u[1]) << 8 |
                                static_cast<uint32_t>(u[2]) << 16 | static_cast<uint32_t>(u[3]) << 24);
  }

 private:
  // Moves bytes into `pole` until it holds `ile`; true then.
  bool Zbierz(const char*& b, size_t& n, size_t ile) {
    const size_t k = std::min(n, ile - pole.size());
    pole.append(b, k);
    b += k;
    n -= k;
    return pole.size() == ile;
  }

  int faza = 0;
  int32_t dlugosc = 0;
  int64_t zostalo = 0;
  std::string pole;
  Pakiet p;
};

// One player of the crowd and its wall-clock account of the audio it has.
struct Sluchacz {
  int fd = -1;
  Ramki ramki;
  bool gra = false;
  Zegar::time_point poczatekGry;  // when the first audio came
  Czas poczatek;                  // the time of the first audio
  Roznica stoi;                   // how long its buffer stood empty so far
  Czas koniec;                    // where the audio received ends
  Zegar::time_point nastepnaProsba;
  String format;
  int bajtowNaSekunde = 0;
  Czas koniecPrzed;  // koniec when the measuring window opened

  Roznica Slyszane(Zegar::time_point teraz) const {
    return Roznica(std::chrono::duration_cast<std::chrono::nanoseconds>(teraz - poczatekGry).count() / 100) - stoi;
  }
  // Buffered audio at `teraz`; a buffer that ran dry stops playback until audio comes.
  Roznica Bufor(Zegar::time_point teraz) {
    if (!gra) return Roznica();
    Roznica b = koniec - (poczatek + Slyszane(teraz));
    if (b < Roznica()) {
      stoi = stoi - b;
      b = Roznica();
    }
    return b;
  }
};

void BM_StreamingClients(benchmark::State& state) {
  const int klientow = static_cast<int>(state.range(0));
  constexpr auto kRozruch = std::chrono::seconds(10);
  // Each player's first 20 s come at once (the grant of "play" and the one it asks for at
  // its first packet); the window opens once the last player to connect has played them.
  constexpr auto kUstalenie = std::chrono::seconds(20);
  constexpr auto kPomiar = std::chrono::seconds(30);
  SerwerWTle serwer;
  for (auto _ : state) {
    std::vector<Sluchacz> s(static_cast<size_t>(klientow));
    std::mt19937_64 los(11);
    const std::string prosba = NaLacze(protokol::kWyslijSztukeAudia);
    const int ep = epoll_create1(EPOLL_CLOEXEC);
    std::atomic<bool> koniec{false};
    std::atomic<bool> blad{false};
    std::atomic<long> tid{0};
    // Requests sent within the measuring window, counted by the players' thread while
    // wOknie and read after it has been joined.
    int prosbWOknie = 0;
    int pongi = 0;  // pings answered, read after the join
    std::atomic<bool> wOknie{false};

    std::thread klienci([&] {
      tid = gettid();
      const auto start = Zegar::now();
      int polaczonych = 0;
      auto pakiet = [&](Sluchacz& k, const Ramki::Pakiet& p) {
        if (p.nazwa == protokol::kString && p.poczatek.rfind(protokol::kPing, 0) == 0) {
          const size_t slowo = String(protokol::kPing).size();
          if (!WyslijCale(k.fd, NaLacze(protokol::kPong + p.poczatek.substr(slowo)))) blad = true;
          ++pongi;
          return;
        }
        if (p.nazwa != protokol::kPaczkaAudio || !p.opis.empty() || p.poczatek.size() < 8) return;
        // numeraudia, the format text, the time, the data's length.
        const int32_t l = Ramki::Int32(p.poczatek.data() + 4);
        if (l < 0 || static_cast<size_t>(l) + 20 > p.poczatek.size()) return;
        const std::string format = p.poczatek.substr(8, static_cast<size_t>(l));
        const Czas czas = Czas::ZBajtow(reinterpret_cast<const unsigned char*>(p.poczatek.data() + 8 + l));
        const int32_t dane = Ramki::Int32(p.poczatek.data() + 16 + l);
        if (format != k.format) {
          k.format = format;
          const AudioFormat f(format);
          k.bajtowNaSekunde = f.IsValid() ? f.GetBytesPerSecond() : 16000;
        }
        const Roznica d(static_cast<int64_t>(dane) * Roznica::Sekunda.Wartosc() / k.bajtowNaSekunde);
        if (!k.gra) {
          k.gra = true;
          k.poczatekGry = Zegar::now();
          k.poczatek = czas;
          k.koniec = czas;
        }
        // Packets come in time order: each one's time corrects the estimate of where the
        // one before ended.
        k.koniec = czas + d;
      };
      auto moze = [&](Sluchacz& k, Zegar::time_point teraz) {
        if (!k.gra || k.Bufor(teraz) >= Roznica::Sekunda * 3 || teraz < k.nastepnaProsba) return;
        k.nastepnaProsba = teraz + std::chrono::seconds(5);
        if (wOknie) ++prosbWOknie;
        if (!WyslijCale(k.fd, prosba)) blad = true;
      };
      char bufor[65536];
      epoll_event zd[256];
      auto ostatniTik = start;
      bool otwarte = false;
      while (!koniec) {
        const auto teraz = Zegar::now();
        if (wOknie && !otwarte) {
          otwarte = true;
          for (auto& k : s) k.koniecPrzed = k.koniec;
        }
        // Connect the players evenly over the start-up.
        while (polaczonych < klientow &&
               teraz - start >= kRozruch * polaczonych / klientow) {
          Sluchacz& k = s[static_cast<size_t>(polaczonych)];
          try {
            k.fd = Polacz(serwer.Port());
          } catch (const std::exception&) {
            blad = true;
            koniec = true;
            break;
          }
          if (!WyslijCale(k.fd, Powitanie(Losowy(los)))) blad = true;
          fcntl(k.fd, F_SETFL, fcntl(k.fd, F_GETFL, 0) | O_NONBLOCK);
          epoll_event e{};
          e.events = EPOLLIN;
          e.data.u32 = static_cast<uint32_t>(polaczonych);
          epoll_ctl(ep, EPOLL_CTL_ADD, k.fd, &e);
          ++polaczonych;
        }
        const int n = epoll_wait(ep, zd, 256, 20);
        for (int i = 0; i < n; ++i) {
          Sluchacz& k = s[zd[i].data.u32];
          for (;;) {
            const ssize_t r = recv(k.fd, bufor, sizeof bufor, MSG_DONTWAIT);
            if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
              blad = true;
              epoll_ctl(ep, EPOLL_CTL_DEL, k.fd, nullptr);
              break;
            }
            if (r < 0) break;
            if (!k.ramki.Karm(bufor, static_cast<size_t>(r), [&](const Ramki::Pakiet& p) { pakiet(k, p); })) {
              blad = true;
            }
            if (static_cast<size_t>(r) < sizeof bufor) break;
          }
          // The player core looks at its buffer whenever something was read.
          moze(k, Zegar::now());
        }
        // And, as playback drains it, on a timer: a player whose buffer runs low while
        // nothing arrives still asks.
        const auto po = Zegar::now();
        if (po - ostatniTik >= std::chrono::milliseconds(100)) {
          ostatniTik = po;
          for (int i = 0; i < polaczonych; ++i) moze(s[static_cast<size_t>(i)], po);
        }
      }
    });

    std::this_thread::sleep_for(kRozruch + kUstalenie);
    if (blad) {
      koniec = true;
      klienci.join();
      close(ep);
      for (auto& k : s) close(k.fd);
      state.SkipWithError("a player lost its connection during the start-up");
      return;
    }
    double przestoje = 0;
    wOknie = true;
    const auto watki0 = bench::Watki();
    const double petla0 = serwer.CpuPetli();
    const auto w0 = Zegar::now();
    std::this_thread::sleep_for(kPomiar);
    const auto watki1 = bench::Watki();
    const double petla1 = serwer.CpuPetli();
    const auto w1 = Zegar::now();
    wOknie = false;
    koniec = true;
    klienci.join();
    const double okno = std::chrono::duration<double>(w1 - w0).count();
    double audio = 0;
    for (const auto& k : s) audio += static_cast<double>((k.koniec - k.koniecPrzed).Wartosc());
    audio /= static_cast<double>(Roznica::Sekunda.Wartosc());
    double serwerCpu = 0, klientCpu = 0;
    const long glowny = static_cast<long>(getpid());
    for (const auto& [id, sek] : watki1) {
      const auto b = watki0.find(id);
      const double uzyte = sek - (b == watki0.end() ? 0 : b->second);
      if (id == tid.load()) {
        klientCpu += uzyte;
      } else if (id != glowny) {
        serwerCpu += uzyte;
      }
    }
    const auto teraz = Zegar::now();
    for (auto& k : s) {
      k.Bufor(teraz);
      przestoje += static_cast<double>(k.stoi.Wartosc()) / static_cast<double>(Roznica::Sekunda.Wartosc());
      close(k.fd);
    }
    close(ep);
    state.SetIterationTime(okno);
    state.counters["server_pct_per_client"] = serwerCpu / okno * 100 / klientow;
    state.counters["loop_pct_per_client"] = (petla1 - petla0) / okno * 100 / klientow;
    state.counters["client_pct"] = klientCpu / okno * 100;
    state.counters["audio_s_per_s"] = audio / okno / klientow;
    state.counters["requests_per_client_s"] = prosbWOknie / okno / klientow;
    state.counters["stall_s"] = przestoje;
    state.counters["pings_answered"] = pongi;
    if (blad) state.SkipWithError("a player lost its connection or read a broken stream");
  }
}
BENCHMARK(BM_StreamingClients)->Arg(200)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
