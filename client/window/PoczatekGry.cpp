#include "window/PoczatekGry.h"

#include "player/ListaStacji.h"
#include "transport/CelStacji.h"
#include "transport/ServerAddress.h"

namespace {

PoczatekGry Blad(PoczatekGry::Powod p) {
  PoczatekGry g;
  g.rodzaj = PoczatekGry::Rodzaj::Blad;
  g.blad = p;
  return g;
}

}  // namespace

void DolaczSerwery(ListaStacji& l, const std::vector<String>& serwery, PoczatekGry::Zasady z) {
  if (serwery.empty() || z.ustawieniaZSerwerami) l.OdczytajListeSerwerow();
  for (const String& s : serwery) {
    const ServerAddress a = ParseServerAddress(s);
    bool jest = false;
    for (int i = 0; i < l.IleSerwerow() && !jest; ++i) {
      const klient::Serwer& z2 = l.DajSerwer(i);
      jest = z2.adres == a.host && z2.port == a.port;
    }
    if (!jest) l.DodajSerwer(a.host, a.port);
  }
}

PoczatekGry Decyduj(const ListaStacji& l, const String& cel, std::optional<Czas> od, PoczatekGry::Zasady z) {
  PoczatekGry g;
  g.rodzaj = PoczatekGry::Rodzaj::Graj;
  g.cel = cel;
  g.od = od;
  if (g.cel.empty()) {
    g.rodzaj = PoczatekGry::Rodzaj::Wznow;
    g.cel = l.StartNazwa();
    if (!g.od && l.StartCzas().Wartosc() > 0) g.od = l.StartCzas();
  }
  if (g.cel.empty()) {
    if (z.czekajBezCelu) return PoczatekGry{};
    return Blad(PoczatekGry::Powod::NicDoGrania);
  }
  if (CzytajCel(g.cel).blad != BladCelu::BezSerwera) return g;
  // A name alone: the only server's station, or the one that records it.
  if (l.IleSerwerow() == 0) return Blad(PoczatekGry::Powod::BrakSerwerow);
  if (l.IleSerwerow() == 1) {
    const klient::Serwer& s = l.DajSerwer(0);
    g.cel = CelStacji{g.cel, ServerAddress{s.adres, s.port}}.Napis();
    return g;
  }
  g.rodzaj = PoczatekGry::Rodzaj::Szukaj;
  return g;
}

PoczatekGry Znaleziona(const ListaStacji& l, const String& nazwa, std::optional<Czas> od) {
  for (const klient::Stacja& st : l.Stacje()) {
    if (st.nazwa != nazwa) continue;
    PoczatekGry g;
    g.rodzaj = PoczatekGry::Rodzaj::Graj;
    g.cel = st.Cel();
    g.od = od;
    return g;
  }
  return Blad(PoczatekGry::Powod::NieMaStacji);
}
