#include "transport/Inifile3.h"

#include <cstring>

#include "core/CallTrace.h"
#include "core/Exception.h"

Inifile3::Inifile3(const Tekst& filename, int m, const Tekst& id, int version_)
    : Inifile2(filename, m), version(version_), filename_(filename) {
  KG_TRACE("Inifile3::Inifile3(const Tekst& filename, int m, const Tekst& id, int version_)");
  if (failed) return;
  const String quoted = "\"" + filename_ + "\"";

  char tag[7];
  std::memcpy(tag, "inifile", 7);
  ReadWrite(tag, 7);
  if (std::memcmp(tag, "inifile", 7) != 0) KG_ERROR(quoted + " jest uszkodzony");

  String kind = id;
  ReadWrite(kind);
  if (kind != id) KG_ERROR(quoted + " jest niewlasciwy");

  ReadWrite(version);
  if (version > version_) KG_ERROR(quoted + " ma wersję " + std::to_string(version));
}

void Inifile3::Write(const char* c, int n) {
  KG_TRACE("Inifile3::Write(const char* c, int n)");
  Inifile2::Write(c, n);
  if (failed) KG_ERROR("Błąd zapisu do " + filename_);
}

void Inifile3::Read(char* c, int n) {
  KG_TRACE("Inifile3::Read(char*,int)");
  Inifile2::Read(c, n);
  if (failed) KG_ERROR("Błąd odczytu z " + filename_);
}
