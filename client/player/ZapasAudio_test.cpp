#include "player/ZapasAudio.h"

#include <gtest/gtest.h>

namespace {

const Roznica kS = Roznica::Sekunda;

// Packets of 1, 2 and 3 s (100, 200 and 300 bytes): as the engine reports less held, the
// oldest packets are forgotten, a packet partly heard still counting whole.
TEST(ZapasAudio, ForgetsTheOldestPacketsAsTheyAreHeard) {
  ZapasAudio z;
  z.Dodaj(kS * 1, 100);
  z.Dodaj(kS * 2, 200);
  z.Dodaj(kS * 3, 300);
  const struct {
    Roznica wBuforze;
    int64_t bajty;
  } kroki[] = {
      {kS * 6, 600}, {kS * 5 + Roznica(1), 600}, {kS * 5, 500}, {kS * 4, 500}, {kS * 3, 300}, {kS * 1, 300},
      {Roznica(0), 0},
  };
  for (const auto& k : kroki) {
    z.Zostalo(k.wBuforze);
    EXPECT_EQ(z.Bajty(), k.bajty) << k.wBuforze.Wartosc();
  }
  z.Dodaj(kS, 50);
  EXPECT_EQ(z.Bajty(), 50);
  z.Wyczysc();
  EXPECT_EQ(z.Bajty(), 0);
  z.Zostalo(kS);
  EXPECT_EQ(z.Bajty(), 0);
}

}  // namespace
