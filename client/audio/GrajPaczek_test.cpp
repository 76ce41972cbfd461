#include "audio/GrajPaczek.h"

#include <gtest/gtest.h>

#include <atomic>

#include "audio/WaveOutNull.h"
#include "core/Exception.h"
#include "decoder/EncodedFixtures.h"

namespace {

constexpr int64_t kMs = 1000000;

struct Player {
  Player() {
    g.SetEvent(&event);
    g.SetDevice(std::make_unique<WaveOutNull>(String(), [this] { return now.load(); }));
  }
  int FillAll() {
    int n = 0;
    while (g.Fill()) ++n;
    return n;
  }
  std::atomic<int64_t> now{0};
  EventAutomatic event;
  GrajPaczek g;
};

// Decoding is paced by the card: filling the ten buffers decodes about one second, and
// the rest of the encoded audio waits undecoded; the durations add up to what was given.
TEST(GrajPaczek, DecodesOnlyWhatTheFreeBuffersNeed) {
  const std::string mp3 = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 4.0, 440), 44100, 2, 128);
  Player p;
  const AudioFormat f("44100 stereo 128 MPEG1");
  p.g.SetFormat(f);
  EXPECT_EQ(p.g.InFormat().GetString(), "44100 stereo 128 MPEG1");
  EXPECT_EQ(p.g.GetFormat().GetString(), "44100 stereo 1411 PCM");
  p.g.Append(mp3.data(), static_cast<int>(mp3.size()));
  EXPECT_EQ(p.FillAll(), 10);
  EXPECT_EQ(p.g.Written(), 10 * 17640);
  // Left decoded: less than one buffer plus the frames of 500 encoded bytes.
  EXPECT_LT(p.g.PcmSize(), 17640 + 2 * 4608);
  // Taken from the encoded audio: one second and at most 500 bytes and a frame more.
  const int taken = static_cast<int>(mp3.size()) - p.g.InputSize();
  EXPECT_GE(taken, 16000 - 2 * 418);
  EXPECT_LE(taken, 16000 + 500 + 2 * 418);
  const Roznica total = f.GetDuration(static_cast<int64_t>(mp3.size()));
  EXPECT_LT(std::abs((p.g.BufferedDuration() - total).Wartosc()), (Roznica::Milisekunda * 60).Wartosc());
  p.now += 250 * kMs;
  EXPECT_EQ(p.g.QueuedDuration(), p.g.BufferedDuration() - Roznica::Milisekunda * 250);
}

// A buffer goes out short when the decoded audio runs short; nothing is submitted without
// audio, while all buffers are queued, or while closed. Reset and Close empty everything.
TEST(GrajPaczek, SubmitsWhatThereIsAndEmptiesOnResetAndClose) {
  Player p;
  EXPECT_FALSE(p.g.Fill());
  EXPECT_EQ(p.g.BufferedDuration(), Roznica(3));
  p.g.SetFormat(AudioFormat("8000 mono 128 PCM"));
  EXPECT_FALSE(p.g.Fill());
  const std::string bytes(250, '\x01');
  p.g.Append(bytes.data(), 250);
  EXPECT_TRUE(p.g.Fill());
  EXPECT_EQ(p.g.Written(), 250);
  EXPECT_FALSE(p.g.Fill());
  const std::string second(30000, '\x02');
  p.g.Append(second.data(), 30000);
  EXPECT_EQ(p.FillAll(), 9);  // the ring is full
  EXPECT_EQ(p.g.BufferedDuration(), AudioFormat("8000 mono 128 PCM").GetDuration(30250));
  p.g.Reset();
  EXPECT_EQ(p.g.InputSize() + p.g.PcmSize(), 0);
  EXPECT_EQ(p.g.BufferedDuration(), Roznica(3));
  p.g.Append(second.data(), 30000);
  EXPECT_EQ(p.FillAll(), 10);
  p.g.Close();
  EXPECT_FALSE(p.g.Opened());
  EXPECT_EQ(p.g.InputSize() + p.g.PcmSize(), 0);
  EXPECT_FALSE(p.g.Fill());
  EXPECT_EQ(p.g.InFormat().GetString(), "8000 mono 128 PCM");
}

// Skipped decoded samples never reach the card and do not count as buffered, also while
// only skipped audio has come; the count is from the reset, across appends, and a reset
// forgets it.
TEST(GrajPaczek, SkipsTheFirstDecodedSamples) {
  const AudioFormat f("8000 mono 128 PCM");
  Player p;
  p.g.SetFormat(f);
  std::string bytes(400, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i / 2);
  p.g.SkipDecoded(150);  // 300 bytes
  p.g.Append(bytes.data(), 200);
  EXPECT_EQ(p.g.BufferedDuration(), f.GetDuration(200) - f.GetDuration(300) + Roznica(2));
  EXPECT_FALSE(p.g.Fill());
  EXPECT_EQ(p.g.PcmSize() + p.g.InputSize(), 0);
  p.g.Append(bytes.data() + 200, 200);
  EXPECT_TRUE(p.g.Fill());
  EXPECT_EQ(p.g.Written(), 100);
  EXPECT_EQ(static_cast<unsigned char>(p.g.BufferAt(0).lpData[0]), 150u);
  EXPECT_EQ(p.g.BufferedDuration(), f.GetDuration(100) + Roznica(2));
  p.g.Reset();
  p.g.Append(bytes.data(), 200);
  EXPECT_TRUE(p.g.Fill());
  EXPECT_EQ(p.g.Written(), 200);
}

// A format the decoder does not know leaves the output closed and InFormat() invalid, so
// that the next format sets everything up afresh.
TEST(GrajPaczek, FailedFormatLeavesItClosed) {
  Player p;
  p.g.SetFormat(AudioFormat("8000 mono 128 PCM"));
  p.g.Close();
  EXPECT_THROW(p.g.SetFormat(AudioFormat("8000 mono 128 AAC")), Exception);
  EXPECT_FALSE(p.g.Opened());
  EXPECT_FALSE(p.g.InFormat().IsValid());
  p.g.SetFormat(AudioFormat("8000 mono 128 PCM"));
  EXPECT_TRUE(p.g.Opened());

  // Rates that do not fit, as the first format a player meets, are refused the same way,
  // and the next format of that compression decodes.
  Player q;
  EXPECT_THROW(q.g.SetFormat(AudioFormat("99999999 stereo 128 PCM")), Exception);
  EXPECT_FALSE(q.g.Opened());
  q.g.SetFormat(AudioFormat("8000 mono 128 PCM"));
  const std::string bytes(250, '\x01');
  q.g.Append(bytes.data(), 250);
  EXPECT_TRUE(q.g.Fill());
  EXPECT_EQ(q.g.Written(), 250);
}

}  // namespace
