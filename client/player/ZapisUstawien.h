#pragma once
// Writes a settings file so that a crash or a full disk never leaves it half written: the
// lines go to a new temporary file beside it, which takes the file's place only when all of
// it is on the disk. Lines are converted to Windows-1250 and end in CR LF. One thread at a
// time.
#include <memory>

#include "core/Plik.h"
#include "core/String.h"

class ZapisUstawien {
 public:
  // Starts a temporary file in the directory of `sciezka`, which must exist. Raises the
  // open error when it cannot be made.
  explicit ZapisUstawien(String sciezka);
  // Removes the temporary file unless Zatwierdz succeeded; the old file stays as it was.
  ~ZapisUstawien();
  ZapisUstawien(const ZapisUstawien&) = delete;
  ZapisUstawien& operator=(const ZapisUstawien&) = delete;

  // One line: s, then CR LF.
  void Writeln(const String& s);
  // Writeln(Name + "=" + Value), with every CR and LF of Value made a blank: a value is
  // one line, and a line break in it would cut the file's later lines loose.
  void WriteIniValue(const String& Name, const String& Value);
  // Flushes the temporary file to the disk and puts it in the file's place, keeping the
  // old file's permissions (new files are the user's own, 0600). Raises the system's text
  // with the file's name when any step fails; the old file then stays.
  void Zatwierdz();

 private:
  String sciezka;
  String tymczasowy;
  std::unique_ptr<Plik> plik;
  bool zatwierdzony = false;
};
