#include "WavFile.h"

#include <gtest/gtest.h>

#include "EncodedFixtures.h"
#include "Exception.h"
#include "TempDir.h"

namespace {

TEST(WavFile, WritesACompleteHeaderAtEveryStep) {
  TempDir dir;
  AudioFormat f("44100 stereo 128 MPEG1");
  f.Decompress();
  WAVEFORMATEX w;
  f.GetWaveFormat(w);
  WavFile file(dir / "a.wav", w);
  const String expectedEmpty =
      String("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0data\0\0\0\0", 44);
  EXPECT_EQ(fixtures::ReadFile(dir / "a.wav"), expectedEmpty);
  file.Append("abcd", 4);
  file.Append("efgh", 4);
  String now = fixtures::ReadFile(dir / "a.wav");
  EXPECT_EQ(now.substr(4, 4), String("\x2C\0\0\0", 4));
  EXPECT_EQ(now.substr(40), String("\x08\0\0\0abcdefgh", 12));
  EXPECT_EQ(file.DataBytes(), 8);
  file.Close();
  file.Close();
  file.Append("ijkl", 4);  // closed: ignored
  EXPECT_EQ(fixtures::ReadFile(dir / "a.wav"), now);
}

TEST(WavFile, OddDataGetsItsPadByte) {
  TempDir dir;
  AudioFormat f("8000 mono 8 PCM");
  f.Decompress();
  WAVEFORMATEX w;
  f.GetWaveFormat(w);
  {
    WavFile file(dir / "odd.wav", w);
    file.Append("abc", 3);
  }
  const String bytes = fixtures::ReadFile(dir / "odd.wav");
  ASSERT_EQ(bytes.size(), 48u);
  EXPECT_EQ(bytes.substr(4, 4), String("\x28\0\0\0", 4));  // 36 + 3 + pad
  EXPECT_EQ(bytes.substr(40, 4), String("\x03\0\0\0", 4));
  EXPECT_EQ(bytes[47], '\0');
}

TEST(WavFile, UnwritablePathRaises) {
  WAVEFORMATEX w;
  EXPECT_THROW(WavFile("/nonexistent/dir/x.wav", w), Exception);
}

}  // namespace
