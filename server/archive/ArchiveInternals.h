#pragma once
// What Archive and ArchiveReader share: a file of the archive with its index, one placed
// run of audio, and the arithmetic between sample counts and time. Not for other users.
#include <sys/stat.h>

#include <memory>
#include <optional>

#include "archive/Archive.h"
#include "archive/FrameIndex.h"
#include "archive/WavInfo.h"

__extension__ typedef __int128 Int128;

// Ticks of `probki` samples at `rate`, rounded down.
inline int64_t Tiki(int64_t probki, int rate) {
  const Int128 t = static_cast<Int128>(probki) * 10'000'000;
  return static_cast<int64_t>(t >= 0 ? t / rate : -((-t + rate - 1) / rate));
}

// The sample that plays `d` after sample 0: the last s with Tiki(s) <= d.
inline int64_t ProbkaW(Roznica d, int rate) {
  const Int128 x = (static_cast<Int128>(d.Wartosc()) + 1) * rate - 1;
  return static_cast<int64_t>(x >= 0 ? x / 10'000'000 : -((-x + 9'999'999) / 10'000'000));
}

inline int64_t DzielWDol(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// A file's modification time.
inline Czas CzasPliku(const struct stat& st) {
  return Czas(116444736000000000 + static_cast<int64_t>(st.st_mtim.tv_sec) * 10'000'000 + st.st_mtim.tv_nsec / 100);
}

struct Archive::Plik {
  String wzgledna;
  String sciezka;
  NazwaPliku nazwa;
  int64_t rozmiar = 0;
  Czas mtime;
  dev_t dev = 0;
  ino_t ino = 0;
  bool mpeg = false;
  // Why the file could not be opened or indexed at the last look; empty when it could.
  String blad;
  FrameIndex indeks;
  std::optional<WavInfo> wav;
};

// A run of frames of one segment (or the samples of one WAV file), and where it lies.
struct Archive::Odcinek {
  std::shared_ptr<Plik> plik;
  int segment = -1;  // -1: PCM samples of a WAV file
  int czestotliwosc = 0;
  int probekWRamce = 1;
  int blok = 0;  // bytes of one PCM sample frame
  // Frames, with the last one cut off in this file and finished by the next run's leading
  // bytes (`zlaczona`): at zlaczonaSciezka, from zlaczonaOd, zlaczonaDlugosc bytes.
  int64_t ramek = 0;
  bool zlaczona = false;
  String zlaczonaSciezka;
  int64_t zlaczonaOd = 0;
  int64_t zlaczonaDlugosc = 0;
  // The encoder went on from the run before this one.
  bool ciagly = false;
  String format;

  // Placement: the run's chain begins at `lancuch`, this run `przesuniecie` samples
  // later; frames [od, do_) are on the timeline; `styka`: it begins where the run before
  // it on the timeline ends. Every time in a chain is counted from its start, so runs of
  // one chain meet to the tick.
  Czas lancuch;
  int64_t przesuniecie = 0;
  int64_t od = 0;
  int64_t do_ = 0;
  bool styka = false;
  Archive::Dowod dowod = Archive::Dowod::Sasiad;

  bool Pcm() const { return segment < 0; }
  Czas CzasRamki(int64_t k) const {
    return lancuch + Roznica(Tiki(przesuniecie + k * probekWRamce, czestotliwosc));
  }
  Czas Koniec() const { return CzasRamki(do_); }
  // The frame that plays at t, unclamped.
  int64_t RamkaW(Czas t) const {
    return DzielWDol(ProbkaW(t - lancuch, czestotliwosc) - przesuniecie, probekWRamce);
  }
  const FrameIndex::Segment& Segment() const { return plik->indeks.Segmenty()[static_cast<size_t>(segment)]; }
};
