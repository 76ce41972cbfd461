#include "common/Update.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/BazaZintegrowana.h"
#include "common/TypMarkerow.h"
#include "common/UpdateServer.h"
#include "core/Exception.h"
#include "intervals/Przedzialy.h"
#include "support/CoreBytes.h"
#include "transport/Core.h"
#include "transport/IniCore.h"
#include "transport/Paczka2.h"

namespace {

Czas S(std::int64_t s) { return Czas(s * 10000000); }
Przedzial P(std::int64_t a, std::int64_t b) { return Przedzial(S(a), S(b)); }

TypMarkerow Typ(std::initializer_list<std::int64_t> sekundy) {
  TypMarkerow t;
  for (std::int64_t s : sekundy) t.Dodaj(S(s));
  return t;
}

TEST(Update, EveryKindTravelsAsUpdatePlusThenMinus) {
  Update<TypMarkerow> m;
  m.plus.Dodaj(Czas(1));
  m.minus.Dodaj(Czas(2));
  EXPECT_EQ(Hex(Zapisz(m)), "01000000" "0100000000000000" "01000000" "0200000000000000");

  Update<Przedzialy> p;
  p.minus.Add(Przedzial(Czas(3), Czas(4)));
  EXPECT_EQ(Hex(Zapisz(p)), "00000000" "01000000" "0300000000000000" "0400000000000000");

  Update<BazaZintegrowana> b;
  EXPECT_EQ(Hex(Zapisz(b)), "00000000" "00000000" "00000000" "00000000");

  EXPECT_EQ(m.Name(), "Update<");
  EXPECT_EQ(p.Name(), "Update<");
  EXPECT_EQ(b.Name(), "Update<");
  EXPECT_EQ(b.Version(), 1);
}

TEST(Update, ZastosujAddsPlusThenTakesMinusAway) {
  // Intervals: what plus brings and minus takes in the same update stays taken.
  Przedzialy x;
  x.Add(P(0, 10));
  Update<Przedzialy> u;
  u.plus.Add(P(20, 30));
  u.minus.Add(P(25, 40));
  u.minus.Add(P(0, 4));
  u.Zastosuj(x);
  EXPECT_EQ(x.Wszystkie(), std::vector<Przedzial>({Przedzial(S(4) + Roznica(1), S(10)),
                                                   Przedzial(S(20), S(25) - Roznica(1))}));

  TypMarkerow t = Typ({1, 2});
  Update<TypMarkerow> um;
  um.plus = Typ({3, 4});
  um.minus = Typ({1, 4});
  um.Zastosuj(t);
  EXPECT_EQ(t, Typ({2, 3}));
  EXPECT_EQ(um.Opis(), "+:(2) -:(2)");
}

TEST(Update, AppliesToTheEventBase) {
  BazaZintegrowana baza;
  Update<BazaZintegrowana> init;
  init.plus.iwenty.DajPrzedzialy("Wiadomości").Add(P(0, 300));
  init.plus.Markery("Sygnał") = Typ({600, 1800});
  init.Zastosuj(baza);
  EXPECT_EQ(init.Opis(),
            "+:iwenty:\"Wiadomości\": 1,  markery:Sygnał(2), -:iwenty: markery:");

  Update<BazaZintegrowana> zmiana;
  zmiana.plus.iwenty.DajPrzedzialy("Wiadomości").Add(P(3600, 3900));
  zmiana.plus.Markery("Sygnał") = Typ({3000});
  zmiana.minus.Markery("Sygnał") = Typ({600});
  zmiana.minus.iwenty.DajPrzedzialy("Wiadomości").Add(P(0, 300));
  zmiana.Zastosuj(baza);
  EXPECT_EQ(baza.iwenty.DajPrzedzialy("Wiadomości").Wszystkie(),
            std::vector<Przedzial>({P(3600, 3900)}));
  EXPECT_EQ(baza.Markery("Sygnał"), Typ({1800, 3000}));

  // The axis gets each shown kind's part of the change.
  Update<Przedzialy> warstwa;
  warstwa.plus = zmiana.plus.iwenty.DajPrzedzialy("Wiadomości");
  warstwa.minus = zmiana.minus.iwenty.DajPrzedzialy("Wiadomości");
  Przedzialy naOsi;
  naOsi.Add(P(0, 300));
  warstwa.Zastosuj(naOsi);
  EXPECT_EQ(naOsi.Wszystkie(), baza.iwenty.DajPrzedzialy("Wiadomości").Wszystkie());

  // An "init iwentow" with an empty update: the base is emptied, then nothing applied.
  baza.Wyczysc();
  Update<BazaZintegrowana> pusty;
  pusty.Zastosuj(baza);
  EXPECT_EQ("Cały program\r\n" + baza.iwenty.DajListe() + baza.ListaMarkerow(),
            "Cały program\r\n");
}

TEST(Update, TravelsInAPacketAndComesOutWhole) {
  Update<BazaZintegrowana> u;
  u.plus.iwenty.DajPrzedzialy("Reklamy").Add(P(900, 1020));
  u.plus.Markery("Sygnał") = Typ({600});
  u.minus.Markery("Sygnał") = Typ({10});
  Paczka2 wyslana(u, "update iwentow");
  Core wire;
  wyslana.WriteTo(wire);

  Paczka2 odebrana;
  odebrana.Write(wire.Data(), wire.Size());
  ASSERT_TRUE(odebrana.Skonczyl());
  EXPECT_EQ(odebrana.Nazwa, "Update<");
  EXPECT_EQ(odebrana.Wersja, 1);
  EXPECT_EQ(odebrana.Opis, "update iwentow");
  Update<BazaZintegrowana> r;
  odebrana.Wyjmij(r);
  EXPECT_EQ(r.Opis(), u.Opis());
  EXPECT_EQ(r.plus.iwenty.DajPrzedzialy("Reklamy").Wszystkie(),
            std::vector<Przedzial>({P(900, 1020)}));
  EXPECT_EQ(r.minus.Markery("Sygnał"), Typ({10}));
}

TEST(Update, ShortPayloadIsRefused) {
  Update<BazaZintegrowana> u;
  u.plus.Markery("Sygnał") = Typ({600, 700});
  Core c = Zapisz(u);
  for (int dlugosc = 0; dlugosc < c.Size(); ++dlugosc) {
    Core krotki = c;
    krotki.SetSize(dlugosc);
    Update<BazaZintegrowana> r;
    IniCore f(krotki, 0);
    EXPECT_THROW(r.lsa(f), Exception) << dlugosc;
  }
}

TEST(UpdateServer, TurnsWholeValuesIntoChanges) {
  UpdateServer<TypMarkerow> serwer;
  const struct {
    TypMarkerow nowy;
    TypMarkerow plus;
    TypMarkerow minus;
  } kroki[] = {
      {Typ({1, 2}), Typ({1, 2}), Typ({})},
      {Typ({2, 3}), Typ({3}), Typ({1})},
      {Typ({2, 3}), Typ({}), Typ({})},
      {Typ({}), Typ({}), Typ({2, 3})},
  };
  TypMarkerow naOsi;
  for (const auto& k : kroki) {
    Update<TypMarkerow>& u = serwer.Ustaw(k.nowy);
    EXPECT_EQ(u.plus, k.plus);
    EXPECT_EQ(u.minus, k.minus);
    EXPECT_EQ(serwer.Aktualny(), k.nowy);
    // Whoever applies the changes in order holds the same value.
    u.Zastosuj(naOsi);
    EXPECT_EQ(naOsi, k.nowy);
  }
}

}  // namespace
