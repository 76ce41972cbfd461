#include "core/Czas.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstring>
#include <ostream>

#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "core/RegionalNames.h"
#include "core/TimeZone.h"
#include "support/CzasTestowy.h"

inline void PrintTo(const Czas& c, std::ostream* os) { *os << "Czas(" << c.Wartosc() << ")"; }

static_assert(sizeof(Czas) == 8);
static_assert(Czas().Wartosc() == 0);
static_assert(Czas::Max.Wartosc() == 0x7FFFFFFFFFFFFFFF);
static_assert(kalendarz::NumerDnia(1601, 1, 1) == 0);
static_assert(kalendarz::DzienTygodnia(0) == 1);  // 1601-01-01 was a Monday.
static_assert(kalendarz::NumerDnia(1970, 1, 1) == kalendarz::kDni1601Do1970);
static_assert(kalendarz::NumerDnia(2003, 13, 1) == kalendarz::NumerDnia(2004, 1, 1));

namespace {

// The message of the exception that `f` raises; fails the test when none is raised.
template <class F>
String Blad(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  ADD_FAILURE() << "no exception";
  return String();
}

TEST(Czas, Arithmetic) {
  const Czas t(1000);
  EXPECT_EQ(t + Roznica(5), Czas(1005));
  EXPECT_EQ(t - Roznica(5), Czas(995));
  EXPECT_EQ(Czas(995) - t, Roznica(-5));
  EXPECT_EQ(Czas::Odstep(Czas(995), t), Roznica(5));
  EXPECT_EQ(Czas::Odstep(t, Czas(995)), Roznica(5));
  Czas u = t;
  u += Roznica::Sekunda;
  u -= Roznica(1);
  EXPECT_EQ(u.Wartosc(), 1000 + 10000000 - 1);
  EXPECT_EQ(Czas(25) % Roznica(10), 5);
  EXPECT_EQ(Czas(-25) % Roznica(10), -5);
  EXPECT_LT(Czas(-1), Czas());
  EXPECT_LT(Czas(), Czas::Max);
  EXPECT_GT(Czas::Max, Czas::Max - Roznica());
}

TEST(Czas, ZaokraglijTruncatesToAMultiple) {
  const Czas t = Utc(2003, 12, 5, 21, 49, 4, 123);
  EXPECT_EQ(t.Zaokraglij(Roznica::Sekunda), Utc(2003, 12, 5, 21, 49, 4));
  EXPECT_EQ(t.Zaokraglij(Roznica::Minuta), Utc(2003, 12, 5, 21, 49));
  EXPECT_EQ(t.Zaokraglij(Roznica::Godzina), Utc(2003, 12, 5, 21));
  EXPECT_EQ(t.Zaokraglij(Roznica::Dzien), Utc(2003, 12, 5));
  EXPECT_EQ(Czas(-25).Zaokraglij(Roznica(10)), Czas(-20));
  EXPECT_THROW(t.Zaokraglij(Roznica(0)), Exception);
}

TEST(Czas, TerazIsTheSystemClockOnThisScale) {
  const int64_t przed = static_cast<int64_t>(time(nullptr));
  const Czas teraz = Czas::Teraz();
  const int64_t po = static_cast<int64_t>(time(nullptr));
  const Czas epoka1970 = Utc(1970, 1, 1);
  EXPECT_GE(teraz, epoka1970 + Roznica::Sekunda * przed);
  EXPECT_LT(teraz, epoka1970 + Roznica::Sekunda * (po + 1));
}

TEST(Czas, HexTextForm) {
  const struct {
    int64_t value;
    const char* text;
  } cases[] = {
      {0, "0000000000000000"},
      {1, "0000000000000001"},
      {0x0123456789ABCDEF, "0123456789ABCDEF"},
      {0x7FFFFFFFFFFFFFFF, "7FFFFFFFFFFFFFFF"},
      {-1, "FFFFFFFFFFFFFFFF"},
      {0x01C3BB8D5E4A9C00, "01C3BB8D5E4A9C00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Czas(c.value).NapisHex(), c.text);
    EXPECT_EQ(Czas::ZNapisuHex(c.text), Czas(c.value)) << c.text;
  }
  EXPECT_EQ(Czas::ZNapisuHex("7FFFFFFFFFFFFFFF"), Czas::Max);
}

TEST(Czas, HexTextFormRejectsOtherLengthsAndDigits) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"7FFFFFFFFFFFFFF", "ma byc 16 a jest 15! (7FFFFFFFFFFFFFF)"},
      {"00000000000000000", "ma byc 16 a jest 17! (00000000000000000)"},
      {"", "ma byc 16 a jest 0! ()"},
      {"7fffffffffffffff", "błędna cyfra szesnastkowa 'f' w (7fffffffffffffff)"},
      {"0x00000000000001", "błędna cyfra szesnastkowa 'x' w (0x00000000000001)"},
      {" 000000000000001", "błędna cyfra szesnastkowa ' ' w ( 000000000000001)"},
      {"000000000000000G", "błędna cyfra szesnastkowa 'G' w (000000000000000G)"},
  };
  for (const auto& c : cases) {
    const String message = Blad([&] { Czas::ZNapisuHex(c.text); });
    // The text, then the location suffix once.
    EXPECT_EQ(message.substr(0, std::strlen(c.message) + 9), String(c.message) + " in file ") << c.text;
    EXPECT_EQ(message.find(" in file ", std::strlen(c.message) + 1), String::npos) << message;
  }
}

