#include "audio/FrameTimer.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

namespace {

int64_t SystemTick() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

FrameTimer::FrameTimer() : tick(SystemTick) {}

FrameTimer::FrameTimer(std::function<int64_t()> t) : tick(std::move(t)) {}

String FrameTimer::Get() {
  const int64_t now = tick();
  if (first) {
    first = false;
    last = windowStart = now;
    return "--''--";
  }
  const int64_t d = now - last;
  calls += 1;
  curMin = std::min(curMin, d);
  curMax = std::max(curMax, d);
  if (now >= windowStart + 500) {
    rate = static_cast<int>(calls * int64_t{1000} / (now - windowStart));
    shownMin = curMin;
    shownMax = curMax;
    curMin = curMax = d;
    windowStart = now;
    calls = 0;
  }
  last = now;
  return std::to_string(rate) + " (" + std::to_string(shownMin) + "-" + std::to_string(shownMax) + "ms)";
}
