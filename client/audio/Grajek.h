#pragma once
// The player as the player core sees it: it plays the audio packets of the current
// playback request and drops those of earlier ones, and forwards play, stop, seek and the
// two time queries to the playback engine (PlayAudio).
//
// Threads: the message thread calls Graj and IleWBuforze; the message and GUI threads call
// Reset, Restart, Start, Stop and GetCzas. Its own two flags are atomic and take no lock:
// the player core makes every call that changes them under its TCP client lock; the
// engine behind it takes the playback lock itself.
#include <atomic>
#include <memory>

#include "audio/PlayAudio.h"
#include "audio/WaveOutDevice.h"
#include "common/PaczkaAudio.h"
#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/Writable.h"

class TimeComponent;

class Grajek {
 public:
  // Starts the playback engine, paused; the expected request number is 2. Neither `t`
  // nor `o` is used: the player core points the engine's debug stream where it wants
  // (GetPlayAudio()->SetDebugStream). `device`: the sound device to play on (for tests
  // and tools); none: the process's audio output choice.
  Grajek(TimeComponent* t, Writable* o, std::unique_ptr<WaveOutDevice> device = nullptr);
  // Stops the engine's thread and closes its output.
  ~Grajek();
  Grajek(const Grajek&) = delete;
  Grajek& operator=(const Grajek&) = delete;

  // Plays p when it answers the current request. A packet of a later request is logged
  // as an error ("p.numeraudia=<m> > numerAudia=<n> ") and one of an earlier request at
  // debug level ("pomijamy <m> bo nie jest <n>"); both are dropped. Raises what
  // PlayAudio::Play raises.
  void Graj(PaczkaAudio& p);
  // A seek: a new request starting at c; the expected number goes up by one. The audio
  // the server sends ahead of c (to prime the decoder) is decoded but not played: what is
  // heard, and the time shown, start at c (see PlayAudio).
  void Reset(Czas c);
  // A connection started or lost: Reset(c), and the expected number is 2 again.
  void Restart(Czas c);
  // Pauses / resumes the sound card and remembers the state.
  void Stop();
  void Start();
  bool IsStopped() const;
  // The time received and not yet heard.
  Roznica IleWBuforze();
  // The time being heard.
  Czas GetCzas();

  // The engine, for its debug stream.
  PlayAudio* GetPlayAudio() { return playAudio.get(); }
  // The request number packets must carry to be played.
  int NumerAudia() const { return numerAudia; }

 private:
  std::atomic<int> numerAudia{2};
  std::unique_ptr<PlayAudio> playAudio;
  std::atomic<bool> stopped{true};
};
