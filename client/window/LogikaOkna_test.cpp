// The main window's behaviour through a recording view: the inbox, the text commands,
// the connection states and the reconnect, and what the keys mean.
#include "window/LogikaOkna.h"

#include <gtest/gtest.h>

#include "core/CyclicBuffer.h"
#include "player/PowiadomieniaPlayera.h"
#include "support/LogCapture.h"
#include "transport/Protokol.h"
#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

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
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  logika->Eksport().Eksportuj();
  player.Wrzuc(Eksport(1));
  player.Wrzuc(Paczka2("po eksporcie", "ladny print"));
  logika->Tick();
  EXPECT_EQ(eksporter.paczek, 1);
  EXPECT_EQ(widok.status, "");
  logika->Tick();
  EXPECT_EQ(widok.status, "po eksporcie");
}

// Reading stops at an export packet and says so; a packet not yet whole waits.
TEST_F(Okno, OdbierzMowiCzyStanelNaPaczceEksportu) {
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 10));
  logika->Eksport().Eksportuj();
  player.Wrzuc(Eksport(1));
  player.Wrzuc(Eksport(1));
  EXPECT_TRUE(logika->Odbierz());
  EXPECT_TRUE(logika->Odbierz());
  EXPECT_EQ(eksporter.paczek, 2);
  EXPECT_FALSE(logika->Odbierz());
  CyclicBuffer caly;
  Eksport(1).Wyslij(caly);
  std::vector<char> bajty(static_cast<size_t>(caly.Size()));
  caly.Read(bajty.data(), static_cast<int>(bajty.size()));
  player.skrzynka.Write(bajty.data(), static_cast<int>(bajty.size()) - 1);
  EXPECT_FALSE(logika->Odbierz());
  EXPECT_EQ(eksporter.paczek, 2);
  player.skrzynka.Write(bajty.data() + bajty.size() - 1, 1);
  EXPECT_TRUE(logika->Odbierz());
  EXPECT_EQ(eksporter.paczek, 3);
}

// A program without a window is told what the server said, each after the logic handled it.
class OknoZHakami : public Okno {
 protected:
  OknoZHakami() {
    LogikaOkna::Ustawienia u;
    u.zegar = [this] { return teraz; };
    u.stacjaPrzyjeta = [this](const String& s) { haki.push_back("stacja " + s + " " + lista.StartNazwa()); };
    u.archiwum = [this](LogikaOkna::Archiwum a) {
      haki.push_back("archiwum " + std::to_string(static_cast<int>(a)) + " " +
                     std::to_string(logika->PrzedzialyAudio().Count()));
    };
    u.koniecEksportu = [this] { haki.push_back("koniec " + std::to_string(eksporter.konczy)); };
    u.bladSerwera = [this](const String& b) { haki.push_back("blad " + b); };
    logika = std::make_unique<LogikaOkna>(widok, player, lista, &eksporter, u);
  }
  std::vector<String> haki;
};

TEST_F(OknoZHakami, HakiPoObsluzeniu) {
  Przedzialy nagrania;
  nagrania.Add(Przedzial(Utc(2026, 12, 10, 8, 0), Utc(2026, 12, 10, 9, 0)));
  const auto nagraniaArchiwum = std::to_string(static_cast<int>(LogikaOkna::Archiwum::Nagrania));
  const struct Przypadek {
    Paczka2 paczka;
    std::vector<String> haki;
  } przypadki[] = {
      {Paczka2("terazgramy Dwójka"), {"stacja Dwójka Dwójka@127.0.0.1:12540"}},
      {Audio(Przedzialy(), ""), {}},  // no recordings yet
      {Audio(nagrania, "update-"), {}},
      {Audio(nagrania, "update+"), {"archiwum " + nagraniaArchiwum + " 1"}},
      {Audio(nagrania, ""), {"archiwum " + nagraniaArchiwum + " 1"}},
      {Paczka2("empty Dwójka"), {"archiwum " + std::to_string(static_cast<int>(LogikaOkna::Archiwum::Pusta)) + " 1"}},
      {Paczka2("busy Dwójka"), {"archiwum " + std::to_string(static_cast<int>(LogikaOkna::Archiwum::Zajete)) + " 1"}},
      {Paczka2("koniecexportu"), {"koniec 1"}},
      {Paczka2("error zly czas 5"), {"blad zly czas 5"}},
      {Paczka2("nieznane"), {}},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.paczka.Nazwa + " " + p.paczka.Opis);
    haki.clear();
    player.Wrzuc(p.paczka);
    logika->Odbierz();
    EXPECT_EQ(haki, p.haki);
  }
}

