#pragma once
// A point in time: a signed count of 100-ns ticks since 1601-01-01 00:00:00 UTC, always
// UTC. Zero means that no time is set; Czas::Max stands for no end or nothing found. A value
// type of 8 bytes, copied freely between threads; local time exists only in CzasLokalny.
#include <compare>
#include <cstdint>
#include <string_view>

#include "core/Roznica.h"
#include "core/String.h"

// A broken-down calendar date and time, every field a 16-bit unsigned number.
struct SystemTime {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;      // 1-12
  uint16_t wDayOfWeek = 0;  // 0 = Sunday ... 6 = Saturday
  uint16_t wDay = 0;        // 1-31
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
};

namespace kalendarz {
// The calendar fields of a count of ticks since 1601-01-01, a negative count included
// (years 0-65535).
SystemTime Rozbij(int64_t ticks);
}  // namespace kalendarz

struct CzasLokalny;

class Czas {
 public:
  // Zero: no time set.
  constexpr Czas() = default;
  constexpr explicit Czas(int64_t ticks) : value_(ticks) {}

  // The raw count of ticks since 1601-01-01 UTC.
  constexpr int64_t Wartosc() const { return value_; }

  constexpr auto operator<=>(const Czas&) const = default;

  constexpr Czas& operator+=(Roznica r) { value_ += r.Wartosc(); return *this; }
  constexpr Czas& operator-=(Roznica r) { value_ -= r.Wartosc(); return *this; }

  // |a - b|.
  static constexpr Roznica Odstep(Czas a, Czas b) {
    return Roznica(a.value_ >= b.value_ ? a.value_ - b.value_ : b.value_ - a.value_);
  }
  // The greatest multiple of `krok` not further from zero than this time (truncating
  // division), for example the whole UTC hour that holds it. `krok` must not be zero.
  Czas Zaokraglij(Roznica krok) const;

  // The current UTC time, to the 100-ns tick the system clock gives.
  static Czas Teraz();

  // Exactly 16 upper-case hexadecimal digits, most significant first, no prefix: the form
  // of times in ini files and text commands. The value's 64 bits are written as they are.
  String NapisHex() const;
  // The inverse of NapisHex. A text of another length raises "ma byc 16 a jest " + length
  // + "! (" + text + ")"; a character other than "0"-"9" and "A"-"F" raises
  // "błędna cyfra szesnastkowa '" + character + "' w (" + text + ")".
  static Czas ZNapisuHex(std::string_view text);

  // The local time of this instant with the machine's zone and its daylight-saving rules
  // (TimeZone::Biezaca). A negative time raises "Bledny czas " + its signed decimal value,
  // as does a time whose local value falls outside the 64-bit range.
  CzasLokalny Lokalny() const;
  // The local day of the month, 1-31.
  int DzienMiesiaca() const;

  // The calendar date and time in UTC; raises "Bledny czas " + value for a negative time.
  SystemTime Kalendarz() const;
  // The time whose UTC calendar form is `data`; wDayOfWeek is ignored. A field out of its
  // range (month 0, day 32, ...) raises "Bledna data " + the fields.
  static Czas ZKalendarza(const SystemTime& data);
  // The UTC instant whose local wall-clock time is `lokalny` (a local value as CzasLokalny
  // carries it). In the hour repeated when summer time ends the earlier instant is taken;
  // a local time skipped when summer time starts is read with the standard-time bias.
  static Czas ZLokalnego(Czas lokalny);

  // Text forms, all in local time; a zero time gives "---".
  // DD + " " + full month name + " " + YYYY + " " + hh:mm:ss, e.g. "05 grudnia 2003 22:49:04".
  String Napis() const;
  // DD + "/" + abbreviated month name + "/" + YYYY + " " + hh:mm:ss.
  String NapisKrotki() const;
  // Napis() + "." + ticks past the whole second (decimal, no leading zeros) +
  // " czas letni" or " czas zimowy".
  String NapisDokladny() const;
  // One field for the time axis: "data" (DD month YYYY), "godzina" (hh:mm:ss), "d", "h",
  // "m", "s" (two digits each); any other `co` gives the empty text. A time before
  // 1700-12-08 00:00 UTC gives "-" whatever `co` says.
  String Formatuj(const String& co) const;
  // The local time written by a date pattern. Tokens: "d" day without leading zero, "dd"
  // two-digit day, "ddd" abbreviated and "dddd" full weekday name, "m" month number, "mm"
  // two-digit month, "mmm" abbreviated and "mmmm" full month name, "yy" two-digit and
  // "yyyy" four-digit year, "h"/"hh" hour, "n"/"nn" minute, "s"/"ss" second (the single
  // letters without, the doubled ones with a leading zero), "z"/"zzz" milliseconds. The
  // longest token wins; every other character is copied unchanged. "mmmm" takes the
  // month name's form for a date when the pattern has a day number ("d" or "dd"), its
  // standalone form otherwise (they differ in languages such as Polish: "9 grudnia 2003"
  // but "grudzień 2003").
  String FormatujWzorem(const String& wzor) const;

  // Little-endian 8 bytes, low byte first, as archives and packets carry the value.
  void DoBajtow(unsigned char out[8]) const { Roznica(value_).DoBajtow(out); }
  static Czas ZBajtow(const unsigned char in[8]) { return Czas(Roznica::ZBajtow(in).Wartosc()); }

  // 0x7FFFFFFFFFFFFFFF, read from its text form at compile time.
  static const Czas Max;

  // The hexadecimal reading without tracing, usable in constant expressions. Returns false
  // when `text` is not 16 upper-case hexadecimal digits.
  static constexpr bool CzytajHex(std::string_view text, Czas& out) {
    if (text.size() != 16) return false;
    uint64_t v = 0;
    for (const char c : text) {
      int cyfra;
      if (c >= '0' && c <= '9') {
        cyfra = c - '0';
      } else if (c >= 'A' && c <= 'F') {
        cyfra = c - 'A' + 10;
      } else {
        return false;
      }
      v = (v << 4) | static_cast<uint64_t>(cyfra);
    }
    out = Czas(static_cast<int64_t>(v));
    return true;
  }

 private:
  static constexpr Czas StalaHex(std::string_view text) {
    Czas c;
    // Not a constant expression when the text is malformed, so a bad constant fails to
    // compile.
    if (!CzytajHex(text, c)) throw "błędna stała szesnastkowa";
    return c;
  }

  int64_t value_ = 0;
};

inline constexpr Czas Czas::Max = Czas::StalaHex("7FFFFFFFFFFFFFFF");

// No overflow checks: the arithmetic is that of the 64-bit values.
constexpr Czas operator+(Czas c, Roznica r) { return c += r; }
constexpr Czas operator-(Czas c, Roznica r) { return c -= r; }
constexpr Roznica operator-(Czas a, Czas b) { return Roznica(a.Wartosc() - b.Wartosc()); }
// The remainder in ticks of the truncating division (negative for a negative time).
constexpr int64_t operator%(Czas c, Roznica r) { return c.Wartosc() % r.Wartosc(); }

// The local broken-down time of one Czas: the calendar fields of the local wall-clock time,
// whether summer (daylight-saving) time was in force at that instant, and the local time as
// a value on the Czas scale (UTC minus the bias in force).
struct CzasLokalny : SystemTime {
  bool letni = false;
  Czas lokalny;
};
