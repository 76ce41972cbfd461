#pragma once
// Whole seconds: units of one second from the epoch, 30 pixels each, labelled with the
// local second.
#include "display/Wyszukiwacz.h"

class Sekundy : public Wyszukiwacz {
 public:
  String Napis() override;
  Roznica Dlugosc() override;
  // `poczatek` = t cut down to a whole multiple of the length.
  void Ustaw(Czas t) override;
  // `poczatek` + the length.
  void Nastepny() override;
  Roznica Piksel() override;
  std::unique_ptr<Wyszukiwacz> Nowy() override;
  // "Sekunda".
  String Nazwa() override;
};
