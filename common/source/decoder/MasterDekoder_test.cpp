#include "decoder/MasterDekoder.h"

#include <gtest/gtest.h>

#include <random>

#include "core/CyclicBuffer.h"
#include "core/Exception.h"
#include "decoder/DekoderPCM.h"
#include "decoder/DekoderZFiltrem.h"
#include "decoder/EncodedFixtures.h"
#include "mpeg/Mp3Header.h"
#include "support/LogCapture.h"
#include "support/Raised.h"
#include "support/TempDir.h"

namespace {

// Compares byte strings without printing them: where they first differ, and their sizes.
testing::AssertionResult SameBytes(const String& got, const String& expected) {
  const size_t n = std::min(got.size(), expected.size());
  size_t i = 0;
  while (i < n && got[i] == expected[i]) ++i;
  if (i == n && got.size() == expected.size()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "sizes " << got.size() << " and " << expected.size()
                                     << ", first difference at byte " << i;
}

// One encoded stream and what the reference decoder makes of it.
struct Stream {
  String name;
  String format;  // the format text a server would send with it
  int rate = 0;
  int channels = 0;
  String bytes;
  String reference;           // mpg123 --no-gapless -s
  std::vector<int> frameAt;   // where each frame starts
  int pcmPerFrame = 0;        // PCM bytes of one decoded frame
};

Stream Make(const String& name, int rate, int channels, int kbps, bool layer2, bool infoTag = false) {
  Stream s;
  s.name = name;
  s.rate = rate;
  s.channels = channels;
  s.format = std::to_string(rate) + (channels == 1 ? " mono " : " stereo ") + std::to_string(kbps) + " MPEG1";
  const std::vector<int16_t> pcm = fixtures::Sine(rate, channels, 3.0, 440);
  s.bytes = layer2 ? fixtures::EncodeMp2(pcm, rate, channels, kbps) : fixtures::EncodeMp3(pcm, rate, channels, kbps, infoTag);
  TempDir dir;
  fixtures::WriteFile(dir / "stream.mp3", s.bytes);
  s.reference = fixtures::Mpg123ToolDecode(dir / "stream.mp3");
  // The frames, walked by their lengths from the first header.
  for (size_t at = 0; at + 4 <= s.bytes.size();) {
    const Mp3Header h = Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(s.bytes.data() + at));
    if (!h.IsValid()) break;
    s.frameAt.push_back(static_cast<int>(at));
    s.pcmPerFrame = h.SamplesPerFrame() * channels * 2;
    at += static_cast<size_t>(h.FrameLength());
  }
  return s;
}

// Streams of every kind the chain meets: MPEG-1, MPEG-2 and MPEG-2.5 layer III, MPEG-1
// and MPEG-2 layer II, mono and stereo. Made once for the whole suite.
const std::vector<Stream>& Streams() {
  static const std::vector<Stream> streams = [] {
    std::vector<Stream> v;
    v.push_back(Make("layer III 44100 stereo 128", 44100, 2, 128, false));
    v.push_back(Make("layer III 44100 stereo 128 with Info frame", 44100, 2, 128, false, true));
    v.push_back(Make("layer III 32000 mono 64", 32000, 1, 64, false));
    v.push_back(Make("layer III MPEG-2 22050 mono 32", 22050, 1, 32, false));
    v.push_back(Make("layer III MPEG-2.5 11025 mono 16", 11025, 1, 16, false));
    v.push_back(Make("layer II 48000 stereo 192", 48000, 2, 192, true));
    v.push_back(Make("layer II 44100 mono 96", 44100, 1, 96, true));
    v.push_back(Make("layer II MPEG-2 24000 stereo 64", 24000, 2, 64, true));
    return v;
  }();
  return streams;
}

class DecoderChain : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!fixtures::HaveMpg123Tool()) GTEST_SKIP() << "the mpg123 tool is not installed";
  }
  void SetUp() override {
    if (!fixtures::HaveMpg123Tool()) GTEST_SKIP() << "the mpg123 tool is not installed";
  }
};

// Writes the bytes in pieces of the given sizes (cycled), taking all PCM after each, as
// the playback engine does.
String Decode(MasterDekoder& d, const String& bytes, const std::vector<int>& pieces) {
  CyclicBuffer pcm;
  size_t at = 0;
  for (size_t k = 0; at < bytes.size(); ++k) {
    const size_t n = std::min(static_cast<size_t>(pieces[k % pieces.size()]), bytes.size() - at);
    d.Write(bytes.data() + at, static_cast<int>(n));
    d.ReadAnyNonBlocking2(pcm, 2147483647);
    at += n;
  }
  return pcm.Contents();
}

