#include "archive/FrameIndex.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"

namespace {

constexpr int64_t kMiB = 1 << 20;

bool JestTag(const unsigned char* b) { return b[0] == 'T' && b[1] == 'A' && b[2] == 'G'; }

String Pole(const unsigned char* b, int n) {
  int k = 0;
  while (k < n && b[k] != 0) ++k;
  while (k > 0 && b[k - 1] == ' ') --k;
  return String(reinterpret_cast<const char*>(b), static_cast<size_t>(k));
}

void ZapiszPole(unsigned char* b, int n, const String& s) {
  std::memset(b, 0, static_cast<size_t>(n));
  std::memcpy(b, s.data(), std::min(s.size(), static_cast<size_t>(n)));
}

// Bytes of side information after the header (and its CRC).
int SideInfo(Mp3Header h) {
  const bool mono = h.Mode() == 3;
  if (h.Version() == Mp3Header::kMpeg1) return mono ? 17 : 32;
  return mono ? 9 : 17;
}

}  // namespace

std::optional<Id3v1> Id3v1::Czytaj(const unsigned char* b) {
  KG_TRACE("Id3v1::Czytaj(const unsigned char *b)");
  if (!JestTag(b)) return std::nullopt;
  Id3v1 t;
  t.tytul = Pole(b + 3, 30);
  t.wykonawca = Pole(b + 33, 30);
  t.album = Pole(b + 63, 30);
  t.rok = Pole(b + 93, 4);
  t.komentarz = Pole(b + 97, 30);
  t.gatunek = b[127];
  return t;
}

void Id3v1::Zapisz(unsigned char* b) const {
  KG_TRACE("Id3v1::Zapisz(unsigned char *b)");
  std::memcpy(b, "TAG", 3);
  ZapiszPole(b + 3, 30, tytul);
  ZapiszPole(b + 33, 30, wykonawca);
  ZapiszPole(b + 63, 30, album);
  ZapiszPole(b + 93, 4, rok);
  ZapiszPole(b + 97, 30, komentarz);
  b[127] = static_cast<unsigned char>(gatunek);
}

std::optional<Czas> Id3v1::Nagrany() const {
  KG_TRACE("Id3v1::Nagrany()");
  // "Recorded YYYY-MM-DD HH:MM"
  static const String kPrzedrostek = "Recorded ";
  if (tytul.size() != kPrzedrostek.size() + 16 || tytul.compare(0, kPrzedrostek.size(), kPrzedrostek) != 0) {
    return std::nullopt;
  }
  const char* s = tytul.c_str() + kPrzedrostek.size();
  int v[5];
  const int pozycje[5] = {0, 5, 8, 11, 14};
  const int dlugosci[5] = {4, 2, 2, 2, 2};
  for (int i = 0; i < 5; ++i) {
    v[i] = 0;
    for (int j = 0; j < dlugosci[i]; ++j) {
      const char c = s[pozycje[i] + j];
      if (c < '0' || c > '9') return std::nullopt;
      v[i] = v[i] * 10 + (c - '0');
    }
  }
  if (s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':') return std::nullopt;
  if (v[0] < 1601 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > kalendarz::DniMiesiaca(v[0], v[1]) || v[3] > 23 ||
      v[4] > 59) {
    return std::nullopt;
  }
  const int64_t dzien = kalendarz::NumerDnia(v[0], v[1], v[2]);
  return Czas(dzien * Roznica::Dzien.Wartosc() + v[3] * Roznica::Godzina.Wartosc() + v[4] * Roznica::Minuta.Wartosc());
}

// A window of the file held in memory, refilled as the scan moves on.
class FrameIndex::Okno {
 public:
  Okno(int fd, int64_t rozmiar, const std::atomic<bool>* przerwij) : fd_(fd), rozmiar_(rozmiar), przerwij_(przerwij) {}

