#pragma once
// How often the display is refreshed: called once per refresh, it returns the refreshes
// per second and the shortest and longest interval between them, measured over windows
// of at least 500 ms, as "<rate> (<min>-<max>ms)". One thread (the GUI thread).
#include <cstdint>
#include <functional>

#include "core/String.h"

class FrameTimer {
 public:
  // Measures with the system's monotonic tick count in milliseconds.
  FrameTimer();
  // Measures with `tick` (milliseconds, never decreasing); for tests.
  explicit FrameTimer(std::function<int64_t()> tick);

  // Counts one refresh. The first call returns "--''--"; later ones the figures of the
  // last finished window (0 and -1 until the first window has finished).
  String Get();

 private:
  std::function<int64_t()> tick;
  bool first = true;
  int64_t last = 0;         // tick of the previous call
  int64_t windowStart = 0;  // tick at which the current window began
  int rate = 0;             // calls per second in the last finished window
  int calls = 0;            // calls in the current window
  int64_t shownMin = -1;    // shortest and longest interval of the last finished window
  int64_t shownMax = -1;
  int64_t curMin = 10000000;  // shortest and longest interval of the current window
  int64_t curMax = 0;
};
