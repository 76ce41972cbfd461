#include "mpeg/Mp3Header.h"

#include <gtest/gtest.h>

#include "core/CyclicBuffer.h"

namespace {

uint32_t Header(int version, int layer, int bitrateIndex, int samplingIndex, int pad = 0, int mode = 0,
                int protection = 1) {
  return 0xFFE00000u | static_cast<uint32_t>(version) << 19 | static_cast<uint32_t>(layer) << 17 |
         static_cast<uint32_t>(protection) << 16 | static_cast<uint32_t>(bitrateIndex) << 12 |
         static_cast<uint32_t>(samplingIndex) << 10 | static_cast<uint32_t>(pad) << 9 |
         static_cast<uint32_t>(mode) << 6;
}

void Put(CyclicBuffer& b, uint32_t header, int length) {
  const unsigned char bytes[4] = {static_cast<unsigned char>(header >> 24), static_cast<unsigned char>(header >> 16),
                                  static_cast<unsigned char>(header >> 8), static_cast<unsigned char>(header)};
  b.Write(bytes, 4);
  const String rest(static_cast<size_t>(length - 4), '\x55');
  b.Write(rest.data(), length - 4);
}

TEST(Mp3Header, FieldsFromTheValue) {
  const unsigned char bytes[4] = {0xFF, 0xFB, 0x92, 0x6D};
  const Mp3Header h = Mp3Header::FromBytes(bytes);
  EXPECT_EQ(h.Value(), 0xFFFB926Du);
  EXPECT_EQ(h.Sync(), 0x7FF);
  EXPECT_EQ(h.Version(), Mp3Header::kMpeg1);
  EXPECT_EQ(h.Layer(), Mp3Header::kLayer3);
  EXPECT_EQ(h.Protection(), 1);
  EXPECT_EQ(h.BitrateIndex(), 9);
  EXPECT_EQ(h.SamplingIndex(), 0);
  EXPECT_EQ(h.Pad(), 1);
  EXPECT_EQ(h.Private(), 0);
  EXPECT_EQ(h.Mode(), 1);
  EXPECT_EQ(h.ModeExtension(), 2);
  EXPECT_EQ(h.Copy(), 1);
  EXPECT_EQ(h.Home(), 1);
  EXPECT_EQ(h.Emphasis(), 1);
  EXPECT_EQ(h.GetBitrate(), 128);
  EXPECT_EQ(h.GetSampling(), 44100);
  EXPECT_TRUE(h.IsValid());
  EXPECT_EQ(h.FrameLength(), 418);
  EXPECT_EQ(h.SamplesPerFrame(), 1152);
}

// Entries of the standards' tables and the frame lengths they give.
TEST(Mp3Header, RatesAndLengthsTable) {
  struct Case {
    int version, layer, bitrateIndex, samplingIndex, pad;
    int bitrate, sampling, length, samples;
  };
  const Case cases[] = {
      {3, 1, 9, 0, 0, 128, 44100, 417, 1152},   // MPEG-1 layer III
      {3, 1, 9, 0, 1, 128, 44100, 418, 1152},
      {3, 1, 14, 1, 0, 320, 48000, 960, 1152},
      {3, 1, 1, 2, 0, 32, 32000, 144, 1152},
      {3, 1, 5, 0, 0, 64, 44100, 208, 1152},
      {3, 2, 10, 1, 1, 192, 48000, 577, 1152},  // MPEG-1 layer II
      {3, 2, 14, 2, 0, 384, 32000, 1728, 1152},
      {3, 2, 1, 0, 0, 32, 44100, 104, 1152},
      {3, 3, 14, 2, 0, 448, 32000, 672, 384},   // MPEG-1 layer I
      {3, 3, 1, 2, 1, 32, 32000, 52, 384},
      {3, 3, 4, 0, 0, 128, 44100, 136, 384},
      {2, 1, 8, 0, 0, 64, 22050, 208, 576},     // MPEG-2 layer III
      {2, 1, 14, 1, 1, 160, 24000, 481, 576},
      {2, 1, 1, 2, 0, 8, 16000, 36, 576},
      {2, 2, 14, 1, 0, 160, 24000, 960, 1152},  // MPEG-2 layer II
      {2, 2, 8, 0, 0, 64, 22050, 417, 1152},
      {2, 3, 9, 0, 0, 144, 22050, 312, 384},    // MPEG-2 layer I
      {2, 3, 14, 1, 0, 256, 24000, 512, 384},
      {0, 1, 1, 2, 0, 8, 8000, 72, 576},        // MPEG-2.5 layer III
      {0, 1, 8, 0, 1, 64, 11025, 418, 576},
      {0, 1, 14, 1, 0, 160, 12000, 960, 576},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << "/" << c.layer << "/" << c.bitrateIndex << "/"
                                    << c.samplingIndex << "/" << c.pad);
    const Mp3Header h(Header(c.version, c.layer, c.bitrateIndex, c.samplingIndex, c.pad));
    EXPECT_TRUE(h.IsValid());
    EXPECT_EQ(h.GetBitrate(), c.bitrate);
    EXPECT_EQ(h.GetSampling(), c.sampling);
    EXPECT_EQ(h.FrameLength(), c.length);
    EXPECT_EQ(h.SamplesPerFrame(), c.samples);
  }
}

