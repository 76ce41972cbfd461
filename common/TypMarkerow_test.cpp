#include "common/TypMarkerow.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "core/Exception.h"
#include "support/CoreBytes.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

constexpr std::int64_t kSekunda = 10000000;
// An hour past 2003-12-05 00:00 UTC, far from zero, so that thinning starts from a kept
// first moment.
const Czas T0(0x01C3BAE2D4AF0000);

Czas T(std::int64_t sekundy) { return T0 + Roznica(sekundy * kSekunda); }

TypMarkerow Typ(std::initializer_list<Czas> momenty) {
  TypMarkerow t;
  for (Czas c : momenty) t.Dodaj(c);
  return t;
}

std::vector<Czas> V(const TypMarkerow& t) { return {t.Momenty().begin(), t.Momenty().end()}; }

TEST(TypMarkerow, SetOperations) {
  TypMarkerow t = Typ({T(5), T(1), T(3)});
  EXPECT_EQ(V(t), std::vector<Czas>({T(1), T(3), T(5)}));
  t.Dodaj(Typ({T(3), T(4)}));
  EXPECT_EQ(t.Opis(), "(4)");
  t.Odejmij(Typ({T(1), T(99)}));  // T(99) is not there: ignored
  EXPECT_EQ(V(t), std::vector<Czas>({T(3), T(4), T(5)}));
  EXPECT_EQ(t.Zakres(), Przedzial(T(3), T(5)));
  t.Dodaj(t);
  EXPECT_EQ(t.Ile(), 3);
  t.Ustaw(T(7));
  EXPECT_EQ(V(t), std::vector<Czas>({T(7)}));
  t.Odejmij(t);
  EXPECT_EQ(t.Opis(), "(0)");
  EXPECT_EQ(t.Zakres(), Przedzial());
  // Signed order: a negative moment comes first.
  EXPECT_EQ(V(Typ({Czas(1), Czas(-1)})).front(), Czas(-1));
}

TEST(TypMarkerow, PrzerzedzKeepsMomentsAtLeastDApart) {
  const struct {
    const char* nazwa;
    std::vector<Czas> przed;
    std::int64_t d;
    std::vector<Czas> po;
  } przypadki[] = {
      {"each within 10 s of the last kept", {T(0), T(5), T(12), T(21)}, 10, {T(0), T(12)}},
      {"exactly d apart stays", {T(0), T(10), T(20)}, 10, {T(0), T(10), T(20)}},
      {"a burst", {T(0), T(1), T(2), T(3), T(30)}, 10, {T(0), T(30)}},
      {"zero d keeps all", {T(0), T(1)}, 0, {T(0), T(1)}},
      {"empty", {}, 10, {}},
      // The walk starts from zero, so a moment less than d after zero goes.
      {"near zero", {Czas(3 * kSekunda), Czas(12 * kSekunda)}, 10, {Czas(12 * kSekunda)}},
  };
  for (const auto& c : przypadki) {
    TypMarkerow t;
    for (Czas m : c.przed) t.Dodaj(m);
    t.Przerzedz(Roznica(c.d * kSekunda));
    EXPECT_EQ(V(t), c.po) << c.nazwa;
  }
  // Moments at the end of the range do not overflow the walk.
  TypMarkerow skraj = Typ({Czas::Max - Roznica(5), Czas::Max});
  skraj.Przerzedz(Roznica::Dzien);
  EXPECT_EQ(V(skraj), std::vector<Czas>({Czas::Max - Roznica(5)}));
}

TEST(TypMarkerow, EncodesCountThenMomentsAscending) {
  TypMarkerow t = Typ({Czas(0x0102030405060708), Czas(2)});
  Core c;
  {
    IniCore f(c, 1);
    t.lsa(f);
  }
  EXPECT_EQ(Hex(c), "02000000" "0200000000000000" "0807060504030201");

  // Reading replaces, and a repeated moment is dropped.
  Core bajty = ZHex("03000000" "0500000000000000" "0100000000000000" "0500000000000000");
  TypMarkerow r = Typ({T(1)});
  IniCore f(bajty, 0);
  r.lsa(f);
  EXPECT_EQ(V(r), std::vector<Czas>({Czas(1), Czas(5)}));
  EXPECT_EQ(f.Position(), bajty.Size());
}

TEST(TypMarkerow, RefusesCountsThePayloadCannotHold) {
  for (const char* hex : {"FFFFFF7F", "FFFFFFFF", "02000000" "0100000000000000"}) {
    Core bajty = ZHex(hex);
    TypMarkerow t;
    IniCore f(bajty, 0);
    try {
      t.lsa(f);
      ADD_FAILURE() << hex;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind("Odczytana liczba elementow", 0), 0U) << e.Message();
    }
  }
}

}  // namespace
