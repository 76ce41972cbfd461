#include "core/Cp1250.h"

#include <iconv.h>

#include <cerrno>

#include "core/ErrorText.h"
#include "core/Exception.h"

namespace {

// One iconv descriptor, owned. iconv keeps a conversion state in the descriptor, so a
// descriptor is never shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      KG_ERROR(String("iconv_open(\"") + to + "\", \"" + from + "\"): " +
               SystemErrorText(errno));
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { iconv_close(cd_); }
  iconv_t Get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return cd_;
  }

 private:
  iconv_t cd_;
};

bool IsUnassigned(unsigned code) {
  return code == 0x81 || code == 0x83 || code == 0x88 || code == 0x90 || code == 0x98;
}

bool IsAscii(const String& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Decodes the well-formed UTF-8 character at s[i, end) into *code and returns its length,
// or returns 0 when the bytes there are not one (overlong forms, surrogates, code points
// above U+10FFFF and cut-off sequences included).
size_t DecodeUtf8(const unsigned char* s, size_t left, unsigned* code) {
  const unsigned b = s[0];
  size_t n;
  unsigned c, min;
  if (b < 0x80) {
    *code = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    n = 2, c = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3, c = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4, c = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((s[k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (s[k] & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  *code = c;
  return n;
}

}  // namespace

String ToCp1250(const String& utf8) {
  if (IsAscii(utf8)) return utf8;
  thread_local Converter converter("WINDOWS-1250", "UTF-8");
  iconv_t cd = converter.Get();
  // Every character yields exactly one byte, and takes at least one: the input's length
  // is always room enough.
  String out(utf8.size(), '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* to = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1)) break;
    // EILSEQ: a character without a Windows-1250 byte, or bytes that are not UTF-8;
    // EINVAL: a sequence cut off at the end. Either way, one "?" and move on.
    unsigned code = 0;
    size_t length = DecodeUtf8(reinterpret_cast<const unsigned char*>(in), inLeft, &code);
    if (length == 0) length = 1;
    *to++ = length == 2 && IsUnassigned(code) ? static_cast<char>(code) : '?';
    --outLeft;
    in += length;
    inLeft -= length;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - outLeft);
  return out;
}

String FromCp1250(const String& cp1250) {
  if (IsAscii(cp1250)) return cp1250;
  thread_local Converter converter("UTF-8", "WINDOWS-1250");
  iconv_t cd = converter.Get();
  // Every Windows-1250 character lies in the Basic Multilingual Plane: at most three
  // UTF-8 bytes each.
  String out(cp1250.size() * 3, '\0');
  char* in = const_cast<char*>(cp1250.data());
  size_t inLeft = cp1250.size();
  char* to = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1)) break;
    // Only the five unassigned bytes stop the conversion.
    const unsigned char b = static_cast<unsigned char>(*in);
    if (IsUnassigned(b)) {
      *to++ = static_cast<char>(0xC2);
      *to++ = static_cast<char>(b);
      outLeft -= 2;
    } else {
      *to++ = '?';
      --outLeft;
    }
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - outLeft);
  return out;
}
