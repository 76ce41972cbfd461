// korwendo-play against a hostile server: the test plays the server on loopback with
// blocking calls and sends what a real server never does (audio whose format text lies
// about its frames, a packet longer than any a server sends, a flood of packets of no
// known kind) between valid 44.1 kHz layer III audio sent at the pace of playing. What a
// bad packet may cost is its connection; later playback, on the same connection or the
// next, must go on.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "archive/MpegEncoder.h"
#include "common/PaczkaAudio.h"
#include "mpeg/Mp3Header.h"
#include "player/EsencjaPlayera.h"
#include "player/SerwerTestowy.h"
#include "support/ProcesTestowy.h"
#include "support/TempDir.h"
#include "textforms/CzasTekstowy.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using serwer::Nasluch;
using serwer::Polaczenie;

constexpr Czas kT0(133400000000000000);
constexpr int kRate = 44100;
constexpr int kSpf = 1152;
// Frames per packet: about one second, as a server sends.
constexpr int kRamekWPaczce = 38;
const String kFormat = "44100 stereo 128 MPEG1";

// Forty seconds of a 440 Hz tone, 44.1 kHz stereo layer III at 128 kb/s, frame by frame.
const std::vector<std::string>& Ramki() {
  static const std::vector<std::string> r = [] {
    LameEncoder e(kRate, 2, 128);
    std::vector<int16_t> pcm(static_cast<size_t>(kRate) * 40 * 2);
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
      const auto v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / kRate));
      pcm[2 * i] = pcm[2 * i + 1] = v;
    }
    std::string b;
    e.Koduj(pcm.data(), kRate * 40, b);
    e.Zakoncz(b);
    std::vector<std::string> out;
    for (size_t p = 0; p + 4 <= b.size();) {
      const size_t l = static_cast<size_t>(Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(b.data() + p)).FrameLength());
      if (l == 0 || p + l > b.size()) break;
      out.push_back(b.substr(p, l));
      p += l;
    }
    return out;
  }();
  return r;
}

Roznica CzasRamek(int64_t n) { return Roznica(n * kSpf * Roznica::Sekunda.Wartosc() / kRate); }

// The audio packet of frames [od, od + kRamekWPaczce) of the tone (round and round),
// stamped t, with the format text `format`.
Paczka2 Audio(Czas t, int64_t od, const String& format) {
  PaczkaAudio a;
  a.numeraudia = 2;
  a.format = format;
  a.czas = t;
  const std::vector<std::string>& r = Ramki();
  for (int64_t i = od; i < od + kRamekWPaczce; ++i) {
    const std::string& f = r[static_cast<size_t>(i) % r.size()];
    a.dane.InsertAt(a.dane.Size(), f.data(), static_cast<int>(f.size()));
  }
  return Paczka2(a, String());
}

// Takes a player's greeting, accepts its station and returns the moment it asked for.
std::optional<Czas> Powitanie(Polaczenie& c) {
  if (c.Czytaj(7) != "player\n") return std::nullopt;
  const String z = c.NastepnyTekst();
  Czas t;
  if (z.rfind("zmienstacje ", 0) != 0 || z.size() < 28 || !Czas::CzytajHex(z.substr(12, 16), t)) return std::nullopt;
  c.WyslijTekst("terazgramy Zegar");
  return t;
}

// Sends valid audio from t on at the pace of playing, 3 s ahead of it, for `sekund` or
// until the player closes the connection; `miedzy` runs between the rounds, each of which
// waits up to `przerwa` for the player to close.
void GrajNaZywo(Polaczenie& c, Czas t, double sekund, const std::function<void()>& miedzy = nullptr,
                std::chrono::milliseconds przerwa = 50ms) {
  const auto start = Clock::now();
  int64_t ramka = 0;
  for (;;) {
    const double minelo = std::chrono::duration<double>(Clock::now() - start).count();
    if (minelo >= sekund) return;
    while (static_cast<double>(ramka) * kSpf / kRate < minelo + 3) {
      c.Wyslij(Audio(t + CzasRamek(ramka), ramka, kFormat));
      ramka += kRamekWPaczce;
    }
    if (miedzy) miedzy();
    if (c.Zamknal(przerwa)) return;
  }
}

// korwendo-play on the server of `n` at kT0, on the null output recording into `dir`.
std::unique_ptr<Proces> Graj(const Nasluch& n, const TempDir& dir) {
  return std::make_unique<Proces>(std::vector<String>{KG_PLAYER, "--config", dir / "cfg", "--station", "Zegar@" + n.Adres(),
                                                      "--at", NapisIso(kT0), "--audio", "null", "--capture", dir / "heard.wav"},
                                  dir.Path());
}

