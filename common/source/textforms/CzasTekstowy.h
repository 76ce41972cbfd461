#pragma once
// Moments and offsets as people type them on command lines, in links and on standard
// input, and the one text form the tools print. Thread-safe: plain functions on values.
#include <optional>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"

// A moment given by the user: ISO 8601 ("2026-12-10T08:30:00Z", optionally with
// fractional seconds) in UTC, where a trailing "Z" may be left out, or with an offset from
// UTC ("2026-12-10T09:30:00+01:00", "+0100", "+01"); or 16 hexadecimal digits. Raises
// "zły czas: " + text otherwise.
Czas ParsujCzas(const String& tekst);
// A signed offset with a unit: "+5s", "-1m", "+2h", "-250ms", "+1d". None when `tekst`
// is not of that form.
std::optional<Roznica> ParsujPrzesuniecie(const String& tekst);
// ISO 8601 UTC with milliseconds, e.g. "2026-12-10T08:30:00.250Z"; "---" for no time.
String NapisIso(Czas c);
// ISO 8601 UTC, the milliseconds only when they are not zero: "2026-12-10T08:30:00Z",
// "2026-12-10T08:30:00.250Z"; what is finer than a millisecond is dropped. "---" for no
// time. ParsujCzas reads it back.
String NapisIsoZwiezly(Czas c);
