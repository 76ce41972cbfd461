#include "common/TypMarkerow.h"

#include "core/CallTrace.h"
#include "transport/IniBase.h"

void TypMarkerow::Dodaj(const TypMarkerow& t) {
  KG_TRACE("TypMarkerow::Dodaj(const TypMarkerow& t)");
  if (&t == this) return;
  momenty.insert(t.momenty.begin(), t.momenty.end());
}

void TypMarkerow::Odejmij(const TypMarkerow& t) {
  KG_TRACE("TypMarkerow::Odejmij(const TypMarkerow& t)");
  if (&t == this) {
    momenty.clear();
    return;
  }
  for (Czas c : t.momenty) momenty.erase(c);
}

void TypMarkerow::Dodaj(Czas c) {
  KG_TRACE("TypMarkerow::Dodaj(Czas c)");
  momenty.insert(c);
}

void TypMarkerow::Ustaw(Czas c) {
  KG_TRACE("TypMarkerow::Ustaw(Czas c)");
  momenty.clear();
  momenty.insert(c);
}

void TypMarkerow::Przerzedz(Roznica d) {
  KG_TRACE("TypMarkerow::Przerzedz(Roznica d)");
  // In 128 bits: moments read from the network may lie anywhere, and the sum must not
  // wrap or stop at the range's end.
  __extension__ using Int128 = __int128;
  Int128 ostatni = 0;
  for (auto it = momenty.begin(); it != momenty.end();) {
    if (ostatni + d.Wartosc() > it->Wartosc()) {
      it = momenty.erase(it);
    } else {
      ostatni = it->Wartosc();
      ++it;
    }
  }
}

Przedzial TypMarkerow::Zakres() const {
  KG_TRACE("TypMarkerow::Zakres()");
  if (momenty.empty()) return Przedzial();
  return Przedzial(*momenty.begin(), *momenty.rbegin());
}

String TypMarkerow::Opis() const {
  KG_TRACE("TypMarkerow::Opis()");
  return "(" + std::to_string(momenty.size()) + ")";
}

void TypMarkerow::lsa(IniBase& f) {
  KG_TRACE("TypMarkerow::lsa(IniBase& f)");
  if (f.Zapisuje()) {
    int n = Ile();
    f.ReadWriteCount(n, 8);
    for (Czas c : momenty) f.ReadWrite(c);
    return;
  }
  momenty.clear();
  int n = 0;
  f.ReadWriteCount(n, 8);
  for (int i = 0; i < n; ++i) {
    Czas c;
    f.ReadWrite(c);
    momenty.insert(c);
  }
}
