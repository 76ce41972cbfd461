#include "common/AudioFormat.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Parser.h"

namespace {

// The decimal value of a word, as the format text writes its numbers. The text comes
// from the network, so anything but a whole decimal number of int range is refused.
int ToInt(const String& word) {
  int value = 0;
  const char* begin = word.data();
  const char* end = begin + word.size();
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end) KG_ERROR("'" + word + "' is not a valid integer value");
  return value;
}

// a x b / c, rounded toward zero, for b >= 0 and c > 0, without forming a x b: a x b can
// leave 64 bits where the result does not. A result beyond 64 bits is held at its end.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) {
  const int64_t q = a / c;
  const int64_t r = a % c;  // |r| < c, with the sign of a, so r x b fits for the callers
  const int64_t limit = std::numeric_limits<int64_t>::max();
  if (b != 0 && (q > limit / b || q < -limit / b)) return q > 0 ? limit : -limit;
  return q * b + r * b / c;
}

}  // namespace

AudioFormat::AudioFormat() = default;

AudioFormat::AudioFormat(const String& FormatAsString) {
  KG_TRACE("AudioFormat::AudioFormat(const String& FormatAsString)");
  Parser p(FormatAsString);
  sps = ToInt(p.Getword());
  if (sps == 0) KG_ASSERTION("sps==0");
  if (sps < 0) KG_ASSERTION("sps<0");
  channelText = p.Getword();
  channels = channelText == "mono" ? 1 : 2;
  const String kilobits = p.Getword();
  if (kilobits.empty()) return;
  const int k = ToInt(kilobits);
  if (k == 0) KG_ASSERTION("bps==0");
  if (k < 0) KG_ASSERTION("bps<0");
  if (k > std::numeric_limits<int>::max() / 1000) KG_ASSERTION("bps>2147483647");
  bps = k * 1000;
  compression = p.Getword();
  bytesPerSecond = bps / 8;
  valid = true;
}

String AudioFormat::GetString() const {
  KG_TRACE("AudioFormat::GetString()");
  if (!valid) return "invalid";
  String s = std::to_string(sps) + " " + channelText;
  if (bps != 0) s += " " + std::to_string(bps / 1000) + " " + compression;
  return s;
}

Roznica AudioFormat::GetDuration(int64_t bytes) const {
  KG_TRACE("AudioFormat::GetDuration(int64_t bytes)");
  if (bytes == 0) return Roznica();
  if (!valid) KG_ASSERTION("!valid");
  return Roznica(MulDiv(bytes, Roznica::Sekunda.Wartosc(), bytesPerSecond));
}

int64_t AudioFormat::GetBytes(Roznica d) const {
  KG_TRACE("AudioFormat::GetBytes(Roznica d)");
  if (!valid) KG_ASSERTION("!valid");
  return MulDiv(d.Wartosc(), bytesPerSecond, Roznica::Sekunda.Wartosc());
}

void AudioFormat::Decompress() {
  KG_TRACE("AudioFormat::Decompress()");
  if (!valid) KG_ASSERTION("!valid");
  const int64_t bytes = int64_t{channels} * sps * 2;
  if (bytes * 8 > std::numeric_limits<int>::max()) KG_ASSERTION("bps>2147483647");
  compression = "PCM";
  bytesPerSecond = static_cast<int>(bytes);
  bps = bytesPerSecond * 8;
}

void AudioFormat::GetWaveFormat(WAVEFORMATEX& w) const {
  KG_TRACE("AudioFormat::GetWaveFormat(WAVEFORMATEX &w)");
  if (!valid) KG_ASSERTION("!valid");
  w.wFormatTag = 1;
  w.nChannels = static_cast<uint16_t>(channels);
  w.nSamplesPerSec = static_cast<uint32_t>(sps);
  w.nAvgBytesPerSec = static_cast<uint32_t>(bytesPerSecond);
  w.nBlockAlign = static_cast<uint16_t>(channels * 2);
  w.wBitsPerSample = 16;
  w.cbSize = 0;
}

ValidAudioFormat::ValidAudioFormat(const String& s) : AudioFormat(s) {
  KG_TRACE("ValidAudioFormat::ValidAudioFormat(const String& s)");
  if (!IsValid()) KG_ERROR("Invalid format \"" + s + "\".");
}

ValidAudioFormat::ValidAudioFormat(const ValidAudioFormat& f) : AudioFormat(f) {
  KG_TRACE("ValidAudioFormat::ValidAudioFormat(const ValidAudioFormat &f)");
  if (!IsValid()) KG_ASSERTION("!IsValid()");
}
