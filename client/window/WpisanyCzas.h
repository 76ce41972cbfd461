#pragma once
// A moment typed into the window's "Przejdź do" prompt, read against the moment being
// played and a time zone (the window passes the machine's, tests a fixed one). Accepted,
// blanks around the text ignored:
//   "2026-12-10 08:30:00", "2026-12-10 08:30"   a local date and time ("T" may stand for the blank)
//   "08:30:00", "8:30"                          a local time on the local day being played
//   "-15m", "+1h30m", "-2d", "+90s"             a step from the moment being played: signed
//                                               numbers of d, h, m, s, added up; a step is
//                                               real time, so "+1h" across a change of the
//                                               clocks still moves one hour
//   "2026-12-10T08:30:00Z", "...+01:00"         ISO 8601 with "Z" or an offset (ParsujCzas)
// A local time that the clocks skip (the gap when summer time starts) is refused; one they
// show twice (the hour repeated when it ends) is the first, earlier, of the two moments.
// Thread-safe: plain functions on values.
#include "core/Czas.h"
#include "core/String.h"
#include "core/TimeZone.h"

struct WpisanyCzas {
  Czas chwila;   // the moment; zero when refused
  String blad;   // why it was refused, a short status text; empty when read

  explicit operator bool() const { return blad.empty(); }
};

// Reads `tekst`; `grany` is the moment being played (the day of a time alone and the start
// of a step). Refusals: "Nie podano czasu", "Nie rozumiem czasu \"...\"", "Błędna data
// lub godzina \"...\"", "Czas \"...\" nie istnieje (zmiana na czas letni)", "Przesunięcie
// \"...\" wychodzi poza zakres".
WpisanyCzas CzytajWpisanyCzas(const String& tekst, Czas grany, const TimeZone& strefa);

// The local date and time of `c` to the second as the prompt offers it, "2026-12-10 08:30:00";
// CzytajWpisanyCzas reads it back to that second (in the repeated hour, to the earlier one).
String NapisDoWpisania(Czas c, const TimeZone& strefa);