  // The n bytes at `off`, or null when the file ends before off + n.
  const unsigned char* Bajty(int64_t off, int n) {
    if (off < 0 || off + n > rozmiar_) return nullptr;
    if (off < od_ || off + n > od_ + static_cast<int64_t>(ile_)) {
      const size_t chce = static_cast<size_t>(std::min<int64_t>(std::max(n, kBlok), rozmiar_ - off));
      if (buf_.size() < chce) buf_.resize(chce);
      size_t mam = 0;
      while (mam < chce) {
        const ssize_t r = pread(fd_, buf_.data() + mam, chce - mam, static_cast<off_t>(off + static_cast<int64_t>(mam)));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) KG_RAISE_LAST_SYSTEM_ERROR();
        if (r == 0) break;  // the file was cut short while being read
        mam += static_cast<size_t>(r);
      }
      od_ = off;
      ile_ = mam;
      if (mam < chce) rozmiar_ = off + static_cast<int64_t>(mam);
      if (off + n > rozmiar_) return nullptr;
    }
    return buf_.data() + (off - od_);
  }

  int64_t Rozmiar() const { return rozmiar_; }
  // Looks at the stop request; once seen, it stays seen for this call.
  bool Przerwij() {
    przerwane_ = przerwane_ || (przerwij_ != nullptr && przerwij_->load(std::memory_order_relaxed));
    return przerwane_;
  }
  bool Przerwane() const { return przerwane_; }

 private:
  static constexpr int kBlok = 1 << 20;
  int fd_;
  int64_t rozmiar_;
  const std::atomic<bool>* przerwij_;
  bool przerwane_ = false;
  std::vector<unsigned char> buf_;
  int64_t od_ = 0;
  size_t ile_ = 0;
};

FrameIndex::FrameIndex() = default;
FrameIndex::~FrameIndex() = default;

bool FrameIndex::Zgodne(Mp3Header a, Mp3Header b) {
  return a.Version() == b.Version() && a.Layer() == b.Layer() && a.SamplingIndex() == b.SamplingIndex() &&
         (a.Mode() == 3) == (b.Mode() == 3);
}

int FrameIndex::MainDataBegin(const unsigned char* ramka, int n) {
  if (n < 4) return -1;
  const Mp3Header h = Mp3Header::FromBytes(ramka);
  if (h.Layer() != Mp3Header::kLayer3) return 0;
  const int p = 4 + (h.Protection() == 0 ? 2 : 0);
  if (n < p + 2) return -1;
  const int dwa = ramka[p] << 8 | ramka[p + 1];
  return h.Version() == Mp3Header::kMpeg1 ? dwa >> 7 : dwa >> 8;
}

bool FrameIndex::RamkaInformacyjna(const unsigned char* ramka, int n) {
  if (n < 4) return false;
  const Mp3Header h = Mp3Header::FromBytes(ramka);
  const auto jest = [&](int p, const char* znacznik) {
    return p + 4 <= n && std::memcmp(ramka + p, znacznik, 4) == 0;
  };
  if (h.Layer() == Mp3Header::kLayer3) {
    const int p = 4 + (h.Protection() == 0 ? 2 : 0) + SideInfo(h);
    if (jest(p, "Xing") || jest(p, "Info")) return true;
  }
  return jest(36, "VBRI");
}

int64_t FrameIndex::LiczbaRamek() const {
  int64_t n = 0;
  for (const Segment& s : segmenty) n += s.LiczbaRamek();
  return n;
}

bool FrameIndex::Aktualizuj(int fd, int64_t rozmiar, const std::atomic<bool>* przerwij) {
  KG_TRACE("FrameIndex::Aktualizuj(int fd, int64_t rozmiar, const std::atomic<bool> *przerwij)");
  if (bezAudio) return true;
  Okno o(fd, rozmiar, przerwij);
  // Between two steps the index is whole: a stop request, looked at once for every MiB
  // indexed (and for every MiB a search for a frame passes), ends the scan there. Each
  // call gets at least that far, so that calls that are all stopped still go on.
  int64_t sprawdzone = pozycja;
  for (;;) {
    if (pozycja - sprawdzone >= kMiB) {
      sprawdzone = pozycja;
      if (o.Przerwij()) return false;
    }
    const bool dalej = stan == Stan::Miedzy ? ZacznijSegment(o) : NastepnaRamka(o);
    if (!dalej) return !o.Przerwane();
  }
}

