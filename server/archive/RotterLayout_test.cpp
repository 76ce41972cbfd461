#include "archive/RotterLayout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/ArchiveFixtures.h"
#include "core/Exception.h"
#include "support/TempDir.h"

namespace {

using fixtures::Utc;

TimeZone Cet() { return TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3"); }

using R = RotterLayout::Rodzaj;

struct Przypadek {
  R rodzaj;
  const char* nazwa;
  const char* sciezka;
  Roznica rozdzielczosc;
};

TEST(RotterLayoutTest, EveryLayoutNamesAndReadsItsFiles) {
  const Czas t = Utc(2024, 3, 5, 14, 7, 9, 378);
  const Przypadek przypadki[] = {
      {R::Flat, "", "2024-03-05-14.mp3", Roznica::Godzina},
      {R::Flat, "radio", "radio-2024-03-05-14.mp3", Roznica::Godzina},
      {R::Hierarchy, "", "2024/03/05/14/archive.mp3", Roznica::Godzina},
      {R::Hierarchy, "radio", "2024/03/05/14/radio.mp3", Roznica::Godzina},
      {R::Combo, "", "2024/03/05/14/2024-03-05-14.mp3", Roznica::Godzina},
      {R::Combo, "radio", "2024/03/05/14/radio-2024-03-05-14.mp3", Roznica::Godzina},
      {R::Dailydir, "", "2024-03-05/2024-03-05-14.mp3", Roznica::Godzina},
      {R::Dailydir, "radio", "2024-03-05/radio-2024-03-05-14.mp3", Roznica::Godzina},
      {R::Accurate, "", "2024-03-05/2024-03-05-14-07-09-37.mp3", Roznica::Milisekunda * 10},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.sciezka);
    const RotterLayout l(p.rodzaj, "mp3", p.nazwa, true);
    EXPECT_EQ(l.Sciezka(t), p.sciezka);
    const auto n = l.Czytaj(p.sciezka);
    ASSERT_TRUE(n.has_value());
    ASSERT_EQ(n->utc.size(), 1u);
    EXPECT_EQ(n->rozdzielczosc, p.rozdzielczosc);
    // The name states its start truncated to its precision.
    EXPECT_LE(n->utc[0], t);
    EXPECT_GT(n->utc[0] + p.rozdzielczosc, t);
  }
}

TEST(RotterLayoutTest, CustomPatterns) {
  const Czas t = Utc(2024, 3, 5, 4, 7, 9);
  struct {
    const char* wzor;
    const char* sciezka;
    Czas start;
  } przypadki[] = {
      {"%Y/%j/%H%M", "2024/065/0407.wav", Utc(2024, 3, 5, 4, 7)},
      {"%F/%T", "2024-03-05/04:07:09.wav", t},
      {"%y%m%d-%k", "240305- 4.wav", Utc(2024, 3, 5, 4)},
      {"rec-%s", "rec-1709611629.wav", t},
      {"100%%/%Y-%m-%e_%R", "100%/2024-03- 5_04:07.wav", Utc(2024, 3, 5, 4, 7)},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.wzor);
    const RotterLayout l = RotterLayout::ZWzoru(p.wzor, "wav", true);
    EXPECT_EQ(l.Sciezka(t), p.sciezka);
    const auto n = l.Czytaj(p.sciezka);
    ASSERT_TRUE(n.has_value());
    EXPECT_EQ(n->utc, std::vector<Czas>{p.start});
  }
  EXPECT_THROW(RotterLayout::ZWzoru("%Y-%b", "mp3"), Exception);
  EXPECT_THROW(RotterLayout::ZWzoru("", "mp3"), Exception);
  EXPECT_THROW(RotterLayout::ZNapisu("yearly", "mp3"), Exception);
  EXPECT_EQ(RotterLayout::ZNapisu("dailydir", "mp2").Sciezka(t).substr(0, 11), "2024-03-05/");
}

