// Links to a moment ("korwendo://HOST:PORT/STATION?t=TIME"), which reach the window from
// any web page through the desktop's scheme handler. Reading never raises; a link read is
// one the program can play: a valid UTF-8 name without control characters or "@", and a
// server address that reads back; and the link written for it reads back to it (the
// moment to the millisecond, as links carry it).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/Roznica.h"
#include "fuzz/FuzzSupport.h"
#include "textforms/LinkDoChwili.h"

namespace {

[[noreturn]] void Fail(const char* what, const String& text) {
  std::fprintf(stderr, "\"%s\": %s\n", text.c_str(), what);
  std::abort();
}

bool PoprawneUtf8BezSterujacych(const String& s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x20 || b == 0x7F || b == '@') return false;
    const int n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + static_cast<size_t>(n) > s.size()) return false;
    for (int k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    }
    i += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  const String text(reinterpret_cast<const char*>(data), size);
  const OdczytLinku o = CzytajLink(text);
  if (o.blad != BladLinku::Brak) return 0;
  const LinkDoChwili& l = o.link;
  if (!WygladaNaLink(text)) Fail("read as a link but does not look like one", text);
  if (l.stacja.empty() || !PoprawneUtf8BezSterujacych(l.stacja)) Fail("a station name that cannot be played", text);
  const String napisany = NapiszLink(l);
  const OdczytLinku z = CzytajLink(napisany);
  if (z.blad != BladLinku::Brak) Fail(("the written link does not read: " + napisany).c_str(), text);
  LinkDoChwili oczekiwany = l;
  oczekiwany.chwila = Czas(l.chwila.Wartosc() - l.chwila.Wartosc() % Roznica::Milisekunda.Wartosc());
  if (!(z.link == oczekiwany)) Fail(("the written link reads back otherwise: " + napisany).c_str(), text);
  if (NapiszLink(z.link) != napisany) Fail("the written link is not stable", text);
  return 0;
}
