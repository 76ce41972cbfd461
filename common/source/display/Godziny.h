#pragma once
// Whole UTC hours, 120 pixels each (30 seconds per pixel), labelled with the local hour.
#include "display/Sekundy.h"

class Godziny : public Sekundy {
 public:
  String Napis() override;
  Roznica Dlugosc() override;
  Roznica Piksel() override;
  std::unique_ptr<Wyszukiwacz> Nowy() override;
  // "Godzina".
  String Nazwa() override;
};
