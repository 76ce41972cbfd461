// The status line and the pop-up through the recording view: each gone after its time.
#include <gtest/gtest.h>

#include "window/OknoTestowe.h"

using namespace okno_testowe;

namespace {

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

  logika->Status().LadnyPrint5s("krótko");
  teraz += Roznica::Sekunda * 3 + Roznica::Milisekunda;
  logika->Tick();
  EXPECT_EQ(widok.status, "");

  logika->Status().BardzoLadnyPrint("x");
  logika->Status().BardzoLadnyPrint("");
  EXPECT_EQ(widok.dymek, "");
  EXPECT_EQ(widok.status, "");
}

}  // namespace
