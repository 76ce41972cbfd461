#include "core/RegionalNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "core/Czas.h"
#include "core/Exception.h"
#include "core/TimeZone.h"

namespace {

std::optional<RegionalNames> Polskie() {
  try {
    return RegionalNames::ZLocale("pl_PL.UTF-8");
  } catch (const Exception&) {
    return std::nullopt;
  }
}

TEST(RegionalNames, CLocale) {
  const RegionalNames n = RegionalNames::ZLocale("C");
  EXPECT_EQ(n.Miesiac(1), "January");
  EXPECT_EQ(n.MiesiacSamodzielny(12), "December");
  EXPECT_EQ(n.MiesiacSkrocony(5), "May");
  EXPECT_EQ(n.DzienTygodnia(0), "Sunday");
  EXPECT_EQ(n.DzienTygodniaSkrocony(6), "Sat");
}

TEST(RegionalNames, PolishLocaleInUtf8) {
  const auto n = Polskie();
  if (!n) GTEST_SKIP() << "the pl_PL.UTF-8 locale is not installed";
  const struct {
    int m;
    const char* wDacie;
    const char* samodzielny;
    const char* skrocony;
  } miesiace[] = {
      {1, "stycznia", "styczeń", "sty"},
      {9, "września", "wrzesień", "wrz"},
      {10, "października", "październik", "paź"},
      {12, "grudnia", "grudzień", "gru"},
  };
  for (const auto& c : miesiace) {
    EXPECT_EQ(n->Miesiac(c.m), c.wDacie);
    EXPECT_EQ(n->MiesiacSamodzielny(c.m), c.samodzielny);
    EXPECT_EQ(n->MiesiacSkrocony(c.m), c.skrocony);
  }
  EXPECT_EQ(n->DzienTygodnia(0), "niedziela");
  EXPECT_EQ(n->DzienTygodnia(3), "środa");
  EXPECT_EQ(n->DzienTygodnia(5), "piątek");
}

TEST(RegionalNames, MissingLocaleIsAnError) {
  try {
    RegionalNames::ZLocale("xx_NIEMA.UTF-8");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Nie można załadować ustawień regionalnych xx_NIEMA.UTF-8 in file ", 0), 0u)
        << e.Message();
  }
}

// The environment's locale, as the program finds it at start.
class NazwyZeSrodowiska : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* stare = std::getenv("LC_ALL")) stare_ = stare;
  }
  void TearDown() override {
    if (stare_) {
      setenv("LC_ALL", stare_->c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
    RegionalNames::Reset();
    TimeZone::Reset();
  }
  std::optional<String> stare_;
};

TEST_F(NazwyZeSrodowiska, TextFormsUseTheEnvironmentsNames) {
  if (!Polskie()) GTEST_SKIP() << "the pl_PL.UTF-8 locale is not installed";
  setenv("LC_ALL", "pl_PL.UTF-8", 1);
  RegionalNames::Reset();
  TimeZone::Reset(TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3"));
  SystemTime st;
  st.wYear = 2003;
  st.wMonth = 12;
  st.wDay = 9;
  st.wHour = 13;
  st.wMinute = 5;
  st.wSecond = 30;
  const Czas t = Czas::ZKalendarza(st);
  EXPECT_EQ(t.Napis(), "09 grudnia 2003 14:05:30");
  EXPECT_EQ(t.NapisKrotki(), "09/gru/2003 14:05:30");
  EXPECT_EQ(t.FormatujWzorem("d mmmm yyyy hh_nn_ss"), "9 grudnia 2003 14_05_30");
  EXPECT_EQ(t.FormatujWzorem("mmmm yyyy"), "grudzień 2003");
  EXPECT_EQ(t.FormatujWzorem("d [dddd]"), "9 [wtorek]");

  // A locale that is not installed gives the C locale's names.
  setenv("LC_ALL", "xx_NIEMA.UTF-8", 1);
  RegionalNames::Reset();
  EXPECT_EQ(t.FormatujWzorem("d mmmm yyyy"), "9 December 2003");
}

}  // namespace
