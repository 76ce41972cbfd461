#pragma once
// Test fixtures of the playback engine: a player on the null output whose clock the test
// moves (recording what was heard into a WAV file), with fault switches that make the
// output fail as a sound server that is missing or went away; PCM packets whose samples
// count up, so that any recording shows which audio was heard in which order; and a reader
// of the diagnostic packets. Header-only; used by tests, never by the program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/Grajek.h"
#include "audio/WavFile.h"
#include "audio/WaveOutNull.h"
#include "common/PaczkaAudio.h"
#include "core/Czas.h"
#include "core/Exception.h"
#include "core/ThreadSafeBuffer.h"
#include "decoder/EncodedFixtures.h"
#include "support/Raised.h"
#include "support/TempDir.h"

namespace playback {

constexpr int64_t kMs = 1000000;  // nanoseconds of the device's clock
// A moment in 2023, as a server's packet would carry it.
constexpr Czas kT0(133400000000000000);
constexpr Roznica kTick(1);
// 8000 samples per second, mono, 16 bits: 16000 bytes per second both encoded and
// decoded, so that byte counts and durations convert exactly (1600 bytes per buffer).
inline const String kPcm = "8000 mono 128 PCM";

inline Roznica Ms(int64_t n) { return Roznica::Milisekunda * n; }

// The null output with switches that make it fail: refusing to open (no sound server),
// and failing position queries and resets (the server went away).
class FaultyNull : public WaveOutNull {
 public:
  FaultyNull(const String& path, std::function<int64_t()> c) : WaveOutNull(path, std::move(c)) {}

  int Open(const WAVEFORMATEX& f, int bufferBytes, EventAutomatic* e) override {
    if (failOpen) return kNoDriver;
    ++opens;
    return WaveOutNull::Open(f, bufferBytes, e);
  }
  int Write(WAVEHDR* h) override {
    ++writes;
    return WaveOutNull::Write(h);
  }
  int Reset() override {
    if (gone) return kNoDriver;
    ++resets;
    return WaveOutNull::Reset();
  }
  int GetPosition(int64_t* bytes) override {
    if (gone) return kNoDriver;
    return WaveOutNull::GetPosition(bytes);
  }
  // A server gone away publishes no position either.
  bool PeekPosition(int64_t* bytes) override { return !gone && WaveOutNull::PeekPosition(bytes); }
  String LastError() override { return failOpen || gone ? "switched off by the test" : WaveOutNull::LastError(); }

  std::atomic<bool> failOpen{false};
  std::atomic<bool> gone{false};
  std::atomic<int> opens{0};
  std::atomic<int> writes{0};
  std::atomic<int> resets{0};
};

// A PCM packet in kPcm (or `format`) of `ms` milliseconds whose samples count up from
// `first`.
inline PaczkaAudio Packet(Czas czas, int ms, int first, int numer = 2, const String& format = kPcm, int rate = 8000) {
  PaczkaAudio p;
  p.czas = czas;
  p.numeraudia = numer;
  p.format = format;
  std::vector<int16_t> samples(static_cast<size_t>(rate) * static_cast<size_t>(ms) / 1000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((first + static_cast<int>(i)) & 0x7FFF);
  const std::string bytes = fixtures::Bytes(samples);
  p.dane.SetSize(static_cast<int>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), p.dane.Data());
  return p;
}

// A packet of encoded bytes.
inline PaczkaAudio Encoded(Czas czas, const std::string& bytes, const String& format, int numer = 2) {
  PaczkaAudio p;
  p.czas = czas;
  p.numeraudia = numer;
  p.format = format;
  p.dane.SetSize(static_cast<int>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), p.dane.Data());
  return p;
}

// A player (created paused, as the player core gets it) on a FaultyNull output that
// records into a WAV file, with the debug stream connected.
struct Engine {
  Engine() {
    auto d = std::make_unique<FaultyNull>(dir / "heard.wav", [this] { return now.load(); });
    device = d.get();
    grajek = std::make_unique<Grajek>(nullptr, nullptr, std::move(d));
    grajek->GetPlayAudio()->SetDebugStream(&debug);
  }

  // Waits until the playback thread has handled everything so far.
  void Settle() { ASSERT_TRUE(grajek->GetPlayAudio()->Settle(20000)) << "the playback thread does not settle"; }
  // Moves the clock in 10 ms steps, letting the card and the thread catch up at each.
  void Advance(int ms) {
    for (int t = 0; t < ms; t += 10) {
      now += 10 * kMs;
      device->Poll();
      Settle();
    }
  }
  void Play(PaczkaAudio p) {
    grajek->Graj(p);
    Settle();
  }
  // The samples heard so far in the n-th format the output was opened in.
  std::vector<int16_t> Heard(size_t n = 0) {
    const std::vector<String> files = device->WavFiles();
    if (n >= files.size()) return {};
    const std::string bytes = fixtures::ReadFile(files[n]);
    return bytes.size() <= WavFile::kNaglowek ? std::vector<int16_t>() : fixtures::Samples(bytes.substr(WavFile::kNaglowek));
  }

  TempDir dir;
  std::atomic<int64_t> now{1000 * kMs};
  ThreadSafeBuffer debug;
  FaultyNull* device = nullptr;
  std::unique_ptr<Grajek> grajek;  // last: stopped before what it uses goes
};

// True when `s` counts up by one from its first sample (mod 2^15) without a break.
inline bool Continuous(const std::vector<int16_t>& s) {
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] != static_cast<int16_t>((s[i - 1] + 1) & 0x7FFF)) return false;
  }
  return true;
}

// The texts of the "String" packets in `b` (consumed), each with its description.
struct TextPacket {
  String text;
  String opis;
};
inline std::vector<TextPacket> ReadTextPackets(ThreadSafeBuffer& b) {
  std::string bytes(static_cast<size_t>(b.Size()), '\0');
  bytes.resize(static_cast<size_t>(b.ReadAnyNonBlocking(bytes.data(), static_cast<int>(bytes.size()))));
  auto int32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes.at(at + i))) << (8 * i);
    return static_cast<size_t>(v);
  };
  std::vector<TextPacket> out;
  size_t at = 0;
  while (at < bytes.size()) {
    EXPECT_EQ(bytes.substr(at, 6), "paczk2");
    EXPECT_EQ(int32(at + 6), 1u);
    const size_t n = int32(at + 10);
    EXPECT_EQ(bytes.substr(at + 14, n), "String");
    const size_t p = int32(at + 14 + n);
    const String text = bytes.substr(at + 18 + n, p);
    const size_t d = int32(at + 18 + n + p);
    out.push_back({text, bytes.substr(at + 22 + n + p, d)});
    at += 22 + n + p + d;
  }
  EXPECT_EQ(at, bytes.size());
  return out;
}

}  // namespace playback
