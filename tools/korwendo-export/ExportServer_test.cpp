// End to end: korwendo-export against real korwendo-server processes on loopback. One demo
// server (and its archive) serves the checks of what is exported; servers over small
// archives made here serve a change of format, a day of audio and the endings by force.
// What is exported is checked by the demo time code it decodes to.
#include <sys/stat.h>

#include <cstring>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/ArchiveFixtures.h"
#include "archive/DemoRecorder.h"
#include "archive/DemoSchedule.h"
#include "archive/EventsFile.h"
#include "archive/RotterLayout.h"
#include "archive/TimeCode.h"
#include "archive/TimeCodeProbe.h"
#include "decoder/EncodedFixtures.h"
#include "korwendo-export/HeadlessExporter.h"
#include "support/ProcesTestowy.h"
#include "support/PrzedzialySerwera.h"
#include "support/TempDir.h"
#include "support/WavNaglowek.h"
#include "textforms/CzasTekstowy.h"

namespace {

using Clock = std::chrono::steady_clock;

// How far an exported stretch may begin before its interval or end after it: one MPEG frame
// (26 ms at 44.1 kHz), and the time code detector's own millisecond.
constexpr double kKrawedzMs = 28;

std::pair<std::unique_ptr<Proces>, int> StartSerwera(const std::vector<String>& argumenty, const String& katalog) {
  return StartSerweraTestowego(KG_SERVER, argumenty, katalog);
}

int64_t Probki(Roznica d, int rate) { return d.Wartosc() * rate / Roznica::Sekunda.Wartosc(); }

// The first channel of interleaved samples.
std::vector<int16_t> Kanal0(const std::string& bajty, int kanaly) {
  std::vector<int16_t> out;
  for (size_t i = 0; i + 2 * static_cast<size_t>(kanaly) <= bajty.size(); i += 2 * static_cast<size_t>(kanaly)) {
    out.push_back(static_cast<int16_t>(static_cast<unsigned char>(bajty[i]) | static_cast<unsigned char>(bajty[i + 1]) << 8));
  }
  return out;
}

// The files korwendo-export printed: every line of its output that is no message of it.
std::vector<String> Pliki(Proces& p) {
  std::vector<String> out;
  for (const String& l : p.Linie()) {
    if (!l.empty() && l.rfind("korwendo-export:", 0) != 0 && l[0] != '\r') out.push_back(l);
  }
  return out;
}

// Checks that `x` (rate Hz) holds the time code of [a.begin, a.end] and then of
// [b.begin, b.end], each within a frame at its edges.
void SprawdzKod(const std::vector<int16_t>& x, int rate, Przedzial a, Przedzial b) {
  const int64_t na = Probki(a.end - a.begin, rate);
  const int64_t nb = Probki(b.end - b.begin, rate);
  const int64_t ramka = rate * 30 / 1000;
  EXPECT_GE(static_cast<int64_t>(x.size()), na + nb - 2 * ramka);
  EXPECT_LE(static_cast<int64_t>(x.size()), na + nb + 4 * ramka);
  // The first interval from the start, the second back from the end: each read against
  // the beginning of its interval.
  const std::vector<int16_t> pierwszy(x.begin(), x.begin() + std::min<int64_t>(na, static_cast<int64_t>(x.size())));
  const std::vector<int16_t> drugi(x.end() - std::min<int64_t>(nb, static_cast<int64_t>(x.size())), x.end());
  for (const auto& [czesc, od] : {std::pair{&pierwszy, a.begin}, std::pair{&drugi, b.begin}}) {
    SCOPED_TRACE(NapisIso(od));
    const std::vector<probe::Sekunda> s = probe::Czytaj(*czesc, rate, od);
    EXPECT_GE(s.size(), static_cast<size_t>((czesc->size() / static_cast<size_t>(rate)) - 2));
    for (const probe::Sekunda& k : s) {
      EXPECT_TRUE(k.Zgadza()) << "second " << k.oczekiwana;
      EXPECT_LE(std::abs(k.przesuniecieMs), kKrawedzMs) << "second " << k.oczekiwana;
    }
  }
}

class ExportServer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::signal(SIGPIPE, SIG_IGN);
    katalog = std::make_unique<TempDir>();
    archiwum = *katalog / "demo";
    auto [a, pa] = StartSerwera({"--demo", "--archive", archiwum}, katalog->Path());
    demo = std::move(a);
    port = pa;
    ASSERT_GT(port, 0) << demo->Tekst();
    start = Clock::now();
    const std::optional<Czas> l = DemoRecorder::PoczatekNaZywo(archiwum);
    ASSERT_TRUE(l) << "no .demo-start in " << archiwum;
    naZywo = *l;
  }
  static void TearDownTestSuite() {
    demo.reset();
    katalog.reset();
  }

  // Waits, at most until `limitS` seconds after the server started, until every demo
  // station has recorded [od, do_) (which must lie in the backlog) and the server has
  // indexed it: each of its pieces is among the audio intervals the server announces.
  static void CzekajNaNagranie(Czas od, Czas do_, int limitS) {
    ASSERT_LE(do_, naZywo);
    const std::vector<KawalekDemo> kawalki = DemoSchedule::Kawalki(od, do_, OpcjeDemo().kawalek);
    for (;;) {
      bool sa = true;
      for (int p : {port}) {
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

  // korwendo-export with `argumenty` after --server, in the test's directory.
  std::unique_ptr<Proces> Eksport(const String& serwer, std::vector<String> argumenty) {
    std::vector<String> a{KG_EXPORTER, "--server", serwer};
    a.insert(a.end(), argumenty.begin(), argumenty.end());
    return std::make_unique<Proces>(a, dir.Path());
  }
  static String Demo() { return "127.0.0.1:" + std::to_string(port); }

  // Two intervals of the backlog with the hourly break without recordings between them:
  // the first across the change of files at hh:18, the second after the break.
  static std::pair<Przedzial, Przedzial> Przedzialy() {
    const Czas godzina(naZywo.Wartosc() - naZywo.Wartosc() % Roznica::Godzina.Wartosc());
    Czas przerwa = godzina + Roznica::Minuta * 20;
    while (przerwa + Roznica::Minuta * 3 > naZywo) przerwa = przerwa - Roznica::Godzina;
    return {Przedzial{przerwa - Roznica::Sekunda * 135, przerwa - Roznica::Sekunda * 105},
            Przedzial{przerwa + Roznica::Sekunda * 140, przerwa + Roznica::Sekunda * 170}};
  }

  static inline std::unique_ptr<TempDir> katalog;
  static inline String archiwum;
  static inline std::unique_ptr<Proces> demo;
  static inline int port = 0;
  static inline Czas naZywo;
  static inline Clock::time_point start;
  TempDir dir;
};

// Each demo station, as recorded and as PCM: two intervals, one across a change of files,
// with the break between them, decode to the time code of exactly those intervals.
TEST_F(ExportServer, IntervalsDecodeToTheirTimeCode) {
  const auto [a, b] = Przedzialy();
  // Up to an hour back: the backlog of three stations, on a busy machine, takes a while.
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(a.begin - Roznica::Minuta, b.end + Roznica::Minuta, 400));
  struct Przypadek {
    const char* stacja;
    bool pcm;
    const char* plik;
    int rate;
    int kanaly;
  };
  const Przypadek tabela[] = {
      {"Zegar", false, "x.mp3", 44100, 2},  {"Zegar", true, "x.wav", 44100, 2},
      {"Dwójka", false, "x.mp3", 48000, 2}, {"Dwójka", true, "x.wav", 48000, 2},
      {"Fala", false, "x.wav", 22050, 1},   {"Fala", true, "x.wav", 22050, 1},
  };
  const bool mpg123 = fixtures::HaveMpg123Tool();
  for (const Przypadek& c : tabela) {
    SCOPED_TRACE(String(c.stacja) + (c.pcm ? " pcm" : " recorded"));
    std::vector<String> argumenty{"--station", c.stacja, "--from", NapisIso(a.begin), "--to", NapisIso(a.end),
                                  "--from", NapisIso(b.begin), "--to", NapisIso(b.end), "--output", "x"};
    if (c.pcm) argumenty.push_back("--pcm");
    auto p = Eksport(Demo(), argumenty);
    ASSERT_EQ(p->Koniec(60000), std::optional<int>(0)) << p->Tekst();
    EXPECT_EQ(Pliki(*p), std::vector<String>{String("x") + (String(c.plik).substr(1))}) << p->Tekst();
    const String plik = dir / c.plik;
    std::vector<int16_t> x;
    if (String(c.plik).ends_with(".wav")) {
      const WavNaglowek h = WavNaglowek::Czytaj(plik);
      EXPECT_TRUE(h.Spojny());
      EXPECT_EQ(h.rate, static_cast<uint32_t>(c.rate));
      EXPECT_EQ(h.kanaly, c.kanaly);
      EXPECT_EQ(h.bity, 16);
      x = Kanal0(h.Dane(), c.kanaly);
    } else {
      if (!mpg123) {
        std::printf("[ skipped ] the mpg123 tool is not installed\n");
        continue;
      }
      x = Kanal0(fixtures::Mpg123ToolDecode(plik), c.kanaly);
    }
    SprawdzKod(x, c.rate, a, b);
    std::filesystem::remove(plik);
  }
}

// What the exporter says when there is nothing to export, and where it cannot connect.
TEST_F(ExportServer, FailuresEndWithAMessageAndNoFile) {
  const auto [a, b] = Przedzialy();
  const Czas przerwa = b.begin - Roznica::Sekunda * 140;
  struct Przypadek {
    String serwer;
    String stacja;
    Przedzial p;
    const char* komunikat;
  };
  const Przypadek tabela[] = {
      {Demo(), "Brak", a, "nie ma stacji \"Brak\""},
      {Demo(), "Zegar", Przedzial{przerwa + Roznica::Sekunda * 10, przerwa + Roznica::Sekunda * 100}, "nie ma nagrań"},
      {"127.0.0.1:1", "Zegar", a, "nie można połączyć się z serwerem 127.0.0.1:1"},
  };
  for (const Przypadek& c : tabela) {
    SCOPED_TRACE(c.komunikat);
    auto p = Eksport(c.serwer, {"--station", c.stacja, "--from", NapisIso(c.p.begin), "--to", NapisIso(c.p.end)});
    EXPECT_EQ(p->Koniec(60000), std::optional<int>(KodEksportu::Blad)) << p->Tekst();
    EXPECT_NE(p->Tekst().find(c.komunikat), String::npos) << p->Tekst();
    EXPECT_TRUE(Pliki(*p).empty()) << p->Tekst();
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  }
}

// An export never replaces a file unasked: a second export to the same name is refused
// with the file named, before anything is sent, and the file stays as it was; with
// --overwrite it is replaced.
TEST_F(ExportServer, ExistingFilesAreReplacedOnlyWithOverwrite) {
  const auto [a, b] = Przedzialy();
  ASSERT_NO_FATAL_FAILURE(CzekajNaNagranie(a.begin - Roznica::Minuta, a.end + Roznica::Minuta, 400));
  const std::vector<String> argumenty{"--station", "Zegar", "--from", NapisIso(a.begin), "--to",
                                      NapisIso(a.begin + Roznica::Sekunda * 5), "--pcm", "--output", "x.wav"};
  auto pierwszy = Eksport(Demo(), argumenty);
  ASSERT_EQ(pierwszy->Koniec(60000), std::optional<int>(0)) << pierwszy->Tekst();
  const String plik = dir / "x.wav";
  const auto rozmiar = std::filesystem::file_size(plik);
  // A file that only a later file of the export would replace counts too.
  std::ofstream(dir / "x2.wav") << "inny";

  auto drugi = Eksport(Demo(), argumenty);
  EXPECT_EQ(drugi->Koniec(60000), std::optional<int>(KodEksportu::Blad)) << drugi->Tekst();
  EXPECT_NE(drugi->Tekst().find("pliki x.wav, x2.wav już istnieją"), String::npos)
      << drugi->Tekst();
  EXPECT_NE(drugi->Tekst().find("--overwrite"), String::npos) << drugi->Tekst();
  EXPECT_EQ(std::filesystem::file_size(plik), rozmiar);

  std::vector<String> zastap = argumenty;
  zastap.push_back("--overwrite");
  std::filesystem::resize_file(plik, 10);
  auto trzeci = Eksport(Demo(), zastap);
  ASSERT_EQ(trzeci->Koniec(60000), std::optional<int>(0)) << trzeci->Tekst();
  EXPECT_EQ(std::filesystem::file_size(plik), rozmiar);
  EXPECT_TRUE(WavNaglowek::Czytaj(plik).Spojny());
}

// An archive of a station whose recordings change format: hourly files of the flat layout,
// silent frames at 44.1 kHz, then at 48 kHz.
class ArchiwumTestowe {
 public:
  // Files at each of `godziny` (from 2024-03-05 00:00 UTC), `dlugosc` long, of MPEG-1 layer
  // III at the rate, channels and bit rate of each.
  struct Plik {
    int godzina;
    int rate;
    int kanaly;
    int kbps;
  };
  ArchiwumTestowe(const TempDir& dir, const std::vector<Plik>& pliki, Roznica dlugosc) {
    katalog = dir / "archiwum";
    const RotterLayout uklad(RotterLayout::Rodzaj::Flat, "mp3", "", true);
    for (const Plik& p : pliki) {
      const Czas t = Poczatek() + Roznica::Godzina * p.godzina;
      fixtures::Strumien s(fixtures::Strumien::Warstwa::III, t, p.rate, p.kanaly, p.kbps);
      s.Cisza(dlugosc);
      fixtures::Zapisz(katalog, uklad.Sciezka(t), s.Bajty() + fixtures::Tag(t), s.Koniec() + fixtures::kKoder);
    }
    std::ofstream k(dir / "stacje.conf");
    k << "[Cisza]\nkatalog = " << katalog << "\nuklad = flat\nsufiks = mp3\nczas = utc\n";
    konfiguracja = dir / "stacje.conf";
  }
  static Czas Poczatek() { return fixtures::Utc(2024, 3, 5, 0); }
  String katalog;
  String konfiguracja;
};

// In PCM a change of format starts the next file, "x.wav" then "x2.wav"; as recorded, the
// MPEG audio goes on in one file.
TEST_F(ExportServer, ChangeOfFormatStartsTheNextFile) {
  TempDir a;
  const ArchiwumTestowe arch(a, {{0, 44100, 2, 128}, {1, 48000, 2, 128}}, Roznica::Minuta * 2);
  auto [s, p] = StartSerwera({"--config", arch.konfiguracja}, a.Path());
  ASSERT_GT(p, 0) << s->Tekst();
  const String serwer = "127.0.0.1:" + std::to_string(p);
  const Czas t = ArchiwumTestowe::Poczatek();
  const std::vector<String> przedzialy{"--station", "Cisza", "--from", NapisIso(t + Roznica::Sekunda * 30), "--to",
                                       NapisIso(t + Roznica::Sekunda * 60), "--from", NapisIso(t + Roznica::Godzina),
                                       "--to", NapisIso(t + Roznica::Godzina + Roznica::Sekunda * 30), "--output", "x.wav"};
  std::vector<String> pcm = przedzialy;
  pcm.push_back("--pcm");
  auto e = Eksport(serwer, pcm);
  ASSERT_EQ(e->Koniec(60000), std::optional<int>(0)) << e->Tekst();
  EXPECT_EQ(Pliki(*e), (std::vector<String>{"x.wav", "x2.wav"}));
  const WavNaglowek x = WavNaglowek::Czytaj(dir / "x.wav");
  const WavNaglowek x2 = WavNaglowek::Czytaj(dir / "x2.wav");
  EXPECT_TRUE(x.Spojny());
  EXPECT_TRUE(x2.Spojny());
  EXPECT_EQ(x.rate, 44100u);
  EXPECT_EQ(x2.rate, 48000u);
  EXPECT_NEAR(x.daneSize / 4.0 / 44100, 30, 0.1);
  EXPECT_NEAR(x2.daneSize / 4.0 / 48000, 30, 0.1);

  std::vector<String> nagrane = przedzialy;
  nagrane.back() = "y";
  auto r = Eksport(serwer, nagrane);
  ASSERT_EQ(r->Koniec(60000), std::optional<int>(0)) << r->Tekst();
  EXPECT_EQ(Pliki(*r), std::vector<String>{"y.mp3"});
}

// A day of audio: 24 hourly files of silent frames (32 kHz mono at 32 kbit/s, some 350 MB),
// made once for the tests below, with a server of its own for each test.
class DzienCiszy : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::signal(SIGPIPE, SIG_IGN);
    katalog = std::make_unique<TempDir>();
    std::vector<ArchiwumTestowe::Plik> pliki;
    for (int h = 0; h < 24; ++h) pliki.push_back({h, 32000, 1, 32});
    archiwum = std::make_unique<ArchiwumTestowe>(*katalog, pliki, Roznica::Godzina);
  }
  static void TearDownTestSuite() {
    archiwum.reset();
    katalog.reset();
  }
  void SetUp() override {
    auto [s, p] = StartSerwera({"--config", archiwum->konfiguracja}, katalog->Path());
    serwer = std::move(s);
    ASSERT_GT(p, 0) << serwer->Tekst();
    adres = "127.0.0.1:" + std::to_string(p);
  }

  // korwendo-export of [od, od + d) of the day.
  std::unique_ptr<Proces> Eksport(Roznica od, Roznica d, bool pcm) {
    const Czas t = ArchiwumTestowe::Poczatek() + od;
    std::vector<String> a{KG_EXPORTER, "--server", adres, "--station", "Cisza", "--from", NapisIso(t), "--to",
                          NapisIso(t + d), "--output", "x"};
    if (pcm) a.push_back("--pcm");
    return std::make_unique<Proces>(a, dir.Path());
  }
  // Waits until dir/plik holds `bajty`; false after 60 s.
  bool CzekajNaPlik(const String& plik, int64_t bajty) {
    const auto koniec = Clock::now() + std::chrono::seconds(60);
    std::error_code e;
    while (static_cast<int64_t>(std::filesystem::file_size(dir / plik, e)) < bajty || e) {
      if (Clock::now() > koniec) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

  static inline std::unique_ptr<TempDir> katalog;
  static inline std::unique_ptr<ArchiwumTestowe> archiwum;
  std::unique_ptr<Proces> serwer;
  String adres;
  TempDir dir;
};

// The memory of a running korwendo-export, read from /proc every 2 ms until it ends: the
// most it held (VmHWM, which counts from the exec, unlike the rusage of a forked child,
// which counts the test's own pages from before it).
struct Pamiec {
  long szczytKb = 0;
};

std::optional<long> PoleStatusu(pid_t pid, const char* pole) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/status");
  String l;
  while (std::getline(f, l)) {
    if (l.rfind(pole, 0) == 0) return std::atol(l.c_str() + std::strlen(pole));
  }
  return std::nullopt;
}

