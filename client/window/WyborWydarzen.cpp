#include "window/WyborWydarzen.h"

#include "common/Update.h"
#include "core/CallTrace.h"
#include "core/Log.h"
#include "transport/Protokol.h"
#include "window/LiniaStatusu.h"
#include "window/ListaEksportu.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokOsi.h"
#include "window/WidokWydarzen.h"

namespace {
const char* const kCalyProgram = "Cały program";

// The lines of `tekst`, each ended by "\r\n" (a last line without it counts too).
std::vector<String> Linie(const String& tekst) {
  std::vector<String> linie;
  size_t p = 0;
  while (p < tekst.size()) {
    size_t k = tekst.find("\r\n", p);
    if (k == String::npos) k = tekst.size();
    linie.push_back(tekst.substr(p, k - p));
    p = k + 2;
  }
  return linie;
}

// The intervals of family `nazwa` in w; empty when w has no such family (or is everything).
Przedzialy Rodzina(WieloWiecznosc& w, const String& nazwa) {
  if (PrzedzialyID* p = w.Znajdz(nazwa)) return *p;
  return Przedzialy();
}
}  // namespace

WyborWydarzen::WyborWydarzen(WidokWydarzen& w, WidokOsi& o, SterowaniePlayera& p, LiniaStatusu& s,
                             ListaEksportu& e, const Przedzialy& nagrania)
    : widok(w), os(o), player(p), status(s), eksport(e), przedzialyAudio(nagrania) {}

void WyborWydarzen::Baza(Paczka2& p, bool init) {
  KG_TRACE("WyborWydarzen::Baza(Paczka2& p, bool init)");
  // A base sent anew replaces the whole base; the families chosen are chosen again from it
  // below, since the server goes on playing them alone.
  std::vector<String> wybraneWczesniej;
  if (init) {
    baza.Wyczysc();
    wybraneWczesniej.swap(wybraneRodziny);
  }
  Update<BazaZintegrowana> u;
  p.Wyjmij(u);
  Log(0, "update iwentow: " + u.Opis(), KG_WHERE);
  u.Zastosuj(baza);

  String menu = String(kCalyProgram) + "\r\n";
  if (!baza.iwenty.Wszystko()) menu += baza.iwenty.DajListe();
  menu += baza.ListaMarkerow();
  if (menu != tekstMenuWydarzen) {
    const std::vector<String> linie = Linie(menu);
    widok.UstawMenuWydarzen(linie.size() < 2 ? std::vector<String>() : linie, linie.size() >= 2);
    tekstMenuWydarzen = menu;
  }
  for (size_t i = 0; i < wybraneRodziny.size(); ++i) {
    Update<Przedzialy> z;
    z.plus = Rodzina(u.plus.iwenty, wybraneRodziny[i]);
    z.minus = Rodzina(u.minus.iwenty, wybraneRodziny[i]);
    os.AktualizujPrzedzialy(static_cast<int>(i) + 2, z);
  }
  for (size_t i = 0; i < wybraneTypy.size(); ++i) {
    Update<TypMarkerow> z;
    auto a = u.plus.markery.find(wybraneTypy[i]);
    if (a != u.plus.markery.end()) z.plus = a->second;
    auto b = u.minus.markery.find(wybraneTypy[i]);
    if (b != u.minus.markery.end()) z.minus = b->second;
    os.AktualizujMarkeryWydarzenia(static_cast<int>(i), z);
  }
  for (const String& r : wybraneWczesniej) {
    if (baza.iwenty.Znajdz(r) == nullptr) {
      // The family is gone from the station's events: nothing of it is left to play alone.
      status.LadnyPrint("Wydarzeń " + String("\"") + r + "\" już nie ma: gra cały program.");
      CalyProgram();
      return;
    }
  }
  if (!wybraneWczesniej.empty()) wybraneRodziny = wybraneWczesniej;
  OdswiezWydarzenia();
}

void WyborWydarzen::Nagrania(const Przedzialy& zmiana, bool calosc) {
  // The events shown are the family's events that were recorded: recordings that reach an
  // event chosen (one being recorded now, or a backlog catching up) change the list.
  if (calosc ? !wybraneRodziny.empty() : DotykaWybranychRodzin(zmiana)) OdswiezWydarzenia();
}

void WyborWydarzen::NowaStacja() {
  KG_TRACE("WyborWydarzen::NowaStacja()");
  widok.UstawPrzyciskWydarzen(kCalyProgram);
  widok.PokazListeWydarzen(false);
  wybraneRodziny.clear();
  OdswiezWydarzenia();
}

bool WyborWydarzen::DotykaWybranychRodzin(const Przedzialy& zmiana) {
  for (const String& r : wybraneRodziny) {
    PrzedzialyID* w = baza.iwenty.Znajdz(r);
    if (w == nullptr) continue;
    Przedzialy wspolne;
    wspolne.Mul(*w, zmiana);
    if (wspolne.Count() > 0) return true;
  }
  return false;
}

