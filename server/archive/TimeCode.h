#pragma once
// The time code of the demo stations: every UTC second s (seconds since 1970-01-01, the
// audio of [s, s + 1)) is ten 100 ms slots: slot 0 silent, slots 1-4 a sine at
// 500 + 50 x (s mod 60) Hz, slots 5-8 at 500 + 50 x (floor(s / 60) mod 60) Hz, slot 9 at
// 500 + 50 x (floor(s / 3600) mod 24) Hz; half of full scale, with 5 ms raised-cosine
// fades at each tone's edges, the sine's phase counted from the start of the second.
// Samples are numbered from 1970-01-01 00:00:00 UTC: sample n plays at n / rate seconds.
// Immutable after construction: any thread may read it.
#include <cstdint>
#include <vector>

#include "core/Czas.h"

class TimeCode {
 public:
  // Tables for one sampling rate; the rate must be a multiple of 10 so that the slots
  // start on samples.
  explicit TimeCode(int czestotliwosc);

  // Writes `ile` sample frames starting with sample number n, each value on `kanaly`
  // interleaved channels.
  void Probki(int64_t n, int ile, int kanaly, int16_t* out) const;
  int Czestotliwosc() const { return rate; }

  // The tone of `slot` (0-9) of the UTC second `sekunda`; 0 for the silent slot 0.
  static int Ton(int64_t sekunda, int slot);
  // 1970-01-01 00:00:00 UTC on the Czas scale.
  static constexpr int64_t kEpokaUnix = 116444736000000000;
  // The number of the sample that plays at t, and the moment sample n plays, both rounded
  // down.
  static int64_t NumerProbki(Czas t, int czestotliwosc);
  static Czas CzasProbki(int64_t n, int czestotliwosc);

 private:
  int rate;
  // One second of each of the 60 tones, at amplitude, from the start of the second.
  std::vector<int16_t> tony;
  // The fade envelope at a distance of j samples from a tone's edge; 1 beyond it.
  std::vector<double> zanik;
};
