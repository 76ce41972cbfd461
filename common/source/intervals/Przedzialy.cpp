#include "intervals/Przedzialy.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "transport/IniBase.h"
#include "transport/Protokol.h"

namespace {

// Sums held at the ends of the 64-bit range: sets read from the network may hold any
// times, and the tolerance any difference.
Czas Plus(Czas c, Roznica r) {
  std::int64_t out;
  if (__builtin_add_overflow(c.Wartosc(), r.Wartosc(), &out)) {
    return r.Wartosc() > 0 ? Czas::Max : Czas(std::numeric_limits<std::int64_t>::min());
  }
  return Czas(out);
}

Czas Minus(Czas c, Roznica r) {
  std::int64_t out;
  if (__builtin_sub_overflow(c.Wartosc(), r.Wartosc(), &out)) {
    return r.Wartosc() < 0 ? Czas::Max : Czas(std::numeric_limits<std::int64_t>::min());
  }
  return Czas(out);
}

constexpr Roznica kTick(1);

// Sums and lengths of times read from the network may exceed the 64-bit range.
__extension__ using Int128 = __int128;

}  // namespace

Przedzialy::Przedzialy() : tolerancja(Roznica::Sekunda * 3) {}

String Przedzialy::Name() {
  KG_TRACE("Przedzialy::Name()");
  return protokol::kPrzedzialy;
}

void Przedzialy::lsa(IniBase& f) {
  KG_TRACE("Przedzialy::lsa(IniBase & f)");
  if (f.Zapisuje()) {
    int n = Count();
    f.ReadWriteCount(n, 16);
    for (auto& para : s) {
      Czas b = para.second.begin;
      Czas e = para.second.end;
      f.ReadWrite16(b, e);
    }
    return;
  }
  Clear();
  int n = 0;
  f.ReadWriteCount(n, 16);
  for (int i = 0; i < n; ++i) {
    Przedzial p;
    f.ReadWrite16(p.begin, p.end);
    InsertNowy(p);
  }
}

void Przedzialy::Add(Przedzial p) {
  KG_TRACE("Przedzialy::Add(Przedzial p)");
  const Czas a = Minus(p.begin, tolerancja);
  const Czas b = Plus(p.end, tolerancja);
  // Walking back from the first interval that begins at or after b: each one before it
  // begins less than the tolerance after p; the ones further back end earlier still, so
  // the first that ends far enough before p ends the walk. One search serves the whole
  // merge and the insertion.
  auto za = s.lower_bound(b);
  while (za != s.begin()) {
    auto f = std::prev(za);
    if (f->second.end <= a) break;
    p.begin = std::min(p.begin, f->second.begin);
    p.end = std::max(p.end, f->second.end);
    za = EraseAt(f);
  }
  const size_t przed = s.size();
  auto it = s.try_emplace(za, p.begin, p);
  if (s.size() != przed) {
    Zmieniono();
    return;
  }
  // Only a set whose order was broken (or a negative tolerance) can still hold an
  // interval that begins where p does; the union keeps the later end.
  it->second.end = std::max(it->second.end, p.end);
}

void Przedzialy::Add(Czas t) {
  KG_TRACE("Przedzialy::Add(Czas t)");
  Add(Przedzial(t, t));
}

void Przedzialy::Add(const Przedzialy& p) {
  KG_TRACE("Przedzialy::Add(const Przedzialy& p)");
  if (&p == this) {
    for (const Przedzial& q : p.Wszystkie()) Add(q);
    return;
  }
  for (auto& para : p.s) Add(para.second);
}

void Przedzialy::Remove1(Przedzial p) {
  KG_TRACE("Przedzialy::Remove1(Przedzial p)");
  if (p.begin > p.end) return;
  // An interval that begins before the range: split it when it reaches over the range,
  // otherwise cut its tail. p.begin - 1 tick cannot overflow, since f begins earlier.
  if (Przedzial* f = Poprzedni(p.begin)) {
    if (f->end > p.end) {
      const Czas koniec = f->end;
      f->end = p.begin - kTick;
      Insert(Przedzial(p.end + kTick, koniec));
      return;
    }
    if (f->end >= p.begin) f->end = p.begin - kTick;
  }
  // The last interval that begins inside the range: cut its head when it reaches past.
  if (Przedzial* h = NieWiekszy(p.end)) {
    if (h->begin >= p.begin && h->end > p.end) ZmienKlucz(h, p.end + kTick);
  }
  // What is left inside the range lies wholly within it.
  auto it = s.lower_bound(p.begin);
  while (it != s.end() && it->first <= p.end) {
    Found = &it->second;
    if (Found->end > p.end) KG_ASSERTION("Found->end>p.end");
    it = EraseAt(it);
  }
}

