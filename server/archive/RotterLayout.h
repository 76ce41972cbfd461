#pragma once
// How the Rotter logger names its files: the relative path of the file that starts at a
// moment, and back from a path to the moment its name states, for each of its layouts:
//   flat       ROOT/[NAME-]YYYY-MM-DD-HH.sfx
//   hierarchy  ROOT/YYYY/MM/DD/HH/NAME.sfx              (NAME "archive" unless given)
//   combo      ROOT/YYYY/MM/DD/HH/[NAME-]YYYY-MM-DD-HH.sfx
//   dailydir   ROOT/YYYY-MM-DD/[NAME-]YYYY-MM-DD-HH.sfx
//   accurate   ROOT/YYYY-MM-DD/YYYY-MM-DD-HH-MM-SS-CC.sfx (CC: hundredths of a second)
// and a custom pattern: the path without the suffix, written with strftime conversions
// (%Y %y %m %d %e %j %H %k %M %S %s %F %T %R %%, and %f for hundredths).
// Names are in local time with the zone's daylight-saving rules unless the layout is
// UTC; a local name in the hour repeated when clocks go back stands for two instants.
// A value type; one thread at a time per object.
#include <optional>
#include <vector>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "core/TimeZone.h"

// What a file name says about the file's start.
struct NazwaPliku {
  // The time written in the name, as a value on the Czas scale (a local wall-clock value
  // unless the layout is UTC).
  Czas zapisany;
  // The UTC instants the name can stand for, ascending: one, or two in a repeated hour.
  std::vector<Czas> utc;
  // The precision of the name: one hour for the hourly layouts, 10 ms for "accurate".
  Roznica rozdzielczosc;
};

class RotterLayout {
 public:
  enum class Rodzaj { Flat, Hierarchy, Combo, Dailydir, Accurate, Wzor };

  // A layout of Rotter's own. `nazwa` is the name Rotter was given for its files (empty:
  // none; the hierarchy layout then uses "archive"); the accurate layout has no name.
  // `sufiks` is the file suffix without the dot ("mp3", "mp2", "wav"). Raises for Wzor
  // (use ZWzoru).
  RotterLayout(Rodzaj rodzaj, const String& sufiks, const String& nazwa = String(), bool utc = false,
               const TimeZone& strefa = TimeZone::Biezaca());
  // A custom layout: `wzor` is the path relative to the root without the suffix, in the
  // conversions listed above. Raises "Nieobsługiwany znacznik %<c> w układzie <wzor>" for
  // any other conversion and "Pusty układ" for an empty pattern.
  static RotterLayout ZWzoru(const String& wzor, const String& sufiks, bool utc = false,
                             const TimeZone& strefa = TimeZone::Biezaca());
  // "flat", "hierarchy", "combo", "dailydir", "accurate", or a pattern (any text holding
  // "%"). Raises "Nieznany układ <slowo>" for anything else.
  static RotterLayout ZNapisu(const String& slowo, const String& sufiks, const String& nazwa = String(),
                              bool utc = false, const TimeZone& strefa = TimeZone::Biezaca());

  // The path, relative to the root and with "/" between directories, of the file whose
  // name states the UTC moment `start` (shown in local time unless the layout is UTC).
  String Sciezka(Czas start) const;
  // Reads a relative path; nullopt when it is not a name of this layout (a foreign file,
  // a temporary file, an impossible date).
  std::optional<NazwaPliku> Czytaj(const String& wzgledna) const;
  // The relative paths of every file of this layout under `katalog`, as found; an
  // unreadable directory gives nothing, but running out of descriptors or memory raises
  // (a listing cut short would look like files removed).
  std::vector<String> Pliki(const String& katalog) const;

  Rodzaj GetRodzaj() const { return rodzaj; }
  const String& Sufiks() const { return sufiks; }
  bool Utc() const { return utc; }
  const TimeZone& Strefa() const { return strefa; }
  // The pattern of the path with its suffix, as used internally ("%Y-%m-%d-%H.mp3").
  const String& Wzor() const { return wzor; }

  // The UTC instants of a time value written in local time in `strefa`: one normally, two
  // in the repeated hour; in a skipped hour, the standard-time reading.
  static std::vector<Czas> Instanty(Czas zapisany, const TimeZone& strefa);

 private:
  struct Token {
    char pole = 0;  // 0: literal text
    String tekst;
  };

  RotterLayout() = default;
  void Kompiluj();

  Rodzaj rodzaj = Rodzaj::Flat;
  String sufiks;
  bool utc = false;
  TimeZone strefa;
  String wzor;
  // The tokens of each path component.
  std::vector<std::vector<Token>> skladniki;
};
