// End to end: korwendo-play against real korwendo-server processes on loopback. One demo
// server (and its archive) serves the whole file; a second server reads the same archive
// through a configuration file. What the player shows is checked against what it played:
// the null output records what was heard, "captured N" places each printed time in that
// recording, and the demo time code read there says which moment was really heard.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "archive/DemoRecorder.h"
#include "archive/DemoSchedule.h"
#include "archive/EventsFile.h"
#include "archive/MpegEncoder.h"
#include "archive/RotterLayout.h"
#include "archive/TimeCode.h"
#include "archive/TimeCodeProbe.h"
#include "korwendo-play/HeadlessPlayer.h"
#include "mpeg/Mp3Header.h"
#include "support/ProcesTestowy.h"
#include "support/PrzedzialySerwera.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

// How far the moment heard may be from the moment shown.
constexpr double kZgodnoscMs = 30;
// How much audio after a printed time is read for its time code.
constexpr Roznica kOkno = Roznica::Milisekunda * 2900;

// Starts a server with `argumenty` in `katalog` and returns it with the port it listens
// on; the port is 0 when it did not start.
std::pair<std::unique_ptr<Proces>, int> StartSerwera(const std::vector<String>& argumenty, const String& katalog) {
  return StartSerweraTestowego(KG_SERVER, argumenty, katalog);
}

// The local ports of the established loopback connections to `port` (the client ends).
std::set<int> PolaczeniaDo(int port) {
  std::set<int> out;
  std::ifstream f("/proc/net/tcp");
  String linia;
  std::getline(f, linia);  // the heading
  while (std::getline(f, linia)) {
    std::istringstream s(linia);
    String nr, lokalny, zdalny, stan;
    s >> nr >> lokalny >> zdalny >> stan;
    const size_t a = lokalny.find(':');
    const size_t b = zdalny.find(':');
    if (a == String::npos || b == String::npos || stan != "01") continue;
    if (std::stoi(zdalny.substr(b + 1), nullptr, 16) == port) out.insert(std::stoi(lokalny.substr(a + 1), nullptr, 16));
  }
  return out;
}

// Waits up to `ms` until the connections to `port` satisfy `warunek`.
bool CzekajNaPolaczenia(int port, const std::function<bool(const std::set<int>&)>& warunek, int ms) {
  const auto koniec = Clock::now() + std::chrono::milliseconds(ms);
  while (!warunek(PolaczeniaDo(port))) {
    if (Clock::now() >= koniec) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// One "time" line and the "captured" line after it.
struct Odczyt {
  Czas czas;
  int64_t klatka = 0;
  size_t linia = 0;
};

std::vector<Odczyt> Odczyty(const std::vector<String>& l, size_t od = 0) {
  std::vector<Odczyt> out;
  for (size_t i = od; i + 1 < l.size(); ++i) {
    if (l[i].rfind("time 2", 0) != 0 || l[i + 1].rfind("captured ", 0) != 0) continue;
    out.push_back(Odczyt{ParsujCzas(l[i].substr(5)), std::stoll(l[i + 1].substr(9)), i});
  }
  return out;
}

std::vector<Czas> Czasy(const std::vector<String>& l, size_t od = 0) {
  std::vector<Czas> out;
  for (size_t i = od; i < l.size(); ++i) {
    if (l[i].rfind("time 2", 0) == 0) out.push_back(ParsujCzas(l[i].substr(5)));
  }
  return out;
}

double Ms(Roznica r) { return static_cast<double>(r.Wartosc()) / 1e4; }

// What the null output recorded: its files one after another (a new one for each change
// of format), each as its first channel at its own rate.
class Nagranie {
 public:
  struct Czesc {
    int64_t od = 0;  // the frame count before it
    int rate = 0;
    std::vector<int16_t> probki;
  };

  // Reads `sciezka` and its sequels "-2", "-3", ... beside it.
  explicit Nagranie(const String& sciezka) {
    const size_t kropka = sciezka.rfind('.');
    int64_t od = 0;
    for (int n = 1;; ++n) {
      const String p = n == 1 ? sciezka : sciezka.substr(0, kropka) + "-" + std::to_string(n) + sciezka.substr(kropka);
      std::ifstream f(p, std::ios::binary);
      if (!f) break;
      const String b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      const auto u16 = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1]) << 8); };
      const auto u32 = [&](size_t i) { return u16(i) | u16(i + 2) << 16; };
      Czesc c;
      c.od = od;
      unsigned kanaly = 0;
      for (size_t i = 12; i + 8 <= b.size();) {
        const String id = b.substr(i, 4);
        const size_t dl = std::min<size_t>(u32(i + 4), b.size() - i - 8);
        if (id == "fmt ") {
          kanaly = u16(i + 10);
          c.rate = static_cast<int>(u32(i + 12));
        } else if (id == "data" && kanaly > 0) {
          for (size_t j = i + 8; j + 2 * kanaly <= i + 8 + dl; j += 2 * kanaly) {
            c.probki.push_back(static_cast<int16_t>(u16(j)));
          }
        }
        i += 8 + dl + (dl & 1);
      }
      od += static_cast<int64_t>(c.probki.size());
      czesci.push_back(std::move(c));
    }
  }

  // The part that holds frame n, or null.
  const Czesc* W(int64_t n) const {
    for (const Czesc& c : czesci) {
      if (n >= c.od && n < c.od + static_cast<int64_t>(c.probki.size())) return &c;
    }
    return nullptr;
  }
  int64_t Klatek() const { return czesci.empty() ? 0 : czesci.back().od + static_cast<int64_t>(czesci.back().probki.size()); }

  std::vector<Czesc> czesci;
};

