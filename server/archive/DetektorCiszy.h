#pragma once
// Finds the silent stretches in a stream of 16-bit PCM. The stream is cut into windows of
// about 10 ms (a hundredth of a second, rounded down to whole samples); a window is silent
// when its level, the root mean square of its samples over all channels relative to full
// scale (32768), is below the threshold in dBFS (a sine whose peak is at full scale reads
// -3 dBFS). A silent stretch runs from the first sample of a silent window to the first
// sample of the next window that is not silent, or to the end of the audio given.
// One thread at a time.
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/Archive.h"
#include "core/Czas.h"

class DetektorCiszy {
 public:
  explicit DetektorCiszy(double progDbfs);

  // Samples of `kanaly` interleaved channels at `czestotliwosc` Hz, the first of which
  // plays at `czas`. Samples that do not follow the ones before (a moment more than 1 ms
  // away from where those ended, another rate or channel count) first end the stream
  // before them (Zakoncz): a gap is no silence.
  void Dodaj(const int16_t* pcm, int64_t ramek, int czestotliwosc, int kanaly, Czas czas);
  // Ends the stream: the window begun is judged on the samples it has, and a silent
  // stretch still open ends where the audio ends.
  void Zakoncz();

  // The stretches ended so far, in time order.
  const std::vector<ZakresCzasu>& Cisze() const { return cisze; }
  // Where the audio given so far ends; the default moment before any.
  Czas Koniec() const;

 private:
  void ZamknijOkno();

  int64_t prog2;  // the threshold as a mean square, times 2^16 below full scale squared
  std::vector<ZakresCzasu> cisze;
  bool trwa = false;  // a stream has begun and not ended
  int rate = 0;
  int channels = 0;
  Czas poczatek;      // of the stream: its sample 0
  int64_t probek = 0;  // samples of the stream so far
  int64_t dlugoscOkna = 0;
  int64_t wOknie = 0;  // samples of the open window
  uint64_t suma = 0;   // their squares
  std::optional<Czas> cisza;  // the start of the open silent stretch
};
