// The events through the recording view: the menu from the events base, a family chosen
// and its toggle, the events list of the day as recordings and the base change.
#include <gtest/gtest.h>

#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

// An event base with the family "Wiadomości" (the given intervals) and the marker kind "Sygnał".
Paczka2 Baza(const std::vector<Przedzial>& wiadomosci, const char* opis = "init iwentow") {
  Update<BazaZintegrowana> u;
  for (const Przedzial& p : wiadomosci) u.plus.iwenty.DajPrzedzialy("Wiadomości").Add(p);
  u.plus.iwenty.DajPrzedzialy("Reklamy");
  u.plus.Markery("Sygnał").Dodaj(Utc(2026, 12, 10, 10, 10));
  return Paczka2(u, opis);
}

class Wydarzenia : public Okno {
 protected:
  Wydarzenia() {
    Przedzialy nagrania;
    nagrania.Add(Przedzial(Utc(2026, 12, 1, 0, 0), Utc(2026, 12, 20, 0, 0)));
    player.Wrzuc(Audio(nagrania, ""));
    player.czasGry = Utc(2026, 12, 10, 12, 0);  // 13:00 in Warsaw
  }
};

TEST_F(Wydarzenia, MenuZBazy) {
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)}}));
  logika->Tick();
  EXPECT_EQ(widok.menuWydarzen, (std::vector<String>{"Cały program", "Wiadomości", "Reklamy", "Sygnał"}));
  EXPECT_TRUE(widok.menuWlaczone);

  // An empty base leaves only the whole programme: the button is disabled.
  player.Wrzuc(Paczka2(*std::make_unique<Update<BazaZintegrowana>>(), "init iwentow"));
  logika->Tick();
  EXPECT_TRUE(widok.menuWydarzen.empty());
  EXPECT_FALSE(widok.menuWlaczone);
}

TEST_F(Wydarzenia, WyborRodzinyIPrzelacznik) {
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)},
                     {Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 5)}}));
  logika->Tick();

  // The toggle with no family ever chosen stays on the whole programme.
  logika->Wydarzenia().PrzelaczWydarzenia();
  EXPECT_EQ(player.zapis.back(), "grajwszystko");
  EXPECT_EQ(widok.przyciskWydarzen, "Cały program");

  logika->Wydarzenia().Popup4Cos("Wiadomości");
  EXPECT_EQ(player.zapis.back(), "grajiwenty Wiadomości");
  EXPECT_TRUE(widok.listaWydarzen);
  EXPECT_EQ(widok.przyciskWydarzen, "Wiadomości");
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 10:00:00 - 300 sek.\r\n10/gru/2026 11:00:00 - 300 sek.\r\n");
  EXPECT_TRUE(widok.Bylo("warstwa 2 = 2"));

  // A double click plays from 5 s before; a right click adds the event to the export.
  logika->Wydarzenia().GrajWydarzenie(1);
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 59, 55).NapisHex());
  logika->Wydarzenia().GrajWydarzenie(5);  // no such line: nothing
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 59, 55).NapisHex());
  logika->Wydarzenia().EksportujWydarzenie(0);
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  EXPECT_TRUE(widok.listaEksportu);
  EXPECT_EQ(widok.warstwa1.Count(), 1);

  // A growing last event changes only the last line.
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 10, 5), Utc(2026, 12, 10, 10, 6)}}, "update iwentow"));
  logika->Tick();
  EXPECT_TRUE(widok.Bylo("ostatnia 10/gru/2026 11:00:00 - 360 sek."));
  EXPECT_TRUE(widok.Bylo("warstwa 2 += 1 -= 0"));

  logika->Wydarzenia().PrzelaczWydarzenia();
  EXPECT_EQ(player.zapis.back(), "grajwszystko");
  EXPECT_FALSE(widok.listaWydarzen);
  logika->Wydarzenia().PrzelaczWydarzenia();
  EXPECT_EQ(player.zapis.back(), "grajiwenty Wiadomości");
  EXPECT_TRUE(widok.listaWydarzen);

  // A marker kind asks for the base again and shows its markers.
  logika->Wydarzenia().Popup4Cos("Sygnał");
  EXPECT_EQ(player.zapis.back(), "wyslij wylijbazeZ");
  EXPECT_TRUE(widok.Bylo("markery 0 = 1"));
  EXPECT_EQ(logika->Wydarzenia().WybraneTypy(), std::vector<String>{"Sygnał"});

  // A new station returns to the whole programme; the marker kind stays chosen.
  logika->Process("terazgramy Fala");
  EXPECT_TRUE(logika->Wydarzenia().WybraneRodziny().empty());
  EXPECT_FALSE(widok.listaWydarzen);
  EXPECT_EQ(logika->Wydarzenia().WybraneTypy(), std::vector<String>{"Sygnał"});
}

