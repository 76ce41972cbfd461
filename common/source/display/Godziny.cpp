#include "display/Godziny.h"

#include "core/CallTrace.h"

String Godziny::Napis() {
  KG_TRACE("Godziny::Napis()");
  return poczatek.Formatuj("h");
}

Roznica Godziny::Dlugosc() { return Roznica::Godzina; }

Roznica Godziny::Piksel() { return Roznica::Godzina / 120; }

std::unique_ptr<Wyszukiwacz> Godziny::Nowy() { return std::make_unique<Godziny>(); }

String Godziny::Nazwa() { return "Godzina"; }
