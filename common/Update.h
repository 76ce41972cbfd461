#pragma once
// A change to a value of T: what to add (plus) and what to take away (minus). The server
// sends the event base as such changes, and the main window hands the time axis the
// changes of the kinds it shows. Used for T = BazaZintegrowana, Przedzialy and
// TypMarkerow. Every such change travels as "Update<", whatever T is. A value owned by
// its holder; one thread at a time.
#include <type_traits>

#include "core/CallTrace.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"
#include "transport/IniBase.h"
#include "transport/Protokol.h"
#include "transport/Transportable.h"

template <class T>
class Update : public Transportable {
 public:
  // "Update<" (these seven characters, for every T).
  String Name() override {
    KG_TRACE("Update::Name()");
    return protokol::kUpdate;
  }
  // plus by its lsa, then minus by its lsa.
  void lsa(IniBase& f) override {
    KG_TRACE("Update::lsa(IniBase& f)");
    plus.lsa(f);
    minus.lsa(f);
  }

  // Adds plus to x, then takes minus away from it: Dodaj and Odejmij, or for interval
  // sets Add and Remove. Whatever the take-away of T raises leaves x with plus added.
  void Zastosuj(T& x) {
    KG_TRACE("Update::Zastosuj(T& x)");
    if constexpr (std::is_base_of_v<Przedzialy, T>) {
      x.Add(plus);
      x.Remove(minus);
    } else {
      x.Dodaj(plus);
      x.Odejmij(minus);
    }
  }

  // "+:" + plus.Opis() + " -:" + minus.Opis().
  String Opis()
    requires requires(T t) { t.Opis(); }
  {
    KG_TRACE("Update::Opis()");
    return "+:" + plus.Opis() + " -:" + minus.Opis();
  }

  // What to add.
  T plus;
  // What to take away.
  T minus;
};
