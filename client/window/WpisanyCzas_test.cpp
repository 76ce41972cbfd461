// The "Przejdź do" prompt's reading in Warsaw's zone, both changes of the clocks included.
#include "window/WpisanyCzas.h"

#include <gtest/gtest.h>

#include "support/CzasTestowy.h"

namespace {

const TimeZone kWarszawa = TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3");
const Czas kGrany = Utc(2026, 12, 10, 8, 30);  // 09:30 in Warsaw

TEST(WpisanyCzas, ReadsEveryForm) {
  struct {
    const char* tekst;
    Czas grany;
    Czas chwila;
  } przypadki[] = {
      // Local dates and times; winter (UTC+1) and summer (UTC+2).
      {"2026-12-10 08:30:00", kGrany, Utc(2026, 12, 10, 7, 30)},
      {"2026-12-10 08:30", kGrany, Utc(2026, 12, 10, 7, 30)},
      {"  2026-12-10T08:30:15 ", kGrany, Utc(2026, 12, 10, 7, 30, 15)},
      {"2026-7-1 12:00", kGrany, Utc(2026, 7, 1, 10, 0)},
      // A time alone: the local day being played, which here is not the UTC one.
      {"08:30:00", kGrany, Utc(2026, 12, 10, 7, 30)},
      {"8:30", kGrany, Utc(2026, 12, 10, 7, 30)},
      {"8:30", Utc(2026, 12, 10, 23, 30), Utc(2026, 12, 11, 7, 30)},
      {"23:59:59", kGrany, Utc(2026, 12, 10, 22, 59, 59)},
      // Steps.
      {"-15m", kGrany, kGrany - Roznica::Minuta * 15},
      {"+1h30m", kGrany, kGrany + Roznica::Minuta * 90},
      {"-2d", kGrany, kGrany - Roznica::Dzien * 2},
      {"+90s", kGrany, kGrany + Roznica::Sekunda * 90},
      {"+1d2h3m4s", kGrany, kGrany + Roznica::Dzien + Roznica::Godzina * 2 + Roznica::Minuta * 3 + Roznica::Sekunda * 4},
      // ISO 8601 with a zone.
      {"2026-12-10T08:30:00Z", kGrany, Utc(2026, 12, 10, 8, 30)},
      {"2026-12-10T09:30:00.5+01:00", kGrany, Utc(2026, 12, 10, 8, 30) + Roznica::Milisekunda * 500},
      // Spring: 02:00-03:00 on 29 March is skipped; around it all is read.
      {"2026-03-29 01:59:59", kGrany, Utc(2026, 3, 29, 0, 59, 59)},
      {"2026-03-29 03:00", kGrany, Utc(2026, 3, 29, 1, 0)},
      // Autumn: 02:00-03:00 on 25 October comes twice; the first one is taken.
      {"2026-10-25 02:30", kGrany, Utc(2026, 10, 25, 0, 30)},
      {"2:30", Utc(2026, 10, 25, 12, 0), Utc(2026, 10, 25, 0, 30)},
      {"2026-10-25 01:59", kGrany, Utc(2026, 10, 24, 23, 59)},
      {"2026-10-25 03:00", kGrany, Utc(2026, 10, 25, 2, 0)},
      // A step is real time, across either change: one hour on from 01:30 is 03:30 in
      // spring, and from the first 02:30 the second 02:30 in autumn; a day back is 24 hours.
      {"+1h", Utc(2026, 3, 29, 0, 30), Utc(2026, 3, 29, 1, 30)},
      {"+1h", Utc(2026, 10, 25, 0, 30), Utc(2026, 10, 25, 1, 30)},
      {"-1d", Utc(2026, 3, 29, 12, 0), Utc(2026, 3, 28, 12, 0)},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.tekst);
    const WpisanyCzas w = CzytajWpisanyCzas(p.tekst, p.grany, kWarszawa);
    EXPECT_TRUE(w) << w.blad;
    EXPECT_EQ(w.chwila, p.chwila) << NapisDoWpisania(w.chwila, kWarszawa);
  }
}

TEST(WpisanyCzas, RefusesWithTheReason) {
  struct {
    const char* tekst;
    Czas grany;
    const char* blad;
  } przypadki[] = {
      {"", kGrany, "Nie podano czasu"},
      {"   ", kGrany, "Nie podano czasu"},
      {"jutro", kGrany, "Nie rozumiem czasu \"jutro\""},
      {"15m", kGrany, "Nie rozumiem czasu \"15m\""},
      {"+15", kGrany, "Nie rozumiem czasu \"+15\""},
      {"+1x", kGrany, "Nie rozumiem czasu \"+1x\""},
      {"+1h 30m", kGrany, "Nie rozumiem czasu \"+1h 30m\""},
      {"10.12.2026 08:30", kGrany, "Nie rozumiem czasu \"10.12.2026 08:30\""},
      {"2026-13-01 08:00", kGrany, "Błędna data lub godzina \"2026-13-01 08:00\""},
      {"2026-02-29 08:00", kGrany, "Błędna data lub godzina \"2026-02-29 08:00\""},
      {"25:00", kGrany, "Błędna data lub godzina \"25:00\""},
      {"8:60", kGrany, "Błędna data lub godzina \"8:60\""},
      {"2026-12-10T08:30:00+25:00", kGrany, "Błędna data lub godzina \"2026-12-10T08:30:00+25:00\""},
      {"2026-03-29 02:30", kGrany, "Czas \"2026-03-29 02:30\" nie istnieje (zmiana na czas letni)"},
      {"2:00", Utc(2026, 3, 29, 12, 0), "Czas \"2:00\" nie istnieje (zmiana na czas letni)"},
      {"-999999d", kGrany, "Przesunięcie \"-999999d\" wychodzi poza zakres"},
      {"8:30", Czas(), "Nie wiadomo, który to dzień: nic nie gra"},
      {"+5m", Czas(), "Nie wiadomo, skąd przesunąć: nic nie gra"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.tekst);
    const WpisanyCzas w = CzytajWpisanyCzas(p.tekst, p.grany, kWarszawa);
    EXPECT_FALSE(w);
    EXPECT_EQ(w.blad, p.blad);
    EXPECT_EQ(w.chwila, Czas());
  }
}

// What the prompt offers, read back: the same second, the earlier one in the repeated hour.
TEST(WpisanyCzas, OfferedTextReadsBack) {
  struct {
    Czas chwila;
    const char* napis;
    Czas wraca;
  } przypadki[] = {
      {Utc(2026, 12, 10, 8, 30, 15, 250), "2026-12-10 09:30:15", Utc(2026, 12, 10, 8, 30, 15)},
      {Utc(2026, 7, 1, 10, 0), "2026-07-01 12:00:00", Utc(2026, 7, 1, 10, 0)},
      {Utc(2026, 10, 25, 1, 30), "2026-10-25 02:30:00", Utc(2026, 10, 25, 0, 30)},
  };
  for (const auto& p : przypadki) {
    EXPECT_EQ(NapisDoWpisania(p.chwila, kWarszawa), p.napis);
    EXPECT_EQ(CzytajWpisanyCzas(p.napis, p.chwila, kWarszawa).chwila, p.wraca) << p.napis;
  }
}

}  // namespace
