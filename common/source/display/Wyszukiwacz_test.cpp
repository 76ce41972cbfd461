#include "display/Wyszukiwacz.h"
#include "support/CzasTestowy.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/RegionalNames.h"
#include "core/TimeZone.h"
#include "display/Dni.h"
#include "display/Godziny.h"
#include "display/Miesiace.h"
#include "display/Minuty.h"
#include "display/Sekundy.h"
#include "display/SmartMiesiace3.h"

namespace {

// Scales in a given zone with fixed Polish names, whatever the machine has.
class Skale : public ::testing::Test {
 protected:
  // Central European time and Polish names; a test may put another zone in force.
  StrefaWarszawska strefa;
  static void Strefa(const char* regula) { TimeZone::Reset(TimeZone::ZRegulyPosix(regula)); }
};

TEST_F(Skale, PixelDurationsLengthsAndNames) {
  struct Przypadek {
    std::unique_ptr<Wyszukiwacz> s;
    Roznica piksel;
    Roznica dlugosc;
    const char* nazwa;
  };
  Przypadek tabela[] = {
      {std::make_unique<Sekundy>(), Roznica(333333), Roznica::Sekunda, "Sekunda"},
      {std::make_unique<Minuty>(), Roznica::Sekunda, Roznica::Minuta, "Minuta"},
      {std::make_unique<Godziny>(), Roznica::Sekunda * 30, Roznica::Godzina, "Godzina"},
      {std::make_unique<Dni>(), Roznica::Minuta * 6, Roznica::Dzien, "Dzień"},
      {std::make_unique<Miesiace>(), Roznica::Dzien * 28 / 480, Roznica::Dzien * 28, "Miesiąc"},
      {std::make_unique<SmartMiesiace3>(), Roznica::Godzina * 3, Roznica::Dzien * 28, "Miesiąc"},
  };
  for (auto& p : tabela) {
    SCOPED_TRACE(p.nazwa);
    EXPECT_EQ(p.s->Piksel(), p.piksel);
    EXPECT_EQ(p.s->Dlugosc(), p.dlugosc);
    EXPECT_EQ(p.s->Nazwa(), p.nazwa);
    // A copy is of the same kind: it finds the same boundaries.
    auto kopia = p.s->Nowy();
    EXPECT_EQ(kopia->Nazwa(), p.nazwa);
  }
  // The month scale's copies keep the default pixel duration: they only find boundaries.
  SmartMiesiace3 m;
  m.krok = Roznica::Godzina * 7;
  EXPECT_EQ(m.Nowy()->Piksel(), Roznica::Godzina * 3);
}

// On the hour band 12:00:29 and 12:00:31 lie in neighbouring columns.
TEST_F(Skale, HourBandColumns) {
  Godziny g;
  const int64_t d = g.Piksel().Wartosc();
  EXPECT_EQ(Utc(2024, 5, 1, 12, 0, 31).Wartosc() / d, Utc(2024, 5, 1, 12, 0, 29).Wartosc() / d + 1);
  g.Ustaw(Utc(2024, 5, 1, 12, 59, 59));
  EXPECT_EQ(g.poczatek, Utc(2024, 5, 1, 12));
  EXPECT_EQ(g.Napis(), "14") << "the local hour in summer time";
  g.Nastepny();
  EXPECT_EQ(g.poczatek, Utc(2024, 5, 1, 13));
}

TEST_F(Skale, SecondsAndMinutesUnitsAndLabels) {
  Sekundy s;
  s.Ustaw(Utc(2024, 5, 1, 12, 0, 7) + Roznica::Milisekunda * 999);
  EXPECT_EQ(s.poczatek, Utc(2024, 5, 1, 12, 0, 7));
  EXPECT_EQ(s.Napis(), "07");
  s.Nastepny();
  EXPECT_EQ(s.Napis(), "08");
  Minuty m;
  m.Ustaw(Utc(2024, 5, 1, 12, 34, 59));
  EXPECT_EQ(m.poczatek, Utc(2024, 5, 1, 12, 34));
  EXPECT_EQ(m.Napis(), "34");
}

// Local days over both summer-time changes, north and south, and in a zone whose offset
// is not a whole hour: a day runs from local midnight to local midnight.
TEST_F(Skale, DaysFollowLocalMidnightsOverSummerTimeChanges) {
  struct Przypadek {
    const char* strefa;
    Czas wDniu;       // a moment inside the day
    Czas polnoc;      // the day's first instant, UTC
    Roznica dlugosc;  // until the next day's first instant
    const char* napis;
  };
  const Przypadek tabela[] = {
      // Europe/Warsaw: summer time starts on 2024-03-31 and ends on 2024-10-27.
      {"CET-1CEST,M3.5.0,M10.5.0/3", Utc(2024, 3, 31, 12), Utc(2024, 3, 30, 23), Roznica::Godzina * 23,
       "31 [niedziela]"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", Utc(2024, 10, 27, 22, 59), Utc(2024, 10, 26, 22), Roznica::Godzina * 25,
       "27 [niedziela]"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", Utc(2024, 7, 10, 21, 59), Utc(2024, 7, 9, 22), Roznica::Godzina * 24,
       "10 [środa]"},
      // Australia/Sydney: summer time ends on 2024-04-07 and starts on 2024-10-06.
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", Utc(2024, 4, 7, 5), Utc(2024, 4, 6, 13), Roznica::Godzina * 25,
       "7 [niedziela]"},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", Utc(2024, 10, 6, 5), Utc(2024, 10, 5, 14), Roznica::Godzina * 23,
       "6 [niedziela]"},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", Utc(2024, 1, 1, 12), Utc(2024, 1, 1, 13) - Roznica::Dzien,
       Roznica::Godzina * 24, "1 [poniedziałek]"},
      // India, half an hour off whole UTC hours: the day starts at 18:30 UTC.
      {"IST-5:30", Utc(2024, 5, 1, 20), Utc(2024, 5, 1, 18, 30), Roznica::Godzina * 24, "2 [czwartek]"},
  };
  for (const auto& p : tabela) {
    SCOPED_TRACE(p.napis);
    Strefa(p.strefa);
    Dni d;
    d.Ustaw(p.wDniu);
    EXPECT_EQ(d.poczatek, p.polnoc);
    EXPECT_EQ(d.Napis(), p.napis);
    d.Nastepny();
    EXPECT_EQ(d.poczatek - p.polnoc, p.dlugosc);
    d.Ustaw(p.polnoc);
    EXPECT_EQ(d.poczatek, p.polnoc) << "the first instant belongs to its own day";
    d.Ustaw(p.polnoc - Roznica());
    EXPECT_LT(d.poczatek, p.polnoc) << "the tick before belongs to the day before";
  }
}

