#include "common/WavWriter3.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/Raised.h"
#include "support/TempDir.h"
#include "support/WavNaglowek.h"

namespace {

TEST(WavWriter3, EmptyFileIsTheFortySixByteHeader) {
  TempDir dir;
  const std::string expected("RIFF\x26\0\0\0WAVEfmt \x12\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0\0\0data\0\0\0\0", 46);
  {
    WavWriter3 w(dir / "a.wav", AudioFormat("44100 stereo 1411 PCM"));
    // Whole before the first write as well.
    EXPECT_EQ(WavNaglowek::Czytaj(dir / "a.wav").bajty, expected);
  }
  EXPECT_EQ(WavNaglowek::Czytaj(dir / "a.wav").bajty, expected);
}

// The format record for each kind of input format: the compressed formats are written as
// the 16-bit PCM their decoder produces.
TEST(WavWriter3, FormatRecordIsSixteenBitPcm) {
  struct Przypadek {
    const char* format;
    uint16_t kanaly;
    uint32_t rate, naSekunde;
    uint16_t blok;
  };
  const Przypadek tabela[] = {
      {"44100 stereo 128 MPEG1", 2, 44100, 176400, 4},
      {"22050 mono 352 PCM", 1, 22050, 44100, 2},
      {"48000 stereo 192 MPEG1", 2, 48000, 192000, 4},
  };
  TempDir dir;
  for (const Przypadek& p : tabela) {
    SCOPED_TRACE(p.format);
    { WavWriter3 w(dir / "f.wav", AudioFormat(p.format)); }
    const WavNaglowek h = WavNaglowek::Czytaj(dir / "f.wav");
    EXPECT_EQ(h.tag, 1);
    EXPECT_EQ(h.kanaly, p.kanaly);
    EXPECT_EQ(h.rate, p.rate);
    EXPECT_EQ(h.bajtyNaSekunde, p.naSekunde);
    EXPECT_EQ(h.blok, p.blok);
    EXPECT_EQ(h.bity, 16);
    EXPECT_EQ(h.fmtSize, 18u);
    EXPECT_TRUE(h.Spojny());
  }
}

// Both sizes are right after every write, before Stop: a writer that never gets there
// (the program killed) leaves a whole file. Odd lengths are appended unchanged.
TEST(WavWriter3, SizesArePatchedAfterEveryWrite) {
  TempDir dir;
  WavWriter3 w(dir / "b.wav", AudioFormat("22050 mono 352 PCM"));
  std::string wszystko;
  for (int n : {1000, 3, 0, 16384}) {
    const std::string b(static_cast<size_t>(n), static_cast<char>('a' + n % 26));
    w.Write(b.data(), n);
    wszystko += b;
    const WavNaglowek h = WavNaglowek::Czytaj(dir / "b.wav");
    EXPECT_TRUE(h.Spojny()) << n;
    EXPECT_EQ(h.dlugosc, 46 + static_cast<int64_t>(wszystko.size()));
    EXPECT_EQ(h.Dane(), wszystko);
  }
  EXPECT_EQ(w.DataBytes(), 17387);
  EXPECT_EQ(WavNaglowek::Czytaj(dir / "b.wav").riffSize, 38u + 17387u);
  w.Stop();
  w.Stop();
  EXPECT_EQ(Raised([&] { w.Write("x", 1); }), "zatrzymany@@");
}

TEST(WavWriter3, TruncatesAnExistingFile) {
  TempDir dir;
  std::ofstream(dir / "c.wav") << std::string(5000, 'x');
  { WavWriter3 w(dir / "c.wav", AudioFormat("44100 stereo 128 MPEG1")); }
  EXPECT_EQ(std::filesystem::file_size(dir / "c.wav"), 46u);
}

TEST(WavWriter3, ExtraChunksComeBeforeTheData) {
  TempDir dir;
  WAVEFORMATEX f;
  f.nChannels = 1;
  f.nSamplesPerSec = 8000;
  {
    WavWriter3 w(dir / "d.wav", f, {{"bext", std::string(7, 'b')}, {"junk", "jj"}});
    w.Write("ab", 2);
  }
  const WavNaglowek h = WavNaglowek::Czytaj(dir / "d.wav");
  EXPECT_EQ(h.chunki, (std::vector<std::string>{"fmt ", "bext", "junk", "data"}));
  EXPECT_EQ(h.blok, 2);
  EXPECT_EQ(h.Dane(), "ab");
  EXPECT_TRUE(h.Spojny());
}

TEST(WavWriter3, Failures) {
  TempDir dir;
  EXPECT_EQ(Text(MessageOf([&] { WavWriter3 w(dir / "e.wav", AudioFormat()); })), "!valid");
  // The file exists with the RIFF header and the "fmt " chunk's header.
  EXPECT_EQ(std::filesystem::file_size(dir / "e.wav"), 20u);
  EXPECT_NE(MessageOf([&] { WavWriter3 w(dir / "missing/e.wav", AudioFormat("8000 mono 128 PCM")); }),
            "(nothing raised)");
  Plik p(dir / "f.bin");
  p.Create();
  Chunk2 c;
  EXPECT_EQ(Raised([&] { c.Update(); }), "plik==0@@");
  EXPECT_EQ(Raised([&] { c.Create(&p, "abc"); }), "id.Length()!=4@@");
  c.Create(&p, "abcd");
  EXPECT_EQ(Raised([&] { c.Create(&p, "abcd"); }), "plik!=0@@");
  c.Close();
  EXPECT_EQ(c.Position(), 4);
}

TEST(WavWriter3, RoomIsWhatTheRiffSizeStillHolds) {
  TempDir dir;
  WavWriter3 w(dir / "g.wav", AudioFormat("8000 mono 128 PCM"));
  EXPECT_EQ(w.Miejsce(), WavWriter3::kMaksDanych);
  w.Write("abcd", 4);
  EXPECT_EQ(w.Miejsce(), WavWriter3::kMaksDanych - 4);
}

}  // namespace
