#pragma once
// How far an export has come, for the progress bar: the share of the requested intervals
// that the audio received has reached (a stretch without recordings counts as passed once
// audio after it arrives), the audio written, and the time left at the pace so far. A
// value type; one thread at a time.
#include <optional>
#include <vector>

#include "common/PaczkaAudio.h"
#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"

class PostepEksportu {
 public:
  explicit PostepEksportu(const Przedzialy& przedzialy);

  // One packet of the export received. A packet whose format is no valid format adds no
  // audio.
  void Dodaj(const PaczkaAudio& p);
  // 0 to 1.
  double Udzial() const;
  Roznica Audio() const { return audio; }
  // The wall-clock time left, when `uplynelo` has passed since the start; none before
  // anything is done.
  std::optional<Roznica> Zostalo(Roznica uplynelo) const;
  // The line of the progress bar, `szerokosc` characters of bar:
  // " 42% [########............] 1234 s of audio, 0:01:23 left".
  String Pasek(Roznica uplynelo, int szerokosc = 30) const;

 private:
  std::vector<Przedzial> przedzialy;
  Roznica suma;
  Roznica audio = Roznica(0);
  Czas doszedl;
};
