// The station file: texts to the stations they name, or to the error and the line named.
#include "net/KonfiguracjaSerwera.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/TempDir.h"

using namespace serwer;

namespace {

// The example of docs/server.md as the page shows it: the first indented block after the
// heading "## Station file", without its four spaces.
std::string PrzykladZDokumentacji() {
  const char* zrodla = std::getenv("KG_SOURCE_DIR");
  if (!zrodla) return std::string();
  std::ifstream f(std::string(zrodla) + "/docs/server.md");
  std::string linia;
  std::string wynik;
  bool sekcja = false;
  while (std::getline(f, linia)) {
    if (linia.rfind("## ", 0) == 0) {
      if (sekcja) break;
      sekcja = linia.rfind("## Station file", 0) == 0;
      continue;
    }
    if (!sekcja) continue;
    if (linia.rfind("    ", 0) == 0) {
      wynik += linia.substr(4) + "\n";
    } else if (!wynik.empty() && !linia.empty()) {
      break;
    }
  }
  return wynik;
}

struct Stacja {
  std::string nazwa, katalog, uklad, sufiks, nazwaPlikow;
  bool utc;
  std::string iwenty;
  double progCiszy = -50;
  double dlugoscCiszy = 10;
  std::string pamiecCiszy{};
};

TEST(KonfiguracjaSerwera, TextsToStationsOrToTheLineAtFault) {
  const std::string przyklad = PrzykladZDokumentacji();
  ASSERT_FALSE(przyklad.empty()) << "no example under \"## Station file\" in docs/server.md";
  struct Przypadek {
    const char* nazwa;
    std::string tekst;
    std::vector<Stacja> stacje;  // when no error
    int polaczenZAdresu;
    std::string blad;  // the message's start after "plik stacji f.ini, " (empty: none)
  };
  const Stacja zegar{"Zegar", "/srv/archive/zegar", "accurate", "mp3", "zegar", true, "/srv/events/zegar.txt"};
  const std::vector<Przypadek> przypadki = {
      {"the example of docs/server.md", przyklad, {zegar}, 500, ""},
      {"comments after values, sections and keys; ';' or '#' inside a value stays",
       "polaczen = 20000\npolaczen_z_adresu = 8 # eight\n[A] ; first\nkatalog = /a;b#c   ; the root\nczas=utc ;\nuklad = %Y/%m/%d/%H\t# hourly\n"
       "[Radio #1]\nkatalog = /r\n",
       {{"A", "/a;b#c", "%Y/%m/%d/%H", "mp3", "", true, ""}, {"Radio #1", "/r", "accurate", "mp3", "", false, ""}},
       8,
       ""},
      {"byte-order mark and CRLF line ends", "\xEF\xBB\xBF[A]\r\nkatalog = /a\r\nczas = local\r\n",
       {{"A", "/a", "accurate", "mp3", "", false, ""}},
       500,
       ""},
      {"dead air settings", "[A]\nkatalog = /a\nprog_ciszy = -42.5\ndlugosc_ciszy = 4\npamiec_ciszy = /var/cache/a\n",
       {{"A", "/a", "accurate", "mp3", "", false, "", -42.5, 4, "/var/cache/a"}},
       500,
       ""},
      {"dead air level above full scale", "[A]\nkatalog = /a\nprog_ciszy = 3\n", {}, 0, "linia 3: prog_ciszy ma być poziomem"},
      {"dead air length not a number", "[A]\nkatalog = /a\ndlugosc_ciszy = 10s\n", {}, 0,
       "linia 3: dlugosc_ciszy ma być liczbą sekund"},
      {"bad time", "[A]\nkatalog = /a\nczas = utc2 ; x\n", {}, 0, "linia 3: czas ma być utc albo local, a jest \"utc2\"; wpisz utc albo local"},
      {"unknown key", "[A]\n\nkolor = zielony\n", {}, 0, "linia 3: nieznany klucz kolor"},
      {"station key before any section", "katalog = /a\n[A]\n", {}, 0, "linia 1: klucz katalog przed pierwszą sekcją stacji; przed sekcjami wolno tylko polaczen, polaczen_z_adresu i proxy"},
      {"bad per-address limit", "polaczen_z_adresu = 0\n", {}, 0, "linia 1: polaczen_z_adresu ma być liczbą od 1 do 1000000, a jest \"0\"; wpisz na przykład 500"},
      {"bad connection limit", "polaczen = 10k\n", {}, 0, "linia 1: polaczen ma być liczbą od 1 do 1000000, a jest \"10k\"; wpisz na przykład 10000"},
      {"connection limit above a million", "polaczen = 1000001\n", {}, 0, "linia 1: polaczen ma być liczbą od 1 do 1000000"},
      {"unclosed section", "; c\n[A\n", {}, 0, "linia 2: sekcja [A nie kończy się na ']'"},
      {"no '='", "[A]\nkatalog /a\n", {}, 0, "linia 2: brak '=' w \"katalog /a\"; napisz klucz = wartość albo [nazwa stacji]"},
      {"unknown layout", "[A]\nkatalog = /a\nuklad = spiral\n", {}, 0, "linia 3: uklad \"spiral\" nie do użycia (Nieznany układ spiral); wpisz flat, hierarchy, combo, dailydir, "
       "accurate albo wzorzec ścieżki z %"},
      {"no directory", "[A]\nczas = utc\n[B]\nkatalog = /b\n", {}, 0, "linia 1: stacja A nie ma katalogu"},
      {"a station twice", "[A]\nkatalog = /a\n[A]\nkatalog = /b\n", {}, 0,
       "linia 3: stacja A występuje drugi raz (pierwszy w linii 1); zmień nazwę jednej z nich"},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    try {
      const KonfiguracjaSerwera k = CzytajKonfiguracje(p.tekst, "f.ini");
      EXPECT_TRUE(p.blad.empty()) << "no error, expected " << p.blad;
      EXPECT_EQ(k.polaczenZAdresu, p.polaczenZAdresu);
      EXPECT_EQ(k.polaczen, p.tekst.rfind("polaczen = 20000", 0) == 0 ? 20000 : 10000);
      ASSERT_EQ(k.stacje.size(), p.stacje.size());
      for (size_t i = 0; i < p.stacje.size(); ++i) {
        const KonfiguracjaStacji& a = k.stacje[i];
        const Stacja& b = p.stacje[i];
        EXPECT_EQ(a.nazwa, b.nazwa);
        EXPECT_EQ(a.katalog, b.katalog);
        EXPECT_EQ(a.uklad, b.uklad);
        EXPECT_EQ(a.sufiks, b.sufiks);
        EXPECT_EQ(a.nazwaPlikow, b.nazwaPlikow);
        EXPECT_EQ(a.utc, b.utc);
        EXPECT_EQ(a.iwenty, b.iwenty);
        EXPECT_EQ(a.progCiszy, b.progCiszy);
        EXPECT_EQ(a.dlugoscCiszy, b.dlugoscCiszy);
        EXPECT_EQ(a.pamiecCiszy, b.pamiecCiszy);
      }
      EXPECT_TRUE(k.ostrzezenia.empty());
    } catch (const BladPlikuStacji& e) {
      const std::string m = e.what();
      ASSERT_FALSE(p.blad.empty()) << m;
      EXPECT_EQ(m.rfind("plik stacji f.ini, " + p.blad, 0), 0u) << m;
      // One sentence for a person: what to do follows, and no source location.
      EXPECT_NE(m.find("; "), std::string::npos) << m;
      EXPECT_EQ(m.find(" in file "), std::string::npos) << m;
      EXPECT_EQ(m.find(".cpp"), std::string::npos) << m;
      EXPECT_NE(e.Gdzie().find(".cpp"), std::string::npos);
    }
  }
}

// The load balancers' addresses: a list, written in their shortest form so that they
// compare with the connections' own, or the line at fault.
TEST(KonfiguracjaSerwera, ProxyAddressesOrTheLineAtFault) {
  const struct {
    const char* tekst;
    std::vector<std::string> proxy;
    std::string blad;
  } przypadki[] = {
      {"[A]\nkatalog = /a\n", {}, ""},
      {"proxy = 127.0.0.1\n", {"127.0.0.1"}, ""},
      {"proxy = 127.0.0.1, 10.0.0.5 ; both balancers\nproxy=2001:DB8:0:0::7,::ffff:192.0.2.1\n",
       {"127.0.0.1", "10.0.0.5", "2001:db8::7", "192.0.2.1"},
       ""},
      {"proxy = lb.example\n", {}, "linia 1: proxy ma być listą adresów IP oddzielonych przecinkami, a \"lb.example\""},
      {"proxy = 10.0.0.1,\n", {}, "linia 1: proxy ma być listą adresów IP"},
      {"proxy = 10.0.0.0/8\n", {}, "linia 1: proxy ma być listą adresów IP"},
      {"[A]\nkatalog = /a\nproxy = 10.0.0.1\n", {}, "linia 3: nieznany klucz proxy"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.tekst);
    try {
      const KonfiguracjaSerwera k = CzytajKonfiguracje(p.tekst, "f.ini");
      EXPECT_TRUE(p.blad.empty()) << "no error, expected " << p.blad;
      EXPECT_EQ(std::vector<std::string>(k.proxy.begin(), k.proxy.end()), p.proxy);
    } catch (const BladPlikuStacji& e) {
      ASSERT_FALSE(p.blad.empty()) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("plik stacji f.ini, " + p.blad, 0), 0u) << e.what();
    }
  }
}

