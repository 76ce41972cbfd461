#pragma once
// The null sound output: plays nothing, but "hears" the queued buffers at the pace of a
// clock, with the semantics of the sound server's output (done flags and the event after
// each buffer, position in bytes, pause, reset). Optionally records what it heard into a
// WAV file, so that tests and headless runs can check what would have sounded.
//
// Threads: the owner's thread calls the WaveOutDevice operations (one at a time); with the
// monotonic clock, a pacing thread of the device marks buffers done and signals the event.
// Both hold `mutex` for every access to the queue and the timeline, and publish the
// timeline for PeekPosition, which any thread may call without it.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/PublishedPosition.h"
#include "audio/WavFile.h"
#include "audio/WaveOutDevice.h"

class WaveOutNull : public WaveOutDevice {
 public:
  // Paced by the monotonic clock on a thread of its own. `wavPath` (when not empty): the
  // file to record into; it is made at the first Open and kept, across closes and opens
  // in the same format, until the device is destroyed. A later opening in another format
  // starts a new file whose name has "-2", "-3", ... before the extension.
  explicit WaveOutNull(String wavPath = String());
  // Paced by `clock` (nanoseconds, never decreasing), which the caller moves: there is no
  // thread, and Poll() does what the pacing thread would have done by the clock's time.
  WaveOutNull(String wavPath, std::function<int64_t()> clock);
  ~WaveOutNull() override;

  int Open(const WAVEFORMATEX& format, int bufferBytes, EventAutomatic* event) override;
  void Close() override;
  int Write(WAVEHDR* h) override;
  int Reset() override;
  int Pause() override;
  int Restart() override;
  int GetPosition(int64_t* bytes) override;
  // With a caller's clock, the thread asking must be one that may call that clock.
  bool PeekPosition(int64_t* bytes) override;
  String LastError() override;
  String Name() const override { return "null"; }

  // Marks the buffers heard by now done and signals the event (clock-driven devices).
  void Poll();
  // The files recorded so far, in order.
  std::vector<String> WavFiles();

 private:
  struct Pending {
    WAVEHDR* header;
    int64_t end;  // the position at which the buffer has been heard to its end
  };

  int64_t Now() const;
  // The position at `now`, in bytes since opening or the last reset.
  int64_t PositionAt(int64_t now) const;
  // Marks heard buffers done; returns the clock time at which the next one will be, or
  // -1 when nothing is playing.
  int64_t Service(int64_t now);
  // Records the part of the front buffer heard before `now` (at a reset or a close).
  void RecordHeardPart(int64_t now);
  void Run();
  // Publishes the timeline for PeekPosition; `mutex` is held.
  void Publish();
  void OpenFile(const WAVEFORMATEX& format);

  const String wavPath;
  const std::function<int64_t()> clock;  // empty: the monotonic clock and a thread
  std::mutex mutex;
  std::condition_variable wake;
  std::thread pacer;
  bool open = false;
  bool quit = false;
  EventAutomatic* event = nullptr;
  WAVEFORMATEX format;
  int64_t bytesPerSecond = 0;
  int blockAlign = 1;
  std::deque<Pending> queue;
  int64_t submitted = 0;  // bytes queued since opening or the last reset
  // The timeline: at clock time `anchor` the position was `base`; it grows at the byte
  // rate while playing and not paused.
  int64_t base = 0;
  int64_t anchor = 0;
  bool paused = false;
  uint16_t epoch = 0;  // counts openings and resets
  PublishedPosition published;
  std::unique_ptr<WavFile> wav;
  std::vector<String> files;
  String lastError;
};
