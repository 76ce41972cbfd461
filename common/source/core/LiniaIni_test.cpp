#include "core/LiniaIni.h"

#include <gtest/gtest.h>

namespace {

String Opis(const std::vector<LiniaIni>& linie) {
  String s;
  for (const LiniaIni& l : linie) {
    static const char* const kRodzaje[] = {"S", "W", "N", "B"};
    s += std::to_string(l.numer) + kRodzaje[l.rodzaj] + "<" + l.nazwa + "|" + l.wartosc + "|" + l.tekst + ">\n";
  }
  return s;
}

// The same text under both rules: where a comment may follow a value and where it may not.
TEST(LiniaIni, ReadsLinesUnderEitherRule) {
  const String tekst =
      "\xEF\xBB\xBF; komentarz\r\n"
      "\r\n"
      "  [ Zegar ; stary ] ; nowy\r\n"
      "katalog = /srv/a;b ; stary\r\n"
      "\tnazwa=#1\t# nr\n"
      "[bez konca\n"
      "smieci\n"
      "=pusty klucz\n"
      "[a]b]";
  EXPECT_EQ(Opis(CzytajLinieIni(tekst)),
            "3S<Zegar ; stary||[ Zegar ; stary ] ; nowy>\n"
            "4W<katalog|/srv/a;b ; stary|katalog = /srv/a;b ; stary>\n"
            "5W<nazwa|#1\t# nr|nazwa=#1\t# nr>\n"
            "6N<||[bez konca>\n"
            "7B<||smieci>\n"
            "8W<|pusty klucz|=pusty klucz>\n"
            "9S<a||[a]b]>\n");
  EXPECT_EQ(Opis(CzytajLinieIni(tekst, {.komentarzZaWartoscia = true})),
            "3S<Zegar ; stary||[ Zegar ; stary ] ; nowy>\n"
            "4W<katalog|/srv/a;b|katalog = /srv/a;b>\n"
            "5W<nazwa|#1|nazwa=#1>\n"
            "6N<||[bez konca>\n"
            "7B<||smieci>\n"
            "8W<|pusty klucz|=pusty klucz>\n"
            "9S<a]b||[a]b]>\n");
}

TEST(LiniaIni, EmptyAndCommentOnlyTexts) {
  for (const String& t : {String(), String("\xEF\xBB\xBF"), String("\n\n  \r\n"), String("# a\n;b")}) {
    EXPECT_TRUE(CzytajLinieIni(t).empty()) << t;
  }
}

}  // namespace