TEST(Mp3Header, InvalidHeaders) {
  const uint32_t good = Header(3, 1, 9, 0);
  ASSERT_TRUE(Mp3Header(good).IsValid());
  const uint32_t bad[] = {
      good & ~(1u << 21),        // one sync bit missing
      good & ~(1u << 31),
      Header(1, 1, 9, 0),        // reserved version
      Header(3, 0, 9, 0),        // reserved layer
      Header(3, 1, 0, 0),        // free format
      Header(3, 1, 15, 0),       // bad bit rate
      Header(3, 1, 9, 3),        // reserved sampling rate
      0u,
  };
  for (uint32_t value : bad) {
    SCOPED_TRACE(value);
    EXPECT_FALSE(Mp3Header(value).IsValid());
    EXPECT_EQ(Mp3Header(value).FrameLength(), 0);
  }
}

TEST(Mp3Header, FindNeedsTheConfirmingHeader) {
  const uint32_t h = Header(3, 1, 9, 0);  // 417 bytes
  CyclicBuffer b;
  Put(b, h, 417);
  Mp3Header found;
  EXPECT_EQ(found.Find(b), -1);
  const unsigned char next[4] = {0xFF, 0xFB, 0x90, 0x00};
  b.Write(next, 4);
  EXPECT_EQ(found.Find(b), -1);  // the confirming header needs one byte more than itself
  b.Write("x", 1);
  EXPECT_EQ(found.Find(b), 0);
  EXPECT_EQ(found.Value(), h);
  EXPECT_EQ(b.Size(), 417 + 5);  // nothing consumed
}

TEST(Mp3Header, FindSkipsUnconfirmedAndMismatchedHeaders) {
  struct Case {
    const char* name;
    uint32_t decoy;  // a valid header whose next "frame" does not confirm it
  };
  const uint32_t h = Header(3, 1, 9, 0, 0, 1);
  const Case cases[] = {
      {"other layer", Header(3, 2, 9, 0, 0, 1)},
      {"other version", Header(2, 1, 9, 0, 0, 1)},
      {"other sampling", Header(3, 1, 9, 1, 0, 1)},
      {"other mode", Header(3, 1, 9, 0, 0, 3)},
      {"other protection", Header(3, 1, 9, 0, 0, 1, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CyclicBuffer b;
    b.Write("abc", 3);
    // The decoy's frame length lands on a header of the real stream that differs from it.
    const int decoyLength = Mp3Header(c.decoy).FrameLength();
    Put(b, c.decoy, 10);  // the decoy header plus 6 bytes
    CyclicBuffer stream;
    for (int i = 0; i < 10; ++i) Put(stream, h, 417);
    // Pad so that the decoy's next header position holds a header of h.
    const int fill = decoyLength - 10;
    if (fill > 0) {
      const String pad(static_cast<size_t>(fill), '\0');
      b.Write(pad.data(), fill);
    }
    b.Write(stream.Contents().data(), stream.Size());
    Mp3Header found;
    const int expected = 3 + 10 + (fill > 0 ? fill : 0);
    EXPECT_EQ(found.Find(b), expected);
    EXPECT_EQ(found.Value(), h);
  }
}

TEST(Mp3Header, NoHeaderInNoise) {
  CyclicBuffer b;
  String zeros(20000, '\0');
  b.Write(zeros.data(), static_cast<int>(zeros.size()));
  Mp3Header found;
  EXPECT_EQ(found.Find(b), -1);
}

}  // namespace
