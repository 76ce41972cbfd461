#include "window/DodawanieZakladek.h"

#include "core/CallTrace.h"
#include "player/ListaStacji.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokZapytan.h"

DodawanieZakladek::DodawanieZakladek(WidokZapytan& w, SterowaniePlayera& p, ListaStacji& l)
    : widok(w), player(p), lista(l) {}

String DodawanieZakladek::Opis() {
  KG_TRACE("DodawanieZakladek::Opis()");
  return player.DajStacje() + ", " + lista.StartCzas().Napis();
}

void DodawanieZakladek::Dodaj() {
  KG_TRACE("DodawanieZakladek::Dodaj()");
  lista.DodajZakladke(lista.StartCzas(), Opis(), lista.StartNazwa());
}

void DodawanieZakladek::DodajZOpisem() {
  KG_TRACE("DodawanieZakladek::DodajZOpisem()");
  String opis = Opis();
  if (!widok.Zapytaj(opis, "Opis zakładki")) return;
  lista.DodajZakladke(lista.StartCzas(), opis, lista.StartNazwa());
}
