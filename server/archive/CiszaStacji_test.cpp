// The silences of an archive: found where they are, at the level and length set, kept
// across a restart, found again in a file that changed, and a file that cannot be read
// skipped; the demo stations' silences found within a tenth of a second, live ones told.
#include "archive/CiszaStacji.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "archive/ArchiveFixtures.h"
#include "archive/DemoRecorder.h"
#include "archive/TimeCode.h"
#include "archive/WavInfo.h"
#include "core/UnikalnyDeskryptor.h"
#include "support/LimitDeskryptorow.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace {

using fixtures::Utc;
const Roznica kSek = Roznica::Sekunda;
const Roznica kMin = Roznica::Minuta;
const RotterLayout kUklad(RotterLayout::Rodzaj::Accurate, "wav", "", true);

// A stretch of the fixture: a 1 kHz sine whose level (root mean square) is `dbfs`, or
// digital zero.
struct Fragment {
  double sekundy;
  std::optional<double> dbfs;
};

// Writes the fragments one after another as mono WAV at 8 kHz from `start`, cut into a
// new file at each moment of `ciecia` (seconds from the start).
void PiszArchiwum(const String& katalog, Czas start, const std::vector<Fragment>& fragmenty,
                  const std::vector<double>& ciecia) {
  const int rate = 8000;
  std::vector<int16_t> pcm;
  for (const Fragment& f : fragmenty) {
    const double a = f.dbfs ? 32768.0 * std::pow(10.0, *f.dbfs / 20.0) * std::sqrt(2.0) : 0;
    const auto n = static_cast<int64_t>(f.sekundy * rate);
    for (int64_t i = 0; i < n; ++i) {
      const double t = static_cast<double>(pcm.size()) / rate;
      pcm.push_back(static_cast<int16_t>(std::lround(a * std::sin(2 * M_PI * 1000 * t))));
    }
  }
  std::vector<int64_t> granice{0};
  for (double c : ciecia) granice.push_back(static_cast<int64_t>(c * rate));
  granice.push_back(static_cast<int64_t>(pcm.size()));
  for (size_t i = 0; i + 1 < granice.size(); ++i) {
    const Czas t = start + Roznica(granice[i] * 10'000'000 / rate);
    const String sciezka = katalog + "/" + kUklad.Sciezka(t);
    std::filesystem::create_directories(std::filesystem::path(sciezka).parent_path());
    BroadcastWavWriter w(sciezka, rate, 1, t);
    w.Dopisz(pcm.data() + granice[i], static_cast<int>(granice[i + 1] - granice[i]));
    w.Zamknij();
  }
}

// Steps until nothing waits.
void Analizuj(CiszaStacji& c) {
  for (int i = 0; i < 100 && c.Krok(); ++i) {
  }
}

void OczekujCisz(const std::vector<ZakresCzasu>& jest, const std::vector<ZakresCzasu>& ma, Roznica tolerancja) {
  ASSERT_EQ(jest.size(), ma.size());
  for (size_t i = 0; i < ma.size(); ++i) {
    EXPECT_LE(std::abs((jest[i].poczatek - ma[i].poczatek).Wartosc()), tolerancja.Wartosc()) << i;
    EXPECT_LE(std::abs((jest[i].koniec - ma[i].koniec).Wartosc()), tolerancja.Wartosc()) << i;
  }
}

Czas Mtime(const String& sciezka) {
  struct stat st {};
  stat(sciezka.c_str(), &st);
  return Czas(st.st_mtim.tv_sec * 10'000'000LL + st.st_mtim.tv_nsec / 100);
}

// Below the threshold for the length set is silence; just above it, or shorter, is none;
// a silence across two files is one.
TEST(CiszaStacjiTest, LevelAndLengthDecideAndFilesJoin) {
  TempDir d;
  const Czas t0 = Utc(2024, 3, 5, 14);
  PiszArchiwum(d.Path(), t0,
               {{5, -10}, {20, -49.5}, {5, -10}, {20, -50.5}, {5, -10}, {9, {}}, {5, -10}, {11, {}}, {5, -10}},
               {75});
  auto a = std::make_shared<Archive>(KonfiguracjaArchiwum{"A", d.Path(), kUklad});
  a->Odswiez();
  CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, d / ".cisza", {}});
  Analizuj(c);
  OczekujCisz(c.Cisze(), {{t0 + kSek * 30, t0 + kSek * 50}, {t0 + kSek * 69, t0 + kSek * 80}},
              Roznica::Milisekunda * 10);
  EXPECT_FALSE(c.StanNaZywo().cicho);  // the newest audio is long past

  // Another threshold and length, other silences.
  CiszaStacji inne(a, CiszaStacji::Ustawienia{UstawieniaCiszy{-40, kSek * 5}, "", {}});
  Analizuj(inne);
  OczekujCisz(inne.Cisze(),
              {{t0 + kSek * 5, t0 + kSek * 25}, {t0 + kSek * 30, t0 + kSek * 50}, {t0 + kSek * 55, t0 + kSek * 64},
               {t0 + kSek * 69, t0 + kSek * 80}},
              Roznica::Milisekunda * 10);
}

