#include "net/Stacja.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "archive/EventsFile.h"
#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/Plik.h"

namespace serwer {

namespace {

PrzedzialyAudio Pusty() {
  PrzedzialyAudio p;
  p.tolerancja = Roznica(0);
  return p;
}

// No event and no marker (kinds without any may be listed).
bool Pusta(const BazaZintegrowana& b) {
  if (b.iwenty.Wszystko()) return false;
  for (int i = 0; i < b.iwenty.Ile(); ++i) {
    if (!b.iwenty.Element(i).Wszystkie().empty()) return false;
  }
  for (const auto& [nazwa, m] : b.markery) {
    if (m.Ile() > 0) return false;
  }
  return true;
}

// Whether every kind of event and of marker that `a` names, `b` names too.
bool MaRodzaje(const BazaZintegrowana& a, BazaZintegrowana& b) {
  for (int i = 0; i < a.iwenty.Ile(); ++i) {
    if (!b.iwenty.Znajdz(a.iwenty.Element(i).id)) return false;
  }
  for (const auto& [nazwa, m] : a.markery) {
    if (b.markery.count(nazwa) == 0) return false;
  }
  return true;
}

// The bad lines of an events file logged one by one at each read; the rest only counted.
constexpr int kZglaszaneLinie = 5;

// The whole of a regular file into `out`: empty when read, else why not. Never blocks:
// a FIFO or a device put in the file's place is refused, not waited on.
String CzytajZwyklyPlik(const String& sciezka, String& out) {
  CalyPlik p = CzytajCalyPlik(sciezka, std::numeric_limits<int64_t>::max(), true);
  if (p.stan == CalyPlik::Wczytany) {
    out = std::move(p.bajty);
    return String();
  }
  if (p.stan == CalyPlik::Katalog || p.stan == CalyPlik::NieZwykly) return "nie jest zwykłym plikiem";
  return SystemErrorText(p.blad);
}

}  // namespace

Stacja::Stacja(const KonfiguracjaStacji& k)
    : nazwa(k.nazwa), plikWydarzen(k.iwenty), audioS(Pusty()), audio(Pusty()) {
  archiwum = std::make_shared<Archive>(
      KonfiguracjaArchiwum{k.nazwa, k.katalog, RotterLayout::ZNapisu(k.uklad, k.sufiks, k.nazwaPlikow, k.utc)});
  CiszaStacji::Ustawienia u;
  u.cisza.progDbfs = k.progCiszy;
  u.cisza.minimalna = Roznica(static_cast<int64_t>(k.dlugoscCiszy * 1e7));
  u.pamiec = k.pamiecCiszy.empty() ? DomyslnaPamiecCiszy(k.nazwa, k.katalog, std::getenv("CACHE_DIRECTORY"))
                                    : k.pamiecCiszy;
  cisza = std::make_shared<CiszaStacji>(archiwum, u);
}

String Stacja::DomyslnaPamiecCiszy(const String& nazwa, const String& katalog, const char* cacheDirectory) {
  if (!cacheDirectory || !*cacheDirectory) return katalog + "/" + kPamiecCiszy;
  String plik = nazwa;
  for (char& c : plik) {
    if (c == '/') c = '_';
  }
  const String pierwszy(cacheDirectory, std::strcspn(cacheDirectory, ":"));
  return pierwszy + "/" + plik + ".cisza";
}

Stacja::Stacja(const String& n, std::shared_ptr<Archive> a, const String& plik)
    : nazwa(n), archiwum(std::move(a)), plikWydarzen(plik), audioS(Pusty()), audio(Pusty()) {
  CiszaStacji::Ustawienia u;
  u.pamiec = archiwum->Konfiguracja().katalog + "/" + kPamiecCiszy;
  cisza = std::make_shared<CiszaStacji>(archiwum, u);
}

void Stacja::CzytajWydarzenia(const String& tekst, BazaZintegrowana& b) {
  KG_TRACE("serwer::Stacja::CzytajWydarzenia(const String& tekst, BazaZintegrowana& b)");
  b.Wyczysc();
  std::istringstream in(tekst);
  String linia;
  int numer = 0;
  int bledne = 0;
  while (std::getline(in, linia)) {
    ++numer;
    if (!linia.empty() && linia.back() == '\r') linia.pop_back();
    if (linia.empty() || linia[0] == '#') continue;
    const std::optional<Zdarzenie> z = EventsFile::ZLinii(linia);
    if (!z) {
      // A file of garbage must not flood the log at every read: the first few and a count.
      if (++bledne <= kZglaszaneLinie) {
        Log(1, "iwenty: błędna linia " + std::to_string(numer) + ": " + linia.substr(0, 200), KG_WHERE);
      }
    } else if (z->rodzaj == Zdarzenie::Rodzaj::Wydarzenie) {
      b.iwenty.DajPrzedzialy(z->nazwa).Add(Przedzial(z->poczatek, z->koniec));
    } else {
      b.Markery(z->nazwa).Dodaj(z->poczatek);
    }
  }
  if (bledne > kZglaszaneLinie) {
    Log(1,
        "iwenty: " + std::to_string(bledne) + " błędnych linii z " + std::to_string(numer) + ", pominięte; wypisane pierwsze " +
            std::to_string(kZglaszaneLinie),
        KG_WHERE);
  }
}

std::optional<Stacja::Odczyt> Stacja::Sprawdz(const std::atomic<bool>* przerwij) {
  KG_TRACE("serwer::Stacja::Sprawdz(const std::atomic<bool> *przerwij)");
  Odczyt o;
  const String& katalog = archiwum->Konfiguracja().katalog;
  DIR* d = opendir(katalog.c_str());
  if (d == nullptr && (errno == EMFILE || errno == ENFILE || errno == ENOMEM)) {
    // The server is short of descriptors, not the archive of its files: no look this time.
    Zglos("nie można teraz czytać archiwum " + katalog + ": " + SystemErrorText(errno));
    return std::nullopt;
  }
  const String bladKatalogu = d == nullptr ? SystemErrorText(errno) : String();
  o.dostepna = d != nullptr;
  if (d) closedir(d);
  bool zmiana = o.dostepna != dostepnaS || pierwszy;
  if (zmiana) {
    Log(o.dostepna ? 0 : 1,
        "stacja " + nazwa +
            (o.dostepna ? ": archiwum " + katalog : ": nie można czytać archiwum " + katalog + ": " + bladKatalogu),
        KG_WHERE);
  }
  dostepnaS = o.dostepna;
  if (o.dostepna) {
    TraceDepthScope glebokosc;  // a failure caught here leaves no call chain behind
    try {
      archiwum->Odswiez(przerwij);
      Zglos(String());
    } catch (const std::exception& e) {
      Zglos(e.what());
    }
    // A look cut short knows nothing new of the archive: nothing is told, and this side
    // stays as it was but for whether the directory could be read.
    if (przerwij != nullptr && przerwij->load()) return std::nullopt;
  }
  PrzedzialyAudio nowe = Pusty();
  if (o.dostepna) {
    for (const ZakresCzasu& r : archiwum->Przedzialy()) nowe.Add(Przedzial(r.poczatek, r.koniec));
  }
  if (nowe.Wszystkie() != audioS.Wszystkie()) {
    Zmiany& z = o.zmiany;
    z.plus = nowe;
    z.plus.tolerancja = Roznica(0);
    z.plus.Remove(audioS);
    z.minus = audioS;
    z.minus.tolerancja = Roznica(0);
    z.minus.Remove(nowe);
    z.audio = true;
    audioS = nowe;
    o.audio = std::move(nowe);
    zmiana = true;
  }
  struct stat st{};
  String tekst;
  String bladWydarzen;
  bool czytaj = false;
  if (!plikWydarzen.empty()) {
    if (stat(plikWydarzen.c_str(), &st) != 0) {
      bladWydarzen = SystemErrorText(errno);
    } else if (!S_ISREG(st.st_mode)) {
      bladWydarzen = "nie jest zwykłym plikiem";
    } else if (pierwszy || st.st_mtim.tv_sec != mtimeWydarzen.tv_sec || st.st_mtim.tv_nsec != mtimeWydarzen.tv_nsec) {
      bladWydarzen = CzytajZwyklyPlik(plikWydarzen, tekst);
      czytaj = bladWydarzen.empty();
    } else {
      bladWydarzen = ostatniBladWydarzen;  // not read again: nothing new to say
    }
    if (bladWydarzen != ostatniBladWydarzen) {
      if (!bladWydarzen.empty()) {
        Log(1, "stacja " + nazwa + ": nie można czytać pliku iwentów " + plikWydarzen + ": " + bladWydarzen, KG_WHERE);
      }
      ostatniBladWydarzen = bladWydarzen;
    }
  }
  if (czytaj) {
    // Only a file read whole counts as seen; one that could not be read is tried again.
    mtimeWydarzen = st.st_mtim;
    CzytajWydarzenia(tekst, zPlikuS);
  }
  const uint64_t wersjaCiszy = cisza->Wersja();
  if (czytaj || wersjaCiszy != wersjaCiszyS) {
    wersjaCiszyS = wersjaCiszy;
    BazaZintegrowana b = zPlikuS;
    for (const ZakresCzasu& c : cisza->Cisze()) b.iwenty.DajPrzedzialy(kCisza).Add(Przedzial(c.poczatek, c.koniec));
    BazaZintegrowana dodane = b;
    dodane.Odejmij(iwentyS);
    BazaZintegrowana odjete = iwentyS;
    odjete.Odejmij(b);
    if (!Pusta(dodane) || !Pusta(odjete) || !MaRodzaje(iwentyS, b)) {
      o.zmiany.iwenty = !pierwszy;
      // A kind that is gone cannot be taken away by a change: clients get the whole base.
      o.zmiany.wydarzeniaCale = !MaRodzaje(iwentyS, b);
      o.zmiany.zmianaWydarzen.plus = std::move(dodane);
      o.zmiany.zmianaWydarzen.minus = std::move(odjete);
      iwentyS = b;
      o.iwenty = std::move(b);
      zmiana = true;
    }
  }
  pierwszy = false;
  if (!zmiana) return std::nullopt;
  return o;
}

void Stacja::Zglos(const String& blad) {
  // Logged when it starts, changes or ends, not at every look.
  if (blad == ostatniBlad) return;
  if (!blad.empty()) {
    Log(2, "stacja " + nazwa + ": " + blad, KG_WHERE);
  } else {
    Log(0, "stacja " + nazwa + ": archiwum znów czytelne", KG_WHERE);
  }
  ostatniBlad = blad;
}

Stacja::Zmiany Stacja::Zastosuj(Odczyt o) {
  KG_TRACE("serwer::Stacja::Zastosuj(Odczyt o)");
  dostepna = o.dostepna;
  o.zmiany.pierwsza = !sprawdzona;
  sprawdzona = true;
  if (o.audio) audio = std::move(*o.audio);
  if (o.iwenty) iwenty = std::move(*o.iwenty);
  return std::move(o.zmiany);
}

Stacja::Zmiany Stacja::Odswiez() {
  std::optional<Odczyt> o = Sprawdz();
  return o ? Zastosuj(std::move(*o)) : Zmiany();
}

}  // namespace serwer
