#include "common/BazaZintegrowana.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "core/Exception.h"
#include "support/CoreBytes.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

Czas S(std::int64_t s) { return Czas(s * 10000000); }
Przedzial P(std::int64_t a, std::int64_t b) { return Przedzial(S(a), S(b)); }

// Events "Wiadomości" [0, 300] and [3600, 3900], "Reklamy" [900, 1020]; markers
// "Sygnał" at 600, 1800 and 3000.
BazaZintegrowana Przyklad() {
  BazaZintegrowana b;
  b.iwenty.DajPrzedzialy("Wiadomości").Add(P(0, 300));
  b.iwenty.DajPrzedzialy("Wiadomości").Add(P(3600, 3900));
  b.iwenty.DajPrzedzialy("Reklamy").Add(P(900, 1020));
  for (int s : {600, 1800, 3000}) b.Markery("Sygnał").Dodaj(S(s));
  return b;
}

TEST(BazaZintegrowana, EmptyBaseIsTwoZeroCounts) {
  BazaZintegrowana b;
  EXPECT_EQ(Hex(Zapisz(b)), "00000000" "00000000");
  EXPECT_EQ(b.Name(), "BazaZintegrowana");
  EXPECT_EQ(b.Version(), 1);
  EXPECT_EQ(b.Opis(), "iwenty: markery:");
  EXPECT_EQ(b.ListaMarkerow(), "");
}

TEST(BazaZintegrowana, EncodesEventsThenKindsInNameOrder) {
  BazaZintegrowana b;
  b.iwenty.DajPrzedzialy("E");
  b.Markery("b").Dodaj(Czas(1));
  b.Markery("a");
  EXPECT_EQ(Hex(Zapisz(b)),
            "01000000" "01000000" "45" "00000000"  // one event kind "E", no intervals
            "02000000"                              // two marker kinds
            "01000000" "61" "00000000"              // "a", no moments
            "01000000" "62" "01000000" "0100000000000000");  // "b" at 1
}

TEST(BazaZintegrowana, RoundTripsAndReadingReplaces) {
  BazaZintegrowana b = Przyklad();
  b.Markery("Pusty");
  Core c = Zapisz(b);
  BazaZintegrowana r;
  r.Markery("Stary").Dodaj(S(1));
  r.iwenty.DajPrzedzialy("Stare");
  IniCore f(c, 0);
  r.lsa(f);
  EXPECT_EQ(f.Position(), c.Size());
  EXPECT_EQ(r.Opis(), b.Opis());
  EXPECT_EQ(r.markery, b.markery);
  EXPECT_EQ(r.iwenty.DajPrzedzialy("Wiadomości").Wszystkie(),
            b.iwenty.DajPrzedzialy("Wiadomości").Wszystkie());
}

TEST(BazaZintegrowana, ARepeatedKindKeepsTheFirst) {
  Core bajty = ZHex("00000000"
                    "02000000"
                    "01000000" "61" "01000000" "0100000000000000"
                    "01000000" "61" "01000000" "0200000000000000");
  BazaZintegrowana b;
  IniCore f(bajty, 0);
  b.lsa(f);
  ASSERT_EQ(b.markery.size(), 1U);
  EXPECT_TRUE(b.markery["a"].Zawiera(Czas(1)));
  EXPECT_FALSE(b.markery["a"].Zawiera(Czas(2)));
}

TEST(BazaZintegrowana, TextsOfTheBase) {
  BazaZintegrowana b = Przyklad();
  b.Markery("Alarm");
  EXPECT_EQ(b.Opis(),
            "iwenty:\"Wiadomości\": 2, \"Reklamy\": 1,  markery:Alarm(0),Sygnał(3),");
  EXPECT_EQ(b.ListaMarkerow(), "Alarm\r\nSygnał\r\n");
  EXPECT_EQ("Cały program\r\n" + b.iwenty.DajListe() + b.ListaMarkerow(),
            "Cały program\r\nWiadomości\r\nReklamy\r\nAlarm\r\nSygnał\r\n");
}