// One printed time checked against the time code heard from its frame on.
struct Pomiar {
  Czas czas;
  std::vector<double> przesunieciaMs;  // for each whole second read: how late it was heard
  bool zgodne = true;                   // each second read is the one the time shown puts there
};

// Measures the pair at k when the pairs after it show that the audio captured in kOkno
// from its frame on is one stretch (the time shown advancing with the frames heard,
// within 5 ms); none otherwise.
std::optional<Pomiar> Zmierz(const std::vector<Odczyt>& o, size_t k, const Nagranie& n) {
  const Nagranie::Czesc* c = n.W(o[k].klatka);
  if (c == nullptr) return std::nullopt;
  const int64_t dl = kOkno.Wartosc() * c->rate / Roznica::Sekunda.Wartosc();
  const int64_t poczatek = o[k].klatka - c->od;
  if (poczatek + dl > static_cast<int64_t>(c->probki.size())) return std::nullopt;
  bool dosc = false;
  for (size_t j = k + 1; j < o.size() && !dosc; ++j) {
    const Roznica wedlugKlatek = Roznica::Sekunda * (o[j].klatka - o[k].klatka) / c->rate;
    if (std::abs(Ms((o[j].czas - o[k].czas) - wedlugKlatek)) > 5) return std::nullopt;
    dosc = o[j].klatka - o[k].klatka >= dl;
  }
  if (!dosc) return std::nullopt;
  const std::vector<int16_t> x(c->probki.begin() + poczatek, c->probki.begin() + poczatek + dl);
  Pomiar p;
  p.czas = o[k].czas;
  for (const probe::Sekunda& s : probe::Czytaj(x, c->rate, o[k].czas)) {
    p.przesunieciaMs.push_back(s.przesuniecieMs);
    p.zgodne = p.zgodne && s.Zgadza();
  }
  if (p.przesunieciaMs.empty()) return std::nullopt;
  return p;
}

// Checks the pairs printed from line `odLinii` on whose time lies in [od, do_]: the first
// of them and at least `ile` in all can be measured, and in each the second heard is the
// one shown, heard within kZgodnoscMs of when it is shown. Prints the offsets under
// `nazwa`.
void SprawdzMoment(const char* nazwa, const std::vector<Odczyt>& o, const Nagranie& n, Czas od, Czas do_,
                   size_t odLinii, int ile = 3) {
  SCOPED_TRACE(nazwa);
  String raport;
  int zmierzone = 0;
  bool pierwszy = true;
  for (size_t k = 0; k < o.size(); ++k) {
    if (o[k].linia < odLinii || o[k].czas < od || o[k].czas > do_) continue;
    const std::optional<Pomiar> p = Zmierz(o, k, n);
    if (pierwszy) {
      EXPECT_TRUE(p) << "the first time shown, " << NapisIso(o[k].czas) << ", begins no steady stretch";
    }
    pierwszy = false;
    if (!p) continue;
    ++zmierzone;
    EXPECT_TRUE(p->zgodne) << "at " << NapisIso(p->czas) << " another second was heard";
    for (double ms : p->przesunieciaMs) {
      EXPECT_LE(std::abs(ms), kZgodnoscMs) << "at " << NapisIso(p->czas);
      char b[32];
      std::snprintf(b, sizeof b, " %+.1f", ms);
      raport += b;
    }
  }
  EXPECT_FALSE(pierwszy) << "no time shown in [" << NapisIso(od) << ", " << NapisIso(do_) << "]";
  EXPECT_GE(zmierzone, ile);
  std::printf("[ moment  ] %s: heard later than shown by (ms):%s\n", nazwa, raport.c_str());
  std::fflush(stdout);
}

// Writes the time code of [od, od + ramek frames) at `rate` Hz stereo as one layer III file
// of the Rotter "accurate" layout under `katalog`, fed so that its first frame decodes to
// the samples of `od` (as the demo recorder writes its pieces); returns where it ends.
Czas ZapiszPlikKodu(const String& katalog, Czas od, int rate, int ramek) {
  LameEncoder e(rate, 2, 128);
  const TimeCode kod(rate);
  const int64_t p0 = TimeCode::NumerProbki(od, rate);
  const int ile = (ramek + 4) * e.ProbekWRamce();
  std::vector<int16_t> pcm(static_cast<size_t>(ile) * 2);
  kod.Probki(p0 + e.Opoznienie(), ile, 2, pcm.data());
  std::string b;
  e.Koduj(pcm.data(), ile, b);
  e.Zakoncz(b);
  size_t p = 0;
  for (int i = 0; i < ramek; ++i) {
    p += static_cast<size_t>(Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(b.data() + p)).FrameLength());
  }
  const String sciezka = katalog + "/" + RotterLayout(RotterLayout::Rodzaj::Accurate, "mp3", "", true).Sciezka(od);
  std::filesystem::create_directories(std::filesystem::path(sciezka).parent_path());
  std::ofstream(sciezka, std::ios::binary).write(b.data(), static_cast<std::streamsize>(p));
  return TimeCode::CzasProbki(p0 + int64_t{ramek} * e.ProbekWRamce(), rate);
}

