#pragma once
// What the header of a 16-bit PCM WAV file of the archive says: the sample format, where
// the samples lie, and the Broadcast WAV ("bext") time reference when there is one. A file
// that is still being written may carry sizes from an earlier moment: the samples then run
// to the end of the file. A value type.
#include <cstdint>
#include <memory>
#include <optional>

#include "core/Czas.h"
#include "core/String.h"

class WavWriter3;

struct WavInfo {
  int kanaly = 0;
  int czestotliwosc = 0;
  int blok = 0;  // bytes of one sample frame
  int64_t dane = 0;      // offset of the first sample
  int64_t ileDanych = 0;  // bytes of whole sample frames present
  // The "bext" chunk: OriginationDate "yyyy-mm-dd", and the time reference: samples
  // from the midnight that starts that date to the first sample.
  bool maBext = false;
  String bextData;
  uint64_t bextProbki = 0;

  // Reads the header from the file open as `fd` whose size is `rozmiar`; nullopt when it
  // is not a RIFF/WAVE file of 16-bit integer PCM with a data chunk. Never raises.
  static std::optional<WavInfo> Czytaj(int fd, int64_t rozmiar);

  int64_t LiczbaProbek() const { return blok > 0 ? ileDanych / blok : 0; }
  // The midnight of bextData plus the time reference, as a time value in the zone the
  // date was written in; nullopt without a bext chunk, with a malformed date, or with a
  // reference that puts the start after 9999-12-31 (the last date the chunk can state).
  std::optional<Czas> BextPoczatek() const;
};

// A Broadcast WAV file of 16-bit PCM being written: RIFF header, "fmt ", "bext" with the
// time reference of the first sample, then "data", written by the project's RIFF writer
// (WavWriter3): the sizes in the header are brought up to date after every append, so
// that the file is whole whenever it is read. One thread at a time.
class BroadcastWavWriter {
 public:
  // Creates (truncates) the file. `start` is the moment of the first sample, written as
  // the date and time reference in UTC (when `utc`) or in the machine's local time.
  // Raises the open error when the file cannot be made.
  BroadcastWavWriter(const String& sciezka, int czestotliwosc, int kanaly, Czas start, bool utc = true);
  ~BroadcastWavWriter();
  BroadcastWavWriter(const BroadcastWavWriter&) = delete;
  BroadcastWavWriter& operator=(const BroadcastWavWriter&) = delete;

  // Appends `ile` interleaved sample frames and updates the header. Raises the file's
  // error on a failed write.
  void Dopisz(const int16_t* pcm, int ile);
  void Zamknij();
  int64_t Probki() const { return probki; }

 private:
  std::unique_ptr<WavWriter3> wav;
  int kanaly;
  int64_t probki = 0;
};