void Przedzialy::Remove(const Przedzialy& c) {
  KG_TRACE("Przedzialy::Remove(const Przedzialy& c)");
  if (&c == this) {
    Clear();
    return;
  }
  for (auto& para : c.s) Remove1(para.second);
}

void Przedzialy::Mul(const Przedzialy& p1, const Przedzialy& p2) {
  KG_TRACE("Przedzialy::Mul(const Przedzialy& p1, const Przedzialy& p2)");
  // Copies, so that either input may be this set.
  const std::vector<Przedzial> a = p1.Wszystkie();
  const std::vector<Przedzial> b = p2.Wszystkie();
  Clear();
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const Czas start = std::max(a[i].begin, b[j].begin);
    Czas end;
    if (a[i].end > b[j].end) {
      end = b[j].end;
      if (end >= start) WstawKawalek(Przedzial(start, end));
      if (++j >= b.size()) break;
      if (b[j].begin > a[i].end) ++i;
    } else {
      end = a[i].end;
      if (end >= start) WstawKawalek(Przedzial(start, end));
      if (++i >= a.size()) break;
      if (a[i].begin > b[j].end) ++j;
    }
  }
}

void Przedzialy::WstawKawalek(Przedzial p) {
  auto it = s.find(p.begin);
  if (it != s.end()) {
    it->second.end = std::max(it->second.end, p.end);
    return;
  }
  Insert(p);
}

void Przedzialy::AddRozciagniete(const Przedzialy& z, Roznica minimum) {
  KG_TRACE("Przedzialy::AddRozciagniete(const Przedzialy& z, Roznica minimum)");
  for (Przedzial p : z.Wszystkie()) {
    if (p.end != Czas()) p.end = std::max(p.end, Plus(p.begin, minimum));
    Add(p);
  }
}

Czas Przedzialy::Begin() const {
  KG_TRACE("Przedzialy::Begin()");
  return s.empty() ? Czas::Max : s.begin()->second.begin;
}

Czas Przedzialy::End() const {
  KG_TRACE("Przedzialy::End()");
  return s.empty() ? Czas() : s.rbegin()->second.end;
}

Przedzial Przedzialy::Zakres() const {
  KG_TRACE("Przedzialy::Zakres()");
  if (s.empty()) return Przedzial();
  return Przedzial(Begin(), End());
}

bool Przedzialy::Zawiera(Czas t) {
  KG_TRACE("Przedzialy::Zawiera(Czas t)");
  const Przedzial* f = NieWiekszy(t);
  return f != nullptr && f->end >= t;
}

const Przedzial& Przedzialy::DajPrzedzial(Czas c) {
  KG_TRACE("Przedzialy::DajPrzedzial(Czas c)");
  if (!Zawiera(c)) KG_ASSERTION("brak przedzialu");
  return *Found;
}

Roznica Przedzialy::Suma() const {
  KG_TRACE("Przedzialy::Suma()");
  Int128 suma = 1;
  for (auto& para : s) {
    suma += static_cast<Int128>(para.second.end.Wartosc()) - para.second.begin.Wartosc();
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  if (suma > kMax) return Roznica(kMax);
  if (suma < kMin) return Roznica(kMin);
  return Roznica(static_cast<std::int64_t>(suma));
}

String Przedzialy::Lista() const {
  KG_TRACE("Przedzialy::Lista()");
  String out;
  for (auto& para : s) {
    out += para.second.begin.Napis() + " - " + para.second.end.Napis() + "\r\n";
  }
  return out;
}

String Przedzialy::ListaKrotka() const {
  KG_TRACE("Przedzialy::ListaKrotka()");
  String out;
  for (auto& para : s) {
    out += para.second.begin.NapisKrotki() + " - " + para.second.end.NapisKrotki() + "\r\n";
  }
  return out;
}

String Przedzialy::ListaSekund() const {
  KG_TRACE("Przedzialy::ListaSekund()");
  String out;
  for (auto& para : s) {
    const Przedzial& p = para.second;
    const Int128 ticki = static_cast<Int128>(p.end.Wartosc()) - p.begin.Wartosc();
    const auto sekundy = static_cast<std::int64_t>(ticki / Roznica::Sekunda.Wartosc());
    out += p.begin.NapisKrotki() + " - " + std::to_string(sekundy) + " sek.\r\n";
  }
  return out;
}

std::vector<Przedzial> Przedzialy::Wszystkie() const {
  std::vector<Przedzial> out;
  out.reserve(s.size());
  for (auto& para : s) out.push_back(para.second);
  return out;
}
