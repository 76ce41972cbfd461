#pragma once
// The events file of a station, written beside its audio: events (a family's interval)
// and markers (a kind's moment), in UTC. A UTF-8 text file, one entry per line, fields
// separated by one tab:
//   event<TAB>FAMILY<TAB>BEGIN<TAB>END     the family's interval [BEGIN, END)
//   marker<TAB>KIND<TAB>TIME               a marker of that kind at TIME
// Times are ISO 8601 in UTC with milliseconds: 2024-03-05T14:00:00.000Z. Lines that begin
// with "#" and empty lines are comments. Entries are only ever appended, each line whole
// in one write, so that a reader following the file never takes half a line.
// One thread at a time per object; a writer and readers in other processes or threads may
// use the same file, each with its own object.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Czas.h"
#include "core/String.h"

struct Zdarzenie {
  enum class Rodzaj { Wydarzenie, Marker };
  Rodzaj rodzaj = Rodzaj::Wydarzenie;
  String nazwa;
  Czas poczatek;
  Czas koniec;  // a marker's is its own moment
  bool operator==(const Zdarzenie&) const = default;
};

class EventsFile {
 public:
  explicit EventsFile(String sciezka);

  // Appends the entries in one write, creating the file with its comment header when it
  // does not exist. Tabs and line breaks in names become spaces. Raises the system error
  // form on a failed write.
  void Dopisz(const std::vector<Zdarzenie>& zdarzenia);
  // Every entry of the file; a missing file has none. Malformed lines are skipped.
  std::vector<Zdarzenie> Czytaj() const;
  // The entries appended since the previous call (all of them at the first); a last line
  // not yet ended is left for the next call. `odNowa` becomes true when the file was
  // replaced or cut shorter since: the result then holds all its entries again.
  std::vector<Zdarzenie> CzytajNowe(bool& odNowa);

  static String Linia(const Zdarzenie& z);
  static std::optional<Zdarzenie> ZLinii(const String& linia);
  // "2024-03-05T14:00:00.000Z" and back; nullopt for any other text.
  static String Iso(Czas t);
  static std::optional<Czas> ZIso(const String& s);

  const String& Sciezka() const { return sciezka; }

 private:
  String sciezka;
  int64_t przeczytano = 0;
  uint64_t inode = 0;  // of the file read last
};
