#pragma once
// The month and weekday names of the user's regional settings: the LC_TIME names of the
// locale that the environment names (LC_ALL, LC_TIME, LANG), in UTF-8. Nothing in the
// program assumes a language; a locale that cannot be loaded gives the C locale's names.
//
// Months have two full forms: the one used inside a date next to a day number, and the one
// that stands alone (a calendar heading, the month panel). They are the same in English;
// in Polish the first is the genitive ("5 grudnia 2003"), the second the nominative
// ("grudzień").
#include <array>

#include "core/String.h"

// A set of names is a plain value. The process-wide one (Biezace) is read by any thread
// without a lock; it is installed once under a private mutex and never changed or freed
// afterwards.
class RegionalNames {
 public:
  std::array<String, 12> miesiace;             // January first; form used with a day
  std::array<String, 12> miesiaceSamodzielne;  // January first; standalone form
  std::array<String, 12> miesiaceSkrocone;     // January first
  std::array<String, 7> dni;                   // Sunday first
  std::array<String, 7> dniSkrocone;           // Sunday first

  // Accessors with the calendar's numbering: month 1-12, weekday 0-6 (0 = Sunday).
  const String& Miesiac(int m) const { return miesiace[static_cast<size_t>(m - 1)]; }
  const String& MiesiacSamodzielny(int m) const { return miesiaceSamodzielne[static_cast<size_t>(m - 1)]; }
  const String& MiesiacSkrocony(int m) const { return miesiaceSkrocone[static_cast<size_t>(m - 1)]; }
  const String& DzienTygodnia(int d) const { return dni[static_cast<size_t>(d)]; }
  const String& DzienTygodniaSkrocony(int d) const { return dniSkrocone[static_cast<size_t>(d)]; }

  // The names of the locale `nazwa` ("" = the one the environment names). Raises
  // "Nie można załadować ustawień regionalnych " + nazwa when there is no such locale.
  static RegionalNames ZLocale(const String& nazwa);
  // The environment's names, falling back to the C locale's.
  static RegionalNames Systemowe();

  // The process-wide names: Systemowe() read at the first call and kept from then on. The
  // reference stays valid for the life of the process, even across Ustaw() and Reset().
  static const RegionalNames& Biezace();
  // Installs other names for the process (for tests, or a program that offers a language).
  // Only while no other thread formats times.
  static void Ustaw(RegionalNames names);
  // Forgets the kept names, so that the next Biezace() reads the environment again.
  static void Reset();
};
