#include "audio/TimeStretcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

// A 1000 Hz tone keeps its pitch at every speed: counted by its rising zero
// crossings over the middle of the output (away from the start and the end),
// within 1 %; and the output, drained, lasts the input's time over the speed;
// at a rate archives are recorded at and a low one.
TEST(TimeStretcher, KeepsThePitchOfAToneAtEverySpeed) {
  for (const int kRate : {44100, 22050}) {
    SCOPED_TRACE(kRate);
    constexpr int kSeconds = 6;
    std::vector<int16_t> in(static_cast<size_t>(kRate) * kSeconds * 2);
    for (size_t i = 0; i < in.size() / 2; ++i) {
      const auto v = static_cast<int16_t>(
          std::lround(12000 * std::sin(2 * M_PI * 1000.0 *
                                       static_cast<double>(i) / kRate)));
      in[2 * i] = v;
      in[2 * i + 1] = v;
    }
    for (int q = TimeStretcher::kMinQuarters; q <= TimeStretcher::kMaxQuarters;
         ++q) {
      if (q == TimeStretcher::kQuarters)
        continue;
      SCOPED_TRACE(q);
      TimeStretcher s(kRate, 2, q);
      std::vector<int16_t> out;
      std::vector<int16_t> chunk(4410 * 2);
      for (size_t at = 0; at < in.size(); at += 4410 * 2) {
        s.Put(&in[at], 4410);
        for (int n; (n = s.Take(chunk.data(), 4410)) > 0;)
          out.insert(out.end(), chunk.begin(), chunk.begin() + n * 2);
      }
      // What it still holds comes out with the drain: the output is the input's
      // length over the speed, to the frame.
      EXPECT_GT(s.Owed(), 0);
      s.Drain();
      for (int n; (n = s.Take(chunk.data(), 4410)) > 0;)
        out.insert(out.end(), chunk.begin(), chunk.begin() + n * 2);
      EXPECT_EQ(static_cast<int64_t>(out.size() / 2),
                int64_t{kRate} * kSeconds * 4 / q);
      EXPECT_EQ(s.Owed(), 0);
      const size_t from = out.size() / 2 / 4;
      const size_t to = out.size() / 2 * 3 / 4;
      int crossings = 0;
      size_t first = 0, last = 0;
      for (size_t i = from + 1; i < to; ++i) {
        if (out[2 * (i - 1)] < 0 && out[2 * i] >= 0) {
          if (crossings == 0)
            first = i;
          last = i;
          ++crossings;
        }
      }
      ASSERT_GT(crossings, 100);
      const double hz = (crossings - 1) * static_cast<double>(kRate) /
                        static_cast<double>(last - first);
      EXPECT_NEAR(hz, 1000.0, 10.0);
    }
  }
}

TEST(TimeStretcher, RefusesSpeedsOutsideTheRange) {
  EXPECT_THROW(TimeStretcher(8000, 1, 1), std::invalid_argument);
  EXPECT_THROW(TimeStretcher(8000, 1, 13), std::invalid_argument);
  EXPECT_THROW(TimeStretcher(8000, 0, 8), std::invalid_argument);
}

} // namespace
