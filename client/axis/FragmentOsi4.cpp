#include "axis/FragmentOsi4.h"

#include <algorithm>
#include <iterator>

#include "axis/OsCzasu4.h"
#include "axis/Przegladacz2.h"
#include "core/CallTrace.h"

namespace {

// How far (in columns) a marker must stand from its neighbours to be drawn two pixels
// wide.
constexpr int64_t kOdstepPodwojnego = 50;

FontAttributes NazwaPasma() {
  FontAttributes a;
  a.face = "Arial";
  a.height = 14;
  a.kolor = 0xFFFFFF;
  a.tlo = 0;
  a.przezroczysty = false;
  return a;
}

FontAttributes Etykieta(bool biezaca) {
  FontAttributes a;
  a.face = "Arial";
  a.height = 20;
  a.bold = biezaca;
  a.kolor = biezaca ? 0x750803 : 0xFFFFFF;
  a.przezroczysty = true;
  return a;
}

}  // namespace

FragmentOsi4::FragmentOsi4(OsCzasu4* o, std::unique_ptr<Wyszukiwacz> w)
    : os(o), skala(std::move(w)), skala2(skala->Nowy()) {}

void FragmentOsi4::UstawCzas(Czas t) {
  KG_TRACE("FragmentOsi4::UstawCzas(Czas t)");
  const int64_t nowa = t.Wartosc() / Piksel().Wartosc();
  if (nowa != pozycja) {
    narysowany = false;
    pozycja = nowa;
  }
  // The unit of the previous time is remembered, so that the scales are asked only when
  // the time leaves it (a local day costs a time-zone conversion).
  const bool wJednostce = jednostka <= t && t < koniecJednostki;
  if (czas == Czas() || !wJednostce) {
    if (czas != Czas()) Uniewaznij(jednostka, koniecJednostki);
    skala2->Ustaw(t);
    jednostka = skala2->poczatek;
    skala2->Nastepny();
    koniecJednostki = skala2->poczatek;
    if (czas != Czas()) Uniewaznij(jednostka, koniecJednostki);
  }
  czas = t;
}

void FragmentOsi4::Uniewaznij(Czas od, Czas do_) {
  KG_TRACE("FragmentOsi4::Uniewaznij(Czas od,Czas do)");
  if (!cache || od == Czas::Max || do_ == Czas()) return;
  const int64_t d = Piksel().Wartosc();
  cache->Uniewaznij(od.Wartosc() / d - 1, do_.Wartosc() / d + 2);
  narysowany = false;
}

void FragmentOsi4::UniewaznijWszystko() { Uniewaznij(Czas(), Czas::Max); }

void FragmentOsi4::Warstwy(int warstwa) {
  if (static_cast<int>(warstwy.size()) <= warstwa) warstwy.resize(static_cast<size_t>(warstwa) + 1);
}

void FragmentOsi4::Typy(int typ) {
  if (static_cast<int>(markery.size()) <= typ) markery.resize(static_cast<size_t>(typ) + 1);
}

void FragmentOsi4::UstawPrzedzialy(int warstwa, const Przedzialy& p) {
  KG_TRACE("FragmentOsi4::UstawPrzedzialy(int warstwa, const Przedzialy& p)");
  Warstwy(warstwa);
  Przedzialy& w = warstwy[static_cast<size_t>(warstwa)];
  w = Przedzialy();
  w.tolerancja = Piksel();
  w.AddRozciagniete(p, Piksel());
  w.Refresh();
  UniewaznijWszystko();
}

void FragmentOsi4::AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) {
  KG_TRACE("FragmentOsi4::AktualizujPrzedzialy(int warstwa,Update<Przedzialy> &u)");
  Warstwy(warstwa);
  Przedzialy& w = warstwy[static_cast<size_t>(warstwa)];
  w.tolerancja = Piksel();
  w.AddRozciagniete(u.plus, Piksel());
  w.Remove(u.minus);
  w.Refresh();
  Uniewaznij(u.plus.Begin(), u.plus.End());
  Uniewaznij(u.minus.Begin(), u.minus.End());
}

void FragmentOsi4::ObetnijWarstwy(int ostatnia) {
  KG_TRACE("FragmentOsi4::ObetnijWarstwy(int ostatnia)");
  if (ostatnia < 0) ostatnia = -1;
  if (ostatnia + 1 < static_cast<int>(warstwy.size())) {
    warstwy.resize(static_cast<size_t>(ostatnia + 1));
    UniewaznijWszystko();
  }
}

void FragmentOsi4::UstawMarkery(int typ, const TypMarkerow& m) {
  KG_TRACE("FragmentOsi4::UstawMarkery(int typ, const TypMarkerow& m)");
  Typy(typ);
  TypMarkerow& t = markery[static_cast<size_t>(typ)];
  t = m;
  t.Przerzedz(Piksel() * 3);
  UniewaznijWszystko();
}

