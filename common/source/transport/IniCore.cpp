#include "transport/IniCore.h"

IniCore::IniCore(Core& c, int m) : IniBase(m), core(c) {
  if (mode != 0) core.SetSize(0);
}

void IniCore::Write(const char* c, int n) {
  core.InsertAt(position, c, n);
  position += n;
}

void IniCore::Read(char* c, int n) {
  core.ReadAt(position, c, n);
  position += n;
}

std::int64_t IniCore::Pozostalo() {
  if (mode != 0) return -1;
  return core.Size() - position;
}
