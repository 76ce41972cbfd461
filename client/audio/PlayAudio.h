#pragma once
// The playback thread and its queue of audio packets. For each packet that reaches the
// front of the queue it decides whether the packet continues the audio already buffered
// (its time lies within 1 s of where the buffered audio ends: its bytes are appended) or
// starts a new stretch (after a seek, a gap or an overlap of 1 s or more, or a change of
// format): then it waits until the card has played everything before it, resets the card
// (reopening it for a new format) and takes the packet's time as the stretch's start.
// The time being heard is the stretch's start plus the card's position, in archive time:
// at a speed other than 1x the card's position times the stretch's speed (GrajPaczek).
//
// After a reset the server's audio begins a few frames before the moment asked for, so
// that the decoder is primed (the bit reservoir, the previous frame's overlap). Those
// frames are decoded but not played: the first packet of the new stretch that begins
// before the moment (by less than kLongestLeadIn) is cut there, to the sample, and the
// stretch starts at that sample; a packet wholly before it is decoded and dropped whole,
// and the cut goes on into the packets that continue it. A decoded sample carries the
// time of its packet plus its offset from the packet's first, as the packet's stamp
// states it (the stamp already includes the decoder's delay). Once a packet reaches the
// moment, or one after it does not continue the priming frames (events-only play jumps
// ahead: that one starts the stretch at its own time), nothing more is cut until the next
// reset; continuous play is never cut.
//
// The thread runs at the best priority the system grants. When something fails inside it
// (an unknown compression, an output that cannot be opened, a sound server that went
// away) it ends, keeping the reason: every Play then raises "thread finished: " + the
// reason, until the next Reset starts a fresh thread on a freshly opened output.
//
// Diagnostic texts for the time axis go to the debug stream as "String" packets with the
// description "debug": "setkolorznacznik 0xdddd00 <start>" and "setkolorznacznik
// 0xffff00 <end>" for every packet queued, "setkolorznacznik 0x00ff00 <join point>"
// whenever a queued packet is weighed against the buffered audio (times as 16
// hexadecimal digits).
//
// Threads: the message thread calls Play and GetBufferedTime, the message and GUI threads
// call Reset, Pause, Resume and GetCzas, and the playback thread runs the queue. All but
// the two time queries run under `lock`, which guards every field and the whole packet
// player, and publish what the time queries read (`widok`); those take no lock and never
// wait for the card, the sound server or a caller inside them. Lock order:
// the message-thread dispatch lock and the TCP client lock, then `lock`, then the debug
// stream's (the inbox's) own lock; Settle's own mutex is taken alone or innermost.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "audio/GrajPaczek.h"
#include "audio/Snapshot.h"
#include "audio/WaveOutDevice.h"
#include "common/PaczkaAudio.h"
#include "core/Czas.h"
#include "core/ECriticalSection.h"
#include "core/EventOgolny.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "core/Writable.h"

class PlayAudio {
 public:
  // Starts the playback thread, not paused, with no output open. `device`: the sound
  // device the output plays on (for tests and tools); none: the process's audio output
  // choice (AudioOutputChoice.h). Raises when the thread cannot be started.
  explicit PlayAudio(std::unique_ptr<WaveOutDevice> device = nullptr);
  // Stops the thread and waits for it, then closes the output: the card has stopped
  // reading the buffers before their memory goes.
  ~PlayAudio();
  PlayAudio(const PlayAudio&) = delete;
  PlayAudio& operator=(const PlayAudio&) = delete;

  // Queues a copy of p and wakes the thread. Raises "thread finished: <reason>" (without
  // location) when the thread has ended, and the "Invalid format" error for a packet whose
  // format text is not valid; nothing is queued then.
  void Play(PaczkaAudio& p);
  // A new stretch at c: drops the queue and everything buffered, stops the card and takes
  // c as the start time, cutting the audio before c from the packets that follow (see
  // above); a paused engine stays paused. The thread is not woken. A thread
  // that ended on a failure is replaced by a new one and the output is closed, to be
  // opened again by the next packet. Failures of the card are logged, not raised.
  void Reset(Czas c);
  // Pauses / resumes the card; buffers keep being filled while paused. Failures of the
  // card are logged and close the output (it is opened again by the next stretch).
  void Pause();
  void Resume();
  // The time being heard: the stretch's start plus the card's position (one tick while the
  // output is closed, and from a reset until the card has been reset). When the card's
  // position cannot be read, the last one read stands in. Never raises for a failed card,
  // and never waits: neither for the lock nor for the card.
  Czas GetCzas();
  // The time received and not yet heard: what the packet player holds less what the card
  // has played, plus the queued packets (the empty parts count one tick each, so 3 ticks
  // right after a reset). Once the thread has ended, only what the card still plays: the
  // rest will not be heard, and the player core should ask for audio (whose first packet
  // then reports the failure). Never waits, as GetCzas.
  Roznica GetBufferedTime();
  // The volume of the sound, 0 (silent) to 1 (as decoded); 1 at first. Never waits: the
  // thread gives it to the card with its next buffer (or when it next opens the card).
  void SetVolume(double v) { grajPaczek.SetVolume(v); }
  double Volume() const { return grajPaczek.Volume(); }
  // The speed to play at, in quarters (TimeStretcher::kQuarters is 1x; 2..12): it takes
  // effect with the next stretch, so the caller resets (to the time being heard) for it
  // to be heard at once. Raises std::invalid_argument outside the range.
  void SetSpeed(int quarters);
  // The speed last set, in quarters.
  int Speed();
  // Where the diagnostic texts go (not owned); null: nowhere.
  void SetDebugStream(Writable* s);
  // Asks the thread to end and wakes it; it does not start again.
  void Terminate();