void FrameIndex::Zamknij(Segment& s, int64_t reszta, const unsigned char* glowa, const unsigned char* tag) {
  s.zamkniety = true;
  s.reszta = static_cast<int>(reszta);
  for (int i = 0; i < 4; ++i) s.resztaGlowa[i] = i < reszta ? glowa[i] : 0;
  if (tag != nullptr) s.tag = Id3v1::Czytaj(tag);
  stan = Stan::Miedzy;
}

int64_t FrameIndex::Znajdz(Okno& o, int64_t od, bool& tag) {
  tag = false;
  const int64_t start = std::max(od, szukajOd);
  for (int64_t i = start;; ++i) {
    // A long run without a frame (a file of zeros) is where a scan spends its time.
    if (i - start >= kMiB && ((i - start) & (kMiB - 1)) == 0 && o.Przerwij()) {
      szukajOd = i;
      return -1;
    }
    if (segmenty.empty() && i - pozycja >= kBezRamek) {
      // A file whose start holds no frame is no recording: its end is not searched.
      szukajOd = i;
      bezAudio = true;
      return -1;
    }
    const unsigned char* b = o.Bajty(i, 4);
    if (b == nullptr) {
      szukajOd = std::max(od, i);
      return -1;
    }
    if (JestTag(b)) {
      if (o.Bajty(i, Id3v1::kRozmiar) == nullptr) {
        szukajOd = i;
        return -1;
      }
      tag = true;
      return i;
    }
    const Mp3Header h = Mp3Header::FromBytes(b);
    if (!h.IsValid()) continue;
    const unsigned char* b2 = o.Bajty(i + h.FrameLength(), 4);
    if (b2 == nullptr) {
      szukajOd = i;
      return -1;
    }
    const Mp3Header h2 = Mp3Header::FromBytes(b2);
    if (h2.IsValid() && Zgodne(h, h2)) return i;
  }
}