// A real archive whose sample rate changes between two files (44.1 kHz, then 48 kHz) on a
// real server: playing goes on across the change, and before and after it the second
// heard is the one shown.
TEST(HeadlessPlayerRealArchive, PlaysAcrossAChangeOfSampleRateBetweenFiles) {
  std::signal(SIGPIPE, SIG_IGN);
  TempDir dir;
  const Czas t1 = ParsujCzas("2024-03-01T10:00:00Z");
  const String stacja = dir / "archive/Zmiana";
  // The second file starts on the hundredth of a second its name can state, at most 10 ms
  // after the first ends.
  const Czas koniecA = ZapiszPlikKodu(stacja, t1, 44100, 766);
  const Czas t2 = (koniecA + Roznica::Milisekunda * 10 - Roznica(1)).Zaokraglij(Roznica::Milisekunda * 10);
  const Czas koniecB = ZapiszPlikKodu(stacja, t2, 48000, 800);
  std::ofstream(dir / "zmiana.conf") << "[Zmiana]\nkatalog = " << stacja << "\nuklad = accurate\nsufiks = mp3\nczas = utc\n";
  auto [serwer, port] = StartSerwera({"--config", dir / "zmiana.conf"}, dir.Path());
  ASSERT_GT(port, 0) << serwer->Tekst();
  std::optional<::Przedzialy> w;
  for (int i = 0; i < 100 && !(w && w->Zawiera(t1) && w->Zawiera(koniecB - Roznica::Sekunda)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    w = PrzedzialyNaSerwerze(port, "Zmiana", t1);
  }
  ASSERT_TRUE(w && w->Zawiera(t1) && w->Zawiera(koniecB - Roznica::Sekunda)) << serwer->Tekst();

  const Czas at = t2 - Roznica::Sekunda * 6;
  Proces p({KG_PLAYER, "--config", dir / "cfg", "--station", "Zmiana@127.0.0.1:" + std::to_string(port), "--at",
            NapisIso(at), "--audio", "null", "--capture", dir / "heard.wav"},
           dir.Path());
  ASSERT_TRUE(p.CzekajNaCzasy(0, 14, 30000)) << p.Tekst();
  p.Pisz("quit");
  EXPECT_EQ(p.Koniec(10000), std::optional<int>(0)) << p.Tekst();
  const std::vector<Odczyt> o = Odczyty(p.Linie());
  const Nagranie n(dir / "heard.wav");
  ASSERT_EQ(n.czesci.size(), 2u) << "one recording for each rate";
  EXPECT_EQ(n.czesci[0].rate, 44100);
  EXPECT_EQ(n.czesci[1].rate, 48000);
  ASSERT_FALSE(o.empty());
  EXPECT_GE(o.back().czas, t2 + Roznica::Sekunda * 5) << "playing stopped at the change\n" << p.Tekst();
  SprawdzMoment("before a change of sample rate", o, n, at, koniecA - kOkno, 0, 2);
  SprawdzMoment("after a change of sample rate", o, n, t2 + Roznica::Sekunda, koniecB - kOkno, 0, 2);
}

class HeadlessPlayerServer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::signal(SIGPIPE, SIG_IGN);
    katalog = std::make_unique<TempDir>();
    archiwum = *katalog / "archive";
    auto [a, pa] = StartSerwera({"--demo", "--archive", archiwum}, katalog->Path());
    serwerA = std::move(a);
    portA = pa;
    ASSERT_GT(portA, 0) << serwerA->Tekst();
    start = Clock::now();
    const std::optional<Czas> l = DemoRecorder::PoczatekNaZywo(archiwum);
    ASSERT_TRUE(l) << "no .demo-start in " << archiwum;
    naZywo = *l;

    // The second server reads the same archive through its configuration.
    std::ofstream k(*katalog / "b.conf");
    for (const StacjaDemo& s : DemoRecorder::Stacje()) {
      k << "[" << s.nazwa << "]\nkatalog = " << archiwum << "/" << s.nazwa << "\nuklad = accurate\nsufiks = " << s.sufiks
        << "\nczas = utc\n";
    }
    k.close();
    auto [b, pb] = StartSerwera({"--config", *katalog / "b.conf"}, katalog->Path());
    serwerB = std::move(b);
    portB = pb;
    ASSERT_GT(portB, 0) << serwerB->Tekst();
  }

  void SetUp() override {
    ASSERT_GT(portA, 0);
    ASSERT_GT(portB, 0);
  }

  static void TearDownTestSuite() {
    serwerB.reset();
    serwerA.reset();
    katalog.reset();
  }

  // Waits, at most until `limitS` seconds after the server started, until every demo
  // station has recorded [od, do_) (which must lie in the backlog, before naZywo) and
  // both servers have indexed it: each of its pieces is among the audio intervals the
  // server announces.
  static void CzekajNaNagranie(Czas od, Czas do_, int limitS) {
    ASSERT_LE(do_, naZywo);
    const std::vector<KawalekDemo> kawalki = DemoSchedule::Kawalki(od, do_, OpcjeDemo().kawalek);
    for (;;) {
      bool sa = true;
      for (int p : {portA, portB}) {
        for (const StacjaDemo& s : DemoRecorder::Stacje()) {
          std::optional<::Przedzialy> w = PrzedzialyNaSerwerze(p, s.nazwa, od);
          for (const KawalekDemo& k : kawalki) {
            sa = sa && w && w->Zawiera(k.poczatek) && w->Zawiera(k.koniec - Roznica::Sekunda);
          }
        }
      }
      if (sa) return;
      ASSERT_LT(Clock::now(), start + std::chrono::seconds(limitS))
          << "the demo backlog has not reached " << NapisIso(od) << " in " << limitS << " s";
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }

  // Starts korwendo-play on `stacja` (NAME@HOST:PORT) at `at`, recording into heard.wav.
  std::unique_ptr<Proces> Graj(const String& stacja, Czas at) {
    return std::make_unique<Proces>(
        std::vector<String>{KG_PLAYER, "--config", dir / "cfg", "--station", stacja, "--at", NapisIso(at), "--audio",
                            "null", "--capture", Nagrania()},
        dir.Path());
  }
  String Nagrania() const { return dir / "heard.wav"; }

  // Ends the player with "quit"; it must exit 0.
  static void Zakoncz(Proces& p) {
    p.Pisz("quit");
    const std::optional<int> kod = p.Koniec(10000);
    EXPECT_EQ(kod, std::optional<int>(0)) << p.Tekst();
  }

  // After the player reconnected (its line `polaczony`): waits for the station named again
  // and seven times shown, ends the player, and checks that the time shown goes on from
  // `ostatni`, the last one shown before the connection was lost. `gra` is the line where
  // the station was named again.
  static void GraDalejOdUslyszanej(Proces& p, size_t polaczony, Czas ostatni, size_t& gra) {
    const int g = p.CzekajNaLinie("station: Zegar", polaczony, 10000);
    ASSERT_GE(g, 0) << p.Tekst();
    gra = static_cast<size_t>(g);
    ASSERT_TRUE(p.CzekajNaCzasy(gra, 7, 15000)) << p.Tekst();
    Zakoncz(p);
    const std::vector<Czas> po = Czasy(p.Linie(), gra);
    ASSERT_FALSE(po.empty());
    EXPECT_GE(po.front(), ostatni);
    EXPECT_LE(po.front(), ostatni + Roznica::Sekunda * 3) << "playing did not go on from the moment heard";
    for (size_t i = 1; i < po.size(); ++i) EXPECT_GE(po[i], po[i - 1]);
  }

  static String A() { return "127.0.0.1:" + std::to_string(portA); }
  static String B() { return "127.0.0.1:" + std::to_string(portB); }

  static inline std::unique_ptr<TempDir> katalog;
  static inline String archiwum;
  static inline std::unique_ptr<Proces> serwerA;  // the demo server
  static inline std::unique_ptr<Proces> serwerB;  // reads the demo server's archive
  static inline int portA = 0;
  static inline int portB = 0;
  static inline Czas naZywo;  // where the live recording began: the backlog ends there
  static inline Clock::time_point start;
  TempDir dir;
};

