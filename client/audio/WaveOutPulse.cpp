#include "audio/WaveOutPulse.h"

#include <cmath>

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include <algorithm>
#include <cstring>

#include "core/Log.h"

namespace {

constexpr int kAnswerMilliseconds = 3000;  // the longest wait for the server
constexpr pa_usec_t kSinkLatency = 200000;  // the sink latency asked for

}  // namespace

// The threaded main loop: its own thread runs every callback with the loop's lock held.
class WaveOutPulse::Mainloop {
 public:
  Mainloop() : loop(pa_threaded_mainloop_new()) {}
  ~Mainloop() {
    Stop();
    if (loop) pa_threaded_mainloop_free(loop);
  }
  Mainloop(const Mainloop&) = delete;
  Mainloop& operator=(const Mainloop&) = delete;

  bool Valid() const { return loop != nullptr; }
  bool Start() {
    // Named before it starts: naming a running loop renames the calling thread instead.
    pa_threaded_mainloop_set_name(loop, "pulse-output");
    running = pa_threaded_mainloop_start(loop) >= 0;
    return running;
  }
  // Ends the loop's thread; no callback runs afterwards. Must not hold the lock.
  void Stop() {
    if (running) pa_threaded_mainloop_stop(loop);
    running = false;
  }
  void Lock() { pa_threaded_mainloop_lock(loop); }
  void Unlock() { pa_threaded_mainloop_unlock(loop); }
  void Wait() { pa_threaded_mainloop_wait(loop); }
  void Signal() { pa_threaded_mainloop_signal(loop, 0); }
  pa_mainloop_api* Api() { return pa_threaded_mainloop_get_api(loop); }

 private:
  pa_threaded_mainloop* loop;
  bool running = false;
};

// A connection to the sound server.
class WaveOutPulse::Context {
 public:
  Context(pa_mainloop_api* api, const char* name) : context(pa_context_new(api, name)) {}
  ~Context() {
    if (!context) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  pa_context* Get() const { return context; }

 private:
  pa_context* context;
};

// One playback stream.
class WaveOutPulse::Stream {
 public:
  Stream(pa_context* c, const char* name, const pa_sample_spec* sampleSpec, const pa_channel_map* map)
      : stream(pa_stream_new(c, name, sampleSpec, map)) {}
  ~Stream() {
    if (!stream) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
  }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  pa_stream* Get() const { return stream; }

 private:
  pa_stream* stream;
};

namespace {

// The time of the main loop's clock in the nanoseconds of the steady clock (both count the
// monotonic clock).
int64_t Nanoseconds(pa_usec_t us) { return static_cast<int64_t>(us) * 1000; }

// Releases a main loop's lock, taken by the caller, at the end of a scope.
template <class Loop>
class Unlocker {
 public:
  explicit Unlocker(Loop* loop) : loop_(loop) {}
  ~Unlocker() { loop_->Unlock(); }
  Unlocker(const Unlocker&) = delete;
  Unlocker& operator=(const Unlocker&) = delete;

 private:
  Loop* loop_;
};

}  // namespace

// Publishes the position when an operation ends, however it ends (the main loop's lock is
// still held: it is declared after the lock's release).
class WaveOutPulse::PublishOnExit {
 public:
  explicit PublishOnExit(WaveOutPulse* self) : self_(self) {}
  ~PublishOnExit() { self_->Publish(); }
  PublishOnExit(const PublishOnExit&) = delete;
  PublishOnExit& operator=(const PublishOnExit&) = delete;

