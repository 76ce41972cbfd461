// The live edge through the recording view: End with and without recordings, and the
// live indicator as the time heard and the newest recorded audio move.
#include <gtest/gtest.h>

#include <algorithm>

#include "player/PowiadomieniaPlayera.h"
#include "transport/Protokol.h"
#include "window/LogikaOkna.h"
#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

Przedzialy Jeden(Czas od, Czas do_) {
  Przedzialy p;
  p.Add(Przedzial(od, do_));
  return p;
}

class NaZywo : public Okno {
 protected:
  // Connected, with the station's recordings `p` announced whole.
  void Polacz(const Przedzialy& p) {
    logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
    player.Wrzuc(Audio(p, ""));
    logika->Odbierz();
  }
  // The recording grew to `koniec`, as the server announces it.
  void Uroslo(Czas od, Czas koniec) {
    player.Wrzuc(Audio(Jeden(od, koniec), protokol::kOpisUpdatePlus));
    logika->Tick();
  }

  const Czas poczatek = Utc(2026, 12, 10, 10, 0);
  const Czas krawedz = Utc(2026, 12, 10, 11, 0);
};

TEST_F(NaZywo, EndBezNagranMowiToINicNieRusza) {
  logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
  player.czasGry = Utc(2026, 12, 10, 9, 0);
  EXPECT_TRUE(logika->Wykonaj(Polecenie::NaZywo));
  EXPECT_EQ(widok.status, "Stacja \"Zegar\" nie ma jeszcze nagrań.");
  EXPECT_TRUE(player.zapis.empty());
  EXPECT_FALSE(widok.naZywo);

  // Before any station is chosen there is no station to name.
  player.stacja.clear();
  logika->Krawedz().NaZywo();
  EXPECT_EQ(widok.status, "Nie wybrano stacji.");
  EXPECT_TRUE(player.zapis.empty());
}

TEST_F(NaZywo, EndGraKilkaSekundPrzedNajnowszymNagraniem) {
  struct Przypadek {
    const char* nazwa;
    Czas ostatniOd;  // the newest recording: [ostatniOd, krawedz]
    Czas pozycja;    // where End plays from
  } przypadki[] = {
      {"a long recording", poczatek, krawedz - KrawedzNaZywo::kPrzedKrawedzia},
      {"one that began 2 s ago", krawedz - Roznica::Sekunda * 2, krawedz - Roznica::Sekunda * 2},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    player.zapis.clear();
    Przedzialy nagrania = Jeden(Utc(2026, 12, 10, 8, 0), Utc(2026, 12, 10, 9, 0));
    nagrania.Add(Przedzial(p.ostatniOd, krawedz));
    Polacz(nagrania);
    player.czasGry = Utc(2026, 12, 10, 8, 30);
    logika->Tick();
    EXPECT_FALSE(widok.naZywo);
    EXPECT_TRUE(logika->Wykonaj(Polecenie::NaZywo));
    EXPECT_EQ(player.zapis, (std::vector<String>{"grajwszystko", "pozycja " + p.pozycja.NapisHex(), "graj"}));
    EXPECT_TRUE(widok.naZywo);
    EXPECT_TRUE(logika->Krawedz().JestNaZywo());
  }
}