void FragmentOsi4::AktualizujMarkery(int typ, Update<TypMarkerow>& u) {
  KG_TRACE("FragmentOsi4::AktualizujMarkery(int typ,Update<TypMarkerow> &u)");
  Typy(typ);
  const Przedzial plus = u.plus.Zakres();
  const Przedzial minus = u.minus.Zakres();
  Uniewaznij(plus.begin, plus.end);
  Uniewaznij(minus.begin, minus.end);
  TypMarkerow& t = markery[static_cast<size_t>(typ)];
  u.Zastosuj(t);
  t.Przerzedz(Piksel() * 3);
}

void FragmentOsi4::Rysuj(Bitmap* e) {
  KG_TRACE("FragmentOsi4::Rysuj(Bitmap *ekran)");
  if (narysowany || e == nullptr) return;
  ekran = e;
  if (pozycja < 10000) return;
  const int64_t W = e->Width();
  const int64_t H = e->Height();
  if (W <= 0 || H <= 0) return;
  const int64_t L = pozycja - W / 2;
  const int64_t R = L + W;
  if (!cache) cache = std::make_unique<VirtualBitmap>(e->GetDrawer());
  cache->Uaktualnij(Rect{L, 0, R, H}, *this);

  e->SetFont(NazwaPasma());
  const Rect napis = e->TextAt(Point{0, 0}, skala->Nazwa());
  const int64_t Tw = napis.Width();
  const int64_t Th = std::min(napis.Height(), H);
  cache->BlitTo(Rect{L + Tw, 0, pozycja, Th}, e, Point{Tw, 0});
  cache->BlitTo(Rect{L, Th, pozycja, H}, e, Point{0, Th});
  cache->BlitTo(Rect{pozycja + 1, 0, R, H}, e, Point{pozycja - L + 1, 0});
  narysowany = true;
}

void FragmentOsi4::Paint(Bitmap* cel, Rect r) {
  KG_TRACE("FragmentOsi4::Paint(Bitmap* cel, Rect r)");
  const Roznica d = Piksel();
  const Czas t0(r.x0 * d.Wartosc());
  const Czas t1(r.x1 * d.Wartosc());
  Przegladacz2 p(warstwy, t0);
  while (p.c < t1) {
    const Czas a = p.c;
    p.Dalej();
    const int64_t x0 = a.Wartosc() / d.Wartosc();
    const int64_t x1 = std::min(p.c.Wartosc() / d.Wartosc(), r.x1);
    if (x0 < x1) os->RysujOdcinek(cel, x0, x1, r.y1, p.Flagi());
  }
  RysujMarkery(cel, r);
  RysujJednostki(cel, r);
}

void FragmentOsi4::RysujMarkery(Bitmap* cel, Rect r) {
  const int64_t d = Piksel().Wartosc();
  const auto kolumna = [d](Czas m) { return m.Wartosc() / d; };
  for (size_t i = 0; i < markery.size(); ++i) {
    const auto& m = markery[i].Momenty();
    // A marker is two pixels wide when it stands more than 50 columns after the last
    // marker that was and before the next one. That "last" depends on every marker
    // before, so the walk starts at the nearest marker whose predecessor is more than 50
    // columns away (it is always such a marker itself): the result is the same whatever
    // range is painted. It starts one column early for a doubled marker's second pixel.
    auto it = m.lower_bound(Czas(std::max<int64_t>(r.x0 - 1, 0) * d));
    while (it != m.begin()) {
      const auto poprzedni = std::prev(it);
      if (it != m.end() && kolumna(*it) - kolumna(*poprzedni) > kOdstepPodwojnego) break;
      it = poprzedni;
    }
    int64_t p = 0;
    for (; it != m.end(); ++it) {
      const int64_t F = kolumna(*it);
      if (F >= r.x1) break;
      bool podwojny = false;
      if (F - kOdstepPodwojnego > p) {
        const auto nastepny = std::next(it);
        podwojny = nastepny == m.end() || F + kOdstepPodwojnego < kolumna(*nastepny);
        p = F;
      }
      if (F >= r.x0) os->RysujMarker(cel, static_cast<int>(i), F);
      if (podwojny && F + 1 >= r.x0 && F + 1 < r.x1) os->RysujMarker(cel, static_cast<int>(i), F + 1);
    }
  }
}

void FragmentOsi4::RysujJednostki(Bitmap* cel, Rect r) {
  const int64_t d = Piksel().Wartosc();
  const Czas t1(r.x1 * d);
  skala->Ustaw(Czas(r.x0 * d));
  while (skala->poczatek < t1) {
    const Czas poczatek = skala->poczatek;
    const int64_t D = poczatek.Wartosc() / d;
    cel->SetColor(0);
    cel->Fill(Rect{D, r.y0, D + 1, r.y1});
    const String napis = skala->Napis();
    skala->Nastepny();
    const int64_t N = skala->poczatek.Wartosc() / d;
    const bool biezaca = poczatek <= czas && czas < skala->poczatek;
    cel->SetFont(Etykieta(biezaca));
    cel->TextCentered(Rect{D + 1, 1, N, r.y1}, napis);
  }
}

Czas FragmentOsi4::CzasKolumny(int64_t x) const {
  const int64_t W = ekran != nullptr ? ekran->Width() : 0;
  return Czas((x + pozycja - W / 2) * Piksel().Wartosc());
}
