// The audio format text as it comes from a peer (inside every audio packet). Parsing may
// fail only with the program's Exception; a valid format's text parses back to the same
// numbers, and its computations stay in range.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/AudioFormat.h"
#include "core/Exception.h"
#include "core/Roznica.h"
#include "fuzz/FuzzSupport.h"

namespace {

[[noreturn]] void Fail(const char* what, const String& text) {
  std::fprintf(stderr, "\"%s\": %s\n", text.c_str(), what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::TraceScope trace;
  const String text(reinterpret_cast<const char*>(data), size);
  AudioFormat f;
  try {
    f = AudioFormat(text);
  } catch (const Exception&) {
    return 0;
  }
  const String canonical = f.GetString();
  if (!f.IsValid()) {
    if (canonical != "invalid") Fail("an invalid format has a text", text);
    return 0;
  }
  try {
    // The text parses back to the same numbers; only trailing control bytes of the last
    // word may be trimmed on the way, after which the text is stable.
    const AudioFormat back(canonical);
    if (!back.IsValid() || back.GetSps() != f.GetSps() || back.GetChannels() != f.GetChannels() ||
        back.GetBps() != f.GetBps() || back.GetChannelText() != f.GetChannelText() ||
        AudioFormat(back.GetString()).GetString() != back.GetString()) {
      Fail("the text does not parse back", text);
    }
    if (f.GetBytesPerSecond() <= 0 || f.GetSps() <= 0) Fail("a valid format has no rate", text);
    // Durations and sizes of anything from nothing to the longest archive.
    for (const std::int64_t bytes : {std::int64_t{1}, std::int64_t{4096}, std::int64_t{1} << 40,
                                     INT64_MAX, -std::int64_t{4096}}) {
      const Roznica d = f.GetDuration(bytes);
      if ((bytes > 0 && d.Wartosc() < 0) || (bytes < 0 && d.Wartosc() > 0)) {
        Fail("a duration has the wrong sign", text);
      }
      (void)f.GetBytes(d);
    }
    AudioFormat pcm = f;
    try {
      pcm.Decompress();
    } catch (const Exception&) {
      return 0;  // a PCM rate that does not fit is refused
    }
    WAVEFORMATEX w;
    pcm.GetWaveFormat(w);
    if (w.nAvgBytesPerSec != static_cast<std::uint32_t>(pcm.GetBytesPerSecond()) ||
        w.nBlockAlign != w.nChannels * 2) {
      Fail("the wave format disagrees with the format", text);
    }
    (void)pcm.GetDuration(4096);
  } catch (const Exception& e) {
    Fail(("a valid format raises: " + e.Message()).c_str(), text);
  }
  return 0;
}