// Live is the whole programme: a family of events played alone gives way to it.
TEST_F(NaZywo, EndWracaDoCalegoProgramu) {
  Update<BazaZintegrowana> u;
  u.plus.iwenty.DajPrzedzialy("Wiadomości").Add(Przedzial(poczatek, poczatek + Roznica::Minuta * 5));
  player.Wrzuc(Paczka2(u, protokol::kOpisInitIwentow));
  Polacz(Jeden(poczatek, krawedz));
  logika->Wydarzenia().Popup4Cos("Wiadomości");
  ASSERT_EQ(logika->Wydarzenia().WybraneRodziny(), std::vector<String>{"Wiadomości"});
  player.zapis.clear();
  logika->Wykonaj(Polecenie::NaZywo);
  EXPECT_EQ(player.zapis, (std::vector<String>{"grajwszystko", "pozycja " + (krawedz - KrawedzNaZywo::kPrzedKrawedzia).NapisHex(), "graj"}));
  EXPECT_TRUE(logika->Wydarzenia().WybraneRodziny().empty());
  EXPECT_EQ(widok.przyciskWydarzen, "Cały program");
  EXPECT_FALSE(widok.listaWydarzen);

  // The base sent anew keeps the family chosen: End gives way to the whole programme.
  logika->Wydarzenia().Popup4Cos("Wiadomości");
  player.Wrzuc(Paczka2(u, protokol::kOpisInitIwentow));
  logika->Tick();
  ASSERT_EQ(logika->Wydarzenia().WybraneRodziny(), std::vector<String>{"Wiadomości"});
  player.zapis.clear();
  logika->Wykonaj(Polecenie::NaZywo);
  ASSERT_FALSE(player.zapis.empty());
  EXPECT_EQ(player.zapis.front(), "grajwszystko");
  EXPECT_EQ(widok.przyciskWydarzen, "Cały program");
}

// How far behind the newest audio the time heard is, and whether that is live.
TEST_F(NaZywo, WskaznikDo10SekundZaKrawedzia) {
  Polacz(Jeden(poczatek, krawedz));
  struct Przypadek {
    Roznica za;
    bool naZywo;
  } przypadki[] = {
      {Roznica::Sekunda * 30, false},
      {Roznica::Sekunda * 4, true},
      {Roznica::Sekunda * 10 + Roznica(1), false},
      {Roznica::Sekunda * 10, true},
      {Roznica(0), true},
      {-Roznica::Sekunda * 2, false},  // past the end: the clock stands in silence
      {Roznica::Godzina, false},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(std::to_string(p.za.Wartosc()));
    player.czasGry = krawedz - p.za;
    logika->Tick();
    EXPECT_EQ(widok.naZywo, p.naZywo);
  }
  // Stopped, nothing is heard: not live, however close to the edge.
  player.czasGry = krawedz - Roznica::Sekunda * 4;
  logika->Tick();
  ASSERT_TRUE(widok.naZywo);
  logika->Wykonaj(Polecenie::Stop);
  logika->Tick();
  EXPECT_FALSE(widok.naZywo);
}

// Playing on while the recording grows stays live; a pause or a seek back falls behind.
TEST_F(NaZywo, RosnaceNagranie) {
  Polacz(Jeden(poczatek, krawedz));
  logika->Wykonaj(Polecenie::NaZywo);
  player.czasGry = krawedz - KrawedzNaZywo::kPrzedKrawedzia;
  Czas koniec = krawedz;
  // A minute of playing, the server announcing each second of the recording.
  for (int s = 1; s <= 60; ++s) {
    teraz += Roznica::Sekunda;
    player.czasGry += Roznica::Sekunda;
    koniec += Roznica::Sekunda;
    Uroslo(koniec - Roznica::Sekunda, koniec);
    ASSERT_TRUE(widok.naZywo) << s << " s";
  }
  EXPECT_EQ(logika->PrzedzialyAudio().End(), koniec);
  EXPECT_EQ(logika->PrzedzialyAudio().Count(), 1);

  // Paused: the recording goes on without the time heard.
  for (int s = 1; s <= 6; ++s) {
    koniec += Roznica::Sekunda;
    Uroslo(koniec - Roznica::Sekunda, koniec);
  }
  EXPECT_TRUE(widok.naZywo);  // 4 s + 6 s behind
  koniec += Roznica::Sekunda;
  Uroslo(koniec - Roznica::Sekunda, koniec);
  EXPECT_FALSE(widok.naZywo);  // 11 s behind

  // End again; then a seek back a minute.
  logika->Wykonaj(Polecenie::NaZywo);
  EXPECT_TRUE(widok.naZywo);
  player.czasGry = koniec - KrawedzNaZywo::kPrzedKrawedzia;
  logika->Wykonaj(Polecenie::Wstecz1min);
  player.czasGry -= Roznica::Minuta;
  logika->Tick();
  EXPECT_FALSE(widok.naZywo);
}

