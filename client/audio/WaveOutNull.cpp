#include "audio/WaveOutNull.h"

#include <chrono>
#include <utility>

#include "core/Exception.h"
#include "core/Log.h"

namespace {

constexpr int64_t kNano = 1000000000;

int64_t MonotonicNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// a x b / c rounded down, for a, b >= 0 and c > 0, without forming a x b.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) { return a / c * b + a % c * b / c; }

// "dir/name-<n>.wav" for "dir/name.wav".
String Numbered(const String& path, int n) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  const String suffix = "-" + std::to_string(n);
  if (dot == String::npos || (slash != String::npos && dot < slash)) return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace

WaveOutNull::WaveOutNull(String path) : wavPath(std::move(path)) {}

WaveOutNull::WaveOutNull(String path, std::function<int64_t()> c) : wavPath(std::move(path)), clock(std::move(c)) {}

WaveOutNull::~WaveOutNull() {
  Close();
  if (wav) wav->Close();
}

int64_t WaveOutNull::Now() const { return clock ? clock() : MonotonicNow(); }

int WaveOutNull::Open(const WAVEFORMATEX& f, int, EventAutomatic* e) {
  std::unique_lock<std::mutex> lock(mutex);
  if (open) {
    lastError = "already open";
    return kError;
  }
  // The sound server's limits, so that both outputs accept the same formats.
  if (f.wFormatTag != 1 || f.wBitsPerSample != 16 || f.nChannels < 1 || f.nChannels > 32 ||
      f.nSamplesPerSec < 1 || f.nSamplesPerSec > 768000) {
    lastError = "unsupported format";
    return kBadFormat;
  }
  try {
    OpenFile(f);
  } catch (const Exception& x) {
    lastError = x.Message();
    return kError;
  }
  format = f;
  bytesPerSecond = int64_t{f.nSamplesPerSec} * f.nChannels * 2;
  blockAlign = f.nChannels * 2;
  event = e;
  queue.clear();
  submitted = base = 0;
  anchor = Now();
  paused = false;
  open = true;
  quit = false;
  ++epoch;
  Publish();
  if (!clock) pacer = std::thread([this] { Run(); });
  lock.unlock();
  if (event) event->Set();
  return kOk;
}

void WaveOutNull::OpenFile(const WAVEFORMATEX& f) {
  if (wavPath.empty()) return;
  if (wav) {
    const WAVEFORMATEX& g = wav->Format();
    if (g.nChannels == f.nChannels && g.nSamplesPerSec == f.nSamplesPerSec) return;
    wav->Close();
  }
  const String path = files.empty() ? wavPath : Numbered(wavPath, static_cast<int>(files.size()) + 1);
  wav = std::make_unique<WavFile>(path, f);
  files.push_back(path);
}

void WaveOutNull::Close() {
  std::unique_lock<std::mutex> lock(mutex);
  if (!open) return;
  quit = true;
  wake.notify_all();
  lock.unlock();
  if (pacer.joinable()) pacer.join();
  lock.lock();
  Service(Now());
  RecordHeardPart(Now());
  for (const Pending& p : queue) p.header->dwFlags.fetch_or(WHDR_DONE, std::memory_order_release);
  queue.clear();
  open = false;
  Publish();
  EventAutomatic* e = event;
  lock.unlock();
  if (e) e->Set();
}

int WaveOutNull::Write(WAVEHDR* h) {
  std::lock_guard<std::mutex> lock(mutex);
  if (!open) {
    lastError = "not open";
    return kError;
  }
  const int64_t now = Now();
  Service(now);
  if (queue.empty() && !paused) {  // starts (again) now
    anchor = now;
    base = submitted;
  }
  h->dwFlags.fetch_and(~WHDR_DONE, std::memory_order_acq_rel);
  submitted += h->dwBufferLength;
  queue.push_back({h, submitted});
  Publish();
  wake.notify_all();
  return kOk;
}

int64_t WaveOutNull::PositionAt(int64_t now) const {
  if (paused || queue.empty()) return base;
  const int64_t elapsed = now > anchor ? now - anchor : 0;
  return std::min(base + MulDiv(elapsed, bytesPerSecond, kNano), submitted);
}

int64_t WaveOutNull::Service(int64_t now) {
  if (!open || paused || queue.empty()) return -1;
  const int64_t position = PositionAt(now);
  bool any = false;
  while (!queue.empty() && queue.front().end <= position) {
    WAVEHDR* h = queue.front().header;
    if (wav) {
      try {
        wav->Append(h->lpData, static_cast<int>(h->dwBufferLength));
      } catch (const Exception& x) {
        Log(2, "null: " + x.Message(), KG_WHERE);
        wav.reset();
      }
    }
    queue.pop_front();
    h->dwFlags.fetch_or(WHDR_DONE, std::memory_order_release);
    any = true;
  }
  if (queue.empty()) {
    // Ran dry: the position stays at the end of what was written.
    base = submitted;
    anchor = now;
    Publish();
  }
  if (any && event) event->Set();
  if (queue.empty()) return -1;
  // When the front buffer's last byte will have been heard (rounded up).
  const int64_t missing = queue.front().end - base;
  return anchor + (missing / bytesPerSecond * kNano + ((missing % bytesPerSecond) * kNano + bytesPerSecond - 1) / bytesPerSecond);
}

void WaveOutNull::RecordHeardPart(int64_t now) {
  if (!wav || queue.empty()) return;
  const Pending& front = queue.front();
  const int64_t start = front.end - front.header->dwBufferLength;
  const int64_t heard = (PositionAt(now) - start) / blockAlign * blockAlign;
  if (heard <= 0) return;
  try {
    wav->Append(front.header->lpData, static_cast<int>(heard));
  } catch (const Exception& x) {
    Log(2, "null: " + x.Message(), KG_WHERE);
    wav.reset();
  }
}

void WaveOutNull::Poll() {
  std::lock_guard<std::mutex> lock(mutex);
  Service(Now());
}

void WaveOutNull::Run() {
  std::unique_lock<std::mutex> lock(mutex);
  while (!quit) {
    const int64_t next = Service(Now());
    if (next < 0) {
      wake.wait(lock);
    } else {
      wake.wait_until(lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(next)));
    }
  }
}

