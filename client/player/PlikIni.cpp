#include "player/PlikIni.h"

#include <errno.h>

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "core/ErrorText.h"
#include "core/LiniaIni.h"
#include "core/Log.h"
#include "core/Plik.h"

namespace {

String Male(String s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

PlikIni::PlikIni(const String& sciezka) {
  KG_TRACE("PlikIni::PlikIni(const String& sciezka)");
  const CalyPlik plik = CzytajCalyPlik(sciezka, MaksRozmiar);
  if (plik.stan == CalyPlik::Brak && (plik.blad == ENOENT || plik.blad == ENOTDIR)) return;
  if (plik.stan == CalyPlik::ZaDuzy) {
    stan = Nieczytelny;
    Log(2, "\"" + sciezka + "\" ma ponad " + std::to_string(MaksRozmiar) + " bajtów: to nie są ustawienia", KG_WHERE);
    return;
  }
  if (plik.stan != CalyPlik::Wczytany) {
    stan = Nieczytelny;
    Log(2, "nie można czytać \"" + sciezka + "\": " + SystemErrorText(plik.blad), KG_WHERE);
    return;
  }
  stan = Wczytany;

  std::vector<std::pair<String, String>>* biezaca = nullptr;
  for (const LiniaIni& l : CzytajLinieIni(plik.bajty)) {
    switch (l.rodzaj) {
      case LiniaIni::Sekcja:
        biezaca = &sekcje.emplace(Male(FromCp1250(l.nazwa)), std::vector<std::pair<String, String>>())->second;
        break;
      case LiniaIni::NiedomknietaSekcja:
        biezaca = nullptr;  // a broken header: its lines belong to no section
        break;
      case LiniaIni::Wartosc:
        if (biezaca != nullptr) biezaca->emplace_back(Male(FromCp1250(l.nazwa)), FromCp1250(l.wartosc));
        break;
      case LiniaIni::BezRownosci:
        break;
    }
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