TEST(RotterLayoutTest, ForeignAndImpossibleNamesAreNotFiles) {
  const RotterLayout flat(R::Flat, "mp3", "", true);
  for (const char* zla : {"2024-13-05-14.mp3", "2024-02-30-14.mp3", "2024-03-05-24.mp3", ".2024-03-05-14.mp3.part",
                          "2024-03-05-14.wav", "x2024-03-05-14.mp3", "2024-03-05-1.mp3", "2024-03-05-14.mp3x",
                          "sub/2024-03-05-14.mp3"}) {
    EXPECT_FALSE(flat.Czytaj(zla).has_value()) << zla;
  }
  // The hour of the directory and of the file name must agree.
  const RotterLayout combo(R::Combo, "mp3", "", true);
  EXPECT_FALSE(combo.Czytaj("2024/03/05/14/2024-03-05-15.mp3").has_value());
  EXPECT_TRUE(combo.Czytaj("2024/03/05/14/2024-03-05-14.mp3").has_value());
}

TEST(RotterLayoutTest, LocalNamesAcrossDaylightSavingChanges) {
  const RotterLayout l(R::Flat, "mp3", "", false, Cet());
  EXPECT_EQ(l.Sciezka(Utc(2024, 3, 5, 14)), "2024-03-05-15.mp3");
  EXPECT_EQ(l.Sciezka(Utc(2024, 7, 5, 14)), "2024-07-05-16.mp3");
  // Clocks go forward at 01:00 UTC on 31 March: local 02 never happens, 01 and 03 follow
  // each other with no hour between them.
  EXPECT_EQ(l.Czytaj("2024-03-31-01.mp3")->utc, std::vector<Czas>{Utc(2024, 3, 31, 0)});
  EXPECT_EQ(l.Czytaj("2024-03-31-03.mp3")->utc, std::vector<Czas>{Utc(2024, 3, 31, 1)});
  EXPECT_EQ(l.Sciezka(Utc(2024, 3, 31, 0, 59)), "2024-03-31-01.mp3");
  EXPECT_EQ(l.Sciezka(Utc(2024, 3, 31, 1)), "2024-03-31-03.mp3");
  // Clocks go back at 01:00 UTC on 27 October: local 02 happens twice.
  EXPECT_EQ(l.Czytaj("2024-10-27-02.mp3")->utc, (std::vector<Czas>{Utc(2024, 10, 27, 0), Utc(2024, 10, 27, 1)}));
  EXPECT_EQ(l.Sciezka(Utc(2024, 10, 27, 0, 30)), "2024-10-27-02.mp3");
  EXPECT_EQ(l.Sciezka(Utc(2024, 10, 27, 1, 30)), "2024-10-27-02.mp3");
  EXPECT_EQ(l.Czytaj("2024-10-27-03.mp3")->utc, std::vector<Czas>{Utc(2024, 10, 27, 2)});
}

TEST(RotterLayoutTest, ListsOnlyItsOwnFiles) {
  TempDir dir;
  const RotterLayout l(R::Combo, "mp3", "radio", true);
  const std::vector<String> nasze = {"2024/03/05/13/radio-2024-03-05-13.mp3", "2024/03/05/14/radio-2024-03-05-14.mp3",
                                     "2024/03/06/00/radio-2024-03-06-00.mp3"};
  const std::vector<String> obce = {"2024/03/05/14/radio-2024-03-05-14.mp2", "2024/03/05/14/notes.txt",
                                    "2024/03/05/14/.radio-2024-03-05-14.mp3.part", "2024/3/05/14/radio-2024-03-05-14.mp3",
                                    "radio-2024-03-05-14.mp3"};
  for (const auto& lista : {nasze, obce}) {
    for (const String& s : lista) {
      std::filesystem::create_directories(std::filesystem::path(dir / s).parent_path());
      std::ofstream(dir / s) << "x";
    }
  }
  // A directory named like a file is not a file.
  std::filesystem::create_directories(dir / "2024/03/05/15/radio-2024-03-05-15.mp3");
  EXPECT_EQ(l.Pliki(dir.Path()), nasze);
  EXPECT_TRUE(l.Pliki(dir / "missing").empty());
}

}  // namespace
