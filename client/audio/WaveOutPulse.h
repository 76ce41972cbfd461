#pragma once
// The sound output on the sound server (libpulse's asynchronous API on a threaded main
// loop). Each buffer written is copied to the server at once, so the server holds the
// whole ring; the sink's own latency is kept near 200 ms so that pause and reset act
// within tens of milliseconds. A buffer is done once the position heard (the server's
// read position less the sink's latency) has passed its end: a timer armed for the
// expected end of the oldest queued buffer re-checks the position. After the stream runs
// dry the position is counted on at the real rate from the underflow, because the
// server's figure stops short of the end there.
//
// Threads: the owner's thread calls the WaveOutDevice operations, one at a time (`api`);
// the main loop's thread runs the callbacks. Everything both touch is guarded by the main
// loop's lock. Both publish the position for PeekPosition, which any thread reads without
// a lock.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "audio/PublishedPosition.h"
#include "audio/WaveOutDevice.h"

struct pa_context;
struct pa_mainloop_api;
struct pa_operation;
struct pa_stream;
struct pa_time_event;
struct timeval;

class WaveOutPulse : public WaveOutDevice {
 public:
  WaveOutPulse();
  ~WaveOutPulse() override;
  WaveOutPulse(const WaveOutPulse&) = delete;
  WaveOutPulse& operator=(const WaveOutPulse&) = delete;

  // No server (or one that does not answer within 3 s): kNoDriver; no such sink (the
  // PULSE_SINK environment variable names one): kBadDeviceId; a sink that stays
  // suspended: kAllocated; a sample format the server refuses: kBadFormat.
  int Open(const WAVEFORMATEX& format, int bufferBytes, EventAutomatic* event) override;
  void Close() override;
  int Write(WAVEHDR* h) override;
  int Reset() override;
  int Pause() override;
  int Restart() override;
  int GetPosition(int64_t* bytes) override;
  bool PeekPosition(int64_t* bytes) override;
  String LastError() override;
  String Name() const override { return "pulse"; }
  // The stream's volume on the sound server (its sink input's), set at once while open.
  void SetVolume(double v) override;

  // How often the stream ran dry since opening (for tests and diagnostics).
  int Underflows();

 private:
  class Mainloop;
  class Context;
  class Stream;
  class PublishOnExit;
  struct Pending {
    WAVEHDR* header;
    int64_t end;  // bytes written to the server when the buffer has been heard
  };

  // The following run with the main loop's lock held.
  int Fail(int code, const String& text);
  bool WaitFor(bool (*ready)(WaveOutPulse*), int milliseconds);
  bool RunOperation(pa_operation* o);
  int64_t RawPlayed();
  int64_t Played();
  void Service();
  void ReleaseAll();
  void Teardown();
  bool Alive();
  // The device's volume as the server writes one channel's volume.
  uint32_t ServerVolume() const;
  // Publishes the position's line for PeekPosition.
  void Publish();

  static void OnContextState(pa_context* c, void* self);
  static void OnStreamState(pa_stream* s, void* self);
  static void OnUnderflow(pa_stream* s, void* self);
  static void OnTimer(pa_mainloop_api* a, pa_time_event* e, const timeval* tv, void* self);
  static void OnTiming(pa_stream* s, int success, void* self);
  static void OnSuccess(pa_stream* s, int success, void* self);

  std::mutex api;
  std::unique_ptr<Mainloop> mainloop;
  std::unique_ptr<Context> context;
  std::unique_ptr<Stream> stream;
  pa_time_event* timer = nullptr;
  EventAutomatic* event = nullptr;
  int frameBytes = 4;
  int64_t bytesPerSecond = 0;
  std::deque<Pending> queue;
  // Bytes of an incomplete sample frame, kept for the next write: the server takes whole
  // frames only.
  unsigned char carry[64] = {};
  int carried = 0;
  int64_t written = 0;   // bytes given to the server since opening or the last reset
  int64_t base = 0;      // the server's write index at the last reset
  int64_t lastPosition = 0;
  bool paused = false;
  bool inReset = false;
  bool failed = false;
  bool underflowing = false;
  bool opened = false;  // Open succeeded and Close has not begun
  pa_operation* pendingOperation = nullptr;
  int64_t underflowPosition = 0;
  uint64_t underflowTime = 0;
  int underflows = 0;
  uint16_t epoch = 0;  // counts openings and resets
  PublishedPosition published;
  String lastError;
};