// The frame walk of each stream agrees with its encoder and with the reference decoder:
// the lengths tile the stream, and the frames give the reference's number of samples.
TEST_F(DecoderChain, HeaderLengthsTileRealStreams) {
  for (const Stream& s : Streams()) {
    SCOPED_TRACE(s.name);
    ASSERT_GT(s.frameAt.size(), 10u);
    const Mp3Header last = Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(s.bytes.data() + s.frameAt.back()));
    EXPECT_EQ(s.frameAt.back() + last.FrameLength(), static_cast<int>(s.bytes.size()));
    EXPECT_EQ(last.GetSampling(), s.rate);
    const bool info = s.name.find("Info") != String::npos;
    EXPECT_EQ(s.reference.size(), (s.frameAt.size() - (info ? 1 : 0)) * static_cast<size_t>(s.pcmPerFrame));
  }
}

// The chain's PCM is the reference's, but for the last frame, which the filter keeps
// until the header after it arrives; whole or in pieces, the same.
TEST_F(DecoderChain, DecodesAsTheReferenceWholeOrInPieces) {
  std::mt19937 random(7);
  for (const Stream& s : Streams()) {
    SCOPED_TRACE(s.name);
    const String expected = s.reference.substr(0, s.reference.size() - static_cast<size_t>(s.pcmPerFrame));
    MasterDekoder d;
    d.SetFormat(AudioFormat(s.format));
    EXPECT_TRUE(SameBytes(Decode(d, s.bytes, {static_cast<int>(s.bytes.size())}), expected));

    std::vector<int> pieces;
    for (int i = 0; i < 500; ++i) pieces.push_back(1 + static_cast<int>(random() % 1500));
    d.SetFormat(AudioFormat(s.format));  // the same word: the chain only resets
    EXPECT_TRUE(SameBytes(Decode(d, s.bytes, pieces), expected));
    d.SetFormat(AudioFormat(s.format));
    EXPECT_TRUE(SameBytes(Decode(d, s.bytes, {1, 2, 3, 500}), expected));

    // The last frame comes out once the next header (and one byte) follows it.
    const String more = s.bytes.substr(static_cast<size_t>(s.frameAt[0]), 5);
    d.Write(more.data(), static_cast<int>(more.size()));
    CyclicBuffer tail;
    d.ReadAnyNonBlocking2(tail, 2147483647);
    EXPECT_TRUE(SameBytes(tail.Contents(), s.reference.substr(expected.size())));
  }
}

// What the reference decoder makes of a stream given as bytes.
String Reference(const String& bytes) {
  TempDir dir;
  fixtures::WriteFile(dir / "stream.mp3", bytes);
  return fixtures::Mpg123ToolDecode(dir / "stream.mp3");
}

// Starting in the middle of a frame, the chain skips to the next frame with a log line
// and decodes from there exactly as the reference decodes the stream from that frame on.
TEST_F(DecoderChain, ResynchronisesAfterAMidFrameStart) {
  for (const Stream& s : Streams()) {
    SCOPED_TRACE(s.name);
    LogCapture log;
    const int cutFrame = 10;
    const int cut = s.frameAt[cutFrame] + 100;
    MasterDekoder d;
    d.SetFormat(AudioFormat(s.format));
    const String got = Decode(d, s.bytes.substr(static_cast<size_t>(cut)), {700});
    const int skipped = s.frameAt[cutFrame + 1] - cut;
    EXPECT_NE(log.Text().find("skipping " + std::to_string(skipped) + " bytes"), String::npos) << log.Text();
    const String expected = Reference(s.bytes.substr(static_cast<size_t>(s.frameAt[cutFrame + 1])));
    EXPECT_TRUE(SameBytes(got, expected.substr(0, expected.size() - static_cast<size_t>(s.pcmPerFrame))));
  }
}

// Garbage between frames costs the frame in front of it, which no header confirms, and
// nothing else: the decoder sees the stream without that frame and the garbage.
TEST_F(DecoderChain, SkipsGarbageBetweenFrames) {
  std::mt19937 random(11);
  String garbage(3000, '\0');
  for (char& c : garbage) c = static_cast<char>(random() & 0x7F);  // no sync byte in it
  for (const Stream& s : Streams()) {
    SCOPED_TRACE(s.name);
    LogCapture log;
    const int k = 20;
    const size_t frameK = static_cast<size_t>(s.frameAt[k]);
    const size_t next = static_cast<size_t>(s.frameAt[k + 1]);
    const String spoiled = s.bytes.substr(0, next) + garbage + s.bytes.substr(next);
    MasterDekoder d;
    d.SetFormat(AudioFormat(s.format));
    const String got = Decode(d, spoiled, {1000});
    EXPECT_NE(log.Text().find("skipping " + std::to_string(next - frameK + garbage.size()) + " bytes"), String::npos)
        << log.Text();
    const String expected = Reference(s.bytes.substr(0, frameK) + s.bytes.substr(next));
    EXPECT_TRUE(SameBytes(got, expected.substr(0, expected.size() - static_cast<size_t>(s.pcmPerFrame))));
  }
}

