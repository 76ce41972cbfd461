// The main window's behaviour through a recording view: the inbox, the text commands,
// the status line, the connection states, the keyboard, the events and the export list.
#include "window/LogikaOkna.h"

#include <gtest/gtest.h>

#include "common/PaczkaAudio.h"
#include "intervals/PrzedzialyAudio.h"
#include "player/PowiadomieniaPlayera.h"
#include "support/LogCapture.h"
#include "transport/Protokol.h"
#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

// A PCM export packet of `sekundy` seconds.
Paczka2 Eksport(int sekundy) {
  PaczkaAudio a;
  a.czas = Utc(2026, 12, 10, 10, 0);
  a.format = "8000 mono 128 PCM";
  a.dane.SetSize(16000 * sekundy);
  return Paczka2(a, protokol::kOpisEksport);
}

Paczka2 Audio(const Przedzialy& p, const String& opis) {
  PrzedzialyAudio kopia(p);
  return Paczka2(kopia, opis);
}

// The inbox's text packets: what each description shows.
TEST_F(Okno, TekstySkrzynkiPokazujaSieWedlugOpisu) {
  struct Przypadek {
    const char* opis;
    const char* tekst;
    const char* status;
    const char* dymek;
  } przypadki[] = {
      {"przyszlo", "a", "a", "a"},
      {"ladny print", "b", "b", ""},
      {"bardzo ladny print", "c", "c", "c"},
      {"print", "d", "d", ""},
      {"", "empty abc", "Baza \"abc\" jest pusta.", "Baza \"abc\" jest pusta."},
      {"debug", "busy Zegar", "Baza \"Zegar\" jest chwilowo niedostępna.", "Baza \"Zegar\" jest chwilowo niedostępna."},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.opis);
    widok.dymek.clear();
    widok.status.clear();
    player.Wrzuc(Paczka2(p.tekst, p.opis));
    logika->Odbierz();
    EXPECT_EQ(widok.status, p.status);
    EXPECT_EQ(widok.dymek, p.dymek);
  }
}

TEST_F(Okno, TekstZNieznanymOpisemJestZapisanyIWykonany) {
  LogCapture log;
  player.Wrzuc(Paczka2("empty abc", "x"));
  player.Wrzuc(Paczka2("empty def", "debug"));
  logika->Odbierz();
  EXPECT_NE(log.Text().find("Nieznany string \"empty abc\" z opisem \"x\""), std::string::npos);
  EXPECT_EQ(log.Text().find("Nieznany string \"empty def\""), std::string::npos);
  EXPECT_EQ(widok.dymek, "Baza \"def\" jest pusta.");
}

TEST_F(Okno, NieznanaPaczkaJestTylkoZapisana) {
  LogCapture log;
  PaczkaAudio a;
  a.format = "8000 mono 128 PCM";
  player.Wrzuc(Paczka2(a, "cos"));
  player.Wrzuc(Paczka2("b", "ladny print"));
  logika->Odbierz();
  EXPECT_NE(log.Text().find("error Nieznana paczka: \"PaczkaAudio\" z opisem \"cos\""), std::string::npos);
  EXPECT_EQ(widok.status, "b");  // the packets after it are read
}

TEST_F(Okno, PrzedzialyAudioWedlugOpisu) {
  Przedzialy p;
  p.Add(Przedzial(Utc(2026, 12, 10, 8, 0), Utc(2026, 12, 10, 9, 0)));
  Przedzialy dodane;
  dodane.Add(Przedzial(Utc(2026, 12, 10, 9, 0, 1), Utc(2026, 12, 10, 10, 0)));
  Przedzialy usuniete;
  usuniete.Add(Przedzial(Utc(2026, 12, 10, 8, 0), Utc(2026, 12, 10, 8, 30)));
  player.Wrzuc(Audio(p, ""));
  player.Wrzuc(Audio(dodane, "update+"));
  player.Wrzuc(Audio(usuniete, "update-"));
  logika->Odbierz();
  EXPECT_TRUE(widok.Bylo("warstwa 0 = 1"));
  EXPECT_TRUE(widok.Bylo("warstwa 0 += 1 -= 0"));
  EXPECT_TRUE(widok.Bylo("warstwa 0 += 0 -= 1"));
  ASSERT_EQ(logika->PrzedzialyAudio().Count(), 1);
  EXPECT_GT(logika->PrzedzialyAudio()[0].begin, Utc(2026, 12, 10, 8, 30));
  EXPECT_EQ(logika->PrzedzialyAudio()[0].end, Utc(2026, 12, 10, 10, 0));

  // Any other description is an error that ends the program (the window's handler).
  player.Wrzuc(Audio(p, "update"));
  try {
    logika->Odbierz();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("nieznany opis przedzialow audio update"), std::string::npos);
  }
}