Pamiec Mierz(Proces& p) {
  Pamiec m;
  std::error_code e;
  while (!p.Koniec(0)) {
    const String exe = std::filesystem::read_symlink("/proc/" + std::to_string(p.Pid()) + "/exe", e).string();
    if (!e && exe == KG_EXPORTER) {
      m.szczytKb = std::max(m.szczytKb, PoleStatusu(p.Pid(), "VmHWM:").value_or(0));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return m;
}

// A day exported as recorded, however fast the server sends it, costs the exporter no more
// memory than a minute does (its size once started), within 16 MB.
TEST_F(DzienCiszy, ADayCostsNoMoreMemoryThanAMinute) {
  auto minuta = Eksport(Roznica::Godzina, Roznica::Minuta, false);
  const Pamiec podstawa = Mierz(*minuta);
  ASSERT_EQ(minuta->Koniec(0), std::optional<int>(0)) << minuta->Tekst();
  std::filesystem::remove(dir / "x.mp3");

  const auto start = Clock::now();
  auto dzien = Eksport(Roznica(0), Roznica::Dzien, false);
  const Pamiec szczyt = Mierz(*dzien);
  ASSERT_EQ(dzien->Koniec(0), std::optional<int>(0)) << dzien->Tekst();
  const double s = std::chrono::duration<double>(Clock::now() - start).count();
  const uint64_t rozmiar = std::filesystem::file_size(dir / "x.mp3");
  std::printf("[ memory  ] a minute: %ld kB at most; a day: %ld kB at most (%+ld kB); %.0f MB in %.1f s\n",
              podstawa.szczytKb, szczyt.szczytKb, szczyt.szczytKb - podstawa.szczytKb, static_cast<double>(rozmiar) / 1e6, s);
  EXPECT_GT(podstawa.szczytKb, 0);
  EXPECT_LE(szczyt.szczytKb - podstawa.szczytKb, 16 * 1024);
  // Every frame of the day, without the archive's tags.
  const uint64_t dzienBajtow = uint64_t{86400} * 32000 / 8;
  EXPECT_GT(rozmiar, dzienBajtow * 99 / 100);
  EXPECT_LT(rozmiar, dzienBajtow * 101 / 100);
}

// However the export ends, the WAV file written so far is whole: its sizes are those of its
// data. The exporter killed: the sizes agree with each other and are those of its last
// write, or one write (one packet's PCM) behind what the file holds; the server killed: status 3, the file finished and named; SIGINT: the
// server ends the export, status 130, the file finished and named.
TEST_F(DzienCiszy, EveryEndLeavesAWholeWav) {
  {
    SCOPED_TRACE("exporter killed");
    auto e = Eksport(Roznica(0), Roznica::Godzina * 4, true);
    ASSERT_TRUE(CzekajNaPlik("x.wav", 4 << 20)) << e->Tekst();
    e->Sygnal(SIGKILL);
    EXPECT_EQ(e->Koniec(10000), std::optional<int>(128 + SIGKILL));
    const WavNaglowek h = WavNaglowek::Czytaj(dir / "x.wav");
    EXPECT_EQ(h.riffSize, h.daneSize + 38u);
    EXPECT_EQ(h.daneOd, 46);
    // The kill may fall between a write of samples and the patch of the sizes after it:
    // the sizes agree, and the samples of that write may lie past them.
    EXPECT_GE(h.dlugosc, h.daneOd + h.daneSize);
    // One write is one packet's PCM: about 1 s, 64,000 bytes at 32 kHz mono.
    EXPECT_LE(h.dlugosc, h.daneOd + h.daneSize + 80000);
    EXPECT_GT(h.daneSize, 2u << 20);
    std::filesystem::remove(dir / "x.wav");
  }
  {
    SCOPED_TRACE("SIGINT");
    auto e = Eksport(Roznica(0), Roznica::Godzina * 4, true);
    ASSERT_TRUE(CzekajNaPlik("x.wav", 4 << 20)) << e->Tekst();
    e->Sygnal(SIGINT);
    EXPECT_EQ(e->Koniec(20000), std::optional<int>(KodEksportu::Przerwane)) << e->Tekst();
    EXPECT_EQ(Pliki(*e), std::vector<String>{"x.wav"}) << e->Tekst();
    const WavNaglowek h = WavNaglowek::Czytaj(dir / "x.wav");
    EXPECT_TRUE(h.Spojny());
    EXPECT_LT(h.daneSize, 4u * 3600 * 64000 / 2);
    std::filesystem::remove(dir / "x.wav");
  }
  {
    SCOPED_TRACE("server killed");
    auto e = Eksport(Roznica(0), Roznica::Godzina * 4, true);
    ASSERT_TRUE(CzekajNaPlik("x.wav", 4 << 20)) << e->Tekst();
    serwer->Sygnal(SIGKILL);
    EXPECT_EQ(e->Koniec(60000), std::optional<int>(KodEksportu::Zerwane)) << e->Tekst();
    EXPECT_EQ(Pliki(*e), std::vector<String>{"x.wav"}) << e->Tekst();
    EXPECT_NE(e->Tekst().find("zerwane w trakcie eksportu"), String::npos) << e->Tekst();
    EXPECT_TRUE(WavNaglowek::Czytaj(dir / "x.wav").Spojny());
  }
}

}  // namespace