 private:
  WaveOutPulse* self_;
};

WaveOutPulse::WaveOutPulse() = default;

WaveOutPulse::~WaveOutPulse() { Close(); }

int WaveOutPulse::Fail(int code, const String& text) {
  lastError = text;
  return code;
}

bool WaveOutPulse::Alive() { return stream && !failed; }

bool WaveOutPulse::WaitFor(bool (*ready)(WaveOutPulse*), int milliseconds) {
  struct Alarm {
    Mainloop* loop;
    bool rang;
  } alarm{mainloop.get(), false};
  pa_time_event* t = pa_context_rttime_new(
      context->Get(), pa_rtclock_now() + static_cast<pa_usec_t>(milliseconds) * 1000,
      [](pa_mainloop_api*, pa_time_event*, const timeval*, void* a) {
        static_cast<Alarm*>(a)->rang = true;
        static_cast<Alarm*>(a)->loop->Signal();
      },
      &alarm);
  while (!ready(this) && !alarm.rang) mainloop->Wait();
  if (t) mainloop->Api()->time_free(t);
  return ready(this);
}

bool WaveOutPulse::RunOperation(pa_operation* o) {
  if (o == nullptr) return false;
  struct Probe {
    static bool Finished(WaveOutPulse* self) {
      return self->pendingOperation == nullptr ||
             pa_operation_get_state(self->pendingOperation) != PA_OPERATION_RUNNING;
    }
  };
  pendingOperation = o;
  WaitFor(&Probe::Finished, kAnswerMilliseconds);
  const pa_operation_state_t state = pa_operation_get_state(o);
  if (state == PA_OPERATION_RUNNING) pa_operation_cancel(o);
  pa_operation_unref(o);
  pendingOperation = nullptr;
  return state == PA_OPERATION_DONE;
}

void WaveOutPulse::OnContextState(pa_context* c, void* p) {
  auto* self = static_cast<WaveOutPulse*>(p);
  const pa_context_state_t state = pa_context_get_state(c);
  if (!PA_CONTEXT_IS_GOOD(state) && self->opened && !self->failed) {
    self->failed = true;
    Log(2, String("pulse: the sound server connection ended: ") + pa_strerror(pa_context_errno(c)), KG_WHERE);
    self->ReleaseAll();
    self->Publish();
  }
  self->mainloop->Signal();
}

void WaveOutPulse::OnStreamState(pa_stream* s, void* p) {
  auto* self = static_cast<WaveOutPulse*>(p);
  const pa_stream_state_t state = pa_stream_get_state(s);
  if (!PA_STREAM_IS_GOOD(state) && self->opened && !self->failed) {
    self->failed = true;
    Log(2, String("pulse: the playback stream failed: ") + pa_strerror(pa_context_errno(pa_stream_get_context(s))),
        KG_WHERE);
    self->ReleaseAll();
    self->Publish();
  }
  self->mainloop->Signal();
}

void WaveOutPulse::OnUnderflow(pa_stream* s, void* p) {
  auto* self = static_cast<WaveOutPulse*>(p);
  ++self->underflows;
  if (!self->underflowing && !self->paused) {
    // The sink still plays what it holds: from here the position is counted on at the
    // real rate, since the server's figure stops short of the end.
    self->underflowPosition = self->RawPlayed();
    self->underflowing = true;
    self->underflowTime = pa_rtclock_now();
    self->Publish();
  }
  pa_operation* o = pa_stream_update_timing_info(s, &WaveOutPulse::OnTiming, self);
  if (o) pa_operation_unref(o);
}

void WaveOutPulse::OnTimer(pa_mainloop_api*, pa_time_event*, const timeval*, void* p) {
  auto* self = static_cast<WaveOutPulse*>(p);
  if (!self->Alive()) return;
  pa_operation* o = pa_stream_update_timing_info(self->stream->Get(), &WaveOutPulse::OnTiming, self);
  if (o) {
    pa_operation_unref(o);
  } else {
    self->Service();
  }
}

void WaveOutPulse::OnTiming(pa_stream*, int, void* p) {
  auto* self = static_cast<WaveOutPulse*>(p);
  self->Service();
  self->Publish();
  self->mainloop->Signal();
}

void WaveOutPulse::OnSuccess(pa_stream*, int, void* p) { static_cast<WaveOutPulse*>(p)->mainloop->Signal(); }

int WaveOutPulse::Open(const WAVEFORMATEX& f, int bufferBytes, EventAutomatic* e) {
  std::lock_guard<std::mutex> guard(api);
  if (mainloop) return Fail(kError, "already open");
  lastError.clear();
  pa_sample_spec sampleSpec;
  sampleSpec.format = PA_SAMPLE_S16LE;
  sampleSpec.rate = f.nSamplesPerSec;
  sampleSpec.channels = static_cast<uint8_t>(std::min<unsigned>(f.nChannels, 255));
  if (f.wFormatTag != 1 || f.wBitsPerSample != 16 || f.nChannels > PA_CHANNELS_MAX || !pa_sample_spec_valid(&sampleSpec)) {
    return Fail(kBadFormat, "unsupported format");
  }
  frameBytes = static_cast<int>(pa_frame_size(&sampleSpec));
  bytesPerSecond = static_cast<int64_t>(pa_bytes_per_second(&sampleSpec));
  event = e;

  mainloop = std::make_unique<Mainloop>();
  if (!mainloop->Valid()) {
    mainloop.reset();
    return Fail(kError, "cannot make a main loop");
  }
  context = std::make_unique<Context>(mainloop->Api(), "KorwendoGra");
  if (!context->Get()) {
    Teardown();
    return Fail(kError, "cannot make a context");
  }
  pa_context_set_state_callback(context->Get(), &WaveOutPulse::OnContextState, this);
  // No autospawn: without a server the open fails at once instead of starting one.
  if (pa_context_connect(context->Get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    const String why = pa_strerror(pa_context_errno(context->Get()));
    Teardown();
    return Fail(kNoDriver, "no sound server: " + why);
  }
  if (!mainloop->Start()) {
    Teardown();
    return Fail(kError, "cannot start the main loop");
  }
  mainloop->Lock();
  int result = kOk;
  String why;
  do {
    const bool answered = WaitFor(
        [](WaveOutPulse* self) {
          const pa_context_state_t s = pa_context_get_state(self->context->Get());
          return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        },
        kAnswerMilliseconds);
    if (!answered || pa_context_get_state(context->Get()) != PA_CONTEXT_READY) {
      result = kNoDriver;
      why = String("no sound server: ") + pa_strerror(answered ? pa_context_errno(context->Get()) : PA_ERR_TIMEOUT);
      break;
    }
    pa_channel_map map;
    pa_channel_map_init_extend(&map, sampleSpec.channels, PA_CHANNEL_MAP_DEFAULT);
    stream = std::make_unique<Stream>(context->Get(), "KorwendoGra", &sampleSpec, &map);
    if (!stream->Get()) {
      result = kBadFormat;
      why = String("stream: ") + pa_strerror(pa_context_errno(context->Get()));
      break;
    }
    pa_stream_set_state_callback(stream->Get(), &WaveOutPulse::OnStreamState, this);
    pa_stream_set_underflow_callback(stream->Get(), &WaveOutPulse::OnUnderflow, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kSinkLatency, &sampleSpec));
    // Playback starts with one buffer; a shorter first write is started by a trigger.
    const uint32_t one = static_cast<uint32_t>(std::max(bufferBytes, frameBytes) / frameBytes * frameBytes);
    attr.prebuf = std::min(one, attr.tlength);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                      PA_STREAM_ADJUST_LATENCY | PA_STREAM_NOT_MONOTONIC);
    // A null device: the default sink, or the one PULSE_SINK names.
    pa_cvolume volume;
    pa_cvolume_set(&volume, sampleSpec.channels, ServerVolume());
    if (pa_stream_connect_playback(stream->Get(), nullptr, &attr, flags, &volume, nullptr) < 0) {
      const int error = pa_context_errno(context->Get());
      result = error == PA_ERR_NOENTITY ? kBadDeviceId : kError;
      why = String("connect: ") + pa_strerror(error);
      break;
    }
    const bool ready = WaitFor(
        [](WaveOutPulse* self) {
          const pa_stream_state_t s = pa_stream_get_state(self->stream->Get());
          return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
        },
        kAnswerMilliseconds);
    if (!ready || pa_stream_get_state(stream->Get()) != PA_STREAM_READY) {
      const int error = ready ? pa_context_errno(context->Get()) : PA_ERR_TIMEOUT;
      switch (error) {
        case PA_ERR_NOENTITY: result = kBadDeviceId; break;
        case PA_ERR_BUSY: result = kAllocated; break;
        case PA_ERR_NOTSUPPORTED:
        case PA_ERR_INVALID: result = kBadFormat; break;
        case PA_ERR_TIMEOUT:
        case PA_ERR_CONNECTIONTERMINATED:
        case PA_ERR_CONNECTIONREFUSED: result = kNoDriver; break;
        default: result = kError; break;
      }
      why = String("stream: ") + pa_strerror(error);
      break;
    }
    // The server has no "busy" at open: a sink that stays suspended with a stream on it
    // is taken by someone else.
    if (pa_stream_is_suspended(stream->Get()) == 1) {
      result = kAllocated;
      why = "the sink is suspended";
      break;
    }
    timer = pa_context_rttime_new(context->Get(), PA_USEC_INVALID, &WaveOutPulse::OnTimer, this);
  } while (false);
  if (result != kOk) {
    mainloop->Unlock();
    Teardown();
    return Fail(result, why);
  }
  queue.clear();
  carried = 0;
  written = base = lastPosition = 0;
  paused = inReset = failed = underflowing = false;
  underflows = 0;
  opened = true;
  ++epoch;
  Publish();
  mainloop->Unlock();
  if (event) event->Set();
  return kOk;
}

