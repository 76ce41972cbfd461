#include "window/PoczatekGry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/Exception.h"
#include "player/ListaStacji.h"
#include "support/CzasTestowy.h"
#include "support/TempDir.h"

namespace {

using R = PoczatekGry::Rodzaj;
using P = PoczatekGry::Powod;

// What each program plays at the start, from the list as the settings and the command
// line left it.
TEST(PoczatekGry, CoGrac) {
  const Czas t = Utc(2026, 12, 10, 8, 30);
  const Czas wznowienie = Utc(2026, 12, 9, 20, 0);
  struct Przypadek {
    const char* opis;
    std::vector<String> serwery;  // "host:port" each
    String startNazwa;
    Czas startCzas;
    String cel;
    std::optional<Czas> od;
    PoczatekGry::Zasady zasady;
    R rodzaj;
    String grany;
    std::optional<Czas> odGrany;
    P blad;
  };
  const Przypadek przypadki[] = {
      {"a target named wins", {"h:1"}, "Fala@h:1", wznowienie, "Zegar@g:2", t, PoczatekGry::kOkno,
       R::Graj, "Zegar@g:2", t, P::Brak},
      {"a target named, live", {}, "", Czas(), "Zegar@g:2", std::nullopt, PoczatekGry::kBezOkna,
       R::Graj, "Zegar@g:2", std::nullopt, P::Brak},
      {"the position resumed", {"h:1"}, "Fala@h:1", wznowienie, "", std::nullopt, PoczatekGry::kOkno,
       R::Wznow, "Fala@h:1", wznowienie, P::Brak},
      {"the position, at the moment given", {}, "Fala@h:1", wznowienie, "", t, PoczatekGry::kBezOkna,
       R::Wznow, "Fala@h:1", t, P::Brak},
      {"a position without its moment plays live", {}, "Fala@h:1", Czas(), "", std::nullopt,
       PoczatekGry::kOkno, R::Wznow, "Fala@h:1", std::nullopt, P::Brak},
      {"nothing: the window waits", {"h:1"}, "", Czas(), "", std::nullopt, PoczatekGry::kOkno,
       R::Czekaj, "", std::nullopt, P::Brak},
      {"nothing: the player without a window refuses", {"h:1"}, "", Czas(), "", std::nullopt,
       PoczatekGry::kBezOkna, R::Blad, "", std::nullopt, P::NicDoGrania},
      {"a name on the only server", {"[::1]:7"}, "", Czas(), "Zegar", t, PoczatekGry::kBezOkna,
       R::Graj, "Zegar@[::1]:7", t, P::Brak},
      {"a name among several servers is looked for", {"h:1", "g:2"}, "", Czas(), "Zegar", std::nullopt,
       PoczatekGry::kBezOkna, R::Szukaj, "Zegar", std::nullopt, P::Brak},
      {"a name and no server", {}, "", Czas(), "Zegar", std::nullopt, PoczatekGry::kBezOkna, R::Blad, "",
       std::nullopt, P::BrakSerwerow},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.opis);
    TempDir k;
    ListaStacji l(k.Path());
    for (const String& s : p.serwery) {
      const ServerAddress a = ParseServerAddress(s);
      l.DodajSerwer(a.host, a.port);
    }
    l.UstawStartNazwa(p.startNazwa);
    l.UstawStartCzas(p.startCzas);
    const PoczatekGry g = Decyduj(l, p.cel, p.od, p.zasady);
    EXPECT_EQ(g.rodzaj, p.rodzaj);
    EXPECT_EQ(g.blad, p.blad);
    if (p.rodzaj == R::Blad || p.rodzaj == R::Czekaj) continue;
    EXPECT_EQ(g.cel, p.grany);
    EXPECT_EQ(g.od, p.odGrany);
  }
}

// After the queries: the first server that records the station, or none.
TEST(PoczatekGry, Znaleziona) {
  TempDir k;
  ListaStacji l(k.Path());
  l.DodajSerwer("h", 1);
  l.DodajSerwer("g", 2);
  l.DodajStacje("Fala", &l.DajSerwer(0));
  l.DodajStacje("Zegar", &l.DajSerwer(1));
  const Czas t = Utc(2026, 12, 10, 8, 30);
  const PoczatekGry g = Znaleziona(l, "Zegar", t);
  EXPECT_EQ(g.rodzaj, R::Graj);
  EXPECT_EQ(g.cel, "Zegar@g:2");
  EXPECT_EQ(g.od, t);
  const PoczatekGry brak = Znaleziona(l, "Jedynka", t);
  EXPECT_EQ(brak.rodzaj, R::Blad);
  EXPECT_EQ(brak.blad, P::NieMaStacji);
}

// The servers named join those of the settings (the window), or stand in their place (the
// player without a window); one already listed is not listed twice.
TEST(PoczatekGry, DolaczSerwery) {
  struct Przypadek {
    PoczatekGry::Zasady zasady;
    std::vector<String> serwery;
    std::vector<String> lista;
  } przypadki[] = {
      {PoczatekGry::kOkno, {"g:2", "h:1", "g:2"}, {"h:1", "g:2"}},
      {PoczatekGry::kOkno, {}, {"h:1"}},
      {PoczatekGry::kBezOkna, {"g:2", "g:2"}, {"g:2"}},
      {PoczatekGry::kBezOkna, {}, {"h:1"}},
  };
  for (const Przypadek& p : przypadki) {
    // The list saves what it read when it goes: each case on settings of its own.
    TempDir k;
    std::ofstream(k / ListaStacji::PlikSerwerow) << "[Serwery]\r\nSerwer0=h:1\r\n";
    ListaStacji l(k.Path());
    DolaczSerwery(l, p.serwery, p.zasady);
    std::vector<String> jest;
    for (int i = 0; i < l.IleSerwerow(); ++i) jest.push_back(l.DajSerwer(i).Adres());
    EXPECT_EQ(jest, p.lista);
  }
  TempDir k;
  ListaStacji l(k.Path());
  EXPECT_THROW(DolaczSerwery(l, {"h:x"}, PoczatekGry::kBezOkna), Exception);
}

}  // namespace
