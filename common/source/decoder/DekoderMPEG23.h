#pragma once
// The MPEG-1/2 audio layer II and III decoder (libmpg123). Every frame that written bytes
// complete is decoded at once into `output`; a frame the library cannot decode resets it
// with the warning "błąd dekodera mp3", and decoding goes on with the next bytes. Frames
// of another sampling rate or channel count than the one expected (Oczekuj) are decoded
// but dropped, with a warning, so that what comes out always has the shape its reader was
// set up for. One thread at a time.
#include <memory>

#include "core/CyclicBuffer.h"
#include "decoder/DekoderBase.h"
#include "decoder/Mpg123State.h"

class DekoderMPEG23 : public DekoderBase {
 public:
  // Opens the library state.
  DekoderMPEG23();
  // Close().
  ~DekoderMPEG23() override;

  // Opens the library state (raises when the library cannot); open = true.
  void Open();
  // Releases the library state when open; open = false.
  void Close();

  // Only frames of `rate` Hz and `channels` channels come out from now on; 0 and 0 (the
  // default) let every frame through.
  void Oczekuj(int rate, int channels);

  // Decodes every frame the bytes complete into `output`. Never raises for bad data.
  void Write(const void* c, int n) override;
  // Reads decoded PCM from `output`.
  int ReadAnyNonBlocking(void* c, int n) override;
  // Closes and reopens the library state and empties `output`.
  void Reset() override;
  // "MPEG 1 Layer 2/3 Decoder".
  String Info() override;
  // The empty text.
  String SupportedFormats() override;

 private:
  void Decode(const void* c, int n);
  // The frame decoded last has the rate and channels expected (or nothing is expected).
  bool Zgodna();

  std::unique_ptr<Mpg123State> state;
  CyclicBuffer output;
  bool open = false;
  int oczekiwanaCzestotliwosc = 0;
  int oczekiwaneKanaly = 0;
  bool zgloszonoInne = false;  // the warning of a dropped frame was logged since the last Oczekuj
};