// The indicator has its own place: the status line's messages and their timeouts leave it.
TEST_F(NaZywo, WskaznikNieWalczyZeStatusem) {
  Polacz(Jeden(poczatek, krawedz));
  player.czasGry = krawedz - KrawedzNaZywo::kPrzedKrawedzia;
  logika->Tick();
  ASSERT_TRUE(widok.naZywo);
  logika->Status().LadnyPrint5s("krótko");
  teraz += Roznica::Sekunda * 4;
  logika->Tick();
  EXPECT_EQ(widok.status, "");
  EXPECT_TRUE(widok.naZywo);
  EXPECT_EQ(std::count(widok.zapis.begin(), widok.zapis.end(), "na zywo"), 1);
}

// Only a connected player is live: the connection lost takes the indicator away at once.
TEST_F(NaZywo, BezPolaczeniaNieNaZywo) {
  player.czasGry = krawedz;
  player.Wrzuc(Audio(Jeden(poczatek, krawedz), ""));
  logika->Tick();
  EXPECT_FALSE(widok.naZywo);  // not connected yet
  logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
  EXPECT_TRUE(widok.naZywo);
  logika->Powiadomienie(ZdarzeniePolaczenia::Zerwany);
  EXPECT_FALSE(widok.naZywo);
  logika->Powiadomienie(ZdarzeniePolaczenia::Laczenie);
  logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
  EXPECT_TRUE(widok.naZywo);
}

// Faster than 1x the time heard catches up with the recording: where End would start, it
// goes back to 1x and says so; stopped, or still behind, it keeps its speed.
TEST_F(NaZywo, SzybciejNizNagranieWracaDo1xNaKrawedzi) {
  Polacz(Jeden(poczatek, krawedz));
  logika->Predkosc().Ustaw(8);
  player.czasGry = krawedz - Roznica::Minuta;
  Czas koniec = krawedz;
  // Heard at 2x while the recording grows at 1x: the gap shrinks by a second a second.
  int s = 0;
  while (player.predkosc == 8) {
    ASSERT_LT(++s, 60);
    teraz += Roznica::Sekunda;
    player.czasGry += Roznica::Sekunda * 2;
    koniec += Roznica::Sekunda;
    Uroslo(koniec - Roznica::Sekunda, koniec);
  }
  EXPECT_EQ(koniec - player.czasGry, KrawedzNaZywo::kPrzedKrawedzia) << "back to 1x where End starts";
  EXPECT_EQ(player.zapis.back(), "predkosc 4");
  EXPECT_EQ(widok.predkosc, 4);
  EXPECT_EQ(widok.status, "Na żywo: odtwarzanie z prędkością 1×");
  EXPECT_EQ(lista.Predkosc(), 100) << "the settings keep what is heard";
  EXPECT_TRUE(widok.naZywo);

  // Stopped, nothing runs into the edge; behind it, the speed is the user's.
  logika->Predkosc().Ustaw(6);
  logika->Wykonaj(Polecenie::Stop);
  logika->Tick();
  EXPECT_EQ(player.predkosc, 6);
  logika->Wykonaj(Polecenie::Graj);
  player.czasGry = koniec - Roznica::Sekunda * 5;
  logika->Tick();
  EXPECT_EQ(player.predkosc, 6);
  // Slower than 1x never reaches it.
  logika->Predkosc().Ustaw(3);
  player.czasGry = koniec;
  logika->Tick();
  EXPECT_EQ(player.predkosc, 3);
}

// End at a speed above 1x plays the edge at 1x, the speed set before the seek.
TEST_F(NaZywo, EndPrzySzybkosciGraZ1x) {
  Polacz(Jeden(poczatek, krawedz));
  player.czasGry = poczatek;
  logika->Wykonaj(Polecenie::Szybciej);
  player.zapis.clear();
  logika->Wykonaj(Polecenie::NaZywo);
  EXPECT_EQ(player.zapis, (std::vector<String>{"grajwszystko", "predkosc 4",
                                               "pozycja " + (krawedz - KrawedzNaZywo::kPrzedKrawedzia).NapisHex(),
                                               "graj"}));
  EXPECT_EQ(widok.predkosc, 4);
  EXPECT_EQ(widok.status, "Na żywo: odtwarzanie z prędkością 1×");
}

}  // namespace
