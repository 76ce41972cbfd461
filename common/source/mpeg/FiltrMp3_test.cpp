#include "mpeg/FiltrMp3.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/CyclicBuffer.h"
#include "core/Exception.h"
#include "mpeg/Mp3Header.h"
#include "support/LogCapture.h"

namespace {

// A stream of synthetic MPEG-1 layer III frames at 44100 Hz / 128 kbit/s, padded as a
// real encoder pads them, each frame's body filled with its index so that frames can be
// told apart.
String Frames(int count, std::vector<int>* lengths = nullptr) {
  String s;
  for (int i = 0; i < count; ++i) {
    const int pad = i % 3 == 1 ? 1 : 0;
    const uint32_t h = 0xFFFB9040u | static_cast<uint32_t>(pad) << 9;
    const int length = Mp3Header(h).FrameLength();
    s += static_cast<char>(h >> 24);
    s += static_cast<char>(h >> 16);
    s += static_cast<char>(h >> 8);
    s += static_cast<char>(h);
    s += String(static_cast<size_t>(length - 4), static_cast<char>(i));
    if (lengths) lengths->push_back(length);
  }
  return s;
}

// Everything the filter releases now, frame by frame.
std::vector<String> Drain(FiltrMp3& f) {
  std::vector<String> out;
  char block[16384];
  for (;;) {
    const int n = f.ReadAnyNonBlocking(block, sizeof block);
    if (n == 0) break;
    out.emplace_back(block, static_cast<size_t>(n));
  }
  return out;
}

TEST(FiltrMp3, ReleasesConfirmedFramesOneAtATime) {
  std::vector<int> lengths;
  const String stream = Frames(6, &lengths);
  FiltrMp3 f;
  f.Write(stream.data(), static_cast<int>(stream.size()));
  const std::vector<String> frames = Drain(f);
  ASSERT_EQ(frames.size(), 5u);  // the last frame waits for the header after it
  size_t at = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i], stream.substr(at, static_cast<size_t>(lengths[i])));
    at += static_cast<size_t>(lengths[i]);
  }
  EXPECT_EQ(f.Size(), lengths[5]);
  const String more = Frames(1);
  f.Write(more.data(), 5);
  ASSERT_EQ(Drain(f).size(), 1u);
  f.Reset();
  EXPECT_EQ(f.Size(), 0);
}

TEST(FiltrMp3, PiecesGiveTheSameFramesAsTheWhole) {
  const String stream = Frames(40);
  FiltrMp3 whole;
  whole.Write(stream.data(), static_cast<int>(stream.size()));
  const std::vector<String> expected = Drain(whole);

  const int pieceSizes[] = {1, 3, 4, 5, 100, 417, 418, 1000};
  for (int piece : pieceSizes) {
    SCOPED_TRACE(piece);
    FiltrMp3 f;
    std::vector<String> got;
    for (size_t at = 0; at < stream.size(); at += static_cast<size_t>(piece)) {
      const size_t n = std::min(static_cast<size_t>(piece), stream.size() - at);
      f.Write(stream.data() + at, static_cast<int>(n));
      for (String& s : Drain(f)) got.push_back(std::move(s));
    }
    EXPECT_EQ(got, expected);
  }
}

TEST(FiltrMp3, MidFrameStartIsSkippedWithALogLine) {
  LogCapture log;
  std::vector<int> lengths;
  const String stream = Frames(5, &lengths);
  FiltrMp3 f;
  // Start 100 bytes before the end of the first frame.
  const int start = lengths[0] - 100;
  f.Write(stream.data() + start, static_cast<int>(stream.size()) - start);
  const std::vector<String> frames = Drain(f);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], stream.substr(static_cast<size_t>(lengths[0]), static_cast<size_t>(lengths[1])));
  const String text = log.Text();
  EXPECT_NE(text.find("warning\t"), String::npos);
  EXPECT_NE(text.find("skipping 100 bytes"), String::npos) << text;
}

TEST(FiltrMp3, GarbageBetweenFramesIsSkipped) {
  LogCapture log;
  const String a = Frames(3);
  // A lone valid-looking header in the garbage, not confirmed one frame length later.
  const String garbage = String(20, 'g') + String("\xFF\xFB\x90\x40", 4) + String(50, 'g');
  const String stream = a + garbage + a;
  FiltrMp3 f;
  f.Write(stream.data(), static_cast<int>(stream.size()));
  const std::vector<String> frames = Drain(f);
  // The third frame of the first run is followed by garbage: it is not confirmed and is
  // dropped with the garbage; the second run gives two frames.
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[2], a.substr(0, frames[2].size()));
  EXPECT_NE(log.Text().find("skipping "), String::npos);
}

TEST(FiltrMp3, FlushesOnlyPastTenThousandBytes) {
  LogCapture log;
  const String zeros(10001, '\0');
  FiltrMp3 f;
  f.Write(zeros.data(), 10000);
  char block[16384];
  EXPECT_EQ(f.ReadAnyNonBlocking(block, sizeof block), 0);
  EXPECT_EQ(f.Size(), 10000);
  EXPECT_EQ(log.Text().find("no frames found"), String::npos);
  f.Write(zeros.data(), 1);
  EXPECT_EQ(f.ReadAnyNonBlocking(block, sizeof block), 0);
  EXPECT_EQ(f.Size(), 0);
  EXPECT_NE(log.Text().find("no frames found, flushing"), String::npos);
  // A stream after the flush decodes normally.
  const String stream = Frames(3);
  f.Write(stream.data(), static_cast<int>(stream.size()));
  EXPECT_EQ(Drain(f).size(), 2u);
}

TEST(FiltrMp3, TooSmallReadRaises) {
  const String stream = Frames(3);
  FiltrMp3 f;
  f.Write(stream.data(), static_cast<int>(stream.size()));
  char block[100];
  try {
    f.ReadAnyNonBlocking(block, sizeof block);
    FAIL() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().substr(0, e.Message().find(" in file")), "buffer too small, needed 417");
  }
  EXPECT_EQ(f.Size(), static_cast<int>(stream.size()));
}

}  // namespace
