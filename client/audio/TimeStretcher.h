#pragma once
// Changes the pace of 16-bit interleaved PCM without changing its pitch, for playing at a
// speed other than 1x. Speeds are counted in quarters (kQuarters: 2 is 0.5x, 12 is 3x), so
// that the playing time of output converts to archive time exactly.
//
// Its output is aligned with its input: output frame k carries the input around frame
// k x speed. The stretcher's own delay is taken off at the start (silence fed ahead of the
// first input, the same amount of output dropped), so the first output frame is the
// first input frame, and the archive time of what is heard is the start of the stretch
// plus the output played times the speed. What is still inside it when its input runs dry
// comes out with Drain, after which it starts afresh, so that the output stays exactly
// the input's length over the speed and input that follows continues the same clock.
//
// Threads: none of its own; one thread at a time (the playback engine's lock).
#include <cstdint>
#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

class TimeStretcher {
 public:
  // Speeds within [kMinQuarters, kMaxQuarters] quarters; 4 is 1x.
  static constexpr int kQuarters = 4;
  static constexpr int kMinQuarters = 2;
  static constexpr int kMaxQuarters = 12;

  // A stretcher for `rate` Hz and `channels` interleaved channels at `quarters`/4 times
  // the input's pace. Raises std::invalid_argument for a speed outside the range, a rate
  // below 1 or channels outside 1..8.
  TimeStretcher(int rate, int channels, int quarters);
  ~TimeStretcher();
  TimeStretcher(const TimeStretcher&) = delete;
  TimeStretcher& operator=(const TimeStretcher&) = delete;

  // Takes `frames` input frames.
  void Put(const int16_t* pcm, int frames);
  // Writes up to `frames` output frames into `pcm`; returns how many (0 while it needs
  // more input).
  int Take(int16_t* pcm, int frames);
  // Input frames taken since construction, Reset or the end of a drain.
  int64_t FramesPut() const { return put; }
  // The output frames the input taken so far is still owed: its length over the speed,
  // less what Take gave.
  int64_t Owed() const;
  // Pushes out everything owed (silence fed behind the input): Take then gives exactly
  // Owed() more frames, the last of the input, and after them the stretcher starts afresh.
  void Drain();
  // Starts afresh: everything inside is dropped and the delay is taken off again.
  void Reset();

  int Quarters() const { return quarters; }
  int Channels() const { return channels; }

 private:
  // Feeds the silence that aligns output with input; the first `toDrop` frames out are
  // dropped.
  void Prime();

  const int channels;
  const int quarters;
  std::unique_ptr<RubberBand::RubberBandStretcher> engine;
  std::vector<std::vector<float>> planes;  // de-interleaved scratch, one per channel
  std::vector<float*> pointers;
  int64_t put = 0;
  int64_t taken = 0;     // output frames given by Take since the priming
  int64_t toDrop = 0;
  int64_t limit = -1;    // while draining: the output frames owed in all; else -1
};