TEST(BazaZintegrowana, DodajBringsInKindsItLacks) {
  BazaZintegrowana b = Przyklad();
  BazaZintegrowana zmiana;
  zmiana.Markery("Nowy").Dodaj(S(5));
  zmiana.Markery("Nowy").Dodaj(S(6));
  zmiana.Markery("Sygnał").Dodaj(S(4200));
  zmiana.iwenty.DajPrzedzialy("Sport").Add(P(5000, 5100));
  b.Dodaj(zmiana);
  EXPECT_EQ(b.Markery("Nowy").Ile(), 2);
  EXPECT_EQ(b.Markery("Sygnał").Ile(), 4);
  EXPECT_EQ(b.iwenty.DajListe(), "Wiadomości\r\nReklamy\r\nSport\r\n");
  // The copy is the base's own.
  zmiana.Markery("Nowy").Dodaj(S(7));
  EXPECT_EQ(b.Markery("Nowy").Ile(), 2);
}

TEST(BazaZintegrowana, OdejmijIgnoresWhatIsNotThereAndKeepsEmptiedKinds) {
  BazaZintegrowana b = Przyklad();
  const String przed = b.Opis();
  BazaZintegrowana obce;
  obce.Markery("Nieznany").Dodaj(S(600));
  obce.iwenty.DajPrzedzialy("Nieznane").Add(P(0, 10000));
  b.Odejmij(obce);
  EXPECT_EQ(b.Opis(), przed);
  EXPECT_EQ(b.markery.count("Nieznany"), 0U);

  BazaZintegrowana wszystkie;
  for (int s : {600, 1800, 3000}) wszystkie.Markery("Sygnał").Dodaj(S(s));
  b.Odejmij(wszystkie);
  EXPECT_EQ(b.Markery("Sygnał").Opis(), "(0)");
  EXPECT_EQ(b.ListaMarkerow(), "Sygnał\r\n");

  b.Odejmij(b);
  EXPECT_EQ(b.Opis(), "iwenty:\"Wiadomości\": 0, \"Reklamy\": 0,  markery:Sygnał(0),");
}

TEST(BazaZintegrowana, EverythingCannotLoseSingleKinds) {
  BazaZintegrowana b;
  b.iwenty.UstawWszystko();
  BazaZintegrowana zmiana = Przyklad();
  const String blad = Blad([&] { b.Odejmij(zmiana); });
  EXPECT_EQ(blad.rfind("dp.c==-1 in file", 0), 0U) << blad;
  b.Wyczysc();
  EXPECT_FALSE(b.iwenty.Wszystko());
  EXPECT_EQ(b.Opis(), "iwenty: markery:");
}

TEST(BazaZintegrowana, RefusesHostilePayloads) {
  const struct {
    const char* nazwa;
    const char* hex;
    const char* poczatek;
  } przypadki[] = {
      {"huge kind count", "00000000" "FFFFFF7F", "Odczytana liczba elementow 2147483647 "},
      {"negative kind count", "00000000" "FFFFFFFF", "Odczytana liczba elementow -1 ujemna"},
      {"huge moment count", "00000000" "01000000" "00000000" "FFFFFF0F",
       "Odczytana liczba elementow 268435455 "},
      {"huge name", "00000000" "01000000" "FFFFFF7F" "00000000", "Odczytana długość "},
      {"huge event count", "FFFFFF7F", "Odczytana liczba zbiorow 2147483647 "},
      {"name longer than the rest", "00000000" "01000000" "05000000" "61626364",
       "Odczytana długość 5 większa niż pozostałe 4 bajtów"},
  };
  for (const auto& c : przypadki) {
    Core bajty = ZHex(c.hex);
    BazaZintegrowana b;
    IniCore f(bajty, 0);
    const String blad = Blad([&] { b.lsa(f); });
    EXPECT_EQ(blad.rfind(c.poczatek, 0), 0U) << c.nazwa << ": " << blad;
  }
}

TEST(BazaZintegrowana, DamagedEncodingsDecodeOrRaise) {
  BazaZintegrowana wzor = Przyklad();
  const Core dobre = Zapisz(wzor);
  std::mt19937 los(2003);
  int udane = 0;
  for (int proba = 0; proba < 3000; ++proba) {
    Core bajty = dobre;
    for (int k = 0; k < 1 + proba % 3; ++k) {
      bajty.Data()[los() % static_cast<unsigned>(bajty.Size())] = static_cast<char>(los());
    }
    if (proba % 4 == 0) bajty.SetSize(static_cast<int>(los() % static_cast<unsigned>(bajty.Size())));
    BazaZintegrowana b;
    try {
      IniCore f(bajty, 0);
      b.lsa(f);
    } catch (const Exception&) {
      continue;
    }
    ++udane;
    // What decodes can be applied and described.
    BazaZintegrowana kopia = Przyklad();
    kopia.Dodaj(b);
    b.Opis();
  }
  EXPECT_GT(udane, 0);
}

}  // namespace
