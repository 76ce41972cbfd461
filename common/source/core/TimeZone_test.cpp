#include "core/TimeZone.h"
#include "support/CzasTestowy.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <thread>
#include <vector>

#include "core/Exception.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

inline void PrintTo(const Czas& c, std::ostream* os) { *os << "Czas(" << c.Wartosc() << ")"; }

namespace {

using Rodzaj = RegulaZmiany::Rodzaj;

int64_t Sekundy(Czas t) { return t.Wartosc() / Roznica::Sekunda.Wartosc(); }

RegulaZmiany Tygodniowa(int miesiac, int tydzien, int dzien, int32_t sekundy = 7200) {
  return RegulaZmiany{Rodzaj::DzienTygodnia, miesiac, dzien, tydzien, 0, sekundy};
}
RegulaZmiany Dzienna(Rodzaj rodzaj, int dzien, int32_t sekundy = 7200) {
  return RegulaZmiany{rodzaj, 0, 0, 0, dzien, sekundy};
}

const String kStrefy = "/usr/share/zoneinfo";

bool MaStrefe(const String& nazwa) { return std::filesystem::exists(kStrefy + "/" + nazwa); }

// Keeps TZ as it was and the process-wide zone unset around each test.
class Strefa : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz) staryTz_ = tz;
    TimeZone::Reset();
  }
  void TearDown() override {
    UstawTz(staryTz_ ? staryTz_->c_str() : nullptr);
    TimeZone::Reset();
  }
  static void UstawTz(const char* tz) {
    if (tz) {
      setenv("TZ", tz, 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<String> staryTz_;
};

TEST(TimeZone, ParsesPosixRules) {
  const struct {
    const char* text;
    int bias, standardBias, daylightBias;
    RegulaZmiany daylightDate, standardDate;
    const char* standardName;
    const char* daylightName;
  } cases[] = {
      {"CET-1CEST,M3.5.0,M10.5.0/3", -60, 0, -60, Tygodniowa(3, 5, 0), Tygodniowa(10, 5, 0, 3 * 3600), "CET", "CEST"},
      {"EST5EDT,M3.2.0,M11.1.0", 300, 0, -60, Tygodniowa(3, 2, 0), Tygodniowa(11, 1, 0), "EST", "EDT"},
      {"AEST-10AEDT,M10.1.0,M4.1.0/3", -600, 0, -60, Tygodniowa(10, 1, 0), Tygodniowa(4, 1, 0, 3 * 3600), "AEST", "AEDT"},
      {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", 120, 0, -60, Tygodniowa(3, 5, 0, -3600), Tygodniowa(10, 5, 0, 0), "-02", "-01"},
      {"<-04>4<-03>,M9.1.6/24,M4.1.6/24", 240, 0, -60, Tygodniowa(9, 1, 6, 24 * 3600), Tygodniowa(4, 1, 6, 24 * 3600), "-04", "-03"},
      {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", -630, 0, -30, Tygodniowa(10, 1, 0), Tygodniowa(4, 1, 0), "+1030", "+11"},
      {"NZST-12NZDT,M9.5.0,M4.1.0/3", -720, 0, -60, Tygodniowa(9, 5, 0), Tygodniowa(4, 1, 0, 3 * 3600), "NZST", "NZDT"},
      // Negative summer time, turned round: GMT in winter, IST (summer time) in summer.
      {"IST-1GMT0,M10.5.0,M3.5.0/1", 0, 0, -60, Tygodniowa(3, 5, 0, 3600), Tygodniowa(10, 5, 0), "GMT", "IST"},
      // A daylight name without rules: the C library's default rules.
      {"EST5EDT", 300, 0, -60, Tygodniowa(3, 2, 0), Tygodniowa(11, 1, 0), "EST", "EDT"},
      {"AAA+3:15:30BBB2,J60/1:30,300/-2", 196, 0, -76, Dzienna(Rodzaj::DzienJulianski, 60, 5400),
       Dzienna(Rodzaj::DzienRoku, 300, -7200), "AAA", "BBB"},
      {"UTC0", 0, 0, 0, RegulaZmiany(), RegulaZmiany(), "UTC", ""},
      {"<+0530>-5:30", -330, 0, 0, RegulaZmiany(), RegulaZmiany(), "+0530", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const TimeZone z = TimeZone::ZRegulyPosix(c.text);
    EXPECT_EQ(z.bias, c.bias);
    EXPECT_EQ(z.standardBias, c.standardBias);
    EXPECT_EQ(z.daylightBias, c.daylightBias);
    EXPECT_TRUE(z.daylightDate == c.daylightDate);
    EXPECT_TRUE(z.standardDate == c.standardDate);
    EXPECT_EQ(z.standardName, c.standardName);
    EXPECT_EQ(z.daylightName, c.daylightName);
    EXPECT_EQ(z.MaCzasLetni(), c.daylightDate.rodzaj != Rodzaj::Brak);
  }
}

TEST(TimeZone, RejectsMalformedRules) {
  const char* cases[] = {
      "",
      "CET",
      "C-1",
      "CET-1CEST,M3.5.0",
      "CET-1CEST,M13.5.0,M10.5.0",
      "CET-1CEST,M3.6.0,M10.5.0",
      "CET-1CEST,M3.0.0,M10.5.0",
      "CET-1CEST,M3.5.7,M10.5.0",
      "CET-1CEST,M3.5.0,M10.5.0/168",
      "CET-1CEST,M3.5.0,M10.5.0,",
      "CET-1CEST,J0,J365",
      "CET-1CEST,366,J1",
      "CET-25",
      "CET-1:60",
      "CET-1x",
      "<CET-1",
      "<C T>-1",
  };
  for (const char* text : cases) {
    try {
      TimeZone::ZRegulyPosix(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind("Bledna regula strefy czasowej (" + String(text) + ") in file ", 0), 0u)
          << e.Message();
    }
  }
}

TEST(TimeZone, TransitionDates) {
  const struct {
    RegulaZmiany regula;
    int rok;
    int biasMinut;
    Czas utc;
  } cases[] = {
      {Tygodniowa(3, 5, 0), 2003, 0, Utc(2003, 3, 30, 2)},
      {Tygodniowa(10, 5, 0, 3 * 3600), 2003, 0, Utc(2003, 10, 26, 3)},
      // The bias in force before the change turns local into UTC.
      {Tygodniowa(3, 5, 0), 2003, -60, Utc(2003, 3, 30, 1)},
      {Tygodniowa(10, 5, 0, 3 * 3600), 2003, -120, Utc(2003, 10, 26, 1)},
      {Tygodniowa(3, 2, 0), 2024, 300, Utc(2024, 3, 10, 7)},
      // December: the search starts at January 1 of the next year.
      {Tygodniowa(12, 5, 0), 2003, 0, Utc(2003, 12, 28, 2)},
      {Tygodniowa(12, 5, 3), 2003, 0, Utc(2003, 12, 31, 2)},
      {Tygodniowa(12, 5, 4), 2003, 0, Utc(2003, 12, 25, 2)},
      {Tygodniowa(2, 5, 4), 2024, 0, Utc(2024, 2, 29, 2)},
      {Tygodniowa(2, 5, 4), 2023, 0, Utc(2023, 2, 23, 2)},
      // The n-th weekday of the month.
      {Tygodniowa(11, 1, 0), 2024, 0, Utc(2024, 11, 3, 2)},
      {Tygodniowa(10, 1, 0), 2024, 0, Utc(2024, 10, 6, 2)},
      {Tygodniowa(3, 4, 5), 2024, 0, Utc(2024, 3, 22, 2)},
      {Tygodniowa(2, 4, 4), 2024, 0, Utc(2024, 2, 22, 2)},
      {Tygodniowa(9, 1, 6, 24 * 3600), 2024, 240, Utc(2024, 9, 8, 4)},
      // Times of day outside 0-24 hours move to the neighbouring days.
      {Tygodniowa(3, 5, 0, -3600), 2024, 0, Utc(2024, 3, 30, 23)},
      {Tygodniowa(3, 5, 0, 25 * 3600), 2024, 0, Utc(2024, 4, 1, 1)},
      {Tygodniowa(3, 5, 0, 167 * 3600), 2024, 0, Utc(2024, 4, 6, 23)},
      // Day of the year, February 29 not counted (Jn) or counted (n).
      {Dzienna(Rodzaj::DzienJulianski, 60), 2024, 0, Utc(2024, 3, 1, 2)},
      {Dzienna(Rodzaj::DzienJulianski, 60), 2023, 0, Utc(2023, 3, 1, 2)},
      {Dzienna(Rodzaj::DzienJulianski, 59), 2024, 0, Utc(2024, 2, 28, 2)},
      {Dzienna(Rodzaj::DzienJulianski, 365), 2024, 0, Utc(2024, 12, 31, 2)},
      {Dzienna(Rodzaj::DzienRoku, 59), 2024, 0, Utc(2024, 2, 29, 2)},
      {Dzienna(Rodzaj::DzienRoku, 59), 2023, 0, Utc(2023, 3, 1, 2)},
      {Dzienna(Rodzaj::DzienRoku, 0, 0), 2023, 0, Utc(2023, 1, 1)},
      {Dzienna(Rodzaj::DzienRoku, 365), 2023, 0, Utc(2024, 1, 1, 2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TimeZone::SekundaZmiany(c.regula, c.rok, c.biasMinut), Sekundy(c.utc))
        << c.regula.miesiac << "." << c.regula.tydzien << "." << c.regula.dzienTygodnia << " day "
        << c.regula.dzien << " in " << c.rok;
  }
}

struct Chwila {
  Czas utc;
  bool letni;
  int rok, miesiac, dzien, godzina, minuta, sekunda;
};

void SprawdzChwile(const TimeZone& z, const std::vector<Chwila>& chwile) {
  for (const Chwila& c : chwile) {
    SCOPED_TRACE(c.utc.Kalendarz().wYear * 10000 + c.utc.Kalendarz().wMonth * 100 + c.utc.Kalendarz().wDay);
    SCOPED_TRACE(c.utc.Kalendarz().wHour * 10000 + c.utc.Kalendarz().wMinute * 100 + c.utc.Kalendarz().wSecond);
    EXPECT_EQ(z.Letni(c.utc), c.letni);
    const CzasLokalny l = z.Lokalny(c.utc);
    EXPECT_EQ(l.letni, c.letni);
    EXPECT_EQ(l.wYear, c.rok);
    EXPECT_EQ(l.wMonth, c.miesiac);
    EXPECT_EQ(l.wDay, c.dzien);
    EXPECT_EQ(l.wHour, c.godzina);
    EXPECT_EQ(l.wMinute, c.minuta);
    EXPECT_EQ(l.wSecond, c.sekunda);
    EXPECT_EQ(l.lokalny, Utc(c.rok, c.miesiac, c.dzien, c.godzina, c.minuta, c.sekunda));
  }
}

TEST(TimeZone, CentralEuropeanChangesOf2003) {
  // Bias -60, StandardBias 0, DaylightBias -60; last Sunday of March 02:00 to summer time,
  // last Sunday of October 03:00 back.
  const TimeZone z = TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3");
  SprawdzChwile(z, {
                       {Utc(2003, 3, 30, 0, 59, 59), false, 2003, 3, 30, 1, 59, 59},
                       {Utc(2003, 3, 30, 1, 0, 0), true, 2003, 3, 30, 3, 0, 0},
                       {Utc(2003, 10, 26, 0, 59, 59), true, 2003, 10, 26, 2, 59, 59},
                       {Utc(2003, 10, 26, 1, 0, 0), false, 2003, 10, 26, 2, 0, 0},
                       {Utc(2003, 1, 1), false, 2003, 1, 1, 1, 0, 0},
                       {Utc(2003, 7, 1, 12), true, 2003, 7, 1, 14, 0, 0},
                       {Utc(2003, 12, 31, 23, 30), false, 2004, 1, 1, 0, 30, 0},
                   });
  // To the tick.
  EXPECT_FALSE(z.Letni(Utc(2003, 3, 30, 1) - Roznica()));
  EXPECT_TRUE(z.Letni(Utc(2003, 10, 26, 1) - Roznica()));
}

TEST(TimeZone, NewYork) {
  const TimeZone z = TimeZone::ZRegulyPosix("EST5EDT,M3.2.0,M11.1.0");
  SprawdzChwile(z, {
                       {Utc(2024, 3, 10, 6, 59, 59), false, 2024, 3, 10, 1, 59, 59},
                       {Utc(2024, 3, 10, 7, 0, 0), true, 2024, 3, 10, 3, 0, 0},
                       {Utc(2024, 11, 3, 5, 59, 59), true, 2024, 11, 3, 1, 59, 59},
                       {Utc(2024, 11, 3, 6, 0, 0), false, 2024, 11, 3, 1, 0, 0},
                       {Utc(2024, 1, 1, 3), false, 2023, 12, 31, 22, 0, 0},
                       {Utc(2024, 7, 4, 16), true, 2024, 7, 4, 12, 0, 0},
                   });
}

TEST(TimeZone, SydneySummerSpansTheNewYear) {
  const TimeZone z = TimeZone::ZRegulyPosix("AEST-10AEDT,M10.1.0,M4.1.0/3");
  SprawdzChwile(z, {
                       {Utc(2024, 1, 15, 2), true, 2024, 1, 15, 13, 0, 0},
                       {Utc(2024, 4, 6, 15, 59, 59), true, 2024, 4, 7, 2, 59, 59},
                       {Utc(2024, 4, 6, 16, 0, 0), false, 2024, 4, 7, 2, 0, 0},
                       {Utc(2024, 7, 1), false, 2024, 7, 1, 10, 0, 0},
                       {Utc(2024, 10, 5, 15, 59, 59), false, 2024, 10, 6, 1, 59, 59},
                       {Utc(2024, 10, 5, 16, 0, 0), true, 2024, 10, 6, 3, 0, 0},
                       // Across the new year: still summer on both sides.
                       {Utc(2024, 12, 31, 12, 59, 59), true, 2024, 12, 31, 23, 59, 59},
                       {Utc(2024, 12, 31, 13, 0, 0), true, 2025, 1, 1, 0, 0, 0},
                       {Utc(2025, 1, 1, 0, 0, 0), true, 2025, 1, 1, 11, 0, 0},
                   });
}

TEST(TimeZone, ZonesWithoutDaylightTime) {
  for (const char* text : {"UTC0", "<+0530>-5:30", "<-03>3"}) {
    const TimeZone z = TimeZone::ZRegulyPosix(text);
    for (Czas t = Utc(2003, 1, 1); t < Utc(2005, 1, 1); t += Roznica::Dzien * 5 + Roznica::Godzina) {
      EXPECT_FALSE(z.Letni(t)) << text;
      EXPECT_FALSE(z.Lokalny(t).letni) << text;
      EXPECT_EQ(z.Lokalny(t).lokalny, t - Roznica::Minuta * z.bias) << text;
    }
  }
  const TimeZone indie = TimeZone::ZRegulyPosix("<+0530>-5:30");
  SprawdzChwile(indie, {{Utc(2003, 12, 31, 18, 30), false, 2004, 1, 1, 0, 0, 0}});
  const CzasLokalny l = TimeZone().Lokalny(Czas());
  EXPECT_EQ(l.wYear, 1601);
  EXPECT_FALSE(l.letni);
}

TEST(TimeZone, ChangesInDecember) {
  // Summer time from the last Sunday of December to the last Sunday of February.
  const TimeZone poludnie = TimeZone::ZRegulyPosix("<-03>3<-02>,M12.5.0,M2.5.0");
  SprawdzChwile(poludnie, {
                              {Utc(2003, 12, 28, 4, 59, 59), false, 2003, 12, 28, 1, 59, 59},
                              {Utc(2003, 12, 28, 5, 0, 0), true, 2003, 12, 28, 3, 0, 0},
                              {Utc(2003, 12, 31, 23), true, 2003, 12, 31, 21, 0, 0},
                              {Utc(2004, 1, 15), true, 2004, 1, 14, 22, 0, 0},
                              {Utc(2004, 2, 29, 3, 59, 59), true, 2004, 2, 29, 1, 59, 59},
                              {Utc(2004, 2, 29, 4, 0, 0), false, 2004, 2, 29, 1, 0, 0},
                              {Utc(2004, 6, 1), false, 2004, 5, 31, 21, 0, 0},
                          });
  // Summer time from the first Sunday of July to the last Sunday of December.
  const TimeZone polnoc = TimeZone::ZRegulyPosix("XXX0YYY,M7.1.0,M12.5.0");
  SprawdzChwile(polnoc, {
                            {Utc(2003, 12, 28, 0, 59, 59), true, 2003, 12, 28, 1, 59, 59},
                            {Utc(2003, 12, 28, 1, 0, 0), false, 2003, 12, 28, 1, 0, 0},
                            {Utc(2003, 12, 31, 23, 30), false, 2003, 12, 31, 23, 30, 0},
                        });
}

TEST(TimeZone, NegativeSummerTimeIsTurnedRound) {
  const TimeZone z = TimeZone::ZRegulyPosix("IST-1GMT0,M10.5.0,M3.5.0/1");
  SprawdzChwile(z, {
                       {Utc(2024, 1, 15, 12), false, 2024, 1, 15, 12, 0, 0},
                       {Utc(2024, 3, 31, 0, 59, 59), false, 2024, 3, 31, 0, 59, 59},
                       {Utc(2024, 3, 31, 1, 0, 0), true, 2024, 3, 31, 2, 0, 0},
                       {Utc(2024, 7, 1, 12), true, 2024, 7, 1, 13, 0, 0},
                       {Utc(2024, 10, 27, 0, 59, 59), true, 2024, 10, 27, 1, 59, 59},
                       {Utc(2024, 10, 27, 1, 0, 0), false, 2024, 10, 27, 1, 0, 0},
                   });
}

TEST(TimeZone, AllYearSummerTime) {
  // Summer time from January 1 00:00 to December 31 24:00 plus the hour: always in force.
  const TimeZone z = TimeZone::ZRegulyPosix("EST5EDT,0/0,J365/25");
  for (Czas t = Utc(2023, 12, 31); t < Utc(2025, 1, 3); t += Roznica::Godzina * 7) {
    EXPECT_TRUE(z.Letni(t)) << t.Wartosc();
  }
}

TEST(TimeZone, LocalBackToUtc) {
  const TimeZone z = TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3");
  const struct {
    Czas lokalny;
    Czas utc;
  } cases[] = {
      {Utc(2003, 7, 1, 12), Utc(2003, 7, 1, 10)},
      {Utc(2003, 1, 1, 0), Utc(2002, 12, 31, 23)},
      // The hour skipped in spring is read with the standard-time bias.
      {Utc(2003, 3, 30, 2, 30), Utc(2003, 3, 30, 1, 30)},
      // The hour repeated in autumn gives the earlier instant.
      {Utc(2003, 10, 26, 2, 30), Utc(2003, 10, 26, 0, 30)},
      {Utc(2003, 10, 26, 3, 0), Utc(2003, 10, 26, 2, 0)},
  };
  for (const auto& c : cases) EXPECT_EQ(z.ZLokalnego(c.lokalny), c.utc) << c.lokalny.Wartosc();
  for (Czas t = Utc(2003, 1, 1); t < Utc(2004, 1, 1); t += Roznica::Minuta * 97) {
    const CzasLokalny l = z.Lokalny(t);
    const bool powtorzona = t >= Utc(2003, 10, 26, 1) && t < Utc(2003, 10, 26, 2);
    if (!powtorzona) {
      EXPECT_EQ(z.ZLokalnego(l.lokalny), t) << t.Wartosc();
    }
  }
}

// The conversion agrees with the C library for real zones, in years where only the zone
// file's rule applies.
TEST_F(Strefa, AgreesWithTheCLibrary) {
  const struct {
    const char* nazwa;
    bool ujemneLato;
  } strefy[] = {
      {"Europe/Warsaw", false},     {"America/New_York", false}, {"Australia/Sydney", false},
      {"Europe/Dublin", true},      {"America/Nuuk", false},     {"America/Santiago", false},
      {"Australia/Lord_Howe", false}, {"Pacific/Chatham", false}, {"America/St_Johns", false},
      {"Asia/Kolkata", false},      {"UTC", false},
  };
  const int64_t do1970 = Sekundy(Utc(1970, 1, 1));
  int sprawdzone = 0;
  for (const auto& s : strefy) {
    if (!MaStrefe(s.nazwa)) continue;
    ++sprawdzone;
    SCOPED_TRACE(s.nazwa);
    UstawTz(s.nazwa);
    const TimeZone z = TimeZone::Systemowa();
    for (Czas t = Utc(2040, 1, 1); t < Utc(2046, 1, 1); t += Roznica::Godzina * 3 + Roznica::Minuta * 7) {
      const time_t unix = static_cast<time_t>(Sekundy(t) - do1970);
      tm g{};
      ASSERT_NE(localtime_r(&unix, &g), nullptr);
      const CzasLokalny l = z.Lokalny(t);
      ASSERT_EQ(l.wYear, g.tm_year + 1900) << t.Wartosc();
      ASSERT_EQ(l.wMonth, g.tm_mon + 1) << t.Wartosc();
      ASSERT_EQ(l.wDay, g.tm_mday) << t.Wartosc();
      ASSERT_EQ(l.wDayOfWeek, g.tm_wday) << t.Wartosc();
      ASSERT_EQ(l.wHour, g.tm_hour) << t.Wartosc();
      ASSERT_EQ(l.wMinute, g.tm_min) << t.Wartosc();
      ASSERT_EQ(l.letni, s.ujemneLato ? g.tm_isdst == 0 : g.tm_isdst > 0) << t.Wartosc();
    }
  }
  if (sprawdzone == 0) GTEST_SKIP() << "no zone files under " << kStrefy;
}

TEST(TimeZone, ReadsZoneFiles) {
  if (!MaStrefe("Europe/Warsaw")) GTEST_SKIP() << "no zone files under " << kStrefy;
  const TimeZone z = TimeZone::ZPliku(kStrefy + "/Europe/Warsaw");
  const TimeZone r = TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(z.bias, r.bias);
  EXPECT_EQ(z.daylightBias, r.daylightBias);
  EXPECT_TRUE(z.daylightDate == r.daylightDate);
  EXPECT_TRUE(z.standardDate == r.standardDate);
  EXPECT_EQ(z.standardName, "CET");
  EXPECT_FALSE(TimeZone::ZPliku(kStrefy + "/UTC").MaCzasLetni());
}

// A TZif file: a version 1 block with one type, and for version 2 a second block with the
// given transitions and types, then the footer.
String Tzif(char wersja, const std::vector<int32_t>& przesuniecia, const std::vector<uint8_t>& typy,
            const String& stopka) {
  const auto be32 = [](String& d, uint32_t v) {
    for (int i = 3; i >= 0; --i) d += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const auto naglowek = [&](String& d, uint32_t timecnt, uint32_t typecnt, uint32_t charcnt) {
    d += "TZif";
    d += wersja;
    d += String(15, '\0');
    for (uint32_t v : {0u, 0u, 0u, timecnt, typecnt, charcnt}) be32(d, v);
  };
  String d;
  naglowek(d, 0, 1, 4);
  be32(d, static_cast<uint32_t>(przesuniecia[0]));
  d += '\0';
  d += '\0';
  d += String("T0\0\0", 4);
  if (wersja == '\0') return d;
  const uint32_t timecnt = static_cast<uint32_t>(typy.size());
  const uint32_t typecnt = static_cast<uint32_t>(przesuniecia.size());
  naglowek(d, timecnt, typecnt, 3 * typecnt);
  for (uint32_t i = 0; i < timecnt; ++i) {
    be32(d, 0);
    be32(d, 1000 * (i + 1));
  }
  for (uint8_t t : typy) d += static_cast<char>(t);
  for (uint32_t i = 0; i < typecnt; ++i) {
    be32(d, static_cast<uint32_t>(przesuniecia[i]));
    d += '\0';
    d += static_cast<char>(3 * i);
  }
  for (uint32_t i = 0; i < typecnt; ++i) d += String{'T', static_cast<char>('A' + i), '\0'};
  return d + "\n" + stopka + "\n";
}

TEST(TimeZone, ZoneFilesWithoutARule) {
  TempDir dir;
  const auto zapisz = [&](const String& nazwa, const String& bajty) {
    std::ofstream(dir / nazwa, std::ios::binary) << bajty;
    return dir / nazwa;
  };
  // Version 1: the one type's offset.
  const TimeZone v1 = TimeZone::ZPliku(zapisz("v1", Tzif('\0', {12600}, {}, "")));
  EXPECT_EQ(v1.bias, -210);
  EXPECT_EQ(v1.standardName, "T0");
  EXPECT_FALSE(v1.MaCzasLetni());
  // An empty footer: the type of the last transition.
  const TimeZone pusta = TimeZone::ZPliku(zapisz("pusta", Tzif('2', {3600, -18000, 7200}, {0, 2, 1}, "")));
  EXPECT_EQ(pusta.bias, 300);
  EXPECT_EQ(pusta.standardName, "TB");
  EXPECT_FALSE(pusta.MaCzasLetni());
  // The footer's rule wins over the transitions.
  const TimeZone regula = TimeZone::ZPliku(zapisz("regula", Tzif('3', {3600}, {0}, "ABC-3:30")));
  EXPECT_EQ(regula.bias, -210);
  EXPECT_EQ(regula.standardName, "ABC");

  const String dobry = Tzif('2', {3600, -18000}, {0, 1}, "ABC-3:30");
  const String zle[] = {
      "",
      "TZjf" + dobry.substr(4),
      dobry.substr(0, 60),
      dobry.substr(0, dobry.size() - 1),
      dobry.substr(0, dobry.size() - 10),
      Tzif('2', {3600}, {5}, ""),
      Tzif('2', {3600}, {0}, "A"),
  };
  int k = 0;
  for (const String& bajty : zle) {
    EXPECT_THROW(TimeZone::ZPliku(zapisz("zly" + std::to_string(k), bajty)), Exception) << k;
    ++k;
  }
  EXPECT_THROW(TimeZone::ZPliku(dir / "brak"), Exception);
}

TEST_F(Strefa, SystemZoneFromTz) {
  if (!MaStrefe("Europe/Warsaw") || !MaStrefe("Australia/Sydney")) GTEST_SKIP() << "no zone files";
  const struct {
    const char* tz;
    int bias;
    bool letni;
  } cases[] = {
      {"Europe/Warsaw", -60, true},
      {":Europe/Warsaw", -60, true},
      {"/usr/share/zoneinfo/Europe/Warsaw", -60, true},
      {"America/New_York", 300, true},
      {"Australia/Sydney", -600, true},
      {"UTC", 0, false},
      {"", 0, false},
      {"CET-1CEST,M3.5.0,M10.5.0/3", -60, true},
      {"<+0530>-5:30", -330, false},
  };
  for (const auto& c : cases) {
    UstawTz(c.tz);
    const TimeZone z = TimeZone::Systemowa();
    EXPECT_EQ(z.bias, c.bias) << c.tz;
    EXPECT_EQ(z.MaCzasLetni(), c.letni) << c.tz;
  }
  UstawTz(nullptr);
  if (std::filesystem::exists("/etc/localtime")) {
    EXPECT_EQ(TimeZone::Systemowa().bias, TimeZone::ZPliku("/etc/localtime").bias);
  }
}

TEST_F(Strefa, UnreadableZoneIsLoggedAndTakenAsUtc) {
  LogCapture capture;
  for (const char* tz : {"Nie/Ma/Takiej", ":Nie/Ma", "CET-1CEST,M3.5.0"}) {
    UstawTz(tz);
    const TimeZone z = TimeZone::Systemowa();
    EXPECT_EQ(z.bias, 0) << tz;
    EXPECT_FALSE(z.MaCzasLetni()) << tz;
    EXPECT_NE(capture.Text().find("Nie można odczytać strefy czasowej (TZ=" + String(tz) + "), przyjęto UTC"),
              String::npos)
        << capture.Text();
  }
}

TEST_F(Strefa, AFileThatIsNoZoneLeavesTheRule) {
  TempDir dir;
  std::ofstream(dir / "ABC-2") << "not a zone file\n";
  std::ofstream(dir / "tekst") << "not a zone file either\n";
  const char* staryTzdir = std::getenv("TZDIR");
  const std::optional<String> stary = staryTzdir ? std::optional<String>(staryTzdir) : std::nullopt;
  setenv("TZDIR", dir.Path().c_str(), 1);
  UstawTz("ABC-2");
  EXPECT_EQ(TimeZone::Systemowa().bias, -120);
  {
    LogCapture capture;
    UstawTz((dir / "tekst").c_str());
    EXPECT_EQ(TimeZone::Systemowa().bias, 0);
    UstawTz(":tekst");
    EXPECT_EQ(TimeZone::Systemowa().bias, 0);
    EXPECT_NE(capture.Text().find("TZ=:tekst"), String::npos) << capture.Text();
  }
  if (stary) {
    setenv("TZDIR", stary->c_str(), 1);
  } else {
    unsetenv("TZDIR");
  }
}

TEST_F(Strefa, TheRecordIsKeptUntilReset) {
  if (!MaStrefe("Europe/Warsaw") || !MaStrefe("America/New_York")) GTEST_SKIP() << "no zone files";
  const Czas t = Utc(2003, 7, 1, 12);
  UstawTz("Europe/Warsaw");
  EXPECT_EQ(t.Lokalny().wHour, 14);
  UstawTz("America/New_York");
  EXPECT_EQ(t.Lokalny().wHour, 14);
  const TimeZone& stara = TimeZone::Biezaca();
  TimeZone::Reset();
  EXPECT_EQ(t.Lokalny().wHour, 8);
  EXPECT_TRUE(t.Lokalny().letni);
  // A record handed out before stays valid.
  EXPECT_EQ(stara.bias, -60);
  TimeZone::Reset(TimeZone::ZRegulyPosix("<+0530>-5:30"));
  EXPECT_EQ(t.Lokalny().wHour, 17);
  EXPECT_EQ(t.Lokalny().wMinute, 30);
  EXPECT_EQ(Czas::ZLokalnego(Utc(2003, 7, 1, 17, 30)), t);
}

TEST_F(Strefa, FirstUseFromManyThreadsSeesOneRecord) {
  UstawTz("CET-1CEST,M3.5.0,M10.5.0/3");
  std::vector<const TimeZone*> widziane(8, nullptr);
  std::vector<std::thread> watki;
  for (size_t i = 0; i < widziane.size(); ++i) {
    watki.emplace_back([&widziane, i] {
      const TimeZone& z = TimeZone::Biezaca();
      widziane[i] = z.Letni(Utc(2003, 7, 1)) ? &z : nullptr;
    });
  }
  for (auto& w : watki) w.join();
  for (const TimeZone* z : widziane) EXPECT_EQ(z, &TimeZone::Biezaca());
}

}  // namespace
