#pragma once
// The playback capture's WAV file: 16-bit PCM written by the project's RIFF writer
// (WavWriter3), so the header's two sizes are right after every append and the file is a
// complete WAV file whenever it is read. Data past the 4 GiB that RIFF sizes can describe
// is dropped. One thread at a time.
#include <cstdint>
#include <memory>

#include "common/AudioFormat.h"
#include "common/WavWriter3.h"
#include "core/String.h"

class WavFile {
 public:
  // The header's length: the samples begin at this offset.
  static constexpr int kNaglowek = 46;

  // Creates (or truncates) the file and writes the header. Raises the file's open error
  // when the file cannot be made.
  WavFile(const String& path, const WAVEFORMATEX& format);
  // Close(); a failure there is logged.
  ~WavFile();
  WavFile(const WavFile&) = delete;
  WavFile& operator=(const WavFile&) = delete;

  // Appends n bytes of sample data. Raises the file's error on a failed write. Nothing
  // after Close.
  void Append(const void* data, int n);
  // Finishes the header and closes the file. Later calls do nothing.
  void Close();

  int64_t DataBytes() const { return dataBytes; }
  const WAVEFORMATEX& Format() const { return format; }
  const String& Path() const { return path; }

 private:
  String path;
  WAVEFORMATEX format;
  std::unique_ptr<WavWriter3> writer;
  int64_t dataBytes = 0;
};
