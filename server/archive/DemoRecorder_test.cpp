#include "archive/DemoRecorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "archive/ArchiveFixtures.h"
#include "archive/ReaderProbe.h"
#include "core/Exception.h"
#include "support/TempDir.h"

namespace {

using fixtures::Utc;
const Roznica kMin = Roznica::Minuta;
const Roznica kSek = Roznica::Sekunda;

TEST(DemoScheduleTest, BreaksPiecesAndEvents) {
  const Czas h = Utc(2024, 3, 5, 14);
  EXPECT_TRUE(DemoSchedule::Nagrywa(h + kMin * 20 - Roznica(1)));
  EXPECT_FALSE(DemoSchedule::Nagrywa(h + kMin * 20));
  EXPECT_FALSE(DemoSchedule::Nagrywa(h + kMin * 22 - Roznica(1)));
  EXPECT_TRUE(DemoSchedule::Nagrywa(h + kMin * 22));

  const Roznica k96 = kSek * 96;
  struct {
    Czas t;
    Roznica dlugosc;
    KawalekDemo kawalek;
  } przypadki[] = {
      {h + kMin * 23 + kSek * 10, k96, {h + kMin * 22, h + kMin * 23 + kSek * 36}},
      {h + kMin * 21, k96, {h + kMin * 22, h + kMin * 23 + kSek * 36}},  // in the break: the next
      {h + kMin * 79 + kSek * 50, k96, {h + kMin * 79 + kSek * 36, h + kMin * 80}},  // cut by the break
      {h + kMin * 79, kMin * 8, {h + kMin * 78, h + kMin * 80}},
      {h + kMin * 22, kMin * 8, {h + kMin * 22, h + kMin * 30}},
  };
  for (const auto& p : przypadki) EXPECT_EQ(DemoSchedule::KawalekW(p.t, p.dlugosc), p.kawalek);
  EXPECT_EQ(DemoSchedule::Kawalki(h + kMin * 19, h + kMin * 23, kMin * 8),
            (std::vector<KawalekDemo>{{h + kMin * 18, h + kMin * 20}, {h + kMin * 22, h + kMin * 30}}));

  using Z = Zdarzenie::Rodzaj;
  EXPECT_EQ(DemoSchedule::Zdarzenia(h, h + Roznica::Godzina),
            (std::vector<Zdarzenie>{{Z::Wydarzenie, "Wiadomości", h, h + kMin * 5},
                                    {Z::Marker, "Sygnał", h + kMin * 10, h + kMin * 10},
                                    {Z::Wydarzenie, "Reklamy", h + kMin * 15, h + kMin * 17},
                                    {Z::Marker, "Sygnał", h + kMin * 30, h + kMin * 30},
                                    {Z::Wydarzenie, "Reklamy", h + kMin * 45, h + kMin * 47},
                                    {Z::Marker, "Sygnał", h + kMin * 50, h + kMin * 50}}));
  EXPECT_TRUE(DemoSchedule::Zdarzenia(h + kMin * 51, h + Roznica::Godzina).empty());
}

// A clock the test moves.
struct Zegar {
  std::atomic<int64_t> teraz;
  explicit Zegar(Czas t) : teraz(t.Wartosc()) {}
  void Ustaw(Czas t) { teraz = t.Wartosc(); }
  std::function<Czas()> Funkcja() {
    return [this] { return Czas(teraz.load()); };
  }
};

bool CzekajNaNagranie(const DemoRecorder& r, Czas t) {
  for (int i = 0; i < 600 && r.NagraneDo() < t; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return r.NagraneDo() >= t;
}

// The end of a station's recording that runs up to `koniec`: whole frames only.
Czas KoniecKawalka(const StacjaDemo& s, Czas poczatek, Czas koniec) {
  const int64_t p0 = TimeCode::NumerProbki(poczatek, s.czestotliwosc);
  const int64_t p1 = TimeCode::NumerProbki(koniec, s.czestotliwosc);
  const int64_t spf = s.kodek == StacjaDemo::Kodek::Pcm ? 1 : 1152;
  return TimeCode::CzasProbki(p0 + (p1 - p0) / spf * spf, s.czestotliwosc);
}

TEST(DemoRecorderTest, BacklogNewestFirstThenLiveOnTheTimeCode) {
  TempDir dir;
  const Czas h = Utc(2024, 3, 5, 14);
  Zegar zegar(h + kMin * 21 + kSek * 30);  // in the break: live recording starts at 14:22
  std::mutex m;
  std::vector<String> gotowe;
  OpcjeDemo o;
  o.zaleglosci = kMin * 12;
  o.kawalek = kSek * 96;
  o.zegar = zegar.Funkcja();
  o.watki = 2;
  o.poKawalku = [&](const String& p) {
    std::lock_guard<std::mutex> l(m);
    gotowe.push_back(p);
  };
  const auto rozpoczete = std::chrono::steady_clock::now();
  DemoRecorder r(dir.Path(), o);
  r.Start();
  EXPECT_EQ(r.PoczatekNaZywo(), h + kMin * 22);
  // The run before the break, from 14:10:00 on, in pieces of 96 s, newest first.
  const auto zaleglosci = r.Zaleglosci();
  ASSERT_EQ(zaleglosci.size(), 7u);
  EXPECT_EQ(zaleglosci.front(), (KawalekDemo{h + kMin * 19 + kSek * 36, h + kMin * 20}));
  EXPECT_EQ(zaleglosci.back(), (KawalekDemo{h + kMin * 10, h + kMin * 11 + kSek * 36}));
  ASSERT_TRUE(r.CzekajNaZaleglosci(120000));
  const double sekundy = std::chrono::duration<double>(std::chrono::steady_clock::now() - rozpoczete).count();
  std::printf("backlog: %.0f s of audio in %.2f s, %.0f s of audio per second\n", r.SekundyZaleglosci(), sekundy,
              r.SekundyZaleglosci() / sekundy);
  EXPECT_DOUBLE_EQ(r.SekundyZaleglosci(), r.SekundyZaleglosciRazem());

  // Written in the order planned, give or take the two threads working side by side.
  std::vector<String> plan;
  for (const KawalekDemo& k : zaleglosci) {
    for (const StacjaDemo& s : DemoRecorder::Stacje()) {
      const KonfiguracjaArchiwum a = r.Archiwum(s);
      plan.push_back(a.katalog + "/" + a.uklad.Sciezka(k.poczatek));
    }
  }
  ASSERT_EQ(gotowe.size(), plan.size());
  for (size_t i = 0; i < gotowe.size(); ++i) {
    const size_t j = static_cast<size_t>(std::find(plan.begin(), plan.end(), gotowe[i]) - plan.begin());
    EXPECT_LE(j, i + 1) << gotowe[i];
  }

  zegar.Ustaw(h + kMin * 22 + kSek * 10);
  ASSERT_TRUE(CzekajNaNagranie(r, h + kMin * 22 + kSek * 9));

  for (const StacjaDemo& s : DemoRecorder::Stacje()) {
    SCOPED_TRACE(s.nazwa);
    Archive a(r.Archiwum(s));
    a.Odswiez();
    EXPECT_EQ(a.Format(), s.format);
    const auto p = a.Przedzialy();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].poczatek, h + kMin * 10);
    EXPECT_EQ(p[0].koniec, KoniecKawalka(s, h + kMin * 19 + kSek * 36, h + kMin * 20));
    EXPECT_EQ(p[1].poczatek, h + kMin * 22);
    EXPECT_GE(p[1].koniec, h + kMin * 22 + kSek * 9);
    for (const auto& odc : a.Odcinki()) {
      EXPECT_EQ(odc.dowod, s.kodek == StacjaDemo::Kodek::Pcm ? Archive::Dowod::Bext : Archive::Dowod::NazwaDokladna);
    }
    // What a client hears at a moment is the time code of that moment: at the start, across
    // pieces, up to the break, and live.
    double najwiecej = 0;
    for (const Czas t : {h + kMin * 10, h + kMin * 11 + kSek * 33, h + kMin * 15 + kSek * 7 + Roznica::Milisekunda * 333,
                         h + kMin * 19 + kSek * 52, h + kMin * 22 + kSek * 1}) {
      najwiecej = std::max(najwiecej, probe::SprawdzKod(a, t, kSek * 6));
    }
    std::printf("%s: time code within %.1f ms\n", s.nazwa.c_str(), najwiecej);
  }

