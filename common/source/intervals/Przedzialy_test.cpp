#include "intervals/Przedzialy.h"
#include "support/CzasTestowy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <vector>

#include "core/Exception.h"
#include "core/RegionalNames.h"
#include "core/TimeZone.h"
#include "intervals/PrzedzialyAudio.h"
#include "support/CoreBytes.h"
#include "support/PrzedzialyPoprawne.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

constexpr Roznica kTick(1);

// A moment s seconds after the start of the tick scale (plus `ticki` ticks).
Czas S(std::int64_t s, std::int64_t ticki = 0) { return Czas(s * 10000000 + ticki); }
Przedzial P(std::int64_t a, std::int64_t b) { return Przedzial(S(a), S(b)); }

Przedzialy Zbior(std::initializer_list<Przedzial> lista) {
  Przedzialy z;
  for (const Przedzial& p : lista) z.Add(p);
  return z;
}

std::vector<Przedzial> V(std::initializer_list<Przedzial> lista) { return lista; }

void Wczytaj(Transportable& t, Core& c) {
  IniCore f(c, 0);
  t.lsa(f);
  // Every byte is consumed: the reader ran the writer's sequence.
  EXPECT_EQ(f.Position(), c.Size());
}

// ---------------------------------------------------------------------------------------
// The tree underneath.

using Drzewo = Drzewko<Przedzial, Czas, &Przedzial::begin>;

TEST(Drzewko, SearchesLeaveTheirResultInFound) {
  Drzewo d;
  EXPECT_EQ(d.Begin(), nullptr);
  EXPECT_EQ(d.End(), nullptr);
  d.Insert(P(10, 11));
  d.Insert(P(0, 1));
  d.Insert(P(20, 21));
  EXPECT_EQ(d.Count(), 3);
  EXPECT_EQ(d.Begin()->begin, S(0));
  EXPECT_EQ(d.Found->begin, S(0));
  EXPECT_EQ(d.End()->begin, S(20));
  // Strictly less than the key.
  EXPECT_EQ(d.Poprzedni(S(10)), d.Found);
  EXPECT_EQ(d.Found->begin, S(0));
  EXPECT_EQ(d.Poprzedni(S(10, 1))->begin, S(10));
  EXPECT_EQ(d.Poprzedni(S(0)), nullptr);
  EXPECT_EQ(d.Found, nullptr);
}

TEST(Drzewko, MisuseRaisesTheTreeAssertions) {
  Drzewo d;
  d.Insert(P(0, 1));
  EXPECT_TRUE(ZaczynaSie(Blad([&] { d.Insert(P(0, 5)); }), "s.insert(t).second==false in file"));
  EXPECT_EQ(d[0].end, S(1));
  EXPECT_TRUE(ZaczynaSie(Blad([&] { d.Erase(S(3)); }), "s.erase(dummy)!=1 in file"));
  d.Erase(S(0));
  EXPECT_EQ(d.Count(), 0);
}

TEST(Drzewko, IndexFollowsChangesAndRefusesPositionsOutside) {
  Drzewo d;
  d.Insert(P(5, 6));
  d.Refresh();
  EXPECT_EQ(d[0].begin, S(5));
  // Changed after the refresh: the index is rebuilt rather than read stale.
  d.Insert(P(1, 2));
  d.Erase(S(5));
  d.Insert(P(9, 9));
  ASSERT_EQ(d.Count(), 2);
  EXPECT_EQ(d[0].begin, S(1));
  EXPECT_EQ(d[1].begin, S(9));
  EXPECT_TRUE(ZaczynaSie(Blad([&] { (void)d[2]; }), "index==2 in file"));
  EXPECT_TRUE(ZaczynaSie(Blad([&] { (void)d[-1]; }), "index==-1 in file"));
  // A copy has its own records and no Found.
  d.Begin();
  Drzewo kopia(d);
  EXPECT_EQ(kopia.Found, nullptr);
  kopia.Erase(S(1));
  EXPECT_EQ(d.Count(), 2);
  EXPECT_EQ(kopia[0].begin, S(9));
}

