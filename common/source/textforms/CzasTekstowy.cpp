#include "textforms/CzasTekstowy.h"

#include <cctype>
#include <cstdio>

#include "core/Exception.h"
#include "core/TekstUtf8.h"

namespace {

bool Cyfry(const String& s, size_t od, size_t ile) {
  if (od + ile > s.size()) return false;
  for (size_t i = od; i < od + ile; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

int Liczba(const String& s, size_t od, size_t ile) { return std::stoi(s.substr(od, ile)); }

}  // namespace

Czas ParsujCzas(const String& tekst) {
  if (tekst.size() == 16) {
    Czas c;
    String duze = tekst;
    for (char& z : duze) z = static_cast<char>(std::toupper(static_cast<unsigned char>(z)));
    if (Czas::CzytajHex(duze, c)) return c;
  }
  // YYYY-MM-DDTHH:MM:SS[.fff...][Z]
  const String& s = tekst;
  if (s.size() >= 19 && Cyfry(s, 0, 4) && s[4] == '-' && Cyfry(s, 5, 2) && s[7] == '-' &&
      Cyfry(s, 8, 2) && (s[10] == 'T' || s[10] == 't') && Cyfry(s, 11, 2) && s[13] == ':' &&
      Cyfry(s, 14, 2) && s[16] == ':' && Cyfry(s, 17, 2)) {
    size_t i = 19;
    int64_t ulamek = 0;  // in ticks of 100 ns
    if (i < s.size() && s[i] == '.') {
      ++i;
      int64_t waga = 1000000;
      const size_t start = i;
      while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ulamek += (s[i] - '0') * waga;
        waga /= 10;
        ++i;
      }
      if (i == start) KG_ERROR("zły czas: " + Skrot(tekst));
    }
    // The zone: "Z", an offset "+HH:MM", "+HHMM" or "+HH" (the local time minus the
    // offset is UTC), or nothing (UTC).
    int64_t przesuniecie = 0;  // in minutes east of UTC
    if (i < s.size() && (s[i] == 'Z' || s[i] == 'z')) {
      ++i;
    } else if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      const int znak = s[i] == '-' ? -1 : 1;
      const size_t j = i + 1;
      int godziny = -1;
      int minuty = 0;
      if (Cyfry(s, j, 2) && j + 2 == s.size()) {
        godziny = Liczba(s, j, 2);
      } else if (Cyfry(s, j, 2) && Cyfry(s, j + 2, 2) && j + 4 == s.size()) {
        godziny = Liczba(s, j, 2);
        minuty = Liczba(s, j + 2, 2);
      } else if (Cyfry(s, j, 2) && j + 2 < s.size() && s[j + 2] == ':' && Cyfry(s, j + 3, 2) && j + 5 == s.size()) {
        godziny = Liczba(s, j, 2);
        minuty = Liczba(s, j + 3, 2);
      }
      if (godziny < 0 || godziny > 23 || minuty > 59) KG_ERROR("zły czas: " + Skrot(tekst));
      przesuniecie = znak * (godziny * 60 + minuty);
      i = s.size();
    }
    if (i == s.size()) {
      SystemTime st;
      st.wYear = static_cast<uint16_t>(Liczba(s, 0, 4));
      st.wMonth = static_cast<uint16_t>(Liczba(s, 5, 2));
      st.wDay = static_cast<uint16_t>(Liczba(s, 8, 2));
      st.wHour = static_cast<uint16_t>(Liczba(s, 11, 2));
      st.wMinute = static_cast<uint16_t>(Liczba(s, 14, 2));
      st.wSecond = static_cast<uint16_t>(Liczba(s, 17, 2));
      if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) KG_ERROR("zły czas: " + Skrot(tekst));
      try {
        return Czas::ZKalendarza(st) + Roznica(ulamek) - Roznica::Minuta * przesuniecie;
      } catch (const std::exception&) {
        KG_ERROR("zły czas: " + Skrot(tekst));
      }
    }
  }
  KG_ERROR("zły czas: " + Skrot(tekst));
}

std::optional<Roznica> ParsujPrzesuniecie(const String& tekst) {
  if (tekst.size() < 3 || (tekst[0] != '+' && tekst[0] != '-')) return std::nullopt;
  size_t i = 1;
  int64_t n = 0;
  while (i < tekst.size() && tekst[i] >= '0' && tekst[i] <= '9') {
    if (n > 1000000000) return std::nullopt;
    n = n * 10 + (tekst[i] - '0');
    ++i;
  }
  if (i == 1) return std::nullopt;
  const String jednostka = tekst.substr(i);
  Roznica r;
  if (jednostka == "ms") r = Roznica::Milisekunda * n;
  else if (jednostka == "s") r = Roznica::Sekunda * n;
  else if (jednostka == "m") r = Roznica::Minuta * n;
  else if (jednostka == "h") r = Roznica::Godzina * n;
  else if (jednostka == "d") r = Roznica::Dzien * n;
  else return std::nullopt;
  return tekst[0] == '-' ? -r : r;
}

String NapisIso(Czas c) {
  if (c.Wartosc() <= 0 || c == Czas::Max) return "---";
  const SystemTime t = c.Kalendarz();
  char b[64];
  std::snprintf(b, sizeof b, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", unsigned{t.wYear},
                unsigned{t.wMonth}, unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute},
                unsigned{t.wSecond}, unsigned{t.wMilliseconds});
  return b;
}

String NapisIsoZwiezly(Czas c) {
  if (c.Wartosc() <= 0 || c == Czas::Max) return "---";
  const SystemTime t = c.Kalendarz();
  char b[64];
  std::snprintf(b, sizeof b, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned{t.wYear}, unsigned{t.wMonth},
                unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond});
  String s = b;
  if (t.wMilliseconds != 0) {
    std::snprintf(b, sizeof b, ".%03u", unsigned{t.wMilliseconds});
    s += b;
  }
  return s + "Z";
}
