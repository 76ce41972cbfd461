#include "display/Dni.h"

#include "core/CallTrace.h"
#include "core/Kalendarz.h"

namespace {

// The first instant of the local day `numer` (days since 1601-01-01).
Czas PoczatekDnia(int64_t numer) { return Czas::ZLokalnego(Czas(numer * Roznica::Dzien.Wartosc())); }

// The local day number of t.
int64_t DzienLokalny(Czas t) { return kalendarz::DzielWDol(t.Lokalny().lokalny.Wartosc(), Roznica::Dzien.Wartosc()); }

}  // namespace

String Dni::Napis() {
  KG_TRACE("Dni::Napis()");
  return poczatek.FormatujWzorem("d [dddd]");
}

Roznica Dni::Dlugosc() { return Roznica::Dzien; }

void Dni::Ustaw(Czas t) {
  KG_TRACE("Dni::Ustaw(Czas t)");
  poczatek = PoczatekDnia(DzienLokalny(t));
}

void Dni::Nastepny() {
  KG_TRACE("Dni::Nastepny()");
  poczatek = PoczatekDnia(DzienLokalny(poczatek) + 1);
}

Roznica Dni::Piksel() { return Roznica::Dzien / 240; }

std::unique_ptr<Wyszukiwacz> Dni::Nowy() { return std::make_unique<Dni>(); }

String Dni::Nazwa() { return "Dzień"; }
