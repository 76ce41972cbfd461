#pragma once
// A RIFF/WAVE file of 16-bit PCM being written. The header is written at creation and
// its two sizes are brought up to date after every append and at Close, so the file is a
// complete WAV file whenever it is read. Data past the 4 GiB that RIFF sizes can describe
// is dropped. One thread at a time.
#include <cstdint>

#include "AudioFormat.h"
#include "String.h"

class WavFile {
 public:
  // Creates (or truncates) the file and writes the header. Raises the system error form
  // when the file cannot be made.
  WavFile(const String& path, const WAVEFORMATEX& format);
  // Close().
  ~WavFile();
  WavFile(const WavFile&) = delete;
  WavFile& operator=(const WavFile&) = delete;

  // Appends n bytes of sample data. Raises the system error form on a failed write.
  void Append(const void* data, int n);
  // Fixes the header (with the pad byte RIFF wants after odd data) and closes the file.
  // Later calls do nothing.
  void Close();

  int64_t DataBytes() const { return dataBytes; }
  const WAVEFORMATEX& Format() const { return format; }
  const String& Path() const { return path; }

  // The 44-byte header of a file holding `dataBytes` bytes of data in `format`.
  static void Header(const WAVEFORMATEX& format, uint32_t dataBytes, unsigned char out[44]);

 private:
  void FixSizes();

  String path;
  WAVEFORMATEX format;
  int fd = -1;
  int64_t dataBytes = 0;
};
