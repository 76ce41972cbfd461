#pragma once
// One closed interval of time: every t with begin <= t <= end. begin == end is a valid
// one-point interval. A value type of 16 bytes, copied freely between threads.
#include "core/Czas.h"

struct Przedzial {
  constexpr Przedzial() = default;
  constexpr Przedzial(Czas b, Czas e) : begin(b), end(e) {}

  // True when begin <= t <= end.
  constexpr bool Zawiera(Czas t) const { return begin <= t && t <= end; }

  constexpr bool operator==(const Przedzial&) const = default;

  // On the wire: begin's 8 bytes, then end's 8 bytes, each little-endian.
  Czas begin;
  Czas end;
};
