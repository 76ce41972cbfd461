#pragma once
// Encoders of MPEG audio for the demo recorder and for fixtures: interleaved 16-bit PCM in,
// whole frames out, each frame starting with its header. One wrapper per library handle
// (libmp3lame for layer III, libtwolame for layer II), copying deleted; one thread at a
// time per object.
#include <cstdint>
#include <memory>
#include <string>

struct lame_global_struct;
struct twolame_options_struct;

class MpegEncoder {
 public:
  virtual ~MpegEncoder() = default;
  // Encodes `ile` sample frames and appends to `ramki` every frame that became whole.
  void Koduj(const int16_t* pcm, int ile, std::string& ramki);
  // Flushes the encoder and appends the last frames. Nothing may be encoded afterwards.
  void Zakoncz(std::string& ramki);
  // Samples from an input sample to the same sample in what a decoder (libmpg123, no
  // gapless trimming) puts out: the encoder's delay and the decoder's together.
  virtual int Opoznienie() const = 0;
  // Samples per channel in one frame.
  virtual int ProbekWRamce() const = 0;
  int Kanaly() const { return kanaly; }

 protected:
  explicit MpegEncoder(int k) : kanaly(k) {}
  // The library's own encode and flush: append raw output bytes; return false on failure.
  virtual bool Enkoduj(const int16_t* pcm, int ile, std::string& bajty) = 0;
  virtual bool Oproznij(std::string& bajty) = 0;

 private:
  void Rozdziel(std::string& ramki);

  int kanaly;
  std::string bufor;  // output not yet cut into whole frames
};

// MPEG-1 layer III (MPEG-2 below 32 kHz) at a constant bit rate, without tags.
class LameEncoder : public MpegEncoder {
 public:
  // Raises "lame: błędne parametry" when the library refuses the settings.
  LameEncoder(int czestotliwosc, int kanaly, int kbps, int jakosc = 7);
  ~LameEncoder() override;
  LameEncoder(const LameEncoder&) = delete;
  LameEncoder& operator=(const LameEncoder&) = delete;
  int Opoznienie() const override;
  int ProbekWRamce() const override;

 protected:
  bool Enkoduj(const int16_t* pcm, int ile, std::string& bajty) override;
  bool Oproznij(std::string& bajty) override;

 private:
  lame_global_struct* gf;
};

// MPEG-1 layer II (MPEG-2 below 32 kHz).
class TwolameEncoder : public MpegEncoder {
 public:
  // Raises "twolame: błędne parametry" when the library refuses the settings.
  TwolameEncoder(int czestotliwosc, int kanaly, int kbps);
  ~TwolameEncoder() override;
  TwolameEncoder(const TwolameEncoder&) = delete;
  TwolameEncoder& operator=(const TwolameEncoder&) = delete;
  int Opoznienie() const override;
  int ProbekWRamce() const override { return 1152; }

 protected:
  bool Enkoduj(const int16_t* pcm, int ile, std::string& bajty) override;
  bool Oproznij(std::string& bajty) override;

 private:
  twolame_options_struct* opts;
};