TEST(Czas, LittleEndianBytes) {
  unsigned char b[8];
  Czas(0x01C3BB8D5E4A9C00).DoBajtow(b);
  const unsigned char oczekiwane[8] = {0x00, 0x9C, 0x4A, 0x5E, 0x8D, 0xBB, 0xC3, 0x01};
  EXPECT_EQ(std::memcmp(b, oczekiwane, 8), 0);
  EXPECT_EQ(Czas::ZBajtow(b), Czas(0x01C3BB8D5E4A9C00));
}

TEST(Czas, KalendarzAgreesWithTheCLibrary) {
  const int64_t do1970 = Utc(1970, 1, 1).Wartosc() / 10000000;
  // Every 7 days and 7 hours and 7 seconds from 1601 to 2400: all weekdays, months, leap
  // rules and hours come round.
  for (int64_t s = 0; s < int64_t{800} * 366 * 86400; s += 7 * 86400 + 7 * 3600 + 7) {
    const SystemTime st = Czas(s * 10000000 + 4560000).Kalendarz();
    const time_t unix = static_cast<time_t>(s - do1970);
    tm g{};
    ASSERT_NE(gmtime_r(&unix, &g), nullptr);
    ASSERT_EQ(st.wYear, g.tm_year + 1900) << s;
    ASSERT_EQ(st.wMonth, g.tm_mon + 1) << s;
    ASSERT_EQ(st.wDay, g.tm_mday) << s;
    ASSERT_EQ(st.wDayOfWeek, g.tm_wday) << s;
    ASSERT_EQ(st.wHour, g.tm_hour) << s;
    ASSERT_EQ(st.wMinute, g.tm_min) << s;
    ASSERT_EQ(st.wSecond, g.tm_sec) << s;
    ASSERT_EQ(st.wMilliseconds, 456) << s;
    ASSERT_EQ(Czas::ZKalendarza(st), Czas(s * 10000000 + 4560000)) << s;
  }
}

TEST(Czas, KalendarzEnds) {
  const SystemTime zero = Czas().Kalendarz();
  EXPECT_EQ(zero.wYear, 1601);
  EXPECT_EQ(zero.wMonth, 1);
  EXPECT_EQ(zero.wDay, 1);
  EXPECT_EQ(zero.wDayOfWeek, 1);
  const SystemTime max = Czas::Max.Kalendarz();
  EXPECT_EQ(max.wYear, 30828);
  EXPECT_EQ(max.wMonth, 9);
  EXPECT_EQ(max.wDay, 14);
  EXPECT_EQ(max.wHour, 2);
  EXPECT_EQ(max.wMinute, 48);
  EXPECT_EQ(max.wSecond, 5);
  EXPECT_EQ(max.wMilliseconds, 477);
  EXPECT_EQ(Blad([] { Czas(-1).Kalendarz(); }).substr(0, 24), "Bledny czas -1 in file \"");
  EXPECT_THROW(Utc(2003, 2, 29), Exception);
  EXPECT_THROW(Utc(2003, 13, 1), Exception);
  EXPECT_THROW(Utc(1600, 12, 31), Exception);
  EXPECT_NO_THROW(Utc(2004, 2, 29));
}

// Text forms in Central European time with fixed Polish names, whatever the machine has.
class CzasNapisy : public ::testing::Test {
 protected:
  StrefaWarszawska strefa;
};

TEST_F(CzasNapisy, ZeroIsNotSet) {
  const Czas zero;
  EXPECT_EQ(zero.Napis(), "---");
  EXPECT_EQ(zero.NapisKrotki(), "---");
  EXPECT_EQ(zero.NapisDokladny(), "---");
  EXPECT_EQ(zero.Formatuj("data"), "-");
  EXPECT_EQ(zero.Formatuj("rok"), "-");
}

