#include "audio/WavFile.h"

#include "core/Exception.h"
#include "core/Log.h"

WavFile::WavFile(const String& p, const WAVEFORMATEX& f)
    : path(p), format(f), writer(std::make_unique<WavWriter3>(p, f)) {}

WavFile::~WavFile() {
  try {
    Close();
  } catch (const std::exception& e) {
    // A destructor cannot report further; the file keeps the sizes of its last append.
    Log(2, e.what(), KG_WHERE);
  }
}

void WavFile::Append(const void* data, int n) {
  if (!writer || n <= 0) return;
  if (n > writer->Miejsce()) n = static_cast<int>(writer->Miejsce());
  if (n <= 0) return;
  writer->Write(data, n);
  dataBytes += n;
}

void WavFile::Close() {
  if (!writer) return;
  const std::unique_ptr<WavWriter3> w = std::move(writer);
  w->Stop();
}