// The moment shown is the moment heard: after the start, a seek forward and a seek back.
TEST_F(HeadlessPlayerServer, TheMomentShownIsTheMomentHeard) {
  const Czas at = naZywo - Roznica::Minuta * 6;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at - Roznica::Minuta * 2, naZywo, 60));
  auto p = Graj("Zegar@" + A(), at);
  ASSERT_TRUE(p->CzekajNaCzasy(0, 6, 20000)) << p->Tekst();
  const size_t poStarcie = p->IleLinii();
  p->Pisz("seek +2m");
  ASSERT_TRUE(p->CzekajNaCzasy(poStarcie, 7, 15000)) << p->Tekst();
  const size_t poPrzod = p->IleLinii();
  p->Pisz("seek -3m");
  ASSERT_TRUE(p->CzekajNaCzasy(poPrzod, 7, 15000)) << p->Tekst();
  Zakoncz(*p);

  const std::vector<Odczyt> o = Odczyty(p->Linie());
  const Nagranie n(Nagrania());
  ASSERT_FALSE(o.empty()) << p->Tekst();
  ASSERT_LE(o.back().klatka, n.Klatek());
  SprawdzMoment("after the start", o, n, at, at + Roznica::Sekunda * 10, 0);
  // The seeks move from the time heard when the command arrived.
  const Czas przod = at + Roznica::Minuta * 2;
  const Czas tyl = przod - Roznica::Minuta * 3;
  SprawdzMoment("after a seek forward", o, n, przod, przod + Roznica::Sekunda * 15, poStarcie);
  SprawdzMoment("after a seek back", o, n, tyl, tyl + Roznica::Sekunda * 25, poPrzod);
}

// "stop" holds the time shown and the audio; "play" goes on from the moment held.
TEST_F(HeadlessPlayerServer, StopHoldsTheTimeAndPlayGoesOnFromIt) {
  const Czas at = naZywo - Roznica::Minuta * 5;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at, naZywo, 60));
  auto p = Graj("Zegar@" + A(), at);
  ASSERT_TRUE(p->CzekajNaCzasy(0, 3, 20000)) << p->Tekst();
  const size_t przedStop = p->IleLinii();
  p->Pisz("stop");
  ASSERT_TRUE(p->CzekajNaCzasy(przedStop, 5, 15000)) << p->Tekst();
  const size_t przedPlay = p->IleLinii();
  p->Pisz("play");
  ASSERT_TRUE(p->CzekajNaCzasy(przedPlay, 7, 15000)) << p->Tekst();
  Zakoncz(*p);

  const std::vector<String> l = p->Linie();
  const std::vector<Odczyt> o = Odczyty(l);
  std::vector<Odczyt> stoi;
  for (const Odczyt& x : o) {
    if (x.linia >= przedStop && x.linia < przedPlay) stoi.push_back(x);
  }
  // The first time after "stop" may have been read before the command arrived.
  ASSERT_GE(stoi.size(), 4u) << p->Tekst();
  for (size_t i = 2; i < stoi.size(); ++i) {
    EXPECT_EQ(stoi[i].czas, stoi[1].czas) << p->Tekst();
    EXPECT_EQ(stoi[i].klatka, stoi[1].klatka) << "audio was heard while stopped";
  }
  const Czas trzymany = stoi.back().czas;
  const std::vector<Czas> po = Czasy(l, przedPlay);
  ASSERT_GE(po.size(), 6u);
  for (size_t i = 1; i < po.size(); ++i) EXPECT_GE(po[i], po[i - 1]);
  EXPECT_GT(po.back(), trzymany + Roznica::Sekunda * 3) << "playing did not go on";
  EXPECT_LE(po[1], trzymany + Roznica::Milisekunda * 2500) << "playing did not go on from the moment held";
  const Nagranie n(Nagrania());
  SprawdzMoment("after stop and play", o, n, trzymany, trzymany + Roznica::Sekunda * 15, przedPlay);
}