  // Returns once the thread has handled everything given to it before the call and has
  // nothing left to do until the card or a caller wakes it; false when that takes longer
  // than `milliseconds`. Returns at once when the thread has ended. For tests and tools
  // that drive the card's clock themselves.
  bool Settle(int milliseconds);
  // The system's id of the current playback thread (for diagnostics and measurements);
  // 0 when none was started.
  unsigned ThreadId();

 private:
  class Watek;
  // A packet waiting in the queue.
  struct Wpis {
    PaczkaAudio paczka;
    String format;    // the printed form of paczka.format, as the output's is compared
    Roznica dlugosc;  // paczka.IleCzasu()
  };

  // The thread body: passes until asked to end or until something raises.
  void Execute();
  // One pass: fill every free buffer, then weigh the first queued packet against the
  // buffered audio. True when it signalled the event for another pass at once.
  bool Pass();
  // Cuts the audio of packet w, just appended as the first of its stretch, that plays
  // before cutAt, and moves startTime to the first sample kept; `lock` is held.
  void CutLeadIn(const Wpis& w);
  // Sends a diagnostic text; `lock` is held.
  void Debug(const String& s);
  // Starts a new thread (`lock` is held, the previous thread has ended).
  void StartThread();
  // Logs a failure of the card and closes the output; `lock` is held.
  void OutputFailed(const std::exception& e, const String& what);
  void SettledUpTo(uint64_t request);

  // What the time queries read, published by whoever holds `lock` after each change.
  struct Widok {
    int64_t start = 0;           // startTime
    int64_t heard = 1;           // the card's position last read (ticks)
    int64_t buffered = 1;        // grajPaczek.BufferedDuration()
    int64_t written = 1;         // grajPaczek.GetWrittenDuration()
    int64_t queued = 1;          // queuedDuration
    int64_t bytesPerSecond = 0;  // of the open output
    int quarters = 4;            // the stretch's speed: archive time per output time, x4
    // The card whose position is read live; null while the output is closed and while a
    // reset, close or opening of the card is under way (then `heard` stands).
    WaveOutDevice* card = nullptr;
    bool finished = false;
  };
  // Marks the card's position as not live for a scope (its count starts again inside).
  class Freeze;
  // Publishes the fields above; `lock` is held.
  void Publish();
  // The card's position as `w` sees it, in the card's playing time.
  static Roznica Heard(const Widok& w);
  // f(widok, its card's position) from a published view and a position of the same
  // stretch: read again when the owner published meanwhile.
  template <class F>
  auto ReadView(F f) const;

  // Declared first, destroyed last: the card signals it until the output is closed.
  EventAutomatic event;
  GrajPaczek grajPaczek;
  ECriticalSection lock;
  std::deque<Wpis> kolejka;
  Roznica queuedDuration;
  bool finished = false;
  Czas startTime;
  String reason;
  Writable* debugStream = nullptr;
  bool paused = false;
  // The card's position at the last successful reading since the last reset.
  Roznica heard;
  // No audio was appended since the last reset: startTime is only the moment asked for.
  bool stretchEmpty = true;
  // The moment of the last reset, while the audio before it is still to be cut (the
  // first packet is yet to come, or every packet so far lay wholly before it).
  Czas cutAt;
  bool cutPending = false;
  // Where the packets cut so far end, by their stamps.
  Czas cutEnd;
  bool frozen = false;  // a reset, close or opening of the card is under way
  Widok published;      // the view published last
  Snapshot<Widok> widok;

  std::unique_ptr<Watek> watek;
  std::atomic<bool> terminate{false};  // the running thread is asked to end
  bool terminated = false;             // Terminate was called: no thread is started again

  // Settle's bookkeeping: requests counted by callers, passes that saw them.
  std::mutex settleMutex;
  std::condition_variable settleDone;
  uint64_t settleRequested = 0;
  uint64_t settled = 0;
  bool threadEnded = false;  // the current thread's body has ended
};
