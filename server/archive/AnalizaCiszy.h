#pragma once
// Finds the silent stretches of a station's archive (DetektorCiszy) in a span of its
// timeline: the audio is read as a client hears it (ArchiveReader) and MPEG audio decoded
// by libmpg123, PCM taken as it is.
//
// Not every second is decoded. A stretch that counts is at least `minimalna` long, so the
// span is first probed every quarter of that length (a few frames decoded at each probe,
// with the frames before them that the decoder needs); only around two or more silent
// probes in a row, and at the span's ends, is the audio decoded whole to find the exact
// edges. No stretch of the length sought is missed: one covers at least three probes.
//
// One thread at a time per object; the Archive may be refreshed meanwhile by another.
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/Archive.h"
#include "core/Czas.h"
#include "core/Roznica.h"

class DetektorCiszy;

struct UstawieniaCiszy {
  // Windows below this level (dBFS, DetektorCiszy) are silent.
  double progDbfs = -50;
  // A silent stretch shorter than this is no silence worth telling.
  Roznica minimalna = Roznica::Sekunda * 10;
  bool operator==(const UstawieniaCiszy&) const = default;
};

class AnalizaCiszy {
 public:
  // The archive must outlive the object.
  AnalizaCiszy(const Archive& archiwum, UstawieniaCiszy u);

  // The silent stretches of the audio in [od, do_), in time order: every one at least
  // `minimalna` long, and also shorter ones that begin at `od` or end at `do_` (which
  // then are exactly those moments), so that the stretches of spans that meet can be
  // joined. Nullopt when `przerwij` was seen set. Raises when the archive's files cannot
  // be read (ArchiveReader::Czytaj).
  std::optional<std::vector<ZakresCzasu>> Analizuj(Czas od, Czas do_, const std::atomic<bool>* przerwij = nullptr);

  // Seconds of audio decoded so far (probes and the frames before them included).
  double Zdekodowane() const { return zdekodowane; }

 private:
  // Decodes [od, do_) whole into `d` (samples before od and from do_ on dropped) and
  // ends it; false when `przerwij` was seen set.
  bool Dekoduj(Czas od, Czas do_, int blok, DetektorCiszy& d, const std::atomic<bool>* przerwij);
  // The stretches of [od, do_) decoded whole.
  std::optional<std::vector<ZakresCzasu>> Calosc(Czas od, Czas do_, const std::atomic<bool>* przerwij);
  // Whether the audio of [t, t + kProbka) is silent all through; nullopt when stopped.
  std::optional<bool> Probka(Czas t, const std::atomic<bool>* przerwij);

  const Archive& archiwum;
  const UstawieniaCiszy u;
  double zdekodowane = 0;
};