uint32_t WaveOutPulse::ServerVolume() const {
  return static_cast<uint32_t>(std::lround(Volume() * PA_VOLUME_NORM));
}

void WaveOutPulse::SetVolume(double v) {
  std::lock_guard<std::mutex> guard(api);
  WaveOutDevice::SetVolume(v);
  if (!mainloop) return;
  mainloop->Lock();
  Unlocker<Mainloop> unlock(mainloop.get());
  if (!Alive() || pa_stream_get_state(stream->Get()) != PA_STREAM_READY) return;
  pa_cvolume volume;
  pa_cvolume_set(&volume, pa_stream_get_sample_spec(stream->Get())->channels, ServerVolume());
  // Not waited for: the server applies it in its own time, and a failure leaves the
  // volume that was.
  pa_operation* o =
      pa_context_set_sink_input_volume(context->Get(), pa_stream_get_index(stream->Get()), &volume, nullptr, nullptr);
  if (o != nullptr) pa_operation_unref(o);
}

void WaveOutPulse::ReleaseAll() {
  for (const Pending& p : queue) p.header->dwFlags.fetch_or(WHDR_DONE, std::memory_order_release);
  const bool any = !queue.empty();
  queue.clear();
  if (any && event) event->Set();
}

void WaveOutPulse::Teardown() {
  if (!mainloop) return;
  mainloop->Lock();
  ReleaseAll();
  opened = false;
  Publish();
  mainloop->Unlock();
  mainloop->Stop();
  if (timer) {
    mainloop->Api()->time_free(timer);
    timer = nullptr;
  }
  stream.reset();
  context.reset();
  mainloop.reset();
}

