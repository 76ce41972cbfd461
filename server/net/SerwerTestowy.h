#pragma once
// Test-only: a Serwer on its own thread over fixture archives on loopback, and a small
// blocking client that speaks the packet protocol to it, from any 127.0.0.N address.
// Each test thread uses its own clients; Srodowisko runs the server's loop on its thread.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "archive/ArchiveFixtures.h"
#include "common/PaczkaAudio.h"
#include "net/Metryki.h"
#include "net/Serwer.h"
#include "support/LimitDeskryptorow.h"
#include "support/TempDir.h"
#include "transport/Paczka2.h"

namespace serwer::testy {

inline const Czas kT0 = fixtures::Utc(2024, 5, 1, 10);
inline const Roznica kS = Roznica::Sekunda;

// A blocking test client.
class Klient2 {
 public:
  // Connects at once unless told not to (then Polacz does), from the loopback address `z`.
  explicit Klient2(int port, bool polacz = true, const char* z = "127.0.0.1") {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, z, &a.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("bind");
    if (polacz) Polacz(port);
  }
  void Polacz(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("connect");
    timeval t{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
  }
  ~Klient2() { close(fd); }
  void Surowe(const std::string& s) { ASSERT_EQ(send(fd, s.data(), s.size(), MSG_NOSIGNAL), static_cast<ssize_t>(s.size())); }
  void Wyslij(Paczka2& p) {
    Core c;
    p.WriteTo(c);
    Surowe(std::string(c.Data(), static_cast<size_t>(c.Size())));
  }
  void Tekst(const String& s) {
    Paczka2 p(s);
    Wyslij(p);
  }
  // The next packet; false on end of stream or timeout.
  bool Odbierz(Paczka2& p) {
    for (;;) {
      odbior.Write(nullptr, 0);
      if (odbior.Skonczyl()) break;
      char b[8192];
      const ssize_t n = recv(fd, b, sizeof b, 0);
      if (n <= 0) return false;
      odbior.Write(b, static_cast<int>(n));
      if (odbior.Skonczyl()) break;
    }
    p.Nazwa = odbior.Nazwa;
    p.Opis = odbior.Opis;
    p.Wersja = odbior.Wersja;
    p.core = odbior.core;
    return true;
  }
  // Skips pings and other packets until one named `nazwa` (with `opis` unless null).
  bool Czekaj(const String& nazwa, Paczka2& p, const char* opis = nullptr) {
    while (Odbierz(p)) {
      if (p.Nazwa == nazwa && (!opis || p.Opis == opis)) return true;
    }
    return false;
  }
  bool CzekajTekst(const String& poczatek, String& s) {
    Paczka2 p;
    while (Czekaj("String", p)) {
      s = Tekst(p);
      if (s.rfind(poczatek, 0) == 0) return true;
    }
    return false;
  }
  static String Tekst(Paczka2& p) {
    return String(p.core.Data() ? p.core.Data() : "", static_cast<size_t>(p.core.Size()));
  }
  // An audio packet read whole: decoded through a receiving packet so that Wyjmij sees it
  // complete.
  static PaczkaAudio JakoAudio(Paczka2& p) {
    Core c;
    Paczka2 r;
    PaczkaAudio a;
    p.WriteTo(c);
    r.Write(c.Data(), c.Size());
    r.Wyjmij(a);
    return a;
  }
  PaczkaAudio Audio(const char* opis = "") {
    Paczka2 p;
    PaczkaAudio a;
    a.numeraudia = -1;
    while (Czekaj("PaczkaAudio", p)) {
      if (p.Opis != opis) continue;
      return JakoAudio(p);
    }
    return a;
  }
  // True once the server has closed the connection.
  bool Zamkniete() {
    char b[4096];
    for (;;) {
      const ssize_t n = recv(fd, b, sizeof b, 0);
      if (n == 0) return true;
      if (n < 0) return errno == ECONNRESET;
    }
  }
  int fd;
  Paczka2 odbior;
};

// Decodes a received packet's payload into t.
template <class T>
inline void Wyjmij(Paczka2& p, T& t) {
  Core c;
  p.WriteTo(c);
  Paczka2 r;
  r.Write(c.Data(), c.Size());
  r.Wyjmij(t);
}

inline std::string Dane(const PaczkaAudio& a) { return std::string(a.dane.Data(), static_cast<size_t>(a.dane.Size())); }

struct Srodowisko {
  // The stations are indexed before the server starts unless `zindeksuj` is false (then
  // the server's archive thread does it). Silences count as events from `dlugoscCiszy`
  // seconds on: by default only beyond a day, so that the fixture's silences stay out of
  // the events that the tests follow. With `zMetrykami` the server counts into `metryki`.
  explicit Srodowisko(Klient::Ustawienia ku = Klient::Ustawienia(), Serwer::Ustawienia u = Serwer::Ustawienia(),
                      bool zindeksuj = true, double dlugoscCiszy = 86400, bool zMetrykami = false)
      : s1(fixtures::Strumien::Warstwa::III, kT0), s2(fixtures::Strumien::Warstwa::III, kT0 + kS * 60) {
    // Station A: 20 s of time code in two files cut at a frame boundary, then a gap, then
    // 10 s of silence from T0 + 60 s.
    s1.Kod(kS * 20);
    const RotterLayout l(RotterLayout::Rodzaj::Accurate, "mp3", "", true);
    const int64_t k = s1.RamkaW(kT0 + kS * 10);
    poczatekB = s1.CzasRamki(k);
    const String a = dir.Path() + "/a";
    fixtures::Zapisz(a, l.Sciezka(kT0), s1.Bajty().substr(0, static_cast<size_t>(s1.Offset(k))), Czas::Teraz());
    fixtures::Zapisz(a, l.Sciezka(poczatekB), s1.Bajty().substr(static_cast<size_t>(s1.Offset(k))), Czas::Teraz());
    s2.Cisza(kS * 10);
    fixtures::Zapisz(a, l.Sciezka(kT0 + kS * 60), s2.Bajty(), Czas::Teraz());
    std::ofstream(dir.Path() + "/a.txt")
        << "# events\nevent\tWiadomości\t2024-05-01T10:00:02.000Z\t2024-05-01T10:00:04.000Z\n"
           "event\tWiadomości\t2024-05-01T10:01:02.000Z\t2024-05-01T10:01:03.000Z\n"
           "marker\tSygnał\t2024-05-01T10:00:05.000Z\nbad line\n";
    std::vector<std::unique_ptr<Stacja>> st;
    st.push_back(std::make_unique<Stacja>(
        KonfiguracjaStacji{"A", a, "accurate", "mp3", "", true, dir.Path() + "/a.txt", -50, dlugoscCiszy}));
    st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{"Pusta", dir.Path() + "/pusta", "accurate", "mp3", "", true, ""}));
    std::filesystem::create_directories(dir.Path() + "/pusta");
    st.push_back(std::make_unique<Stacja>(KonfiguracjaStacji{"Brak", dir.Path() + "/brak", "accurate", "mp3", "", true, ""}));
    u.host = "127.0.0.1";
    u.port = 0;
    u.klient = ku;
    if (u.odswiezCo == Roznica::Sekunda) u.odswiezCo = Roznica::Milisekunda * 100;
    if (zindeksuj) {
      for (auto& x : st) x->Odswiez();
    }
    stacje = {st[0].get(), st[1].get(), st[2].get()};
    if (zMetrykami) {
      metryki = std::make_unique<Metryki>(st);
      u.klient.metryki = metryki.get();
    }
    serwer = std::make_unique<Serwer>(std::move(st), u);
    serwer->Otworz();
    watek = std::thread([this] { serwer->Uruchom(); });
  }
  ~Srodowisko() {
    serwer->Zatrzymaj();
    watek.join();
  }
  int Port() const { return serwer->Port(); }
  // A player on station A at t, playing.
  std::unique_ptr<Klient2> Gracz(Czas t, const String& stacja = "A") {
    auto k = std::make_unique<Klient2>(Port());
    k->Surowe("player\n");
    k->Tekst("zmienstacje " + t.NapisHex() + " " + stacja);
    k->Tekst("play");
    return k;
  }