TEST_F(Okno, KomendyTekstowe) {
  LogCapture log;
  logika->Process("foo bar");
  EXPECT_NE(log.Text().find("error Nieznana komenda \"foo bar\""), std::string::npos);
  logika->Process("error nieznana stacja");
  EXPECT_NE(log.Text().find("Serwer zwrocil blad: nieznana stacja"), std::string::npos);
  // A refusal is said to the user, not only to the log.
  EXPECT_EQ(widok.status, "Serwer odmówił: nieznana stacja");
  EXPECT_EQ(widok.dymek, "Serwer odmówił: nieznana stacja");
  // The diagnostic line itself is shown only with diagnostics.
  EXPECT_EQ(widok.status.find("zwrocil"), String::npos);
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

TEST_F(Okno, StanyPolaczenia) {
  struct Przypadek {
    ZdarzeniePolaczenia z;
    bool guziczki, zaslona, timer;
    const char* dymek;
  } przypadki[] = {
      {ZdarzeniePolaczenia::Polaczony, true, false, false, ""},
      {ZdarzeniePolaczenia::Zerwany, false, true, true, "Rozłączony"},
      {ZdarzeniePolaczenia::NieZnalezionoHosta, false, true, false, "Nie znaleziono serwera 127.0.0.1:12540"},
      {ZdarzeniePolaczenia::Nieudany, false, true, true, "Błąd połączenia"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(OpisPowiadomienia(p.z));
    widok.guziczki = !p.guziczki;
    widok.zaslona = !p.zaslona;
    widok.timer = false;
    widok.dymek.clear();
    logika->Powiadomienie(p.z);
    EXPECT_EQ(widok.guziczki, p.guziczki);
    EXPECT_EQ(widok.zaslona, p.zaslona);
    EXPECT_EQ(widok.timer, p.timer);
    EXPECT_EQ(widok.dymek, p.dymek);
  }
  widok.tytul = "KorwendoGra - Zegar";
  widok.zaslona = false;
  logika->Powiadomienie(ZdarzeniePolaczenia::Laczenie);
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
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 5));
  logika->Eksport().Eksportuj();
  logika->Powiadomienie(ZdarzeniePolaczenia::Zerwany);
  EXPECT_EQ(widok.przyciskEksportu, "Eksportuj");
  EXPECT_EQ(logika->Eksport().DoEksportu().Count(), 0);
  EXPECT_EQ(widok.tekstEksportu, "");
  EXPECT_EQ(widok.warstwa1.Count(), 0);
  EXPECT_TRUE(widok.pasek);  // the gauge waits for "koniecexportu"
}

// A list without an export running: lost with the connection, its box and row go too.
TEST_F(Okno, UtrataPolaczeniaBezEksportuZwijaOkno) {
  logika->Eksport().DodajDoEksportu(Utc(2026, 12, 10, 10, 0), Utc(2026, 12, 10, 10, 5));
  ASSERT_EQ(widok.wysokosc, LogikaOkna::kWysokoscEksportu);
  ASSERT_TRUE(widok.listaEksportu);
  logika->Powiadomienie(ZdarzeniePolaczenia::Zerwany);
  EXPECT_FALSE(widok.listaEksportu);
  EXPECT_EQ(widok.wysokosc, LogikaOkna::kWysokosc);
}

