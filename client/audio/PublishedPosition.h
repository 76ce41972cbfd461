#pragma once
// A sound device's playing position, published for readers that must not wait for the
// device or its server (the user interface's clock reads it every few milliseconds): a
// line through the position at one moment, rising at the byte rate while the device plays,
// up to the bytes written. The device publishes a new line whenever the position changes
// course (start, pause, reset, a fresh reading of the server's clock). Readers never go
// back within one reset: a line a little behind the one before it (a server's clock read
// anew) holds the position still until it catches up, as the device's own readings do.
//
// Threads: Publish is called by one thread at a time (under the device's own lock); Read
// by any thread, without a lock.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "audio/Snapshot.h"

struct PositionLine {
  bool open = false;     // false: closed or failed, there is no position to read
  uint16_t epoch = 0;    // one more at every reset and opening: positions start again
  int64_t at = 0;        // the device's clock (nanoseconds) at which the position was `bytes`
  int64_t bytes = 0;     // bytes heard since opening or the last reset, at `at` (any count:
                         // the reader rounds down to whole frames)
  int64_t rate = 0;      // bytes per second it rises by; 0 while it stands still
  int64_t cap = 0;       // the bytes written: nothing beyond them can be heard
  int64_t frame = 1;     // bytes of a sample frame: the position counts whole frames
};

class PublishedPosition {
 public:
  void Publish(const PositionLine& l) { line.Publish(l); }
  // The line published last.
  PositionLine Line() const { return line.Read(); }

  // The position at `now` (the device's clock, nanoseconds); false when the device is
  // closed or failed.
  bool Read(int64_t now, int64_t* bytes) {
    const PositionLine l = line.Read();
    if (!l.open) return false;
    int64_t b = l.bytes;
    if (l.rate > 0 && now > l.at) {
      const int64_t elapsed = now - l.at;
      b = std::min(l.cap, l.bytes + elapsed / kNano * l.rate + elapsed % kNano * l.rate / kNano);
    }
    b = b / l.frame * l.frame;
    // The highest position handed out within this epoch stands until the line passes it.
    uint64_t seen = highest.load(std::memory_order_relaxed);
    for (;;) {
      const auto seenEpoch = static_cast<uint16_t>(seen >> 48);
      const auto seenBytes = static_cast<int64_t>(seen & kBytesMask);
      if (seenEpoch == l.epoch && seenBytes >= b) {
        b = seenBytes;
        break;
      }
      // A reader that already saw a later epoch: this line is stale, not to be recorded.
      if (seenEpoch != l.epoch && static_cast<int16_t>(static_cast<uint16_t>(l.epoch - seenEpoch)) < 0) break;
      const uint64_t mine = (uint64_t{l.epoch} << 48) | (static_cast<uint64_t>(b) & kBytesMask);
      if (highest.compare_exchange_weak(seen, mine, std::memory_order_relaxed)) break;
    }
    *bytes = b;
    return true;
  }

 private:
  static constexpr int64_t kNano = 1000000000;
  // 48 bits of bytes: years of audio at any rate the devices take.
  static constexpr uint64_t kBytesMask = (uint64_t{1} << 48) - 1;

  Snapshot<PositionLine> line;
  // The epoch (top 16 bits) and the highest position read in it.
  std::atomic<uint64_t> highest{0};
};