// A station on the server already connected to: the same connection goes on (only the
// station is changed), the time heard is kept, and the new station is heard at the moment
// shown.
TEST_F(HeadlessPlayerServer, StationChangeOnTheSameServerKeepsTheConnectionAndTheTime) {
  const Czas at = naZywo - Roznica::Minuta * 5;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at, naZywo, 60));
  auto p = Graj("Zegar@" + A(), at);
  ASSERT_TRUE(p->CzekajNaCzasy(0, 3, 20000)) << p->Tekst();
  const std::set<int> polaczenia = PolaczeniaDo(portA);
  ASSERT_EQ(polaczenia.size(), 1u);
  const size_t od = p->IleLinii();
  const Czas slyszany = Czasy(p->Linie()).back();
  p->Pisz("station Fala");
  const int gra = p->CzekajNaLinie("station: Fala", od, 10000);
  ASSERT_GE(gra, 0) << p->Tekst();
  ASSERT_TRUE(p->CzekajNaCzasy(static_cast<size_t>(gra), 7, 15000)) << p->Tekst();
  EXPECT_EQ(PolaczeniaDo(portA), polaczenia) << "the player connected again";
  Zakoncz(*p);

  const std::vector<String> l = p->Linie();
  for (size_t i = od; i < l.size(); ++i) EXPECT_NE(l[i].rfind("connection: ", 0), 0u) << l[i];
  const std::vector<Czas> po = Czasy(l, static_cast<size_t>(gra));
  ASSERT_FALSE(po.empty());
  EXPECT_GE(po.front(), slyszany);
  EXPECT_LE(po.front(), slyszany + Roznica::Sekunda * 3) << "the time heard was not kept";
  SprawdzMoment("after a station change on the same server (Fala)", Odczyty(l), Nagranie(Nagrania()), slyszany,
                slyszany + Roznica::Sekunda * 15, static_cast<size_t>(gra));
}

// A station on another server: the player leaves the first server for the second, and
// goes on from the time heard.
TEST_F(HeadlessPlayerServer, StationChangeToAnotherServerReconnectsAndKeepsTheTime) {
  const Czas at = naZywo - Roznica::Minuta * 5;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at, naZywo, 60));
  auto p = Graj("Zegar@" + A(), at);
  ASSERT_TRUE(p->CzekajNaCzasy(0, 3, 20000)) << p->Tekst();
  ASSERT_EQ(PolaczeniaDo(portA).size(), 1u);
  EXPECT_TRUE(PolaczeniaDo(portB).empty());
  const size_t od = p->IleLinii();
  const Czas slyszany = Czasy(p->Linie()).back();
  p->Pisz("station Zegar@" + B());
  const int gra = p->CzekajNaLinie("station: Zegar", od, 10000);
  ASSERT_GE(gra, 0) << p->Tekst();
  EXPECT_TRUE(CzekajNaPolaczenia(portB, [](const std::set<int>& s) { return s.size() == 1; }, 10000));
  EXPECT_TRUE(CzekajNaPolaczenia(portA, [](const std::set<int>& s) { return s.empty(); }, 10000))
      << "the first server's connection stayed";
  ASSERT_TRUE(p->CzekajNaCzasy(static_cast<size_t>(gra), 7, 15000)) << p->Tekst();
  Zakoncz(*p);

  const std::vector<String> l = p->Linie();
  EXPECT_GE(p->CzekajNaLinie("connection: connected", od, 0), 0) << p->Tekst();
  const std::vector<Czas> po = Czasy(l, static_cast<size_t>(gra));
  ASSERT_FALSE(po.empty());
  EXPECT_GE(po.front(), slyszany);
  EXPECT_LE(po.front(), slyszany + Roznica::Sekunda * 3) << "the time heard was not kept";
  SprawdzMoment("after a change to another server", Odczyty(l), Nagranie(Nagrania()), slyszany,
                slyszany + Roznica::Sekunda * 15, static_cast<size_t>(gra));
}

