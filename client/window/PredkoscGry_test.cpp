// The playing speed through the window's logic: "[" and "]" in quarter steps within 0.5x
// to 3x, the player core told only of a change, the view and the settings following it.
#include <gtest/gtest.h>

#include "player/ListaStacji.h"
#include "window/LogikaOkna.h"
#include "window/OknoTestowe.h"
#include "window/PredkoscGry.h"

using namespace okno_testowe;

namespace {

using Predkosc = Okno;

TEST_F(Predkosc, KlawiszeKrokamiWZakresie) {
  logika->Tick();
  EXPECT_EQ(widok.predkosc, 4) << "the first tick shows the speed";
  // From 1x: down to 0.5x and no further, then up to 3x and no further.
  const struct {
    Polecenie klawisz;
    int razy;
    int cwierci;
    int zmian;  // the player core told this many times
  } kroki[] = {
      {Polecenie::Wolniej, 1, 3, 1},
      {Polecenie::Wolniej, 3, 2, 1},
      {Polecenie::Szybciej, 2, 4, 2},
      {Polecenie::Szybciej, 12, 12, 8},
      {Polecenie::Wolniej, 2, 10, 2},
  };
  for (const auto& k : kroki) {
    SCOPED_TRACE(k.cwierci);
    player.zapis.clear();
    for (int n = 0; n < k.razy; ++n) EXPECT_TRUE(logika->Wykonaj(k.klawisz));
    EXPECT_EQ(player.predkosc, k.cwierci);
    EXPECT_EQ(player.zapis.size(), static_cast<size_t>(k.zmian)) << "no restart at the speed in force";
    EXPECT_EQ(widok.predkosc, k.cwierci);
    EXPECT_EQ(lista.Predkosc(), k.cwierci * 25);
  }
  // Set directly, it is held to the range too.
  logika->Predkosc().Ustaw(40);
  EXPECT_EQ(player.predkosc, 12);
  logika->Predkosc().Ustaw(0);
  EXPECT_EQ(player.predkosc, 2);
}

// A speed set past the logic (a tool's command) is shown at the next tick.
TEST_F(Predkosc, PokazujeSzybkoscPlayera) {
  logika->Tick();
  player.predkosc = 7;
  logika->Tick();
  EXPECT_EQ(widok.predkosc, 7);
}

// The speed stepped to is saved, and a later start reads it and plays at it.
TEST_F(Predkosc, ZapamietanaWUstawieniach) {
  logika->Wykonaj(Polecenie::Szybciej);
  logika->Wykonaj(Polecenie::Szybciej);
  lista.ZapiszListeSerwerow();

  ListaStacji nowa(katalog.Path());
  nowa.OdczytajListeSerwerow();
  ASSERT_EQ(nowa.Predkosc(), 150);
  PlayerZapisujacy drugi;
  WidokZapisujacy widok2;
  LogikaOkna l(widok2, drugi, nowa, nullptr, {});
  l.Predkosc().Ustaw(nowa.Predkosc() / 25);
  EXPECT_EQ(drugi.zapis, std::vector<String>{"predkosc 6"});
  EXPECT_EQ(widok2.predkosc, 6);
}

TEST(PredkoscGry, Napis) {
  const std::pair<int, const char*> przypadki[] = {{2, "0,5×"},  {3, "0,75×"}, {4, "1×"},
                                                   {5, "1,25×"}, {6, "1,5×"},  {12, "3×"}};
  for (const auto& [c, napis] : przypadki) EXPECT_EQ(PredkoscGry::Napis(c), napis);
}

}  // namespace