TEST_F(Okno, PaczkaEksportuKonczyTykniecie) {
  logika->DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  logika->Eksportuj();
  player.Wrzuc(Eksport(1));
  player.Wrzuc(Paczka2("po eksporcie", "ladny print"));
  logika->Tick();
  EXPECT_EQ(eksporter.paczek, 1);
  EXPECT_EQ(widok.status, "");
  logika->Tick();
  EXPECT_EQ(widok.status, "po eksporcie");
}

TEST_F(Okno, KomendyTekstowe) {
  LogCapture log;
  logika->Process("foo bar");
  EXPECT_NE(log.Text().find("error Nieznana komenda \"foo bar\""), std::string::npos);
  logika->Process("error nieznana stacja");
  EXPECT_NE(log.Text().find("Serwer zwrocil blad: nieznana stacja"), std::string::npos);
  EXPECT_EQ(widok.status, "");  // without diagnostics nothing is shown
  logika->Process("setkolorznacznik FF00 " + Utc(2026, 12, 10, 10, 0).NapisHex());
  EXPECT_FALSE(widok.Bylo("znacznik 0 += 1"));

  logika->Process("terazgramy Dwójka");
  EXPECT_EQ(widok.tytul, "KorwendoGra - Dwójka");
  EXPECT_TRUE(widok.Bylo("stacja Dwójka"));
  EXPECT_TRUE(widok.Bylo("ulubione Dwójka@127.0.0.1:12540"));
  EXPECT_EQ(lista.StartNazwa(), "Dwójka@127.0.0.1:12540");
  EXPECT_EQ(widok.przyciskWydarzen, "Cały program");
}

class OknoDiagnostyczne : public Okno {
 protected:
  OknoDiagnostyczne() : Okno(true) {}
};

TEST_F(OknoDiagnostyczne, DiagnostykaPokazujeIZaznacza) {
  logika->Process("foo bar");
  EXPECT_EQ(widok.status, "error Nieznana komenda \"foo bar\"");
  logika->Process("setkolorznacznik FF00 " + Utc(2026, 12, 10, 10, 0).NapisHex());
  EXPECT_TRUE(widok.Bylo("znacznik 0 += 1"));
  EXPECT_THROW(logika->Process("setkolorznacznik FF00 123"), std::exception);
}

TEST_F(Okno, StatusIDymekZnikajaPoSwoimCzasie) {
  logika->Process("empty abc");
  EXPECT_EQ(widok.dymek, "Baza \"abc\" jest pusta.");
  teraz += Roznica::Sekunda * 3 + Roznica::Milisekunda;
  logika->Tick();
  EXPECT_EQ(widok.dymek, "");
  EXPECT_EQ(widok.status, "Baza \"abc\" jest pusta.");
  teraz += Roznica::Sekunda * 9;
  logika->Tick();
  EXPECT_EQ(widok.status, "");

  logika->LadnyPrint5s("krótko");
  teraz += Roznica::Sekunda * 3 + Roznica::Milisekunda;
  logika->Tick();
  EXPECT_EQ(widok.status, "");

  logika->BardzoLadnyPrint("x");
  logika->BardzoLadnyPrint("");
  EXPECT_EQ(widok.dymek, "");
  EXPECT_EQ(widok.status, "");
}

