#include "korwendo-export/PostepEksportu.h"

#include <gtest/gtest.h>

namespace {

PaczkaAudio Paczka(Czas t, int sekundy) {
  PaczkaAudio p;
  p.format = "8000 mono 128 PCM";  // 16000 bytes a second
  p.czas = t;
  p.dane.SetSize(16000 * sekundy);
  return p;
}

// Two intervals of 100 s with a gap between them: audio after the gap counts the gap as
// passed; the time left follows the pace so far.
TEST(PostepEksportu, ShareOfTheIntervalsReached) {
  const Czas t0 = Czas(Roznica::Dzien.Wartosc() * 1000);
  Przedzialy p;
  p.Add(Przedzial{t0, t0 + Roznica::Sekunda * 100});
  p.Add(Przedzial{t0 + Roznica::Sekunda * 500, t0 + Roznica::Sekunda * 600});
  PostepEksportu e(p);
  EXPECT_EQ(e.Udzial(), 0);
  EXPECT_FALSE(e.Zostalo(Roznica::Sekunda));
  e.Dodaj(Paczka(t0, 50));
  EXPECT_NEAR(e.Udzial(), 0.25, 1e-6);
  EXPECT_EQ(e.Zostalo(Roznica::Sekunda * 10), Roznica::Sekunda * 30);
  EXPECT_EQ(e.Pasek(Roznica::Sekunda * 10, 8), " 25% [##......] 50 s of audio, 0:00:30 left");
  e.Dodaj(Paczka(t0 + Roznica::Sekunda * 550, 10));
  EXPECT_NEAR(e.Udzial(), 0.8, 1e-6);
  EXPECT_EQ(e.Audio(), Roznica::Sekunda * 60);
  e.Dodaj(Paczka(t0 + Roznica::Sekunda * 590, 20));  // past the end
  EXPECT_NEAR(e.Udzial(), 1.0, 1e-6);
  PaczkaAudio zla = Paczka(t0, 1);
  zla.format = "bzdura";
  e.Dodaj(zla);
  EXPECT_EQ(e.Audio(), Roznica::Sekunda * 80);
}

}  // namespace
