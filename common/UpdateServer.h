#pragma once
// Turns whole new values into changes: it holds the current value and, given a new one,
// makes the update that leads from the current value to it. The main window uses one for
// its own marker kind, to hand the time axis only what changed. Used for T = TypMarkerow
// (any T whose Dodaj and Odejmij are set union and difference). One thread at a time.
#include "common/Update.h"
#include "core/CallTrace.h"

template <class T>
class UpdateServer {
 public:
  // Sets plus = v minus the current value and minus = the current value minus v, applies
  // that update to the current value (which then equals v) and returns it. The update
  // stays valid until the next call.
  Update<T>& Ustaw(const T& v) {
    KG_TRACE("UpdateServer::Ustaw(const T& v)");
    T dodane = v;
    dodane.Odejmij(aktualny);
    T odjete = aktualny;
    odjete.Odejmij(v);
    zmiana.plus = dodane;
    zmiana.minus = odjete;
    zmiana.Zastosuj(aktualny);
    return zmiana;
  }

  const T& Aktualny() const { return aktualny; }

 private:
  T aktualny;
  Update<T> zmiana;
};
