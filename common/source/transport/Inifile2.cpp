#include "transport/Inifile2.h"

#include "core/CallTrace.h"

Inifile2::Inifile2(const Tekst& filename, int m) : IniBase(m), plik(filename) {
  KG_TRACE("Inifile2::Inifile2(const Tekst& filename, int m)");
  if (mode != 0) {
    plik.Create();
  } else if (plik.ReadTry()) {
    failed = true;
  }
}

void Inifile2::Write(const char* c, int n) {
  KG_TRACE("Inifile2::Write(const char* c, int n)");
  plik.Write(c, n);
}

void Inifile2::Read(char* c, int n) {
  KG_TRACE("Inifile2::Read(char*,int)");
  if (!plik.IsOpen()) {
    failed = true;
    return;
  }
  if (plik.Read(c, n) < n) failed = true;
}

std::int64_t Inifile2::Pozostalo() {
  KG_TRACE("Inifile2::Pozostalo()");
  if (mode != 0) return -1;
  if (!plik.IsOpen()) return 0;
  return plik.Size() - plik.Tell();
}
