#include "archive/WavInfo.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "archive/ArchiveFixtures.h"

namespace {

TEST(WavInfoTest, BroadcastStartFromDateAndTimeReference) {
  const int rate = 48000;
  const uint64_t dzien = 86400ull * rate;
  struct Przypadek {
    const char* data;
    uint64_t probki;
    std::optional<Czas> start;
  };
  const Przypadek przypadki[] = {
      {"2024-05-01", 0, fixtures::Utc(2024, 5, 1, 0)},
      {"2024-05-01", 36000ull * rate + rate / 2, fixtures::Utc(2024, 5, 1, 10, 0, 0, 500)},
      // A recording that went on past midnight may count on from the day it began.
      {"2024-05-01", dzien + 60ull * rate, fixtures::Utc(2024, 5, 2, 0, 1)},
      {"9999-12-31", dzien - rate, fixtures::Utc(9999, 12, 31, 23, 59, 59)},
      // References the date cannot carry: the start would fall after 9999-12-31, or
      // beyond any time at all.
      {"9999-12-31", dzien, std::nullopt},
      {"2024-05-01", UINT64_MAX, std::nullopt},
      {"2024-05-01", UINT64_MAX / 1000, std::nullopt},
      {"1601-01-01", 8400ull * 366 * dzien, std::nullopt},
      {"2024-13-01", 0, std::nullopt},
      {"2024-05-0x", 0, std::nullopt},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(std::string(p.data) + " + " + std::to_string(p.probki));
    WavInfo w;
    w.kanaly = 1;
    w.czestotliwosc = rate;
    w.blok = 2;
    w.maBext = true;
    w.bextData = p.data;
    w.bextProbki = p.probki;
    EXPECT_EQ(w.BextPoczatek(), p.start);
  }
  WavInfo bez;
  bez.czestotliwosc = rate;
  bez.bextData = "2024-05-01";
  EXPECT_EQ(bez.BextPoczatek(), std::nullopt);
}

}  // namespace
