#include "net/BudzetWejscia.h"

namespace serwer {

int64_t BudzetWejscia::ZPuli(const String& adres) const {
  const auto it = adresy.find(adres);
  return it == adresy.end() ? 0 : it->second;
}

void BudzetWejscia::Zmien(int polaczenie, Trzymane& t, int64_t n) {
  const int64_t d = Nadwyzka(n) - Nadwyzka(t.n);
  razem += n - t.n;
  zPuli += d;
  t.n = n;
  if (d != 0) {
    int64_t& a = adresy[t.adres];
    a += d;
    if (a == 0) adresy.erase(t.adres);
  }
  if (n == 0) polaczenia.erase(polaczenie);
}

std::vector<int> BudzetWejscia::Ustaw(int polaczenie, const String& adres, int64_t n) {
  auto it = polaczenia.find(polaczenie);
  if (it == polaczenia.end()) {
    if (n == 0) return {};
    it = polaczenia.emplace(polaczenie, Trzymane{adres, 0}).first;
  }
  Zmien(polaczenie, it->second, n);
  std::vector<int> zerwane;
  while (zPuli > pula) {
    // The address that holds the most gives way; on a tie, the one that grew now.
    const String* najwiecej = nullptr;
    int64_t ile = -1;
    for (const auto& [a, z] : adresy) {
      if (z > ile || (z == ile && a == adres)) {
        najwiecej = &a;
        ile = z;
      }
    }
    // Within it, the one that grew now, which came last; else the connection that holds
    // the most.
    const String ofiara = *najwiecej;
    int wybrane = -1;
    int64_t najwiecejBajtow = -1;
    const auto ta = polaczenia.find(polaczenie);
    if (ta != polaczenia.end() && ta->second.adres == ofiara && Nadwyzka(ta->second.n) > 0) {
      wybrane = polaczenie;
    } else {
      for (const auto& [p, t] : polaczenia) {
        if (t.adres == ofiara && t.n > najwiecejBajtow) {
          wybrane = p;
          najwiecejBajtow = t.n;
        }
      }
    }
    Usun(wybrane);
    zerwane.push_back(wybrane);
  }
  return zerwane;
}

void BudzetWejscia::Usun(int polaczenie) {
  const auto it = polaczenia.find(polaczenie);
  if (it != polaczenia.end()) Zmien(polaczenie, it->second, 0);
}

}  // namespace serwer
