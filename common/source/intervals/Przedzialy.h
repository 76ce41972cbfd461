#pragma once
// A set of closed time intervals kept disjoint and ordered by their beginnings: where
// audio was recorded, where events of one kind lie, what the user marked for export.
// Add merges what lies closer than `tolerancja`; Remove1 cuts a range out without
// merging; Mul intersects two sets. The set travels as "Przedzialy" (see lsa).
//
// After any sequence of Add and Remove1 the intervals are pairwise disjoint, ordered by
// begin and so by end, and those made by Add lie more than `tolerancja` apart. Mul may
// leave intervals that touch at one point ([0, 10] and [10, 20]).
//
// A value owned by its holder; not synchronised: one thread at a time.
#include <vector>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "intervals/Drzewko.h"
#include "intervals/Przedzial.h"
#include "transport/Transportable.h"

class Przedzialy : public Drzewko<Przedzial, Czas, &Przedzial::begin>, public Transportable {
 public:
  // Empty, tolerancja 3 s.
  Przedzialy();
  // Copies the intervals and tolerancja.
  Przedzialy(const Przedzialy& other) = default;
  Przedzialy& operator=(const Przedzialy& other) = default;

  // "Przedzialy".
  String Name() override;
  // Writing: the count (4 bytes, signed, little-endian), then each interval in order as
  // its begin then its end, 8 bytes each, little-endian. Reading: the set is emptied, a
  // count that the remaining bytes cannot hold is refused, and the intervals are taken
  // as they come, without merging; an interval whose begin equals one already read is
  // dropped.
  void lsa(IniBase& f) override;

  // The union with p: p absorbs every stored interval that overlaps it or lies less than
  // `tolerancja` away from it (a gap of exactly `tolerancja` is kept), and the stored
  // result runs from the earliest begin to the latest end involved.
  void Add(Przedzial p);
  // Add of the one-point interval [t, t].
  void Add(Czas t);
  // Add of each interval of p, in order. p may be this set.
  void Add(const Przedzialy& p);
  // Removes the closed range [p.begin, p.end]: intervals inside it go, intervals reaching
  // into it are cut one tick short of it, an interval reaching over it on both sides is
  // split in two. Never merges. A range whose begin lies after its end is empty and
  // removes nothing. An interval that overlaps the range while the set's order is broken
  // raises the assertion "Found->end>p.end".
  void Remove1(Przedzial p);
  // Remove1 of each interval of c, in order. c may be this set.
  void Remove(const Przedzialy& c);
  // This set becomes the intersection of p1 and p2 (either may be this set); its previous
  // content is dropped. Nothing is merged, so touching intervals give one-point
  // intersections: [0, 10] and [10, 20] intersect in [10, 10]. When two pieces of the
  // intersection begin at the same moment (inputs with touching intervals), the one kept
  // reaches to the later end.
  void Mul(const Przedzialy& p1, const Przedzialy& p2);
  // Add of each interval of z, each one whose end is not zero first lengthened to end at
  // least at begin + minimum; keeps very short events visible on the time axis. z may be
  // this set.
  void AddRozciagniete(const Przedzialy& z, Roznica minimum);

  // The begin of the first interval; Czas::Max when empty.
  Czas Begin() const;
  // The end of the last interval; zero when empty.
  Czas End() const;
  // [Begin(), End()], or [0, 0] when empty.
  Przedzial Zakres() const;
  // Whether an interval holds t: the last interval that begins at or before t (left in
  // Found) ends at or after t.
  bool Zawiera(Czas t);
  // The interval that holds c, found as by Zawiera and left in Found. When no interval
  // holds c, raises the assertion "brak przedzialu".
  const Przedzial& DajPrzedzial(Czas c);
  // 1 tick plus the sum of (end - begin) over the intervals: exactly 1 tick when empty,
  // which callers test to see that nothing is marked. Held at the 64-bit range's end
  // instead of overflowing.
  Roznica Suma() const;

  // Text forms, one line per interval, each ending in "\r\n", in local time:
  // begin's Napis, " - ", end's Napis.
  String Lista() const;
  // begin's NapisKrotki, " - ", end's NapisKrotki.
  String ListaKrotka() const;
  // begin's NapisKrotki, " - ", the length in whole seconds (truncated), " sek.".
  String ListaSekund() const;

  // The intervals in order, for walking the set without the index.
  std::vector<Przedzial> Wszystkie() const;

  // The merge tolerance of Add.
  Roznica tolerancja;

 private:
  // Inserts a piece of an intersection; a piece whose begin is taken widens the stored
  // one to the later end.
  void WstawKawalek(Przedzial p);
};