TEST_F(Okno, StanyPolaczenia) {
  struct Przypadek {
    int komunikat;
    uintptr_t wParam;
    bool guziczki, zaslona, timer;
    const char* dymek;
  } przypadki[] = {
      {WM_PLAYER_POLACZONY, 0, true, false, false, ""},
      {WM_PLAYER_ZERWANY, 0, false, true, true, "Rozłączony"},
      {WM_PLAYER_NIEUDANY, 1, false, true, false, "Nie znaleziono serwera 127.0.0.1:12540"},
      {WM_PLAYER_NIEUDANY, 0, false, true, true, "Błąd połączenia"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(OpisPowiadomienia(p.komunikat, p.wParam));
    widok.guziczki = !p.guziczki;
    widok.zaslona = !p.zaslona;
    widok.timer = false;
    widok.dymek.clear();
    logika->Powiadomienie(p.komunikat, p.wParam);
    EXPECT_EQ(widok.guziczki, p.guziczki);
    EXPECT_EQ(widok.zaslona, p.zaslona);
    EXPECT_EQ(widok.timer, p.timer);
    EXPECT_EQ(widok.dymek, p.dymek);
  }
  widok.tytul = "KorwendoGra - Zegar";
  widok.zaslona = false;
  logika->Powiadomienie(WM_PLAYER_LACZENIE, 0);
  EXPECT_TRUE(widok.zaslona);
  EXPECT_EQ(widok.tytul, "KorwendoGra");
  EXPECT_TRUE(widok.Bylo("ulubione "));

  // The reconnect: the timer stops itself and the same station is asked for again.
  widok.timer = true;
  logika->Timer1();
  EXPECT_FALSE(widok.timer);
  EXPECT_EQ(player.zapis.back(), "zmienstacje Zegar@127.0.0.1:12540");
}

TEST_F(Okno, UtrataPolaczeniaCzysciListeEksportu) {
  logika->DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 5));
  logika->Eksportuj();
  logika->Powiadomienie(WM_PLAYER_ZERWANY, 0);
  EXPECT_EQ(widok.przyciskEksportu, "Eksportuj");
  EXPECT_EQ(logika->DoEksportu().Count(), 0);
  EXPECT_EQ(widok.tekstEksportu, "");
  EXPECT_EQ(widok.warstwa1.Count(), 0);
  EXPECT_TRUE(widok.pasek);  // the gauge waits for "koniecexportu"
}

TEST_F(Okno, Klawisze) {
  player.czasGry = Utc(2026, 12, 10, 10, 0);
  struct Przypadek {
    int vk;
    bool zjedzony;
    String skutek;
  } przypadki[] = {
      {LogikaOkna::kF4, false, "graj"},
      {LogikaOkna::kNum0, false, "graj"},
      {LogikaOkna::kNumKropka, false, "stop"},
      {LogikaOkna::kNum1, true, "pozycja " + Utc(2026, 12, 10, 9, 59, 55).NapisHex()},
      {LogikaOkna::kNum3, true, "pozycja " + Utc(2026, 12, 10, 10, 0, 5).NapisHex()},
      {LogikaOkna::kNum4, true, "pozycja " + Utc(2026, 12, 10, 9, 59).NapisHex()},
      {LogikaOkna::kNum6, true, "pozycja " + Utc(2026, 12, 10, 10, 1).NapisHex()},
      {LogikaOkna::kNum7, true, "pozycja " + Utc(2026, 12, 10, 9, 0).NapisHex()},
      {LogikaOkna::kNum9, true, "pozycja " + Utc(2026, 12, 10, 11, 0).NapisHex()},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.vk);
    EXPECT_EQ(logika->Klawisz(p.vk), p.zjedzony);
    EXPECT_EQ(player.zapis.back(), p.skutek);
  }
  EXPECT_TRUE(logika->Klawisz(LogikaOkna::kEsc));
  EXPECT_TRUE(widok.Bylo("minimalizuj"));
  EXPECT_FALSE(logika->Klawisz('A'));

  // F5 on an unassigned favourite opens its menu; on an assigned one plays it.
  EXPECT_TRUE(logika->Klawisz(LogikaOkna::kF5));
  EXPECT_TRUE(widok.Bylo("menu ulubionych 0"));
  lista.ContextClick(2, "Fala@127.0.0.1:12540");
  EXPECT_TRUE(logika->Klawisz(LogikaOkna::kF5 + 2));
  EXPECT_EQ(player.zapis.back(), "zmienstacje Fala@127.0.0.1:12540");
}

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
  logika->PrzelaczWydarzenia();
  EXPECT_EQ(player.zapis.back(), "grajwszystko");
  EXPECT_EQ(widok.przyciskWydarzen, "Cały program");

  logika->Popup4Cos("Wiadomości");
  EXPECT_EQ(player.zapis.back(), "grajiwenty Wiadomości");
  EXPECT_TRUE(widok.listaWydarzen);
  EXPECT_EQ(widok.przyciskWydarzen, "Wiadomości");
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 10:00:00 - 300 sek.\r\n10/gru/2026 11:00:00 - 300 sek.\r\n");
  EXPECT_TRUE(widok.Bylo("warstwa 2 = 2"));

  // A double click plays from 5 s before; a right click adds the event to the export.
  logika->GrajWydarzenie(1);
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 59, 55).NapisHex());
  logika->GrajWydarzenie(5);  // no such line: nothing
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 59, 55).NapisHex());
  logika->EksportujWydarzenie(0);
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  EXPECT_TRUE(widok.listaEksportu);
  EXPECT_EQ(widok.warstwa1.Count(), 1);

  // A growing last event changes only the last line.
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 10, 5), Utc(2026, 12, 10, 10, 6)}}, "update iwentow"));
  logika->Tick();
  EXPECT_TRUE(widok.Bylo("ostatnia 10/gru/2026 11:00:00 - 360 sek."));
  EXPECT_TRUE(widok.Bylo("warstwa 2 += 1 -= 0"));

  logika->PrzelaczWydarzenia();
  EXPECT_EQ(player.zapis.back(), "grajwszystko");
  EXPECT_FALSE(widok.listaWydarzen);
  logika->PrzelaczWydarzenia();
  EXPECT_EQ(player.zapis.back(), "grajiwenty Wiadomości");
  EXPECT_TRUE(widok.listaWydarzen);

  // A marker kind asks for the base again and shows its markers.
  logika->Popup4Cos("Sygnał");
  EXPECT_EQ(player.zapis.back(), "wyslij wylijbazeZ");
  EXPECT_TRUE(widok.Bylo("markery 0 = 1"));
  EXPECT_EQ(logika->WybraneTypy(), std::vector<String>{"Sygnał"});

  // A new station returns to the whole programme; the marker kind stays chosen.
  logika->Process("terazgramy Fala");
  EXPECT_TRUE(logika->WybraneRodziny().empty());
  EXPECT_FALSE(widok.listaWydarzen);
  EXPECT_EQ(logika->WybraneTypy(), std::vector<String>{"Sygnał"});
}