// What was learned is kept: a restart analyses nothing and leaves the file alone; a file
// that changed is analysed again, and one cut short since the archive looked is logged
// and skipped while the others are analysed.
TEST(CiszaStacjiTest, RestartReusesChangedFileAgainCutFileSkipped) {
  TempDir d;
  const Czas t0 = Utc(2024, 3, 5, 14);
  const std::vector<Fragment> fragmenty{{5, -10}, {12, {}}, {5, -10}, {15, {}}, {5, -10}};
  PiszArchiwum(d.Path(), t0, fragmenty, {20});
  const String pamiec = d / ".cisza";
  auto a = std::make_shared<Archive>(KonfiguracjaArchiwum{"A", d.Path(), kUklad});
  a->Odswiez();
  const std::vector<ZakresCzasu> cisze{{t0 + kSek * 5, t0 + kSek * 17}, {t0 + kSek * 22, t0 + kSek * 37}};
  {
    CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, pamiec, {}});
    Analizuj(c);
    EXPECT_EQ(c.Analizy(), 2);
    OczekujCisz(c.Cisze(), cisze, Roznica::Milisekunda * 10);
  }
  const Czas zapisana = Mtime(pamiec);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, pamiec, {}});
    Analizuj(c);
    EXPECT_EQ(c.Analizy(), 0);
    EXPECT_DOUBLE_EQ(c.Zdekodowane(), 0);
    OczekujCisz(c.Cisze(), cisze, Roznica::Milisekunda * 10);
    EXPECT_EQ(Mtime(pamiec), zapisana);
  }
  // The second file written again, louder where it was silent: only it is analysed.
  const String drugi = kUklad.Sciezka(t0 + kSek * 20);
  const auto zastapDrugi = [&](const std::vector<Fragment>& f) {
    TempDir inny;
    PiszArchiwum(inny.Path(), t0, f, {20});
    std::filesystem::rename(inny / drugi, d / drugi);
  };
  zastapDrugi({{5, -10}, {12, {}}, {5, -10}, {15, -20}, {5, -10}});
  a->Odswiez();
  {
    CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, pamiec, {}});
    Analizuj(c);
    EXPECT_EQ(c.Analizy(), 1);
    OczekujCisz(c.Cisze(), {cisze[0]}, Roznica::Milisekunda * 10);
  }
  // The first file cut short after the archive indexed it: logged, skipped, no stop.
  LogCapture log;
  const String pierwszy = d / kUklad.Sciezka(t0);
  zastapDrugi(fragmenty);  // silent again
  a->Odswiez();
  ASSERT_EQ(truncate(pierwszy.c_str(), 2000), 0);
  {
    CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, pamiec, {}});
    Analizuj(c);
    OczekujCisz(c.Cisze(), {cisze[1]}, Roznica::Milisekunda * 10);
    EXPECT_NE(log.Text().find("analiza ciszy pomija plik " + kUklad.Sciezka(t0)), std::string::npos) << log.Text();
  }
}

// Out of descriptors the files are put off, not marked unreadable until they change: once
// descriptors are back the next look finds their silences. (The log line said meanwhile
// cannot be read here: the log too needs a descriptor.)
TEST(CiszaStacjiTest, OutOfDescriptorsAFileIsAnalysedAtTheNextLook) {
  if (kSanitizerPotrzebujeDeskryptorow) GTEST_SKIP() << "the address sanitizer needs descriptors of its own";
  TempDir d;
  const Czas t0 = Utc(2024, 3, 5, 14);
  PiszArchiwum(d.Path(), t0, {{5, -10}, {12, {}}, {5, -10}}, {});
  auto a = std::make_shared<Archive>(KonfiguracjaArchiwum{"A", d.Path(), kUklad});
  a->Odswiez();
  CiszaStacji c(a, CiszaStacji::Ustawienia{UstawieniaCiszy{}, d / ".cisza", {}});
  {
    // Every descriptor under a lowered limit taken.
    LimitDeskryptorow limit;
    const auto otwarte = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    ASSERT_TRUE(limit.Obniz(static_cast<rlim_t>(otwarte + 64)));
    std::vector<UnikalnyDeskryptor> zajete;
    for (;;) {
      UnikalnyDeskryptor fd(open("/dev/null", O_RDONLY | O_CLOEXEC));
      if (!fd) break;
      zajete.push_back(std::move(fd));
    }
    ASSERT_EQ(errno, EMFILE);
    Analizuj(c);
    Analizuj(c);
  }
  EXPECT_TRUE(c.Cisze().empty());
  Analizuj(c);
  OczekujCisz(c.Cisze(), {{t0 + kSek * 5, t0 + kSek * 17}}, Roznica::Milisekunda * 10);
}