// A connection that comes back asks every server for its stations at once; the first
// connection of a run does not (the window asks when it is activated).
TEST_F(Okno, PowrotPolaczeniaPytaOStacje) {
  lista.DodajSerwer("127.0.0.1", 1);
  logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
  EXPECT_FALSE(lista.Aktywny(0));
  logika->Powiadomienie(ZdarzeniePolaczenia::Nieudany);
  logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
  EXPECT_TRUE(lista.Aktywny(0));
}

// What each key means, done: the moves from the time played, play and stop (which leave
// the key to the control with the focus), minimising, the favourites.
TEST_F(Okno, Polecenia) {
  player.czasGry = Utc(2026, 12, 10, 10, 0);
  struct Przypadek {
    Polecenie polecenie;
    bool zjedzony;
    String skutek;
  } przypadki[] = {
      {Polecenie::Graj, false, "graj"},
      {Polecenie::Stop, false, "stop"},
      {Polecenie::Wstecz5s, true, "pozycja " + Utc(2026, 12, 10, 9, 59, 55).NapisHex()},
      {Polecenie::Naprzod5s, true, "pozycja " + Utc(2026, 12, 10, 10, 0, 5).NapisHex()},
      {Polecenie::Wstecz1min, true, "pozycja " + Utc(2026, 12, 10, 9, 59).NapisHex()},
      {Polecenie::Naprzod1min, true, "pozycja " + Utc(2026, 12, 10, 10, 1).NapisHex()},
      {Polecenie::Wstecz1h, true, "pozycja " + Utc(2026, 12, 10, 9, 0).NapisHex()},
      {Polecenie::Naprzod1h, true, "pozycja " + Utc(2026, 12, 10, 11, 0).NapisHex()},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.skutek);
    EXPECT_EQ(logika->Wykonaj(p.polecenie), p.zjedzony);
    EXPECT_EQ(player.zapis.back(), p.skutek);
  }
  EXPECT_TRUE(logika->Wykonaj(Polecenie::Minimalizuj));
  EXPECT_TRUE(widok.Bylo("minimalizuj"));

  // The first favourite unassigned opens its menu; the third assigned plays it.
  EXPECT_TRUE(logika->Wykonaj(Polecenie::Ulubiona1));
  EXPECT_TRUE(widok.Bylo("menu ulubionych 0"));
  lista.ContextClick(2, "Fala@127.0.0.1:12540");
  EXPECT_TRUE(logika->Wykonaj(Polecenie::Ulubiona3));
  EXPECT_EQ(player.zapis.back(), "zmienstacje Fala@127.0.0.1:12540");
}

}  // namespace

// The engine starts stopped: a station the user picks plays as soon as the server takes
// it, unless the user stopped playback, which then stays stopped across station changes.
TEST_F(Okno, WybranaStacjaGraChybaZeUzytkownikZatrzymal) {
  player.zatrzymany = true;
  logika->Process("terazgramy Zegar");
  EXPECT_FALSE(player.zatrzymany);
  EXPECT_EQ(player.zapis.back(), "graj");

  logika->Tick();
  EXPECT_EQ(widok.zatrzymany, std::optional<bool>(false));

  logika->Wykonaj(Polecenie::Stop);
  player.zapis.clear();
  logika->Process("terazgramy Fala");
  EXPECT_TRUE(player.zatrzymany);
  EXPECT_TRUE(player.zapis.empty());
  // Stopped is shown at the next tick.
  logika->Tick();
  EXPECT_EQ(widok.zatrzymany, std::optional<bool>(true));

  logika->Wykonaj(Polecenie::Graj);
  player.Stop();  // stopped by something other than the user's Stop: the next station plays
  logika->Process("terazgramy Dwójka");
  EXPECT_FALSE(player.zatrzymany);
}
