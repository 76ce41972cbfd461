#include "audio/FrameTimer.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameTimer, ShowsTheRateAndIntervalsOfTheLastWindow) {
  int64_t now = 5000;
  FrameTimer t([&] { return now; });
  EXPECT_EQ(t.Get(), "--''--");
  // Every 100 ms: the first window closes at 500 ms with five calls.
  const char* expected[] = {"0 (-1--1ms)", "0 (-1--1ms)", "0 (-1--1ms)", "0 (-1--1ms)", "10 (100-100ms)"};
  for (const char* e : expected) {
    now += 100;
    EXPECT_EQ(t.Get(), e);
  }
  // Uneven intervals: 50, 250, 150, 100 ms close the next window at 550 ms.
  for (int d : {50, 250, 150}) {
    now += d;
    EXPECT_EQ(t.Get(), "10 (100-100ms)");
  }
  now += 100;
  EXPECT_EQ(t.Get(), "7 (50-250ms)");
  // The interval that closes a window starts the next window's extremes.
  now += 600;
  EXPECT_EQ(t.Get(), "1 (100-600ms)");
}

TEST(FrameTimer, RunsOnTheSystemTick) {
  FrameTimer t;
  EXPECT_EQ(t.Get(), "--''--");
  EXPECT_EQ(t.Get(), "0 (-1--1ms)");
}

}  // namespace