// ---------------------------------------------------------------------------------------
// Add, Remove1, Mul.

struct PrzypadekAdd {
  const char* nazwa;
  std::vector<Przedzial> przed;
  Przedzial dodany;
  std::vector<Przedzial> po;
};

TEST(Przedzialy, AddMergesWhatLiesCloserThanTheTolerance) {
  const PrzypadekAdd przypadki[] = {
      {"gap of 2 s after", V({P(0, 10)}), P(12, 20), V({P(0, 20)})},
      {"gap of exactly 3 s after", V({P(0, 10)}), P(13, 20), V({P(0, 10), P(13, 20)})},
      {"gap one tick under 3 s after", V({P(0, 10)}), Przedzial(S(13, -1), S(20)),
       V({P(0, 20)})},
      {"gap of exactly 3 s before", V({P(10, 20)}), P(0, 7), V({P(0, 7), P(10, 20)})},
      {"gap one tick under 3 s before", V({P(10, 20)}), Przedzial(S(0), S(7, 1)),
       V({P(0, 20)})},
      {"spans several", V({P(0, 1), P(5, 6), P(10, 11), P(30, 31)}), P(0, 11),
       V({P(0, 11), P(30, 31)})},
      {"bridges two", V({P(0, 10), P(20, 30)}), P(12, 18), V({P(0, 30)})},
      {"lies inside", V({P(0, 10)}), P(2, 3), V({P(0, 10)})},
      {"overlaps the head", V({P(10, 20)}), P(5, 15), V({P(5, 20)})},
      {"into an empty set", V({}), P(4, 4), V({P(4, 4)})},
      {"far from all", V({P(0, 1), P(100, 101)}), P(50, 51),
       V({P(0, 1), P(50, 51), P(100, 101)})},
  };
  for (const auto& c : przypadki) {
    Przedzialy z;
    for (const Przedzial& p : c.przed) z.Add(p);
    z.Add(c.dodany);
    EXPECT_EQ(z.Wszystkie(), c.po) << c.nazwa;
  }
}

TEST(Przedzialy, AddOfOneMomentTwiceKeepsOnePoint) {
  Przedzialy z;
  z.Add(S(7));
  z.Add(S(7));
  EXPECT_EQ(z.Wszystkie(), V({P(7, 7)}));
}

TEST(Przedzialy, TheToleranceIsTheOwners) {
  Przedzialy z;
  EXPECT_EQ(z.tolerancja, Roznica::Sekunda * 3);
  z.tolerancja = Roznica::Sekunda;
  z.Add(P(0, 10));
  z.Add(P(11, 20));  // a gap of exactly the tolerance stays
  z.Add(Przedzial(S(21, -1), S(30)));
  EXPECT_EQ(z.Wszystkie(), V({P(0, 10), Przedzial(S(11), S(30))}));
  // Assignment carries the tolerance along.
  Przedzialy kopia;
  kopia = z;
  EXPECT_EQ(kopia.tolerancja, Roznica::Sekunda);
  EXPECT_EQ(kopia.Wszystkie(), z.Wszystkie());
}

struct PrzypadekRemove {
  const char* nazwa;
  std::vector<Przedzial> przed;
  Przedzial usuniety;
  std::vector<Przedzial> po;
};

