#include "core/Roznica.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

// Constant-initialised: usable in constant expressions, hence from any static initialiser.
static_assert(Roznica().Wartosc() == 1);
static_assert(Roznica::Milisekunda.Wartosc() == 10000);
static_assert(Roznica::Sekunda.Wartosc() == 10000000);
static_assert(Roznica::Minuta.Wartosc() == 600000000);
static_assert(Roznica::Godzina.Wartosc() == 36000000000);
static_assert(Roznica::Dzien.Wartosc() == 864000000000);
static_assert(Roznica::Tydzien.Wartosc() == 6048000000000);
static_assert(sizeof(Roznica) == 8);

namespace {

// Another translation unit's static initialiser reads the constants before main.
const Roznica kZInicjalizacji = Roznica::Godzina * 2 + Roznica::Minuta;

TEST(Roznica, ConstantsAreReadyForStaticInitialisers) {
  EXPECT_EQ(kZInicjalizacji.Wartosc(), 2 * 36000000000 + 600000000);
}

TEST(Roznica, Arithmetic) {
  const Roznica r(7);
  EXPECT_EQ((r + Roznica(3)).Wartosc(), 10);
  EXPECT_EQ((r - Roznica(10)).Wartosc(), -3);
  EXPECT_EQ((-r).Wartosc(), -7);
  EXPECT_EQ((r * 3).Wartosc(), 21);
  EXPECT_EQ((3 * r).Wartosc(), 21);
  EXPECT_EQ((r * (int64_t{1} << 40)).Wartosc(), 7LL << 40);
  // Integer division truncates toward zero.
  EXPECT_EQ((r / 2).Wartosc(), 3);
  EXPECT_EQ((Roznica(-7) / 2).Wartosc(), -3);
  EXPECT_EQ(Roznica::Dzien / Roznica::Godzina, 24);
  EXPECT_EQ(Roznica(-25) / Roznica(10), -2);
  Roznica a(5);
  a += Roznica(2);
  a -= Roznica(10);
  EXPECT_EQ(a.Wartosc(), -3);
  EXPECT_LT(Roznica(-1), Roznica(0));
  EXPECT_GE(Roznica::Sekunda, Roznica::Milisekunda * 1000);
  EXPECT_NE(Roznica(), Roznica(0));
}

TEST(Roznica, TimesDoubleTruncatesTowardZeroAndStaysInRange) {
  const struct {
    int64_t ticks;
    double x;
    int64_t wynik;
  } cases[] = {
      {3, 2.5, 7},
      {-3, 2.5, -7},
      {10000000, 0.33333, 3333300},
      {10, -0.19, -1},
      {std::numeric_limits<int64_t>::max(), 2.0, std::numeric_limits<int64_t>::max()},
      {std::numeric_limits<int64_t>::max(), -2.0, std::numeric_limits<int64_t>::min()},
      {5, std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((Roznica(c.ticks) * c.x).Wartosc(), c.wynik) << c.ticks << " x " << c.x;
  }
  EXPECT_EQ((1.5 * Roznica(4)).Wartosc(), 6);
}

TEST(Roznica, Napis) {
  const struct {
    Roznica r;
    const char* text;
  } cases[] = {
      {Roznica::Godzina * 26 + Roznica::Minuta * 3 + Roznica::Sekunda * 7, "26:03:07"},
      {Roznica::Sekunda * 59, "0:00:59"},
      {Roznica(0), "0:00:00"},
      {Roznica(), "0:00:00"},
      {Roznica::Sekunda * 9 + Roznica::Milisekunda * 999, "0:00:09"},
      {Roznica::Minuta * 10, "0:10:00"},
      {Roznica::Godzina * 23 + Roznica::Minuta * 59 + Roznica::Sekunda * 59, "23:59:59"},
      {Roznica::Dzien * 1000, "24000:00:00"},
      {-(Roznica::Minuta + Roznica::Sekunda), "-0:01:01"},
      {Roznica(std::numeric_limits<int64_t>::min()), "-256204778:48:05"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.r.Napis(), c.text) << c.r.Wartosc();
}

TEST(Roznica, LittleEndianBytes) {
  unsigned char b[8];
  Roznica(0x0102030405060708).DoBajtow(b);
  const unsigned char oczekiwane[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  EXPECT_EQ(std::memcmp(b, oczekiwane, 8), 0);
  EXPECT_EQ(Roznica::ZBajtow(b).Wartosc(), 0x0102030405060708);
  Roznica(-2).DoBajtow(b);
  EXPECT_EQ(b[0], 0xFE);
  EXPECT_EQ(b[7], 0xFF);
  EXPECT_EQ(Roznica::ZBajtow(b).Wartosc(), -2);
}

}  // namespace