// A file that names no station warns; one that is no regular file (a directory, a device
// that never ends, a FIFO nobody writes to) or is far too large is refused with the
// reason, never read for ever or waited on.
TEST(KonfiguracjaSerwera, AFileWithoutStationsWarnsAndOnlyABoundedRegularFileIsRead) {
  TempDir d;
  ASSERT_EQ(mkfifo((d / "fifo.ini").c_str(), 0600), 0);
  std::ofstream(d / "duzy.ini") << "[A]\nkatalog = /a\n" << std::string(kMaksPlikuStacji, ';') << "\n";
  std::ofstream(d / "puste.ini") << "; nothing yet\npolaczen_z_adresu = 4\n";
  const KonfiguracjaSerwera k = CzytajPlikKonfiguracji(d / "puste.ini");
  EXPECT_TRUE(k.stacje.empty());
  ASSERT_EQ(k.ostrzezenia.size(), 1u);
  EXPECT_NE(k.ostrzezenia[0].find("nie nazywa żadnej stacji, serwer nie ma czego podawać; dodaj sekcję [nazwa stacji]"), std::string::npos) << k.ostrzezenia[0];

  struct Przypadek {
    const char* nazwa;
    std::string sciezka;
    const char* blad;
  };
  const std::vector<Przypadek> przypadki = {
      {"a directory", d.Path(), "jest katalogiem; podaj w --config plik stacji"},
      {"a missing file", d / "brak.ini", "No such file or directory; podaj w --config istniejący plik"},
      {"an endless device", "/dev/zero", "nie jest zwykłym plikiem (to urządzenie, kolejka FIFO albo gniazdo); podaj w --config zwykły plik"},
      {"a FIFO", d / "fifo.ini", "nie jest zwykłym plikiem"},
      {"a file too large", d / "duzy.ini", "ma więcej niż 1024 KiB, a plik stacji to kilka linii na stację; podaj w --config właściwy plik"},
  };
  for (const Przypadek& p : przypadki) {
    try {
      CzytajPlikKonfiguracji(p.sciezka);
      ADD_FAILURE() << p.nazwa << ": no error";
    } catch (const BladPlikuStacji& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find(p.sciezka), std::string::npos) << m;
      EXPECT_NE(m.find(p.blad), std::string::npos) << m;
      EXPECT_EQ(m.find(" in file "), std::string::npos) << m;
    }
  }
}

}  // namespace
