#include "mpeg/Mp3Header.h"

#include "core/CallTrace.h"
#include "core/ConstPeekable.h"

namespace {

// Kilobits per second by [row][index]; rows: MPEG-1 layer I, II, III; MPEG-2 and 2.5
// layer I; MPEG-2 and 2.5 layers II and III.
constexpr int kBitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};

// Hertz by [version][index].
constexpr int kSampling[4][4] = {
    {11025, 12000, 8000, 0},  // MPEG-2.5
    {0, 0, 0, 0},             // reserved
    {22050, 24000, 16000, 0},  // MPEG-2
    {44100, 48000, 32000, 0},  // MPEG-1
};

int BitrateOf(int version, int layer, int index) {
  if (version == 1 || layer == 0) return 0;
  int row;
  if (version == Mp3Header::kMpeg1) {
    row = 3 - layer;  // layer I (3) -> 0, II (2) -> 1, III (1) -> 2
  } else {
    row = layer == Mp3Header::kLayer1 ? 3 : 4;
  }
  return kBitrates[row][index];
}

}  // namespace

Mp3Header Mp3Header::FromBytes(const unsigned char b[4]) {
  return Mp3Header(static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
                   static_cast<uint32_t>(b[2]) << 8 | b[3]);
}

int Mp3Header::GetBitrate() const {
  KG_TRACE("Mp3Header::GetBitrate()");
  return BitrateOf(Version(), Layer(), BitrateIndex());
}

int Mp3Header::GetSampling() const {
  KG_TRACE("Mp3Header::GetSampling()");
  return kSampling[Version()][SamplingIndex()];
}

bool Mp3Header::IsValid() const {
  KG_TRACE("Mp3Header::IsValid()");
  return Valid();
}

int Mp3Header::FrameLength() const {
  KG_TRACE("Mp3Header::FrameLength()");
  return Length();
}

int Mp3Header::SamplesPerFrame() const {
  KG_TRACE("Mp3Header::SamplesPerFrame()");
  if (!Valid()) return 0;
  if (Layer() == kLayer1) return 384;
  if (Layer() == kLayer3 && Version() != kMpeg1) return 576;
  return 1152;
}

bool Mp3Header::Valid() const {
  return (h >> 16) >= 0xFFE0 && Version() != 1 && Layer() != 0 && BitrateIndex() >= 1 && BitrateIndex() <= 14 &&
         SamplingIndex() != 3;
}

int Mp3Header::Length() const {
  if (!Valid()) return 0;
  const int bitrate = BitrateOf(Version(), Layer(), BitrateIndex());
  const int sampling = kSampling[Version()][SamplingIndex()];
  switch (Layer()) {
    case kLayer1:
      return (bitrate * 12000 / sampling + Pad()) * 4;
    case kLayer3:
      if (Version() != kMpeg1) return bitrate * 144000 / (2 * sampling) + Pad();
      [[fallthrough]];
    default:
      return bitrate * 144000 / sampling + Pad();
  }
}

int Mp3Header::Find(const ConstPeekable& p) {
  KG_TRACE("Mp3Header::Find(const ConstPeekable &p)");
  const int s = p.Size();
  unsigned char b[4];
  for (int i = 0; i + 4 < s; ++i) {
    p.PeekEx(b, i, 4);
    *this = FromBytes(b);
    if (!Valid()) continue;
    const int len = Length();
    if (i + len + 4 >= s) return -1;  // the confirming header has not arrived yet
    p.PeekEx(b, i + len, 4);
    const Mp3Header next = FromBytes(b);
    if (next.Valid() && next.Fixed() == Fixed()) return i;
  }
  return -1;
}
