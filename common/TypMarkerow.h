#pragma once
// A kind of marker: the moments at which markers of one kind lie, ordered by signed
// 64-bit comparison, without duplicates. A value owned by its holder (the event base, the
// time axis); one thread at a time.
#include <set>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "intervals/Przedzial.h"

class IniBase;

class TypMarkerow {
 public:
  TypMarkerow() = default;

  // Inserts every moment of t.
  void Dodaj(const TypMarkerow& t);
  // Erases every moment of t that is present; others are ignored.
  void Odejmij(const TypMarkerow& t);
  // Inserts one moment.
  void Dodaj(Czas c);
  // Empties the set and inserts c.
  void Ustaw(Czas c);
  // Thins the moments out: walking them in ascending order with the last kept moment
  // starting at zero, a moment m goes when the last kept + d > m, otherwise it is kept.
  // So kept moments are at least d apart (and none lies less than d after zero).
  void Przerzedz(Roznica d);

  // [first moment, last moment]; [0, 0] when empty.
  Przedzial Zakres() const;
  // "(" + the number of moments + ")".
  String Opis() const;
  // The count (4 bytes, little-endian), then each moment as 8 bytes, ascending. Reading
  // empties the set, refuses a count that the remaining bytes cannot hold, and inserts
  // each moment read; a repeated moment is dropped.
  void lsa(IniBase& f);

  int Ile() const { return static_cast<int>(momenty.size()); }
  bool Zawiera(Czas c) const { return momenty.count(c) != 0; }
  const std::set<Czas>& Momenty() const { return momenty; }

  bool operator==(const TypMarkerow&) const = default;

 private:
  std::set<Czas> momenty;
};
