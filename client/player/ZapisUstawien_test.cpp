#include "player/ZapisUstawien.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Exception.h"
#include "support/TempDir.h"

namespace {

String Czytaj(const String& sciezka) {
  std::ifstream in(sciezka, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t IlePlikow(const TempDir& d) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(d.Path())) ++n;
  return n;
}

// The file changes only at Zatwierdz, whole, in Windows-1250 with CR LF, keeping its mode;
// a value never breaks its line.
TEST(ZapisUstawien, ReplacesTheFileWholeOnlyWhenCommitted) {
  TempDir d;
  const String plik = d / "KorwendoGraU.ini";
  {
    std::ofstream(plik, std::ios::binary) << "stare";
  }
  chmod(plik.c_str(), 0640);
  {
    ZapisUstawien z(plik);
    z.Writeln("[Opcje]");
    z.WriteIniValue("PokazTylko", "Dwójka\r\n€");
    EXPECT_EQ(Czytaj(plik), "stare") << "nothing is seen before the commit";
    EXPECT_EQ(IlePlikow(d), 2u);
    z.Zatwierdz();
  }
  EXPECT_EQ(Czytaj(plik), "[Opcje]\r\nPokazTylko=Dw\xF3jka  \x80\r\n");
  EXPECT_EQ(IlePlikow(d), 1u);
  struct stat st {};
  ASSERT_EQ(stat(plik.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  {
    ZapisUstawien z(plik);
    z.Writeln("[Serwery]");
    // Dropped without a commit, as when saving fails half way: the old file stays.
  }
  EXPECT_EQ(Czytaj(plik), "[Opcje]\r\nPokazTylko=Dw\xF3jka  \x80\r\n");
  EXPECT_EQ(IlePlikow(d), 1u) << "the temporary file is removed";

  // A new file is the user's own.
  const String nowy = d / "KorwendoGra.ini";
  ZapisUstawien z(nowy);
  z.Zatwierdz();
  ASSERT_EQ(stat(nowy.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 0);
}

TEST(ZapisUstawien, FailuresRaiseAndKeepTheOldFile) {
  TempDir d;
  EXPECT_THROW(ZapisUstawien(d / "nie-ma/KorwendoGra.ini"), Exception);
  // A directory in the file's place cannot be replaced by a file.
  const String katalog = d / "KorwendoGra.ini";
  mkdir(katalog.c_str(), 0700);
  ZapisUstawien z(katalog);
  z.Writeln("[Serwery]");
  try {
    z.Zatwierdz();
    ADD_FAILURE() << "replacing a directory succeeded";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("nie można zastąpić \"" + katalog + "\""), String::npos) << e.Message();
  }
  EXPECT_TRUE(std::filesystem::is_directory(katalog));
}

}  // namespace
