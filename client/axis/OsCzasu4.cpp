#include "axis/OsCzasu4.h"

#include <random>

#include "core/CallTrace.h"
#include "core/Log.h"
#include "display/Dni.h"
#include "display/Godziny.h"
#include "display/Minuty.h"
#include "display/Sekundy.h"

namespace {

// Before this no real time is set (1700-12-08): the axis does not move there.
const Czas kNajwczesniejszy = Czas((Roznica::Dzien * 36500).Wartosc());
// Before this the bands are not drawn.
const Czas kRysowanyOd = Czas((Roznica::Dzien * 1000).Wartosc());

}  // namespace

OsCzasu4::OsCzasu4() : czas(Czas::Teraz()) {
  KG_TRACE("OsCzasu4::OsCzasu4()");
  pasma[0] = std::make_unique<FragmentOsi4>(this, std::make_unique<Sekundy>());
  pasma[1] = std::make_unique<FragmentOsi4>(this, std::make_unique<Minuty>());
  pasma[2] = std::make_unique<FragmentOsi4>(this, std::make_unique<Godziny>());
  pasma[3] = std::make_unique<FragmentOsi4>(this, std::make_unique<Dni>());
  kontrolka.updater = this;
  kontrolka.receiver = this;
}

OsCzasu4::~OsCzasu4() = default;

Czas OsCzasu4::Get() { return czas; }

void OsCzasu4::Set(Czas c) {
  KG_TRACE("OsCzasu4::Set(Czas c)");
  if (przeciaganie.aktywny) return;
  cel = c;
  UstawCzas(c);
}

void OsCzasu4::UstawCzas(Czas t) {
  KG_TRACE("OsCzasu4::UstawCzas(Czas t)");
  if (t < kNajwczesniejszy) return;
  czas = t;
  for (auto& p : pasma) {
    if (p) p->UstawCzas(t);
  }
}

void OsCzasu4::UstawPrzedzialy(int warstwa, Przedzialy& p) {
  KG_TRACE("OsCzasu4::UstawPrzedzialy(int warstwa,Przedzialy &p)");
  p.Refresh();
  for (auto& b : pasma) b->UstawPrzedzialy(warstwa, p);
}

void OsCzasu4::AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) {
  KG_TRACE("OsCzasu4::AktualizujPrzedzialy(int warstwa,Update<Przedzialy> &u)");
  for (auto& b : pasma) b->AktualizujPrzedzialy(warstwa, u);
}

void OsCzasu4::ObetnijWarstwy(int ostatnia) {
  KG_TRACE("OsCzasu4::ObetnijWarstwy(int ostatnia)");
  for (auto& b : pasma) b->ObetnijWarstwy(ostatnia);
}

void OsCzasu4::UstawMarkery(int typ, TypMarkerow& m) {
  KG_TRACE("OsCzasu4::UstawMarkery(int typ,TypMarkerow &m)");
  for (auto& b : pasma) b->UstawMarkery(typ, m);
}

void OsCzasu4::AktualizujMarkery(int typ, Update<TypMarkerow>& u) {
  KG_TRACE("OsCzasu4::AktualizujMarkery(int typ,Update<TypMarkerow> &u)");
  for (auto& b : pasma) b->AktualizujMarkery(typ, u);
}

void OsCzasu4::RysujMarker(Bitmap* b, int typ, int64_t x) {
  // The same colour for a type every time: a generator seeded with the type.
  std::minstd_rand los(static_cast<unsigned>(typ) + 1);
  b->SetColor(static_cast<int>(los() & 0xFFFFFF));
  b->Fill(Rect{x, 0, x + 1, b->Height()});
}

void OsCzasu4::PrawyKlik(Czas, Przedzial) {}

void OsCzasu4::SetBitmap(Bitmap* b) {
  KG_TRACE("OsCzasu4::SetBitmap(Bitmap *b)");
  bitmapa = b;
  narysowane = false;
  if (b == nullptr) {
    for (auto& s : podbitmapy) s.reset();
    return;
  }
  const int64_t W = b->Width();
  const int64_t H = b->Height();
  for (int k = 0; k < kPasma; ++k) {
    const Rect r{0, (k * H) / kPasma + 1, W, ((k + 1) * H) / kPasma};
    auto& s = podbitmapy[static_cast<size_t>(k)];
    s = b->Sub(std::move(s), r);
    pasma[static_cast<size_t>(k)]->UstawEkran(s.get());
    pasma[static_cast<size_t>(k)]->narysowany = false;
  }
}

void OsCzasu4::Invalidate() { narysowane = false; }

