#include "archive/Archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "archive/ArchiveInternals.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/UnikalnyDeskryptor.h"

namespace {

// How far a placement may move to meet the audio before it, by the kind of its evidence:
// about the precision of that evidence.
Roznica Tolerancja(Archive::Dowod d) {
  switch (d) {
    case Archive::Dowod::Bext: return Roznica::Milisekunda * 2;
    case Archive::Dowod::NazwaDokladna: return Roznica::Milisekunda * 150;
    case Archive::Dowod::Mtime: return Roznica::Milisekunda * 100;
    case Archive::Dowod::NazwaPelnegoPliku: return Roznica::Milisekunda * 1500;
    default: return Roznica(0);
  }
}

// How far outside the span its name states a file's audio may reach: Rotter starts a new
// hour's file up to about half a second early.
const Roznica kLuzNazwy = Roznica::Sekunda * 2;

// What a chain placed without a change of files rests on, for the log.
String OpisDowodu(Archive::Dowod d) {
  switch (d) {
    case Archive::Dowod::Mtime: return "górna granica z czasu modyfikacji pliku zatrzymanego lub wciąż zapisywanego";
    case Archive::Dowod::NazwaPelnegoPliku: return "górna granica z godziny w nazwie pełnego pliku";
    case Archive::Dowod::Id3: return "minuta w tytule ID3v1";
    case Archive::Dowod::NazwaPoczatku: return "dolna granica z godziny w nazwie pierwszego pliku";
    default: return "dźwięk przed nim";
  }
}

String FormatMpeg(const FrameIndex::Segment& s) {
  const Mp3Header h = s.naglowek;
  const int rate = h.GetSampling();
  const int spf = h.SamplesPerFrame();
  int kbps = h.GetBitrate();
  const int64_t n = s.LiczbaRamek();
  if (n > 0) {
    // A stream of varying bit rate is described by its mean rate.
    const double srednia = static_cast<double>(s.koniec - s.pierwszaRamka) * 8.0 * rate / (static_cast<double>(n) * spf) / 1000.0;
    if (std::abs(srednia - kbps) > 0.02 * kbps) kbps = std::max(1, static_cast<int>(srednia + 0.5));
  }
  return std::to_string(rate) + (h.Mode() == 3 ? " mono " : " stereo ") + std::to_string(kbps) + " MPEG1";
}

String FormatPcm(const WavInfo& w) {
  return std::to_string(w.czestotliwosc) + (w.kanaly == 1 ? " mono " : " stereo ") +
         std::to_string(static_cast<int64_t>(w.czestotliwosc) * w.kanaly * 16 / 1000) + " PCM";
}

}  // namespace

Archive::Archive(KonfiguracjaArchiwum k) : konfiguracja(std::move(k)) {}

Archive::~Archive() = default;

