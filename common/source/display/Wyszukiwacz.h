#pragma once
// A unit scale of the time axis: it finds the units (seconds, minutes, hours, local days,
// local months) that a band is divided into, names them, and says how much time one pixel
// column of the band stands for. `poczatek` is the start of the current unit, set by
// Ustaw and moved by Nastepny. A value owned by its band; window thread only.
#include <memory>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"

class Wyszukiwacz {
 public:
  Wyszukiwacz() = default;
  Wyszukiwacz(const Wyszukiwacz&) = delete;
  Wyszukiwacz& operator=(const Wyszukiwacz&) = delete;
  virtual ~Wyszukiwacz() = default;

  // The label of the current unit; here the local second of `poczatek`, two digits.
  virtual String Napis();
  // The nominal length of a unit.
  virtual Roznica Dlugosc() = 0;
  // Makes the unit that holds t current.
  virtual void Ustaw(Czas t) = 0;
  // Makes the next unit current.
  virtual void Nastepny() = 0;
  // The time one pixel column stands for; here a thirtieth of the unit.
  virtual Roznica Piksel();
  // A new scale of the same kind (for finding unit boundaries beside this one).
  virtual std::unique_ptr<Wyszukiwacz> Nowy() = 0;
  // The scale's name, written in the band's corner.
  virtual String Nazwa() = 0;

  // The start of the current unit.
  Czas poczatek;
};