// The index of the n-th line (from 1) equal to `tekst`, waiting up to `ms`; -1 if none.
int NtaLinia(Proces& p, const String& tekst, int n, int ms) {
  int gdzie = -1;
  for (int i = 0; i < n; ++i) {
    gdzie = p.CzekajNaLinie(tekst, static_cast<size_t>(gdzie + 1), ms);
    if (gdzie < 0) return -1;
  }
  return gdzie;
}

// The times printed from line `od` on.
std::vector<Czas> Czasy(const std::vector<String>& l, size_t od = 0) {
  std::vector<Czas> out;
  for (size_t i = od; i < l.size(); ++i) {
    if (l[i].rfind("time 2", 0) == 0) out.push_back(ParsujCzas(l[i].substr(5)));
  }
  return out;
}

// The rate and channels of every file the null output recorded in `dir`.
std::vector<std::pair<int, int>> Nagrane(const TempDir& dir) {
  std::vector<std::pair<int, int>> out;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    if (e.path().filename().string().rfind("heard", 0) != 0) continue;
    std::ifstream f(e.path(), std::ios::binary);
    const String b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const auto u = [&](size_t i, int n) {
      unsigned v = 0;
      for (int k = n - 1; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(b[i + static_cast<size_t>(k)]);
      return static_cast<int>(v);
    };
    for (size_t i = 12; i + 24 <= b.size(); i += 8 + static_cast<size_t>(u(i + 4, 4))) {
      if (b.compare(i, 4, "fmt ") == 0) {
        out.emplace_back(u(i + 12, 4), u(i + 10, 2));
        break;
      }
    }
  }
  return out;
}

// Checks that after line `od` the moment shown moves on with playing: `ile` times, each
// later than the one before, the last at least ile - 2 seconds after the first.
void Postepuje(Proces& p, size_t od, int ile) {
  ASSERT_TRUE(p.CzekajNaCzasy(od, ile, 30000)) << p.Tekst();
  const std::vector<Czas> c = Czasy(p.Linie(), od);
  for (size_t i = 1; i < c.size(); ++i) EXPECT_GT(c[i], c[i - 1]) << p.Tekst();
  EXPECT_GE(c.back() - c.front(), Roznica::Sekunda * (ile - 2)) << p.Tekst();
}

class Nieprzyjazny : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::signal(SIGPIPE, SIG_IGN);
    Ramki();
  }
};

// Three packets whose format text disagrees with their 44.1 kHz stereo frames, then
// valid audio on the same connection: the first lie costs the connection, with the
// reason, and the valid audio of the next connection plays; the card is never opened in
// the lying format. All the formats at once, each with its own server and player.
TEST_F(Nieprzyjazny, AFormatThatLiesCostsItsConnectionNotLaterPlayback) {
  const std::vector<std::pair<String, String>> przypadki = {
      {"48000 stereo 128 MPEG1", "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"48000 stereo 128 MPEG1\""},
      {"22050 mono 64 MPEG1", "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"22050 mono 64 MPEG1\""},
      {"192000 stereo 128 MPEG1", "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"192000 stereo 128 MPEG1\""},
      {"20000000 stereo 128 MPEG1", "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"20000000 stereo 128 MPEG1\""},
      {"44100 stereo 16 PCM", "format \"44100 stereo 16 PCM\" podaje 16 kb/s zamiast 1411 kb/s swoich próbek"},
  };
  struct Przebieg {
    Nasluch n;
    TempDir dir;
    std::thread serwer;
    std::unique_ptr<Proces> p;
  };
  std::vector<std::unique_ptr<Przebieg>> przebiegi;
  for (const auto& [format, powod] : przypadki) {
    auto r = std::make_unique<Przebieg>();
    r->serwer = std::thread([&n = r->n, format = format] {
      Polaczenie c = n.Przyjmij(10s);
      std::optional<Czas> t = Powitanie(c);
      if (!t) return;
      for (int k = 0; k < 3; ++k) c.Wyslij(Audio(*t + CzasRamek(k * kRamekWPaczce), k * kRamekWPaczce, format));
      GrajNaZywo(c, *t + CzasRamek(3 * kRamekWPaczce), 20);
      Polaczenie d = n.Przyjmij(15s);
      t = Powitanie(d);
      if (t) GrajNaZywo(d, *t, 25);
    });
    r->p = Graj(r->n, r->dir);
    przebiegi.push_back(std::move(r));
  }
  for (size_t i = 0; i < przypadki.size(); ++i) {
    SCOPED_TRACE(przypadki[i].first);
    Przebieg& r = *przebiegi[i];
    const int drugie = NtaLinia(*r.p, "connection: connected", 2, 25000);
    EXPECT_GE(drugie, 0) << "the lying connection was kept\n" << r.p->Tekst();
    if (drugie >= 0) Postepuje(*r.p, static_cast<size_t>(drugie), 6);
    r.p->Pisz("quit");
    EXPECT_EQ(r.p->Koniec(10000), std::optional<int>(0)) << r.p->Tekst();
    const String tekst = r.p->Tekst();
    EXPECT_NE(tekst.find("status: Rozłączony: serwer przysłał " + przypadki[i].second), String::npos) << tekst;
    for (const auto& [rate, kanaly] : Nagrane(r.dir)) {
      EXPECT_EQ(rate, kRate) << "the card was opened in the lying format";
      EXPECT_EQ(kanaly, 2);
    }
  }
  for (auto& r : przebiegi) {
    r->n.Zamknij();
    r->serwer.join();
  }
}

