#pragma once
// One MPEG audio frame header (MPEG-1, MPEG-2 and MPEG-2.5, layers I-III), held as the
// 32-bit value of its four bytes read most significant first, and the search for the
// first confirmed frame in a byte stream. A value type; one thread at a time per object.
#include <cstdint>

class ConstPeekable;

class Mp3Header {
 public:
  // Version field values.
  static constexpr int kMpeg25 = 0;
  static constexpr int kMpeg2 = 2;
  static constexpr int kMpeg1 = 3;
  // Layer field values.
  static constexpr int kLayer3 = 1;
  static constexpr int kLayer2 = 2;
  static constexpr int kLayer1 = 3;

  Mp3Header() = default;
  explicit Mp3Header(uint32_t value) : h(value) {}
  // The header made of the four bytes in stream order.
  static Mp3Header FromBytes(const unsigned char b[4]);

  uint32_t Value() const { return h; }
  // The fields, by their bits in the header value.
  int Sync() const { return static_cast<int>(h >> 21); }             // 31-21
  int Version() const { return static_cast<int>(h >> 19) & 3; }      // 20-19
  int Layer() const { return static_cast<int>(h >> 17) & 3; }        // 18-17
  int Protection() const { return static_cast<int>(h >> 16) & 1; }   // 16
  int BitrateIndex() const { return static_cast<int>(h >> 12) & 15; }  // 15-12
  int SamplingIndex() const { return static_cast<int>(h >> 10) & 3; }  // 11-10
  int Pad() const { return static_cast<int>(h >> 9) & 1; }           // 9
  int Private() const { return static_cast<int>(h >> 8) & 1; }       // 8
  int Mode() const { return static_cast<int>(h >> 6) & 3; }          // 7-6
  int ModeExtension() const { return static_cast<int>(h >> 4) & 3; }  // 5-4
  int Copy() const { return static_cast<int>(h >> 3) & 1; }          // 3
  int Home() const { return static_cast<int>(h >> 2) & 1; }          // 2
  int Emphasis() const { return static_cast<int>(h) & 3; }           // 1-0

  // The bit rate in kilobits per second from the standards' tables; 0 for the free
  // format index, the bad index 15 and a reserved version or layer.
  int GetBitrate() const;
  // The sampling rate in hertz; 0 for the reserved index or version.
  int GetSampling() const;
  // Sync bits all set, version not reserved, layer not reserved, bit rate index 1-14,
  // sampling index not reserved. Free-format frames are never valid.
  bool IsValid() const;
  // The frame's length in bytes, header included (integer division rounding down):
  // layer I (bitrate x 12000 / sampling + pad) x 4; layer II, and layer III of MPEG-1,
  // bitrate x 144000 / sampling + pad; layer III of MPEG-2 and 2.5 bitrate x 144000 /
  // (2 x sampling) + pad. 0 for a header that is not valid.
  int FrameLength() const;
  // PCM sample frames per channel that the frame decodes to; 0 when not valid.
  int SamplesPerFrame() const;

  // The position of the first frame in p whose header is valid and is followed, one frame
  // length later, by a valid header of the same version, layer, sampling index, protection
  // bit, mode, copy flag and home flag; -1 when there is none yet. A valid header whose
  // confirming header has not arrived ends the search with -1. On success this object
  // holds the header found. Consumes nothing.
  int Find(const ConstPeekable& p);

 private:
  bool Valid() const;
  int Length() const;
  // The fields that stay the same from frame to frame of one stream.
  uint32_t Fixed() const { return h & 0x001F0CCC; }

  uint32_t h = 0;
};
