#include "display/Wyszukiwacz.h"

#include "core/CallTrace.h"

String Wyszukiwacz::Napis() {
  KG_TRACE("Wyszukiwacz::Napis()");
  return poczatek.Formatuj("s");
}

Roznica Wyszukiwacz::Piksel() {
  KG_TRACE("Wyszukiwacz::Piksel()");
  return Dlugosc() / 30;
}
