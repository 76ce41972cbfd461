#pragma once
// One libmpg123 decoder handle in feed mode: encoded bytes are appended, decoded frames
// are taken one at a time as 16-bit signed native-endian interleaved PCM at the stream's
// own rate and channel count. Owns the handle; not copyable. One thread at a time.
struct mpg123_handle_struct;

class Mpg123State {
 public:
  // The results of Decode.
  static constexpr int kFrame = 0;     // one frame decoded
  static constexpr int kNeedMore = 1;  // more input needed
  static constexpr int kError = -1;    // the stream cannot be decoded in this state

  // The smallest output block Decode accepts: one frame of 1152 stereo samples.
  static constexpr int kMinimumOutput = 4608;

  // Creates the handle. Raises "mpg123: <reason>" when the library cannot.
  Mpg123State();
  ~Mpg123State();
  Mpg123State(const Mpg123State&) = delete;
  Mpg123State& operator=(const Mpg123State&) = delete;

  // Appends inSize bytes of `in` (none when `in` is null) and decodes at most one frame
  // into `out`: kFrame with *done bytes written, kNeedMore, or kError. outSize must be
  // at least kMinimumOutput.
  int Decode(const void* in, int inSize, void* out, int outSize, int* done);

  // The sampling rate and channel count of the frame decoded last (0 and 0 before the
  // first).
  void Format(long* rate, int* channels) const;

  // The library's text for the last error of this handle.
  const char* ErrorText() const;

 private:
  mpg123_handle_struct* handle;
};