Rect OsCzasu4::Nieaktualne(Rect cala) const {
  if (bitmapa == nullptr || !narysowane) return cala;
  Rect r;
  for (int k = 0; k < kPasma; ++k) {
    const SubBitmap* s = podbitmapy[static_cast<size_t>(k)].get();
    if (!pasma[static_cast<size_t>(k)]->narysowany && s != nullptr) r = r.Objety(s->Prostokat());
  }
  return r;
}

void OsCzasu4::Paint() {
  KG_TRACE("OsCzasu4::Paint()");
  if (bitmapa == nullptr) return;
  if (!narysowane) {
    for (auto& b : pasma) b->narysowany = false;
  }
  // The frame's rows between the bands fall partly inside the bands' strips, so a band
  // drawn again takes the frame with it.
  bool pasmo = false;
  if (czas > kRysowanyOd) {
    for (int k = 0; k < kPasma; ++k) {
      FragmentOsi4& b = *pasma[static_cast<size_t>(k)];
      pasmo = pasmo || !b.narysowany;
      b.Rysuj(podbitmapy[static_cast<size_t>(k)].get());
    }
  }
  if (narysowane && !pasmo) return;
  const int64_t W = bitmapa->Width();
  const int64_t H = bitmapa->Height();
  bitmapa->SetColor(0);
  for (int k = 0; k <= kPasma; ++k) {
    const int64_t y = (k * (H - 1)) / kPasma;
    bitmapa->Fill(Rect{0, y, W, y + 1});
  }
  // The rows between the bands that no band covers are part of the frame too, so that
  // nothing stale shows there whatever the bitmap held.
  for (int k = 1; k < kPasma; ++k) {
    const int64_t y = (k * H) / kPasma;
    bitmapa->Fill(Rect{0, y, W, y + 1});
  }
  bitmapa->SetColor(0xDF7070);
  bitmapa->Fill(Rect{W / 2, 0, W / 2 + 1, H});
  narysowane = true;
}

int OsCzasu4::PasmoPod(int x, int y) const {
  for (int k = kPasma - 1; k >= 0; --k) {
    const SubBitmap* s = podbitmapy[static_cast<size_t>(k)].get();
    if (s != nullptr && s->Prostokat().Contains(Point{x, y})) return k;
  }
  Log(0, "shouldnt be reached", KG_WHERE);
  return 0;
}

Point OsCzasu4::PozycjaKursora(Point wzgledna) {
  if (kursor != nullptr) return kursor->Pozycja();
  return Point{kontrolka.poczatekEkranu.x + wzgledna.x, kontrolka.poczatekEkranu.y + wzgledna.y};
}

void OsCzasu4::MouseDown(TMouseButton button, TShiftState, int x, int y) {
  KG_TRACE("OsCzasu4::MouseDown(TMouseButton Button,TShiftState Shift,int X,int Y)");
  if (button != TMouseButton::mbLeft) return;
  przeciaganie.Start(PozycjaKursora(Point{x, y}));
  skala = pasma[static_cast<size_t>(PasmoPod(x, y))]->Skala();
  // Nothing was set from outside yet: the drag starts from the time shown.
  if (cel == Czas()) cel = czas;
}

void OsCzasu4::MouseDrag(TShiftState shift, Point p) {
  KG_TRACE("OsCzasu4::MouseDrag(TShiftState shift, Point p)");
  if (bitmapa == nullptr || (shift & ssLeft) == 0 || !przeciaganie.aktywny || skala == nullptr) return;
  const Point o = kontrolka.poczatekEkranu;
  przeciaganie.granice = Rect{o.x, o.y, o.x + bitmapa->Width(), o.y + bitmapa->Height() - 1};
  przeciaganie.Aktualizuj(PozycjaKursora(p), kursor);
  cel -= skala->Piksel() * przeciaganie.dx;
  Czas pokaz = cel;
  if ((shift & ssCtrl) != 0) {
    skala->Ustaw(cel);
    pokaz = skala->poczatek;
  }
  UstawCzas(pokaz);
}

void OsCzasu4::MouseUp(TMouseButton button, TShiftState, int x, int y) {
  KG_TRACE("OsCzasu4::MouseUp(TMouseButton Button,TShiftState Shift,int X,int Y)");
  if (button == TMouseButton::mbLeft) {
    if (!przeciaganie.aktywny) return;
    przeciaganie.Stop();
    Zmieniony();
  } else if (button == TMouseButton::mbRight) {
    const size_t k = static_cast<size_t>(PasmoPod(x, y));
    FragmentOsi4* b = pasma[k].get();
    const SubBitmap* s = podbitmapy[k].get();
    const Czas t = b->CzasKolumny(x - (s != nullptr ? s->Prostokat().x0 : 0));
    auto j = b->Skala()->Nowy();
    j->Ustaw(t);
    const Czas od = j->poczatek;
    j->Nastepny();
    PrawyKlik(t, Przedzial(od, j->poczatek));
  }
}