std::shared_ptr<Archive::Plik> Archive::Wczytaj(const String& wzgledna, const NazwaPliku& nazwa,
                                                const struct stat& st, const std::atomic<bool>* przerwij) const {
  auto p = std::make_shared<Plik>();
  p->wzgledna = wzgledna;
  p->sciezka = konfiguracja.katalog + "/" + wzgledna;
  p->nazwa = nazwa;
  p->dev = st.st_dev;
  p->ino = st.st_ino;
  const UnikalnyDeskryptor fd(open(p->sciezka.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    p->blad = String("nie można otworzyć: ") + std::strerror(errno);
    p->rozmiar = st.st_size;
    p->mtime = CzasPliku(st);
    return p;
  }
  unsigned char b[4] = {0, 0, 0, 0};
  const bool riff = pread(fd.Get(), b, 4, 0) == 4 && std::memcmp(b, "RIFF", 4) == 0;
  p->mpeg = !riff;
  if (!Doczytaj(*p, st, przerwij)) return nullptr;
  return p;
}

bool Archive::Doczytaj(Plik& p, const struct stat& st, const std::atomic<bool>* przerwij) const {
  UnikalnyDeskryptor fd(open(p.sciezka.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    p.blad = String("nie można otworzyć: ") + std::strerror(errno);
    p.rozmiar = st.st_size;
    p.mtime = CzasPliku(st);
    return true;
  }
  p.blad.clear();
  bool caly = true;
  try {
    if (p.mpeg) {
      caly = p.indeks.Aktualizuj(fd.Get(), st.st_size, przerwij);
    } else {
      // A header: a bounded read, never long.
      p.wav = WavInfo::Czytaj(fd.Get(), st.st_size);
    }
  } catch (const Exception& e) {
    p.blad = e.Message();
  }
  fd.Reset();
  if (!caly) return false;
  p.rozmiar = st.st_size;
  p.mtime = CzasPliku(st);
  return true;
}

bool Archive::Odswiez(const std::atomic<bool>* przerwij) {
  KG_TRACE("Archive::Odswiez(const std::atomic<bool> *przerwij)");
  const auto przerwano = [przerwij] { return przerwij != nullptr && przerwij->load(std::memory_order_relaxed); };
  Synchronized s(&odswiezanie);
  const std::vector<String> sciezki = konfiguracja.uklad.Pliki(konfiguracja.katalog);
  // Only this thread changes `pliki`, so it reads it without the lock; readers see the
  // changes below, made under it.
  std::map<String, std::shared_ptr<Plik>> nowe;
  std::vector<std::pair<std::shared_ptr<Plik>, struct stat>> urosle;
  std::set<String> obecne;
  for (const String& wzgledna : sciezki) {
    struct stat st {};
    // The layout lists regular files; one replaced by a FIFO since would hold the thread.
    if (stat((konfiguracja.katalog + "/" + wzgledna).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    obecne.insert(wzgledna);
    const auto it = pliki.find(wzgledna);
    if (it == pliki.end() || it->second->dev != st.st_dev || it->second->ino != st.st_ino ||
        st.st_size < it->second->rozmiar) {
      const std::optional<NazwaPliku> nazwa = konfiguracja.uklad.Czytaj(wzgledna);
      if (nazwa) {
        // Nothing is changed before the files are taken in below: a stop seen within a
        // file or after it leaves all as it was.
        std::shared_ptr<Plik> p = Wczytaj(wzgledna, *nazwa, st, przerwij);
        if (!p || przerwano()) return false;
        nowe[wzgledna] = std::move(p);
      }
    } else if (st.st_size != it->second->rozmiar || CzasPliku(st) != it->second->mtime) {
      urosle.emplace_back(it->second, st);
    }
  }
  std::vector<String> usuniete;
  for (const auto& [wzgledna, plik] : pliki) {
    if (obecne.count(wzgledna) == 0) usuniete.push_back(wzgledna);
  }
  if (nowe.empty() && urosle.empty() && usuniete.empty()) {
    ZglosNieodtwarzalne();
    return false;
  }

  {
    Synchronized l(&sekcja);
    // The size and time each grown file had, so that a look abandoned part way through
    // leaves all of them to the next look, whose placing then takes in what this one
    // indexed (the runs placed now stay as they are: an index only grows).
    std::vector<std::pair<int64_t, Czas>> bylo;
    for (auto& [plik, st] : urosle) {
      bylo.emplace_back(plik->rozmiar, plik->mtime);
      if (!Doczytaj(*plik, st, przerwij)) {
        for (size_t i = 0; i < bylo.size(); ++i) {
          urosle[i].first->rozmiar = bylo[i].first;
          urosle[i].first->mtime = bylo[i].second;
        }
        return false;
      }
    }
    for (auto& [wzgledna, plik] : nowe) pliki[wzgledna] = plik;
    for (const String& wzgledna : usuniete) pliki.erase(wzgledna);
    Uloz();
    ++wersja;
  }
  for (const auto& [poziom, tekst] : doZalogowania) Log(poziom, tekst, KG_WHERE);
  doZalogowania.clear();
  ZglosNieodtwarzalne();
  return true;
}

Archive::Powod Archive::Nieodtwarzalny(const Plik& p) {
  if (!p.blad.empty()) return {"read_error", p.blad};
  if (p.rozmiar == 0) return {"empty", "pusty plik"};
  if (p.mpeg) {
    if (p.indeks.BezAudio()) {
      return {"no_mpeg_frames", "brak ramek MPEG w pierwszych " + std::to_string(FrameIndex::kBezRamek) + " bajtach (z " +
                                    std::to_string(p.rozmiar) + ")"};
    }
    if (p.indeks.LiczbaRamek() == 0) {
      return {"no_mpeg_frames", "brak ramek MPEG w " + std::to_string(p.rozmiar) + " bajtach"};
    }
    return {};
  }
  if (!p.wav) return {"not_pcm_wav", "brak nagłówka WAV z danymi PCM 16 bit"};
  if (p.wav->LiczbaProbek() == 0) return {"no_samples", "brak próbek w pliku WAV"};
  return {};
}

void Archive::ZglosNieodtwarzalne() {
  // Only this thread changes `pliki` and the files in it.
  std::map<String, String> teraz;
  StanPlikow stan;
  const Czas chwila = Czas::Teraz();
  for (const auto& [w, p] : pliki) {
    const Powod powod = Nieodtwarzalny(*p);
    if (powod.tekst.empty()) {
      ++stan.odtwarzalne;
      continue;
    }
    // The file being recorded may be empty or hold no whole frame yet: it is reported
    // only once it has stood unchanged for a while.
    const auto stary = zgloszone.find(w);
    if (chwila - p->mtime < kWiekNieodtwarzalnego && (stary == zgloszone.end() || stary->second != powod.tekst)) {
      continue;
    }
    teraz[w] = powod.tekst;
    ++stan.nieodtwarzalne[powod.rodzaj];
  }
  for (const auto& [w, powod] : teraz) {
    const auto stary = zgloszone.find(w);
    if (stary != zgloszone.end() && stary->second == powod) continue;
    Log(1, "archiwum " + konfiguracja.stacja + ": " + konfiguracja.katalog + "/" + w + " nie do odtworzenia: " + powod,
        KG_WHERE);
  }
  zgloszone = std::move(teraz);
  Synchronized l(&sekcja);
  stanPlikow = std::move(stan);
}

Archive::StanPlikow Archive::Pliki() const {
  Synchronized l(&sekcja);
  return stanPlikow;
}

void Archive::Uloz() {
  // 1. The runs of audio in the order of the files' names.
  std::vector<std::shared_ptr<Plik>> kolejnosc;
  for (const auto& [wzgledna, plik] : pliki) kolejnosc.push_back(plik);
  std::sort(kolejnosc.begin(), kolejnosc.end(), [](const auto& a, const auto& b) {
    if (a->nazwa.utc.front() != b->nazwa.utc.front()) return a->nazwa.utc.front() < b->nazwa.utc.front();
    return a->wzgledna < b->wzgledna;
  });

  std::vector<Odcinek> w;
  for (const auto& plik : kolejnosc) {
    if (!plik->mpeg) {
      if (!plik->wav || plik->wav->LiczbaProbek() == 0) continue;
      Odcinek o;
      o.plik = plik;
      o.segment = -1;
      o.czestotliwosc = plik->wav->czestotliwosc;
      o.probekWRamce = 1;
      o.blok = plik->wav->blok;
      o.ramek = plik->wav->LiczbaProbek();
      o.format = FormatPcm(*plik->wav);
      w.push_back(o);
      continue;
    }
    const auto& segmenty = plik->indeks.Segmenty();
    for (size_t i = 0; i < segmenty.size(); ++i) {
      const FrameIndex::Segment& s = segmenty[i];
      if (s.LiczbaRamek() == 0) continue;
      Odcinek o;
      o.plik = plik;
      o.segment = static_cast<int>(i);
      o.czestotliwosc = s.naglowek.GetSampling();
      o.probekWRamce = s.naglowek.SamplesPerFrame();
      o.ramek = s.LiczbaRamek();
      o.format = FormatMpeg(s);
      if (!w.empty() && w.back().segment >= 0) {
        Odcinek& poprzedni = w.back();
        const FrameIndex::Segment& ps = poprzedni.plik->indeks.Segmenty()[static_cast<size_t>(poprzedni.segment)];
        const bool tenSamPlik = poprzedni.plik == plik;
        bool ciagly = false;
        if (tenSamPlik) {
          ciagly = poprzedni.segment + 1 == o.segment && s.kontynuacja;
        } else if (i == 0 && static_cast<size_t>(poprzedni.segment) + 1 == poprzedni.plik->indeks.Segmenty().size() &&
                   FrameIndex::Zgodne(ps.naglowek, s.naglowek)) {
          if (ps.reszta > 0) {
            // The cut frame's header from its first bytes, in this file if it was cut inside.
            unsigned char glowa[4];
            const int z = std::min(ps.reszta, 4);
            std::memcpy(glowa, ps.resztaGlowa, static_cast<size_t>(z));
            std::memcpy(glowa + z, s.wiodaceGlowa, static_cast<size_t>(4 - z));
            const Mp3Header h = Mp3Header::FromBytes(glowa);
            ciagly = h.IsValid() && FrameIndex::Zgodne(h, ps.naglowek) && s.Wiodace() == h.FrameLength() - ps.reszta;
          } else {
            // A layer III frame that takes bytes from before itself cannot begin a stream.
            ciagly = s.Wiodace() == 0 && s.naglowek.Layer() == Mp3Header::kLayer3 && s.mainDataBegin > 0;
          }
        }
        if (ciagly && ps.reszta > 0) {
          poprzedni.zlaczona = true;
          poprzedni.zlaczonaSciezka = plik->sciezka;
          poprzedni.zlaczonaOd = s.poczatek;
          poprzedni.zlaczonaDlugosc = s.Wiodace();
          ++poprzedni.ramek;
        }
        o.ciagly = ciagly;
      }
      w.push_back(o);
    }
  }

  // 2. Chains, each placed by its best evidence.
  struct Lancuch {
    size_t a, b;  // w[a, b)
    Czas start;
    Czas koniec;
    Czas granica = Czas::Max;  // audio beyond this is given up to a better placement
    Dowod dowod;
  };
  std::vector<Lancuch> lancuchy;
  std::vector<int64_t> przesuniecie(w.size());  // samples from the chain's start
  std::map<std::pair<String, int>, Kotwica> noweKotwice;
  std::map<std::pair<String, int>, Dowod> noweBezZmiany;
  std::set<std::pair<String, int>> noweSprzeczne;
  Czas koniecPoprzedniego;
  for (size_t a = 0; a < w.size();) {
    size_t b = a + 1;
    while (b < w.size() && w[b].ciagly) ++b;
    int64_t probki = 0;
    for (size_t i = a; i < b; ++i) {
      przesuniecie[i] = probki;
      probki += w[i].ramek * w[i].probekWRamce;
    }
    const int rate = w[a].czestotliwosc;
    const Roznica dlugosc(Tiki(probki, rate));

    const auto wybierz = [&](const std::vector<Czas>& kandydaci) {
      for (const Czas c : kandydaci) {
        if (c >= koniecPoprzedniego - kLuzNazwy) return c;
      }
      return kandydaci.front();
    };
    Dowod najlepszy = Dowod::Sasiad;
    Czas start = koniecPoprzedniego;
    // Rotter is never early: a full file begins before its hour, and a file is last
    // written after its last sample. Both bound the start from above; the lowest of the
    // bounds' middles is the nearest when nothing bounds it from below.
    std::optional<std::pair<Dowod, Czas>> gorna;
    // Each change of files within the chain bounds its start from both sides, within the
    // spread of Rotter's lateness: the highest of the lower bounds and the lowest of all
    // upper ones. `zmian` counts the changes, -1 when their bounds contradict each other.
    std::optional<Czas> dolnaZmian;
    Czas gornaScisla = Czas::Max;
    int zmian = 0;
    const auto rozwaz = [&](Dowod d, Czas s) {
      if (d == Dowod::Mtime || d == Dowod::NazwaPelnegoPliku) {
        if (!gorna || s < gorna->second) gorna = std::make_pair(d, s);
        if (d == Dowod::NazwaPelnegoPliku) gornaScisla = std::min(gornaScisla, s);
        return;
      }
      if (d < najlepszy) {
        najlepszy = d;
        start = s;
      }
    };
    // Closed when this file began: Rotter went on from that file into this one.
    if (a > 0 && w[a - 1].plik != w[a].plik) {
      const Czas zamkniety = w[a - 1].plik->mtime - konfiguracja.opoznienieMtime;
      for (const Czas c : w[a].plik->nazwa.utc) {
        if (Czas::Odstep(zamkniety, c) <= kLuzNazwy) rozwaz(Dowod::PoPoprzednim, koniecPoprzedniego);
      }
    }
    for (size_t i = a; i < b; ++i) {
      const Plik& f = *w[i].plik;
      const bool pierwszyPliku = i == 0 || w[i - 1].plik != w[i].plik;
      const bool ostatniPliku = i + 1 == w.size() || w[i + 1].plik != w[i].plik;
      const Roznica odStartu(Tiki(przesuniecie[i], rate));
      const auto odStartuDo = [&](int64_t probek) { return Roznica(Tiki(przesuniecie[i] + probek, rate)); };
      const Czas najwczesniej = f.nazwa.utc.front() - kLuzNazwy;
      const Czas najpozniej = f.nazwa.utc.back() + f.nazwa.rozdzielczosc + kLuzNazwy;

      if (f.wav) {
        if (const std::optional<Czas> bext = f.wav->BextPoczatek()) {
          const std::vector<Czas> k = konfiguracja.uklad.Utc()
                                          ? std::vector<Czas>{*bext}
                                          : RotterLayout::Instanty(*bext, konfiguracja.uklad.Strefa());
          rozwaz(Dowod::Bext, wybierz(k) - odStartu);
        }
      }
      if (pierwszyPliku) {
        if (f.nazwa.rozdzielczosc <= Roznica::Sekunda) {
          rozwaz(Dowod::NazwaDokladna, wybierz(f.nazwa.utc) - odStartu);
        } else if (w[i].ciagly) {
          rozwaz(Dowod::NazwaPelnegoPliku, wybierz(f.nazwa.utc) - odStartu);
        } else {
          rozwaz(Dowod::NazwaPoczatku, wybierz(f.nazwa.utc) - odStartu);
        }
        if (f.mpeg) {
          for (const auto& s : f.indeks.Segmenty()) {
            if (!s.tag) continue;
            const std::optional<Czas> nagrany = s.tag->Nagrany();
            if (nagrany && *nagrany % Roznica::Godzina != 0) {
              const std::vector<Czas> k = konfiguracja.uklad.Utc()
                                              ? std::vector<Czas>{*nagrany}
                                              : RotterLayout::Instanty(*nagrany, konfiguracja.uklad.Strefa());
              const Czas c = wybierz(k);
              if (c >= najwczesniej && c <= najpozniej) rozwaz(Dowod::Id3, c - odStartu);
            }
            break;
          }
        }
      } else if (w[i].ciagly && f.nazwa.utc.size() > 1) {
        // The encoder went on into the same file after its ID3v1 block: Rotter closed and
        // reopened it because the hour its name states began again as clocks went back, so
        // this part begins before the second of the two instants.
        rozwaz(Dowod::NazwaPelnegoPliku, f.nazwa.utc.back() - odStartu);
      }
      if (ostatniPliku) {
        // Closed because the next file began (the encoder went on into it, or the next
        // file's name states when this one was last written), the file was last written a
        // quarter of Rotter's ring buffer after its last sample; stopped, or still being
        // written, at any time after it.
        const Roznica opoznienie = konfiguracja.opoznienieMtime;
        bool zmiana = i + 1 < b;
        if (!zmiana && i + 1 < w.size()) {
          for (const Czas c : w[i + 1].plik->nazwa.utc) {
            zmiana = zmiana || Czas::Odstep(f.mtime - opoznienie, c) <= kLuzNazwy;
          }
        }
        const bool mp3 = w[i].segment >= 0 && w[i].Segment().naglowek.Layer() == Mp3Header::kLayer3;
        const Roznica koder = mp3 ? konfiguracja.opoznienieMp3 : Roznica(0);
        const Roznica rozrzut = konfiguracja.rozrzutWejscia + (mp3 ? konfiguracja.rozrzutMp3 : Roznica(0));
        const Czas koniec = f.mtime - (zmiana ? opoznienie : Roznica(0)) - konfiguracja.opoznienieWejscia - koder;
        const Czas s = koniec - odStartuDo(w[i].ramek * w[i].probekWRamce);
        bool wiarygodny = true;
        for (size_t j = a; j < b; ++j) {
          if (w[j].plik != w[i].plik) continue;
          const Czas sj = s + Roznica(Tiki(przesuniecie[j], rate));
          const Czas ej = s + Roznica(Tiki(przesuniecie[j] + w[j].ramek * w[j].probekWRamce, rate));
          wiarygodny = wiarygodny && sj >= najwczesniej && ej <= najpozniej;
        }
        if (wiarygodny) {
          rozwaz(Dowod::Mtime, s);
          gornaScisla = std::min(gornaScisla, s + rozrzut);
          if (zmiana) {
            dolnaZmian = dolnaZmian ? std::max(*dolnaZmian, s - rozrzut) : s - rozrzut;
            ++zmian;
          }
        }
      }
    }
    const std::pair<String, int> klucz(w[a].plik->wzgledna, w[a].segment);
    const String opis = "archiwum " + konfiguracja.stacja + ": " + konfiguracja.katalog + "/" + w[a].plik->wzgledna +
                        (w[a].segment > 0 ? " (część " + std::to_string(w[a].segment + 1) + ")" : String());
    const bool obustronnie = dolnaZmian && *dolnaZmian <= gornaScisla;
    if (najlepszy == Dowod::PoPoprzednim && obustronnie &&
        (koniecPoprzedniego < *dolnaZmian - Tolerancja(Dowod::Mtime) ||
         koniecPoprzedniego > gornaScisla + Tolerancja(Dowod::Mtime))) {
      // The file before lost audio at its end (or holds more than was heard): this chain's
      // own changes of files place it, and the difference is a gap.
      najlepszy = Dowod::Sasiad;
    }
    if (najlepszy > Dowod::PoPoprzednim && gorna) {
      najlepszy = gorna->first;
      start = gorna->second;
      if (obustronnie) {
        najlepszy = Dowod::Mtime;
        start = *dolnaZmian + (gornaScisla - *dolnaZmian) / 2;
      } else if (dolnaZmian) {
        zmian = -1;
        noweSprzeczne.insert(klucz);
        if (sprzeczne.count(klucz) == 0) {
          doZalogowania.emplace_back(1, opis + ": czasy modyfikacji plików nagrania przeczą sobie o " +
                                            std::to_string((*dolnaZmian - gornaScisla).Wartosc() / 10'000) +
                                            " ms; ułożony wg najwcześniejszej z granic");
        }
      }
    }
    if (zmian == 0 && najlepszy > Dowod::PoPoprzednim) {
      // Nothing bounds the chain from both sides yet (one file, or the newest still being
      // written): it rests on one kind of evidence until a change of files narrows it.
      noweBezZmiany[klucz] = najlepszy;
      const auto byl = bezZmiany.find(klucz);
      if (byl == bezZmiany.end() || byl->second != najlepszy) {
        doZalogowania.emplace_back(3, opis + " ułożony bez zmiany plików: " + OpisDowodu(najlepszy));
      }
    }
    // A chain placed as before by evidence of the same kind, from as many changes of
    // files, stays where it was, so that audio already served does not move as its file
    // grows; a new change narrows it and moves it.
    const auto stara = kotwice.find(klucz);
    if (najlepszy != Dowod::Sasiad && stara != kotwice.end() && stara->second.dowod == najlepszy &&
        stara->second.zmian == zmian && Czas::Odstep(stara->second.start, start) < Roznica::Sekunda) {
      start = stara->second.start;
    }
    if (najlepszy != Dowod::Sasiad) noweKotwice[klucz] = Kotwica{najlepszy, start, zmian};
    lancuchy.push_back(Lancuch{a, b, start, start + dlugosc, Czas::Max, najlepszy});
    koniecPoprzedniego = start + dlugosc;
    a = b;
  }
  kotwice = std::move(noweKotwice);
  bezZmiany = std::move(noweBezZmiany);
  sprzeczne = std::move(noweSprzeczne);

  // 3. Chains in time order; where they meet within the precision of the evidence they are
  // joined, where they overlap the weaker gives way.
  std::stable_sort(lancuchy.begin(), lancuchy.end(), [](const Lancuch& x, const Lancuch& y) { return x.start < y.start; });
  std::vector<Lancuch> ulozone;
  for (Lancuch l : lancuchy) {
    const Roznica dlugosc = l.koniec - l.start;
    while (!ulozone.empty()) {
      Lancuch& p = ulozone.back();
      const Czas koniecP = std::min(p.koniec, p.granica);
      const Roznica odstep = l.start - koniecP;
      if (l.dowod == Dowod::Sasiad || l.dowod == Dowod::PoPoprzednim ||
          Czas::Odstep(l.start, koniecP) <= Tolerancja(l.dowod) ||
          (odstep.Wartosc() < 0 && l.dowod >= p.dowod)) {
        l.start = koniecP;
        break;
      }
      if (odstep.Wartosc() > 0) break;
      // The better evidence keeps its place; the earlier chain ends where this one begins.
      p.granica = l.start;
      if (p.granica > p.start) break;
      ulozone.pop_back();
    }
    l.koniec = l.start + dlugosc;
    ulozone.push_back(l);
  }

  // 4. The timeline.
  os.clear();
  for (const Lancuch& l : ulozone) {
    for (size_t i = l.a; i < l.b; ++i) {
      Odcinek o = w[i];
      o.lancuch = l.start;
      o.przesuniecie = przesuniecie[i];
      o.dowod = l.dowod;
      o.od = 0;
      o.do_ = o.ramek;
      if (l.granica != Czas::Max) {
        // Whole frames that end by the limit.
        o.do_ = std::clamp<int64_t>(
            DzielWDol(ProbkaW(l.granica - l.start, o.czestotliwosc) - o.przesuniecie, o.probekWRamce), 0, o.ramek);
        if (o.zlaczona && o.do_ < o.ramek) o.zlaczona = false;
      }
      if (o.do_ <= o.od) continue;
      o.ciagly = o.ciagly && !os.empty() && i > l.a && os.back().plik == w[i - 1].plik &&
                 os.back().segment == w[i - 1].segment;
      o.styka = !os.empty() && Czas::Odstep(o.CzasRamki(0), os.back().Koniec()) <= Roznica(100);
      os.push_back(o);
    }
  }
}

std::vector<ZakresCzasu> Archive::Przedzialy() const {
  KG_TRACE("Archive::Przedzialy()");
  Synchronized l(&sekcja);
  std::vector<ZakresCzasu> out;
  for (const Odcinek& o : os) {
    if (!out.empty() && o.styka) {
      out.back().koniec = std::max(out.back().koniec, o.Koniec());
    } else {
      out.push_back(ZakresCzasu{o.CzasRamki(o.od), o.Koniec()});
    }
  }
  return out;
}

String Archive::Format() const {
  KG_TRACE("Archive::Format()");
  Synchronized l(&sekcja);
  return os.empty() ? String() : os.back().format;
}

uint64_t Archive::Wersja() const {
  KG_TRACE("Archive::Wersja()");
  Synchronized l(&sekcja);
  return wersja;
}

std::vector<Archive::Opis> Archive::Odcinki() const {
  KG_TRACE("Archive::Odcinki()");
  Synchronized l(&sekcja);
  std::vector<Opis> out;
  for (const Odcinek& o : os) {
    out.push_back(Opis{o.plik->wzgledna, o.segment, o.CzasRamki(o.od), o.Koniec(), o.dowod, o.format});
  }
  return out;
}