bool FrameIndex::ZacznijSegment(Okno& o) {
  int64_t p = pozycja;
  if (p == 0 && segmenty.empty()) {
    // An ID3v2 tag at the file start: "ID3", version, flags, a 28-bit size.
    const unsigned char* b = o.Bajty(0, 10);
    if (b == nullptr) return false;
    if (b[0] == 'I' && b[1] == 'D' && b[2] == '3' && (b[6] | b[7] | b[8] | b[9]) < 0x80) {
      const int64_t rozmiar = (int64_t{b[6]} << 21 | int64_t{b[7]} << 14 | int64_t{b[8]} << 7 | b[9]) + 10 +
                              ((b[5] & 0x10) != 0 ? 10 : 0);
      pozycja = p = rozmiar;
      szukajOd = p;
    }
  }

  // After a TAG that cut a frame: the same encoder may go on with the rest of that frame.
  if (!segmenty.empty() && segmenty.back().reszta > 0 && segmenty.back().tag && !nastepnyCiagly) {
    const Segment& poprzedni = segmenty.back();
    unsigned char glowa[4];
    const int zRes = std::min(poprzedni.reszta, 4);
    std::memcpy(glowa, poprzedni.resztaGlowa, static_cast<size_t>(zRes));
    const unsigned char* dalej = o.Bajty(p, 4 - zRes);
    if (dalej == nullptr) return false;
    std::memcpy(glowa + zRes, dalej, static_cast<size_t>(4 - zRes));
    const Mp3Header h = Mp3Header::FromBytes(glowa);
    if (h.IsValid() && Zgodne(h, poprzedni.naglowek) && h.FrameLength() > poprzedni.reszta) {
      const int64_t kandydat = p + h.FrameLength() - poprzedni.reszta;
      const unsigned char* b = o.Bajty(kandydat, 4);
      if (b == nullptr) return false;
      const Mp3Header nastepny = Mp3Header::FromBytes(b);
      if (nastepny.IsValid() && Zgodne(nastepny, poprzedni.naglowek)) {
        Segment s;
        s.poczatek = p;
        s.pierwszaRamka = kandydat;
        s.koniec = kandydat;
        s.naglowek = nastepny;
        s.kontynuacja = true;
        std::memcpy(s.wiodaceGlowa, o.Bajty(p, 4), 4);
        const unsigned char* r = o.Bajty(kandydat, 8);
        s.mainDataBegin = r == nullptr ? 0 : std::max(0, MainDataBegin(r, 8));
        segmenty.push_back(s);
        stan = Stan::WSegmencie;
        pozycja = kandydat;
        return true;
      }
    }
  }

  bool tag = false;
  const int64_t q = Znajdz(o, p, tag);
  if (q < 0) return false;
  if (tag) {
    // A TAG block between segments: nothing to index in it.
    pozycja = szukajOd = q + Id3v1::kRozmiar;
    return true;
  }
  const unsigned char* b = o.Bajty(q, 4);
  const Mp3Header h = Mp3Header::FromBytes(b);
  const int dlugosc = h.FrameLength();
  if (segmenty.empty() && q == p) {
    const unsigned char* ramka = o.Bajty(q, std::min<int>(dlugosc, 64));
    if (ramka != nullptr && RamkaInformacyjna(ramka, std::min<int>(dlugosc, 64))) {
      // Not audio: the decoder takes it for stream information and plays nothing.
      pozycja = szukajOd = q + dlugosc;
      return true;
    }
  }
  Segment s;
  s.poczatek = p;
  s.pierwszaRamka = q;
  s.koniec = q;
  s.naglowek = h;
  s.kontynuacja = nastepnyCiagly;
  std::memcpy(s.wiodaceGlowa, o.Bajty(p, 4), 4);
  const unsigned char* r = o.Bajty(q, 8);
  s.mainDataBegin = r == nullptr ? 0 : std::max(0, MainDataBegin(r, 8));
  segmenty.push_back(s);
  nastepnyCiagly = false;
  stan = Stan::WSegmencie;
  pozycja = q;
  return true;
}