// A packet one byte longer than the largest a server sends fails the connection as soon
// as its header says so, with the reason; the next connection plays.
TEST_F(Nieprzyjazny, APacketLongerThanAServerSendsCostsItsConnection) {
  Nasluch n;
  TempDir dir;
  std::thread serwer([&] {
    Polaczenie c = n.Przyjmij(10s);
    std::optional<Czas> t = Powitanie(c);
    if (!t) return;
    GrajNaZywo(c, *t, 2);
    // Tag, version, name length, name, payload size, payload, description length.
    const String nazwa = "Nieznana";
    Paczka2 duza;
    duza.Nazwa = nazwa;
    duza.core.SetSize(EsencjaPlayera::kMaksPaczka + 1 - (6 + 4 + 4 + static_cast<int>(nazwa.size()) + 4 + 4));
    c.Wyslij(duza);
    GrajNaZywo(c, *t + Roznica::Sekunda * 5, 10);
    Polaczenie d = n.Przyjmij(15s);
    t = Powitanie(d);
    if (t) GrajNaZywo(d, *t, 25);
  });
  auto p = Graj(n, dir);
  const int drugie = NtaLinia(*p, "connection: connected", 2, 25000);
  EXPECT_GE(drugie, 0) << "the long packet was taken\n" << p->Tekst();
  if (drugie >= 0) Postepuje(*p, static_cast<size_t>(drugie), 5);
  p->Pisz("quit");
  EXPECT_EQ(p->Koniec(10000), std::optional<int>(0)) << p->Tekst();
  const String m = std::to_string(EsencjaPlayera::kMaksPaczka);
  EXPECT_GE(p->CzekajNaLinie("status: Rozłączony: Paczka: paczka dłuższa niż " + m + " bajtów (co najmniej " +
                                 std::to_string(EsencjaPlayera::kMaksPaczka + 1) + ")",
                             0, 0),
            0)
      << p->Tekst();
  n.Zamknij();
  serwer.join();
}

// A flood of small packets of no known kind (and texts of no known command) between the
// audio: they are dropped as they are read, and the once-a-second time line keeps coming,
// moving with playing.
TEST_F(Nieprzyjazny, AFloodOfUnknownPacketsDoesNotStopTheTimeLine) {
  Nasluch n;
  TempDir dir;
  std::thread serwer([&] {
    Polaczenie c = n.Przyjmij(10s);
    std::optional<Czas> t = Powitanie(c);
    if (!t) return;
    Paczka2 obca;
    obca.Nazwa = "Xyz";
    obca.core.SetSize(16);
    String zalew;
    for (int i = 0; i < 500; ++i) zalew += serwer::Zakoduj(i % 2 == 0 ? obca : Paczka2("nieznana komenda " + std::to_string(i)));
    // The flood until the player closes, without a pause: 50 ms of it between the audio
    // packets.
    GrajNaZywo(
        c, *t, 30,
        [&] {
          const auto koniec = Clock::now() + 50ms;
          while (Clock::now() < koniec) c.Wyslij(zalew);
        },
        0ms);
  });
  auto p = Graj(n, dir);
  const int gra = p->CzekajNaLinie("station: Zegar", 0, 15000);
  ASSERT_GE(gra, 0) << p->Tekst();
  // Nine seconds of flood: nine time lines (one may fall on either side of the window).
  const size_t od = p->IleLinii();
  std::this_thread::sleep_for(9s);
  const std::vector<Czas> c = Czasy(p->Linie(), od);
  p->Pisz("quit");
  EXPECT_EQ(p->Koniec(10000), std::optional<int>(0)) << p->Tekst();
  EXPECT_GE(c.size(), 8u) << p->Tekst();
  ASSERT_FALSE(c.empty());
  for (size_t i = 1; i < c.size(); ++i) EXPECT_GT(c[i], c[i - 1]);
  EXPECT_GE(c.back() - c.front(), Roznica::Sekunda * 6) << "the moment shown stood still";
  n.Zamknij();
  serwer.join();
}

}  // namespace
