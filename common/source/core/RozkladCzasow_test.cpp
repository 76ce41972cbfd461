#include "core/RozkladCzasow.h"

#include <gtest/gtest.h>

TEST(RozkladCzasow, PercentyleGorneKrawedzieKrokuNigdyPonizejPrawdziwych) {
  RozkladCzasow r;
  EXPECT_EQ(r.Percentyl(0.99), 0);
  EXPECT_EQ(r.Napis("ticks"), "0 ticks, p50 0.00 ms, p99 0.00 ms, max 0.00 ms");
  // 98 ticks of 0.5 ms, one of 3 ms, one of 250 ms (beyond the steps).
  for (int i = 0; i < 98; ++i) r.Dodaj(500'000);
  r.Dodaj(3'000'000);
  r.Dodaj(250'000'000);
  r.Dodaj(-5);  // a clock that went back counts as zero
  EXPECT_EQ(r.Ile(), 101);
  struct Przypadek {
    double p;
    double ms;
  };
  for (const Przypadek& c : {Przypadek{0.0, 0.01}, {0.5, 0.51}, {0.98, 0.51}, {0.99, 3.01}, {1.0, 250.0}}) {
    EXPECT_NEAR(r.Percentyl(c.p), c.ms, 1e-9) << c.p;
  }
  EXPECT_EQ(r.MaksimumMs(), 250.0);
  EXPECT_EQ(r.Napis("ticks"), "101 ticks, p50 0.51 ms, p99 3.01 ms, max 250.00 ms");
}
