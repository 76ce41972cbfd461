#pragma once
// The machine's time zone as one record: the bias of standard time, the extra biases of
// standard and daylight (summer) time, and the two yearly rules that switch between them.
// UTC = local time + bias, all biases in minutes, so zones east of Greenwich have a
// negative bias (Central European time: bias -60, standard bias 0, daylight bias -60).
//
// The record comes from the system's zone, as the C library would find it:
// - TZ unset: the zone file /etc/localtime; none there means UTC;
// - TZ empty: UTC;
// - TZ a zone name ("Europe/Warsaw", ":Europe/Warsaw") or an absolute path: that zone
//   file, relative names looked up under $TZDIR, else /usr/share/zoneinfo;
// - TZ a POSIX rule string ("CET-1CEST,M3.5.0,M10.5.0/3"): that rule, when no zone file
//   of that name exists.
// Of a zone file, the POSIX rule in its footer is used: it states the zone's rules for
// now and the future. A file without a rule (a version 1 file, or an empty footer) gives
// the fixed offset of its last transition, with no daylight time. A zone that cannot be
// read or understood is logged as a warning and taken as UTC, so that times can always be
// shown.
//
// The POSIX rule forms are all supported: "Mm.w.d" (the w-th weekday d of month m, w = 5
// the last one), "Jn" (day n of the year, 1-365, February 29 never counted) and "n" (day n
// of the year, 0-365, February 29 counted), each with an optional "/time" that may be
// negative or beyond 24 hours; a zone with a daylight name but no rules gets
// "M3.2.0,M11.1.0". A zone whose daylight offset is behind its standard offset (negative
// summer time, as Europe/Dublin states it: standard time in summer, daylight time in
// winter) is turned round, so that `letni` always means summer time and the daylight bias
// is negative, as the zone's users know it. Offsets with seconds are rounded to the minute.
//
// Summer time runs from each change to daylight time to the next change to standard time:
// within one year in the north, across the new year where the start falls later in the
// year than the end (the southern hemisphere), so there it is in force when t >= start or
// t < end.
#include <cstdint>
#include <optional>

#include "core/Czas.h"
#include "core/String.h"

// One yearly change between standard and daylight time, at a local wall-clock time.
struct RegulaZmiany {
  enum class Rodzaj : uint8_t {
    Brak,           // no change: the zone has no daylight time
    DzienTygodnia,  // the `tydzien`-th weekday `dzienTygodnia` of month `miesiac`
    DzienJulianski, // day `dzien` of the year, 1-365, February 29 not counted
    DzienRoku,      // day `dzien` of the year, 0-365, February 29 counted
  };
  Rodzaj rodzaj = Rodzaj::Brak;
  int miesiac = 0;        // 1-12
  int dzienTygodnia = 0;  // 0 = Sunday ... 6 = Saturday
  int tydzien = 0;        // 1-4: the n-th such weekday; 5: the last one of the month
  int dzien = 0;
  // Seconds after local midnight of the day; may be negative or beyond one day.
  int32_t sekundy = 2 * 3600;

  bool operator==(const RegulaZmiany&) const = default;
};

// A record is a plain value. The process-wide one (Biezaca) is read by any thread without
// a lock; it is installed once under a private mutex and never changed or freed afterwards.
class TimeZone {
 public:
  int bias = 0;          // minutes, UTC = local standard time + bias + standardBias
  int standardBias = 0;  // minutes
  int daylightBias = 0;  // minutes, UTC = local daylight time + bias + daylightBias
  // The change to standard time, in the wall clock of daylight time.
  RegulaZmiany standardDate;
  // The change to daylight time, in the wall clock of standard time.
  RegulaZmiany daylightDate;
  String standardName = "UTC";
  String daylightName;

  // UTC: no bias, no daylight time.
  TimeZone() = default;

  bool MaCzasLetni() const { return daylightDate.rodzaj != RegulaZmiany::Rodzaj::Brak; }

  // Parses a POSIX TZ rule string (without a leading ':'). Raises
  // "Bledna regula strefy czasowej (" + text + ")" when it is malformed.
  static TimeZone ZRegulyPosix(const String& text);
  // Reads a TZif zone file. Raises when it cannot be read or is not a zone file.
  static TimeZone ZPliku(const String& path);
  // The system's zone as described above, read now; never raises.
  static TimeZone Systemowa();

  // The process-wide record: Systemowa() read at the first call and kept from then on.
  // The reference stays valid for the life of the process, even across Reset().
  static const TimeZone& Biezaca();
  // For tests: forgets the kept record, so that the next Biezaca() reads the system's zone
  // again (for example after TZ was changed); with `strefa`, installs that record instead.
  // Only while no other thread converts times.
  static void Reset(std::optional<TimeZone> strefa = std::nullopt);

  // Whether daylight time is in force at the UTC instant `t`.
  bool Letni(Czas t) const;
  // The local time of `t` in this zone. Raises "Bledny czas " + value for a negative `t`
  // or when the local value leaves the 64-bit range.
  CzasLokalny Lokalny(Czas t) const;
  // The UTC instant of the local value `lokalny`; see Czas::ZLokalnego.
  Czas ZLokalnego(Czas lokalny) const;

  // The instant in UTC, in whole seconds since 1601-01-01, at which `regula` falls in
  // `rok`, when `biasMinut` (bias plus the extra bias in force just before the change) is
  // the zone's bias at that moment.
  static int64_t SekundaZmiany(const RegulaZmiany& regula, int64_t rok, int biasMinut);
};
