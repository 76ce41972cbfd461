#include "core/ListaPlikow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "support/TempDir.h"

namespace {

std::vector<String> Sorted(ListaPlikow& list) {
  std::vector<String> names;
  for (int i = 0; i < list.count; ++i) names.push_back(list[i]);
  std::sort(names.begin(), names.end());
  return names;
}

class ListaPlikowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.wav", "b.wav", "ab.mp3", ".ukryty.wav", "nagranie [1].wav",
                             "żółw.wav", "zolw.wav"}) {
      std::ofstream(dir / name) << "x";
    }
    mkdir((dir / "katalog.wav").c_str(), 0755);
  }
  TempDir dir;
};

}  // namespace

TEST_F(ListaPlikowTest, MasksTable) {
  const struct {
    String pattern;
    std::vector<String> expected;
  } cases[] = {
      {"*.wav", {".ukryty.wav", "a.wav", "b.wav", "katalog.wav", "nagranie [1].wav",
                 "zolw.wav", "żółw.wav"}},
      {"?.wav", {"a.wav", "b.wav"}},
      {"a*", {"a.wav", "ab.mp3"}},
      {"*.mp3", {"ab.mp3"}},
      {"ab.mp3", {"ab.mp3"}},
      {"nagranie [1].wav", {"nagranie [1].wav"}},  // "[" is an ordinary character
      {"?ółw.wav", {"żółw.wav"}},                   // "?" is one letter, not one byte
      {"z??w.wav", {"zolw.wav"}},
      {"*.txt", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    ListaPlikow list(dir / c.pattern);
    EXPECT_EQ(Sorted(list), c.expected);
  }
}

TEST_F(ListaPlikowTest, MissingDirectoryGivesEmptyList) {
  ListaPlikow list(dir / "brak/*.wav");
  EXPECT_EQ(list.count, 0);
}

TEST(PasujeDoMaski, Wildcards) {
  const struct {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"abc", "*", true},       {"", "*", true},          {"", "?", false},
      {"abc", "a*c", true},     {"abc", "a*b", false},    {"aXbXc", "a*b*c", true},
      {"abcbd", "*b?", true},   {"abc", "????", false},   {"ab", "a**b", true},
      {"\xff\xfe", "??", true},  // invalid UTF-8: each bad byte is one character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PasujeDoMaski(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
  }
}
