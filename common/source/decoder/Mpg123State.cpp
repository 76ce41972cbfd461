#include "decoder/Mpg123State.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>

#include "core/Exception.h"

Mpg123State::Mpg123State() {
  // Required once per process by libraries older than 1.27, harmless after.
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  int error = MPG123_OK;
  handle = mpg123_new(nullptr, &error);
  if (handle == nullptr) KG_ERROR(String("mpg123: ") + mpg123_plain_strerror(error));
  // 16-bit signed output at the stream's own rate and channels; no printing; frames are
  // delivered as the stream has them, without the gapless trimming of encoder delay
  // and padding (a stream joined from packets has no single start or end to trim).
  bool ok = mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK &&
            mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
            mpg123_format_none(handle) == MPG123_OK;
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; ok && i < count; ++i) {
    ok = mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
  }
  ok = ok && mpg123_open_feed(handle) == MPG123_OK;
  if (!ok) {
    const String reason = mpg123_strerror(handle);
    mpg123_delete(handle);
    KG_ERROR("mpg123: " + reason);
  }
}

Mpg123State::~Mpg123State() {
  mpg123_close(handle);
  mpg123_delete(handle);
}

int Mpg123State::Decode(const void* in, int inSize, void* out, int outSize, int* done) {
  *done = 0;
  if (in != nullptr && inSize > 0 &&
      mpg123_feed(handle, static_cast<const unsigned char*>(in), static_cast<size_t>(inSize)) != MPG123_OK) {
    return kError;
  }
  for (;;) {
    off_t frame = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int r = mpg123_decode_frame(handle, &frame, &audio, &bytes);
    if (r == MPG123_NEW_FORMAT) continue;  // the format is fixed to 16 bits; rate and channels follow the stream
    if (r == MPG123_NEED_MORE || r == MPG123_DONE) return kNeedMore;
    if (r != MPG123_OK) return kError;
    if (bytes == 0) continue;
    if (bytes > static_cast<size_t>(outSize)) return kError;
    std::memcpy(out, audio, bytes);
    *done = static_cast<int>(bytes);
    return kFrame;
  }
}

void Mpg123State::Format(long* rate, int* channels) const {
  int encoding = 0;
  if (mpg123_getformat(handle, rate, channels, &encoding) != MPG123_OK) {
    *rate = 0;
    *channels = 0;
  }
}

const char* Mpg123State::ErrorText() const { return mpg123_strerror(handle); }
