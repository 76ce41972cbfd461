#include "archive/ArchiveReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "archive/ArchiveInternals.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"

namespace {

// Bytes of a layer III frame that carry main data (what follows header, CRC and side
// information); other layers keep no reservoir.
int64_t DaneGlowne(Mp3Header h, int64_t dlugosc) {
  if (h.Layer() != Mp3Header::kLayer3) return dlugosc;
  const bool mono = h.Mode() == 3;
  const int side = h.Version() == Mp3Header::kMpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  return std::max<int64_t>(0, dlugosc - 4 - (h.Protection() == 0 ? 2 : 0) - side);
}

// The first odcinek whose end lies after t.
template <class Os>
size_t PierwszyKonczacyPo(const Os& os, Czas t) {
  const auto it = std::upper_bound(os.begin(), os.end(), t, [](Czas c, const auto& o) {
    return c < o.Koniec();
  });
  return static_cast<size_t>(it - os.begin());
}

}  // namespace

ArchiveReader::ArchiveReader(const Archive& a) : archiwum(a) {}

ArchiveReader::~ArchiveReader() = default;

int ArchiveReader::Otworz(const String& sciezka) {
  const auto it = deskryptory.find(sciezka);
  if (it != deskryptory.end()) return it->second.Get();
  if (deskryptory.size() >= 8) {
    // Reading moves forward: the files left behind are not needed again soon.
    deskryptory.clear();
  }
  UnikalnyDeskryptor fd(open(sciezka.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return -1;
  return deskryptory.emplace(sciezka, std::move(fd)).first->second.Get();
}

bool ArchiveReader::Wczytaj(const Kawalek& k, std::string& out) {
  const int fd = Otworz(k.sciezka);
  if (fd < 0) return false;
  const size_t poczatek = out.size();
  out.resize(poczatek + static_cast<size_t>(k.dlugosc));
  size_t mam = 0;
  while (mam < static_cast<size_t>(k.dlugosc)) {
    const ssize_t r = pread(fd, out.data() + poczatek + mam, static_cast<size_t>(k.dlugosc) - mam,
                            static_cast<off_t>(k.offset + static_cast<int64_t>(mam)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      out.resize(poczatek);
      return false;
    }
    mam += static_cast<size_t>(r);
  }
  return true;
}

void ArchiveReader::Ustaw() {
  const auto& os = archiwum.os;
  wersja = archiwum.wersja;
  const size_t i = PierwszyKonczacyPo(os, nastepny);
  ustawiony = i < os.size();
  if (!ustawiony) return;
  odcinek = i;
  const Archive::Odcinek& o = os[i];
  if (nastepny < o.CzasRamki(o.od)) {
    ramka = o.od;
  } else {
    // The frame boundary nearest to where the audio returned so far ends.
    const int64_t p = ProbkaW(nastepny - o.lancuch, o.czestotliwosc) - o.przesuniecie + o.probekWRamce / 2;
    ramka = std::clamp<int64_t>(DzielWDol(p, o.probekWRamce), o.od, o.do_);
    if (ramka == o.do_) {
      if (i + 1 < os.size()) {
        odcinek = i + 1;
        ramka = os[i + 1].od;
      } else {
        ramka = o.do_;
      }
    }
  }
}

void ArchiveReader::Seek(Czas t, bool przedbieg) {
  KG_TRACE("ArchiveReader::Seek(Czas t, bool przedbieg)");
  Synchronized l(&archiwum.sekcja);
  nastepny = t;
  oczekiwany = t;
  const auto& os = archiwum.os;
  wersja = archiwum.wersja;
  const size_t i = PierwszyKonczacyPo(os, t);
  ustawiony = i < os.size();
  if (!ustawiony) return;
  odcinek = i;
  const Archive::Odcinek& o = os[i];
  // A moment before the run (any time a client names, however far back) is its first frame.
  ramka = t <= o.CzasRamki(o.od) ? o.od : std::clamp<int64_t>(o.RamkaW(t), o.od, o.do_ - 1);
  nastepny = o.CzasRamki(ramka);
  if (!przedbieg || o.Pcm()) {
    oczekiwany = std::min(t, nastepny);
    return;
  }

  // Step back over the frames whose bytes the frame at t takes from the bit reservoir,
  // and one more, whose overlap the decoder adds to it; only within one encoder's stream.
  int64_t wstecz = 0;
  const FrameIndex::Segment& s = o.Segment();
  if (ramka < s.LiczbaRamek()) {
    unsigned char b[8];
    const Kawalek k{o.plik->sciezka, s.Offset(ramka), 8};
    std::string bajty;
    if (Wczytaj(k, bajty)) {
      std::memcpy(b, bajty.data(), 8);
      wstecz = std::max(0, FrameIndex::MainDataBegin(b, 8));
    }
  }
  size_t e = i;
  int64_t r = ramka;
  bool nakladka = true;
  while (wstecz > 0 || nakladka) {
    if (wstecz <= 0) nakladka = false;
    if (r > os[e].od) {
      --r;
    } else if (e > 0 && os[e].ciagly && os[e].styka && os[e - 1].do_ == os[e - 1].ramek) {
      --e;
      r = os[e].do_ - 1;
    } else {
      break;
    }
    const Archive::Odcinek& p = os[e];
    const FrameIndex::Segment& ps = p.Segment();
    const int64_t dlugosc = r < ps.LiczbaRamek() ? ps.Offset(r + 1) - ps.Offset(r) : p.zlaczonaDlugosc + ps.reszta;
    wstecz -= DaneGlowne(ps.naglowek, dlugosc);
  }
  odcinek = e;
  ramka = r;
  nastepny = os[e].CzasRamki(r);
  oczekiwany = std::min(t, nastepny);
}

bool ArchiveReader::Czytaj(int maxBajtow, Blok& blok) {
  KG_TRACE("ArchiveReader::Czytaj(int maxBajtow, Blok &blok)");
  std::vector<Kawalek> kawalki;
  for (int proba = 0; proba < 16; ++proba) {
    kawalki.clear();
    {
      Synchronized l(&archiwum.sekcja);
      const auto& os = archiwum.os;
      if (!ustawiony || wersja != archiwum.wersja) Ustaw();
      if (!ustawiony) return false;
      if (ramka >= os[odcinek].do_) {
        if (odcinek + 1 >= os.size()) return false;
        ++odcinek;
        ramka = os[odcinek].od;
      }
      const Archive::Odcinek& pierwszy = os[odcinek];
      blok.czas = pierwszy.CzasRamki(ramka);
      blok.format = pierwszy.format;
      blok.przerwa = blok.czas > oczekiwany + Roznica::Milisekunda;
      blok.przerwaOd = oczekiwany;
      int64_t bajty = 0;
      const auto dodaj = [&](const String& sciezka, int64_t offset, int64_t dlugosc) {
        if (!kawalki.empty() && kawalki.back().sciezka == sciezka &&
            kawalki.back().offset + kawalki.back().dlugosc == offset) {
          kawalki.back().dlugosc += dlugosc;
        } else {
          kawalki.push_back(Kawalek{sciezka, offset, dlugosc});
        }
        bajty += dlugosc;
      };
      for (;;) {
        const Archive::Odcinek& o = os[odcinek];
        if (ramka >= o.do_) {
          // On into the next run when it follows without a gap in the same format.
          if (odcinek + 1 < os.size() && os[odcinek + 1].styka && os[odcinek + 1].format == o.format &&
              os[odcinek + 1].od == 0) {
            ++odcinek;
            ramka = os[odcinek].od;
            continue;
          }
          break;
        }
        if (bajty >= maxBajtow) break;
        if (o.Pcm()) {
          int64_t n = std::min<int64_t>(o.do_ - ramka, (maxBajtow - bajty) / o.blok);
          if (n == 0 && bajty == 0) n = 1;
          if (n == 0) break;
          dodaj(o.plik->sciezka, o.plik->wav->dane + ramka * o.blok, n * o.blok);
          ramka += n;
          continue;
        }
        const FrameIndex::Segment& s = o.Segment();
        const int64_t wIndeksie = std::min(o.do_, s.LiczbaRamek());
        if (ramka < wIndeksie) {
          int64_t m = ramka + 1;
          while (m < wIndeksie && bajty + (s.Offset(m + 1) - s.Offset(ramka)) <= maxBajtow) ++m;
          if (bajty > 0 && bajty + (s.Offset(m) - s.Offset(ramka)) > maxBajtow) break;
          dodaj(o.plik->sciezka, s.Offset(ramka), s.Offset(m) - s.Offset(ramka));
          ramka = m;
          continue;
        }
        // The frame cut off at the end of this run, finished by the next one's first bytes.
        const int64_t dlugosc = s.reszta + o.zlaczonaDlugosc;
        if (bajty > 0 && bajty + dlugosc > maxBajtow) break;
        dodaj(o.plik->sciezka, s.koniec, s.reszta);
        dodaj(o.zlaczonaSciezka, o.zlaczonaOd, o.zlaczonaDlugosc);
        ++ramka;
      }
      blok.koniec = os[odcinek].CzasRamki(ramka);
      nastepny = blok.koniec;
    }

    blok.dane.clear();
    bool ok = true;
    for (const Kawalek& k : kawalki) ok = ok && Wczytaj(k, blok.dane);
    if (ok && !blok.dane.empty()) {
      oczekiwany = blok.koniec;
      return true;
    }
    // A file that went away: once the archive has looked again, what it held is a gap and
    // the next try reads on after it. Until then, it cannot be read.
    deskryptory.clear();
    bool nowszy;
    {
      Synchronized l(&archiwum.sekcja);
      nowszy = wersja != archiwum.wersja;
    }
    if (!nowszy) break;
  }
  KG_ERROR("nie można przeczytać archiwum " + archiwum.konfiguracja.stacja + ": " +
           (kawalki.empty() ? String() : kawalki.front().sciezka));
}