TEST(Przedzialy, Remove1CutsTheClosedRangeOut) {
  const PrzypadekRemove przypadki[] = {
      {"splits", V({P(0, 10)}), P(5, 6),
       V({Przedzial(S(0), S(5) - kTick), Przedzial(S(6) + kTick, S(10))})},
      {"all of it", V({P(0, 10)}), P(0, 10), V({})},
      {"the tail from its end on", V({P(0, 10)}), P(10, 12),
       V({Przedzial(S(0), S(10) - kTick)})},
      {"the head", V({P(0, 10)}), P(-5, 0), V({Przedzial(S(0) + kTick, S(10))})},
      {"the first moment only", V({P(0, 10)}), P(0, 0), V({Przedzial(S(0) + kTick, S(10))})},
      {"the last moment only", V({P(0, 10)}), P(10, 10), V({Przedzial(S(0), S(10) - kTick)})},
      {"across several", V({P(0, 10), P(20, 30), P(40, 50)}), P(5, 45),
       V({Przedzial(S(0), S(5) - kTick), Przedzial(S(45) + kTick, S(50))})},
      {"wholly covering several", V({P(0, 10), P(20, 30), P(40, 50)}), P(15, 35),
       V({P(0, 10), P(40, 50)})},
      {"in a gap", V({P(0, 10), P(20, 30)}), P(12, 18), V({P(0, 10), P(20, 30)})},
      {"a one-point interval", V({P(0, 0), P(20, 30)}), P(0, 0), V({P(20, 30)})},
      {"from an empty set", V({}), P(0, 10), V({})},
      {"an empty (reversed) range", V({P(0, 10)}), P(6, 5), V({P(0, 10)})},
  };
  for (const auto& c : przypadki) {
    Przedzialy z;
    for (const Przedzial& p : c.przed) z.Add(p);
    z.Remove1(c.usuniety);
    EXPECT_EQ(z.Wszystkie(), c.po) << c.nazwa;
  }
}

TEST(Przedzialy, RemoveNeverMerges) {
  Przedzialy z = Zbior({P(0, 100)});
  z.Remove1(P(50, 50));
  // The two pieces lie two ticks apart and stay apart.
  EXPECT_EQ(z.Count(), 2);
  Przedzialy c = Zbior({P(10, 10), P(80, 80)});
  z.Remove(c);
  EXPECT_EQ(z.Count(), 4);
  EXPECT_FALSE(z.Zawiera(S(80)));
  EXPECT_TRUE(z.Zawiera(S(81)));
  z.Remove(z);
  EXPECT_EQ(z.Count(), 0);
}

struct PrzypadekMul {
  const char* nazwa;
  std::vector<Przedzial> a;
  std::vector<Przedzial> b;
  std::vector<Przedzial> iloczyn;
};

// Sets as given, unmerged, as Mul leaves them or a peer may send them.
Przedzialy Wprost(const std::vector<Przedzial>& lista) {
  Przedzialy z;
  for (const Przedzial& p : lista) z.Insert(p);
  return z;
}

TEST(Przedzialy, MulIntersects) {
  const PrzypadekMul przypadki[] = {
      {"touching", V({P(0, 10)}), V({P(10, 20)}), V({P(10, 10)})},
      {"with an empty set", V({P(0, 10)}), V({}), V({})},
      {"empty with a set", V({}), V({P(0, 10)}), V({})},
      {"with itself", V({P(0, 10), P(20, 30)}), V({P(0, 10), P(20, 30)}),
       V({P(0, 10), P(20, 30)})},
      {"one across two", V({P(0, 10), P(20, 30)}), V({P(5, 25)}), V({P(5, 10), P(20, 25)})},
      {"disjoint", V({P(0, 10)}), V({P(11, 20)}), V({})},
      {"touching at both ends", V({P(0, 5), P(10, 20)}), V({P(5, 10)}),
       V({P(5, 5), P(10, 10)})},
      {"nested", V({P(0, 100)}), V({P(10, 20), P(30, 40), P(200, 300)}),
       V({P(10, 20), P(30, 40)})},
      {"equal ends", V({P(0, 10), P(12, 14)}), V({P(5, 10), P(13, 20)}),
       V({P(5, 10), P(13, 14)})},
      {"many small against many small", V({P(0, 2), P(4, 6), P(8, 10)}),
       V({P(1, 5), P(9, 9)}), V({P(1, 2), P(4, 5), P(9, 9)})},
      // Inputs that touch themselves: two pieces begin at 10; the longer is kept.
      {"touching inputs", V({P(10, 20)}), V({P(0, 10), P(10, 15)}), V({P(10, 15)})},
      {"touching inputs, swapped", V({P(0, 10), P(10, 15)}), V({P(10, 20)}), V({P(10, 15)})},
  };
  for (const auto& c : przypadki) {
    Przedzialy a = Wprost(c.a);
    Przedzialy b = Wprost(c.b);
    Przedzialy wynik = Zbior({P(500, 600)});  // dropped by Mul
    wynik.Mul(a, b);
    EXPECT_EQ(wynik.Wszystkie(), c.iloczyn) << c.nazwa;
  }
}

