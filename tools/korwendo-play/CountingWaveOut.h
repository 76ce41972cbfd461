#pragma once
// A sound device that plays on another and counts the sample frames heard on it since it
// was made, across resets, closes and reopenings: with the null output recording into a
// WAV file, the count is the place in the recording (over all its files) of the frame
// being heard, since that output records exactly what it has played and nothing while
// it starves, pauses or is closed.
//
// Threads: the playback engine drives the device operations (under its own lock) and any
// thread may call Heard(); `mutex` guards the count and every call into the inner device.
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/WaveOutDevice.h"

class CountingWaveOut : public WaveOutDevice {
 public:
  explicit CountingWaveOut(std::unique_ptr<WaveOutDevice> inner);

  int Open(const WAVEFORMATEX& format, int bufferBytes, EventAutomatic* event) override;
  void Close() override;
  int Write(WAVEHDR* h) override;
  int Reset() override;
  int Pause() override;
  int Restart() override;
  int GetPosition(int64_t* bytes) override;
  // The inner device's, without `mutex`: it never waits.
  bool PeekPosition(int64_t* bytes) override { return inner->PeekPosition(bytes); }
  String LastError() override;
  String Name() const override { return name; }

  // The sample frames heard since construction.
  int64_t Heard();

 private:
  // The frames heard since the opening or the last reset; 0 while closed. `mutex` is held.
  int64_t HeardSinceReset();

  const std::unique_ptr<WaveOutDevice> inner;
  const String name;
  std::mutex mutex;
  bool open = false;
  int blockAlign = 1;
  int64_t before = 0;  // frames heard before the opening or the last reset
};
