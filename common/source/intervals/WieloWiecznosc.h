#pragma once
// A collection of named interval sets, one per kind of event, or "everything": the whole
// timeline under every name (array count -1), which the main window lists as the whole
// programme. It travels as "WieloWiecznosc". A value owned by its holder; one thread at a
// time.
#include "core/Darray.h"
#include "core/String.h"
#include "intervals/PrzedzialyID.h"
#include "transport/Transportable.h"

class WieloWiecznosc : public Transportable {
 public:
  // Empty: no sets (count 0).
  WieloWiecznosc() = default;

  // "WieloWiecznosc".
  String Name() override;
  // The array count (4 bytes, signed, little-endian; -1 for everything, and then no sets
  // follow), then each named set by PrzedzialyID::lsa. Reading refuses a count below -1
  // and one that the remaining bytes cannot hold.
  void lsa(IniBase& f) override;

  // Whether this is everything.
  bool Wszystko() const { return dp.count == -1; }
  // Makes this everything.
  void UstawWszystko();
  // Makes this empty (count 0).
  void Wyczysc();
  // The number of named sets; 0 for everything.
  int Ile() const { return dp.count < 0 ? 0 : dp.count; }
  // The named set at index i, 0 <= i < Ile(); raises "index==" + i otherwise.
  PrzedzialyID& Element(int i);
  const PrzedzialyID& Element(int i) const;

  // The set named `nazwa`; a new empty one is appended when there is none. There are no
  // separate sets in everything: then raises the assertion "dp.c==-1".
  PrzedzialyID& DajPrzedzialy(const String& nazwa);
  // The set named `nazwa`, or null; never appends. Null for everything.
  PrzedzialyID* Znajdz(const String& nazwa);

  // Adds w: if w is everything, this becomes everything; otherwise, unless this is
  // everything already, each set of w is added (Przedzialy::Add) to the set of the same
  // name here.
  void Dodaj(WieloWiecznosc& w);
  // Takes w away: if w is everything, this becomes empty; otherwise, if this is
  // everything, raises the assertion "dp.c==-1"; otherwise each set of w is removed
  // (Przedzialy::Remove) from the set of the same name here. A name that this collection
  // lacks is ignored: nothing is taken from what is not there, and no empty set appears.
  void Odejmij(WieloWiecznosc& w);

  // Each set's name followed by "\r\n"; raises the assertion "dp.c==-1" on everything.
  String DajListe() const;
  // Each set's PrzedzialyID::Opis() followed by ", "; empty for everything.
  String Opis() const;

  // The named sets; dp.count is the number of them, -1 for everything.
  Darray<PrzedzialyID> dp;
};
