#include "archive/RotterLayout.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>

#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "core/ListaPlikow.h"

namespace {

constexpr int64_t kTickowSekundy = 10'000'000;
// 1970-01-01 00:00:00 UTC on the Czas scale.
constexpr int64_t kEpokaUnix = kalendarz::kDni1601Do1970 * kalendarz::kSekundDoby * kTickowSekundy;

// Width of a numeric field in a name; 0 for the variable-width %s.
int Szerokosc(char pole) {
  switch (pole) {
    case 'Y': return 4;
    case 'j': return 3;
    case 's': return 0;
    default: return 2;
  }
}

bool SpacjaZamiastZera(char pole) { return pole == 'e' || pole == 'k'; }

String Liczba(int64_t v, int szerokosc, bool spacja) {
  String s = std::to_string(v);
  while (static_cast<int>(s.size()) < szerokosc) s.insert(s.begin(), spacja ? ' ' : '0');
  return s;
}

bool JestKatalogiem(const String& sciezka) {
  struct stat st {};
  return stat(sciezka.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool JestPlikiem(const String& sciezka) {
  struct stat st {};
  return stat(sciezka.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

String Escape(const String& literal) {
  String out;
  for (char c : literal) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

RotterLayout::RotterLayout(Rodzaj r, const String& sfx, const String& nazwa, bool u, const TimeZone& zone)
    : rodzaj(r), sufiks(sfx), utc(u), strefa(zone) {
  KG_TRACE("RotterLayout::RotterLayout(Rodzaj r, const String &sfx, const String &nazwa, bool u, const TimeZone &zone)");
  const String przedrostek = nazwa.empty() ? String() : Escape(nazwa) + "-";
  switch (r) {
    case Rodzaj::Flat: wzor = przedrostek + "%Y-%m-%d-%H"; break;
    case Rodzaj::Hierarchy: wzor = "%Y/%m/%d/%H/" + (nazwa.empty() ? String("archive") : Escape(nazwa)); break;
    case Rodzaj::Combo: wzor = "%Y/%m/%d/%H/" + przedrostek + "%Y-%m-%d-%H"; break;
    case Rodzaj::Dailydir: wzor = "%Y-%m-%d/" + przedrostek + "%Y-%m-%d-%H"; break;
    case Rodzaj::Accurate: wzor = "%Y-%m-%d/%Y-%m-%d-%H-%M-%S-%f"; break;
    case Rodzaj::Wzor: KG_ERROR("Układ wzorem tworzy RotterLayout::ZWzoru");
  }
  wzor += "." + Escape(sufiks);
  Kompiluj();
}

RotterLayout RotterLayout::ZWzoru(const String& w, const String& sfx, bool u, const TimeZone& zone) {
  KG_TRACE("RotterLayout::ZWzoru(const String &w, const String &sfx, bool u, const TimeZone &zone)");
  if (w.empty()) KG_ERROR("Pusty układ");
  RotterLayout l;
  l.rodzaj = Rodzaj::Wzor;
  l.sufiks = sfx;
  l.utc = u;
  l.strefa = zone;
  l.wzor = w + "." + Escape(sfx);
  l.Kompiluj();
  return l;
}

RotterLayout RotterLayout::ZNapisu(const String& slowo, const String& sfx, const String& nazwa, bool u,
                                   const TimeZone& zone) {
  KG_TRACE("RotterLayout::ZNapisu(const String &slowo, const String &sfx, const String &nazwa, bool u, const TimeZone &zone)");
  if (slowo == "flat") return RotterLayout(Rodzaj::Flat, sfx, nazwa, u, zone);
  if (slowo == "hierarchy") return RotterLayout(Rodzaj::Hierarchy, sfx, nazwa, u, zone);
  if (slowo == "combo") return RotterLayout(Rodzaj::Combo, sfx, nazwa, u, zone);
  if (slowo == "dailydir") return RotterLayout(Rodzaj::Dailydir, sfx, nazwa, u, zone);
  if (slowo == "accurate") return RotterLayout(Rodzaj::Accurate, sfx, nazwa, u, zone);
  if (slowo.find('%') != String::npos) return ZWzoru(slowo, sfx, u, zone);
  KG_ERROR("Nieznany układ " + slowo);
}

void RotterLayout::Kompiluj() {
  skladniki.assign(1, {});
  const auto literal = [&](const String& s) {
    auto& tokeny = skladniki.back();
    if (tokeny.empty() || tokeny.back().pole != 0) tokeny.push_back(Token{});
    tokeny.back().tekst += s;
  };
  const auto pole = [&](char c) { skladniki.back().push_back(Token{c, String()}); };
  for (size_t i = 0; i < wzor.size(); ++i) {
    const char c = wzor[i];
    if (c == '/') {
      if (skladniki.back().empty()) KG_ERROR("Pusty składnik ścieżki w układzie " + wzor);
      skladniki.emplace_back();
      continue;
    }
    if (c != '%') {
      literal(String(1, c));
      continue;
    }
    if (i + 1 >= wzor.size()) KG_ERROR("Nieobsługiwany znacznik % w układzie " + wzor);
    const char z = wzor[++i];
    switch (z) {
      case '%': literal("%"); break;
      case 'Y': case 'y': case 'm': case 'd': case 'e': case 'j':
      case 'H': case 'k': case 'M': case 'S': case 's': case 'f':
        pole(z);
        break;
      case 'F': pole('Y'); literal("-"); pole('m'); literal("-"); pole('d'); break;
      case 'T': pole('H'); literal(":"); pole('M'); literal(":"); pole('S'); break;
      case 'R': pole('H'); literal(":"); pole('M'); break;
      default: KG_ERROR(String("Nieobsługiwany znacznik %") + z + " w układzie " + wzor);
    }
  }
  if (skladniki.back().empty()) KG_ERROR("Pusty składnik ścieżki w układzie " + wzor);
}

std::vector<Czas> RotterLayout::Instanty(Czas zapisany, const TimeZone& s) {
  KG_TRACE("RotterLayout::Instanty(Czas zapisany, const TimeZone &s)");
  const auto przesun = [&](int extra) {
    return zapisany + Roznica::Minuta * (int64_t{s.bias} + extra);
  };
  const Czas zimowy = przesun(s.standardBias);
  if (!s.MaCzasLetni()) return {zimowy};
  const Czas letni = przesun(s.daylightBias);
  const bool zimowyPasuje = !s.Letni(zimowy);
  const bool letniPasuje = s.Letni(letni);
  if (zimowyPasuje && letniPasuje) {
    if (zimowy == letni) return {zimowy};
    return {std::min(zimowy, letni), std::max(zimowy, letni)};
  }
  if (letniPasuje) return {letni};
  return {zimowy};
}

String RotterLayout::Sciezka(Czas start) const {
  KG_TRACE("RotterLayout::Sciezka(Czas start)");
  SystemTime pola;
  int64_t ulamek;  // ticks past the whole second
  if (utc) {
    pola = start.Kalendarz();
    ulamek = start % Roznica::Sekunda;
  } else {
    const CzasLokalny l = strefa.Lokalny(start);
    pola = l;
    ulamek = l.lokalny % Roznica::Sekunda;
  }
  const int64_t dzienRoku = kalendarz::NumerDnia(pola.wYear, pola.wMonth, pola.wDay) -
                            kalendarz::NumerDnia(pola.wYear, 1, 1) + 1;
  String out;
  for (size_t k = 0; k < skladniki.size(); ++k) {
    if (k > 0) out += '/';
    for (const Token& t : skladniki[k]) {
      switch (t.pole) {
        case 0: out += t.tekst; break;
        case 'Y': out += Liczba(pola.wYear, 4, false); break;
        case 'y': out += Liczba(pola.wYear % 100, 2, false); break;
        case 'm': out += Liczba(pola.wMonth, 2, false); break;
        case 'd': out += Liczba(pola.wDay, 2, false); break;
        case 'e': out += Liczba(pola.wDay, 2, true); break;
        case 'j': out += Liczba(dzienRoku, 3, false); break;
        case 'H': out += Liczba(pola.wHour, 2, false); break;
        case 'k': out += Liczba(pola.wHour, 2, true); break;
        case 'M': out += Liczba(pola.wMinute, 2, false); break;
        case 'S': out += Liczba(pola.wSecond, 2, false); break;
        case 'f': out += Liczba(ulamek / (kTickowSekundy / 100), 2, false); break;
        case 's':
          out += std::to_string(kalendarz::DzielWDol(start.Wartosc() - kEpokaUnix, kTickowSekundy));
          break;
      }
    }
  }
  return out;
}

std::optional<NazwaPliku> RotterLayout::Czytaj(const String& wzgledna) const {
  KG_TRACE("RotterLayout::Czytaj(const String &wzgledna)");
  std::vector<String> czesci;
  size_t od = 0;
  for (;;) {
    const size_t slash = wzgledna.find('/', od);
    czesci.push_back(wzgledna.substr(od, slash == String::npos ? String::npos : slash - od));
    if (slash == String::npos) break;
    od = slash + 1;
  }
  if (czesci.size() != skladniki.size()) return std::nullopt;

  std::map<char, int64_t> wartosci;
  const auto ustaw = [&](char p, int64_t v) {
    const auto [it, nowe] = wartosci.emplace(p, v);
    return nowe || it->second == v;
  };
  for (size_t k = 0; k < czesci.size(); ++k) {
    const String& s = czesci[k];
    size_t i = 0;
    for (const Token& t : skladniki[k]) {
      if (t.pole == 0) {
        if (s.compare(i, t.tekst.size(), t.tekst) != 0) return std::nullopt;
        i += t.tekst.size();
        continue;
      }
      const int w = Szerokosc(t.pole);
      int64_t v = 0;
      if (w == 0) {
        size_t j = i;
        while (j < s.size() && j - i < 12 && s[j] >= '0' && s[j] <= '9') v = v * 10 + (s[j++] - '0');
        if (j == i) return std::nullopt;
        i = j;
      } else {
        if (i + static_cast<size_t>(w) > s.size()) return std::nullopt;
        for (int j = 0; j < w; ++j) {
          const char c = s[i + static_cast<size_t>(j)];
          if (c == ' ' && SpacjaZamiastZera(t.pole) && j < w - 1 && v == 0) continue;
          if (c < '0' || c > '9') return std::nullopt;
          v = v * 10 + (c - '0');
        }
        i += static_cast<size_t>(w);
      }
      const char pole = t.pole == 'e' ? 'd' : t.pole == 'k' ? 'H' : t.pole;
      if (!ustaw(pole, v)) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
  }

  const auto ma = [&](char p) { return wartosci.count(p) != 0; };
  NazwaPliku n;
  if (ma('s')) {
    n.zapisany = Czas(kEpokaUnix + wartosci['s'] * kTickowSekundy);
    n.utc = {n.zapisany};
    n.rozdzielczosc = Roznica::Sekunda;
    return n;
  }
  int64_t rok;
  if (ma('Y')) {
    rok = wartosci['Y'];
  } else if (ma('y')) {
    rok = wartosci['y'] < 69 ? 2000 + wartosci['y'] : 1900 + wartosci['y'];
  } else {
    return std::nullopt;
  }
  if (rok < 1601) return std::nullopt;
  const int64_t miesiac = ma('m') ? wartosci['m'] : 1;
  if (miesiac < 1 || miesiac > 12) return std::nullopt;
  int64_t dzien = ma('d') ? wartosci['d'] : 1;
  int64_t numer;
  if (ma('j') && !ma('d')) {
    const int64_t j = wartosci['j'];
    if (j < 1 || j > (kalendarz::Przestepny(rok) ? 366 : 365)) return std::nullopt;
    numer = kalendarz::NumerDnia(rok, 1, 1) + j - 1;
  } else {
    if (dzien < 1 || dzien > kalendarz::DniMiesiaca(rok, static_cast<int>(miesiac))) return std::nullopt;
    numer = kalendarz::NumerDnia(rok, miesiac, dzien);
  }
  const int64_t godzina = ma('H') ? wartosci['H'] : 0;
  const int64_t minuta = ma('M') ? wartosci['M'] : 0;
  const int64_t sekunda = ma('S') ? wartosci['S'] : 0;
  const int64_t setne = ma('f') ? wartosci['f'] : 0;
  if (godzina > 23 || minuta > 59 || sekunda > 59 || setne > 99) return std::nullopt;

  n.zapisany = Czas(((numer * 24 + godzina) * 60 + minuta) * 60 * kTickowSekundy + sekunda * kTickowSekundy +
                    setne * (kTickowSekundy / 100));
  n.utc = utc ? std::vector<Czas>{n.zapisany} : Instanty(n.zapisany, strefa);
  if (ma('f')) {
    n.rozdzielczosc = Roznica::Milisekunda * 10;
  } else if (ma('S')) {
    n.rozdzielczosc = Roznica::Sekunda;
  } else if (ma('M')) {
    n.rozdzielczosc = Roznica::Minuta;
  } else if (ma('H')) {
    n.rozdzielczosc = Roznica::Godzina;
  } else if (ma('d') || ma('j')) {
    n.rozdzielczosc = Roznica::Dzien;
  } else if (ma('m')) {
    n.rozdzielczosc = Roznica::Dzien * kalendarz::DniMiesiaca(rok, static_cast<int>(miesiac));
  } else {
    n.rozdzielczosc = Roznica::Dzien * (kalendarz::Przestepny(rok) ? 366 : 365);
  }
  return n;
}

std::vector<String> RotterLayout::Pliki(const String& katalog) const {
  KG_TRACE("RotterLayout::Pliki(const String &katalog)");
  // Each component becomes a wildcard mask: fields match any characters of their width.
  std::vector<String> maski;
  for (const auto& tokeny : skladniki) {
    String m;
    for (const Token& t : tokeny) {
      if (t.pole == 0) {
        m += t.tekst;
      } else if (Szerokosc(t.pole) == 0) {
        m += '*';
      } else {
        m += String(static_cast<size_t>(Szerokosc(t.pole)), '?');
      }
    }
    maski.push_back(m);
  }
  std::vector<String> wynik;
  std::vector<String> poziom{String()};
  for (size_t k = 0; k < maski.size(); ++k) {
    const bool ostatni = k + 1 == maski.size();
    std::vector<String> nastepny;
    for (const String& wzgledny : poziom) {
      const String katalogBiezacy = wzgledny.empty() ? katalog : katalog + "/" + wzgledny;
      ListaPlikow lista(katalogBiezacy + "/" + maski[k]);
      // Out of descriptors or memory the listing would look empty and every file gone.
      if (lista.blad == EMFILE || lista.blad == ENFILE || lista.blad == ENOMEM) {
        KG_ERROR("nie można czytać katalogu " + katalogBiezacy + ": " + SystemErrorText(lista.blad));
      }
      for (int i = 0; i < lista.count; ++i) {
        const String sciezka = wzgledny.empty() ? lista[i] : wzgledny + "/" + lista[i];
        const String pelna = katalog + "/" + sciezka;
        if (ostatni ? JestPlikiem(pelna) : JestKatalogiem(pelna)) nastepny.push_back(sciezka);
      }
    }
    poziom = std::move(nastepny);
  }
  for (String& s : poziom) {
    if (Czytaj(s)) wynik.push_back(std::move(s));
  }
  std::sort(wynik.begin(), wynik.end());
  return wynik;
}
