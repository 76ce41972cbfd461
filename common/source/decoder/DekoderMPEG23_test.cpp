#include "decoder/DekoderMPEG23.h"

#include <gtest/gtest.h>

#include "core/CyclicBuffer.h"
#include "decoder/EncodedFixtures.h"
#include "support/LogCapture.h"

namespace {

String TakeAll(DekoderBase& d) {
  CyclicBuffer pcm;
  d.ReadAnyNonBlocking2(pcm, 2147483647);
  return pcm.Contents();
}

// The library on its own, without the filter: every complete frame is decoded at once.
TEST(DekoderMPEG23, DecodesEveryCompleteFrame) {
  const String mp3 = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 1.0, 440), 44100, 2, 128);
  DekoderMPEG23 d;
  EXPECT_EQ(d.Info(), "MPEG 1 Layer 2/3 Decoder");
  EXPECT_EQ(d.SupportedFormats(), "");
  d.Write(mp3.data(), 0);
  EXPECT_EQ(TakeAll(d).size(), 0u);
  d.Write(mp3.data(), static_cast<int>(mp3.size()));
  const String pcm = TakeAll(d);
  EXPECT_EQ(pcm.size() % 4608, 0u);
  EXPECT_GE(pcm.size(), 44100u * 4);
}

// Data the library gives up on resets it with a warning; the stream after it decodes as
// a new one, exactly as on a fresh decoder.
TEST(DekoderMPEG23, LibraryErrorResetsAndDecodingGoesOn) {
  LogCapture log;
  const String mp3 = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 1.0, 440), 44100, 2, 128);
  DekoderMPEG23 fresh;
  fresh.Write(mp3.data(), static_cast<int>(mp3.size()));
  const String expected = TakeAll(fresh);

  DekoderMPEG23 d;
  d.Write(mp3.data(), static_cast<int>(mp3.size()));
  TakeAll(d);
  String junk(20000, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 37 + 11);
  d.Write(junk.data(), static_cast<int>(junk.size()));
  EXPECT_NE(log.Text().find("warning\t"), String::npos);
  EXPECT_NE(log.Text().find("błąd dekodera mp3"), String::npos) << log.Text();
  EXPECT_EQ(TakeAll(d).size(), 0u);
  d.Write(mp3.data(), static_cast<int>(mp3.size()));
  EXPECT_TRUE(TakeAll(d) == expected);
}

TEST(DekoderMPEG23, ResetForgetsInputAndOutput) {
  const String mp3 = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 1.0, 440), 44100, 2, 128);
  DekoderMPEG23 fresh;
  fresh.Write(mp3.data(), static_cast<int>(mp3.size()));
  const String expected = TakeAll(fresh);

  DekoderMPEG23 d;
  d.Write(mp3.data(), 5000);  // output waiting, and a partial frame inside the library
  d.Reset();
  EXPECT_EQ(TakeAll(d).size(), 0u);
  d.Write(mp3.data(), static_cast<int>(mp3.size()));
  EXPECT_TRUE(TakeAll(d) == expected);

  d.Close();
  d.Close();  // a second close does nothing
  d.Write(mp3.data(), static_cast<int>(mp3.size()));  // reopens on demand
  EXPECT_TRUE(TakeAll(d) == expected);
}

}  // namespace