void WaveOutPulse::Close() {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return;
  Teardown();
  if (event) event->Set();
}

int64_t WaveOutPulse::RawPlayed() {
  int64_t relative = 0;
  pa_usec_t t = 0;
  if (stream && pa_stream_get_time(stream->Get(), &t) >= 0) {
    const int64_t us = static_cast<int64_t>(t);
    const int64_t heard = (us / 1000000 * bytesPerSecond + us % 1000000 * bytesPerSecond / 1000000) / frameBytes * frameBytes;
    relative = heard > base ? heard - base : 0;
  }
  if (underflowing && !paused) {
    const pa_usec_t now = pa_rtclock_now();
    const int64_t since = now > underflowTime ? static_cast<int64_t>(now - underflowTime) : 0;
    relative = std::max(relative, underflowPosition + since * bytesPerSecond / 1000000 / frameBytes * frameBytes);
  }
  // Nothing beyond what was written can have been heard.
  return std::min(relative, written);
}

int64_t WaveOutPulse::Played() {
  if (inReset) return 0;
  if (paused) return lastPosition;
  // Monotonic within one reset: the server's interpolated clock may step back a little.
  lastPosition = std::max(lastPosition, RawPlayed());
  return lastPosition;
}

void WaveOutPulse::Service() {
  if (!Alive() || inReset || pa_stream_get_state(stream->Get()) != PA_STREAM_READY) return;
  const int64_t played = Played();
  bool any = false;
  while (!queue.empty() && queue.front().end <= played) {
    queue.front().header->dwFlags.fetch_or(WHDR_DONE, std::memory_order_release);
    queue.pop_front();
    any = true;
  }
  if (any && event) event->Set();
  if (!timer) return;
  if (!queue.empty() && !paused) {
    const int64_t missing = queue.front().end - played;
    const pa_usec_t wait = static_cast<pa_usec_t>(missing * 1000000 / bytesPerSecond);
    pa_context_rttime_restart(context->Get(), timer, pa_rtclock_now() + wait + 1000);
  } else {
    pa_context_rttime_restart(context->Get(), timer, PA_USEC_INVALID);
  }
}