TEST(Przedzialy, MulMayTakeItselfAsAnInput) {
  Przedzialy a = Zbior({P(0, 10), P(20, 30)});
  Przedzialy b = Zbior({P(5, 25)});
  a.Mul(a, b);
  EXPECT_EQ(a.Wszystkie(), V({P(5, 10), P(20, 25)}));
  a.Mul(a, a);
  EXPECT_EQ(a.Wszystkie(), V({P(5, 10), P(20, 25)}));
}

TEST(Przedzialy, AddRozciagnieteLengthensShortIntervals) {
  Przedzialy z = Wprost({P(0, 0), Przedzial(S(10), S(10) + kTick), P(20, 40),
                         Przedzial(S(60), Czas())});
  Przedzialy wynik;
  wynik.tolerancja = Roznica::Sekunda;
  wynik.AddRozciagniete(z, Roznica::Sekunda * 5);
  // [0, 0] ends at zero and is kept as it is; so is the interval left open (end zero).
  EXPECT_EQ(wynik.Wszystkie(),
            V({P(0, 0), P(10, 15), P(20, 40), Przedzial(S(60), Czas())}));
}

// ---------------------------------------------------------------------------------------
// Queries.

TEST(Przedzialy, ZawieraAtTheBounds) {
  Przedzialy z = Zbior({P(10, 20), P(30, 30)});
  const struct {
    Czas t;
    bool w;
  } przypadki[] = {
      {S(10), true},         {S(20), true},         {S(15), true},
      {S(10) - kTick, false}, {S(20) + kTick, false}, {S(30), true},
      {S(30) + kTick, false}, {S(30) - kTick, false}, {Czas::Max, false},
      {Czas(INT64_MIN), false},
  };
  for (const auto& c : przypadki) EXPECT_EQ(z.Zawiera(c.t), c.w) << c.t.Wartosc();
}

TEST(Przedzialy, DajPrzedzialFindsTheHolderOrRaises) {
  Przedzialy z = Zbior({P(10, 20), P(30, 40)});
  EXPECT_EQ(z.DajPrzedzial(S(35)), P(30, 40));
  EXPECT_EQ(*z.Found, P(30, 40));
  EXPECT_EQ(z.DajPrzedzial(S(10)), P(10, 20));
  const String blad = Blad([&] { z.DajPrzedzial(S(25)); });
  EXPECT_TRUE(ZaczynaSie(blad, "brak przedzialu in file \"Przedzialy.cpp\" line ")) << blad;
  // The assertion form carries the location twice.
  EXPECT_EQ(blad.find(" in file ", blad.find(" in file ") + 1) != String::npos, true);
  EXPECT_THROW(Przedzialy().DajPrzedzial(S(0)), Exception);
}

TEST(Przedzialy, EmptySetAndSpans) {
  Przedzialy pusty;
  EXPECT_EQ(pusty.Begin(), Czas::Max);
  EXPECT_EQ(pusty.End(), Czas());
  EXPECT_EQ(pusty.Zakres(), Przedzial());
  EXPECT_EQ(pusty.Suma(), Roznica(1));
  EXPECT_EQ(pusty.Lista(), "");

  Przedzialy z = Zbior({P(10, 20), P(30, 35)});
  EXPECT_EQ(z.Begin(), S(10));
  EXPECT_EQ(z.End(), S(35));
  EXPECT_EQ(z.Zakres(), P(10, 35));
  EXPECT_EQ(z.Suma(), Roznica::Sekunda * 15 + Roznica(1));
}

TEST(Przedzialy, SumaIsHeldAtTheRangeEnd) {
  Przedzialy z = Wprost({Przedzial(Czas(INT64_MIN), Czas::Max), Przedzial(S(1), S(2))});
  EXPECT_EQ(z.Suma(), Roznica(INT64_MAX));
}

