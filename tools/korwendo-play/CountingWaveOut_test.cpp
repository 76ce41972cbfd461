#include "korwendo-play/CountingWaveOut.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "audio/WavFile.h"
#include "audio/WaveOutNull.h"
#include "support/TempDir.h"

namespace {

constexpr int64_t kMs = 1000000;  // nanoseconds

// The count must be the place in the null output's recording of the frame being heard:
// at every point where the output has written all it heard (a reset, a close), both agree,
// whatever starved, paused or reopened the output in between.
TEST(CountingWaveOut, CountsTheFramesTheNullOutputRecorded) {
  TempDir dir;
  int64_t now = 0;
  auto* null = new WaveOutNull(dir / "heard.wav", [&] { return now; });
  CountingWaveOut d{std::unique_ptr<WaveOutDevice>(null)};
  EXPECT_EQ(d.Name(), "null");
  // 1000 stereo frames a second: one frame a millisecond, 100 frames a buffer.
  WAVEFORMATEX f;
  f.wFormatTag = 1;
  f.nChannels = 2;
  f.nSamplesPerSec = 1000;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = 4000;
  std::vector<char> pamiec(400, 1);
  WAVEHDR h[3];
  for (WAVEHDR& x : h) {
    x.lpData = pamiec.data();
    x.dwBufferLength = 400;
  }
  const auto nagrane = [&] { return static_cast<int64_t>(std::filesystem::file_size(dir / "heard.wav") - WavFile::kNaglowek) / 4; };
  EventAutomatic e;
  EXPECT_EQ(d.Heard(), 0);

  ASSERT_EQ(d.Open(f, 400, &e), WaveOutDevice::kOk);
  d.Write(&h[0]);
  d.Write(&h[1]);
  now += 150 * kMs;
  null->Poll();
  EXPECT_EQ(d.Heard(), 150);
  d.Reset();
  EXPECT_EQ(nagrane(), 150);
  EXPECT_EQ(d.Heard(), 150);

  // Paused: nothing is heard.
  d.Write(&h[0]);
  now += 50 * kMs;
  d.Pause();
  now += 1000 * kMs;
  EXPECT_EQ(d.Heard(), 200);
  d.Restart();
  now += 30 * kMs;
  EXPECT_EQ(d.Heard(), 230);
  d.Close();
  EXPECT_EQ(nagrane(), 230);
  EXPECT_EQ(d.Heard(), 230);

  // Closed, then starved: only what was written is heard.
  now += 1000 * kMs;
  EXPECT_EQ(d.Heard(), 230);
  ASSERT_EQ(d.Open(f, 400, &e), WaveOutDevice::kOk);
  d.Write(&h[2]);
  now += 500 * kMs;
  null->Poll();
  EXPECT_EQ(d.Heard(), 330);
  d.Reset();
  EXPECT_EQ(nagrane(), 330);
  EXPECT_EQ(d.Heard(), 330);
}

}  // namespace
