#include "audio/GrajPaczek.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string>

namespace {

// Encoded bytes handed to the decoder at a time: decoding runs at most this far ahead of
// what the buffer being filled needs.
constexpr int kDecodeStep = 500;
// Decoded bytes handed to the stretcher at a time.
constexpr int kStretchStep = 8192;

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
  NewStretch();
}

void GrajPaczek::SetSpeed(int quarters) {
  if (quarters < TimeStretcher::kMinQuarters || quarters > TimeStretcher::kMaxQuarters) {
    throw std::invalid_argument("speed " + std::to_string(quarters) + "/4");
  }
  wantedQuarters = quarters;
}

Roznica GrajPaczek::ArchiveTime(Roznica output) const {
  const int64_t q = StretchQuarters();
  const int64_t t = output.Wartosc();
  if (q == TimeStretcher::kQuarters || output == Roznica()) return output;
  return Roznica(t / TimeStretcher::kQuarters * q + t % TimeStretcher::kQuarters * q / TimeStretcher::kQuarters);
}

void GrajPaczek::NewStretch() {
  stretched = 0;
  if (!Opened() || wantedQuarters == TimeStretcher::kQuarters) {
    stretcher.reset();
    return;
  }
  const AudioFormat& f = GetFormat();
  if (stretcher && stretcher->Quarters() == wantedQuarters && stretcher->Channels() == f.GetChannels() &&
      stretchRate == f.GetSps()) {
    stretcher->Reset();
    return;
  }
  stretcher = std::make_unique<TimeStretcher>(f.GetSps(), f.GetChannels(), wantedQuarters);
  stretchRate = f.GetSps();
}

void GrajPaczek::Append(const void* c, int n) { input.Write(c, n); }

void GrajPaczek::Decode(int want) {
  for (;;) {
    // The decoded bytes still to be skipped (those before skipUntil, counted from the
    // reset; the front of pcm is decoded - pcm.Size()) never reach the card.
    const int64_t skip = std::min<int64_t>(skipUntil - (decoded - pcm.Size()), pcm.Size());
    if (skip > 0) pcm.Skip(static_cast<int>(skip));
    if (pcm.Size() >= want || input.Size() == 0) break;
    const int before = pcm.Size();
    dekoder->Write2(input, kDecodeStep);
    dekoder->ReadAnyNonBlocking2(pcm, INT_MAX);
    decoded += pcm.Size() - before;
  }
}

bool GrajPaczek::FillStretched(char* data, int n) {
  const int channels = stretcher->Channels();
  const int frame = channels * 2;
  const int frames = n / frame;
  auto* out = reinterpret_cast<int16_t*>(data);
  int got = 0;
  while (got < frames) {
    got += stretcher->Take(out + static_cast<ptrdiff_t>(got) * channels, frames - got);
    if (got >= frames) break;
    Decode(kStretchStep);
    const int m = std::min(pcm.Size(), kStretchStep) / frame * frame;
    if (m <= 0) {
      // Nothing more to give it and the card has played everything: what the stretcher
      // still holds is the end of the audio so far, pushed out now.
      if (got > 0 || stretcher->Owed() <= 0 || IsPlaying()) break;
      stretcher->Drain();
      continue;
    }
    feed.resize(static_cast<size_t>(m / 2));
    pcm.Read(feed.data(), m);
    stretcher->Put(feed.data(), m / frame);
    stretched += m;
  }
  if (got <= 0) return false;
  Submit(got * frame);
  return true;
}

bool GrajPaczek::Fill() {
  char* data = ActiveData();
  if (data == nullptr) return false;
  int n = BufferLength();
  if (stretcher) return FillStretched(data, n);
  Decode(n);
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
  NewStretch();
}

void GrajPaczek::Close() {
  WaveOutME::Close();
  input.Reset();
  pcm.Reset();
  decoded = 0;
  skipUntil = 0;
  stretcher.reset();
  stretched = 0;
}

void GrajPaczek::SkipDecoded(int64_t samples) {
  skipUntil = std::max<int64_t>(0, samples) * GetFormat().GetChannels() * 2;
}

Roznica GrajPaczek::BufferedDuration() {
  // With a stretcher, what it was given stands for what it holds and what it submitted.
  const Roznica given = stretcher ? GetFormat().GetDuration(stretched) : GetWrittenDuration();
  const Roznica all = given + inFormat.GetDuration(input.Size()) + GetFormat().GetDuration(pcm.Size());
  // Skipped frames are gone from pcm already; the ones still to come are taken off.
  const int64_t ahead = skipUntil - decoded;
  if (ahead <= 0) return all;
  return all - GetFormat().GetDuration(ahead);
}

Roznica GrajPaczek::QueuedDuration() { return BufferedDuration() - ArchiveTime(GetPosition()); }
