#pragma once
// Whole minutes from the epoch, 60 pixels each (one second per pixel), labelled with the
// local minute.
#include "display/Sekundy.h"

class Minuty : public Sekundy {
 public:
  String Napis() override;
  Roznica Dlugosc() override;
  Roznica Piksel() override;
  std::unique_ptr<Wyszukiwacz> Nowy() override;
  // "Minuta".
  String Nazwa() override;
};
