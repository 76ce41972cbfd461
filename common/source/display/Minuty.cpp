#include "display/Minuty.h"

#include "core/CallTrace.h"

String Minuty::Napis() {
  KG_TRACE("Minuty::Napis()");
  return poczatek.Formatuj("m");
}

Roznica Minuty::Dlugosc() { return Roznica::Minuta; }

Roznica Minuty::Piksel() { return Roznica::Minuta / 60; }

std::unique_ptr<Wyszukiwacz> Minuty::Nowy() { return std::make_unique<Minuty>(); }

String Minuty::Nazwa() { return "Minuta"; }
