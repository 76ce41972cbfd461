#include "audio/TimeStretcher.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

using RubberBand::RubberBandStretcher;

namespace {

// Frames converted per call: bounds the scratch planes.
constexpr int kChunk = 4096;

// The finer engine: its output keeps onsets where the speed puts them (within a few
// milliseconds), as the clock needs; real-time mode, so that input may come in any amounts.
constexpr RubberBandStretcher::Options kOptions =
    RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFiner |
    RubberBandStretcher::OptionPitchHighConsistency | RubberBandStretcher::OptionChannelsTogether;

}  // namespace

TimeStretcher::TimeStretcher(int rate, int channelCount, int q) : channels(channelCount), quarters(q) {
  if (q < kMinQuarters || q > kMaxQuarters) throw std::invalid_argument("speed " + std::to_string(q) + "/4");
  if (rate < 1 || channelCount < 1 || channelCount > 8) throw std::invalid_argument("stretcher format");
  // The library's ratio is of durations: output over input. The rate it is told sizes its
  // analysis windows, nothing else (the pitch stays as it is): told half the true rate, it
  // takes windows half as long in time, and onsets stay where the speed puts them within
  // a few milliseconds at 3x at every rate. Told the true rate, onsets at 3x strayed up to
  // 14 ms at 16 kHz and 10 ms at 22.05 kHz (PlayAudioSpeed's clock test measures both).
  engine = std::make_unique<RubberBandStretcher>(static_cast<size_t>(std::max(1, rate / 2)),
                                                 static_cast<size_t>(channelCount), kOptions, double(kQuarters) / q, 1.0);
  planes.assign(static_cast<size_t>(channels), std::vector<float>(kChunk));
  for (auto& p : planes) pointers.push_back(p.data());
  Prime();
}

TimeStretcher::~TimeStretcher() = default;

void TimeStretcher::Prime() {
  put = 0;
  taken = 0;
  limit = -1;
  toDrop = static_cast<int64_t>(engine->getStartDelay());
  int pad = static_cast<int>(engine->getPreferredStartPad());
  for (auto& p : planes) std::fill(p.begin(), p.end(), 0.0f);
  while (pad > 0) {
    const int n = std::min(pad, kChunk);
    engine->process(pointers.data(), static_cast<size_t>(n), false);
    pad -= n;
  }
}

void TimeStretcher::Reset() {
  engine->reset();
  Prime();
}

void TimeStretcher::Put(const int16_t* pcm, int frames) {
  while (frames > 0) {
    const int n = std::min(frames, kChunk);
    for (int c = 0; c < channels; ++c) {
      float* out = planes[static_cast<size_t>(c)].data();
      for (int i = 0; i < n; ++i) out[i] = static_cast<float>(pcm[i * channels + c]) * (1.0f / 32768.0f);
    }
    engine->process(pointers.data(), static_cast<size_t>(n), false);
    put += n;
    pcm += static_cast<ptrdiff_t>(n) * channels;
    frames -= n;
  }
}

int64_t TimeStretcher::Owed() const { return put * kQuarters / quarters - taken; }

void TimeStretcher::Drain() {
  if (limit >= 0) return;
  limit = put * kQuarters / quarters;
  for (auto& p : planes) std::fill(p.begin(), p.end(), 0.0f);
  // The silence behind the input pushes the rest out; a few times the delay is plenty,
  // and what is still missing then is played as silence.
  const int64_t need = limit - taken + toDrop;
  int64_t fed = 0;
  const int64_t most = 4 * static_cast<int64_t>(engine->getPreferredStartPad() + engine->getStartDelay()) + 2 * kChunk;
  while (engine->available() < need && fed < most) {
    engine->process(pointers.data(), static_cast<size_t>(kChunk), false);
    fed += kChunk;
  }
}

int TimeStretcher::Take(int16_t* pcm, int frames) {
  int given = 0;
  if (limit >= 0) frames = static_cast<int>(std::min<int64_t>(frames, limit - taken));
  while (given < frames) {
    const int available = engine->available();
    if (available <= 0) {
      if (limit < 0) break;
      // Draining and the stretcher gave less than owed: the rest is silence.
      std::fill(pcm + static_cast<ptrdiff_t>(given) * channels, pcm + static_cast<ptrdiff_t>(frames) * channels, 0);
      given = frames;
      break;
    }
    int n = std::min({available, frames - given, kChunk});
    if (toDrop > 0) n = static_cast<int>(std::min<int64_t>(available, std::min<int64_t>(toDrop, kChunk)));
    n = static_cast<int>(engine->retrieve(pointers.data(), static_cast<size_t>(n)));
    if (n <= 0) break;
    if (toDrop > 0) {
      toDrop -= n;
      continue;
    }
    for (int c = 0; c < channels; ++c) {
      const float* in = planes[static_cast<size_t>(c)].data();
      for (int i = 0; i < n; ++i) {
        const long v = std::lrint(in[i] * 32768.0f);
        pcm[(given + i) * channels + c] = static_cast<int16_t>(std::clamp(v, -32768L, 32767L));
      }
    }
    given += n;
  }
  taken += given;
  if (limit >= 0 && taken >= limit) Reset();
  return given;
}
