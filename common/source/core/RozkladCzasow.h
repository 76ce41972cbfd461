#pragma once
// The distribution of many short durations (a window's ticks over hours) in fixed memory:
// a count per 10 us step up to 100 ms, and the longest exactly. Percentiles are read as the
// upper edge of their step, so they are never below the true value and at most 10 us
// above it (durations beyond 100 ms count in the last step). One thread at a time.
#include <array>
#include <cstdint>

#include "core/String.h"

class RozkladCzasow {
 public:
  static constexpr int64_t kKrokNs = 10'000;
  static constexpr int kKroki = 10'000;  // 100 ms

  // Counts one duration in nanoseconds; a negative one counts as zero.
  void Dodaj(int64_t ns);
  int64_t Ile() const { return ile; }
  // The duration that a share `p` (0-1) of those counted does not exceed, in milliseconds;
  // 0 when nothing was counted.
  double Percentyl(double p) const;
  double MaksimumMs() const { return static_cast<double>(maks) / 1e6; }
  // "N ticks, p50 A ms, p99 B ms, max C ms", with `co` in place of "ticks".
  String Napis(const char* co) const;

 private:
  std::array<uint32_t, kKroki> kroki{};
  int64_t ile = 0;
  int64_t maks = 0;
};
