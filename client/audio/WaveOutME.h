#pragma once
// Plays 16-bit PCM on the sound device through a ring of ten buffers of 100 ms each,
// handed to the device strictly in ring order; the device signals `event` whenever a
// buffer has been heard, so that the playback thread sleeps until there is room. Reports
// the device's playing position as a duration, and pauses and resumes the device.
//
// Threads: no lock of its own. It is driven by the playback thread and by other threads
// holding the playback engine's lock; the device's own thread touches only the done flags
// of queued buffers and the event.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/WaveOutDevice.h"
#include "common/AudioFormat.h"
#include "core/EventOgolny.h"
#include "core/Roznica.h"
#include "core/Writable.h"

class WaveOutME : public Writable {
 public:
  static constexpr int kBuffers = 10;

  // One output buffer: the device's header record over memory that the buffer owns.
  class Buffer : public WAVEHDR {
   public:
    // No memory yet, not done.
    Buffer();
    // Releases the memory (the device must be closed or have returned the buffer).
    ~Buffer();
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    // Gives the buffer BufferSize bytes of new memory (its capacity, kept in
    // dwBytesRecorded) and makes it free: prepared, done, nothing to play.
    void Prepare(WaveOutDevice* hwaveOut, int BufferSize);
    // The done flag is set: the buffer is free.
    bool Done() const;

   private:
    std::unique_ptr<char[]> memory;
  };

  // Closed, no buffers, no event, format invalid.
  WaveOutME();
  // Close().
  ~WaveOutME() override;
  WaveOutME(const WaveOutME&) = delete;
  WaveOutME& operator=(const WaveOutME&) = delete;

  // The volume wanted, 0 to 1 (1 at first): any thread may set it; the thread that drives
  // the output gives it to the device at Open and at the next Submit.
  void SetVolume(double v) { wantedVolume.store(v < 0 ? 0 : v > 1 ? 1 : v, std::memory_order_relaxed); }
  double Volume() const { return wantedVolume.load(std::memory_order_relaxed); }

  // The event the device signals; must be set before Open.
  void SetEvent(EventAutomatic* e);
  // The device Open uses from now on (replacing any earlier one); only while closed.
  // Without one, the first Open makes the device of the process's audio output choice
  // (AudioOutputChoice.h).
  void SetDevice(std::unique_ptr<WaveOutDevice> d);
  bool Opened() const;
  // The open device; null while closed.
  WaveOutDevice* Device() const { return hwaveOut; }

  // Opens the device for f (a PCM format) and prepares ten buffers of 100 ms, rounded
  // down to a multiple of 4 bytes. Raises "Opened()" and "event==0" (assertion form),
  // and, leaving the device closed, "Urządzenie odtwarzające dzwięk jest zajęte" (busy),
  // "Nie ma urządzenia odtwarzającego dźwięk" (no such device), or "Problem z urzadzeniem
  // wyjsciowym (<multimedia error text>)" (no sound server: " no device driver present ").
  void Open(AudioFormat f);
  // Stops and closes the device when open. Buffers are not released before the device
  // has stopped reading them.
  void Close();

  // Copies n bytes into the active buffer and submits it. Raises "n>bufferLength" and
  // "!buffers[activeBuffer].Done()" (assertion form) before copying anything.
  void Write(const void* c, int n) override;
  // The memory of the active buffer when it is free, else null (also while closed). Up to
  // BufferLength() bytes may be written there before Submit.
  char* ActiveData();
  // Plays the first n bytes of the active buffer and moves to the next in the ring.
  // Raises "!buffers[activeBuffer].Done()", "n>bufferLength", "n<0" or "!Opened()". Logs
  // "playing brak" (level 1) when the next buffer is already free again, after the first
  // submission since opening or the last reset.
  void Submit(int n);

  // Stops the device and returns every buffer, position and written count back to 0.
  // Nothing while closed. A device failure raises its multimedia error text.
  void Reset();
  // Pauses / resumes the device; nothing while closed.
  void Pause();
  void Resume();

  // The duration heard since opening or the last reset; one tick while closed.
  Roznica GetPosition();
  // The duration of the bytes submitted since opening or the last reset; one tick while
  // closed.
  Roznica GetWrittenDuration();
  // Open, and the buffer submitted last is not free yet: the device has audio to play.
  bool IsPlaying();
  AudioFormat GetFormat() const { return format; }

  int BufferLength() const { return bufferLength; }
  int ActiveBuffer() const { return activeBuffer; }
  int Breaks() const { return breaks; }
  int64_t Written() const { return written; }
  const Buffer& BufferAt(int i) const { return buffers[static_cast<size_t>(i)]; }

 private:
  // Gives the device the volume wanted when it differs from what it has.
  void ApplyVolume();

  std::atomic<double> wantedVolume{1.0};
  AudioFormat format;
  WaveOutDevice* hwaveOut = nullptr;  // the open device; null while closed
  std::array<Buffer, kBuffers> buffers;
  int activeBuffer = 0;
  int bufferLength = 0;
  int breaks = -1;
  // 64 bits: hours of continuous play pass 2^31 bytes.
  int64_t written = 0;
  EventAutomatic* event = nullptr;
  // Destroyed (closed) before the buffers, whose memory it may read.
  std::unique_ptr<WaveOutDevice> device;
};
