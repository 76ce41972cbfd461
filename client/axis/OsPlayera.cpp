#include "axis/OsPlayera.h"

#include <algorithm>

#include "core/CallTrace.h"

namespace {

const Roznica kKrokMin = Roznica::Godzina;
const Roznica kKrokMax = Roznica::Godzina * 20;

}  // namespace

OsPlayera::OsPlayera(EksportNaOsi* e) : eksport(e) {
  KG_TRACE("OsPlayera::OsPlayera(EksportNaOsi *e)");
  auto m = std::make_unique<SmartMiesiace3>();
  miesiace = m.get();
  pasma[4] = std::make_unique<FragmentOsi4>(this, std::move(m));
  pasma[4]->UstawCzas(Get());
}

void OsPlayera::UstawPrzedzialy(int warstwa, Przedzialy& p) {
  KG_TRACE("OsPlayera::UstawPrzedzialy(int warstwa,Przedzialy &p)");
  if (warstwa == 0) {
    zakres = p.Zakres();
    Skaluj(false);
  }
  OsCzasu4::UstawPrzedzialy(warstwa, p);
}

void OsPlayera::AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) {
  KG_TRACE("OsPlayera::AktualizujPrzedzialy(int warstwa,Update<Przedzialy> &u)");
  if (warstwa == 0 && u.plus.Count() > 0) {
    const Przedzial dodane = u.plus.Zakres();
    // Before the first recording the span is [0, 0], which stands for nothing: widening
    // it would stretch it back to 1601.
    if (zakres == Przedzial()) {
      zakres = dodane;
    } else {
      zakres.begin = std::min(zakres.begin, dodane.begin);
      zakres.end = std::max(zakres.end, dodane.end);
    }
    Skaluj(false);
  }
  OsCzasu4::AktualizujPrzedzialy(warstwa, u);
}

void OsPlayera::SetBitmap(Bitmap* b) {
  const int64_t dawna = bitmapa != nullptr ? bitmapa->Width() : -1;
  OsCzasu4::SetBitmap(b);
  if (b != nullptr && b->Width() != dawna && miesiace->zapisana) Skaluj(true);
}

void OsPlayera::Skaluj(bool zawsze) {
  KG_TRACE("OsPlayera::Skaluj(bool zawsze)");
  if (bitmapa == nullptr || bitmapa->Width() <= 0) return;
  const Roznica L = zakres.end - zakres.begin;
  const Roznica roznica = L >= miesiace->poprzedniaDlugosc ? L - miesiace->poprzedniaDlugosc
                                                            : miesiace->poprzedniaDlugosc - L;
  if (!zawsze && miesiace->zapisana && roznica < Roznica::Dzien) return;
  miesiace->poprzedniaDlugosc = L;
  miesiace->zapisana = true;
  const Roznica krok = std::clamp(Roznica(L.Wartosc() * 2 / bitmapa->Width()), kKrokMin, kKrokMax);
  if (krok == miesiace->krok) return;
  miesiace->krok = krok;
  // Every column of the month band stands for another time now: its layers are stretched
  // to the new pixel, its position recomputed and all of it repainted.
  FragmentOsi4* pasmo = pasma[4].get();
  for (int i = 0; i < pasmo->IleWarstw(); ++i) {
    const Przedzialy w = pasmo->Warstwa(i);
    pasmo->UstawPrzedzialy(i, w);
  }
  pasmo->UstawCzas(Get());
  pasmo->UniewaznijWszystko();
  pasmo->narysowany = false;
}

void OsPlayera::RysujMarker(Bitmap* b, int typ, int64_t x) {
  int kolor = 0xFFFFFF;
  if (typ == 0) {
    kolor = 0x00FF00;
  } else if (typ >= 1 && typ <= 5) {
    kolor = 0xFFFF00;
  } else if (typ == 6) {
    kolor = 0xE7991D;
  }
  b->SetColor(kolor);
  b->Fill(Rect{x, 0, x + 1, b->Height()});
}

void OsPlayera::RysujOdcinek(Bitmap* b, int64_t x0, int64_t x1, int64_t y1, uint64_t flagi) {
  int kolor = 0xE4EAFE;
  if ((flagi & 1u) != 0) kolor = 0x766FFF;
  if ((flagi >> 2) != 0) kolor = 0xFF0000;
  b->SetColor(kolor);
  b->Fill(Rect{x0, 0, x1, y1});
  if ((flagi & 2u) != 0) {
    b->SetColor(0x0000FF);
    b->Fill(Rect{x0, 0, x1, std::min<int64_t>(8, y1)});
    b->Fill(Rect{x0, std::max<int64_t>(y1 - 8, 0), x1, y1});
  }
}

void OsPlayera::PrawyKlik(Czas t, Przedzial jednostka) {
  KG_TRACE("OsPlayera::PrawyKlik(Czas t,Przedzial jednostka)");
  if (eksport == nullptr) return;
  Przedzialy& zaznaczenie = eksport->ZaznaczenieEksportu();
  if (zaznaczenie.Zawiera(t)) {
    const Przedzial p = zaznaczenie.DajPrzedzial(t);
    eksport->UsunZEksportu(p.begin, p.end);
    return;
  }
  Przedzialy& wydarzenia = eksport->WydarzeniaNaOsi();
  if (wydarzenia.Zawiera(t)) {
    const Przedzial p = wydarzenia.DajPrzedzial(t);
    eksport->DodajDoEksportu(p.begin, p.end);
    return;
  }
  Przedzialy j;
  j.Add(jednostka);
  Przedzialy nagrane;
  nagrane.Mul(eksport->Nagrania(), j);
  for (const Przedzial& p : nagrane.Wszystkie()) eksport->DodajDoEksportu(p.begin, p.end);
}

void OsPlayera::UstawOd(Czas c) {
  KG_TRACE("OsPlayera::UstawOd(Czas c)");
  TypMarkerow m;
  m.Ustaw(c);
  UstawMarkery(3, m);
}

void OsPlayera::UstawDo(Czas c) {
  KG_TRACE("OsPlayera::UstawDo(Czas c)");
  TypMarkerow m;
  m.Ustaw(c);
  UstawMarkery(4, m);
}
