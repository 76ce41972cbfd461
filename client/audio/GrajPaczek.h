#pragma once
// The packet player: the sound output extended with the encoded bytes of accepted audio
// packets, the PCM decoded from them and not yet handed to the card, and the decoder
// between the two. It fills one output buffer at a time and decodes just as much as that
// buffer needs, so decoding is paced by the card.
//
// At a speed other than 1x the decoded PCM passes through a TimeStretcher on its way to
// the card, so the card plays output time, not archive time: each stretch plays at one
// speed, that of the last SetSpeed before it began (Reset or SetFormat), and the archive
// time of output played is ArchiveTime(output). At 1x nothing stands between the decoder
// and the card.
//
// Threads: no lock of its own; the playback thread and the callers of PlayAudio use it
// only under PlayAudio's lock.
#include <memory>

#include <vector>

#include "audio/TimeStretcher.h"
#include "audio/WaveOutME.h"
#include "common/AudioFormat.h"
#include "core/CyclicBuffer.h"
#include "core/Roznica.h"
#include "decoder/MasterDekoder.h"

class GrajPaczek : public WaveOutME {
 public:
  // Closed output, empty buffers, a decoder without a format, InFormat() invalid.
  GrajPaczek();
  ~GrajPaczek() override;

  // Prepares for audio in format f: the decoder for f, then the output opened for f's
  // decompressed form. InFormat() becomes f only when both succeed; on failure the output
  // is closed and InFormat() is invalid, so the next format always sets up afresh. Raises
  // what the decoder ("nieznany format: <word>", "!valid") or the output's Open raises.
  // The output must be closed.
  void SetFormat(AudioFormat f);
  // The speed of the stretches to come, in quarters (TimeStretcher::kQuarters is 1x); the
  // stretch playing keeps its own. Raises std::invalid_argument outside the range.
  void SetSpeed(int quarters);
  int WantedQuarters() const { return wantedQuarters; }
  // The speed of the stretch playing, in quarters.
  int StretchQuarters() const { return stretcher ? stretcher->Quarters() : TimeStretcher::kQuarters; }
  // The archive time that `output` of the card's playing time carries in this stretch.
  Roznica ArchiveTime(Roznica output) const;

  // Appends encoded bytes in InFormat() (nothing is decoded yet).
  void Append(const void* c, int n);
  // Fills the active output buffer with up to 100 ms of PCM, decoding at most what that
  // takes, and submits it. False when no buffer is free or there is nothing to play. A
  // buffer is submitted short when the decoded audio runs short.
  bool Fill();
  // Stops the card and forgets the position and everything buffered, the decoder's state
  // and the samples to skip included. Device failures raise (see WaveOutME::Reset).
  void Reset();
  // Closes the output (the card stops reading the buffers first) and empties both byte
  // buffers; nothing is left to skip. The decoder and InFormat() stay.
  void Close();

  // The first `samples` sample frames decoded since the last reset are decoded but never
  // handed to the card: the frames ahead of a seek's moment that only prime the decoder.
  // A later call replaces the count (what was skipped already stays skipped). The output
  // must be open.
  void SkipDecoded(int64_t samples);

  // The playing time (archive time) of everything given to the player since the last
  // reset: submitted or inside the stretcher, encoded and decoded, less what is still to be skipped (which may make it negative while
  // only priming frames are held). Each empty part counts one tick.
  Roznica BufferedDuration();
  // BufferedDuration() less ArchiveTime(GetPosition()): what is buffered and not yet heard,
  // in archive time. Raises
  // when the card's position cannot be read.
  Roznica QueuedDuration();

  // The format of the audio being played as the packets state it; invalid until the
  // first successful SetFormat.
  const AudioFormat& InFormat() const { return inFormat; }
  // Bytes not yet decoded / decoded and not yet submitted.
  int InputSize() const { return input.Size(); }
  int PcmSize() const { return pcm.Size(); }

 private:
  // Sets the stretcher up for the stretch beginning: none at 1x or while closed.
  void NewStretch();
  // Decodes until pcm holds `want` bytes (after the skip) or the input runs out.
  void Decode(int want);
  // Fill() through the stretcher into the active buffer `data` of `n` bytes.
  bool FillStretched(char* data, int n);

  CyclicBuffer input;
  CyclicBuffer pcm;
  std::unique_ptr<MasterDekoder> dekoder;
  AudioFormat inFormat;
  int64_t decoded = 0;    // bytes decoded since the last reset
  int64_t skipUntil = 0;  // the first bytes of those, never handed to the card
  int wantedQuarters = TimeStretcher::kQuarters;
  int stretchRate = 0;  // the sampling rate the stretcher was made for
  std::unique_ptr<TimeStretcher> stretcher;  // the stretch's; null at 1x
  int64_t stretched = 0;                     // decoded bytes given to the stretcher since the reset
  std::vector<int16_t> feed;                 // PCM on its way into the stretcher
};
