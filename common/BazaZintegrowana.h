#pragma once
// The event base: a station's events (a named interval set per kind of event) and
// markers (a set of moments per kind of marker), as the server keeps them. The server
// sends it whole and then as changes (Update<BazaZintegrowana>); it lives only in memory.
// It travels as "BazaZintegrowana". Owned by the main window and used on its thread only.
#include <map>

#include "common/TypMarkerow.h"
#include "core/String.h"
#include "intervals/WieloWiecznosc.h"
#include "transport/Transportable.h"

class BazaZintegrowana : public Transportable {
 public:
  BazaZintegrowana() = default;

  // "BazaZintegrowana".
  String Name() override;
  // iwenty by WieloWiecznosc::lsa, then the number of marker kinds (4 bytes), then for
  // each kind in name order its name (String) and its TypMarkerow::lsa. Reading empties
  // the map, refuses a count that the remaining bytes cannot hold, and keeps the first
  // of two kinds of the same name.
  void lsa(IniBase& f) override;

  // Adds b's events (WieloWiecznosc::Dodaj), then each of b's marker kinds: copied in
  // when this base lacks the kind, otherwise added to this base's kind.
  void Dodaj(BazaZintegrowana& b);
  // Takes b's events away (WieloWiecznosc::Odejmij, which raises "dp.c==-1" when this
  // base holds every event and b does not), then takes each of b's marker kinds away from
  // this base's kind of the same name. Kinds this base lacks are ignored, and kinds are
  // never erased, even when they become empty.
  void Odejmij(BazaZintegrowana& b);
  // No events (count 0), no marker kinds.
  void Wyczysc();

  // The marker kind `nazwa`; an empty one is inserted first when there is none.
  TypMarkerow& Markery(const String& nazwa);
  // Each marker kind's name followed by "\r\n", in name order.
  String ListaMarkerow() const;
  // "iwenty:" + iwenty.Opis() + " markery:" + for each kind: name + its Opis() + ",".
  String Opis() const;

  // One named interval set per kind of event, or everything.
  WieloWiecznosc iwenty;
  // Marker kinds by name, in byte-wise order of the names.
  std::map<String, TypMarkerow> markery;
};
