#include "Stacja.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "Exception.h"
#include "Log.h"

namespace {

PrzedzialyAudio Pusty() {
  PrzedzialyAudio p;
  p.tolerancja = Roznica(0);
  return p;
}

// "YYYY-MM-DDTHH:MM:SS.mmmZ" in UTC.
bool CzytajCzas(const String& s, Czas& out) {
  int y, mo, d, h, mi, se, ms, n = 0;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ%n", &y, &mo, &d, &h, &mi, &se, &ms, &n) != 7 ||
      static_cast<size_t>(n) != s.size()) {
    return false;
  }
  if (y < 1601 || y > 30000 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 ||
      se < 0 || se > 60 || ms < 0 || ms > 999) {
    return false;
  }
  SystemTime t;
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(se);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  try {
    out = Czas::ZKalendarza(t);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::vector<String> Podziel(const String& s, char c) {
  std::vector<String> w;
  size_t a = 0;
  for (;;) {
    const size_t b = s.find(c, a);
    w.push_back(s.substr(a, b == String::npos ? String::npos : b - a));
    if (b == String::npos) return w;
    a = b + 1;
  }
}

}  // namespace

Stacja::Stacja(const KonfiguracjaStacji& k)
    : nazwa(k.nazwa), plikIwentow(k.iwenty), audio(Pusty()) {
  archiwum = std::make_shared<Archive>(
      KonfiguracjaArchiwum{k.nazwa, k.katalog, RotterLayout::ZNapisu(k.uklad, k.sufiks, k.nazwaPlikow, k.utc)});
}

Stacja::Stacja(const String& n, std::shared_ptr<Archive> a, const String& plik)
    : nazwa(n), archiwum(std::move(a)), plikIwentow(plik), audio(Pusty()) {}

void Stacja::UstawIwenty(const BazaZintegrowana& b) {
  iwenty = b;
  noweIwenty = true;
}

void Stacja::CzytajIwenty(const String& tekst, BazaZintegrowana& b) {
  b.Wyczysc();
  std::istringstream in(tekst);
  String linia;
  int numer = 0;
  while (std::getline(in, linia)) {
    ++numer;
    if (!linia.empty() && linia.back() == '\r') linia.pop_back();
    if (linia.empty() || linia[0] == '#') continue;
    const auto w = Podziel(linia, '\t');
    Czas od, do_;
    if (w.size() == 4 && w[0] == "event" && !w[1].empty() && CzytajCzas(w[2], od) && CzytajCzas(w[3], do_) &&
        od <= do_) {
      b.iwenty.DajPrzedzialy(w[1]).Add(Przedzial(od, do_));
    } else if (w.size() == 3 && w[0] == "marker" && !w[1].empty() && CzytajCzas(w[2], od)) {
      b.Markery(w[1]).Dodaj(od);
    } else {
      Log(1, "iwenty: bledna linia " + std::to_string(numer) + ": " + linia, KG_WHERE);
    }
  }
}

Stacja::Zmiany Stacja::Odswiez() {
  Zmiany z;
  struct stat st{};
  const String& katalog = archiwum->Konfiguracja().katalog;
  const bool byla = dostepna;
  DIR* d = opendir(katalog.c_str());
  dostepna = d != nullptr;
  if (d) closedir(d);
  if (dostepna != byla || pierwszy) {
    Log(dostepna ? 0 : 1, "stacja " + nazwa + (dostepna ? ": archiwum " : ": nie mozna czytac archiwum ") + katalog,
        KG_WHERE);
  }
  if (dostepna) {
    try {
      archiwum->Odswiez();
    } catch (const std::exception& e) {
      Log(2, "stacja " + nazwa + ": " + e.what(), KG_WHERE);
    }
  }
  PrzedzialyAudio nowe = Pusty();
  if (dostepna) {
    for (const ZakresCzasu& r : archiwum->Przedzialy()) nowe.Add(Przedzial(r.poczatek, r.koniec));
  }
  if (nowe.Wszystkie() != audio.Wszystkie()) {
    z.plus = nowe;
    z.plus.tolerancja = Roznica(0);
    z.plus.Remove(audio);
    z.minus = audio;
    z.minus.tolerancja = Roznica(0);
    z.minus.Remove(nowe);
    z.audio = true;
    audio = nowe;
  }
  if (!plikIwentow.empty() && stat(plikIwentow.c_str(), &st) == 0 &&
      (pierwszy || st.st_mtim.tv_sec != mtimeIwentow.tv_sec || st.st_mtim.tv_nsec != mtimeIwentow.tv_nsec)) {
    mtimeIwentow = st.st_mtim;
    std::ifstream f(plikIwentow, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    CzytajIwenty(s.str(), iwenty);
    noweIwenty = true;
  }
  z.iwenty = noweIwenty && !pierwszy;
  noweIwenty = false;
  pierwszy = false;
  return z;
}
