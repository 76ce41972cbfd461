#include "archive/TimeCode.h"

#include <cmath>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"

TimeCode::TimeCode(int czestotliwosc) : rate(czestotliwosc) {
  KG_TRACE("TimeCode::TimeCode(int czestotliwosc)");
  KG_ASSERT(czestotliwosc > 0 && czestotliwosc % 10 == 0);
  tony.resize(static_cast<size_t>(60) * static_cast<size_t>(rate));
  for (int k = 0; k < 60; ++k) {
    const double w = 2 * M_PI * (500 + 50 * k) / rate;
    for (int i = 0; i < rate; ++i) {
      tony[static_cast<size_t>(k) * static_cast<size_t>(rate) + static_cast<size_t>(i)] =
          static_cast<int16_t>(std::trunc(32767 * 0.5 * std::sin(w * i)));
    }
  }
  for (int j = 0;; ++j) {
    const double t = static_cast<double>(j) / rate;
    if (t >= 0.005) break;
    zanik.push_back(0.5 - 0.5 * std::cos(M_PI * t / 0.005));
  }
}

int TimeCode::Ton(int64_t sekunda, int slot) {
  if (slot <= 0) return 0;
  if (slot <= 4) return 500 + 50 * static_cast<int>(kalendarz::ResztaDodatnia(sekunda, 60));
  if (slot <= 8) return 500 + 50 * static_cast<int>(kalendarz::ResztaDodatnia(kalendarz::DzielWDol(sekunda, 60), 60));
  return 500 + 50 * static_cast<int>(kalendarz::ResztaDodatnia(kalendarz::DzielWDol(sekunda, 3600), 24));
}

int64_t TimeCode::NumerProbki(Czas t, int czestotliwosc) {
  // The last sample whose moment, rounded down to the tick, is not after t.
  const int64_t ticks = t.Wartosc() - kEpokaUnix;
  const int64_t sekundy = kalendarz::DzielWDol(ticks, 10'000'000);
  const int64_t reszta = ticks - sekundy * 10'000'000;
  return sekundy * czestotliwosc + ((reszta + 1) * czestotliwosc - 1) / 10'000'000;
}

Czas TimeCode::CzasProbki(int64_t n, int czestotliwosc) {
  const int64_t sekundy = kalendarz::DzielWDol(n, czestotliwosc);
  const int64_t reszta = n - sekundy * czestotliwosc;
  return Czas(kEpokaUnix + sekundy * 10'000'000 + reszta * 10'000'000 / czestotliwosc);
}

void TimeCode::Probki(int64_t n, int ile, int kanaly, int16_t* out) const {
  const int slotProbek = rate / 10;
  const int fade = static_cast<int>(zanik.size());
  int64_t sekunda = kalendarz::DzielWDol(n, rate);
  int i = static_cast<int>(n - sekunda * rate);
  for (int k = 0; k < ile; ++k) {
    const int slot = i / slotProbek;
    int16_t v = 0;
    if (slot > 0) {
      // The tone's span: slots 1-4, 5-8 or 9.
      const int od = slot <= 4 ? 1 : slot <= 8 ? 5 : 9;
      const int doSlotu = slot <= 4 ? 5 : slot <= 8 ? 9 : 10;
      const int ton = (Ton(sekunda, slot) - 500) / 50;
      const int16_t s = tony[static_cast<size_t>(ton) * static_cast<size_t>(rate) + static_cast<size_t>(i)];
      const int odPoczatku = i - od * slotProbek;
      const int doKonca = doSlotu * slotProbek - i;
      if (odPoczatku < fade) {
        v = static_cast<int16_t>(std::trunc(s * zanik[static_cast<size_t>(odPoczatku)]));
      } else if (doKonca < fade) {
        v = static_cast<int16_t>(std::trunc(s * zanik[static_cast<size_t>(doKonca)]));
      } else {
        v = s;
      }
    }
    for (int c = 0; c < kanaly; ++c) *out++ = v;
    if (++i == rate) {
      i = 0;
      ++sekunda;
    }
  }
}
