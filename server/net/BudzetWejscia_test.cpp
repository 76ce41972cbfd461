// The shared budget of unfinished packets: who gives way when the pool is full.
#include "net/BudzetWejscia.h"

#include <gtest/gtest.h>

using namespace serwer;

namespace {

// Pool 100, 10 free a connection. Steps apply in order; each names the connections it
// must drop.
TEST(BudzetWejscia, TheAddressHoldingTheMostGivesWay) {
  struct Krok {
    int polaczenie;
    const char* adres;
    int64_t n;
    std::vector<int> zerwane;
  };
  struct Przypadek {
    const char* nazwa;
    std::vector<Krok> kroki;
    int64_t zPuli;  // after the last step
  };
  const std::vector<Przypadek> przypadki = {
      {"commands never touch the pool", {{1, "a", 60, {}}, {2, "a", 60, {}}, {3, "b", 10, {}}, {4, "c", 10, {}}}, 100},
      {"one address crowds out only itself",
       {{1, "a", 60, {}}, {2, "a", 60, {}}, {3, "a", 60, {3}}, {4, "b", 5, {}}},
       100},
      {"a newcomer below the heaviest is served, the heaviest's largest goes",
       {{1, "a", 50, {}}, {2, "a", 70, {}}, {3, "b", 30, {2}}},
       60},
      {"several heavy addresses: the heaviest goes first",
       {{1, "a", 50, {}}, {2, "b", 70, {}}, {3, "c", 40, {2}}},
       70},
      {"a tie drops the one that grew",
       {{1, "a", 55, {}}, {2, "b", 55, {}}, {3, "c", 20, {}}, {3, "c", 55, {3}}},
       90},
      {"what an ended connection held is free again",
       {{1, "a", 110, {}}, {1, "a", 0, {}}, {2, "b", 110, {}}},
       100},
      {"a large newcomer takes as many as it needs from the heaviest",
       {{1, "a", 40, {}}, {2, "a", 40, {}}, {3, "a", 40, {}}, {4, "b", 60, {1, 2}}},
       80},
  };
  for (const Przypadek& p : przypadki) {
    BudzetWejscia b(100, 10);
    for (size_t i = 0; i < p.kroki.size(); ++i) {
      const Krok& k = p.kroki[i];
      EXPECT_EQ(b.Ustaw(k.polaczenie, k.adres, k.n), k.zerwane) << p.nazwa << ", step " << i;
      EXPECT_LE(b.ZPuli(), 100) << p.nazwa << ", step " << i;
    }
    EXPECT_EQ(b.ZPuli(), p.zPuli) << p.nazwa;
  }
}

TEST(BudzetWejscia, CountsEveryByteAndForgetsEndedConnections) {
  BudzetWejscia b(100, 10);
  b.Ustaw(1, "a", 5);
  b.Ustaw(2, "a", 40);
  b.Ustaw(3, "b", 25);
  EXPECT_EQ(b.Razem(), 70);
  EXPECT_EQ(b.ZPuli(), 45);
  EXPECT_EQ(b.ZPuli("a"), 30);
  b.Usun(2);
  b.Usun(2);
  EXPECT_EQ(b.Razem(), 30);
  EXPECT_EQ(b.ZPuli("a"), 0);
  b.Ustaw(3, "b", 12);  // shrinks (a fresh buffer)
  EXPECT_EQ(b.ZPuli(), 2);
}

}  // namespace
