#pragma once
// Proleptic Gregorian calendar arithmetic on day numbers counted from 1601-01-01 (day 0,
// a Monday), the epoch of Czas. Pure functions on values, valid for every year that a
// 64-bit count of 100-ns ticks can reach and for days before the epoch (negative numbers).
#include <cstdint>

namespace kalendarz {

inline constexpr int64_t kSekundDoby = 86400;
// Days from 1601-01-01 to 1970-01-01.
inline constexpr int64_t kDni1601Do1970 = 134774;

constexpr bool Przestepny(int64_t rok) {
  return (rok % 4 == 0 && rok % 100 != 0) || rok % 400 == 0;
}

constexpr int DniMiesiaca(int64_t rok, int miesiac) {
  constexpr int dni[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return miesiac == 2 && Przestepny(rok) ? 29 : dni[miesiac - 1];
}

// Floor division and the matching non-negative remainder.
constexpr int64_t DzielWDol(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
constexpr int64_t ResztaDodatnia(int64_t a, int64_t b) { return a - DzielWDol(a, b) * b; }

// Day number of (rok, miesiac 1-12, dzien 1-31). The month may also lie outside 1-12 by
// any amount: it is carried into the year, so (Y, 13, 1) is January 1 of Y + 1.
constexpr int64_t NumerDnia(int64_t rok, int64_t miesiac, int64_t dzien) {
  rok += DzielWDol(miesiac - 1, 12);
  miesiac = ResztaDodatnia(miesiac - 1, 12) + 1;
  // Years counted from March, so that the leap day ends a year.
  const int64_t y = miesiac <= 2 ? rok - 1 : rok;
  const int64_t era = DzielWDol(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t mp = (miesiac + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + dzien - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + kDni1601Do1970;
}

struct Data {
  int64_t rok;
  int miesiac;  // 1-12
  int dzien;    // 1-31
};

constexpr Data DataDnia(int64_t numer) {
  const int64_t z = numer - kDni1601Do1970 + 719468;
  const int64_t era = DzielWDol(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int dzien = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int miesiac = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return Data{yoe + era * 400 + (miesiac <= 2 ? 1 : 0), miesiac, dzien};
}

// 0 = Sunday ... 6 = Saturday.
constexpr int DzienTygodnia(int64_t numer) { return static_cast<int>(ResztaDodatnia(numer + 1, 7)); }

}  // namespace kalendarz
