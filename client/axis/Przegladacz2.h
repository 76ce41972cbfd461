#pragma once
// Walks several interval sets (the layers of a band) at once, cutting time into pieces
// over which the combination of layers does not change. Holds references to the layers,
// which must not change while it walks. Window thread only.
#include <cstdint>
#include <vector>

#include "core/Czas.h"
#include "intervals/Przedzialy.h"

class Przegladacz2 {
 public:
  // Starts at time `start`.
  Przegladacz2(const std::vector<Przedzialy>& warstwy, Czas start);

  // c = the earliest change of any layer after c (a begin, or one tick past an end), or
  // Czas::Max when no layer changes any more.
  void Dalej();
  // The layers that cover the piece just passed, the tick c - 1: bit i for layer i; layers
  // from 63 on all set bit 63.
  uint64_t Flagi() const;

  // The current time.
  Czas c;

 private:
  // A layer and the position of the first of its intervals that does not end before c.
  struct PrzeglPrzed2 {
    const Przedzialy* warstwa;
    int pozycja;
  };
  std::vector<PrzeglPrzed2> kursory;
};
