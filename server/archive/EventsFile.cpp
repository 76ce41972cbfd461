#include "archive/EventsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "core/Plik.h"
#include "core/UnikalnyDeskryptor.h"

namespace {

const char kNaglowek[] =
    "# KorwendoGra events, UTC: event<TAB>family<TAB>begin<TAB>end | marker<TAB>kind<TAB>time\n";

String Czysc(const String& s) {
  String out = s;
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

std::vector<String> Pola(const String& linia) {
  std::vector<String> out;
  size_t od = 0;
  for (;;) {
    const size_t tab = linia.find('\t', od);
    out.push_back(linia.substr(od, tab == String::npos ? String::npos : tab - od));
    if (tab == String::npos) return out;
    od = tab + 1;
  }
}

// Whole lines of `tekst` from `od`; `od` moves past the last whole one.
std::vector<Zdarzenie> Linie(const String& tekst, size_t& od) {
  std::vector<Zdarzenie> out;
  for (;;) {
    const size_t nl = tekst.find('\n', od);
    if (nl == String::npos) return out;
    String linia = tekst.substr(od, nl - od);
    if (!linia.empty() && linia.back() == '\r') linia.pop_back();
    od = nl + 1;
    if (auto z = EventsFile::ZLinii(linia)) out.push_back(*z);
  }
}

// The file's bytes in `out`; false when it cannot be opened. What a failed read left is
// kept: only whole lines count.
bool CzytajPlik(const String& sciezka, String& out) {
  CalyPlik p = CzytajCalyPlik(sciezka);
  if (p.stan == CalyPlik::Brak) return false;
  out = std::move(p.bajty);
  return true;
}

}  // namespace

EventsFile::EventsFile(String s) : sciezka(std::move(s)) {}

String EventsFile::Iso(Czas t) {
  KG_TRACE("EventsFile::Iso(Czas t)");
  const SystemTime k = t.Kalendarz();
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", k.wYear, k.wMonth, k.wDay, k.wHour, k.wMinute,
                k.wSecond, k.wMilliseconds);
  return b;
}

std::optional<Czas> EventsFile::ZIso(const String& s) {
  KG_TRACE("EventsFile::ZIso(const String &s)");
  if (s.size() != 24 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' || s[19] != '.' ||
      s[23] != 'Z') {
    return std::nullopt;
  }
  const int pozycje[7] = {0, 5, 8, 11, 14, 17, 20};
  const int dlugosci[7] = {4, 2, 2, 2, 2, 2, 3};
  int v[7];
  for (int i = 0; i < 7; ++i) {
    v[i] = 0;
    for (int j = 0; j < dlugosci[i]; ++j) {
      const char c = s[static_cast<size_t>(pozycje[i] + j)];
      if (c < '0' || c > '9') return std::nullopt;
      v[i] = v[i] * 10 + (c - '0');
    }
  }
  if (v[0] < 1601 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > kalendarz::DniMiesiaca(v[0], v[1]) || v[3] > 23 ||
      v[4] > 59 || v[5] > 59) {
    return std::nullopt;
  }
  const int64_t dzien = kalendarz::NumerDnia(v[0], v[1], v[2]);
  return Czas(dzien * Roznica::Dzien.Wartosc() + v[3] * Roznica::Godzina.Wartosc() + v[4] * Roznica::Minuta.Wartosc() +
              v[5] * Roznica::Sekunda.Wartosc() + v[6] * Roznica::Milisekunda.Wartosc());
}

String EventsFile::Linia(const Zdarzenie& z) {
  KG_TRACE("EventsFile::Linia(const Zdarzenie &z)");
  if (z.rodzaj == Zdarzenie::Rodzaj::Marker) return "marker\t" + Czysc(z.nazwa) + "\t" + Iso(z.poczatek) + "\n";
  return "event\t" + Czysc(z.nazwa) + "\t" + Iso(z.poczatek) + "\t" + Iso(z.koniec) + "\n";
}

std::optional<Zdarzenie> EventsFile::ZLinii(const String& linia) {
  KG_TRACE("EventsFile::ZLinii(const String &linia)");
  if (linia.empty() || linia[0] == '#') return std::nullopt;
  const std::vector<String> p = Pola(linia);
  Zdarzenie z;
  if (p.size() == 4 && p[0] == "event") {
    const auto a = ZIso(p[2]);
    const auto b = ZIso(p[3]);
    if (!a || !b || *b < *a || p[1].empty()) return std::nullopt;
    z.rodzaj = Zdarzenie::Rodzaj::Wydarzenie;
    z.nazwa = p[1];
    z.poczatek = *a;
    z.koniec = *b;
    return z;
  }
  if (p.size() == 3 && p[0] == "marker") {
    const auto a = ZIso(p[2]);
    if (!a || p[1].empty()) return std::nullopt;
    z.rodzaj = Zdarzenie::Rodzaj::Marker;
    z.nazwa = p[1];
    z.poczatek = z.koniec = *a;
    return z;
  }
  return std::nullopt;
}

void EventsFile::Dopisz(const std::vector<Zdarzenie>& zdarzenia) {
  KG_TRACE("EventsFile::Dopisz(const std::vector<Zdarzenie> &zdarzenia)");
  if (zdarzenia.empty()) return;
  String tekst;
  for (const Zdarzenie& z : zdarzenia) tekst += Linia(z);
  UnikalnyDeskryptor fd(open(sciezka.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (fd) {
    tekst = kNaglowek + tekst;
  } else {
    fd.Reset(open(sciezka.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  }
  if (!fd) KG_ERROR(String(std::strerror(errno)) + " \"" + sciezka + "\"");
  const ssize_t r = write(fd.Get(), tekst.data(), tekst.size());
  const int blad = errno;
  fd.Reset();
  if (r < 0) RaiseSystemError(blad, __FILE__, __LINE__);
  if (static_cast<size_t>(r) != tekst.size()) KG_ERROR("int(r)!=n");
}

std::vector<Zdarzenie> EventsFile::Czytaj() const {
  KG_TRACE("EventsFile::Czytaj()");
  String tekst;
  if (!CzytajPlik(sciezka, tekst)) return {};
  size_t od = 0;
  return Linie(tekst, od);
}

std::vector<Zdarzenie> EventsFile::CzytajNowe(bool& odNowa) {
  KG_TRACE("EventsFile::CzytajNowe(bool &odNowa)");
  odNowa = false;
  struct stat st {};
  if (stat(sciezka.c_str(), &st) == 0) {
    if (inode != 0 && st.st_ino != inode) {
      odNowa = true;
      przeczytano = 0;
    }
    inode = st.st_ino;
  }
  String tekst;
  if (!CzytajPlik(sciezka, tekst)) {
    odNowa = przeczytano > 0;
    przeczytano = 0;
    return {};
  }
  if (static_cast<int64_t>(tekst.size()) < przeczytano) {
    odNowa = true;
    przeczytano = 0;
  }
  size_t od = static_cast<size_t>(przeczytano);
  std::vector<Zdarzenie> out = Linie(tekst, od);
  przeczytano = static_cast<int64_t>(od);
  return out;
}