// Text forms in UTC with fixed Polish names, whatever the machine has.
class PrzedzialyNapisy : public ::testing::Test {
 protected:
  void SetUp() override {
    TimeZone::Reset(TimeZone());
    RegionalNames n;
    n.miesiace = {"stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca",
                  "lipca", "sierpnia", "września", "października", "listopada", "grudnia"};
    n.miesiaceSamodzielne = {"styczeń", "luty", "marzec", "kwiecień", "maj", "czerwiec",
                             "lipiec", "sierpień", "wrzesień", "październik", "listopad",
                             "grudzień"};
    n.miesiaceSkrocone = {"sty", "lut", "mar", "kwi", "maj", "cze",
                          "lip", "sie", "wrz", "paź", "lis", "gru"};
    n.dni = {"niedziela", "poniedziałek", "wtorek", "środa", "czwartek", "piątek", "sobota"};
    n.dniSkrocone = {"nie", "pon", "wto", "śro", "czw", "pią", "sob"};
    RegionalNames::Ustaw(n);
  }
  void TearDown() override {
    TimeZone::Reset();
    RegionalNames::Reset();
  }
};

TEST_F(PrzedzialyNapisy, ListsOneLinePerInterval) {
  Przedzialy z;
  z.Add(Przedzial(Utc(2003, 12, 5, 22, 49, 4), Utc(2003, 12, 5, 23, 0, 0)));
  // 90.9 seconds: whole seconds are truncated.
  z.Add(Przedzial(Utc(2004, 1, 2, 8, 0, 0),
                  Utc(2004, 1, 2, 8, 1, 30) + Roznica::Milisekunda * 900));
  EXPECT_EQ(z.Lista(),
            "05 grudnia 2003 22:49:04 - 05 grudnia 2003 23:00:00\r\n"
            "02 stycznia 2004 08:00:00 - 02 stycznia 2004 08:01:30\r\n");
  EXPECT_EQ(z.ListaKrotka(),
            "05/gru/2003 22:49:04 - 05/gru/2003 23:00:00\r\n"
            "02/sty/2004 08:00:00 - 02/sty/2004 08:01:30\r\n");
  EXPECT_EQ(z.ListaSekund(),
            "05/gru/2003 22:49:04 - 656 sek.\r\n"
            "02/sty/2004 08:00:00 - 90 sek.\r\n");
}

// ---------------------------------------------------------------------------------------
// Serialization.

TEST(Przedzialy, EncodesCountThenBeginAndEndLowByteFirst) {
  Przedzialy z;
  z.Add(Przedzial(Czas(0x0102030405060708), Czas(0x1112131415161718)));
  z.Add(Przedzial(Czas(0x7F00000000000000), Czas::Max));
  Core c = Zapisz(z);
  EXPECT_EQ(Hex(c),
            "02000000"
            "0807060504030201" "1817161514131211"
            "000000000000007F" "FFFFFFFFFFFFFF7F");
  EXPECT_EQ(z.Name(), "Przedzialy");
  EXPECT_EQ(z.Version(), 1);

  Przedzialy pusty;
  EXPECT_EQ(Hex(Zapisz(pusty)), "00000000");
}

TEST(Przedzialy, RoundTripsAndTheAudioSetSharesTheEncoding) {
  Przedzialy z = Zbior({P(0, 10), P(20, 30), P(100, 100)});
  z.Remove1(P(5, 5));
  Core c = Zapisz(z);

  PrzedzialyAudio a;
  a.Add(P(1000, 2000));  // dropped by reading
  Wczytaj(a, c);
  EXPECT_EQ(a.Wszystkie(), z.Wszystkie());
  EXPECT_EQ(a.Name(), "PrzedzialyAudio");
  EXPECT_EQ(Hex(Zapisz(a)), Hex(c));
}

