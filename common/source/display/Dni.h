#pragma once
// Local days: from one local midnight to the next, so a day is 23 hours long where summer
// time starts and 25 where it ends; 240 pixels to the nominal day (6 minutes per pixel),
// labelled with the day of the month and the weekday, "5 [piątek]". Local time is the
// project's (Czas::Lokalny), as the digit panels show it.
#include "display/Sekundy.h"

class Dni : public Sekundy {
 public:
  String Napis() override;
  Roznica Dlugosc() override;
  // `poczatek` = the first instant of t's local day (its local midnight; where the clock
  // jumps over midnight, the instant of the jump).
  void Ustaw(Czas t) override;
  // `poczatek` = the first instant of the next local day.
  void Nastepny() override;
  Roznica Piksel() override;
  std::unique_ptr<Wyszukiwacz> Nowy() override;
  // "Dzień".
  String Nazwa() override;
};
