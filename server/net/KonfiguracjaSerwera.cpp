#include "net/KonfiguracjaSerwera.h"

#include <arpa/inet.h>

#include <map>
#include <optional>

#include "archive/RotterLayout.h"
#include "core/ErrorText.h"
#include "core/LiniaIni.h"
#include "core/Log.h"
#include "core/Plik.h"

namespace serwer {

namespace {

// The keys of a station's section and the server-wide keys before the first section.
constexpr const char* kKatalog = "katalog";
constexpr const char* kUklad = "uklad";
constexpr const char* kSufiks = "sufiks";
constexpr const char* kNazwa = "nazwa";
constexpr const char* kCzas = "czas";
constexpr const char* kIwenty = "iwenty";
constexpr const char* kProgCiszy = "prog_ciszy";
constexpr const char* kDlugoscCiszy = "dlugosc_ciszy";
constexpr const char* kPamiecCiszy = "pamiec_ciszy";
constexpr const char* kPolaczen = "polaczen";
constexpr const char* kPolaczenZAdresu = "polaczen_z_adresu";
constexpr const char* kProxy = "proxy";
constexpr const char* kKluczeStacji =
    "katalog, uklad, sufiks, nazwa, czas, iwenty, prog_ciszy, dlugosc_ciszy, pamiec_ciszy";

// A decimal number (a point, no comma) within [od, do_], or nothing.
std::optional<double> Liczba(const String& s, double od, double do_) {
  size_t uzyte = 0;
  double v = 0;
  try {
    v = std::stod(s, &uzyte);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (uzyte != s.size() || !(v >= od && v <= do_)) return std::nullopt;
  return v;
}

// An error's message without the program's source location, which only the log wants.
String BezMiejsca(const std::exception& e) {
  const String m = e.what();
  const size_t i = m.find(" in file \"");
  return i == String::npos ? m : m.substr(0, i);
}

// An IPv4 or IPv6 address written as inet_ntop writes it (an IPv4 address mapped into
// IPv6 as IPv4), or nothing.
std::optional<String> AdresIp(const String& s) {
  char tekst[INET6_ADDRSTRLEN] = "";
  in_addr a4{};
  if (inet_pton(AF_INET, s.c_str(), &a4) == 1) return String(inet_ntop(AF_INET, &a4, tekst, sizeof tekst));
  in6_addr a6{};
  if (inet_pton(AF_INET6, s.c_str(), &a6) != 1) return std::nullopt;
  if (IN6_IS_ADDR_V4MAPPED(&a6)) return String(inet_ntop(AF_INET, a6.s6_addr + 12, tekst, sizeof tekst));
  return String(inet_ntop(AF_INET6, &a6, tekst, sizeof tekst));
}

}  // namespace

KonfiguracjaSerwera CzytajKonfiguracje(const String& tekst, const String& plik) {
  KonfiguracjaSerwera wynik;
  std::vector<KonfiguracjaStacji>& stacje = wynik.stacje;
  std::vector<int> linieStacji;
  const auto blad = [&](const String& co, int linia) {
    throw BladPlikuStacji("plik stacji " + plik + ", linia " + std::to_string(linia) + ": " + co, KG_WHERE);
  };
  // A path or a pattern may hold ';' or '#' themselves, a station's name also ']': a
  // comment follows a blank.
  for (const LiniaIni& linia : CzytajLinieIni(tekst, {.komentarzZaWartoscia = true})) {
    const int numer = linia.numer;
    if (linia.rodzaj == LiniaIni::NiedomknietaSekcja) {
      blad("sekcja " + linia.tekst + " nie kończy się na ']'; napisz [nazwa stacji]", numer);
    }
    if (linia.rodzaj == LiniaIni::Sekcja) {
      KonfiguracjaStacji k;
      k.nazwa = linia.nazwa;
      if (k.nazwa.empty()) blad("sekcja bez nazwy stacji; napisz [nazwa stacji]", numer);
      stacje.push_back(k);
      linieStacji.push_back(numer);
      continue;
    }
    if (linia.rodzaj == LiniaIni::BezRownosci) {
      blad("brak '=' w \"" + linia.tekst + "\"; napisz klucz = wartość albo [nazwa stacji]", numer);
    }
    const String& klucz = linia.nazwa;
    const String& wartosc = linia.wartosc;
    if (stacje.empty()) {
      if (klucz == kPolaczen || klucz == kPolaczenZAdresu) {
        size_t uzyte = 0;
        int n = 0;
        try {
          n = std::stoi(wartosc, &uzyte);
        } catch (const std::exception&) {
          uzyte = 0;
        }
        if (uzyte != wartosc.size() || n < 1 || n > 1000000) {
          blad(klucz + " ma być liczbą od 1 do 1000000, a jest \"" + wartosc + "\"; wpisz na przykład " +
                   (klucz == kPolaczen ? "10000" : "500"),
               numer);
        }
        (klucz == kPolaczen ? wynik.polaczen : wynik.polaczenZAdresu) = n;
        continue;
      }
      if (klucz == kProxy) {
        // A list separated by commas (blanks around them allowed); each line adds to it.
        size_t od = 0;
        while (od <= wartosc.size()) {
          size_t przecinek = wartosc.find(',', od);
          if (przecinek == String::npos) przecinek = wartosc.size();
          String a = wartosc.substr(od, przecinek - od);
          a.erase(0, a.find_first_not_of(" \t"));
          a.erase(a.find_last_not_of(" \t") + 1);
          const std::optional<String> adres = AdresIp(a);
          if (!adres) {
            blad(String(kProxy) + " ma być listą adresów IP oddzielonych przecinkami, a \"" + a +
                     "\" nie jest adresem; wpisz na przykład 127.0.0.1, 10.0.0.5",
                 numer);
          }
          wynik.proxy.push_back(*adres);
          od = przecinek + 1;
        }
        continue;
      }
      blad("klucz " + klucz + " przed pierwszą sekcją stacji; przed sekcjami wolno tylko " + kPolaczen + ", " +
               kPolaczenZAdresu + " i " + kProxy + ", klucze stacji wpisz pod [nazwa stacji]",
           numer);
    }
    KonfiguracjaStacji& k = stacje.back();
    if (klucz == kKatalog) {
      k.katalog = wartosc;
    } else if (klucz == kUklad) {
      try {
        RotterLayout::ZNapisu(wartosc, k.sufiks, k.nazwaPlikow, k.utc);
      } catch (const std::exception& e) {
        blad("uklad \"" + wartosc + "\" nie do użycia (" + BezMiejsca(e) +
                 "); wpisz flat, hierarchy, combo, dailydir, accurate albo wzorzec ścieżki z %",
             numer);
      }
      k.uklad = wartosc;
    } else if (klucz == kSufiks) {
      k.sufiks = wartosc;
    } else if (klucz == kNazwa) {
      k.nazwaPlikow = wartosc;
    } else if (klucz == kCzas) {
      if (wartosc == "utc") {
        k.utc = true;
      } else if (wartosc == "local") {
        k.utc = false;
      } else {
        blad("czas ma być utc albo local, a jest \"" + wartosc + "\"; wpisz utc albo local", numer);
      }
    } else if (klucz == kIwenty) {
      k.iwenty = wartosc;
    } else if (klucz == kProgCiszy) {
      const auto v = Liczba(wartosc, -120, 0);
      if (!v) blad(String(kProgCiszy) + " ma być poziomem w dBFS od -120 do 0, a jest \"" + wartosc + "\"; wpisz na przykład -50", numer);
      k.progCiszy = *v;
    } else if (klucz == kDlugoscCiszy) {
      const auto v = Liczba(wartosc, 1, 86400);
      if (!v) {
        blad(String(kDlugoscCiszy) + " ma być liczbą sekund od 1 do 86400, a jest \"" + wartosc + "\"; wpisz na przykład 10",
             numer);
      }
      k.dlugoscCiszy = *v;
    } else if (klucz == kPamiecCiszy) {
      k.pamiecCiszy = wartosc;
    } else {
      blad("nieznany klucz " + klucz + "; klucze stacji to " + kKluczeStacji, numer);
    }
  }
  std::map<String, int> nazwy;
  for (size_t i = 0; i < stacje.size(); ++i) {
    const KonfiguracjaStacji& k = stacje[i];
    if (k.katalog.empty()) {
      blad("stacja " + k.nazwa + " nie ma katalogu; dodaj w jej sekcji " + kKatalog + " = katalog archiwum",
           linieStacji[i]);
    }
    const auto [it, nowa] = nazwy.emplace(k.nazwa, linieStacji[i]);
    if (!nowa) {
      blad("stacja " + k.nazwa + " występuje drugi raz (pierwszy w linii " + std::to_string(it->second) +
               "); zmień nazwę jednej z nich",
           linieStacji[i]);
    }
  }
  if (stacje.empty()) {
    wynik.ostrzezenia.push_back("plik stacji " + plik +
                                " nie nazywa żadnej stacji, serwer nie ma czego podawać; dodaj sekcję [nazwa stacji] "
                                "z kluczem " + kKatalog);
  }
  return wynik;
}

KonfiguracjaSerwera CzytajPlikKonfiguracji(const String& sciezka) {
  // Only a regular file, never waited on: a device would be read for ever (/dev/zero) and a
  // FIFO would hold the start until someone writes to it.
  const CalyPlik p = CzytajCalyPlik(sciezka, kMaksPlikuStacji, true);
  const auto blad = [&](const String& co) { throw BladPlikuStacji(co, KG_WHERE); };
  if (p.stan == CalyPlik::Wczytany) return CzytajKonfiguracje(p.bajty, sciezka);
  if (p.stan == CalyPlik::Katalog) blad("plik stacji " + sciezka + " jest katalogiem; podaj w --config plik stacji");
  if (p.stan == CalyPlik::NieZwykly) {
    blad("plik stacji " + sciezka +
         " nie jest zwykłym plikiem (to urządzenie, kolejka FIFO albo gniazdo); podaj w --config zwykły plik");
  }
  if (p.stan == CalyPlik::ZaDuzy) {
    blad("plik stacji " + sciezka + " ma więcej niż " + std::to_string(kMaksPlikuStacji / 1024) +
         " KiB, a plik stacji to kilka linii na stację; podaj w --config właściwy plik");
  }
  blad("nie można czytać pliku stacji " + sciezka + ": " + SystemErrorText(p.blad) + "; podaj w --config " +
       (p.stan == CalyPlik::Brak ? "istniejący plik" : "czytelny plik"));
  return {};
}

}  // namespace serwer
