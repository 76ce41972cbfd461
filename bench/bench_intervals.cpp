// Przedzialy::Add of n intervals in random order. Two shapes: disjoint intervals (the set
// ends with n of them, the largest tree) and intervals that often lie within the merge
// tolerance of each other (every Add also erases what it absorbs). The times at 25 000,
// 100 000 and 400 000 show the growth: n log n gives a factor of a little over 4 per step.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "intervals/Przedzialy.h"

namespace {

std::vector<Przedzial> Losowe(int n, bool rozlaczne) {
  std::vector<Przedzial> out;
  out.reserve(static_cast<size_t>(n));
  std::mt19937_64 los(12540);
  for (int i = 0; i < n; ++i) {
    if (rozlaczne) {
      // Minutes apart, each a few seconds long: nothing merges.
      const Czas b(Roznica::Minuta.Wartosc() * i);
      out.emplace_back(b, b + Roznica::Sekunda * static_cast<int>(1 + los() % 20));
    } else {
      // Begins spread over 20 s per interval, lengths up to 15 s: about half merge.
      const Czas b(static_cast<std::int64_t>(los() % (static_cast<uint64_t>(n) * 20)) *
                   Roznica::Sekunda.Wartosc());
      out.emplace_back(b, b + Roznica::Sekunda * static_cast<int>(los() % 15));
    }
  }
  std::shuffle(out.begin(), out.end(), los);
  return out;
}

void AddRandomOrder(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool rozlaczne = state.range(1) != 0;
  const std::vector<Przedzial> dane = Losowe(n, rozlaczne);
  int wynik = 0;
  for (auto _ : state) {
    Przedzialy z;
    for (const Przedzial& p : dane) z.Add(p);
    wynik = z.Count();
    benchmark::DoNotOptimize(wynik);
  }
  state.counters["intervals_left"] = wynik;
  state.SetComplexityN(n);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(AddRandomOrder)
    ->ArgsProduct({{25000, 100000, 400000}, {1, 0}})
    ->ArgNames({"n", "disjoint"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
