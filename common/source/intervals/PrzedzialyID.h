#pragma once
// A set of intervals with a name: the intervals of one kind of event. It travels as
// "Przedzialy", its name first. A value owned by its holder; one thread at a time.
#include "core/String.h"
#include "intervals/Przedzialy.h"

class PrzedzialyID : public Przedzialy {
 public:
  explicit PrzedzialyID(String nazwa = String());

  // The name as a String (4-byte length, then the Windows-1250 bytes), then the
  // intervals as Przedzialy::lsa moves them.
  void lsa(IniBase& f) override;
  // A double quote, the name, a double quote, ": ", the number of intervals.
  String Opis() const;

  String id;
};
