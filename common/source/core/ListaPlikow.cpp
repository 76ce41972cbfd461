#include "core/ListaPlikow.h"

#include <dirent.h>

#include <cerrno>
#include <cstring>

namespace {

// The number of bytes of the UTF-8 character that starts at s[i] (1 for a byte that does
// not start a well-formed character, so that any name can be matched).
size_t CharLength(const String& s, size_t i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  size_t n = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3
           : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

}  // namespace

bool PasujeDoMaski(const String& name, const String& pattern) {
  // Greedy matching with one backtrack point: the latest "*" and where it was tried.
  size_t n = 0, p = 0;
  size_t starP = String::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharLength(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starP != String::npos) {
      // Let the last "*" swallow one more character and retry from there.
      starN += CharLength(name, starN);
      n = starN;
      p = starP;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

ListaPlikow::ListaPlikow(const String& mask) {
  const String::size_type slash = mask.rfind('/');
  String directory;
  String pattern;
  if (slash == String::npos) {
    directory = ".";
    pattern = mask;
  } else {
    directory = slash == 0 ? String("/") : mask.substr(0, slash);
    pattern = mask.substr(slash + 1);
  }
  if (pattern.empty()) return;
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) {
    blad = errno;
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (!PasujeDoMaski(name, pattern)) continue;
    // Darray refuses indices above its limit; a longer listing is cut there, not raised.
    if (count > 1000000) break;
    (*this)[count] = name;
    ++count;
  }
  closedir(dir);
}