  using Z = Zdarzenie::Rodzaj;
  const std::vector<Zdarzenie> zdarzenia = {{Z::Marker, "Sygnał", h + kMin * 10, h + kMin * 10},
                                            {Z::Wydarzenie, "Reklamy", h + kMin * 15, h + kMin * 17}};
  for (const StacjaDemo& s : DemoRecorder::Stacje()) EXPECT_EQ(EventsFile(r.PlikZdarzen(s)).Czytaj(), zdarzenia);
  r.Stop();

  // Started again later: the backlog is there, the events go on without repeating, and
  // the time it was stopped is a gap.
  zegar.Ustaw(h + kMin * 30 + kSek * 5);
  DemoRecorder r2(dir.Path(), o);
  r2.Start();
  EXPECT_TRUE(r2.Zaleglosci().empty());
  EXPECT_TRUE(r2.ZaleglosciGotowe());
  EXPECT_EQ(r2.PoczatekNaZywo(), h + kMin * 22);
  ASSERT_TRUE(CzekajNaNagranie(r2, h + kMin * 30 + kSek * 4));
  const auto po = EventsFile(r2.PlikZdarzen(DemoRecorder::Stacje()[0])).Czytaj();
  ASSERT_EQ(po.size(), 3u);
  EXPECT_EQ(po[2], (Zdarzenie{Z::Marker, "Sygnał", h + kMin * 30, h + kMin * 30}));
  Archive a(r2.Archiwum(DemoRecorder::Stacje()[0]));
  a.Odswiez();
  const auto p = a.Przedzialy();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[2].poczatek, h + kMin * 30);
  EXPECT_LT(p[1].koniec, h + kMin * 22 + kSek * 12);
  probe::SprawdzKod(a, h + kMin * 30 + kSek, kSek * 2);
}

