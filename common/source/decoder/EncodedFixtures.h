#pragma once
// Test fixtures of the audio tests: generated tones, MPEG streams encoded from them in the
// test itself (layer III with libmp3lame, layer II with libtwolame), and the reference
// decoding of a stream by the mpg123 command-line tool. Header-only; used by tests and
// benchmarks, never by the program.
#include <lame/lame.h>
#include <sys/wait.h>
#include <twolame.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fixtures {

// Interleaved 16-bit samples of a sine at `hz` on every channel (the second channel a
// fifth above, so that channels are told apart), `seconds` long.
inline std::vector<int16_t> Sine(int rate, int channels, double seconds, double hz, double amplitude = 0.5) {
  const int frames = static_cast<int>(rate * seconds);
  std::vector<int16_t> pcm(static_cast<size_t>(frames) * static_cast<size_t>(channels));
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double f = c == 0 ? hz : hz * 1.5;
      pcm[static_cast<size_t>(i) * channels + c] =
          static_cast<int16_t>(std::lrint(32767 * amplitude * std::sin(2 * M_PI * f * i / rate)));
    }
  }
  return pcm;
}

// The bytes of interleaved 16-bit samples, little-endian.
inline std::string Bytes(const std::vector<int16_t>& pcm) {
  std::string out(pcm.size() * 2, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) {
    const uint16_t v = static_cast<uint16_t>(pcm[i]);
    out[2 * i] = static_cast<char>(v & 0xFF);
    out[2 * i + 1] = static_cast<char>(v >> 8);
  }
  return out;
}

// Samples from little-endian bytes.
inline std::vector<int16_t> Samples(const std::string& bytes) {
  std::vector<int16_t> out(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

// An MPEG layer III stream (MPEG-1 at 32-48 kHz, MPEG-2 and 2.5 below) of `pcm`, at a
// constant bit rate, without the Info tag frame unless `infoTag`.
inline std::string EncodeMp3(const std::vector<int16_t>& pcm, int rate, int channels, int kbps, bool infoTag = false) {
  lame_global_flags* gf = lame_init();
  lame_set_in_samplerate(gf, rate);
  lame_set_out_samplerate(gf, rate);
  lame_set_num_channels(gf, channels);
  lame_set_brate(gf, kbps);
  lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_bWriteVbrTag(gf, infoTag ? 1 : 0);
  lame_set_quality(gf, 5);
  if (lame_init_params(gf) < 0) {
    lame_close(gf);
    throw std::runtime_error("lame_init_params failed");
  }
  const int frames = static_cast<int>(pcm.size()) / channels;
  std::vector<unsigned char> out(static_cast<size_t>(frames) * 5 / 4 + 7200 + 16384);
  std::vector<int16_t> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    left[static_cast<size_t>(i)] = pcm[static_cast<size_t>(i) * channels];
    right[static_cast<size_t>(i)] = pcm[static_cast<size_t>(i) * channels + channels - 1];
  }
  int n = lame_encode_buffer(gf, left.data(), right.data(), frames, out.data(), static_cast<int>(out.size()));
  if (n < 0) throw std::runtime_error("lame_encode_buffer failed");
  const int m = lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n);
  if (m < 0) throw std::runtime_error("lame_encode_flush failed");
  if (infoTag) {
    // The Info frame written first is filled in at the end, as a file writer would.
    std::vector<unsigned char> tag(8192);
    const size_t t = lame_get_lametag_frame(gf, tag.data(), tag.size());
    std::copy(tag.begin(), tag.begin() + static_cast<long>(t), out.begin());
  }
  lame_close(gf);
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n + m));
}

// An MPEG layer II stream (MPEG-1 at 32-48 kHz, MPEG-2 at 16-24 kHz) of `pcm`.
inline std::string EncodeMp2(const std::vector<int16_t>& pcm, int rate, int channels, int kbps) {
  twolame_options* opts = twolame_init();
  twolame_set_in_samplerate(opts, rate);
  twolame_set_out_samplerate(opts, rate);
  twolame_set_num_channels(opts, channels);
  twolame_set_mode(opts, channels == 1 ? TWOLAME_MONO : TWOLAME_STEREO);
  twolame_set_version(opts, rate >= 32000 ? TWOLAME_MPEG1 : TWOLAME_MPEG2);
  twolame_set_bitrate(opts, kbps);
  if (twolame_init_params(opts) != 0) {
    twolame_close(&opts);
    throw std::runtime_error("twolame_init_params failed");
  }
  const int frames = static_cast<int>(pcm.size()) / channels;
  std::vector<unsigned char> out(static_cast<size_t>(frames) + 65536);
  int n;
  if (channels == 2) {
    n = twolame_encode_buffer_interleaved(opts, pcm.data(), frames, out.data(), static_cast<int>(out.size()));
  } else {
    n = twolame_encode_buffer(opts, pcm.data(), pcm.data(), frames, out.data(), static_cast<int>(out.size()));
  }
  if (n < 0) throw std::runtime_error("twolame_encode_buffer failed");
  const int m = twolame_encode_flush(opts, out.data() + n, static_cast<int>(out.size()) - n);
  if (m < 0) throw std::runtime_error("twolame_encode_flush failed");
  twolame_close(&opts);
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n + m));
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// True when the mpg123 command-line tool can be run.
inline bool HaveMpg123Tool() { return std::system("mpg123 --version > /dev/null 2>&1") == 0; }

// What `mpg123 --no-gapless -s` writes for the file: 16-bit native-endian PCM.
inline std::string Mpg123ToolDecode(const std::string& path) {
  const std::string command = "mpg123 -q --no-gapless -s '" + path + "' 2>/dev/null";
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) throw std::runtime_error("cannot run mpg123");
  std::string out;
  char block[65536];
  size_t n;
  while ((n = fread(block, 1, sizeof block, p)) > 0) out.append(block, n);
  if (pclose(p) != 0) throw std::runtime_error("mpg123 failed on " + path);
  return out;
}

}  // namespace fixtures