// --list asks every server at once: the one that answers lists its stations with a green
// lamp, the one that refuses is red, and so are the favourites that point at it or at a
// station no server has. With no server answering it ends with status 1.
TEST_F(HeadlessPlayerServer, ListShowsTheLampsOfALiveAndADeadServer) {
  // A port bound but not listening: connections to it are refused.
  const int gniazdo = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(gniazdo, 0);
  sockaddr_in adres{};
  adres.sin_family = AF_INET;
  adres.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(gniazdo, reinterpret_cast<sockaddr*>(&adres), sizeof adres), 0);
  socklen_t dl = sizeof adres;
  ASSERT_EQ(getsockname(gniazdo, reinterpret_cast<sockaddr*>(&adres), &dl), 0);
  const String D = "127.0.0.1:" + std::to_string(ntohs(adres.sin_port));

  std::filesystem::create_directories(dir / "cfg");
  std::ofstream(dir / "cfg/KorwendoGra.ini") << "[Serwery]\r\nSerwer0=" << A() << "\r\nSerwer1=" << D << "\r\n";
  std::ofstream(dir / "cfg/KorwendoGraU.ini") << "[Ulubione]\r\nUlubiona0=Zegar@" << A() << "\r\nUlubiona1=Zegar@" << D
                                              << "\r\nUlubiona2=Brak@" << A() << "\r\n";
  {
    Proces p({KG_PLAYER, "--config", dir / "cfg", "--list"}, dir.Path());
    EXPECT_EQ(p.Koniec(15000), std::optional<int>(0)) << p.Tekst();
    const std::vector<String> l = p.Linie();
    for (const String& w : {A() + " [green]", "  [green] Zegar  Zegar@" + A(), "  [green] Fala  Fala@" + A(),
                            D + " [red] unreachable", "favourite [green] Zegar@" + A(), "favourite [red] Zegar@" + D,
                            "favourite [red] Brak@" + A()}) {
      EXPECT_NE(std::find(l.begin(), l.end(), w), l.end()) << "no line \"" << w << "\" in\n" << p.Tekst();
    }
    for (const String& s : l) {
      EXPECT_FALSE(s.rfind("  [green] ", 0) == 0 && s.find("@" + D) != String::npos) << "a station of the dead server: " << s;
    }
  }
  {
    Proces p({KG_PLAYER, "--config", dir / "cfg2", "--server", D, "--list"}, dir.Path());
    EXPECT_EQ(p.Koniec(15000), std::optional<int>(1)) << p.Tekst();
    EXPECT_NE(p.Tekst().find(D + " [red] unreachable"), String::npos) << p.Tekst();
    EXPECT_NE(p.Tekst().find("żaden serwer nie odpowiedział"), String::npos) << p.Tekst();
  }
  close(gniazdo);
}

// The server's replies go through the window's logic: a station the server does not have
// is refused; as the first station it ends the player with status 1 and the server's
// answer, and the settings keep the position to resume at; later it leaves the player on
// the station it was playing, whose position is kept at the end.
TEST_F(HeadlessPlayerServer, ARefusedStationEndsThePlayerOrGoesBackToTheOneHeard) {
  const Czas at = naZywo - Roznica::Minuta * 5;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at, naZywo, 60));
  std::filesystem::create_directories(dir / "cfg");
  std::ofstream(dir / "cfg/KorwendoGra.ini") << "[Serwery]\r\nSerwer0=" << A() << "\r\n";
  std::ofstream(dir / "cfg/KorwendoGraU.ini") << "[StartPos]\r\nName=Fala@" << A() << "\r\nTime=" << at.NapisHex() << "\r\n";
  // The time to resume at that the settings hold for Fala, or none.
  const auto wznowienie = [&]() -> std::optional<Czas> {
    std::ifstream f(dir / "cfg/KorwendoGraU.ini");
    const String u((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const String znak = "Name=Fala@" + A() + "\r\nTime=";
    Czas t;
    const size_t i = u.find(znak);
    if (i == String::npos || !Czas::CzytajHex(u.substr(i + znak.size(), 16), t)) return std::nullopt;
    return t;
  };
  {
    Proces p({KG_PLAYER, "--config", dir / "cfg", "--station", "Brak@" + A(), "--audio", "null"}, dir.Path());
    EXPECT_EQ(p.Koniec(20000), std::optional<int>(1)) << p.Tekst();
    EXPECT_GE(p.CzekajNaLinie("server: error nieznana stacja Brak", 0, 0), 0) << p.Tekst();
    EXPECT_GE(p.CzekajNaLinie("korwendo-play: serwer odrzucił Brak@" + A() +
                                  ": error nieznana stacja Brak; stacje serwera pokazuje --list", 0, 0), 0)
        << p.Tekst();
    EXPECT_EQ(wznowienie(), std::optional<Czas>(at)) << "the refused station moved the position to resume at";
  }
  // No station given: the position of the settings.
  Proces p({KG_PLAYER, "--config", dir / "cfg", "--audio", "null"}, dir.Path());
  ASSERT_TRUE(p.CzekajNaCzasy(0, 2, 20000)) << p.Tekst();
  const size_t od = p.IleLinii();
  p.Pisz("station Brak");
  const int wraca = p.CzekajNaLinie("back to Fala@" + A(), od, 10000);
  ASSERT_GE(wraca, 0) << p.Tekst();
  const int gra = p.CzekajNaLinie("station: Fala", static_cast<size_t>(wraca), 10000);
  ASSERT_GE(gra, 0) << p.Tekst();
  EXPECT_TRUE(p.CzekajNaCzasy(static_cast<size_t>(gra), 2, 10000)) << p.Tekst();
  Zakoncz(p);
  const std::vector<Czas> c = Czasy(p.Linie());
  ASSERT_FALSE(c.empty());
  EXPECT_GE(c.front(), at);
  const std::optional<Czas> t = wznowienie();
  ASSERT_TRUE(t) << "the station played is not the position to resume at";
  EXPECT_GE(*t, c.back());
  EXPECT_LE(*t, c.back() + Roznica::Sekunda * 2);
}

// A lost connection is tried again after 5 s, through the window's reconnect timer, and
// playing goes on from the moment heard when it was lost.
TEST_F(HeadlessPlayerServer, ALostConnectionReconnectsAfterFiveSecondsAtTheMomentHeard) {
  const Czas at = naZywo - Roznica::Minuta * 5;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at, naZywo, 60));
  auto p = Graj("Zegar@" + B(), at);
  ASSERT_TRUE(p->CzekajNaCzasy(0, 3, 20000)) << p->Tekst();
  serwerB.reset();
  const int utrata = p->CzekajNaLinie("connection: connection lost", 0, 10000);
  ASSERT_GE(utrata, 0) << p->Tekst();
  const auto stracone = Clock::now();
  std::vector<String> doUtraty = p->Linie();
  doUtraty.resize(static_cast<size_t>(utrata));
  const std::vector<Czas> przed = Czasy(doUtraty);
  ASSERT_FALSE(przed.empty());
  EXPECT_GE(p->CzekajNaLinie("reconnecting in 5 s", static_cast<size_t>(utrata), 5000), 0) << p->Tekst();
  // The same server again, on the same port.
  serwerB = std::make_unique<Proces>(
      std::vector<String>{KG_SERVER, "--config", *katalog / "b.conf", "--listen", B()}, katalog->Path());
  const int polaczony = p->CzekajNaLinie("connection: connected", static_cast<size_t>(utrata), 30000);
  ASSERT_GE(polaczony, 0) << p->Tekst() << serwerB->Tekst();
  EXPECT_GE(Clock::now() - stracone, std::chrono::milliseconds(4500)) << "reconnected before 5 s";
  size_t gra = 0;
  ASSERT_NO_FATAL_FAILURE(GraDalejOdUslyszanej(*p, static_cast<size_t>(polaczony), przed.back(), gra));

  const std::vector<String> l = p->Linie();
  const Czas po = Czasy(l, gra).front();
  SprawdzMoment("after a reconnection", Odczyty(l), Nagranie(Nagrania()), po, po + Roznica::Sekunda * 15, gra);
}

