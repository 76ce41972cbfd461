#pragma once
// Local months with a pixel duration of their own (`krok`, 3 hours unless changed), for
// copies that only find unit boundaries.
#include "display/Miesiace.h"

class SmartMiesiace2 : public Miesiace {
 public:
  Roznica Piksel() override { return krok; }
  std::unique_ptr<Wyszukiwacz> Nowy() override { return std::make_unique<SmartMiesiace2>(); }

  Roznica krok = Roznica::Godzina * 3;
};
