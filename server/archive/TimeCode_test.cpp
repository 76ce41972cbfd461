#include "archive/TimeCode.h"

#include <gtest/gtest.h>

#include "archive/ArchiveFixtures.h"
#include "archive/TimeCodeProbe.h"

namespace {

TEST(TimeCodeTest, TonesOfEverySlot) {
  // 2024-03-05 14:07:09 UTC: second 9, minute 7, hour 14.
  const int64_t s = 1709647629;
  EXPECT_EQ(TimeCode::Ton(s, 0), 0);
  for (int slot = 1; slot <= 4; ++slot) EXPECT_EQ(TimeCode::Ton(s, slot), 950);
  for (int slot = 5; slot <= 8; ++slot) EXPECT_EQ(TimeCode::Ton(s, slot), 850);
  EXPECT_EQ(TimeCode::Ton(s, 9), 1200);

  for (int rate : {22050, 44100, 48000}) {
    SCOPED_TRACE(rate);
    const TimeCode kod(rate);
    std::vector<int16_t> x(static_cast<size_t>(rate) * 2);
    kod.Probki(s * rate, rate, 2, x.data());
    // Slot 0 is silent; tones are half of full scale and fade in over 5 ms.
    for (int i = 0; i < rate / 10; ++i) ASSERT_EQ(x[static_cast<size_t>(2 * i)], 0);
    int16_t szczyt = 0;
    for (int i = rate / 10; i < rate; ++i) szczyt = std::max<int16_t>(szczyt, x[static_cast<size_t>(2 * i)]);
    EXPECT_NEAR(szczyt, 16383, 2);
    EXPECT_LT(std::abs(x[static_cast<size_t>(2 * (rate / 10 + rate / 1000))]), 16383 / 5);
    EXPECT_EQ(x[1], x[0]);
  }
}

TEST(TimeCodeTest, ProbeReadsTheCodeAndMeasuresItsOffset) {
  const int rate = 44100;
  const TimeCode kod(rate);
  const Czas t0 = fixtures::Utc(2024, 3, 5, 23, 59, 57);
  std::vector<int16_t> x(static_cast<size_t>(rate) * 7);
  kod.Probki(TimeCode::NumerProbki(t0, rate), rate * 7, 1, x.data());
  const auto dobre = probe::Czytaj(x, rate, t0);
  ASSERT_EQ(dobre.size(), 5u);  // those with 400 ms of audio on either side
  for (const auto& s : dobre) {
    EXPECT_TRUE(s.Zgadza()) << s.oczekiwana;
    EXPECT_NEAR(s.przesuniecieMs, 0, 0.1);
  }
  EXPECT_EQ(dobre[1].godzina, 23);
  EXPECT_EQ(dobre[2].godzina, 0);  // past midnight
  EXPECT_EQ(dobre[2].sekunda, 0);
  // Audio said to start 25 ms later than it does is heard 25 ms late by whoever trusts
  // that time.
  const auto przesuniete = probe::Czytaj(x, rate, t0 + Roznica::Milisekunda * 25);
  ASSERT_FALSE(przesuniete.empty());
  for (const auto& s : przesuniete) EXPECT_NEAR(s.przesuniecieMs, 25, 0.5);
  // Off by more than a slot, and by a whole second: found, and read as what they are.
  for (const auto& s : probe::Czytaj(x, rate, t0 - Roznica::Milisekunda * 230)) EXPECT_NEAR(s.przesuniecieMs, -230, 0.5);
  const auto zle = probe::Czytaj(x, rate, t0 - Roznica::Sekunda);
  for (const auto& s : zle) EXPECT_FALSE(s.Zgadza());
}

}  // namespace
