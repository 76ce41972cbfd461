#include "axis/Przeciaganie.h"

#include "core/CallTrace.h"

void Przeciaganie::Start(Point kursor) {
  KG_TRACE("Przeciaganie::Start(Point kursor)");
  dx = 0;
  dy = 0;
  aktywny = true;
  ostatni = kursor;
}

void Przeciaganie::Stop() {
  KG_TRACE("Przeciaganie::Stop()");
  aktywny = false;
  dx = 0;
  dy = 0;
}

void Przeciaganie::Aktualizuj(Point kursor, Kursor* k) {
  KG_TRACE("Przeciaganie::Aktualizuj(Point kursor,Kursor *k)");
  if (aktywny) {
    dx = static_cast<double>(kursor.x - ostatni.x);
    dy = static_cast<double>(kursor.y - ostatni.y);
  }
  Point cel = kursor;
  bool zawin = false;
  if (kursor.x <= granice.x0) {
    cel.x = granice.x1 - 2;
    zawin = true;
  } else if (kursor.x >= granice.x1 - 1) {
    cel.x = granice.x0 + 1;
    zawin = true;
  }
  ostatni = zawin && k != nullptr && k->Przesun(cel) ? cel : kursor;
}
