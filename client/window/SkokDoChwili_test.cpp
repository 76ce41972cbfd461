// Going to a typed moment and copying the link of the moment heard, through the recording
// view (Warsaw's zone, see OknoTestowe.h).
#include <gtest/gtest.h>

#include "textforms/LinkDoChwili.h"
#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

String Pozycja(Czas t) { return "pozycja " + t.NapisHex(); }

// The prompt is offered the local time played, to the second; what it answers decides.
TEST_F(Okno, PrzejdzDoPotwierdzonePrzesuwa) {
  const Czas grany = Utc(2026, 12, 10, 8, 30, 15, 250);  // 09:30:15 in Warsaw
  struct {
    const char* odpowiedz;
    Czas cel;
  } przypadki[] = {
      {"2026-12-10 08:00", Utc(2026, 12, 10, 7, 0)},
      {"7:45:10", Utc(2026, 12, 10, 6, 45, 10)},
      {"-15m", grany - Roznica::Minuta * 15},
      {"2026-10-25 02:30", Utc(2026, 10, 25, 0, 30)},
      {"2026-12-10T08:00:00Z", Utc(2026, 12, 10, 8, 0)},
      // Confirmed as offered: the second shown.
      {"2026-12-10 09:30:15", Utc(2026, 12, 10, 8, 30, 15)},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.odpowiedz);
    player.czasGry = grany;
    player.zapis.clear();
    widok.zapis.clear();
    widok.potwierdz = true;
    widok.odpowiedz = p.odpowiedz;
    logika->Skok().PrzejdzDo();
    EXPECT_EQ(widok.zapis, (std::vector<String>{"zapytaj Przejdź do: 2026-12-10 09:30:15"}));
    EXPECT_EQ(player.zapis, (std::vector<String>{Pozycja(p.cel)}));
    EXPECT_EQ(widok.status, "");
  }
}

// The one the clocks show twice, offered as shown, stays where it is (the second 02:30),
// although typed anew it reads as the first.
TEST_F(Okno, PrzejdzDoWPowtorzonejGodzinieZostaje) {
  player.czasGry = Utc(2026, 10, 25, 1, 30);  // the second 02:30
  widok.potwierdz = true;
  widok.odpowiedz = "2026-10-25 02:30:00";
  logika->Skok().PrzejdzDo();
  EXPECT_EQ(player.zapis, (std::vector<String>{Pozycja(Utc(2026, 10, 25, 1, 30))}));
}

TEST_F(Okno, PrzejdzDoAnulowaneNicNieRobi) {
  player.czasGry = Utc(2026, 12, 10, 8, 30);
  widok.potwierdz = false;
  logika->Skok().PrzejdzDo();
  EXPECT_TRUE(widok.Bylo("zapytaj Przejdź do: 2026-12-10 09:30:00"));
  EXPECT_TRUE(player.zapis.empty());
  EXPECT_EQ(widok.status, "");
}

// A text it cannot read is refused inside the prompt with the reason; one that a view
// confirms all the same moves nothing, and the status line says why, for its usual 12 s.
TEST_F(Okno, PrzejdzDoNieczytelnyTekstMowiDlaczego) {
  struct {
    const char* odpowiedz;
    const char* status;
  } przypadki[] = {
      {"jutro", "Nie rozumiem czasu \"jutro\""},
      {"2026-03-29 02:30", "Czas \"2026-03-29 02:30\" nie istnieje (zmiana na czas letni)"},
      {"", "Nie podano czasu"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.odpowiedz);
    player.czasGry = Utc(2026, 12, 10, 8, 30);
    widok.potwierdz = true;
    widok.odpowiedz = p.odpowiedz;
    logika->Skok().PrzejdzDo();
    ASSERT_TRUE(widok.sprawdzenie);
    EXPECT_EQ(widok.sprawdzenie(p.odpowiedz), p.status);
    EXPECT_TRUE(player.zapis.empty());
    EXPECT_EQ(widok.status, p.status);
  }
  // What it can read, and the moment offered unedited, pass the prompt's check.
  EXPECT_EQ(widok.sprawdzenie("-1h"), "");
  EXPECT_EQ(widok.sprawdzenie("2026-12-10 09:30:00"), "");
  teraz += Roznica::Sekunda * 13;
  logika->Tick();
  EXPECT_EQ(widok.status, "");
}

TEST_F(Okno, KopiujLinkChwiliSlyszanej) {
  struct {
    const char* stacja;
    const char* adres;
    Czas czas;
    const char* link;
  } przypadki[] = {
      {"Radio Łódź", "127.0.0.1:12540", Utc(2026, 12, 10, 8, 30, 0, 250),
       "korwendo://127.0.0.1:12540/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00.250Z"},
      {"Dwójka", "[::1]:2000", Utc(2026, 12, 10, 8, 30), "korwendo://[::1]:2000/Dw%C3%B3jka?t=2026-12-10T08:30:00Z"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.link);
    player.stacja = p.stacja;
    player.adres = p.adres;
    player.czasGry = p.czas;
    logika->Skok().KopiujLink();
    EXPECT_EQ(widok.schowek, p.link);
    EXPECT_EQ(widok.status, "Skopiowano link do chwili 2026-12-10 09:30:00");
    const LinkDoChwili l = ParsujLink(widok.schowek);
    EXPECT_EQ(l.Cel(), String(p.stacja) + "@" + p.adres);
    EXPECT_EQ(l.chwila, p.czas);
    EXPECT_TRUE(player.zapis.empty());  // nothing moved
  }
}

TEST_F(Okno, KopiujLinkBezStacjiNicNieKopiuje) {
  player.stacja = "";
  player.czasGry = Utc(2026, 12, 10, 8, 30);
  widok.schowek = "przedtem";
  logika->Skok().KopiujLink();
  EXPECT_EQ(widok.schowek, "przedtem");
  EXPECT_EQ(widok.status, "Nie ma czego skopiować: nic nie gra");
}

}  // namespace