int WaveOutNull::Reset() {
  std::unique_lock<std::mutex> lock(mutex);
  if (!open) return kError;
  const int64_t now = Now();
  Service(now);
  RecordHeardPart(now);
  for (const Pending& p : queue) p.header->dwFlags.fetch_or(WHDR_DONE, std::memory_order_release);
  queue.clear();
  submitted = base = 0;
  anchor = now;
  ++epoch;
  Publish();
  wake.notify_all();
  EventAutomatic* e = event;
  lock.unlock();
  if (e) e->Set();
  return kOk;
}

int WaveOutNull::Pause() {
  std::lock_guard<std::mutex> lock(mutex);
  if (!open) return kError;
  if (paused) return kOk;
  const int64_t now = Now();
  Service(now);
  base = PositionAt(now);
  paused = true;
  Publish();
  wake.notify_all();
  return kOk;
}

int WaveOutNull::Restart() {
  std::lock_guard<std::mutex> lock(mutex);
  if (!open) return kError;
  if (!paused) return kOk;
  paused = false;
  anchor = Now();
  Publish();
  wake.notify_all();
  return kOk;
}

int WaveOutNull::GetPosition(int64_t* bytes) {
  std::lock_guard<std::mutex> lock(mutex);
  if (!open) return kError;
  // Whole sample frames, as a sound card counts them.
  *bytes = PositionAt(Now()) / blockAlign * blockAlign;
  return kOk;
}

bool WaveOutNull::PeekPosition(int64_t* bytes) { return published.Read(Now(), bytes); }

void WaveOutNull::Publish() {
  PositionLine l;
  l.open = open;
  l.epoch = epoch;
  l.at = anchor;
  l.bytes = base;
  l.rate = paused || queue.empty() ? 0 : bytesPerSecond;
  l.cap = submitted;
  l.frame = blockAlign;
  published.Publish(l);
}

String WaveOutNull::LastError() {
  std::lock_guard<std::mutex> lock(mutex);
  return lastError;
}

std::vector<String> WaveOutNull::WavFiles() {
  std::lock_guard<std::mutex> lock(mutex);
  return files;
}