TEST(Przedzialy, ReadingTakesIntervalsAsTheyComeAndDropsRepeatedBegins) {
  // [10, 20], [10, 99] (same begin: dropped), [22, 30] (closer than the tolerance: kept
  // apart), [5, 6] (out of order: placed by its begin).
  Core c;
  {
    IniCore f(c, 1);
    int n = 4;
    f.ReadWrite(n);
    for (Przedzial p : {P(10, 20), P(10, 99), P(22, 30), P(5, 6)}) f.ReadWrite16(p.begin, p.end);
  }
  Przedzialy z;
  Wczytaj(z, c);
  EXPECT_EQ(z.Wszystkie(), V({P(5, 6), P(10, 20), P(22, 30)}));
}

TEST(Przedzialy, RefusesCountsThePayloadCannotHold) {
  const struct {
    const char* nazwa;
    const char* hex;
    const char* poczatek;
  } przypadki[] = {
      {"huge", "FFFFFF7F", "Odczytana liczba elementow 2147483647 nie miesci sie w 0 "},
      {"negative", "FEFFFFFF", "Odczytana liczba elementow -2 ujemna"},
      {"one more than present", "02000000" "01000000000000000200000000000000",
       "Odczytana liczba elementow 2 nie miesci sie w 16 "},
      {"half an interval", "01000000" "0100000000000000", "Odczytana liczba elementow 1 "},
      {"short count", "0100", "a=0 n=4 a+n=4 l=2"},
  };
  for (const auto& c : przypadki) {
    Core bajty = ZHex(c.hex);
    Przedzialy z;
    IniCore f(bajty, 0);
    const String blad = Blad([&] { z.lsa(f); });
    EXPECT_TRUE(ZaczynaSie(blad, c.poczatek)) << c.nazwa << ": " << blad;
  }
}

TEST(Przedzialy, ArbitraryBytesDecodeOrRaise) {
  std::mt19937 los(7);
  int wPorzadkuIle = 0;
  int nieIle = 0;
  for (int proba = 0; proba < 2000; ++proba) {
    Core bajty;
    const int n = static_cast<int>(los() % 80);
    for (int i = 0; i < n; ++i) {
      const char b = static_cast<char>(los());
      bajty.InsertAt(i, &b, 1);
    }
    // A small count now and then, so that some payloads decode.
    if (n >= 4 && proba % 2 == 0) {
      const char liczba = static_cast<char>(los() % 6);
      bajty.Data()[0] = liczba;
      bajty.Data()[1] = bajty.Data()[2] = bajty.Data()[3] = 0;
    }
    Przedzialy z;
    try {
      IniCore f(bajty, 0);
      z.lsa(f);
    } catch (const Exception&) {
      continue;
    }
    // Whatever was read, the operations stay within the set's contract. A set read in
    // order (each interval forwards, each after the one before) keeps it through them.
    const bool wPorzadku = Poprawne(z, Roznica(0));
    ++(wPorzadku ? wPorzadkuIle : nieIle);
    Przedzialy kopia = z;
    const Czas od(static_cast<std::int64_t>(los()) << 32);
    z.Add(Przedzial(od, Czas::Max));
    z.Suma();
    kopia.Mul(kopia, z);
    if (!wPorzadku) {
      try {
        kopia.Remove(z);
      } catch (const Exception&) {
        // Only a set whose order was broken by the peer gets here.
      }
      continue;
    }
    ASSERT_TRUE(Poprawne(z, Roznica(0))) << "after Add, try " << proba;
    EXPECT_TRUE(z.Zawiera(od) && z.Zawiera(Czas::Max));
    ASSERT_TRUE(Poprawne(kopia, Roznica(-1))) << "after Mul, try " << proba;
    for (int i = 0; i < kopia.Count(); ++i) {
      EXPECT_TRUE(z.Zawiera(kopia[i].begin) && z.Zawiera(kopia[i].end)) << "the intersection lies within z";
    }
    kopia.Remove(z);
    EXPECT_EQ(kopia.Count(), 0) << "the intersection with z, z cut out of it, try " << proba;
  }
  // Both kinds of set came up.
  EXPECT_GT(wPorzadkuIle, 100);
  EXPECT_GT(nieIle, 100);
}

