#pragma once
// The project's one writer of RIFF/WAVE files of 16-bit PCM: the export's WAV files, the
// playback capture and the demo recorder's Broadcast WAV files are all written by it.
//
// Layout: "RIFF", its size, "WAVE"; "fmt " with the 18-byte format record (tag 1,
// channels, rate, bytes per second, block alignment, 16 bits, extra size 0); any extra
// chunks the caller gives (the Broadcast WAV "bext"); then "data" and the samples as
// written. Without extra chunks the header is 46 bytes: an empty file has RIFF size 38
// and data size 0.
//
// The file is whole at every moment: after each Write both sizes are patched, in one
// write of the header, so a writer that never reaches Stop (the program killed, the server
// gone) leaves a playable file holding everything written so far, its two sizes agreeing
// (killed during a Write, the samples of that Write may lie past the data size). No sample alignment is enforced. RIFF sizes are
// 32-bit: a Write that would take the file past them raises instead of wrapping the sizes,
// and Miejsce() says how much still fits. One thread at a time.
#include <cstdint>
#include <vector>

#include "common/AudioFormat.h"
#include "common/Chunk2.h"
#include "core/Plik.h"
#include "core/String.h"
#include "core/Writable.h"

class WavWriter3 : public Writable {
 public:
  // A chunk placed between "fmt " and "data": its 4-character id and its bytes.
  struct DodatkowyChunk {
    String id;
    String bajty;
  };

  // Creates (or truncates) the file and writes the header for `format`, which must be
  // valid; it is written as 16-bit PCM of its rate and channel count. Raises the file's
  // open and write errors, and "!valid" (with the file already holding the RIFF header
  // and the "fmt " chunk's header) for an invalid format.
  WavWriter3(String fileName, AudioFormat format);
  // The same from a format record (its rate and channels; written as 16-bit PCM), with
  // `inne` chunks before "data".
  WavWriter3(String fileName, const WAVEFORMATEX& format, const std::vector<DodatkowyChunk>& inne = {});
  WavWriter3(const WavWriter3&) = delete;
  WavWriter3& operator=(const WavWriter3&) = delete;
  // Stop(); a failure there is logged, the file keeping the sizes of the last Write.
  ~WavWriter3() override;

  // Appends n sample bytes, then patches the data and RIFF sizes. Raises the file's write
  // and seek errors, and "n>Miejsce()" (nothing written) for more than still fits.
  void Write(const void* c, int n) override;
  // Finishes both sizes and closes the file; later calls do nothing. Raises the file's
  // errors (the file is closed anyway).
  void Stop();

  // The sample bytes written so far.
  int64_t DataBytes() const { return dane; }
  // The sample bytes that may still be written before the RIFF size would overflow.
  int64_t Miejsce() const;
  const String& FileName() const { return plik.Name(); }
  const WAVEFORMATEX& Format() const { return format; }

  // The most sample bytes a file with a 46-byte header can hold.
  static constexpr int64_t kMaksDanych = 0xFFFFFFFFLL - 38;

 private:
  void Naglowek(const WAVEFORMATEX& f, const std::vector<DodatkowyChunk>& inne);
  void Fmt(const WAVEFORMATEX& f);

  Plik plik;
  Chunk2 riffChunk;
  Chunk2 fmtChunk;
  Chunk2 dataChunk;
  WAVEFORMATEX format;
  String naglowek;      // the header's bytes, from "RIFF" to the data size
  int64_t dlugosc = 0;  // the file's length
  int64_t dane = 0;
  bool zatrzymany = false;
};
