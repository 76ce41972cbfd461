#include "core/TekstUtf8.h"

#include <gtest/gtest.h>

// Characters are counted as UTF-8 sequences, and a long text is cut after the 200th.
TEST(Cytat, QuotesAtMost200Characters) {
  struct Przypadek {
    String tekst;
    String cytat;
  };
  const String l200(200, 'l');
  String l200ok;  // 200 two-byte characters
  for (int i = 0; i < 200; ++i) l200ok += "\xC5\x82";
  const Przypadek tabela[] = {
      {"", "\"\""},
      {"Zegar", "\"Zegar\""},
      {l200, "\"" + l200 + "\""},
      {l200 + "x", "\"" + l200 + "…\" (201 znaków)"},
      {l200ok, "\"" + l200ok + "\""},
      {l200ok + "\xC5\x82\xC5\x82", "\"" + l200ok + "…\" (202 znaków)"},
      // Stray bytes count one each.
      {String(250, '\xFF'), "\"" + String(200, '\xFF') + "…\" (250 znaków)"},
  };
  for (const Przypadek& p : tabela) {
    SCOPED_TRACE(p.tekst.size());
    EXPECT_EQ(Cytat(p.tekst), p.cytat);
    EXPECT_EQ(Skrot(p.tekst), LiczbaZnakow(p.tekst) <= 200 ? p.tekst : p.cytat);
  }
}

TEST(TekstUtf8, WellFormedAndCounted) {
  struct Przypadek {
    String tekst;
    bool poprawny;
    size_t znakow;
  };
  const Przypadek tabela[] = {
      {"", true, 0},
      {"Radio \xC5\x81\xC3\xB3" "d\xC5\xBA", true, 10},
      {"\xF0\x9F\x8E\xB5", true, 1},
      {"\xFF\xFE", false, 2},
      {"\xC0\xAF", false, 1},          // overlong "/"
      {"\xED\xA0\x80", false, 1},      // a surrogate
      {"a\xC5", false, 2},              // cut short
      {"\x80x", false, 2},              // a stray continuation byte first
  };
  for (const Przypadek& p : tabela) {
    SCOPED_TRACE(p.tekst);
    EXPECT_EQ(PoprawneUtf8(p.tekst), p.poprawny);
    EXPECT_EQ(LiczbaZnakow(p.tekst), p.znakow);
  }
}