// The demo stations' silences (MPEG layer III and II, PCM) come out where they were made,
// within 0.1 s at each edge; the short one does not. One that reaches the live recording
// is told once, and once more when the sound comes back.
TEST(CiszaStacjiTest, DemoSilencesWithinATenthOfASecondAndLiveSilenceTold) {
  TempDir d;
  const Czas h = Utc(2024, 3, 5, 14);
  std::atomic<int64_t> teraz{(h + kMin * 38 + kSek * 5).Wartosc()};
  OpcjeDemo o;
  o.zaleglosci = kSek * 96 * 8;  // from 14:25:12: the silence at 14:26 too
  o.kawalek = kSek * 96;
  o.zegar = [&] { return Czas(teraz.load()); };
  o.cisze = true;
  DemoRecorder r(d.Path(), o);
  r.Start();
  ASSERT_TRUE(r.CzekajNaZaleglosci(300000));
  const auto czekaj = [&](Czas t) {
    for (int i = 0; i < 1200 && r.NagraneDo() < t; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return r.NagraneDo() >= t;
  };
  ASSERT_TRUE(czekaj(h + kMin * 38 + kSek * 4));
  const Roznica dziesiata = DemoSchedule::kCichaDziesiata;
  LogCapture log;
  std::vector<std::shared_ptr<Archive>> archiwa;
  std::vector<std::unique_ptr<CiszaStacji>> cisze;
  for (const StacjaDemo& s : DemoRecorder::Stacje()) {
    SCOPED_TRACE(s.nazwa);
    archiwa.push_back(std::make_shared<Archive>(r.Archiwum(s)));
    archiwa.back()->Odswiez();
    CiszaStacji::Ustawienia u{UstawieniaCiszy{}, "", o.zegar};
    cisze.push_back(std::make_unique<CiszaStacji>(archiwa.back(), u));
    Analizuj(*cisze.back());
    // Silent since 14:37:50 at the live edge: more than 10 s of it.
    const CiszaStacji::NaZywo n = cisze.back()->StanNaZywo();
    EXPECT_TRUE(n.cicho);
    const auto p = archiwa.back()->Przedzialy();
    ASSERT_FALSE(p.empty());
    EXPECT_NEAR(static_cast<double>(n.dlugosc.Wartosc()),
                static_cast<double>((p.back().koniec - (h + kMin * 37 + kSek * 50)).Wartosc()), 1e6);
  }
  teraz = (h + kMin * 38 + kSek * 30).Wartosc();
  ASSERT_TRUE(czekaj(h + kMin * 38 + kSek * 29));
  r.Stop();
  const std::vector<KawalekDemo> zrobione = DemoSchedule::Cisze(h + kMin * 25, h + kMin * 39);
  ASSERT_EQ(zrobione.size(), 2u);  // 14:26:00 (6 s) and 14:37:50 (22 s)
  for (size_t i = 0; i < cisze.size(); ++i) {
    SCOPED_TRACE(DemoRecorder::Stacje()[i].nazwa);
    archiwa[i]->Odswiez();
    Analizuj(*cisze[i]);
    OczekujCisz(cisze[i]->Cisze(), {{zrobione[1].poczatek, zrobione[1].koniec + dziesiata}}, Roznica::Milisekunda * 100);
    EXPECT_FALSE(cisze[i]->StanNaZywo().cicho);
    const std::string l = log.Text();
    const std::string stacja = "stacja " + DemoRecorder::Stacje()[i].nazwa;
    size_t ostrzezenia = 0;
    for (size_t k = l.find(stacja + ": cisza na żywo od 2024-03-05T14:37:5"); k != std::string::npos;
         k = l.find(stacja + ": cisza na żywo od", k + 1)) {
      ++ostrzezenia;
    }
    EXPECT_EQ(ostrzezenia, 1u) << l;
    EXPECT_NE(l.find(stacja + ": koniec ciszy na żywo"), std::string::npos) << l;
  }
}

}  // namespace
