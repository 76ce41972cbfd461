#include "core/Cp1250.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

TEST(Cp1250, Table) {
  const struct {
    const char* name;
    String utf8;
    String cp1250;
  } cases[] = {
      {"ASCII unchanged", "play 01D3A1B2C3D4E5F6\r\n", "play 01D3A1B2C3D4E5F6\r\n"},
      {"empty", "", ""},
      {"small Polish letters", "ąćęłńóśźż", "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF"},
      {"capital Polish letters", "ĄĆĘŁŃÓŚŹŻ", "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF"},
      {"euro sign is in the code page", "10 €", "10 \x80"},
      {"a station name", "Dwójka", "Dw\xF3jka"},
      {"zero byte survives", String("a\0b", 3), String("a\0b", 3)},
      {"C1 control of an unassigned byte", "\xC2\x81", "\x81"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToCp1250(c.utf8), c.cp1250);
    EXPECT_EQ(FromCp1250(c.cp1250), c.utf8);
  }
}

TEST(Cp1250, WhatTheCodePageLacksBecomesAQuestionMark) {
  const struct {
    const char* name;
    String utf8;
    String cp1250;
  } cases[] = {
      {"CJK character", "a漢b", "a?b"},
      {"letter outside the code page", "ñ", "?"},
      {"character outside the BMP", "x😀y", "x?y"},
      {"stray continuation byte", "a\x80z", "a?z"},
      {"invalid lead byte", "\xFF\xFEż", "??\xBF"},
      {"overlong slash", "\xC0\xAF", "??"},
      {"encoded surrogate", "\xED\xA0\x80", "???"},
      {"cut off at the end", "ą\xC4", "\xB9?"},
      {"cut off three-byte sequence", "\xE6\xBC", "??"},
      {"cut off in the middle", "\xC4" "a", "?a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToCp1250(c.utf8), c.cp1250);
  }
}

TEST(Cp1250, EveryByteRoundTrips) {
  String all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const String utf8 = FromCp1250(all);
  EXPECT_EQ(ToCp1250(utf8), all);
  // No byte was replaced: the one "?" is the byte 0x3F itself.
  EXPECT_EQ(std::count(utf8.begin(), utf8.end(), '?'), 1);
}

TEST(Cp1250, ThreadsConvertIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 2000; ++i) {
        if (ToCp1250("zażółć gęślą jaźń 漢") != "za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 ?" ||
            FromCp1250("\xA3\xF3" "d\x9F") != "Łódź") {
          ++failures[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}
