#include "core/TekstUtf8.h"

#include <cstdint>

namespace {

bool Kontynuacja(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

bool PoprawneUtf8(const String& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    uint32_t kod = 0;
    uint32_t najmniejszy = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1, kod = c & 0x1F, najmniejszy = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, kod = c & 0x0F, najmniejszy = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, kod = c & 0x07, najmniejszy = 0x10000;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      kod = (kod << 6) | (d & 0x3F);
    }
    if (kod < najmniejszy || kod > 0x10FFFF || (kod >= 0xD800 && kod <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

bool MaZnakiSterujace(const String& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(s[i + 1]) <= 0x9F)
      return true;
  }
  return false;
}

size_t LiczbaZnakow(const String& s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++i) n += Kontynuacja(s[i]) && i > 0 ? 0 : 1;
  return n;
}

String Cytat(const String& s) {
  size_t znaki = 0;
  size_t koniec = s.size();
  for (size_t i = 0; i < s.size(); ++i) {
    if (Kontynuacja(s[i]) && i > 0) continue;
    if (znaki == kCytatZnakow) koniec = i;
    ++znaki;
  }
  if (znaki <= kCytatZnakow) return "\"" + s + "\"";
  return "\"" + s.substr(0, koniec) + "…\" (" + std::to_string(znaki) + " znaków)";
}

String Skrot(const String& s) { return LiczbaZnakow(s) <= kCytatZnakow ? s : Cytat(s); }