// The base sent anew (a kind of event went away, or a marker kind asked for it) keeps the
// family chosen while it is still there, since the server plays it alone; a family gone
// returns to the whole programme and says so.
TEST_F(Wydarzenia, BazaOdNowaZostawiaRodzineKtoraJestWNiej) {
  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)}}));
  logika->Tick();
  logika->Popup4Cos("Wiadomości");
  player.zapis.clear();

  player.Wrzuc(Baza({{Utc(2026, 12, 10, 9, 0), Utc(2026, 12, 10, 9, 5)},
                     {Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 1)}}));
  logika->Tick();
  EXPECT_EQ(logika->WybraneRodziny(), std::vector<String>{"Wiadomości"});
  EXPECT_EQ(widok.przyciskWydarzen, "Wiadomości");
  EXPECT_TRUE(widok.listaWydarzen);
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 10:00:00 - 300 sek.\r\n10/gru/2026 11:00:00 - 60 sek.\r\n");
  EXPECT_TRUE(widok.Bylo("warstwa 2 = 2"));
  EXPECT_TRUE(player.zapis.empty());

  Update<BazaZintegrowana> bezWiadomosci;
  bezWiadomosci.plus.iwenty.DajPrzedzialy("Reklamy");
  player.Wrzuc(Paczka2(bezWiadomosci, "init iwentow"));
  logika->Tick();
  EXPECT_TRUE(logika->WybraneRodziny().empty());
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
  logika->Popup4Cos("Wiadomości");
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
  logika->Popup4Cos("Wiadomości");
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 11:00:00 - 300 sek.\r\n10/gru/2026 23:00:00 - 4499 sek.\r\n");

  player.czasGry = Utc(2026, 12, 11, 12, 0);
  logika->Tick();
  EXPECT_EQ(widok.tekstWydarzen, "10/gru/2026 23:45:00 - 4499 sek.\r\n11/gru/2026 11:00:00 - 300 sek.\r\n");
}

TEST_F(Okno, OdDoIListaEksportu) {
  // "Do" before "Od": refused.
  widok.czasOsi = Utc(2026, 12, 10, 9, 0);
  logika->OznaczDo();
  widok.czasOsi = Utc(2026, 12, 10, 9, 5);
  logika->OznaczOd();
  logika->DodajOdDo();
  EXPECT_EQ(widok.dymek, "\"Do\" musi być później niż \"Od\"");
  EXPECT_EQ(logika->DoEksportu().Count(), 0);

  widok.czasOsi = Utc(2026, 12, 10, 9, 0);
  logika->OznaczOd();
  widok.czasOsi = Utc(2026, 12, 10, 9, 5);
  logika->OznaczDo();
  EXPECT_TRUE(widok.Bylo("podpowiedz od " + Utc(2026, 12, 10, 9, 0).Napis()));
  logika->DodajOdDo();
  EXPECT_EQ(widok.tekstEksportu, "10/gru/2026 10:00:00 - 10/gru/2026 10:05:00\r\n");
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  logika->DodajDoEksportu(Utc(2026, 12, 10, 9, 4), Utc(2026, 12, 10, 9, 10));
  EXPECT_EQ(widok.tekstEksportu, "10/gru/2026 10:00:00 - 10/gru/2026 10:10:00\r\n");

  logika->IdzDoOd();
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 0).NapisHex());
  logika->GrajZEksportu(0);
  EXPECT_EQ(player.zapis.back(), "pozycja " + Utc(2026, 12, 10, 9, 0).NapisHex());

  // Removing the only interval hides the list and shrinks the window.
  logika->UsunZEksportu(0);
  EXPECT_FALSE(widok.listaEksportu);
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokosc);
}

