#include "window/WpisanyCzas.h"

#include <cstdio>
#include <regex>

#include "textforms/CzasTekstowy.h"

namespace {

const String q = "\"";

String Obciety(const String& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == String::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

WpisanyCzas Blad(String s) { return WpisanyCzas{Czas(), std::move(s)}; }

int Liczba(const std::ssub_match& m) { return m.matched ? std::stoi(m.str()) : 0; }

// The UTC moment of local calendar fields; refused when a field is out of range or the
// clocks skip that time.
WpisanyCzas ZLokalnych(const String& tekst, int rok, int miesiac, int dzien, int godzina, int minuta, int sekunda,
                       const TimeZone& strefa) {
  if (rok < 1601 || miesiac < 1 || miesiac > 12 || dzien < 1 || dzien > 31 || godzina > 23 || minuta > 59 ||
      sekunda > 59)
    return Blad("Błędna data lub godzina " + q + tekst + q);
  SystemTime st;
  st.wYear = static_cast<uint16_t>(rok);
  st.wMonth = static_cast<uint16_t>(miesiac);
  st.wDay = static_cast<uint16_t>(dzien);
  st.wHour = static_cast<uint16_t>(godzina);
  st.wMinute = static_cast<uint16_t>(minuta);
  st.wSecond = static_cast<uint16_t>(sekunda);
  Czas lokalny;
  try {
    lokalny = Czas::ZKalendarza(st);  // raises for 31 April, 29 February of a common year
  } catch (const std::exception&) {
    return Blad("Błędna data lub godzina " + q + tekst + q);
  }
  const Czas utc = strefa.ZLokalnego(lokalny);
  // A skipped time reads back as another local time; a repeated one as itself (the earlier
  // moment is what ZLokalnego gives).
  if (strefa.Lokalny(utc).lokalny != lokalny) {
    return Blad("Czas " + q + tekst + q + " nie istnieje (zmiana na czas letni)");
  }
  return WpisanyCzas{utc, {}};
}

}  // namespace

WpisanyCzas CzytajWpisanyCzas(const String& wpisany, Czas grany, const TimeZone& strefa) {
  const String tekst = Obciety(wpisany);
  if (tekst.empty()) return Blad("Nie podano czasu");
  static const std::regex kDataIGodzina(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:[Tt]| +)(\d{1,2}):(\d{2})(?::(\d{2}))?$)");
  static const std::regex kGodzina(R"(^(\d{1,2}):(\d{2})(?::(\d{2}))?$)");
  static const std::regex kKrok(R"(^[+-](?:\d{1,6}[dhms])+$)");
  static const std::regex kKrokCzesc(R"((\d+)([dhms]))");
  static const std::regex kIsoZeStrefa(R"(^\d{4}-\d{2}-\d{2}[Tt]\d{2}:\d{2}:\d{2}(?:\.\d+)?(?:[Zz]|[+-][0-9:]+)$)");
  std::smatch m;
  if (std::regex_match(tekst, m, kDataIGodzina)) {
    return ZLokalnych(tekst, Liczba(m[1]), Liczba(m[2]), Liczba(m[3]), Liczba(m[4]), Liczba(m[5]), Liczba(m[6]),
                      strefa);
  }
  if (std::regex_match(tekst, m, kGodzina)) {
    if (grany.Wartosc() <= 0) return Blad("Nie wiadomo, który to dzień: nic nie gra");
    const CzasLokalny dzien = strefa.Lokalny(grany);
    return ZLokalnych(tekst, dzien.wYear, dzien.wMonth, dzien.wDay, Liczba(m[1]), Liczba(m[2]), Liczba(m[3]), strefa);
  }
  if (std::regex_match(tekst, kKrok)) {
    if (grany.Wartosc() <= 0) return Blad("Nie wiadomo, skąd przesunąć: nic nie gra");
    // At most six digits a part: a step stays within a few thousand years.
    Roznica krok(0);
    for (auto i = std::sregex_iterator(tekst.begin(), tekst.end(), kKrokCzesc); i != std::sregex_iterator(); ++i) {
      const int64_t n = std::stoll((*i)[1].str());
      switch ((*i)[2].str()[0]) {
        case 'd': krok += Roznica::Dzien * n; break;
        case 'h': krok += Roznica::Godzina * n; break;
        case 'm': krok += Roznica::Minuta * n; break;
        default: krok += Roznica::Sekunda * n; break;
      }
      if (krok > Roznica::Dzien * 3000000) return Blad("Przesunięcie " + q + tekst + q + " wychodzi poza zakres");
    }
    const Czas cel = tekst[0] == '-' ? grany - krok : grany + krok;
    if (cel.Wartosc() <= 0) return Blad("Przesunięcie " + q + tekst + q + " wychodzi poza zakres");
    return WpisanyCzas{cel, {}};
  }
  if (std::regex_match(tekst, kIsoZeStrefa)) {
    try {
      return WpisanyCzas{ParsujCzas(tekst), {}};
    } catch (const std::exception&) {
      return Blad("Błędna data lub godzina " + q + tekst + q);
    }
  }
  return Blad("Nie rozumiem czasu " + q + tekst + q);
}

String NapisDoWpisania(Czas c, const TimeZone& strefa) {
  const CzasLokalny l = strefa.Lokalny(c);
  char b[64];
  std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{l.wYear}, unsigned{l.wMonth}, unsigned{l.wDay},
                unsigned{l.wHour}, unsigned{l.wMinute}, unsigned{l.wSecond});
  return b;
}
