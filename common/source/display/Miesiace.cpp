#include "display/Miesiace.h"

#include "core/CallTrace.h"
#include "core/Kalendarz.h"

String Miesiace::Napis() {
  KG_TRACE("Miesiace::Napis()");
  return (poczatek + Roznica::Dzien).FormatujWzorem("mmmm yyyy");
}

Roznica Miesiace::Dlugosc() { return Roznica::Dzien * 28; }

void Miesiace::Ustaw(Czas t) {
  KG_TRACE("Miesiace::Ustaw(Czas t)");
  const CzasLokalny l = t.Lokalny();
  rok = l.wYear;
  miesiac = l.wMonth;
  Przelicz();
}

void Miesiace::Nastepny() {
  KG_TRACE("Miesiace::Nastepny()");
  if (++miesiac > 12) {
    miesiac = 1;
    ++rok;
  }
  Przelicz();
}

void Miesiace::Przelicz() {
  const int64_t dzien = kalendarz::NumerDnia(rok, miesiac, 1);
  poczatek = Czas::ZLokalnego(Czas(dzien * Roznica::Dzien.Wartosc()));
}

std::unique_ptr<Wyszukiwacz> Miesiace::Nowy() { return std::make_unique<Miesiace>(); }

String Miesiace::Nazwa() { return "Miesiąc"; }