bool FrameIndex::NastepnaRamka(Okno& o) {
  Segment& s = segmenty.back();
  const int64_t p = pozycja;
  const unsigned char* b = o.Bajty(p, 4);
  if (b == nullptr) return false;
  if (JestTag(b)) {
    const unsigned char* t = o.Bajty(p, Id3v1::kRozmiar);
    if (t == nullptr) return false;
    Zamknij(s, 0, nullptr, t);
    pozycja = szukajOd = p + Id3v1::kRozmiar;
    return true;
  }
  unsigned char glowa[4];
  std::memcpy(glowa, b, 4);
  const Mp3Header h = Mp3Header::FromBytes(glowa);

  if (!h.IsValid() || !Zgodne(h, s.naglowek)) {
    // A TAG block that cut this frame inside its header.
    for (int i = 1; i < 4; ++i) {
      const unsigned char* t3 = o.Bajty(p + i, 3);
      if (t3 == nullptr || !JestTag(t3)) continue;
      const unsigned char* t = o.Bajty(p + i, Id3v1::kRozmiar);
      if (t == nullptr) return false;  // the block is still being written
      Zamknij(s, i, glowa, t);
      pozycja = szukajOd = p + i + Id3v1::kRozmiar;
      return true;
    }
    // Another stream, or junk: what follows is a new segment; after junk between whole
    // frames the time goes on.
    Zamknij(s, 0, nullptr, nullptr);
    nastepnyCiagly = !h.IsValid();
    szukajOd = p;
    return true;
  }

  const int64_t dlugosc = h.FrameLength();
  const int64_t koniecRamki = p + dlugosc;
  const auto przyjmij = [&]() {
    if (p - s.pierwszaRamka > std::numeric_limits<uint32_t>::max()) {
      // Offsets are held in 32 bits: a segment longer than 4 GiB goes on in a new one.
      Zamknij(s, 0, nullptr, nullptr);
      nastepnyCiagly = true;
      szukajOd = p;
      return true;
    }
    s.ramki.push_back(static_cast<uint32_t>(p - s.pierwszaRamka));
    s.koniec = koniecRamki;
    pozycja = koniecRamki;
    return true;
  };

  // The usual case: a frame header right after this frame (of this stream, or of
  // another one, which the next step ends the segment for), or a TAG block that starts
  // there or cuts the next frame inside its header.
  if (const unsigned char* n = o.Bajty(koniecRamki, 6)) {
    if (Mp3Header::FromBytes(n).IsValid() || JestTag(n) || JestTag(n + 1) || JestTag(n + 2) || JestTag(n + 3)) {
      return przyjmij();
    }
  }

  // A TAG block inside the frame's length: the frame was cut off there. It counts when it
  // ends the file, or when what follows it is a frame (the rest of the cut frame, or a new
  // stream after a restart).
  const int64_t granica = std::min(koniecRamki - 1, o.Rozmiar() - Id3v1::kRozmiar);
  for (int64_t q = p + 1; q <= granica; ++q) {
    const unsigned char* t = o.Bajty(q, Id3v1::kRozmiar);
    if (t == nullptr || !JestTag(t)) continue;
    const int64_t poTagu = q + Id3v1::kRozmiar;
    bool pasuje = poTagu == o.Rozmiar();
    if (!pasuje) {
      const unsigned char* d = o.Bajty(poTagu, 4);
      pasuje = d != nullptr && Mp3Header::FromBytes(d).IsValid();
    }
    if (!pasuje) {
      const unsigned char* c = o.Bajty(poTagu + dlugosc - (q - p), 4);
      if (c == nullptr) return false;  // the rest of the frame is still being written
      pasuje = Mp3Header::FromBytes(c).IsValid();
    }
    if (!pasuje) continue;
    Zamknij(s, q - p, glowa, o.Bajty(q, Id3v1::kRozmiar));
    pozycja = szukajOd = poTagu;
    return true;
  }

  // A whole frame at the end of what has been written so far: the next header is not
  // there yet. Unless a TAG block that is still being written begins inside it.
  if (koniecRamki <= o.Rozmiar() && koniecRamki + 4 > o.Rozmiar()) {
    const unsigned char* r = o.Bajty(p, static_cast<int>(o.Rozmiar() - p));
    const int64_t n = o.Rozmiar() - p;
    for (int64_t q = 1; r != nullptr && q < dlugosc; ++q) {
      const int64_t ile = std::min<int64_t>(3, n - q);
      if (ile > 0 && std::memcmp(r + q, "TAG", static_cast<size_t>(ile)) == 0) return false;
    }
    return przyjmij();
  }
  // A frame still being written.
  if (koniecRamki > o.Rozmiar()) return false;

  // Junk after this frame's header: resynchronise on the next confirmed frame. A search
  // that ran out of bytes or was stopped goes on next time from where it got to: the
  // bytes it passed hold no frame however the file grows.
  bool tag = false;
  if (smieciPo != p) szukajOd = p + 1;
  const int64_t q = Znajdz(o, p + 1, tag);
  if (q < 0) {
    smieciPo = p;
    return false;
  }
  smieciPo = -1;
  if (q >= koniecRamki) {
    // This frame is whole and junk follows it: keep the frame, skip the junk.
    przyjmij();
    Zamknij(s, 0, nullptr, nullptr);
    nastepnyCiagly = true;
    pozycja = koniecRamki;
    szukajOd = q;
    return true;
  }
  // The frame at p was not one (or was cut short by another stream): drop it.
  Zamknij(s, 0, nullptr, nullptr);
  nastepnyCiagly = false;
  pozycja = szukajOd = q;
  return true;
}
