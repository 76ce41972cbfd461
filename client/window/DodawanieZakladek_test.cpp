// Bookmarks of the moment heard, through the recording view and a real station list.
#include <gtest/gtest.h>

#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

TEST_F(Okno, Zakladki) {
  player.czasGry = Utc(2026, 12, 10, 10, 0);
  logika->Process("terazgramy Zegar");
  logika->Tick();
  const String opis = "Zegar, " + Utc(2026, 12, 10, 10, 0).Napis();

  logika->Zakladki().Dodaj();
  ASSERT_EQ(lista.Zakladki().size(), 1u);
  EXPECT_EQ(lista.Zakladki()[0].opis, opis);
  EXPECT_EQ(lista.Zakladki()[0].stacja, "Zegar@127.0.0.1:12540");
  EXPECT_EQ(lista.Zakladki()[0].czas, Utc(2026, 12, 10, 10, 0));

  logika->Zakladki().DodajZOpisem();  // cancelled
  EXPECT_TRUE(widok.Bylo("zapytaj Opis zakładki: " + opis));
  EXPECT_EQ(lista.Zakladki().size(), 1u);

  widok.potwierdz = true;
  widok.odpowiedz = "poranek";
  logika->Zakladki().DodajZOpisem();
  ASSERT_EQ(lista.Zakladki().size(), 2u);
  EXPECT_EQ(lista.Zakladki()[1].opis, "poranek");
}

}  // namespace
