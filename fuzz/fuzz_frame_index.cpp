// Arbitrary bytes as an archive file, indexed for its MPEG frames the way the archive does
// it: as a file that grows (a first prefix, a longer one, then the whole), and as a file
// that was cut shorter than the size the caller stated. Indexing must not fail for what a
// file holds; whatever it indexes must be real frames of the bytes: every frame's header
// valid and of its segment's stream, the frames of a segment end to end, the segments in
// file order without overlap, all but the last closed, nothing beyond the bytes.
//
// The first two bytes choose the prefixes, the rest is the file.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/FrameIndex.h"
#include "core/Exception.h"
#include "fuzz/FuzzSupport.h"

namespace {

[[noreturn]] void Fail(const char* what, int64_t where = -1) {
  std::fprintf(stderr, "%s (at %lld)\n", what, static_cast<long long>(where));
  std::abort();
}

// One in-memory file for every input, rewritten each time.
int Plik() {
  static const int fd = [] {
    const int f = memfd_create("fuzz_frame_index", MFD_CLOEXEC);
    if (f < 0) Fail("memfd_create");
    return f;
  }();
  return fd;
}

void Zapisz(int fd, const std::uint8_t* data, size_t n) {
  if (ftruncate(fd, 0) != 0) Fail("ftruncate");
  size_t zapisane = 0;
  while (zapisane < n) {
    const ssize_t r = pwrite(fd, data + zapisane, n - zapisane, static_cast<off_t>(zapisane));
    if (r <= 0) Fail("pwrite");
    zapisane += static_cast<size_t>(r);
  }
}

// `bajty` are the file's bytes (possibly fewer than the size the index was given).
void Sprawdz(const FrameIndex& i, const std::uint8_t* bajty, int64_t rozmiar) {
  const auto& seg = i.Segmenty();
  // The position passes the bytes only over an ID3v2 tag that claims more than the file
  // holds, and then nothing has been indexed.
  if (i.Pozycja() < 0 || (i.Pozycja() > rozmiar && !seg.empty())) Fail("indexed past the end", i.Pozycja());
  int64_t ramek = 0;
  int64_t poprzedniKoniec = 0;
  for (size_t n = 0; n < seg.size(); ++n) {
    const FrameIndex::Segment& s = seg[n];
    if (n + 1 < seg.size() && !s.zamkniety) Fail("a segment before the last is open", s.poczatek);
    if (s.poczatek < poprzedniKoniec || s.pierwszaRamka < s.poczatek || s.koniec < s.pierwszaRamka ||
        s.koniec > rozmiar) {
      Fail("segment bounds out of order", s.poczatek);
    }
    if (!s.naglowek.IsValid()) Fail("a segment of an invalid header", s.pierwszaRamka);
    // No MPEG frame is as long as 4096 bytes.
    if (s.reszta < 0 || s.reszta >= 4096) Fail("cut frame longer than a frame", s.koniec);
    int64_t p = s.pierwszaRamka;
    for (int64_t k = 0; k < s.LiczbaRamek(); ++k) {
      if (s.Offset(k) != p) Fail("frames not end to end", p);
      if (p + 4 > rozmiar) Fail("frame header beyond the file", p);
      const Mp3Header h = Mp3Header::FromBytes(bajty + p);
      if (!h.IsValid() || !FrameIndex::Zgodne(h, s.naglowek)) Fail("indexed frame is not one of its stream", p);
      p += h.FrameLength();
    }
    if (p != s.koniec) Fail("segment end is not the end of its last frame", s.koniec);
    // Times of the frames: the frame that plays at a frame's start is that frame or,
    // the start being rounded down to the tick, the one before.
    if (s.LiczbaRamek() > 0) {
      const int64_t k = s.RamkaW(s.Dlugosc());
      if (s.Dlugosc() <= Roznica(0) || k < s.LiczbaRamek() - 1 || k > s.LiczbaRamek()) {
        Fail("frame times out of step", s.pierwszaRamka);
      }
    }
    if (s.mainDataBegin < 0 || s.mainDataBegin > 511) Fail("back pointer out of range", s.pierwszaRamka);
    if (s.tag) (void)s.tag->Nagrany();
    ramek += s.LiczbaRamek();
    poprzedniKoniec = s.koniec;
  }
  if (ramek != i.LiczbaRamek()) Fail("frame count disagrees");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  if (size < 2) return 0;
  const std::uint8_t* bajty = data + 2;
  const int64_t n = static_cast<int64_t>(size - 2);
  const int fd = Plik();
  Zapisz(fd, bajty, static_cast<size_t>(n));

  // The helpers on the file's first bytes, at every length they may be handed.
  for (int k = 0; k <= std::min<int64_t>(n, 64); ++k) {
    const int mdb = FrameIndex::MainDataBegin(bajty, k);
    if (mdb < -1 || mdb > 511) Fail("back pointer out of range");
    (void)FrameIndex::RamkaInformacyjna(bajty, k);
  }
  if (n >= Id3v1::kRozmiar) {
    if (auto t = Id3v1::Czytaj(bajty)) {
      (void)t->Nagrany();
      unsigned char b[Id3v1::kRozmiar];
      t->Zapisz(b);
      const auto again = Id3v1::Czytaj(b);
      if (!again || again->tytul != t->tytul || again->komentarz != t->komentarz || again->gatunek != t->gatunek) {
        Fail("an ID3v1 block does not read back");
      }
    }
  }

  const int64_t a = n * data[0] / 255;
  const int64_t b = a + (n - a) * data[1] / 255;
  try {
    FrameIndex rosnacy;
    rosnacy.Aktualizuj(fd, a);
    Sprawdz(rosnacy, bajty, a);
    rosnacy.Aktualizuj(fd, b);
    Sprawdz(rosnacy, bajty, b);
    rosnacy.Aktualizuj(fd, n);
    Sprawdz(rosnacy, bajty, n);
    rosnacy.Aktualizuj(fd, n);  // nothing new: nothing changes
    Sprawdz(rosnacy, bajty, n);

    FrameIndex caly;
    caly.Aktualizuj(fd, n);
    Sprawdz(caly, bajty, n);

    // A file cut short after its size was taken: the index stops at the bytes there are.
    if (data[0] & 1) {
      if (ftruncate(fd, b) != 0) Fail("ftruncate");
      FrameIndex uciety;
      uciety.Aktualizuj(fd, n);
      Sprawdz(uciety, bajty, b);
    }
  } catch (const Exception& e) {
    Fail(("indexing raised: " + e.Message()).c_str());
  }
  return 0;
}
