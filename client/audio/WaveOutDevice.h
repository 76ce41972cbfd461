#pragma once
// The sound device under WaveOutME: a queue of buffers of 16-bit PCM played in the order
// they are written, each marked done (and the owner's event signalled) once it has been
// heard to its end, a playing position, pause, resume and reset. Two backends implement
// it: the sound server (WaveOutPulse) and a null output paced by the clock (WaveOutNull).
//
// Threads: the device is driven by one thread at a time (WaveOutME's callers, under the
// playback engine's lock); its own thread marks headers done and signals the event. The
// done flag is the only field of a queued header the device writes. PeekPosition alone
// may be called by any thread, without a lock.
#include <atomic>
#include <cstdint>

#include "common/AudioFormat.h"
#include "core/EventOgolny.h"
#include "core/String.h"

// The done flag of WAVEHDR::dwFlags: the buffer is free (never queued since it was
// prepared, or played to its end, or returned by a reset).
constexpr uint32_t WHDR_DONE = 0x00000001;
// The buffer was prepared for the device.
constexpr uint32_t WHDR_PREPARED = 0x00000002;

// One buffer's record, with the fields of the wave output interface's header: its memory,
// the bytes to play, its capacity ("bytes recorded", unused for output), the user's word,
// the flags, loops, a link and a reserved word. The flags are written by the device's
// thread and read by the owner's, hence atomic.
struct WAVEHDR {
  char* lpData = nullptr;
  uint32_t dwBufferLength = 0;
  uint32_t dwBytesRecorded = 0;
  uintptr_t dwUser = 0;
  std::atomic<uint32_t> dwFlags{0};
  uint32_t dwLoops = 0;
  WAVEHDR* lpNext = nullptr;
  uintptr_t reserved = 0;
};

class WaveOutDevice {
 public:
  // Results: 0 or a multimedia result code.
  static constexpr int kOk = 0;
  static constexpr int kError = 1;             // unspecified error
  static constexpr int kBadDeviceId = 2;       // no such device
  static constexpr int kAllocated = 4;         // the device is busy
  static constexpr int kNoDriver = 6;          // no sound server
  static constexpr int kBadFormat = 32;        // format not playable

  virtual ~WaveOutDevice() = default;

  // Opens the device for 16-bit PCM of `format`, with buffers of `bufferBytes` bytes;
  // `event` is signalled when the device opens, when it closes and each time a buffer
  // has been played. Returns 0, or an error code with the device left closed. Bounded in
  // time: a sound server that does not answer fails the open within seconds.
  virtual int Open(const WAVEFORMATEX& format, int bufferBytes, EventAutomatic* event) = 0;
  // Stops playing and closes. On return the device reads no buffer memory, touches no
  // header and signals nothing more; headers still queued are marked done. Does nothing
  // when closed.
  virtual void Close() = 0;
  // Queues the first dwBufferLength bytes of h after everything queued, clearing its done
  // flag; playback starts at once if nothing was playing. The memory must stay untouched
  // until the done flag is set again. On failure h stays done and is not queued.
  virtual int Write(WAVEHDR* h) = 0;
  // Drops everything queued (all headers done at once, the event signalled) and puts the
  // position back to 0. A paused device stays paused.
  virtual int Reset() = 0;
  // Holds playback and the position; queued buffers stay queued.
  virtual int Pause() = 0;
  // Continues after Pause.
  virtual int Restart() = 0;
  // *bytes = the bytes heard since opening or the last reset.
  virtual int GetPosition(int64_t* bytes) = 0;
  // The same position, read without waiting for the device's lock or its server (for a
  // clock that is read every few milliseconds while another thread may be inside a call
  // that waits seconds for a stalled server): from the position the device published
  // last, carried on at the byte rate while it plays. Any thread may call it, at any time
  // while the device object lives. False while closed or failed, and for a device that
  // publishes nothing (the default).
  virtual bool PeekPosition(int64_t* bytes) {
    (void)bytes;
    return false;
  }
  // The volume of the sound from now on, 0 (silent) to 1 (as decoded), on the sound
  // server's own stream volume where there is one; kept across Close and Open (the next
  // Open starts at it). Called by the thread that drives the device, like the rest.
  virtual void SetVolume(double v) { volume_ = v < 0 ? 0 : v > 1 ? 1 : v; }
  double Volume() const { return volume_; }
  // What went wrong last, for the log; empty when nothing did.
  virtual String LastError() = 0;
  // "pulse" or "null".
  virtual String Name() const = 0;

 private:
  double volume_ = 1.0;
};
