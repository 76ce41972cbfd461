#pragma once
// The description of an audio stream as the archive servers write it, "44100 stereo 128
// MPEG1": samples per second, the channel word, the bit rate in kilobits per second and
// the compression word. A value type; one thread at a time per object.
#include <cstdint>

#include "core/Roznica.h"
#include "core/String.h"

// The sound card's format record: the fields of the wave format record of the wave
// output interface, in its order. Only 16-bit integer PCM is ever described.
struct WAVEFORMATEX {
  uint16_t wFormatTag = 0;
  uint16_t nChannels = 0;
  uint32_t nSamplesPerSec = 0;
  uint32_t nAvgBytesPerSec = 0;
  uint16_t nBlockAlign = 0;
  uint16_t wBitsPerSample = 0;
  uint16_t cbSize = 0;
};

class AudioFormat {
 public:
  // Invalid: empty texts, zero numbers.
  AudioFormat();
  // Parses the format text; a pure function of the text, safe on any bytes. Word 1 is
  // the sample rate, word 2 the channel word ("mono" is one channel, any other two),
  // word 3 the bit rate in kilobits per second, word 4 the compression word; further
  // words are ignored. The format is valid exactly when word 3 is present. Raises "sps==0"
  // or "bps==0" (assertion form) for a zero rate, "sps<0" or "bps<0" for a negative one,
  // "bps>2147483647" for a bit rate that does not fit, and "'<word>' is not a valid
  // integer value" for word 1 or word 3 that is not a decimal integer of int range.
  explicit AudioFormat(const String& FormatAsString);

  // "invalid" when not valid; else sps, channel word, kilobits and compression, separated
  // by single spaces ("44100 stereo 128 MPEG1").
  String GetString() const;
  // The playing time of `bytes`: bytes x 1 s / bytesPerSecond, rounded toward zero. Zero
  // bytes are one tick whatever the format; otherwise an invalid format raises "!valid".
  // A result beyond the range of Roznica is held at its end.
  Roznica GetDuration(int64_t bytes) const;
  // The bytes that play for d, rounded toward zero; raises "!valid" when not valid.
  int64_t GetBytes(Roznica d) const;
  // Turns this format into the 16-bit PCM format its decoder produces: "PCM", with the
  // byte and bit rates of sps x channels x 2 bytes. Raises "!valid" when not valid, and
  // "bps>2147483647" when that rate does not fit.
  void Decompress();
  const String& GetCompression() const { return compression; }
  bool IsValid() const { return valid; }
  // Fills w for 16-bit PCM of this rate and channel count, whatever the compression (so
  // it is filled from a decompressed format). Raises "!valid" when not valid.
  void GetWaveFormat(WAVEFORMATEX& w) const;

  int GetSps() const { return sps; }
  int GetChannels() const { return channels; }
  const String& GetChannelText() const { return channelText; }
  int GetBps() const { return bps; }
  int GetBytesPerSecond() const { return bytesPerSecond; }

 private:
  int sps = 0;
  int channels = 0;
  String compression;
  String channelText;
  int bps = 0;
  int bytesPerSecond = 0;
  bool valid = false;
};

// An AudioFormat that is valid: construction raises instead of producing an invalid one.
class ValidAudioFormat : public AudioFormat {
 public:
  // Raises "Invalid format \"<s>\"." with the location suffix when s is not a valid
  // format (and the parse errors of AudioFormat for a malformed one).
  explicit ValidAudioFormat(const String& s);
  // Raises "!IsValid()" (assertion form) when the source is not valid.
  ValidAudioFormat(const ValidAudioFormat& f);
  ValidAudioFormat& operator=(const ValidAudioFormat& f) = default;
};
