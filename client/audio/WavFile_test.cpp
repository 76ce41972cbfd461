#include "audio/WavFile.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "decoder/EncodedFixtures.h"
#include "support/TempDir.h"
#include "support/WavNaglowek.h"

namespace {

TEST(WavFile, WritesACompleteHeaderAtEveryStep) {
  TempDir dir;
  AudioFormat f("44100 stereo 128 MPEG1");
  f.Decompress();
  WAVEFORMATEX w;
  f.GetWaveFormat(w);
  WavFile file(dir / "a.wav", w);
  const String expectedEmpty = String(
      "RIFF\x26\0\0\0WAVEfmt \x12\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0\0\0data\0\0\0\0", 46);
  EXPECT_EQ(fixtures::ReadFile(dir / "a.wav"), expectedEmpty);
  file.Append("abcd", 4);
  file.Append("efgh", 4);
  const WavNaglowek h = WavNaglowek::Czytaj(dir / "a.wav");
  EXPECT_TRUE(h.Spojny());
  EXPECT_EQ(h.Dane(), "abcdefgh");
  EXPECT_EQ(h.daneOd, WavFile::kNaglowek);
  EXPECT_EQ(file.DataBytes(), 8);
  const String now = fixtures::ReadFile(dir / "a.wav");
  file.Close();
  file.Close();
  file.Append("ijkl", 4);  // closed: ignored
  EXPECT_EQ(fixtures::ReadFile(dir / "a.wav"), now);
}

TEST(WavFile, UnwritablePathRaises) {
  WAVEFORMATEX w;
  EXPECT_THROW(WavFile("/nonexistent/dir/x.wav", w), Exception);
}

}  // namespace
