#include "archive/CiszaStacji.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "archive/ArchiveInternals.h"
#include "archive/EventsFile.h"
#include "core/CallTrace.h"
#include "core/Log.h"

namespace {

// Whether `sciezka` cannot be opened now for want of descriptors or memory (the process's
// or the system's), rather than for anything about the file.
bool BrakZasobow(const String& sciezka) {
  const int fd = open(sciezka.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
    return false;
  }
  return errno == EMFILE || errno == ENFILE || errno == ENOMEM;
}

// Stretches of neighbouring files that lie this close are one.
const Roznica kStyk = Roznica::Milisekunda * 50;
// The newest audio this near the clock is the live recording.
const Roznica kNaZywo = Roznica::Sekunda * 30;
// What only the growth of the file being recorded taught is written this often.
const Roznica kZapisWzrostu = Roznica::Minuta;
// How long a step goes on with further files.
const auto kCzasKroku = std::chrono::seconds(1);

// Sorted, touching or overlapping stretches joined.
std::vector<ZakresCzasu> Polacz(std::vector<ZakresCzasu> l, Roznica luz) {
  std::sort(l.begin(), l.end(), [](const ZakresCzasu& a, const ZakresCzasu& b) { return a.poczatek < b.poczatek; });
  std::vector<ZakresCzasu> out;
  for (const ZakresCzasu& z : l) {
    if (!out.empty() && z.poczatek <= out.back().koniec + luz) {
      out.back().koniec = std::max(out.back().koniec, z.koniec);
    } else {
      out.push_back(z);
    }
  }
  return out;
}

String Sekundy(Roznica d) { return std::to_string(d.Wartosc() / Roznica::Sekunda.Wartosc()) + " s"; }

}  // namespace

CiszaStacji::CiszaStacji(std::shared_ptr<Archive> a, Ustawienia ust)
    : archiwum(std::move(a)), u(std::move(ust)), analiza(*archiwum, u.cisza), pamiec(u.pamiec) {}

std::vector<ZakresCzasu> CiszaStacji::Cisze() const {
  std::lock_guard<std::mutex> l(sekcja);
  return wynik;
}

uint64_t CiszaStacji::Wersja() const {
  std::lock_guard<std::mutex> l(sekcja);
  return wersja;
}

CiszaStacji::NaZywo CiszaStacji::StanNaZywo() const {
  std::lock_guard<std::mutex> l(sekcja);
  return naZywo;
}

int64_t CiszaStacji::Analizy() const {
  std::lock_guard<std::mutex> l(sekcja);
  return analizy;
}

double CiszaStacji::Zdekodowane() const { return analiza.Zdekodowane(); }

bool CiszaStacji::Analizuj(const String& plik, const Odcinki& odcinki, const struct stat& st, bool przyrost,
                           const std::atomic<bool>* przerwij) {
  PamiecCiszy::Wpis stary = przyrost ? pamiec.wpisy[plik] : PamiecCiszy::Wpis();
  PamiecCiszy::Wpis w;
  w.ino = st.st_ino;
  w.rozmiar = st.st_size;
  w.mtime = CzasPliku(st);
  w.ustawienia = u.cisza;
  w.odcinki = odcinki;
  std::vector<ZakresCzasu> cisze = stary.cisze;
  TraceDepthScope glebokosc;  // a failure caught here leaves no call chain behind
  try {
    for (size_t i = 0; i < odcinki.size(); ++i) {
      const Czas od = przyrost && i < stary.odcinki.size() ? stary.odcinki[i].koniec : odcinki[i].poczatek;
      if (od >= odcinki[i].koniec) continue;
      const auto c = analiza.Analizuj(od, odcinki[i].koniec, przerwij);
      if (!c) return false;
      cisze.insert(cisze.end(), c->begin(), c->end());
    }
  } catch (const std::exception& e) {
    // Out of descriptors or memory the file is not at fault: what was learned of it stays
    // as it was, and it is analysed again at the next look.
    if (BrakZasobow(archiwum->Konfiguracja().katalog + "/" + plik)) {
      if (!bezZasobow) {
        Log(1, "stacja " + Stacja() + ": analiza ciszy odkłada plik " + plik + ": " + e.what(), KG_WHERE);
      }
      bezZasobow = true;
      return true;
    }
    // A file cut or gone since the archive looked, or one that cannot be read: the
    // others are analysed, and this one again once it changes.
    w.blad = e.what();
    cisze.clear();
    Log(1, "stacja " + Stacja() + ": analiza ciszy pomija plik " + plik + ": " + w.blad, KG_WHERE);
  }
  if (w.blad.empty()) bezZasobow = false;
  // Stretches of the spans analysed one after another meet exactly at their ends.
  cisze = Polacz(std::move(cisze), Roznica(0));
  // Short ones are kept only where they may go on in the next span or the next file.
  for (const ZakresCzasu& c : cisze) {
    bool brzeg = false;
    for (const ZakresCzasu& o : odcinki) brzeg = brzeg || c.poczatek <= o.poczatek || c.koniec >= o.koniec;
    if (brzeg || c.koniec - c.poczatek >= u.cisza.minimalna) w.cisze.push_back(c);
  }
  pamiec.wpisy[plik] = std::move(w);
  std::lock_guard<std::mutex> l(sekcja);
  ++analizy;
  return true;
}

