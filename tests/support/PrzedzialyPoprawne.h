#pragma once
// The tests' check of an interval set's shape: what Przedzialy promises after its
// operations, asserted after each step of a randomized test. Header-only; never part of
// the program.
//
// Threads: the calling thread; the set is only read.
#include <gtest/gtest.h>

#include <string>

#include "core/Roznica.h"
#include "intervals/Przedzialy.h"

// Whether every interval of `z` begins no later than it ends and each begins more than
// `odstep` after the one before ends: the tolerance for a set built by Add alone, zero for
// one also cut by Remove1 (disjoint), one tick less than zero after Mul (touching allowed).
inline testing::AssertionResult Poprawne(const Przedzialy& z, Roznica odstep) {
  __extension__ using Int128 = __int128;
  for (int i = 0; i < z.Count(); ++i) {
    const Przedzial& p = z[i];
    if (p.begin > p.end) {
      return testing::AssertionFailure() << "interval " << i << " ends before it begins: " << p.begin.Wartosc()
                                         << " > " << p.end.Wartosc();
    }
    if (i == 0) continue;
    const Int128 przerwa = static_cast<Int128>(p.begin.Wartosc()) - z[i - 1].end.Wartosc();
    if (przerwa <= odstep.Wartosc()) {
      return testing::AssertionFailure() << "interval " << i << " begins " << static_cast<long long>(przerwa)
                                         << " ticks after the one before ends, not more than "
                                         << odstep.Wartosc();
    }
  }
  return testing::AssertionSuccess();
}