void WyborWydarzen::CalyProgram() {
  KG_TRACE("WyborWydarzen::CalyProgram()");
  wybraneRodziny.clear();
  OdswiezWydarzenia();
  player.GrajWszystko();
  widok.UstawPrzyciskWydarzen(kCalyProgram);
  widok.PokazListeWydarzen(false);
}

void WyborWydarzen::WybierzRodzine(const String& rodzina) {
  KG_TRACE("WyborWydarzen::WybierzRodzine(const String& rodzina)");
  ostatniaRodzina = rodzina;
  wybraneRodziny = {rodzina};
  player.GrajIwenty(rodzina);
  widok.UstawPrzyciskWydarzen(rodzina);
  widok.PokazListeWydarzen(true);
}

void WyborWydarzen::Popup4Cos(const String& podpis) {
  KG_TRACE("WyborWydarzen::Popup4Cos(const String& podpis)");
  wydarzeniaDnia.Clear();
  if (podpis == kCalyProgram) {
    CalyProgram();
    return;
  }
  if (baza.markery.count(podpis) != 0) {
    player.WyslijString(protokol::kWyslijBaze);
    wybraneTypy = {podpis};
    os.UstawMarkeryWydarzenia(0, baza.markery[podpis]);
    widok.UstawPrzyciskWydarzen(podpis);
    widok.PokazListeWydarzen(true);
  } else if (baza.iwenty.Znajdz(podpis) != nullptr) {
    WybierzRodzine(podpis);
  }
  OdswiezWydarzenia();
}

void WyborWydarzen::PrzelaczWydarzenia() {
  KG_TRACE("WyborWydarzen::PrzelaczWydarzenia()");
  if (wybraneRodziny.empty() && !ostatniaRodzina.empty()) {
    WybierzRodzine(ostatniaRodzina);
    OdswiezWydarzenia();
  } else {
    CalyProgram();
  }
}

void WyborWydarzen::OdswiezWydarzenia() {
  KG_TRACE("WyborWydarzen::OdswiezWydarzenia()");
  os.UsunWydarzenia();
  Przedzialy zebrane;
  wszystkieWydarzenia.Clear();
  for (size_t i = 0; i < wybraneRodziny.size(); ++i) {
    Przedzialy w;
    if (PrzedzialyID* r = baza.iwenty.Znajdz(wybraneRodziny[i])) w.Mul(*r, przedzialyAudio);
    os.UstawPrzedzialy(static_cast<int>(i) + 2, w);
    wszystkieWydarzenia.Add(w);
    zebrane.Add(w);
  }
  zebrane.Remove1(Przedzial(Czas(0), poczatekDnia - Roznica::Minuta * 15));
  zebrane.Remove1(Przedzial(koniecDnia + Roznica::Minuta * 15, Czas::Max));
  if (zebrane.Count() == 0) return;
  if (zebrane.Count() == wydarzeniaDnia.Count() && zebrane.Begin() == wydarzeniaDnia.Begin()) {
    // Only the last event can have changed: one still being recorded grows.
    Przedzialy ostatni;
    ostatni.Add(zebrane.Wszystkie().back());
    String linia = ostatni.ListaSekund();
    while (!linia.empty() && (linia.back() == '\n' || linia.back() == '\r')) linia.pop_back();
    widok.ZmienOstatniaLinieWydarzen(linia);
    wydarzeniaDnia = zebrane;
    return;
  }
  wydarzeniaDnia = zebrane;
  widok.UstawListeWydarzen(zebrane.ListaSekund());
}

void WyborWydarzen::DzienPozycji(Czas t) {
  KG_TRACE("WyborWydarzen::DzienPozycji(Czas t)");
  if (t <= Czas(0) + Roznica::Dzien * 1000) return;
  const Czas lokalny = t.Lokalny().lokalny;
  const Czas polnoc = Czas(lokalny.Wartosc() - lokalny % Roznica::Dzien);
  const Czas poczatek = Czas::ZLokalnego(polnoc);
  if (poczatek == poczatekDnia) return;
  poczatekDnia = poczatek;
  koniecDnia = Czas::ZLokalnego(polnoc + Roznica::Dzien);
  wydarzeniaDnia.Clear();
  OdswiezWydarzenia();
}

std::optional<Przedzial> WyborWydarzen::Wydarzenie(int indeks) const {
  const std::vector<Przedzial> w = wydarzeniaDnia.Wszystkie();
  if (indeks < 0 || indeks >= static_cast<int>(w.size())) return std::nullopt;
  return w[static_cast<size_t>(indeks)];
}

void WyborWydarzen::GrajWydarzenie(int indeks) {
  KG_TRACE("WyborWydarzen::GrajWydarzenie(int indeks)");
  if (const std::optional<Przedzial> w = Wydarzenie(indeks)) player.UstawPozycje(w->begin - Roznica::Sekunda * 5);
}

void WyborWydarzen::EksportujWydarzenie(int indeks) {
  KG_TRACE("WyborWydarzen::EksportujWydarzenie(int indeks)");
  if (const std::optional<Przedzial> w = Wydarzenie(indeks)) eksport.DodajDoEksportu(w->begin, w->end);
}