TEST_F(Okno, SamoDoDajePrzedzialOdZera) {
  widok.czasOsi = Utc(2026, 12, 10, 9, 5);
  logika->OznaczDo();
  logika->DodajOdDo();
  ASSERT_EQ(logika->DoEksportu().Count(), 1);
  EXPECT_EQ(logika->DoEksportu()[0].begin, Czas(0));
}

TEST_F(Okno, StanyEksportu) {
  logika->Eksportuj();
  EXPECT_EQ(widok.dymek, "Lista przedziałów do eksportu jest pusta");

  logika->DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  eksporter.zgoda = false;  // the user cancels the dialog
  logika->Eksportuj();
  EXPECT_EQ(widok.przyciskEksportu, "Eksportuj");
  EXPECT_FALSE(widok.pasek);

  eksporter.zgoda = true;
  logika->Eksportuj();
  EXPECT_EQ(widok.przyciskEksportu, "Przerwij eksport");
  EXPECT_TRUE(widok.pasek);
  EXPECT_EQ(widok.maksimum, 600);
  EXPECT_FALSE(widok.pozostaly);

  // A packet shorter than a second shows the label but computes nothing yet.
  Paczka2 pol = Eksport(0);
  player.Wrzuc(pol);
  logika->Tick();
  EXPECT_TRUE(widok.pozostaly);
  EXPECT_EQ(widok.tekstPozostalego, "");

  // 150 s received 30 s after the first packet: 90 s remain.
  teraz += Roznica::Sekunda * 30;
  player.Wrzuc(Eksport(150));
  logika->Tick();
  EXPECT_EQ(widok.pozycja, 150);
  EXPECT_EQ(widok.tekstPozostalego, "0:01:30");

  // Clearing the list during the export keeps the height; aborting only asks the server.
  logika->CzyscListe();
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  logika->Eksportuj();
  EXPECT_EQ(player.zapis.back(), "wyslij przerwijeksport");
  EXPECT_TRUE(widok.pasek);

  logika->Process("koniecexportu");
  EXPECT_EQ(eksporter.konczy, 1);
  EXPECT_FALSE(widok.pasek);
  EXPECT_FALSE(widok.pozostaly);
  EXPECT_EQ(widok.dymek, "Eksport zakończony");
  EXPECT_EQ(widok.przyciskEksportu, "Eksportuj");
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokosc);
}

TEST_F(Okno, KoniecEksportuZNiepustaListaZostawiaWysokosc) {
  logika->DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  logika->Process("koniecexportu");
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
}

TEST_F(Okno, Zakladki) {
  player.czasGry = Utc(2026, 12, 10, 10, 0);
  logika->Process("terazgramy Zegar");
  logika->Tick();
  const String opis = "Zegar, " + Utc(2026, 12, 10, 10, 0).Napis();

  logika->DodajZakladke();
  ASSERT_EQ(lista.Zakladki().size(), 1u);
  EXPECT_EQ(lista.Zakladki()[0].opis, opis);
  EXPECT_EQ(lista.Zakladki()[0].stacja, "Zegar@127.0.0.1:12540");
  EXPECT_EQ(lista.Zakladki()[0].czas, Utc(2026, 12, 10, 10, 0));

  logika->DodajZakladkeZOpisem();  // cancelled
  EXPECT_TRUE(widok.Bylo("zapytaj Opis zakładki: " + opis));
  EXPECT_EQ(lista.Zakladki().size(), 1u);

  widok.potwierdz = true;
  widok.odpowiedz = "poranek";
  logika->DodajZakladkeZOpisem();
  ASSERT_EQ(lista.Zakladki().size(), 2u);
  EXPECT_EQ(lista.Zakladki()[1].opis, "poranek");
}

}  // namespace