int WaveOutPulse::Write(WAVEHDR* h) {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return Fail(kError, "not open");
  mainloop->Lock();
  Unlocker<Mainloop> unlock(mainloop.get());
  PublishOnExit publish(this);
  if (failed) return Fail(kNoDriver, "the sound server connection ended");
  pa_stream* s = stream->Get();
  const bool restart = queue.empty() || underflowing;
  if (underflowing) {
    lastPosition = Played();
    underflowing = false;
  }
  const char* data = h->lpData;
  int n = static_cast<int>(h->dwBufferLength);
  // The server takes whole sample frames: complete a frame carried from the last write,
  // then write the whole frames, then carry what is left.
  if (carried > 0 && n > 0) {
    const int take = std::min(frameBytes - carried, n);
    std::memcpy(carry + carried, data, static_cast<size_t>(take));
    carried += take;
    data += take;
    n -= take;
    if (carried == frameBytes) {
      if (pa_stream_write(s, carry, static_cast<size_t>(frameBytes), nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        return Fail(kError, String("write: ") + pa_strerror(pa_context_errno(context->Get())));
      }
      written += frameBytes;
      carried = 0;
    }
  }
  const int whole = n / frameBytes * frameBytes;
  // Without a free callback the server's library copies the bytes before returning.
  if (whole > 0 && pa_stream_write(s, data, static_cast<size_t>(whole), nullptr, 0, PA_SEEK_RELATIVE) < 0) {
    return Fail(kError, String("write: ") + pa_strerror(pa_context_errno(context->Get())));
  }
  written += whole;
  if (n > whole) {
    std::memcpy(carry, data + whole, static_cast<size_t>(n - whole));
    carried = n - whole;
  }
  h->dwFlags.fetch_and(~WHDR_DONE, std::memory_order_acq_rel);
  queue.push_back({h, written});
  if (restart && !paused) {
    // Starts playback now, whatever the start threshold.
    pa_operation* o = pa_stream_trigger(s, nullptr, nullptr);
    if (o) pa_operation_unref(o);
  }
  Service();
  return kOk;
}

int WaveOutPulse::Reset() {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return Fail(kError, "not open");
  mainloop->Lock();
  Unlocker<Mainloop> unlock(mainloop.get());
  PublishOnExit publish(this);
  if (failed) {
    ReleaseAll();
    return Fail(kNoDriver, "the sound server connection ended");
  }
  inReset = true;
  ++epoch;
  Publish();
  if (timer) pa_context_rttime_restart(context->Get(), timer, PA_USEC_INVALID);
  bool ok = RunOperation(pa_stream_flush(stream->Get(), &WaveOutPulse::OnSuccess, this));
  ok = RunOperation(pa_stream_update_timing_info(stream->Get(), &WaveOutPulse::OnSuccess, this)) && ok;
  // The new zero: what was written up to the flush. The library's own clamp against going
  // backwards is off (not monotonic), so the position restarts from here.
  const pa_timing_info* timing = pa_stream_get_timing_info(stream->Get());
  if (timing && !timing->write_index_corrupt && timing->write_index >= 0) {
    base = timing->write_index;
  } else {
    ok = false;
  }
  for (const Pending& p : queue) p.header->dwFlags.fetch_or(WHDR_DONE, std::memory_order_release);
  queue.clear();
  written = lastPosition = 0;
  carried = 0;
  underflowing = false;
  inReset = false;
  if (event) event->Set();
  if (!ok) return Fail(failed ? kNoDriver : kError, "flush failed");
  return kOk;
}

int WaveOutPulse::Pause() {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return Fail(kError, "not open");
  mainloop->Lock();
  Unlocker<Mainloop> unlock(mainloop.get());
  PublishOnExit publish(this);
  if (failed) return Fail(kNoDriver, "the sound server connection ended");
  if (paused) return kOk;
  lastPosition = Played();
  paused = true;
  // Readers see the position stand still before the server is asked to stop.
  Publish();
  if (timer) pa_context_rttime_restart(context->Get(), timer, PA_USEC_INVALID);
  if (!RunOperation(pa_stream_cork(stream->Get(), 1, &WaveOutPulse::OnSuccess, this))) {
    return Fail(failed ? kNoDriver : kError, "cork failed");
  }
  RunOperation(pa_stream_update_timing_info(stream->Get(), &WaveOutPulse::OnSuccess, this));
  // What the sink played until it stopped.
  lastPosition = std::max(lastPosition, RawPlayed());
  if (underflowing) underflowPosition = lastPosition;
  return kOk;
}

int WaveOutPulse::Restart() {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return Fail(kError, "not open");
  mainloop->Lock();
  Unlocker<Mainloop> unlock(mainloop.get());
  PublishOnExit publish(this);
  if (failed) return Fail(kNoDriver, "the sound server connection ended");
  if (!paused) return kOk;
  if (!RunOperation(pa_stream_cork(stream->Get(), 0, &WaveOutPulse::OnSuccess, this))) {
    return Fail(failed ? kNoDriver : kError, "uncork failed");
  }
  if (!queue.empty()) {
    // Buffers written while paused may be fewer than the start threshold.
    pa_operation* o = pa_stream_trigger(stream->Get(), nullptr, nullptr);
    if (o) pa_operation_unref(o);
  }
  RunOperation(pa_stream_update_timing_info(stream->Get(), &WaveOutPulse::OnSuccess, this));
  paused = false;
  if (underflowing) {
    underflowPosition = lastPosition;
    underflowTime = pa_rtclock_now();
  }
  Service();
  return kOk;
}

int WaveOutPulse::GetPosition(int64_t* bytes) {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return Fail(kError, "not open");
  mainloop->Lock();
  Unlocker<Mainloop> unlock(mainloop.get());
  if (failed) return Fail(kNoDriver, "the sound server connection ended");
  *bytes = Played();
  return kOk;
}

bool WaveOutPulse::PeekPosition(int64_t* bytes) {
  return published.Read(Nanoseconds(pa_rtclock_now()), bytes);
}

void WaveOutPulse::Publish() {
  PositionLine l;
  l.open = opened && !failed && stream;
  l.epoch = epoch;
  l.frame = frameBytes;
  l.at = Nanoseconds(pa_rtclock_now());
  if (l.open && !inReset) {
    l.bytes = Played();
    l.cap = written;
    // The server's clock runs on while its timing says the stream plays; after an
    // underflow the position is counted on at the real rate (RawPlayed).
    const pa_timing_info* timing = pa_stream_get_timing_info(stream->Get());
    const bool playing = underflowing || (timing != nullptr && timing->playing != 0);
    l.rate = !paused && playing ? bytesPerSecond : 0;
  }
  published.Publish(l);
}

String WaveOutPulse::LastError() {
  std::lock_guard<std::mutex> guard(api);
  return lastError;
}

int WaveOutPulse::Underflows() {
  std::lock_guard<std::mutex> guard(api);
  if (!mainloop) return underflows;
  mainloop->Lock();
  const int n = underflows;
  mainloop->Unlock();
  return n;
}
