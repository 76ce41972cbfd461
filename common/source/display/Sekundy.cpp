#include "display/Sekundy.h"

#include "core/CallTrace.h"

String Sekundy::Napis() {
  KG_TRACE("Sekundy::Napis()");
  return poczatek.Formatuj("s");
}

Roznica Sekundy::Dlugosc() { return Roznica::Sekunda; }

void Sekundy::Ustaw(Czas t) {
  KG_TRACE("Sekundy::Ustaw(Czas t)");
  poczatek = t.Zaokraglij(Dlugosc());
}

void Sekundy::Nastepny() {
  KG_TRACE("Sekundy::Nastepny()");
  poczatek += Dlugosc();
}

Roznica Sekundy::Piksel() { return Roznica::Sekunda / 30; }

std::unique_ptr<Wyszukiwacz> Sekundy::Nowy() { return std::make_unique<Sekundy>(); }

String Sekundy::Nazwa() { return "Sekunda"; }