bool CiszaStacji::Krok(const std::atomic<bool>* przerwij) {
  KG_TRACE("CiszaStacji::Krok(const std::atomic<bool>* przerwij)");
  if (!wczytana) {
    wczytana = true;
    const String blad = pamiec.Wczytaj();
    if (!blad.empty()) {
      Log(1, "stacja " + Stacja() + ": nie można czytać pamięci ciszy " + pamiec.Sciezka() + ": " + blad, KG_WHERE);
    }
  }
  const auto start = std::chrono::steady_clock::now();
  std::map<String, Odcinki> pliki;
  Czas koniecAudio;
  for (const Archive::Opis& o : archiwum->Odcinki()) {
    pliki[o.plik].push_back(ZakresCzasu{o.poczatek, o.koniec});
    koniecAudio = std::max(koniecAudio, o.koniec);
  }
  std::vector<std::pair<Czas, String>> kolejnosc;
  for (auto& [plik, odcinki] : pliki) {
    std::sort(odcinki.begin(), odcinki.end(),
              [](const ZakresCzasu& a, const ZakresCzasu& b) { return a.poczatek < b.poczatek; });
    kolejnosc.emplace_back(odcinki.back().koniec, plik);
  }
  std::sort(kolejnosc.rbegin(), kolejnosc.rend());

  bool zostalo = false;
  bool calyPlik = false;
  for (size_t k = 0; k < kolejnosc.size(); ++k) {
    if (przerwij != nullptr && przerwij->load()) return false;
    const String& plik = kolejnosc[k].second;
    const Odcinki& odcinki = pliki[plik];
    struct stat st {};
    if (stat((archiwum->Konfiguracja().katalog + "/" + plik).c_str(), &st) != 0) continue;
    const auto it = pamiec.wpisy.find(plik);
    const PamiecCiszy::Wpis* w = it == pamiec.wpisy.end() ? nullptr : &it->second;
    const bool tenSam = w != nullptr && w->ino == st.st_ino && w->ustawienia == u.cisza;
    const bool bezZmian = tenSam && w->rozmiar == st.st_size && w->mtime == CzasPliku(st);
    if (bezZmian && (w->odcinki == odcinki || !w->blad.empty())) continue;
    // Grown since (the runs begin where they began and reach further): only the new part.
    bool przyrost = tenSam && w->blad.empty() && st.st_size >= w->rozmiar && odcinki.size() >= w->odcinki.size();
    for (size_t i = 0; przyrost && i < w->odcinki.size(); ++i) {
      przyrost = odcinki[i].poczatek == w->odcinki[i].poczatek && odcinki[i].koniec >= w->odcinki[i].koniec;
    }
    if (!przyrost || k > 0) {
      if (calyPlik && std::chrono::steady_clock::now() - start > kCzasKroku) {
        zostalo = true;
        break;
      }
      calyPlik = true;
    }
    if (!Analizuj(plik, odcinki, st, przyrost, przerwij)) return false;
    doZapisu = true;
  }
  // Files gone from the archive are forgotten (not while it shows none: it may be
  // unreadable for a while).
  if (!pliki.empty()) {
    for (auto it = pamiec.wpisy.begin(); it != pamiec.wpisy.end();) {
      if (pliki.count(it->first) == 0) {
        it = pamiec.wpisy.erase(it);
        doZapisu = true;
      } else {
        ++it;
      }
    }
  }
  const Czas teraz = u.zegar ? u.zegar() : Czas::Teraz();
  if (doZapisu && (calyPlik || teraz - zapisano >= kZapisWzrostu || zapisano > teraz)) {
    const String blad = pamiec.Zapisz();
    if (blad != bladZapisu && !blad.empty()) {
      Log(1, "stacja " + Stacja() + ": nie można zapisać pamięci ciszy " + pamiec.Sciezka() + ": " + blad +
                 "; po restarcie analiza zacznie się od nowa",
          KG_WHERE);
    }
    bladZapisu = blad;
    zapisano = teraz;
    doZapisu = false;
  }
  Zloz(pliki, koniecAudio);
  return zostalo;
}

void CiszaStacji::Zloz(const std::map<String, Odcinki>& pliki, Czas koniecAudio) {
  std::vector<ZakresCzasu> wszystkie;
  for (const auto& [plik, odcinki] : pliki) {
    const auto it = pamiec.wpisy.find(plik);
    if (it != pamiec.wpisy.end()) wszystkie.insert(wszystkie.end(), it->second.cisze.begin(), it->second.cisze.end());
  }
  wszystkie = Polacz(std::move(wszystkie), kStyk);
  std::vector<ZakresCzasu> dlugie;
  for (const ZakresCzasu& c : wszystkie) {
    if (c.koniec - c.poczatek >= u.cisza.minimalna) dlugie.push_back(c);
  }
  const Czas teraz = u.zegar ? u.zegar() : Czas::Teraz();
  NaZywo stan;
  Czas od;
  if (!pliki.empty() && teraz - koniecAudio <= kNaZywo && !dlugie.empty() && dlugie.back().koniec >= koniecAudio) {
    stan.cicho = true;
    od = dlugie.back().poczatek;
    stan.dlugosc = koniecAudio - od;
  }
  std::lock_guard<std::mutex> l(sekcja);
  if (stan.cicho && !naZywo.cicho) {
    Log(1, "stacja " + Stacja() + ": cisza na żywo od " + EventsFile::Iso(od) + " (" + Sekundy(stan.dlugosc) + ")",
        KG_WHERE);
  } else if (!stan.cicho && naZywo.cicho) {
    Log(0, "stacja " + Stacja() + ": koniec ciszy na żywo od " + EventsFile::Iso(ciszaNaZywoOd) + ", trwała co najmniej " +
               Sekundy(naZywo.dlugosc),
        KG_WHERE);
  }
  if (stan.cicho) ciszaNaZywoOd = od;
  naZywo = stan;
  if (dlugie != wynik) {
    wynik = std::move(dlugie);
    ++wersja;
  }
}
