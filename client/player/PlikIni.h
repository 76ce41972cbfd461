#pragma once
// A settings file read as a whole: sections "[name]" and lines "key=value" as
// CzytajLinieIni reads them, in Windows-1250 (UTF-8 inside the program). Section and key
// names are compared without regard to the case of ASCII letters; a line that is neither,
// and the lines after a header without its ']', are ignored; a missing section or key
// reads as the empty text. Where a key appears more than once, the first one counts.
// One thread at a time.
#include <cstdint>
#include <map>
#include <vector>

#include "core/String.h"

class PlikIni {
 public:
  // How the reading went.
  enum Stan {
    Brak,         // there is no such file
    Wczytany,     // read
    Nieczytelny,  // the file exists but could not be read (logged); it reads as empty
  };
  // Files beyond this size are not settings: they are refused as unreadable.
  static constexpr int64_t MaksRozmiar = 16 << 20;

  // Reads `sciezka` at once.
  explicit PlikIni(const String& sciezka);

  Stan DajStan() const { return stan; }
  // The value of `klucz` in `sekcja`; empty when either is missing.
  String Czytaj(const String& sekcja, const String& klucz) const;

 private:
  Stan stan = Brak;
  // Sections by lower-case name, in file order within a name; each holds its keys (lower
  // case) and values, in file order.
  std::multimap<String, std::vector<std::pair<String, String>>> sekcje;
};
