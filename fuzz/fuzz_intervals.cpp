// Interval sets and event-base updates from arbitrary bytes, then put to work. Decoding
// may fail only with the program's Exception. Whatever decodes goes through the
// operations that a peer's data meets in the client (merging, cutting, intersecting,
// applying updates, the texts of the log); they may raise the program's Exception on a
// set whose order the peer broke, but must not crash, hang or overflow. Sets built by Add
// from well-formed intervals must keep their order, disjointness and gaps.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/BazaZintegrowana.h"
#include "common/Update.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "intervals/Przedzialy.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// Add keeps the set ordered, disjoint and with gaps above the tolerance.
void SprawdzPorzadek(const Przedzialy& z) {
  __extension__ using Int128 = __int128;
  for (int i = 0; i < z.Count(); ++i) {
    if (z[i].begin > z[i].end) Fail("an interval ends before it begins");
    if (i > 0 && static_cast<Int128>(z[i].begin.Wartosc()) - z[i - 1].end.Wartosc() <=
                     z.tolerancja.Wartosc()) {
      Fail("intervals closer than the tolerance");
    }
  }
}

void Intervals(Core& payload) {
  Przedzialy a;
  Przedzialy b;
  try {
    IniCore in(payload, 0);
    a.lsa(in);
    b.lsa(in);
  } catch (const Exception&) {
    return;
  }
  // Well-formed intervals of the peer's times, merged into a fresh set.
  Przedzialy zbudowany;
  for (int i = 0; i < a.Count(); ++i) {
    Przedzial p = a[i];
    if (p.begin > p.end) std::swap(p.begin, p.end);
    zbudowany.Add(p);
  }
  SprawdzPorzadek(zbudowany);
  try {
    Przedzialy c;
    c.Mul(a, b);
    c.Add(b);
    c.AddRozciagniete(a, Roznica::Sekunda);
    c.Remove(a);
    c.Suma();
    c.Zawiera(Czas::Max);
    zbudowany.Remove(b);
    zbudowany.Mul(zbudowany, b);
  } catch (const Exception&) {
  }
}

void EventBase(Core& payload) {
  Update<BazaZintegrowana> u;
  try {
    IniCore in(payload, 0);
    u.lsa(in);
  } catch (const Exception&) {
    return;
  }
  BazaZintegrowana baza;
  baza.iwenty.DajPrzedzialy("Wiadomości").Add(Przedzial(Czas(0), Czas(3000000000)));
  baza.Markery("Sygnał").Dodaj(Czas(6000000000));
  try {
    (void)u.Opis();
    u.Zastosuj(baza);
    (void)baza.Opis();
    for (auto& [nazwa, typ] : baza.markery) typ.Przerzedz(Roznica::Sekunda * 3);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exception leaves its functions on the call chain; cut it back for every input.
  TraceMarkDepth();
  if (size > 0) {
    Core payload;
    payload.InsertAt(0, data + 1, static_cast<int>(size - 1));
    if (data[0] % 2 == 0) {
      Intervals(payload);
    } else {
      EventBase(payload);
    }
  }
  TraceReturnToMark();
  return 0;
}
