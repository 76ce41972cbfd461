#include "core/Roznica.h"

#include <cmath>
#include <limits>

#include "core/CallTrace.h"

namespace {

String DwieCyfry(uint64_t v) {
  String s;
  if (v <= 9) s += '0';
  s += std::to_string(v);
  return s;
}

}  // namespace

String Roznica::Napis() const {
  KG_TRACE("Roznica::Napis()");
  // The magnitude in unsigned arithmetic, so that even the most negative value has one.
  const bool ujemna = value_ < 0;
  const uint64_t v = ujemna ? 0 - static_cast<uint64_t>(value_) : static_cast<uint64_t>(value_);
  const uint64_t godzina = static_cast<uint64_t>(Godzina.Wartosc());
  const uint64_t minuta = static_cast<uint64_t>(Minuta.Wartosc());
  const uint64_t sekunda = static_cast<uint64_t>(Sekunda.Wartosc());
  const uint64_t h = v / godzina;
  const uint64_t m = (v - h * godzina) / minuta;
  const uint64_t s = (v - h * godzina - m * minuta) / sekunda;
  return String(ujemna ? "-" : "") + std::to_string(h) + ":" + DwieCyfry(m) + ":" + DwieCyfry(s);
}

Roznica operator*(Roznica r, double x) {
  const double p = static_cast<double>(r.Wartosc()) * x;
  if (std::isnan(p)) return Roznica(0);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  constexpr double granica = 9223372036854775808.0;
  if (p >= granica) return Roznica(std::numeric_limits<int64_t>::max());
  if (p < -granica) return Roznica(std::numeric_limits<int64_t>::min());
  return Roznica(static_cast<int64_t>(p));
}
