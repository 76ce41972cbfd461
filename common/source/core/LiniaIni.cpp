#include "core/LiniaIni.h"

namespace {

bool Bialy(char c) { return static_cast<unsigned char>(c) <= 32; }

String Przytnij(const String& s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && Bialy(s[a])) ++a;
  while (b > a && Bialy(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// `s` up to a ';' or '#' at its start or after a space or a tab.
String BezKomentarza(const String& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if ((s[i] == ';' || s[i] == '#') && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t')) return s.substr(0, i);
  }
  return s;
}

// Where the name of the header `linia` ends; npos when it does not.
size_t Zamkniecie(const String& linia, const RegulyIni& r) {
  if (!r.komentarzZaWartoscia) return linia.find(']');
  for (size_t i = linia.find(']'); i != String::npos; i = linia.find(']', i + 1)) {
    if (Przytnij(BezKomentarza(linia.substr(i + 1))).empty()) return i;
  }
  return String::npos;
}

}  // namespace

std::vector<LiniaIni> CzytajLinieIni(const String& tekst, const RegulyIni& reguly) {
  std::vector<LiniaIni> linie;
  size_t poczatek = tekst.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  int numer = 0;
  while (poczatek < tekst.size()) {
    size_t koniec = tekst.find('\n', poczatek);
    if (koniec == String::npos) koniec = tekst.size();
    const String surowa = Przytnij(tekst.substr(poczatek, koniec - poczatek));
    poczatek = koniec + 1;
    ++numer;
    if (surowa.empty() || surowa[0] == ';' || surowa[0] == '#') continue;
    LiniaIni l;
    l.numer = numer;
    if (surowa[0] == '[') {
      l.tekst = surowa;
      const size_t z = Zamkniecie(surowa, reguly);
      l.rodzaj = z == String::npos ? LiniaIni::NiedomknietaSekcja : LiniaIni::Sekcja;
      if (z != String::npos) l.nazwa = Przytnij(surowa.substr(1, z - 1));
    } else {
      l.tekst = reguly.komentarzZaWartoscia ? Przytnij(BezKomentarza(surowa)) : surowa;
      const size_t rowna = l.tekst.find('=');
      l.rodzaj = rowna == String::npos ? LiniaIni::BezRownosci : LiniaIni::Wartosc;
      if (rowna != String::npos) {
        l.nazwa = Przytnij(l.tekst.substr(0, rowna));
        l.wartosc = Przytnij(l.tekst.substr(rowna + 1));
      }
    }
    linie.push_back(std::move(l));
  }
  return linie;
}
