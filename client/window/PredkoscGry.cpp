#include "window/PredkoscGry.h"

#include <algorithm>

#include "core/CallTrace.h"
#include "player/ListaStacji.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokNaZywo.h"

PredkoscGry::PredkoscGry(WidokNaZywo& w, SterowaniePlayera& p, ListaStacji& u)
    : widok(w), player(p), ustawienia(u) {}

void PredkoscGry::Ustaw(int cwierci) {
  KG_TRACE("PredkoscGry::Ustaw(int cwierci)");
  const int c = std::clamp(cwierci, kNajwolniej, kNajszybciej);
  if (c != player.Predkosc()) player.UstawPredkosc(c);
  ustawienia.UstawPredkosc(c * 25);
  Pokaz(c);
}

int PredkoscGry::Cwierci() const { return player.Predkosc(); }

void PredkoscGry::Sprawdz() { Pokaz(player.Predkosc()); }

void PredkoscGry::Pokaz(int cwierci) {
  if (pokazana == cwierci) return;
  pokazana = cwierci;
  widok.UstawPredkosc(cwierci);
}

String PredkoscGry::Napis(int cwierci) {
  String s = std::to_string(cwierci / 4);
  static const char* const kUlamki[] = {"", ",25", ",5", ",75"};
  s += kUlamki[cwierci % 4];
  return s + "×";
}
