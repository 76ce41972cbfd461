// Moments and offsets as typed, and the forms the tools print.
#include "textforms/CzasTekstowy.h"

#include <gtest/gtest.h>

#include <cctype>

#include "support/CzasTestowy.h"

namespace {

TEST(CzasTekstowy, IsoAndHexForms) {
  const Czas c = Utc(2026, 12, 10, 8, 30);
  EXPECT_EQ(ParsujCzas("2026-12-10T08:30:00Z"), c);
  EXPECT_EQ(ParsujCzas("2026-12-10T08:30:00"), c);
  EXPECT_EQ(ParsujCzas("2026-12-10T08:30:00.25Z"), c + Roznica::Milisekunda * 250);
  // An offset from UTC: the local time minus the offset.
  for (const char* t : {"2026-12-10T09:30:00+01:00", "2026-12-10T09:30:00+0100", "2026-12-10T09:30:00+01",
                        "2026-12-10T03:00:00-05:30", "2026-12-10T08:30:00+00:00"}) {
    EXPECT_EQ(ParsujCzas(t), c) << t;
  }
  EXPECT_EQ(ParsujCzas(c.NapisHex()), c);
  String male = c.NapisHex();
  for (char& z : male) z = static_cast<char>(std::tolower(static_cast<unsigned char>(z)));
  EXPECT_EQ(ParsujCzas(male), c);
  EXPECT_EQ(NapisIso(c + Roznica::Milisekunda * 7), "2026-12-10T08:30:00.007Z");
  EXPECT_EQ(NapisIso(ParsujCzas(NapisIso(c + Roznica::Milisekunda * 999))), "2026-12-10T08:30:00.999Z");
  EXPECT_EQ(NapisIso(Czas()), "---");
}

TEST(CzasTekstowy, BadTimesRaise) {
  for (const char* zly : {"", "2026-12-10", "2026-13-10T08:30:00Z", "2026-12-10T24:00:00Z",
                          "2026-12-10T08:30:00.Z", "2026-12-10T08:30:00+1", "2026-12-10T08:30:00+24:00",
                          "2026-12-10T08:30:00+01:60", "2026-12-10T08:30:00Z+01", "0123456789ABCDEG",
                          "2026-12-10 08:30:00Z"}) {
    EXPECT_THROW(ParsujCzas(zly), std::exception) << zly;
  }
}

TEST(CzasTekstowy, PrzesuniecieUnitsAndSigns) {
  EXPECT_EQ(ParsujPrzesuniecie("+5s"), Roznica::Sekunda * 5);
  EXPECT_EQ(ParsujPrzesuniecie("-1m"), -Roznica::Minuta);
  EXPECT_EQ(ParsujPrzesuniecie("+2h"), Roznica::Godzina * 2);
  EXPECT_EQ(ParsujPrzesuniecie("-250ms"), -(Roznica::Milisekunda * 250));
  EXPECT_EQ(ParsujPrzesuniecie("+1d"), Roznica::Dzien);
  for (const char* zly : {"5s", "+s", "+5", "+5x", "2026-12-10T08:30:00Z", "+99999999999s"}) {
    EXPECT_FALSE(ParsujPrzesuniecie(zly)) << zly;
  }
}


// The link's form: the milliseconds only when there are some, and read back.
TEST(CzasTekstowy, ZwiezlyForm) {
  const Czas c = Utc(2026, 12, 10, 8, 30);
  struct {
    Czas czas;
    const char* napis;
  } przypadki[] = {
      {c, "2026-12-10T08:30:00Z"},
      {c + Roznica::Milisekunda * 250, "2026-12-10T08:30:00.250Z"},
      {c + Roznica::Milisekunda * 7, "2026-12-10T08:30:00.007Z"},
      {c + Roznica(9999), "2026-12-10T08:30:00Z"},  // under a millisecond: dropped
      {Czas(), "---"},
  };
  for (const auto& p : przypadki) {
    EXPECT_EQ(NapisIsoZwiezly(p.czas), p.napis);
    if (p.czas != Czas()) {
      EXPECT_EQ(ParsujCzas(p.napis), p.czas.Zaokraglij(Roznica::Milisekunda)) << p.napis;
    }
  }
}

}  // namespace
