#pragma once
// The tests' reader of the demo time code: given decoded audio and the UTC time its first
// sample is said to play at, it finds every whole second in it by the silence of its slot 0,
// measures how far the second's first tone begins from where that time puts it (against
// the ideal signal through the same detector), and reads its tones (Goertzel power over the
// 60 candidate frequencies, in the middle of slots 1-4, 5-8 and 9). Header-only; never part
// of the program.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/TimeCode.h"
#include "core/Czas.h"
#include "core/Kalendarz.h"

namespace probe {

struct Sekunda {
  int64_t oczekiwana;  // the UTC second (since 1970) the claimed time puts here
  int sekunda = -1;    // what the tones say: s mod 60, minute, hour
  int minuta = -1;
  int godzina = -1;
  // How much later than the claimed time puts it its first tone begins: how late whoever
  // trusts that time hears the second.
  double przesuniecieMs = 0;
  bool Zgadza() const {
    return sekunda == kalendarz::ResztaDodatnia(oczekiwana, 60) &&
           minuta == kalendarz::ResztaDodatnia(kalendarz::DzielWDol(oczekiwana, 60), 60) &&
           godzina == kalendarz::ResztaDodatnia(kalendarz::DzielWDol(oczekiwana, 3600), 24);
  }
};

inline double Goertzel(const int16_t* x, int n, int rate, double f) {
  const double c = 2 * std::cos(2 * M_PI * f / rate);
  double s1 = 0, s2 = 0;
  for (int i = 0; i < n; ++i) {
    const double s0 = x[i] + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// Which of the tones 500 + 50 k Hz, k < ile, is strongest in x[0, n).
inline int Ton(const int16_t* x, int n, int rate, int ile) {
  int najlepszy = -1;
  double moc = -1;
  for (int k = 0; k < ile; ++k) {
    const double p = Goertzel(x, n, rate, 500 + 50 * k);
    if (p > moc) {
      moc = p;
      najlepszy = k;
    }
  }
  return najlepszy;
}

// The onset of a tone after silence in x[od, do_): the first sample above 3000 after at
// least 60 ms without one, from which the signal stays loud (most 1 ms windows of the next
// 3 ms above 4000); -1 when there is none.
inline int64_t Poczatek(const std::vector<int16_t>& x, int64_t od, int64_t do_, int rate) {
  const int okno = rate / 1000;  // 1 ms
  const int64_t cisza = rate * 60 / 1000;
  od = std::max<int64_t>(od, 0);
  do_ = std::min<int64_t>(do_, static_cast<int64_t>(x.size()) - 4 * okno);
  int64_t ostatniGlosny = od;
  for (int64_t i = od; i < do_; ++i) {
    const int v = std::abs(static_cast<int>(x[static_cast<size_t>(i)]));
    if (v < 3000) continue;
    if (i - ostatniGlosny >= cisza) {
      int glosnych = 0;
      for (int j = 0; j < okno * 3; j += okno / 4 + 1) {
        int m = 0;
        for (int q = 0; q < okno; ++q) m = std::max(m, std::abs(static_cast<int>(x[static_cast<size_t>(i + j + q)])));
        if (m > 4000) ++glosnych;
      }
      if (glosnych >= 10) return i;
    }
    ostatniGlosny = i;
  }
  return -1;
}

// Reads every whole second of `x` (one channel, `rate` Hz) whose first sample is said to
// play at `t0`, skipping the first `pomin` samples (audio that may not decode whole). Each
// second is found by the silence of its slot 0 within 400 ms of where t0 puts it, and its
// tones are read where it really is.
inline std::vector<Sekunda> Czytaj(const std::vector<int16_t>& x, int rate, Czas t0, int64_t pomin = 0) {
  std::vector<Sekunda> out;
  const int64_t n0 = TimeCode::NumerProbki(t0, rate);
  const TimeCode kod(rate);
  const int slot = rate / 10;
  std::vector<int16_t> idealny(static_cast<size_t>(3 * slot));
  const int64_t zasieg = rate * 4 / 10;
  int64_t s = kalendarz::DzielWDol(n0 + pomin + zasieg + rate - 1, rate);  // the first second well inside x
  for (;; ++s) {
    const int64_t i = s * rate - n0;  // where second s starts in x, by t0
    if (i + rate + zasieg > static_cast<int64_t>(x.size())) break;
    Sekunda w;
    w.oczekiwana = s;
    // Where the detector finds the second's first tone in the ideal signal.
    kod.Probki(s * rate, 3 * slot, 1, idealny.data());
    const int64_t wzorcowy = Poczatek(idealny, 0, 3 * slot, rate);
    const int64_t zmierzony = Poczatek(x, i + slot - zasieg, i + slot + zasieg, rate);
    if (zmierzony < 0) {
      w.przesuniecieMs = 1e9;
      out.push_back(w);
      continue;
    }
    const int64_t naprawde = zmierzony - wzorcowy;  // where the second really starts
    w.przesuniecieMs = static_cast<double>(naprawde - i) * 1000.0 / rate;
    const auto srodek = [&](int od) { return &x[static_cast<size_t>(naprawde + od * slot + slot / 8)]; };
    const int dl14 = 4 * slot - slot / 4;
    const int dl9 = slot - slot / 4;
    w.sekunda = Ton(srodek(1), dl14, rate, 60);
    w.minuta = Ton(srodek(5), dl14, rate, 60);
    w.godzina = Ton(srodek(9), dl9, rate, 24);
    out.push_back(w);
  }
  return out;
}

}  // namespace probe
