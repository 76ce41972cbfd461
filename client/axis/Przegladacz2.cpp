#include "axis/Przegladacz2.h"

#include <algorithm>

Przegladacz2::Przegladacz2(const std::vector<Przedzialy>& warstwy, Czas start) : c(start) {
  kursory.reserve(warstwy.size());
  for (const Przedzialy& w : warstwy) {
    // The first interval that ends at or after the start, found by halving: the intervals
    // are ordered by their ends too.
    int lo = 0;
    int hi = w.Count();
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (w[mid].end < start) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    kursory.push_back(PrzeglPrzed2{&w, lo});
  }
}

void Przegladacz2::Dalej() {
  Czas najblizsza = Czas::Max;
  for (PrzeglPrzed2& k : kursory) {
    const int n = k.warstwa->Count();
    while (k.pozycja < n && (*k.warstwa)[k.pozycja].end < c) ++k.pozycja;
    if (k.pozycja >= n) continue;
    const Przedzial& p = (*k.warstwa)[k.pozycja];
    const Czas zmiana = c < p.begin ? p.begin : (p.end == Czas::Max ? Czas::Max : p.end + Roznica());
    najblizsza = std::min(najblizsza, zmiana);
  }
  c = najblizsza;
}

uint64_t Przegladacz2::Flagi() const {
  const Czas t = c - Roznica();
  uint64_t flagi = 0;
  for (size_t i = 0; i < kursory.size(); ++i) {
    const PrzeglPrzed2& k = kursory[i];
    if (k.pozycja >= k.warstwa->Count()) continue;
    // Intervals before the cursor end before the piece began and the next one begins
    // after this one ends, so only the cursor's interval can hold t.
    if ((*k.warstwa)[k.pozycja].Zawiera(t)) flagi |= uint64_t{1} << std::min<size_t>(i, 63);
  }
  return flagi;
}
