#include "audio/GrajPaczek.h"

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
  for (;;) {
    // The decoded bytes still to be skipped (those before skipUntil, counted from the
    // reset; the front of pcm is decoded - pcm.Size()) never reach the card.
    const int64_t skip = std::min<int64_t>(skipUntil - (decoded - pcm.Size()), pcm.Size());
    if (skip > 0) pcm.Skip(static_cast<int>(skip));
    if (pcm.Size() >= n || input.Size() == 0) break;
    const int before = pcm.Size();
    dekoder->Write2(input, kDecodeStep);
    dekoder->ReadAnyNonBlocking2(pcm, INT_MAX);
    decoded += pcm.Size() - before;
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
  decoded = 0;
  skipUntil = 0;
  dekoder->Reset();
  WaveOutME::Reset();
}

void GrajPaczek::Close() {
  WaveOutME::Close();
  input.Reset();
  pcm.Reset();
  decoded = 0;
  skipUntil = 0;
}

void GrajPaczek::SkipDecoded(int64_t samples) {
  skipUntil = std::max<int64_t>(0, samples) * GetFormat().GetChannels() * 2;
}

Roznica GrajPaczek::BufferedDuration() {
  const Roznica all = GetWrittenDuration() + inFormat.GetDuration(input.Size()) + GetFormat().GetDuration(pcm.Size());
  // Skipped frames are gone from pcm already; the ones still to come are taken off.
  const int64_t ahead = skipUntil - decoded;
  if (ahead <= 0) return all;
  return all - GetFormat().GetDuration(ahead);
}

Roznica GrajPaczek::QueuedDuration() { return BufferedDuration() - GetPosition(); }
