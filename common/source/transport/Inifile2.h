#pragma once
// The file archive: an IniBase over a file. In write mode the file is created (an
// existing one replaced); in read mode a file that cannot be opened, or a read that
// finds fewer bytes than asked, sets Failed() instead of raising, and the caller treats
// the data as absent. The file is closed when the archive is destroyed.
// One thread at a time.
#include <cstdint>

#include "core/Plik.h"
#include "transport/IniBase.h"

class Inifile2 : public IniBase {
 public:
  // Write mode (1): creates the file, raising the Plik open error on failure. Read mode:
  // opens it for reading; when that fails, Failed() is true and nothing is raised.
  Inifile2(const Tekst& filename, int mode);

  // Plik::Write: raises on any failure.
  void Write(const char* c, int n) override;
  // Plik::Read; fewer bytes than n (end of file, or a file that is not open) set Failed()
  // and leave the missing bytes as they were.
  void Read(char* c, int n) override;
  // In read mode, the bytes of the file after the position (0 when it is not open).
  std::int64_t Pozostalo() override;

  bool Failed() const { return failed; }

 protected:
  Plik plik;
  bool failed = false;
};
