#include "core/Parser.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One step applied to a parser: a Getto with its delimiter, Getword, or GetRest.
struct Step {
  enum Kind { To, Word, Rest } kind;
  char delimiter;
  String expected;
};

struct Case {
  const char* name;
  String text;
  std::vector<Step> steps;
};

}  // namespace

TEST(Parser, TokenTable) {
  const Step::Kind To = Step::To, Word = Step::Word, Rest = Step::Rest;
  const Case cases[] = {
      {"blanks around words", "  abc def ",
       {{Word, 0, "abc"}, {Word, 0, "def"}, {Word, 0, ""}, {Word, 0, ""}, {Rest, 0, ""}}},
      {"address keeps its colon for GetRest", "host:12540",
       {{To, ':', "host"}, {Rest, 0, ":12540"}, {Rest, 0, ""}}},
      {"address, second Getto skips the colon", "host:12540",
       {{To, ':', "host"}, {To, ':', "12540"}, {To, ':', ""}}},
      {"run of delimiters is skipped", "a,,b", {{To, ',', "a"}, {To, ',', "b"}, {To, ',', ""}}},
      {"leading tab belongs to the first word", "\tx y", {{Word, 0, "\tx"}, {Word, 0, "y"}}},
      {"tabs and CR LF are trimmed after a token", "ping \t12 34\r\n",
       {{Word, 0, "ping"}, {Rest, 0, "12 34"}}},
      {"a tab does not end a word", "ping\t 12", {{Word, 0, "ping\t"}, {Word, 0, "12"}}},
      {"station target", "Dwójka@radio.example:12540",
       {{To, '@', "Dwójka"}, {To, '@', "radio.example:12540"}}},
      {"UTF-8 letters at the end are not blanks", "ala żółć",
       {{Word, 0, "ala"}, {Rest, 0, "żółć"}}},
      {"blanks inside a delimited token stay", "a b;c", {{To, ';', "a b"}, {Rest, 0, ";c"}}},
      {"empty text", "", {{Word, 0, ""}, {To, ':', ""}, {Rest, 0, ""}}},
      {"only delimiters", ":::", {{To, ':', ""}, {Rest, 0, ""}}},
      {"missing port", "host", {{To, ':', "host"}, {To, ':', ""}}},
      {"leading spaces skipped, trailing kept in the rest", "  set 5  ",
       {{Word, 0, "set"}, {Rest, 0, "5"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Parser parser(c.text);
    for (const Step& step : c.steps) {
      switch (step.kind) {
        case Step::To: EXPECT_EQ(parser.Getto(step.delimiter), step.expected); break;
        case Step::Word: EXPECT_EQ(parser.Getword(), step.expected); break;
        case Step::Rest: EXPECT_EQ(parser.GetRest(), step.expected); break;
      }
    }
  }
}

TEST(Parser, ConstructionDoesNotTrim) {
  EXPECT_EQ(Parser("  x \n").GetRest(), "  x \n");
}

TEST(Parser, ReadsChain) {
  Parser parser("setkolorznacznik 01D3A1B2C3D4E5F6 FF00FF");
  String command, time, colour, extra = "untouched?";
  parser >> command >> time >> colour >> extra;
  EXPECT_EQ(command, "setkolorznacznik");
  EXPECT_EQ(time, "01D3A1B2C3D4E5F6");
  EXPECT_EQ(colour, "FF00FF");
  EXPECT_EQ(extra, "");
}
