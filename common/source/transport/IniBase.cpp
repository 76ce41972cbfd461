#include "transport/IniBase.h"

#include <bit>

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "core/Czas.h"
#include "core/Exception.h"
#include "core/Roznica.h"
#include "transport/Core.h"
#include "transport/Transportable.h"

IniBase::IniBase(int m) : mode(m) {}

IniBase::~IniBase() = default;

std::int64_t IniBase::Pozostalo() { return -1; }

IniBase& IniBase::ReadWrite(void* c, int n) {
  KG_TRACE("IniBase::ReadWrite(void*,int)");
  if (mode != 0) {
    Write(static_cast<const char*>(c), n);
  } else {
    Read(static_cast<char*>(c), n);
  }
  return *this;
}

void IniBase::MoveLittleEndian(std::uint64_t& v, int bytes) {
  unsigned char b[8];
  for (int i = 0; i < bytes; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
  if (mode != 0) {
    Write(reinterpret_cast<const char*>(b), bytes);
  } else {
    // Bytes that a short read of a file archive does not deliver keep the old value's.
    Read(reinterpret_cast<char*>(b), bytes);
    v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(b[i]) << (8 * i);
  }
}

IniBase& IniBase::ReadWrite(bool& v) {
  KG_TRACE("IniBase::ReadWrite(bool&)");
  std::uint64_t u = v ? 1 : 0;
  MoveLittleEndian(u, 1);
  v = u != 0;
  return *this;
}

IniBase& IniBase::ReadWrite(float& v) {
  KG_TRACE("IniBase::ReadWrite(float&)");
  std::uint64_t u = std::bit_cast<std::uint32_t>(v);
  MoveLittleEndian(u, 4);
  v = std::bit_cast<float>(static_cast<std::uint32_t>(u));
  return *this;
}

IniBase& IniBase::ReadWrite(double& v) {
  KG_TRACE("IniBase::ReadWrite(double&)");
  std::uint64_t u = std::bit_cast<std::uint64_t>(v);
  MoveLittleEndian(u, 8);
  v = std::bit_cast<double>(u);
  return *this;
}

IniBase& IniBase::ReadWrite16(std::int64_t& first, std::int64_t& second) {
  KG_TRACE("IniBase::ReadWrite16(std::int64_t& first, std::int64_t& second)");
  ReadWrite(first);
  ReadWrite(second);
  return *this;
}

IniBase& IniBase::ReadWrite(Czas& t) {
  KG_TRACE("IniBase::ReadWrite(Czas&)");
  std::int64_t ticks = t.Wartosc();
  ReadWrite(ticks);
  t = Czas(ticks);
  return *this;
}

IniBase& IniBase::ReadWrite(Roznica& r) {
  KG_TRACE("IniBase::ReadWrite(Roznica&)");
  std::int64_t ticks = r.Wartosc();
  ReadWrite(ticks);
  r = Roznica(ticks);
  return *this;
}

IniBase& IniBase::ReadWrite16(Czas& begin, Czas& end) {
  KG_TRACE("IniBase::ReadWrite16(Czas&,Czas&)");
  ReadWrite(begin);
  ReadWrite(end);
  return *this;
}

IniBase& IniBase::ReadWriteLength(int& n) {
  KG_TRACE("IniBase::ReadWriteLength(int&)");
  if (mode != 0 && (n < 0 || n > MaksDlugosc)) {
    KG_ERROR("Długość " + std::to_string(n) + " poza zakresem 0.." +
             std::to_string(MaksDlugosc));
  }
  ReadWrite(n);
  if (mode == 0) {
    if (n < 0 || n > MaksDlugosc) {
      KG_ERROR("Odczytana długość " + std::to_string(n) + " poza zakresem 0.." +
               std::to_string(MaksDlugosc));
    }
    const std::int64_t left = Pozostalo();
    if (left >= 0 && n > left) {
      KG_ERROR("Odczytana długość " + std::to_string(n) + " większa niż pozostałe " +
               std::to_string(left) + " bajtów");
    }
  }
  return *this;
}

IniBase& IniBase::ReadWriteCount(int& n, int bajtowNaElement) {
  KG_TRACE("IniBase::ReadWriteCount(int&,int)");
  ReadWrite(n);
  if (mode == 0) {
    if (n < 0) KG_ERROR("Odczytana liczba elementow " + std::to_string(n) + " ujemna");
    const std::int64_t left = Pozostalo();
    const std::int64_t needed = std::int64_t{n} * (bajtowNaElement > 0 ? bajtowNaElement : 0);
    if (left >= 0 && needed > left) {
      KG_ERROR("Odczytana liczba elementow " + std::to_string(n) + " nie miesci sie w " +
               std::to_string(left) + " pozostalych bajtach");
    }
  }
  return *this;
}

IniBase& IniBase::ReadWrite(String& s) {
  KG_TRACE("IniBase::ReadWrite(String&)");
  if (mode != 0) {
    String bytes = ToCp1250(s);
    ReadWriteBytes(bytes);
  } else {
    String bytes;
    ReadWriteBytes(bytes);
    s = FromCp1250(bytes);
  }
  return *this;
}

IniBase& IniBase::ReadWriteBytes(String& bytes) {
  KG_TRACE("IniBase::ReadWriteBytes(String&)");
  int n = bytes.size() > static_cast<size_t>(MaksDlugosc) ? MaksDlugosc + 1
                                                          : static_cast<int>(bytes.size());
  ReadWriteLength(n);
  // Reading: the length was checked before this allocation.
  if (mode == 0) bytes.resize(static_cast<size_t>(n));
  return ReadWrite(bytes.data(), n);
}

IniBase& IniBase::ReadWrite(Core& c) {
  KG_TRACE("IniBase::ReadWrite(Core&)");
  c.lsa(*this);
  return *this;
}

IniBase& IniBase::ReadWrite(Transportable& t) {
  KG_TRACE("IniBase::ReadWrite(Transportable&)");
  t.lsa(*this);
  return *this;
}
