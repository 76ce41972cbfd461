#pragma once
// Helpers for tests of what travels in archives: a byte block as upper-case hex and back,
// an object's encoding, and the message of the exception a call raises.
#include <cstdio>
#include <string>

#include "core/Exception.h"
#include "transport/Core.h"
#include "transport/IniCore.h"
#include "transport/Transportable.h"

inline String Hex(const Core& c) {
  String out;
  char dwa[4];
  for (unsigned char b : c.Tekst()) {
    std::snprintf(dwa, sizeof dwa, "%02X", b);
    out += dwa;
  }
  return out;
}

inline Core ZHex(const String& hex) {
  Core c;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    const char b = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    c.InsertAt(c.Size(), &b, 1);
  }
  return c;
}

// The bytes t writes of itself.
inline Core Zapisz(Transportable& t) {
  Core c;
  IniCore f(c, 1);
  t.lsa(f);
  return c;
}

// The message of the Exception f raises; "(nic)" when it raises none.
inline String Blad(const auto& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nic)";
}

inline bool ZaczynaSie(const String& tekst, const String& poczatek) {
  return tekst.compare(0, poczatek.size(), poczatek) == 0;
}