// The base sent anew (a kind of event went away, or a marker kind asked for it) keeps the
// family chosen while it is still there, since the server plays it alone; a family gone
// returns to the whole programme and says so.
TEST_F(Wydarzenia, BazaOdNowaZostawiaRodzineKtoraJestWNiej) {
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)}}));
  logika->Tick();
  logika->Wydarzenia().Popup4Cos("Wiadomości");
  player.zapis.clear();

  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)},
                     {Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 1)}}));
  logika->Tick();
  EXPECT_EQ(logika->Wydarzenia().WybraneRodziny(), std::vector<String>{"Wiadomości"});
  EXPECT_EQ(widok.przyciskWydarzen, "Wiadomości");
  EXPECT_TRUE(widok.listaWydarzen);
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 10:00:00 - 300 sek.\r\n10/gru/2026 11:00:00 - 60 sek.\r\n");
  EXPECT_TRUE(widok.Bylo("warstwa 2 = 2"));
  EXPECT_TRUE(player.zapis.empty());

  Update<BazaZintegrowana> bezWiadomosci;
  bezWiadomosci.plus.iwenty.DajPrzedzialy("Reklamy");
  player.Wrzuc(Paczka2(bezWiadomosci, "init iwentow"));
  logika->Tick();
  EXPECT_TRUE(logika->Wydarzenia().WybraneRodziny().empty());
  EXPECT_EQ(player.zapis, std::vector<String>{"grajwszystko"});
  EXPECT_EQ(widok.przyciskWydarzen, "Cały program");
  EXPECT_FALSE(widok.listaWydarzen);
  EXPECT_EQ(widok.status, "Wydarzeń \"Wiadomości\" już nie ma: gra cały program.");
}

// The list shows the family's events that were recorded: recordings reaching an event
// (one being recorded, or a backlog catching up) change it; others leave it alone.
TEST_F(Wydarzenia, NagraniaDochodzaceDoWydarzeniaZmieniajaListe) {
  Przedzialy nagrania;
  nagrania.Add(Przedzial(Utc(2026, 12, 10, 0, 0), Utc(2026, 12, 10, 10, 2)));
  player.Wrzuc(Audio(nagrania, ""));
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)},
                     {Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 5)},
                     {Utc(2026, 12, 10, 11, 0), Utc(2026, 12, 10, 11, 5)}}));
  logika->Tick();
  logika->Wydarzenia().Popup4Cos("Wiadomości");
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 10:00:00 - 300 sek.\r\n10/gru/2026 11:00:00 - 120 sek.\r\n");

  // Audio elsewhere: the list stays.
  widok.zapis.clear();
  Przedzialy obok;
  obok.Add(Przedzial(Utc(2026, 12, 9, 10, 0), Utc(2026, 12, 9, 10, 1)));
  player.Wrzuc(Audio(obok, "update+"));
  logika->Tick();
  EXPECT_FALSE(widok.Bylo("warstwa 2 = 2"));

  // The event being recorded grows: its line changes.
  Przedzialy dalej;
  dalej.Add(Przedzial(Utc(2026, 12, 10, 10, 2) + Roznica(1), Utc(2026, 12, 10, 10, 6)));
  player.Wrzuc(Audio(dalej, "update+"));
  logika->Tick();
  EXPECT_TRUE(widok.Bylo("ostatnia 10/gru/2026 11:00:00 - 300 sek."));

  // A recording that reaches the next event adds its line.
  Przedzialy pozniej;
  pozniej.Add(Przedzial(Utc(2026, 12, 10, 10, 59), Utc(2026, 12, 10, 11, 1)));
  player.Wrzuc(Audio(pozniej, "update+"));
  logika->Tick();
  EXPECT_EQ(widok.tekstWydarzen,
            "10/gru/2026 10:00:00 - 300 sek.\r\n10/gru/2026 11:00:00 - 300 sek.\r\n10/gru/2026 12:00:00 - 60 sek.\r\n");
}

TEST_F(Wydarzenia, WydarzeniePrzezPolnocNaObuDniach) {
  // 23:00 to 01:00 local time (22:00 to 00:00 UTC), and an event on each day far from it.
  // Each day shows it cut 15 minutes beyond its own end (one tick short of the cut).
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 5)},
                     {Utc(2026, 12, 10, 22, 0), Utc(2026, 12, 11, 0, 0)},
                     {Utc(2026, 12, 11, 10, 0), Utc(2026, 12, 11, 10, 5)}}));
  logika->Tick();
  logika->Wydarzenia().Popup4Cos("Wiadomości");
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 11:00:00 - 300 sek.\r\n10/gru/2026 23:00:00 - 4499 sek.\r\n");

  player.czasGry = Utc(2026, 12, 11, 12, 0);
  logika->Tick();
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 23:45:00 - 4499 sek.\r\n11/gru/2026 11:00:00 - 300 sek.\r\n");
}

}  // namespace
