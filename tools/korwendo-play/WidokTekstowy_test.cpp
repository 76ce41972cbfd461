// The text view under the window's own logic: what the server's replies and the
// connection notifications, dispatched by LogikaOkna, print on a terminal.
#include "korwendo-play/WidokTekstowy.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "player/PowiadomieniaPlayera.h"
#include "transport/Protokol.h"
#include "window/OknoTestowe.h"

namespace {

// The reconnect timer needs the application's event dispatcher.
void Aplikacja() {
  static int argc = 1;
  static char nazwa[] = "korwendo-play_test";
  static char* argv[] = {nazwa, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

class Terminal : public testing::Test {
 protected:
  Terminal() {
    Aplikacja();
    LogikaOkna::Ustawienia u;
    u.zegar = [this] { return teraz; };
    u.bladSerwera = [this](const String& b) { bledy.push_back(b); };
    logika = std::make_unique<LogikaOkna>(widok, player, lista, nullptr, u);
  }

  std::vector<String> linie;
  std::vector<String> bledy;
  Czas teraz = Utc(2026, 12, 10, 12, 0);
  TempDir katalog;
  ListaStacji lista{katalog.Path()};
  okno_testowe::PlayerZapisujacy player;
  WidokTekstowy widok{[this] { logika->Timer1(); }, [this] { return player.czasGry; },
                      [this](const String& s) { linie.push_back(s); }};
  std::unique_ptr<LogikaOkna> logika;
};

// Each packet of the inbox, in order, and the lines it prints: by description first, then
// by name, as the window dispatches them.
TEST_F(Terminal, TheInboxDispatchedByTheWindowsLogic) {
  struct Case {
    Paczka2 paczka;
    std::vector<String> linie;
  };
  const Case cases[] = {
      {Paczka2("Łączenie do serwera...", protokol::kOpisStatus), {"status: Łączenie do serwera..."}},
      // The same status again is not printed again.
      {Paczka2("Łączenie do serwera...", protokol::kOpisStatus), {}},
      {Paczka2("Witamy", protokol::kOpisLadnyPrint), {"status: Witamy"}},
      {Paczka2("Nowa wiadomość", protokol::kOpisPrzyszlo), {"status: Nowa wiadomość"}},
      {Paczka2("terazgramy Fala"), {"station: Fala"}},
      {Paczka2("busy Fala"), {"status: Baza \"Fala\" jest chwilowo niedostępna."}},
      // The server's error reaches the status line, and the program's own rules.
      {Paczka2("error nieznana stacja Brak"), {"status: Serwer odmówił: nieznana stacja Brak"}},
      // A diagnostic marker, without diagnostics.
      {Paczka2("setkolorznacznik ffff00 " + teraz.NapisHex(), protokol::kOpisDebug), {}},
  };
  for (const Case& c : cases) {
    player.Wrzuc(c.paczka);
    logika->Tick();
    EXPECT_EQ(linie, c.linie) << c.paczka.Opis;
    linie.clear();
  }
  EXPECT_EQ(bledy, std::vector<String>{"nieznana stacja Brak"});
  EXPECT_EQ(widok.Stacja(), "Fala");
  // The window's logic keeps the station accepted as the position to resume at.
  EXPECT_EQ(lista.StartNazwa(), "Fala@" + player.adres);
}

// A lost connection starts the 5 s reconnect timer, a connection stops it; a host name
// that does not resolve is not tried again.
TEST_F(Terminal, TheReconnectTimerOfTheWindowsLogic) {
  logika->Powiadomienie(ZdarzeniePolaczenia::Zerwany);
  EXPECT_EQ(linie, (std::vector<String>{"status: Rozłączony", "reconnecting in 5 s"}));
  EXPECT_TRUE(widok.TimerPolaczeniaDziala());
  logika->Powiadomienie(ZdarzeniePolaczenia::Polaczony);
  EXPECT_FALSE(widok.TimerPolaczeniaDziala());
  linie.clear();
  logika->Powiadomienie(ZdarzeniePolaczenia::NieZnalezionoHosta);
  EXPECT_EQ(linie, std::vector<String>{"status: Nie znaleziono serwera " + player.adres});
  EXPECT_FALSE(widok.TimerPolaczeniaDziala());
}

}  // namespace

namespace {

// What a window shows beside its status line reaches the terminal as lines: the live
// indicator when it changes, and the link a window would copy.
TEST_F(Terminal, TheLiveIndicatorAndTheCopiedLinkAsLines) {
  widok.UstawNaZywo(true);
  widok.UstawNaZywo(true);
  widok.UstawNaZywo(false);
  widok.DoSchowka("korwendo://127.0.0.1:12540/Zegar?t=2026-12-10T08:30:00Z");
  EXPECT_EQ(linie, (std::vector<String>{"live: yes", "live: no", "link: korwendo://127.0.0.1:12540/Zegar?t=2026-12-10T08:30:00Z"}));
}

}  // namespace
