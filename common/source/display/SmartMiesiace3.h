#pragma once
// The month scale of the player's axis: local months whose pixel duration (`krok`) the
// axis sets from the span of the recordings, so that the span fills about half the band.
// `poprzedniaDlugosc` is the span length last used for that (one tick until the first).
#include "display/Miesiace.h"
#include "display/SmartMiesiace2.h"

class SmartMiesiace3 : public Miesiace {
 public:
  Roznica Piksel() override { return krok; }
  // A SmartMiesiace2, whose `krok` stays 3 hours: copies only find unit boundaries.
  std::unique_ptr<Wyszukiwacz> Nowy() override { return std::make_unique<SmartMiesiace2>(); }

  Roznica krok = Roznica::Godzina * 3;
  Roznica poprzedniaDlugosc;
  // Whether poprzedniaDlugosc was ever recorded.
  bool zapisana = false;
};
