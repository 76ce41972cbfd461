#include "intervals/WieloWiecznosc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "core/Exception.h"
#include "intervals/PrzedzialyID.h"
#include "support/CoreBytes.h"
#include "support/PrzedzialyPoprawne.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

Czas S(std::int64_t s) { return Czas(s * 10000000); }
Przedzial P(std::int64_t a, std::int64_t b) { return Przedzial(S(a), S(b)); }

// "Wiadomości" with events [0, 10] and [20, 30]; "Reklamy" with [100, 110].
WieloWiecznosc Przyklad() {
  WieloWiecznosc w;
  w.DajPrzedzialy("Wiadomości").Add(P(0, 10));
  w.DajPrzedzialy("Wiadomości").Add(P(20, 30));
  w.DajPrzedzialy("Reklamy").Add(P(100, 110));
  return w;
}

TEST(PrzedzialyID, NameFirstThenTheSetAndItsText) {
  PrzedzialyID p("Ab");
  p.Add(Przedzial(Czas(1), Czas(2)));
  EXPECT_EQ(Hex(Zapisz(p)),
            "02000000" "4162"
            "01000000" "0100000000000000" "0200000000000000");
  EXPECT_EQ(p.Name(), "Przedzialy");
  EXPECT_EQ(p.Opis(), "\"Ab\": 1");

  Core c = Zapisz(p);
  PrzedzialyID q;
  IniCore f(c, 0);
  q.lsa(f);
  EXPECT_EQ(q.id, "Ab");
  EXPECT_EQ(q.Wszystkie(), p.Wszystkie());
}

TEST(WieloWiecznosc, DajPrzedzialyAppendsOnlyNewNames) {
  WieloWiecznosc w = Przyklad();
  EXPECT_EQ(w.Ile(), 2);
  EXPECT_EQ(w.DajPrzedzialy("Wiadomości").Count(), 2);
  EXPECT_EQ(w.Znajdz("Sport"), nullptr);
  EXPECT_EQ(w.DajPrzedzialy("Sport").Count(), 0);
  EXPECT_EQ(w.Ile(), 3);
  EXPECT_EQ(w.DajListe(), "Wiadomości\r\nReklamy\r\nSport\r\n");
  EXPECT_EQ(w.Opis(), "\"Wiadomości\": 2, \"Reklamy\": 1, \"Sport\": 0, ");
  EXPECT_EQ(w.Name(), "WieloWiecznosc");
  EXPECT_EQ(WieloWiecznosc().DajListe(), "");
}

TEST(WieloWiecznosc, DodajAndOdejmijWorkNameByName) {
  WieloWiecznosc w = Przyklad();
  WieloWiecznosc zmiana;
  zmiana.DajPrzedzialy("Reklamy").Add(P(112, 120));  // within the tolerance: merges
  zmiana.DajPrzedzialy("Sport").Add(P(50, 60));
  w.Dodaj(zmiana);
  EXPECT_EQ(w.DajListe(), "Wiadomości\r\nReklamy\r\nSport\r\n");
  EXPECT_EQ(w.DajPrzedzialy("Reklamy").Wszystkie(), std::vector<Przedzial>({P(100, 120)}));

  WieloWiecznosc ubytek;
  ubytek.DajPrzedzialy("Wiadomości").Add(P(0, 10));
  ubytek.DajPrzedzialy("Pogoda").Add(P(0, 1000));  // not here: ignored
  w.Odejmij(ubytek);
  EXPECT_EQ(w.DajListe(), "Wiadomości\r\nReklamy\r\nSport\r\n");
  EXPECT_EQ(w.DajPrzedzialy("Wiadomości").Wszystkie(), std::vector<Przedzial>({P(20, 30)}));

  // With itself: adding changes nothing, taking away empties every set.
  w.Dodaj(w);
  EXPECT_EQ(w.Opis(), "\"Wiadomości\": 1, \"Reklamy\": 1, \"Sport\": 1, ");
  w.Odejmij(w);
  EXPECT_EQ(w.Opis(), "\"Wiadomości\": 0, \"Reklamy\": 0, \"Sport\": 0, ");
}

TEST(WieloWiecznosc, Everything) {
  WieloWiecznosc wszystko;
  wszystko.UstawWszystko();
  EXPECT_TRUE(wszystko.Wszystko());
  EXPECT_EQ(wszystko.Ile(), 0);
  EXPECT_EQ(wszystko.Opis(), "");

  // Adding everything makes everything; nothing added to everything changes it.
  WieloWiecznosc w = Przyklad();
  w.Dodaj(wszystko);
  EXPECT_TRUE(w.Wszystko());
  WieloWiecznosc inne = Przyklad();
  w.Dodaj(inne);
  EXPECT_TRUE(w.Wszystko());

  // Sets of names cannot be taken from everything, nor listed, nor picked out.
  EXPECT_TRUE(ZaczynaSie(Blad([&] { w.Odejmij(inne); }), "dp.c==-1 in file"));
  EXPECT_TRUE(ZaczynaSie(Blad([&] { w.DajListe(); }), "dp.c==-1 in file"));
  EXPECT_TRUE(ZaczynaSie(Blad([&] { w.DajPrzedzialy("Reklamy"); }), "dp.c==-1 in file"));
  EXPECT_TRUE(w.Wszystko());

  // Taking everything away empties any collection, everything included.
  inne.Odejmij(wszystko);
  EXPECT_FALSE(inne.Wszystko());
  EXPECT_EQ(inne.Ile(), 0);
  w.Odejmij(wszystko);
  EXPECT_FALSE(w.Wszystko());
  EXPECT_EQ(w.DajListe(), "");
}

