#pragma once
// The schedule of the demo stations, in UTC, the same every hour: no recording in
// [hh:20:00, hh:22:00), so each recording runs from hh:22:00 to the next hour's 20:00;
// event family "Wiadomości" over [hh:00:00, hh:05:00); family "Reklamy" over
// [hh:15:00, hh:17:00) and [hh:45:00, hh:47:00); marker kind "Sygnał" at hh:10:00,
// hh:30:00 and hh:50:00. Recordings are written in pieces of a fixed length counted from
// the start of their run, the last piece of a run ending with it.
// With the silences on (OpcjeDemo::cisze), the audio is silent (digital zero) over
// [hh:07:30, hh:07:45), [hh:26:00, hh:26:06) and [hh:37:50, hh:38:12) every hour; each
// goes on through the silent first tenth of the second after it (TimeCode), so the
// stretches heard are 15.1 s, 6.1 s (shorter than the 10 s a silence lasts to be told)
// and 22.1 s, the last across the change of files at hh:38 of pieces of 8 minutes or
// 96 s. Pure functions.
#include <vector>

#include "archive/EventsFile.h"
#include "core/Czas.h"
#include "core/Roznica.h"

struct KawalekDemo {
  Czas poczatek;
  Czas koniec;
  bool operator==(const KawalekDemo&) const = default;
};

class DemoSchedule {
 public:
  // Whether the stations record at t.
  static bool Nagrywa(Czas t);
  // The piece of length `dlugosc` that holds t or, in the break, the first one after it.
  static KawalekDemo KawalekW(Czas t, Roznica dlugosc);
  // The piece after `k`.
  static KawalekDemo Nastepny(const KawalekDemo& k, Roznica dlugosc);
  // Every piece that overlaps [od, do_), in time order.
  static std::vector<KawalekDemo> Kawalki(Czas od, Czas do_, Roznica dlugosc);
  // Every event and marker that begins in [od, do_), in time order.
  static std::vector<Zdarzenie> Zdarzenia(Czas od, Czas do_);
  // The stretches made silent, as written (without the tenth after them), that overlap
  // [od, do_), in time order.
  static std::vector<KawalekDemo> Cisze(Czas od, Czas do_);
  // The silent first tenth of each second of the time code, which lengthens every
  // stretch made silent when heard.
  static constexpr Roznica kCichaDziesiata = Roznica::Milisekunda * 100;
};