// Months start at local midnight of their first day with the bias in force then, in
// winter and in summer alike.
TEST_F(Skale, MonthsStartAtLocalMidnightWithTheirOwnBias) {
  Miesiace m;
  m.Ustaw(Utc(2024, 7, 15));
  EXPECT_EQ(m.poczatek, Utc(2024, 6, 30, 22));
  EXPECT_EQ(m.Napis(), "lipiec 2024");
  m.Ustaw(Utc(2024, 6, 30, 22) - Roznica());
  EXPECT_EQ(m.poczatek, Utc(2024, 5, 31, 22)) << "the last tick of June belongs to June";

  const Czas oczekiwane[] = {Utc(2024, 10, 31, 23), Utc(2024, 11, 30, 23), Utc(2024, 12, 31, 23),
                             Utc(2025, 1, 31, 23), Utc(2025, 2, 28, 23), Utc(2025, 3, 31, 22)};
  m.Ustaw(Utc(2024, 10, 1, 12));
  EXPECT_EQ(m.poczatek, Utc(2024, 9, 30, 22));
  for (const Czas c : oczekiwane) {
    m.Nastepny();
    EXPECT_EQ(m.poczatek, c);
  }
  EXPECT_EQ(m.Napis(), "kwiecień 2025");
}

}  // namespace
