#pragma once
// A time difference: a signed count of 100-ns ticks, the unit of Czas. A value type of
// 8 bytes, copied freely between threads.
#include <compare>
#include <concepts>
#include <cstdint>

#include "core/String.h"

class Roznica {
 public:
  // One tick, not zero: a duration computed from nothing is never empty.
  constexpr Roznica() = default;
  constexpr explicit Roznica(int64_t ticks) : value_(ticks) {}

  // The raw count of ticks.
  constexpr int64_t Wartosc() const { return value_; }

  constexpr auto operator<=>(const Roznica&) const = default;

  constexpr Roznica& operator+=(Roznica r) { value_ += r.value_; return *this; }
  constexpr Roznica& operator-=(Roznica r) { value_ -= r.value_; return *this; }
  constexpr Roznica operator-() const { return Roznica(-value_); }

  // Hours, a colon, two-digit minutes, a colon, two-digit seconds, for example "26:03:07"
  // or "0:00:59"; the hours have no leading zeros and are not limited to 23. A negative
  // difference is written as "-" and the text of its magnitude.
  String Napis() const;

  // Little-endian 8 bytes, low byte first, as archives and packets carry the value.
  void DoBajtow(unsigned char out[8]) const {
    const uint64_t u = static_cast<uint64_t>(value_);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(u >> (8 * i));
  }
  static Roznica ZBajtow(const unsigned char in[8]) {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(in[i]) << (8 * i);
    return Roznica(static_cast<int64_t>(u));
  }

  // Each built from the one before; constant-initialised, so they are usable from any
  // translation unit's static initialisation.
  static const Roznica Milisekunda;
  static const Roznica Sekunda;
  static const Roznica Minuta;
  static const Roznica Godzina;
  static const Roznica Dzien;
  static const Roznica Tydzien;

 private:
  int64_t value_ = 1;
};

// No overflow checks: the arithmetic is that of the 64-bit values.
constexpr Roznica operator+(Roznica a, Roznica b) { return a += b; }
constexpr Roznica operator-(Roznica a, Roznica b) { return a -= b; }

template <std::integral I>
constexpr Roznica operator*(Roznica r, I n) { return Roznica(r.Wartosc() * static_cast<int64_t>(n)); }
template <std::integral I>
constexpr Roznica operator*(I n, Roznica r) { return r * n; }

// The product in floating point, truncated toward zero; a product beyond the 64-bit range
// is held at its end, and NaN gives zero.
Roznica operator*(Roznica r, double x);
inline Roznica operator*(double x, Roznica r) { return r * x; }

// Truncating toward zero. Division by zero is the caller's fault, as for integers.
template <std::integral I>
constexpr Roznica operator/(Roznica r, I n) { return Roznica(r.Wartosc() / static_cast<int64_t>(n)); }
// How many whole `b` fit in `a`, truncating toward zero.
constexpr int64_t operator/(Roznica a, Roznica b) { return a.Wartosc() / b.Wartosc(); }

inline constexpr Roznica Roznica::Milisekunda = Roznica() * 10000;
inline constexpr Roznica Roznica::Sekunda = Roznica::Milisekunda * 1000;
inline constexpr Roznica Roznica::Minuta = Roznica::Sekunda * 60;
inline constexpr Roznica Roznica::Godzina = Roznica::Minuta * 60;
inline constexpr Roznica Roznica::Dzien = Roznica::Godzina * 24;
inline constexpr Roznica Roznica::Tydzien = Roznica::Dzien * 7;