// A free TCP port on loopback (free when asked: nothing holds it after).
int WolnyPort() {
  const int g = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t dl = sizeof a;
  const bool jest = bind(g, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    getsockname(g, reinterpret_cast<sockaddr*>(&a), &dl) == 0;
  close(g);
  return jest ? ntohs(a.sin_port) : 0;
}

// The haproxy executable on PATH or in /usr/sbin, or "".
String Haproxy() {
  String sciezki = std::getenv("PATH") ? std::getenv("PATH") : "";
  sciezki += ":/usr/sbin:/sbin";
  std::istringstream s(sciezki);
  String katalog;
  while (std::getline(s, katalog, ':')) {
    const String p = katalog + "/haproxy";
    if (!katalog.empty() && access(p.c_str(), X_OK) == 0) return p;
  }
  return "";
}

// The PROXY header (version 2) of a player at 127.0.0.5 relayed by a balancer, which a
// server that takes this address for its balancer wants first on every connection.
String NaglowekProxy() {
  return String("\r\n\r\n\0\r\nQUIT\n\x21\x11\x00\x0C\x7F\x00\x00\x05\x7F\x00\x00\x01\x9C\x41\x30\xFC", 28);
}

// Two copies of the server over one archive behind HAProxy with the tested configuration
// of docs/fleet.md: the player plays through the balancer, the copy serving it is killed
// (SIGKILL), and the player goes on through the other after its 5 s reconnection, at the
// moment heard: the time code captured after the reconnection is the moment shown, from
// the moment heard when the connection was lost.
TEST_F(HeadlessPlayerServer, BehindABalancerAnotherCopyTakesOverAtTheMomentHeard) {
  {
    // The configuration tested is the one the page gives, line for line.
    const std::filesystem::path cfg = KG_FLEET_HAPROXY;
    std::ifstream f(cfg);
    std::ifstream d(cfg.parent_path().parent_path().parent_path() / "docs/fleet.md");
    const String doc((std::istreambuf_iterator<char>(d)), std::istreambuf_iterator<char>());
    String wciete;
    String linia;
    while (std::getline(f, linia)) wciete += (linia.empty() ? "" : "    " + linia) + "\n";
    ASSERT_FALSE(wciete.empty());
    EXPECT_NE(doc.find(wciete), String::npos) << "docs/fleet.md does not show " << cfg;
  }
  const String haproxy = Haproxy();
  if (haproxy.empty()) GTEST_SKIP() << "haproxy is not installed (scripts/install-deps.sh installs it)";
  const Czas at = naZywo - Roznica::Minuta * 5;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at, naZywo, 60));
  // Both copies read the demo archive and take loopback for their balancer.
  std::ofstream k(dir / "kopia.conf");
  k << "proxy = 127.0.0.1\n";
  for (const StacjaDemo& s : DemoRecorder::Stacje()) {
    k << "[" << s.nazwa << "]\nkatalog = " << archiwum << "/" << s.nazwa << "\nuklad = accurate\nsufiks = " << s.sufiks
      << "\nczas = utc\n";
  }
  k.close();
  auto [kopia1, port1] = StartSerwera({"--config", dir / "kopia.conf"}, dir.Path());
  ASSERT_GT(port1, 0) << kopia1->Tekst();
  auto [kopia2, port2] = StartSerwera({"--config", dir / "kopia.conf"}, dir.Path());
  ASSERT_GT(port2, 0) << kopia2->Tekst();
  for (int p : {port1, port2}) {
    std::optional<::Przedzialy> w;
    for (int i = 0; i < 100 && !(w && w->Zawiera(at) && w->Zawiera(at + Roznica::Minuta)); ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      w = PrzedzialyNaSerwerze(p, "Zegar", at, NaglowekProxy());
    }
    ASSERT_TRUE(w && w->Zawiera(at) && w->Zawiera(at + Roznica::Minuta)) << "the copy on " << p << " has not indexed";
  }

  const int portLb = WolnyPort();
  ASSERT_GT(portLb, 0);
  setenv("KG_LISTEN", ("127.0.0.1:" + std::to_string(portLb)).c_str(), 1);
  setenv("KG_COPY1", ("127.0.0.1:" + std::to_string(port1)).c_str(), 1);
  setenv("KG_COPY2", ("127.0.0.1:" + std::to_string(port2)).c_str(), 1);
  Proces lb({haproxy, "-f", KG_FLEET_HAPROXY, "-db"}, dir.Path());
  std::optional<::Przedzialy> przezLb;
  for (int i = 0; i < 100 && !przezLb; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    przezLb = PrzedzialyNaSerwerze(portLb, "Zegar", at);
  }
  ASSERT_TRUE(przezLb) << "nothing answers through the balancer\n" << lb.Tekst();

  const String LB = "127.0.0.1:" + std::to_string(portLb);
  auto p = Graj("Zegar@" + LB, at);
  // Long enough before the kill for a stretch of the measuring window to be heard whole.
  ASSERT_TRUE(p->CzekajNaCzasy(0, 7, 30000)) << p->Tekst();
  // With "balance first" the first copy serves the player.
  ASSERT_TRUE(CzekajNaPolaczenia(port1, [](const std::set<int>& s) { return !s.empty(); }, 5000));
  kopia1->Sygnal(SIGKILL);
  const auto zabity = Clock::now();
  EXPECT_TRUE(kopia1->Koniec(5000));
  const int utrata = p->CzekajNaLinie("connection: connection lost", 0, 10000);
  ASSERT_GE(utrata, 0) << p->Tekst();
  std::vector<String> doUtraty = p->Linie();
  doUtraty.resize(static_cast<size_t>(utrata));
  const std::vector<Czas> przed = Czasy(doUtraty);
  ASSERT_FALSE(przed.empty());
  const int polaczony = p->CzekajNaLinie("connection: connected", static_cast<size_t>(utrata), 15000);
  ASSERT_GE(polaczony, 0) << p->Tekst() << lb.Tekst();
  const auto poZabiciu = Clock::now() - zabity;
  EXPECT_LE(poZabiciu, std::chrono::milliseconds(6000)) << "the other copy took over late";
  ASSERT_TRUE(CzekajNaPolaczenia(port2, [](const std::set<int>& s) { return !s.empty(); }, 10000))
      << "the second copy does not serve the player";
  size_t gra = 0;
  ASSERT_NO_FATAL_FAILURE(GraDalejOdUslyszanej(*p, static_cast<size_t>(polaczony), przed.back(), gra));

  const std::vector<String> l = p->Linie();
  const Czas po = Czasy(l, gra).front();
  const std::vector<Odczyt> o = Odczyty(l);
  const Nagranie n(Nagrania());
  SprawdzMoment("before the failover", o, n, at, przed.back() - kOkno, 0, 1);
  SprawdzMoment("after the failover", o, n, po, po + Roznica::Sekunda * 15, gra);
  std::printf("[ failover ] the other copy served %.1f s after the kill, at %+.0f ms from the moment heard\n",
              std::chrono::duration<double>(poZabiciu).count(), Ms(po - przed.back()));
}