TEST(WieloWiecznosc, EncodesCountThenEachNamedSet) {
  WieloWiecznosc w;
  w.DajPrzedzialy("A").Add(Przedzial(Czas(1), Czas(2)));
  w.DajPrzedzialy("B");
  EXPECT_EQ(Hex(Zapisz(w)),
            "02000000"
            "01000000" "41" "01000000" "0100000000000000" "0200000000000000"
            "01000000" "42" "00000000");

  WieloWiecznosc wszystko;
  wszystko.UstawWszystko();
  EXPECT_EQ(Hex(Zapisz(wszystko)), "FFFFFFFF");
  WieloWiecznosc pusty;
  EXPECT_EQ(Hex(Zapisz(pusty)), "00000000");
}

TEST(WieloWiecznosc, RoundTripsAndReadingReplaces) {
  for (bool caly : {false, true}) {
    WieloWiecznosc w = Przyklad();
    if (caly) w.UstawWszystko();
    Core c = Zapisz(w);
    WieloWiecznosc r = Przyklad();
    r.DajPrzedzialy("Stare");
    IniCore f(c, 0);
    r.lsa(f);
    EXPECT_EQ(f.Position(), c.Size());
    EXPECT_EQ(r.Wszystko(), caly);
    EXPECT_EQ(r.Opis(), w.Opis());
    if (!caly) {
      EXPECT_EQ(r.DajPrzedzialy("Wiadomości").Wszystkie(),
                w.DajPrzedzialy("Wiadomości").Wszystkie());
    }
  }
}

TEST(WieloWiecznosc, RefusesHostileCounts) {
  const struct {
    const char* nazwa;
    const char* hex;
    const char* poczatek;
  } przypadki[] = {
      {"below everything", "FEFFFFFF", "Odczytana liczba zbiorow -2 ujemna"},
      {"huge", "FFFFFF7F", "Odczytana liczba zbiorow 2147483647 nie miesci sie w 0 "},
      {"two sets in 8 bytes", "02000000" "0000000000000000",
       "Odczytana liczba zbiorow 2 nie miesci sie w 8 "},
      {"a huge name", "01000000" "FFFFFF0F" "00000000", "Odczytana długość "},
      {"a huge interval count", "01000000" "00000000" "FFFFFF7F",
       "Odczytana liczba elementow 2147483647 "},
  };
  for (const auto& c : przypadki) {
    Core bajty = ZHex(c.hex);
    WieloWiecznosc w;
    IniCore f(bajty, 0);
    const String blad = Blad([&] { w.lsa(f); });
    EXPECT_TRUE(ZaczynaSie(blad, c.poczatek)) << c.nazwa << ": " << blad;
  }
}

TEST(WieloWiecznosc, ArbitraryBytesDecodeOrRaise) {
  std::mt19937 los(11);
  int wPorzadku = 0;
  const Core wzor = [] {
    WieloWiecznosc w = Przyklad();
    return Zapisz(w);
  }();
  for (int proba = 0; proba < 3000; ++proba) {
    // A valid encoding with a few bytes changed, cut short now and then.
    Core bajty = wzor;
    for (int k = 0; k < 1 + proba % 4; ++k) {
      bajty.Data()[los() % static_cast<unsigned>(bajty.Size())] = static_cast<char>(los());
    }
    if (proba % 3 == 0) bajty.SetSize(static_cast<int>(los() % static_cast<unsigned>(bajty.Size())));
    WieloWiecznosc w;
    try {
      IniCore f(bajty, 0);
      w.lsa(f);
    } catch (const Exception&) {
      continue;
    }
    // The union holds every name of w and, for a name whose sets were all read in order
    // (each interval forwards, each after the one before), every moment of them, in order.
    WieloWiecznosc kopia = Przyklad();
    kopia.Dodaj(w);
    w.Opis();
    if (w.Wszystko()) {
      EXPECT_TRUE(kopia.Wszystko());
      continue;
    }
    for (int i = 0; i < w.Ile(); ++i) {
      const PrzedzialyID& z = w.Element(i);
      PrzedzialyID* suma = kopia.Znajdz(z.id);
      ASSERT_NE(suma, nullptr) << z.id << ", try " << proba;
      bool wszystkieWPorzadku = true;
      for (int j = 0; j < w.Ile(); ++j) {
        if (w.Element(j).id == z.id) wszystkieWPorzadku = wszystkieWPorzadku && Poprawne(w.Element(j), Roznica(0));
      }
      if (!wszystkieWPorzadku) continue;
      ++wPorzadku;
      ASSERT_TRUE(Poprawne(*suma, Roznica(0))) << z.id << ", try " << proba;
      for (int k = 0; k < z.Count(); ++k) {
        EXPECT_TRUE(suma->Zawiera(z[k].begin) && suma->Zawiera(z[k].end)) << z.id << ", try " << proba;
      }
    }
  }
  EXPECT_GT(wPorzadku, 100) << "sets read in order came up too seldom to judge";
}

}  // namespace
