#pragma once
// The schedule of the demo stations, in UTC, the same every hour: no recording in
// [hh:20:00, hh:22:00), so each recording runs from hh:22:00 to the next hour's 20:00;
// event family "Wiadomości" over [hh:00:00, hh:05:00); family "Reklamy" over
// [hh:15:00, hh:17:00) and [hh:45:00, hh:47:00); marker kind "Sygnał" at hh:10:00,
// hh:30:00 and hh:50:00. Recordings are written in pieces of a fixed length counted from
// the start of their run, the last piece of a run ending with it. Pure functions.
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
};
