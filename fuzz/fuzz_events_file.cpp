// Events files from arbitrary text: the server's station reads them into its event base
// (Stacja::CzytajWydarzenia), the archive's reader line by line (EventsFile), whole and as a
// file that grows and is cut shorter. Neither may fail for what a file holds. An entry the
// reader accepts writes back to the same line (names cleaned as the writer cleans them),
// its times to the same text, and the station reads that line to the same entry. A file
// followed as it grows gives, over its reads, exactly the entries of the whole file; one
// cut shorter than what was read is read again from its start.
//
// The first byte chooses where the file is first seen to end; the rest is its text.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/EventsFile.h"
#include "common/BazaZintegrowana.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "fuzz/FuzzSupport.h"
#include "net/Stacja.h"
#include "transport/Core.h"
#include "transport/IniCore.h"

// The archive server's classes; the client's of the same names are klient::.
using namespace serwer;

namespace {

[[noreturn]] void Fail(const char* what, const String& linia = String()) {
  std::fprintf(stderr, "%s: \"%s\"\n", what, linia.c_str());
  std::abort();
}

int Plik() {
  static const int fd = [] {
    const int f = memfd_create("fuzz_events_file", MFD_CLOEXEC);
    if (f < 0) Fail("memfd_create");
    return f;
  }();
  return fd;
}

void Zapisz(int fd, const String& tekst) {
  if (ftruncate(fd, 0) != 0) Fail("ftruncate");
  if (!tekst.empty() && pwrite(fd, tekst.data(), tekst.size(), 0) != static_cast<ssize_t>(tekst.size())) {
    Fail("pwrite");
  }
}

String Bajty(BazaZintegrowana& b) {
  Core c;
  IniCore f(c, 1);
  b.lsa(f);
  return c.Tekst();
}

String Czysc(String s) {
  for (char& c : s) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

// One line, without its line break, as both readers take it.
void Linia(const String& linia) {
  const std::optional<Zdarzenie> z = EventsFile::ZLinii(linia);
  BazaZintegrowana stacji;
  Stacja::CzytajWydarzenia(linia, stacji);
  if (!z) return;

  const bool marker = z->rodzaj == Zdarzenie::Rodzaj::Marker;
  if (z->nazwa.empty() || z->koniec < z->poczatek || (marker && z->koniec != z->poczatek)) {
    Fail("an accepted entry is malformed", linia);
  }
  String zapis = EventsFile::Linia(*z);
  if (zapis.empty() || zapis.back() != '\n') Fail("a written entry is not one line", linia);
  zapis.pop_back();
  const std::optional<Zdarzenie> z2 = EventsFile::ZLinii(zapis);
  Zdarzenie oczyszczony = *z;
  oczyszczony.nazwa = Czysc(z->nazwa);
  if (!z2 || *z2 != oczyszczony) Fail("an entry does not read back from the line written", linia);
  if (EventsFile::Iso(z->poczatek) + (marker ? "" : "\t" + EventsFile::Iso(z->koniec)) !=
      zapis.substr(zapis.find('\t', zapis.find('\t') + 1) + 1)) {
    Fail("a time is not written as it was read", linia);
  }

  // The station reads the entry the writer wrote the same way.
  BazaZintegrowana oczekiwana;
  if (marker) {
    oczekiwana.Markery(z->nazwa).Dodaj(z->poczatek);
  } else {
    oczekiwana.iwenty.DajPrzedzialy(z->nazwa).Add(Przedzial(z->poczatek, z->koniec));
  }
  if (Bajty(stacji) != Bajty(oczekiwana)) Fail("the station reads an entry otherwise", linia);
}

// The lines of `tekst` as the readers cut them: at '\n', less one trailing '\r'; a last
// line without its break counts only for the station.
std::vector<String> Linie(const String& tekst) {
  std::vector<String> out;
  size_t od = 0;
  while (od <= tekst.size()) {
    const size_t nl = tekst.find('\n', od);
    String l = tekst.substr(od, nl == String::npos ? String::npos : nl - od);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    out.push_back(l);
    if (nl == String::npos) break;
    od = nl + 1;
  }
  return out;
}

void Plikowo(const String& tekst, size_t ciecie) {
  const int fd = Plik();
  EventsFile plik("/proc/self/fd/" + std::to_string(fd));
  Zapisz(fd, tekst.substr(0, ciecie));
  bool odNowa = true;
  std::vector<Zdarzenie> czytane = plik.CzytajNowe(odNowa);
  if (odNowa) Fail("a first read is a read again", tekst);
  Zapisz(fd, tekst);
  std::vector<Zdarzenie> dalej = plik.CzytajNowe(odNowa);
  if (odNowa) Fail("a file that grew is read again", tekst);
  czytane.insert(czytane.end(), dalej.begin(), dalej.end());
  if (czytane != plik.Czytaj()) Fail("a file read as it grows gives other entries than read whole", tekst);

  // Cut shorter than its last whole line: read again from the start.
  const size_t koniec = tekst.rfind('\n');
  if (koniec == String::npos) return;
  const String krotszy = tekst.substr(0, std::min(ciecie, koniec));
  Zapisz(fd, krotszy);
  const std::vector<Zdarzenie> znow = plik.CzytajNowe(odNowa);
  if (!odNowa || znow != plik.Czytaj()) Fail("a file cut shorter is not read again whole", tekst);
}

}  // namespace

// The station logs every line it skips: here those lines go nowhere. The log file's name
// is fixed at its first line, so this comes before any input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetLogBaseDirectory("/dev/null");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  if (size == 0) return 0;
  const String tekst(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    BazaZintegrowana b;
    Stacja::CzytajWydarzenia(tekst, b);
    for (int i = 0; i < b.iwenty.Ile(); ++i) {
      for (const Przedzial& p : b.iwenty.Element(i).Wszystkie()) {
        if (p.begin > p.end) Fail("the station made an interval that ends before it begins", tekst);
      }
    }
    // Reading again replaces what was read: the same text gives the same base.
    const String pierwszy = Bajty(b);
    Stacja::CzytajWydarzenia(tekst, b);
    if (Bajty(b) != pierwszy) Fail("reading the same text twice gives another base", tekst);

    for (const String& l : Linie(tekst)) Linia(l);
    Plikowo(tekst, (size - 1) * data[0] / 255);
  } catch (const Exception& e) {
    Fail(("reading raised: " + e.Message()).c_str(), tekst);
  }
  return 0;
}