TEST(MasterDekoder, ChoosesTheDecoderByCompressionWord) {
  MasterDekoder d;
  EXPECT_EQ(d.Dekoder(), nullptr);
  EXPECT_FALSE(d.InFormat().IsValid());
  EXPECT_FALSE(d.OutFormat().IsValid());
  EXPECT_EQ(d.Info(), "MasterDekoder");
  EXPECT_EQ(d.SupportedFormats(), "all");
  d.Reset();  // nothing to reset

  d.SetFormat(AudioFormat("44100 stereo 128 MPEG1"));
  DekoderBase* mpeg = d.Dekoder();
  ASSERT_NE(dynamic_cast<DekoderZFiltrem*>(mpeg), nullptr);
  EXPECT_EQ(mpeg->Info(), "MPEG 1 Layer 2/3 Decoder");
  EXPECT_EQ(mpeg->SupportedFormats(), "");
  EXPECT_EQ(d.OutFormat().GetString(), "44100 stereo 1411 PCM");
  EXPECT_EQ(d.InFormat().GetString(), "44100 stereo 128 MPEG1");

  // The same word keeps the decoder, forgetting what it held.
  const String half = "\xFF\xFB\x90\x40 some bytes of a frame";
  d.Write(half.data(), static_cast<int>(half.size()));
  d.SetFormat(AudioFormat("48000 stereo 192 MPEG1"));
  EXPECT_EQ(d.Dekoder(), mpeg);
  EXPECT_EQ(d.InFormat().GetString(), "48000 stereo 192 MPEG1");
  EXPECT_EQ(d.OutFormat().GetString(), "48000 stereo 1536 PCM");

  d.SetFormat(AudioFormat("22050 mono 352 PCM"));
  ASSERT_NE(dynamic_cast<DekoderPCM*>(d.Dekoder()), nullptr);
  EXPECT_EQ(d.Dekoder()->Info(), "Korwendo PCM decoder");
  EXPECT_EQ(d.Dekoder()->SupportedFormats(), "PCM");
  EXPECT_EQ(d.OutFormat().GetString(), "22050 mono 352 PCM");
}

TEST(MasterDekoder, PcmPassesThroughUnchanged) {
  MasterDekoder d;
  d.SetFormat(AudioFormat("22050 mono 352 PCM"));
  String bytes;
  for (int i = 0; i < 100000; ++i) bytes += static_cast<char>(i * 31 + i / 7);
  EXPECT_TRUE(SameBytes(Decode(d, bytes, {1, 999, 4096}), bytes));
  d.Write(bytes.data(), 10);
  d.Reset();
  char c;
  EXPECT_EQ(d.ReadAnyNonBlocking(&c, 1), 0);
}

TEST(MasterDekoder, FailuresAndTheirTexts) {
  MasterDekoder d;
  char c = 0;
  EXPECT_EQ(Text(MessageOf([&] { d.Write(&c, 1); })), "brak dekodera");
  EXPECT_EQ(Text(MessageOf([&] { d.ReadAnyNonBlocking(&c, 1); })), "brak dekodera");

  // A refused format costs only itself: set again it is refused again, and the next
  // good one, even of the word the decoder had before, decodes.
  const struct {
    const char* format;
    const char* text;
  } refused[] = {
      {"44100 stereo 128 AAC", "nieznany format: AAC"},
      {"99999999 stereo 128 MPEG1", "bps>2147483647"},
      {"44100 stereo", "!valid"},
  };
  const String frame = "\xFF\xFB\x90\x40";
  for (const auto& r : refused) {
    SCOPED_TRACE(r.format);
    d.SetFormat(AudioFormat("44100 stereo 128 MPEG1"));
    for (int i = 0; i < 2; ++i) {
      const String m = MessageOf([&] { d.SetFormat(AudioFormat(r.format)); });
      EXPECT_EQ(Text(m), r.text);
      if (String(r.text).rfind("nieznany", 0) == 0) {
        EXPECT_EQ(m.find(" in file "), m.rfind(" in file "));  // the suffix once
      }
      EXPECT_EQ(d.Dekoder(), nullptr);
      EXPECT_EQ(Text(MessageOf([&] { d.Write(&c, 1); })), "brak dekodera");
    }
    d.SetFormat(AudioFormat("44100 stereo 128 MPEG1"));
    ASSERT_NE(dynamic_cast<DekoderZFiltrem*>(d.Dekoder()), nullptr);
    EXPECT_EQ(MessageOf([&] { d.Write(frame.data(), static_cast<int>(frame.size())); }), "(nothing raised)");
  }
}

}  // namespace
