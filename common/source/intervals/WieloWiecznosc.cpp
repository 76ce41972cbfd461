#include "intervals/WieloWiecznosc.h"

#include <cstdint>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "transport/IniBase.h"

namespace {

// The fewest bytes one named set takes in an archive: the name's length and the count.
constexpr int kNajmniejBajtowZbioru = 8;

}  // namespace

String WieloWiecznosc::Name() {
  KG_TRACE("WieloWiecznosc::Name()");
  return "WieloWiecznosc";
}

void WieloWiecznosc::lsa(IniBase& f) {
  KG_TRACE("WieloWiecznosc::lsa(IniBase & f)");
  if (f.Zapisuje()) {
    int n = dp.count;
    f.ReadWrite(n);
    for (int i = 0; i < n; ++i) dp[i].lsa(f);
    return;
  }
  Wyczysc();
  int n = 0;
  f.ReadWrite(n);
  if (n == -1) {
    dp.count = -1;
    return;
  }
  if (n < 0) KG_ERROR("Odczytana liczba zbiorow " + std::to_string(n) + " ujemna");
  const std::int64_t left = f.Pozostalo();
  if (left >= 0 && std::int64_t{n} * kNajmniejBajtowZbioru > left) {
    KG_ERROR("Odczytana liczba zbiorow " + std::to_string(n) + " nie miesci sie w " +
             std::to_string(left) + " pozostalych bajtach");
  }
  for (int i = 0; i < n; ++i) {
    dp[i].lsa(f);
    dp.count = i + 1;
  }
}

void WieloWiecznosc::UstawWszystko() {
  KG_TRACE("WieloWiecznosc::UstawWszystko()");
  dp = Darray<PrzedzialyID>();
  dp.count = -1;
}

void WieloWiecznosc::Wyczysc() {
  KG_TRACE("WieloWiecznosc::Wyczysc()");
  dp = Darray<PrzedzialyID>();
}

PrzedzialyID& WieloWiecznosc::Element(int i) {
  if (i < 0 || i >= Ile()) KG_ERROR("index==" + std::to_string(i));
  return dp[i];
}

const PrzedzialyID& WieloWiecznosc::Element(int i) const {
  if (i < 0 || i >= Ile()) KG_ERROR("index==" + std::to_string(i));
  // Every entry below the count exists, so the access creates nothing.
  return const_cast<Darray<PrzedzialyID>&>(dp)[i];
}

PrzedzialyID* WieloWiecznosc::Znajdz(const String& nazwa) {
  KG_TRACE("WieloWiecznosc::Znajdz(const String& nazwa)");
  for (int i = 0; i < Ile(); ++i) {
    if (dp[i].id == nazwa) return &dp[i];
  }
  return nullptr;
}

PrzedzialyID& WieloWiecznosc::DajPrzedzialy(const String& nazwa) {
  KG_TRACE("WieloWiecznosc::DajPrzedzialy(const String& nazwa)");
  if (Wszystko()) KG_ASSERTION("dp.c==-1");
  if (PrzedzialyID* p = Znajdz(nazwa)) return *p;
  PrzedzialyID& nowy = dp[dp.count];
  nowy.id = nazwa;
  ++dp.count;
  return nowy;
}

void WieloWiecznosc::Dodaj(WieloWiecznosc& w) {
  KG_TRACE("WieloWiecznosc::Dodaj(WieloWiecznosc& w)");
  if (w.Wszystko()) {
    UstawWszystko();
    return;
  }
  if (Wszystko()) return;
  // When w is this collection, every name is found, so nothing is appended mid-walk.
  for (int i = 0; i < w.Ile(); ++i) DajPrzedzialy(w.dp[i].id).Add(w.dp[i]);
}

void WieloWiecznosc::Odejmij(WieloWiecznosc& w) {
  KG_TRACE("WieloWiecznosc::Odejmij(WieloWiecznosc& w)");
  if (w.Wszystko()) {
    Wyczysc();
    return;
  }
  if (Wszystko()) KG_ASSERTION("dp.c==-1");
  for (int i = 0; i < w.Ile(); ++i) {
    if (PrzedzialyID* p = Znajdz(w.dp[i].id)) p->Remove(w.dp[i]);
  }
}

String WieloWiecznosc::DajListe() const {
  KG_TRACE("WieloWiecznosc::DajListe()");
  if (Wszystko()) KG_ASSERTION("dp.c==-1");
  String out;
  for (int i = 0; i < Ile(); ++i) out += Element(i).id + "\r\n";
  return out;
}

String WieloWiecznosc::Opis() const {
  KG_TRACE("WieloWiecznosc::Opis()");
  String out;
  for (int i = 0; i < Ile(); ++i) out += Element(i).Opis() + ", ";
  return out;
}
