#pragma once
// Reads the audio of one station's archive from a moment on, in blocks cut at frame
// boundaries (sample frames for PCM), each with the exact UTC time of its first sample.
// Reading goes on across files and across the ID3v1 blocks inside them; a block never
// spans a gap or a change of format, and the first block after a gap says so. At the end
// of what has been recorded it returns nothing until the archive has grown (Odswiez).
// One thread at a time per reader; any number of readers may share one Archive.
#include <map>
#include <string>

#include "archive/Archive.h"
#include "core/Czas.h"
#include "core/String.h"
#include "core/UnikalnyDeskryptor.h"

class ArchiveReader {
 public:
  struct Blok {
    Czas czas;          // the time of the first sample
    Czas koniec;        // the end of the last sample
    String format;      // the format text of the bytes
    std::string dane;   // whole frames (or sample frames)
    // The audio before this block is missing: it begins later than where the previous
    // block ended (or than the moment asked for), at `przerwaOd`.
    bool przerwa = false;
    Czas przerwaOd;
  };

  // The archive must outlive the reader.
  explicit ArchiveReader(const Archive& archiwum);
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Goes to the moment t: the next block begins with the frame that plays at t or, in a
  // gap, with the first audio after it. With `przedbieg`, MPEG audio begins up to a few
  // frames earlier, with the frames that the frame at t needs to decode whole (the layer
  // III bit reservoir and the overlap of the previous frame); the block's time says so.
  void Seek(Czas t, bool przedbieg = true);
  // The next block of at most `maxBajtow` bytes, and at least one frame; false when no
  // audio has been recorded yet at the position (the live end, or a moment after all
  // audio): call again later. Raises when the files that hold the audio cannot be read
  // (gone before the archive looked again, or out of descriptors); the position stays, so
  // a later call tries again.
  bool Czytaj(int maxBajtow, Blok& blok);
  // Where the next block begins (or would begin).
  Czas Pozycja() const { return nastepny; }

 private:
  struct Kawalek {
    String sciezka;
    int64_t offset;
    int64_t dlugosc;
  };

  // Under the archive's lock: the position of `nastepny` on the current timeline.
  void Ustaw();
  int Otworz(const String& sciezka);
  bool Wczytaj(const Kawalek& k, std::string& out);

  const Archive& archiwum;
  uint64_t wersja = 0;
  bool ustawiony = false;
  size_t odcinek = 0;  // index in the archive's timeline
  int64_t ramka = 0;   // frame within it
  Czas nastepny;       // the time of the next frame to return
  Czas oczekiwany;     // where the audio returned so far ends (or the moment asked for)
  std::map<String, UnikalnyDeskryptor> deskryptory;
};