// Across a recording gap of the schedule the time shown jumps over it with the audio, and
// the moment heard stays the moment shown. Last, so that the backlog has the most time to
// reach back to the gap.
TEST_F(HeadlessPlayerServer, TheMomentHeardAcrossARecordingGap) {
  // The latest gap whose recording after it lies whole in the backlog.
  const Czas luka = (naZywo - Roznica::Minuta * 23).Zaokraglij(Roznica::Godzina) + Roznica::Minuta * 20;
  ASSERT_FALSE(DemoSchedule::Nagrywa(luka));
  ASSERT_TRUE(DemoSchedule::Nagrywa(luka - Roznica::Milisekunda));
  const Czas poLuce = luka + Roznica::Minuta * 2;
  ASSERT_TRUE(DemoSchedule::Nagrywa(poLuce));
  const Czas at = luka - Roznica::Sekunda * 10;
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(at - Roznica::Minuta, poLuce + Roznica::Minuta, 240));
  auto p = Graj("Zegar@" + A(), at);
  ASSERT_TRUE(p->CzekajNaCzasy(0, 18, 40000)) << p->Tekst();
  Zakoncz(*p);

  const std::vector<String> l = p->Linie();
  for (Czas c : Czasy(l)) EXPECT_TRUE(c <= luka || c >= poLuce) << "shown in the gap: " << NapisIso(c);
  const std::vector<Odczyt> o = Odczyty(l);
  const Nagranie n(Nagrania());
  SprawdzMoment("before a recording gap", o, n, at, luka, 0);
  SprawdzMoment("after a recording gap", o, n, poLuce, poLuce + Roznica::Sekunda * 15, 0);
}

}  // namespace