TEST(DemoRecorderTest, RefusesPiecesThatAreNotWholeFrames) {
  OpcjeDemo o;
  o.kawalek = kMin * 10;
  EXPECT_THROW(DemoRecorder("/nonexistent", o), Exception);
}

TEST(EventsFileTest, AppendsWholeLinesAndFollowsTheFile) {
  TempDir dir;
  EventsFile w(dir / "events.txt");
  EventsFile r(dir / "events.txt");
  bool odNowa = false;
  EXPECT_TRUE(r.CzytajNowe(odNowa).empty());
  using Z = Zdarzenie::Rodzaj;
  const Czas t = Utc(2024, 3, 5, 14, 0, 0, 7);
  const Zdarzenie a{Z::Wydarzenie, "Wiadomości", t, t + kMin * 5};
  const Zdarzenie b{Z::Marker, "Sygnał", t + kMin * 10, t + kMin * 10};
  w.Dopisz({a});
  EXPECT_EQ(EventsFile::Linia(a), "event\tWiadomości\t2024-03-05T14:00:00.007Z\t2024-03-05T14:05:00.007Z\n");
  EXPECT_EQ(r.CzytajNowe(odNowa), std::vector<Zdarzenie>{a});
  EXPECT_FALSE(odNowa);
  // A line not yet ended waits for its end.
  {
    std::FILE* f = std::fopen((dir / "events.txt").c_str(), "a");
    std::fputs("marker\tSygnał\t2024-03-05T14:10:00.007Z", f);
    std::fclose(f);
  }
  EXPECT_TRUE(r.CzytajNowe(odNowa).empty());
  {
    std::FILE* f = std::fopen((dir / "events.txt").c_str(), "a");
    std::fputs("\n# a comment\nnonsense\tline\nevent\tX\t2024-03-05T14:10:00.000Z\t2024-03-05T14:09:00.000Z\n", f);
    std::fclose(f);
  }
  EXPECT_EQ(r.CzytajNowe(odNowa), std::vector<Zdarzenie>{b});
  EXPECT_EQ(w.Czytaj(), (std::vector<Zdarzenie>{a, b}));
  // Names cannot break the format.
  const Zdarzenie c{Z::Wydarzenie, "Zła\tnazwa\n", t, t};
  w.Dopisz({c});
  EXPECT_EQ(r.CzytajNowe(odNowa).at(0).nazwa, "Zła nazwa ");
  // Replaced: read again from its start.
  std::filesystem::remove(dir / "events.txt");
  EventsFile(dir / "events.txt").Dopisz({b});
  EXPECT_EQ(r.CzytajNowe(odNowa), std::vector<Zdarzenie>{b});
  EXPECT_TRUE(odNowa);
  for (const char* zly : {"2024-03-05T14:00:00Z", "2024-02-30T14:00:00.000Z", "2024-03-05 14:00:00.000Z"}) {
    EXPECT_FALSE(EventsFile::ZIso(zly).has_value()) << zly;
  }
}

}  // namespace
