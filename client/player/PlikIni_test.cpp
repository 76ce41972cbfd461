#include "player/PlikIni.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace {

void Zapisz(const String& sciezka, const String& bajty) {
  std::ofstream(sciezka, std::ios::binary) << bajty;
}

// The platform's profile reading: names without regard to case, blanks dropped, the first
// of repeated keys, Windows-1250 text; anything else on a line is skipped, not fatal.
TEST(PlikIni, ReadsTolerantly) {
  TempDir d;
  Zapisz(d / "a.ini",
         "\xEF\xBB\xBF; komentarz\r\n"
         "[Serwery]\r\n"
         "Serwer0=host:2000\r\n"
         "  sERWER1 =  drugi:1 \r\n"
         "śmieci bez znaku równości\r\n"
         "Serwer0=powtorzony\r\n"
         "[Opcje\r\n"
         "Zgubiony=1\r\n"
         "[ zakladki ]\n"
         "Opis0=Zak\xB3" "adka \xB9\xE6\r\n"
         "Pusty=\r\n"
         "[SERWERY]\r\n"
         "Serwer2=z drugiej sekcji\r\n");
  const PlikIni f(d / "a.ini");
  EXPECT_EQ(f.DajStan(), PlikIni::Wczytany);
  const struct {
    String sekcja, klucz, wartosc;
  } cases[] = {
      {"Serwery", "Serwer0", "host:2000"},
      {"serwery", "SERWER1", "drugi:1"},
      {"Serwery", "Serwer2", "z drugiej sekcji"},
      {"Serwery", "Serwer3", ""},
      {"Opcje", "Zgubiony", ""},
      {"Zakladki", "opis0", "Zakładka ąć"},
      {"Zakladki", "Pusty", ""},
      {"Brak", "Nic", ""},
  };
  for (const auto& k : cases) EXPECT_EQ(f.Czytaj(k.sekcja, k.klucz), k.wartosc) << k.sekcja << "/" << k.klucz;
}

TEST(PlikIni, MissingAndUnreadableFiles) {
  LogCapture log;
  TempDir d;
  const PlikIni brak(d / "nie-ma.ini");
  EXPECT_EQ(brak.DajStan(), PlikIni::Brak);
  EXPECT_EQ(brak.Czytaj("a", "b"), "");
  EXPECT_TRUE(log.Text().empty());

  mkdir((d / "katalog.ini").c_str(), 0700);
  const PlikIni katalog(d / "katalog.ini");
  EXPECT_EQ(katalog.DajStan(), PlikIni::Nieczytelny);
  EXPECT_NE(log.Text().find("nie można czytać"), String::npos) << log.Text();
}

}  // namespace