// ---------------------------------------------------------------------------------------
// Against a plain model: a sorted vector, merged and cut by brute force.

using Model = std::vector<Przedzial>;

void ModelAdd(Model& m, Przedzial p, Roznica t) {
  const Czas a = p.begin - t;
  const Czas b = p.end + t;
  Model out;
  for (const Przedzial& q : m) {
    if (q.end > a && q.begin < b) {
      p.begin = std::min(p.begin, q.begin);
      p.end = std::max(p.end, q.end);
    } else {
      out.push_back(q);
    }
  }
  out.push_back(p);
  std::sort(out.begin(), out.end(),
            [](const Przedzial& x, const Przedzial& y) { return x.begin < y.begin; });
  m = out;
}

void ModelRemove(Model& m, Przedzial p) {
  Model out;
  for (const Przedzial& q : m) {
    if (q.begin < p.begin) out.push_back(Przedzial(q.begin, std::min(q.end, p.begin - kTick)));
    if (q.end > p.end) out.push_back(Przedzial(std::max(q.begin, p.end + kTick), q.end));
  }
  m = out;
}

Model ModelMul(const Model& a, const Model& b) {
  Model out;
  for (const Przedzial& x : a) {
    for (const Przedzial& y : b) {
      const Przedzial z(std::max(x.begin, y.begin), std::min(x.end, y.end));
      if (z.begin <= z.end) out.push_back(z);
    }
  }
  std::sort(out.begin(), out.end(),
            [](const Przedzial& x, const Przedzial& y) { return x.begin < y.begin; });
  return out;
}

bool ModelZawiera(const Model& m, Czas t) {
  return std::any_of(m.begin(), m.end(), [&](const Przedzial& p) { return p.Zawiera(t); });
}

// Times on whole seconds with a tick now and then, so that gaps of exactly the tolerance,
// touching ends and one-tick misses all come up.
Przedzial LosowyPrzedzial(std::mt19937& los, int zakres, int dlugosc) {
  const Czas b = S(los() % zakres, los() % 4 == 0 ? static_cast<int>(los() % 3) - 1 : 0);
  const Czas e = b + Roznica::Sekunda * static_cast<int>(los() % dlugosc) +
                 Roznica(los() % 5 == 0 ? 1 : 0);
  return Przedzial(b, e);
}

TEST(Przedzialy, AgreesWithAPlainModel) {
  std::mt19937 los(20031205);
  for (int runda = 0; runda < 30; ++runda) {
    Przedzialy z;
    Model m;
    const int zakres = 50 + runda * 20;
    for (int krok = 0; krok < 300; ++krok) {
      const Przedzial p = LosowyPrzedzial(los, zakres, 8);
      if (los() % 3 == 0) {
        z.Remove1(p);
        ModelRemove(m, p);
      } else {
        z.Add(p);
        ModelAdd(m, p, z.tolerancja);
      }
      ASSERT_EQ(z.Wszystkie(), m) << "round " << runda << " step " << krok;
      for (int k = 0; k < 5; ++k) {
        const Czas t = S(los() % (zakres + 10), static_cast<int>(los() % 3) - 1);
        ASSERT_EQ(z.Zawiera(t), ModelZawiera(m, t));
      }
    }
    Roznica suma(1);
    for (const Przedzial& p : m) suma += p.end - p.begin;
    EXPECT_EQ(z.Suma(), suma);

    Przedzialy drugi;
    Model m2;
    for (int krok = 0; krok < 100; ++krok) {
      const Przedzial p = LosowyPrzedzial(los, zakres, 15);
      drugi.Add(p);
      ModelAdd(m2, p, drugi.tolerancja);
    }
    Przedzialy iloczyn;
    iloczyn.Mul(z, drugi);
    EXPECT_EQ(iloczyn.Wszystkie(), ModelMul(m, m2));

    Przedzialy odczytany;
    Core c = Zapisz(z);
    Wczytaj(odczytany, c);
    EXPECT_EQ(odczytany.Wszystkie(), m);
  }
}

}  // namespace