TEST_F(CzasNapisy, FixedForms) {
  // 22:49:04 local, winter; 10:05:03 local, summer; 09:05:30 local.
  const Czas zima = Utc(2003, 12, 5, 21, 49, 4) + Roznica(1234567);
  const Czas lato = Utc(2003, 7, 9, 8, 5, 3);
  const Czas rano = Utc(2003, 12, 9, 8, 5, 30);
  const struct {
    Czas t;
    String text;
    String expected;
  } cases[] = {
      {zima, zima.Napis(), "05 grudnia 2003 22:49:04"},
      {zima, zima.NapisKrotki(), "05/gru/2003 22:49:04"},
      {zima, zima.NapisDokladny(), "05 grudnia 2003 22:49:04.1234567 czas zimowy"},
      {lato, lato.NapisDokladny(), "09 lipca 2003 10:05:03.0 czas letni"},
      {zima, zima.Formatuj("data"), "05 grudnia 2003"},
      {zima, zima.Formatuj("godzina"), "22:49:04"},
      {zima, zima.Formatuj("d"), "05"},
      {zima, zima.Formatuj("h"), "22"},
      {zima, zima.Formatuj("m"), "49"},
      {zima, zima.Formatuj("s"), "04"},
      {zima, zima.Formatuj("rok"), ""},
      {zima, zima.Formatuj("D"), ""},
      {zima, zima.Formatuj("data "), ""},
      {lato, lato.Formatuj("godzina"), "10:05:03"},
      {rano, rano.Formatuj("godzina"), "09:05:30"},
      {rano, rano.Napis(), "09 grudnia 2003 09:05:30"},
      {zima, zima.FormatujWzorem("d [dddd]"), "5 [piątek]"},
      {zima, zima.FormatujWzorem("mmmm yyyy"), "grudzień 2003"},
      {zima, zima.FormatujWzorem("d mmmm yyyy hh_nn_ss"), "5 grudnia 2003 22_49_04"},
      {rano, rano.FormatujWzorem("d mmmm yyyy hh_nn_ss"), "9 grudnia 2003 09_05_30"},
      {rano, rano.FormatujWzorem("dd.mm.yy h:n:s zzz ddd mmm"), "09.12.03 9:5:30 000 wto gru"},
      {zima, zima.FormatujWzorem("dddd, d mmmm"), "piątek, 5 grudnia"},
      {zima, zima.FormatujWzorem("[ddddd] y, Q!"), "[piątek5] y, Q!"},
      {zima, zima.FormatujWzorem(""), ""},
      {lato, lato.FormatujWzorem("dddd mmmm"), "środa lipiec"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected) << c.t.Wartosc();
}

TEST_F(CzasNapisy, FormatujGivesADashBefore1700December8) {
  const Czas granica(Roznica::Dzien.Wartosc() * 36500);
  EXPECT_EQ(granica.Kalendarz().wYear, 1700);
  EXPECT_EQ(granica.Kalendarz().wMonth, 12);
  EXPECT_EQ(granica.Kalendarz().wDay, 8);
  EXPECT_EQ((granica - Roznica()).Formatuj("godzina"), "-");
  EXPECT_EQ(Czas(-5).Formatuj("data"), "-");
  EXPECT_EQ(granica.Formatuj("data"), "08 grudnia 1700");
  EXPECT_EQ(granica.Formatuj("godzina"), "01:00:00");
  // The year is written as century and year of century.
  EXPECT_EQ(Utc(1999, 6, 30, 12).Napis(), "30 czerwca 1999 14:00:00");
  EXPECT_EQ(Utc(2000, 1, 1).NapisKrotki(), "01/sty/2000 01:00:00");
}

TEST_F(CzasNapisy, LokalnyAndDzienMiesiaca) {
  const CzasLokalny l = (Utc(2003, 12, 31, 23, 30) + Roznica::Milisekunda * 250).Lokalny();
  EXPECT_EQ(l.wYear, 2004);
  EXPECT_EQ(l.wMonth, 1);
  EXPECT_EQ(l.wDay, 1);
  EXPECT_EQ(l.wDayOfWeek, 4);
  EXPECT_EQ(l.wHour, 0);
  EXPECT_EQ(l.wMinute, 30);
  EXPECT_EQ(l.wMilliseconds, 250);
  EXPECT_FALSE(l.letni);
  EXPECT_EQ(l.lokalny, Utc(2004, 1, 1, 0, 30) + Roznica::Milisekunda * 250);
  EXPECT_EQ(Utc(2003, 12, 31, 23, 30).DzienMiesiaca(), 1);
  EXPECT_EQ(Utc(2003, 12, 31, 22, 30).DzienMiesiaca(), 31);
}

TEST_F(CzasNapisy, TimesThatCannotBeShown) {
  EXPECT_EQ(Blad([] { Czas(-20).Napis(); }).substr(0, 24), "Bledny czas -20 in file ");
  EXPECT_EQ(Blad([] { Czas(-20).Lokalny(); }).substr(0, 24), "Bledny czas -20 in file ");
  // East of UTC the largest times have no local value.
  EXPECT_EQ(Blad([] { Czas::Max.Napis(); }).substr(0, 40), "Bledny czas 9223372036854775807 in file ");
  EXPECT_EQ((Czas::Max - Roznica::Godzina * 2).Lokalny().lokalny, Czas::Max);
}

}  // namespace
