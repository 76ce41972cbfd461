#include "GrajPaczek.h"

#include <algorithm>
#include <climits>

namespace {

// Encoded bytes handed to the decoder at a time: decoding runs at most this far ahead of
// what the buffer being filled needs.
constexpr int kDecodeStep = 500;

}  // namespace

GrajPaczek::GrajPaczek() : dekoder(std::make_unique<MasterDekoder>()) {}

GrajPaczek::~GrajPaczek() = default;

void GrajPaczek::SetFormat(AudioFormat f) {
  inFormat = AudioFormat();
  dekoder->SetFormat(f);
  AudioFormat out = f;
  out.Decompress();
  WaveOutME::Open(out);
  inFormat = std::move(f);
}

void GrajPaczek::Append(const void* c, int n) { input.Write(c, n); }

bool GrajPaczek::Fill() {
  char* data = ActiveData();
  if (data == nullptr) return false;
  int n = BufferLength();
  while (pcm.Size() < n && input.Size() > 0) {
    dekoder->Write2(input, kDecodeStep);
    dekoder->ReadAnyNonBlocking2(pcm, INT_MAX);
  }
  n = std::min(n, pcm.Size());
  if (n <= 0) return false;
  pcm.Read(data, n);
  Submit(n);
  return true;
}

void GrajPaczek::Reset() {
  // The buffers are emptied even when the card fails, so that nothing of the old stretch
  // is played after it.
  input.Reset();
  pcm.Reset();
  dekoder->Reset();
  WaveOutME::Reset();
}

void GrajPaczek::Close() {
  WaveOutME::Close();
  input.Reset();
  pcm.Reset();
}

Roznica GrajPaczek::BufferedDuration() {
  return GetWrittenDuration() + inFormat.GetDuration(input.Size()) + GetFormat().GetDuration(pcm.Size());
}

Roznica GrajPaczek::QueuedDuration() { return BufferedDuration() - GetPosition(); }
