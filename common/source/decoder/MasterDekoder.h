#pragma once
// The decoder that the playback and export engines own: it chooses the concrete decoder
// from the compression word of the audio format ("MPEG1": an MPEG frame filter in front
// of the layer II/III decoder; "PCM": a pass-through) and forwards to it. One thread at a
// time.
#include <memory>

#include "common/AudioFormat.h"
#include "decoder/DekoderBase.h"

class DekoderMPEG23;

class MasterDekoder : public DekoderBase {
 public:
  // No decoder, empty texts, both formats invalid.
  MasterDekoder();
  ~MasterDekoder() override;

  // inFormat = f. The same compression word as the current decoder's only resets it. An
  // MPEG decoder lets out only frames of f's sampling rate and channel count, so that
  // what comes out is always OutFormat(), whatever frames the bytes hold.
  // Another word deletes the decoder and makes one for the word; outFormat becomes the
  // decompressed f. Raises "!valid" for an invalid f, the error of AudioFormat::Decompress
  // for rates that do not fit and "nieznany format: <word>" for a word it cannot decode,
  // in every case staying without a decoder and without a word: the next format set,
  // even of the word the decoder had, makes a new decoder.
  void SetFormat(AudioFormat f);

  // Raise "brak dekodera" while there is no decoder.
  void Write(const void* c, int n) override;
  int ReadAnyNonBlocking(void* c, int n) override;
  // The decoder's Reset; nothing without one.
  void Reset() override;
  // "MasterDekoder".
  String Info() override;
  // "all".
  String SupportedFormats() override;

  // What comes out (the decompressed format) and what goes in (the last format set).
  const AudioFormat& OutFormat() const { return outFormat; }
  const AudioFormat& InFormat() const { return inFormat; }
  // The decoder in use; null before the first format and after a failed one.
  DekoderBase* Dekoder() const { return dekoder.get(); }

 private:
  std::unique_ptr<DekoderBase> dekoder;
  DekoderMPEG23* mpeg = nullptr;  // inside `dekoder` when the word is "MPEG1"
  String currentCompression;
  AudioFormat outFormat;
  AudioFormat inFormat;
};
