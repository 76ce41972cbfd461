#include "core/RozkladCzasow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void RozkladCzasow::Dodaj(int64_t ns) {
  ns = std::max<int64_t>(ns, 0);
  const int64_t k = std::min<int64_t>(ns / kKrokNs, kKroki - 1);
  ++kroki[static_cast<size_t>(k)];
  ++ile;
  maks = std::max(maks, ns);
}

double RozkladCzasow::Percentyl(double p) const {
  if (ile == 0) return 0;
  // The rank of the value sought, counted from 1: the smallest that covers the share.
  const int64_t ranga = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(p * static_cast<double>(ile))));
  int64_t suma = 0;
  for (int k = 0; k < kKroki; ++k) {
    suma += kroki[static_cast<size_t>(k)];
    if (suma >= ranga) {
      // The last step holds everything longer: its edge is the longest duration itself.
      const int64_t krawedz = k == kKroki - 1 ? maks : (k + 1) * kKrokNs;
      return static_cast<double>(std::min(krawedz, maks)) / 1e6;
    }
  }
  return MaksimumMs();
}

String RozkladCzasow::Napis(const char* co) const {
  char b[160];
  std::snprintf(b, sizeof b, "%lld %s, p50 %.2f ms, p99 %.2f ms, max %.2f ms", static_cast<long long>(ile), co,
                Percentyl(0.5), Percentyl(0.99), MaksimumMs());
  return b;
}
