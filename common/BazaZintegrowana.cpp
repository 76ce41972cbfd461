#include "common/BazaZintegrowana.h"

#include <utility>

#include "core/CallTrace.h"
#include "transport/IniBase.h"

namespace {

// The fewest bytes one marker kind takes in an archive: its name's length and its count.
constexpr int kNajmniejBajtowRodzaju = 8;

}  // namespace

String BazaZintegrowana::Name() {
  KG_TRACE("BazaZintegrowana::Name()");
  return "BazaZintegrowana";
}

void BazaZintegrowana::lsa(IniBase& f) {
  KG_TRACE("BazaZintegrowana::lsa(IniBase& f)");
  iwenty.lsa(f);
  if (f.Zapisuje()) {
    int n = static_cast<int>(markery.size());
    f.ReadWriteCount(n, kNajmniejBajtowRodzaju);
    for (auto& [nazwa, typ] : markery) {
      String kopia = nazwa;
      f.ReadWrite(kopia);
      typ.lsa(f);
    }
    return;
  }
  markery.clear();
  int n = 0;
  f.ReadWriteCount(n, kNajmniejBajtowRodzaju);
  for (int i = 0; i < n; ++i) {
    String nazwa;
    f.ReadWrite(nazwa);
    TypMarkerow typ;
    typ.lsa(f);
    markery.emplace(std::move(nazwa), std::move(typ));
  }
}

void BazaZintegrowana::Dodaj(BazaZintegrowana& b) {
  KG_TRACE("BazaZintegrowana::Dodaj(BazaZintegrowana& b)");
  iwenty.Dodaj(b.iwenty);
  if (&b == this) return;
  for (auto& [nazwa, typ] : b.markery) {
    auto [it, nowy] = markery.try_emplace(nazwa, typ);
    if (!nowy) it->second.Dodaj(typ);
  }
}

void BazaZintegrowana::Odejmij(BazaZintegrowana& b) {
  KG_TRACE("BazaZintegrowana::Odejmij(BazaZintegrowana& b)");
  iwenty.Odejmij(b.iwenty);
  for (auto& [nazwa, typ] : b.markery) {
    auto it = markery.find(nazwa);
    if (it != markery.end()) it->second.Odejmij(typ);
  }
}

void BazaZintegrowana::Wyczysc() {
  KG_TRACE("BazaZintegrowana::Wyczysc()");
  iwenty.Wyczysc();
  markery.clear();
}

TypMarkerow& BazaZintegrowana::Markery(const String& nazwa) {
  KG_TRACE("BazaZintegrowana::Markery(const String& nazwa)");
  return markery[nazwa];
}

String BazaZintegrowana::ListaMarkerow() const {
  KG_TRACE("BazaZintegrowana::ListaMarkerow()");
  String out;
  for (const auto& para : markery) out += para.first + "\r\n";
  return out;
}

String BazaZintegrowana::Opis() const {
  KG_TRACE("BazaZintegrowana::Opis()");
  String out = "iwenty:" + iwenty.Opis() + " markery:";
  for (const auto& [nazwa, typ] : markery) out += nazwa + typ.Opis() + ",";
  return out;
}
