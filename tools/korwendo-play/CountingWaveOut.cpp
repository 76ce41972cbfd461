#include "korwendo-play/CountingWaveOut.h"

#include <utility>

CountingWaveOut::CountingWaveOut(std::unique_ptr<WaveOutDevice> d) : inner(std::move(d)), name(inner->Name()) {}

int CountingWaveOut::Open(const WAVEFORMATEX& format, int bufferBytes, EventAutomatic* event) {
  std::lock_guard<std::mutex> lock(mutex);
  const int r = inner->Open(format, bufferBytes, event);
  if (r == kOk) {
    open = true;
    blockAlign = format.nBlockAlign > 0 ? format.nBlockAlign : 1;
  }
  return r;
}

void CountingWaveOut::Close() {
  std::lock_guard<std::mutex> lock(mutex);
  before += HeardSinceReset();
  open = false;
  inner->Close();
}

int CountingWaveOut::Write(WAVEHDR* h) {
  std::lock_guard<std::mutex> lock(mutex);
  return inner->Write(h);
}

int CountingWaveOut::Reset() {
  std::lock_guard<std::mutex> lock(mutex);
  before += HeardSinceReset();
  return inner->Reset();
}

int CountingWaveOut::Pause() {
  std::lock_guard<std::mutex> lock(mutex);
  return inner->Pause();
}

int CountingWaveOut::Restart() {
  std::lock_guard<std::mutex> lock(mutex);
  return inner->Restart();
}

int CountingWaveOut::GetPosition(int64_t* bytes) {
  std::lock_guard<std::mutex> lock(mutex);
  return inner->GetPosition(bytes);
}

String CountingWaveOut::LastError() {
  std::lock_guard<std::mutex> lock(mutex);
  return inner->LastError();
}

int64_t CountingWaveOut::Heard() {
  std::lock_guard<std::mutex> lock(mutex);
  return before + HeardSinceReset();
}

int64_t CountingWaveOut::HeardSinceReset() {
  int64_t bytes = 0;
  if (!open || inner->GetPosition(&bytes) != kOk) return 0;
  return bytes / blockAlign;
}
