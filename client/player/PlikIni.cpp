#include "player/PlikIni.h"

#include <errno.h>

#include <algorithm>

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "core/ErrorText.h"
#include "core/Log.h"
#include "core/Plik.h"

namespace {

String Male(String s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool Bialy(char c) { return static_cast<unsigned char>(c) <= 32; }

String Przytnij(const String& s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && Bialy(s[a])) ++a;
  while (b > a && Bialy(s[b - 1])) --b;
  return s.substr(a, b - a);
}

}  // namespace

PlikIni::PlikIni(const String& sciezka) {
  KG_TRACE("PlikIni::PlikIni(String sciezka)");
  Plik plik(sciezka);
  if (plik.ReadTry()) {
    const int blad = errno;
    if (blad == ENOENT || blad == ENOTDIR) return;
    stan = Nieczytelny;
    Log(2, "nie można czytać \"" + sciezka + "\": " + SystemErrorText(blad), KG_WHERE);
    return;
  }
  String bajty;
  try {
    const int64_t rozmiar = plik.Size();
    if (rozmiar > MaksRozmiar) {
      stan = Nieczytelny;
      Log(2, "\"" + sciezka + "\" ma " + std::to_string(rozmiar) + " bajtów: to nie są ustawienia", KG_WHERE);
      return;
    }
    bajty.resize(static_cast<size_t>(rozmiar));
    bajty.resize(static_cast<size_t>(plik.Read(bajty.data(), static_cast<int>(rozmiar))));
  } catch (const std::exception& e) {
    stan = Nieczytelny;
    Log(2, "nie można czytać \"" + sciezka + "\": " + e.what(), KG_WHERE);
    return;
  }
  stan = Wczytany;

  std::vector<std::pair<String, String>>* biezaca = nullptr;
  size_t poczatek = bajty.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  while (poczatek < bajty.size()) {
    size_t koniec = bajty.find('\n', poczatek);
    if (koniec == String::npos) koniec = bajty.size();
    const String linia = Przytnij(FromCp1250(bajty.substr(poczatek, koniec - poczatek)));
    poczatek = koniec + 1;
    if (linia.empty() || linia[0] == ';' || linia[0] == '#') continue;
    if (linia[0] == '[') {
      const size_t zamkniecie = linia.find(']');
      if (zamkniecie == String::npos) {
        biezaca = nullptr;  // a broken header: its lines belong to no section
        continue;
      }
      biezaca = &sekcje.emplace(Male(Przytnij(linia.substr(1, zamkniecie - 1))),
                                std::vector<std::pair<String, String>>())
                     ->second;
      continue;
    }
    const size_t rowna = linia.find('=');
    if (biezaca == nullptr || rowna == String::npos) continue;
    biezaca->emplace_back(Male(Przytnij(linia.substr(0, rowna))), Przytnij(linia.substr(rowna + 1)));
  }
}

String PlikIni::Czytaj(const String& sekcja, const String& klucz) const {
  const String k = Male(klucz);
  const auto [od, do_] = sekcje.equal_range(Male(sekcja));
  for (auto s = od; s != do_; ++s) {
    for (const auto& [nazwa, wartosc] : s->second) {
      if (nazwa == k) return wartosc;
    }
  }
  return String();
}
