#include "KonfiguracjaSerwera.h"

#include <fstream>
#include <set>
#include <sstream>

#include "Exception.h"

namespace {

String Przytnij(const String& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == String::npos) return String();
  const size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

}  // namespace

std::vector<KonfiguracjaStacji> CzytajKonfiguracje(const String& tekst) {
  std::vector<KonfiguracjaStacji> wynik;
  std::istringstream in(tekst);
  String linia;
  int numer = 0;
  auto blad = [&](const String& co) { KG_ERROR("konfiguracja, linia " + std::to_string(numer) + ": " + co); };
  while (std::getline(in, linia)) {
    ++numer;
    const String l = Przytnij(linia);
    if (l.empty() || l[0] == ';' || l[0] == '#') continue;
    if (l.front() == '[') {
      if (l.back() != ']' || l.size() < 3) blad("bledna sekcja " + l);
      KonfiguracjaStacji k;
      k.nazwa = Przytnij(l.substr(1, l.size() - 2));
      if (k.nazwa.empty() || k.nazwa.find('\n') != String::npos) blad("pusta nazwa stacji");
      wynik.push_back(k);
      continue;
    }
    const size_t rowna = l.find('=');
    if (rowna == String::npos) blad("brak '=' w " + l);
    if (wynik.empty()) blad("klucz poza sekcja stacji");
    const String klucz = Przytnij(l.substr(0, rowna));
    const String wartosc = Przytnij(l.substr(rowna + 1));
    KonfiguracjaStacji& k = wynik.back();
    if (klucz == "katalog") {
      k.katalog = wartosc;
    } else if (klucz == "uklad") {
      k.uklad = wartosc;
    } else if (klucz == "sufiks") {
      k.sufiks = wartosc;
    } else if (klucz == "nazwa") {
      k.nazwaPlikow = wartosc;
    } else if (klucz == "czas") {
      if (wartosc == "utc") {
        k.utc = true;
      } else if (wartosc == "local") {
        k.utc = false;
      } else {
        blad("czas ma byc utc albo local, a jest " + wartosc);
      }
    } else if (klucz == "iwenty") {
      k.iwenty = wartosc;
    } else {
      blad("nieznany klucz " + klucz);
    }
  }
  std::set<String> nazwy;
  for (const auto& k : wynik) {
    if (k.katalog.empty()) KG_ERROR("konfiguracja: stacja " + k.nazwa + " nie ma katalogu");
    if (!nazwy.insert(k.nazwa).second) KG_ERROR("konfiguracja: stacja " + k.nazwa + " wystepuje dwa razy");
  }
  return wynik;
}

std::vector<KonfiguracjaStacji> CzytajPlikKonfiguracji(const String& sciezka) {
  std::ifstream f(sciezka, std::ios::binary);
  if (!f) KG_ERROR("nie mozna odczytac konfiguracji " + sciezka);
  std::ostringstream s;
  s << f.rdbuf();
  return CzytajKonfiguracje(s.str());
}
