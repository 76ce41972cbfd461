// The live edge end to end: the window's logic over the program's player core (on the
// null output, paced by the monotonic clock) against a real `korwendo-server --demo` on a
// free loopback port, whose recording grows as the test runs. End reaches the edge, and
// for a minute of playing the time heard stays within 10 s of the newest audio the client
// knows, that newest audio grows with the recording, and the indicator stays on.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

#include "archive/DemoSchedule.h"
#include "audio/WaveOutNull.h"
#include "display/TimeComponent.h"
#include "player/EsencjaPlayera.h"
#include "player/ListaStacji.h"
#include "support/ProcesTestowy.h"
#include "support/TempDir.h"
#include "window/LogikaOkna.h"
#include "window/OknoTestowe.h"
#include "window/StosPlayera.h"

namespace {

using Clock = std::chrono::steady_clock;

double S(Roznica r) { return static_cast<double>(r.Wartosc()) / 1e7; }

// The time component of the player core.
struct Pole : TimeComponent {
  Czas Get() override { return wartosc; }
  void Set(Czas c) override { wartosc = c; }
  Czas wartosc;
};

EsencjaPlayera::Wyposazenie BezDzwieku() {
  EsencjaPlayera::Wyposazenie w;
  w.urzadzenie = std::make_unique<WaveOutNull>();
  return w;
}

// The window's logic over the program's player stack, with the recording view; Krok does
// what the window's 10 ms tick and its notification events do.
struct OknoNaSerwerze {
  explicit OknoNaSerwerze(const String& katalog)
      : lista(katalog), stos(&pole, BezDzwieku()), esencja(stos.Esencja()),
        logika(&stos.ZbudujLogike(widok, lista, LogikaOkna::Ustawienia{})) {}

  void Krok() {
    for (ZdarzeniePolaczenia z : stos.Odbierz()) {
      if (z != ZdarzeniePolaczenia::Polaczony && z != ZdarzeniePolaczenia::Laczenie) ++zerwane;
      logika->Powiadomienie(z);
    }
    logika->Tick();
  }
  // Ticks every 10 ms for `ms`, or until `warunek` holds; whether it holds.
  template <class F>
  bool TykajDo(F warunek, int ms) {
    const auto koniec = Clock::now() + std::chrono::milliseconds(ms);
    while (!warunek()) {
      if (Clock::now() >= koniec) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      Krok();
    }
    return true;
  }

  Czas Krawedz() { return logika->PrzedzialyAudio().End(); }

  ListaStacji lista;
  okno_testowe::WidokZapisujacy widok;
  Pole pole;
  int zerwane = 0;
  StosPlayera stos;  // after what it uses, so gone before it
  EsencjaPlayera& esencja;
  LogikaOkna* logika;
};

TEST(NaZywoSerwer, MinutaNaKrawedziRosnacegoNagrania) {
  // The demo stations do not record in [hh:20, hh:22): the minute must lie in a recording.
  const Czas start = Czas::Teraz();
  if (!DemoSchedule::Nagrywa(start) || !DemoSchedule::Nagrywa(start + Roznica::Sekunda * 110)) {
    GTEST_SKIP() << "the demo stations pause their recording now (hh:20-hh:22 UTC)";
  }
  std::signal(SIGPIPE, SIG_IGN);
  TempDir katalog;
  auto [serwer, port] = StartSerweraTestowego(KG_SERVER, {"--demo", "--archive", katalog / "archive"}, katalog.Path());
  ASSERT_GT(port, 0) << serwer->Tekst();
  OknoNaSerwerze okno(katalog / "ustawienia");

  // Playing a few minutes back, stopped; then the live recording must be known.
  okno.esencja.ZmienStacje("Zegar@127.0.0.1:" + std::to_string(port), start - Roznica::Minuta * 3);
  ASSERT_TRUE(okno.TykajDo([&] { return okno.Krawedz() > Czas::Teraz() - Roznica::Sekunda * 5; }, 60000))
      << "the newest audio known: " << okno.Krawedz().Napis() << "\n"
      << serwer->Tekst();
  EXPECT_FALSE(okno.widok.naZywo);

  // End: from 4 s before the newest audio, playing.
  const Czas krawedz = okno.Krawedz();
  const auto przedEnd = Clock::now();
  EXPECT_TRUE(okno.logika->Wykonaj(Polecenie::NaZywo));
  const Czas poEnd = okno.esencja.CzasGry();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - przedEnd).count();
  // The engine's time comes back through its sample position: at the target, or later by
  // no more than what the sound card could play while this thread was away.
  const Czas cel = krawedz - KrawedzNaZywo::kPrzedKrawedzia;
  EXPECT_GE(poEnd, cel - Roznica::Milisekunda) << poEnd.NapisDokladny() << " " << cel.NapisDokladny();
  EXPECT_LE(poEnd, cel + Roznica::Milisekunda * (ms + 1)) << poEnd.NapisDokladny() << " " << cel.NapisDokladny();
  EXPECT_TRUE(okno.widok.naZywo);

  // A minute of playing on.
  const auto poczatek = Clock::now();
  const Czas slyszanyNaPoczatku = okno.esencja.CzasGry();
  Roznica najgorszeZaKrawedzia(0);
  Roznica najgorszeZaZegarem(0);
  Roznica najstarszaKrawedz(0);  // how far the newest audio known lagged the wall clock
  int probki = 0;
  int pozaNaZywo = 0;
  auto nastepna = poczatek;
  while (Clock::now() - poczatek < std::chrono::seconds(60)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    okno.Krok();
    if (Clock::now() < nastepna) continue;
    nastepna += std::chrono::milliseconds(100);
    const Czas teraz = Czas::Teraz();
    const Czas slyszany = okno.esencja.CzasGry();
    ++probki;
    najgorszeZaKrawedzia = std::max(najgorszeZaKrawedzia, okno.Krawedz() - slyszany);
    najgorszeZaZegarem = std::max(najgorszeZaZegarem, teraz - slyszany);
    najstarszaKrawedz = std::max(najstarszaKrawedz, teraz - okno.Krawedz());
    if (!okno.widok.naZywo) ++pozaNaZywo;
  }
  const Roznica zagrano = okno.esencja.CzasGry() - slyszanyNaPoczatku;
  const Roznica urosla = okno.Krawedz() - krawedz;
  std::printf("[ na zywo ] over 60 s (%d samples): behind the newest audio known at most %.2f s, behind the "
              "wall clock at most %.2f s; the newest audio known lagged the wall clock by at most %.2f s; "
              "played %.2f s, the newest audio grew %.2f s\n",
              probki, S(najgorszeZaKrawedzia), S(najgorszeZaZegarem), S(najstarszaKrawedz), S(zagrano), S(urosla));
  std::fflush(stdout);

  EXPECT_EQ(okno.zerwane, 0);
  EXPECT_EQ(pozaNaZywo, 0);
  EXPECT_LE(najgorszeZaKrawedzia, KrawedzNaZywo::kGranicaNaZywo);
  // The client learnt the recording's growing end, and really played along it.
  EXPECT_GE(urosla, Roznica::Sekunda * 55);
  EXPECT_GE(zagrano, Roznica::Sekunda * 55);

  // Stopped, nothing is heard: the indicator goes at once, still close to the edge.
  okno.esencja.Stop();
  EXPECT_TRUE(okno.TykajDo([&] { return !okno.widok.naZywo; }, 1000));
  EXPECT_LT(okno.Krawedz() - okno.esencja.CzasGry(), KrawedzNaZywo::kGranicaNaZywo);
}

}  // namespace
