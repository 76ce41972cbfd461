#include "net/KonfiguracjaSerwera.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "archive/RotterLayout.h"
#include "core/ErrorText.h"
#include "core/Log.h"

namespace {

// The keys of a station's section and the server-wide keys before the first section.
constexpr const char* kKatalog = "katalog";
constexpr const char* kUklad = "uklad";
constexpr const char* kSufiks = "sufiks";
constexpr const char* kNazwa = "nazwa";
constexpr const char* kCzas = "czas";
constexpr const char* kIwenty = "iwenty";
constexpr const char* kPolaczenZAdresu = "polaczen_z_adresu";
constexpr const char* kKluczeStacji = "katalog, uklad, sufiks, nazwa, czas, iwenty";

String Przytnij(const String& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == String::npos) return String();
  const size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

// The line without a comment that follows a space or a tab (or the line's start): a path
// or a pattern may hold ';' or '#' themselves.
String BezKomentarza(const String& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if ((s[i] == ';' || s[i] == '#') && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t')) return s.substr(0, i);
  }
  return s;
}

// An error's message without the program's source location, which only the log wants.
String BezMiejsca(const std::exception& e) {
  const String m = e.what();
  const size_t i = m.find(" in file \"");
  return i == String::npos ? m : m.substr(0, i);
}

}  // namespace

KonfiguracjaSerwera CzytajKonfiguracje(const String& tekst, const String& plik) {
  KonfiguracjaSerwera wynik;
  std::vector<KonfiguracjaStacji>& stacje = wynik.stacje;
  std::vector<int> linieStacji;
  size_t pozycja = 0;
  // Windows editors begin UTF-8 files with a byte-order mark.
  if (tekst.compare(0, 3, "\xEF\xBB\xBF") == 0) pozycja = 3;
  int numer = 0;
  const auto blad = [&](const String& co, int linia) {
    throw BladPlikuStacji("plik stacji " + plik + ", linia " + std::to_string(linia) + ": " + co, KG_WHERE);
  };
  while (pozycja < tekst.size()) {
    size_t koniec = tekst.find('\n', pozycja);
    if (koniec == String::npos) koniec = tekst.size();
    const String surowa = Przytnij(tekst.substr(pozycja, koniec - pozycja));
    pozycja = koniec + 1;
    ++numer;
    if (surowa.empty() || surowa[0] == ';' || surowa[0] == '#') continue;
    if (surowa.front() == '[') {
      // The name ends at the first ']' that only a comment follows: a name may hold ';', '#'
      // and ']' themselves.
      size_t zamkniecie = String::npos;
      for (size_t i = surowa.find(']'); i != String::npos; i = surowa.find(']', i + 1)) {
        if (Przytnij(BezKomentarza(surowa.substr(i + 1))).empty()) {
          zamkniecie = i;
          break;
        }
      }
      if (zamkniecie == String::npos) blad("sekcja " + surowa + " nie konczy sie na ']'; napisz [nazwa stacji]", numer);
      KonfiguracjaStacji k;
      k.nazwa = Przytnij(surowa.substr(1, zamkniecie - 1));
      if (k.nazwa.empty()) blad("sekcja bez nazwy stacji; napisz [nazwa stacji]", numer);
      stacje.push_back(k);
      linieStacji.push_back(numer);
      continue;
    }
    const String l = Przytnij(BezKomentarza(surowa));
    const size_t rowna = l.find('=');
    if (rowna == String::npos) blad("brak '=' w \"" + l + "\"; napisz klucz = wartosc albo [nazwa stacji]", numer);
    const String klucz = Przytnij(l.substr(0, rowna));
    const String wartosc = Przytnij(l.substr(rowna + 1));
    if (stacje.empty()) {
      if (klucz == kPolaczenZAdresu) {
        size_t uzyte = 0;
        int n = 0;
        try {
          n = std::stoi(wartosc, &uzyte);
        } catch (const std::exception&) {
          uzyte = 0;
        }
        if (uzyte != wartosc.size() || n < 1) {
          blad(String(kPolaczenZAdresu) + " ma byc liczba dodatnia, a jest \"" + wartosc + "\"; wpisz na przyklad 50",
               numer);
        }
        wynik.polaczenZAdresu = n;
        continue;
      }
      blad("klucz " + klucz + " przed pierwsza sekcja stacji; przed sekcjami wolno tylko " + kPolaczenZAdresu +
               ", klucze stacji wpisz pod [nazwa stacji]",
           numer);
    }
    KonfiguracjaStacji& k = stacje.back();
    if (klucz == kKatalog) {
      k.katalog = wartosc;
    } else if (klucz == kUklad) {
      try {
        RotterLayout::ZNapisu(wartosc, k.sufiks, k.nazwaPlikow, k.utc);
      } catch (const std::exception& e) {
        blad("uklad \"" + wartosc + "\" nie do uzycia (" + BezMiejsca(e) +
                 "); wpisz flat, hierarchy, combo, dailydir, accurate albo wzorzec sciezki z %",
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
        blad("czas ma byc utc albo local, a jest \"" + wartosc + "\"; wpisz utc albo local", numer);
      }
    } else if (klucz == kIwenty) {
      k.iwenty = wartosc;
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
      blad("stacja " + k.nazwa + " wystepuje drugi raz (pierwszy w linii " + std::to_string(it->second) +
               "); zmien nazwe jednej z nich",
           linieStacji[i]);
    }
  }
  if (stacje.empty()) {
    wynik.ostrzezenia.push_back("plik stacji " + plik +
                                " nie nazywa zadnej stacji, serwer nie ma czego podawac; dodaj sekcje [nazwa stacji] "
                                "z kluczem " + kKatalog);
  }
  return wynik;
}

KonfiguracjaSerwera CzytajPlikKonfiguracji(const String& sciezka) {
  const auto blad = [&](const String& co) { throw BladPlikuStacji(co, KG_WHERE); };
  const int fd = open(sciezka.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    blad("nie mozna czytac pliku stacji " + sciezka + ": " + SystemErrorText(errno) + "; podaj w --config istniejacy plik");
  }
  struct Zamknij {
    int fd;
    ~Zamknij() { close(fd); }
  } zamknij{fd};
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    blad("plik stacji " + sciezka + " jest katalogiem; podaj w --config plik stacji");
  }
  String tekst;
  char bufor[65536];
  for (;;) {
    const ssize_t n = read(fd, bufor, sizeof bufor);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      blad("nie mozna czytac pliku stacji " + sciezka + ": " + SystemErrorText(errno) + "; podaj w --config czytelny plik");
    }
    tekst.append(bufor, static_cast<size_t>(n));
  }
  return CzytajKonfiguracje(tekst, sciezka);
}