  // Wakes the archive thread's next look at the archive.
  void Zmien(const String& plik, const std::string& tresc) { std::ofstream(dir.Path() + "/" + plik) << tresc; }

  TempDir dir;
  fixtures::Strumien s1;
  fixtures::Strumien s2;  // the recording from T0 + 60 s, the one that grows
  Czas poczatekB;
  std::vector<Stacja*> stacje;  // A, Pusta, Brak
  std::unique_ptr<Metryki> metryki;  // outlives the server, whose clients count into it
  std::unique_ptr<Serwer> serwer;
  std::thread watek;
};

// Whether this process holds the file open (the archive thread indexing it).
inline bool Otwarty(const std::string& sciezka) {
  const std::filesystem::path szukany = std::filesystem::canonical(sciezka);
  std::error_code e;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", e)) {
    if (std::filesystem::read_symlink(fd.path(), e) == szukany) return true;
  }
  return false;
}

// Writes dir/nazwa: 10 s of audio from t, then zeros (a hole: no disk used) to 2 GiB, which
// an index searches byte by byte for more frames. Returns its path.
inline std::string DuzyPlik(const std::string& dir, const std::string& nazwa, Czas t) {
  fixtures::Strumien s(fixtures::Strumien::Warstwa::III, t);
  s.Cisza(Roznica::Sekunda * 10);
  fixtures::Zapisz(dir, nazwa, s.Bajty(), Czas::Teraz());
  const std::string sciezka = dir + "/" + nazwa;
  if (truncate(sciezka.c_str(), int64_t{2} << 30) != 0) throw std::runtime_error("truncate");
  return sciezka;
}

}  // namespace serwer::testy
