#include "audio/PlayAudio.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include "common/AudioFormat.h"
#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/ZThread.h"
#include "transport/Paczka2.h"
#include "transport/Protokol.h"

namespace {

// The SCHED_FIFO priority the playback thread asks for: any real-time priority runs ahead
// of every ordinary thread (the user interface above all); a low one leaves the sound
// server's own real-time threads free to preempt the decoding.
constexpr int kFifoPriority = 4;

// Gives the calling thread the best scheduling the system grants: SCHED_FIFO when
// permitted (within RLIMIT_RTPRIO when that is what limits it), else the lowest nice value
// it may take. Logs what it got; never raises.
void RaisePlaybackPriority() {
  sched_param sp{};
  sp.sched_priority =
      std::clamp(kFifoPriority, sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO));
  int r = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);
  if (r == EPERM) {
    rlimit rl{};
    if (getrlimit(RLIMIT_RTPRIO, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur >= 1 &&
        rl.rlim_cur < static_cast<rlim_t>(sp.sched_priority)) {
      sp.sched_priority = static_cast<int>(rl.rlim_cur);
      r = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);
    }
  }
  if (r == 0) {
    Log(0, "playback thread: SCHED_FIFO priority " + std::to_string(sp.sched_priority), KG_WHERE);
    return;
  }
  const String refused = SystemErrorText(r);
  // On Linux the nice value belongs to the thread named by its id.
  const pid_t tid = gettid();
  errno = 0;
  const int before = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), -20) != 0) {
    // Without the capability, RLIMIT_NICE sets the floor: 20 - its value.
    rlimit rl{};
    if (getrlimit(RLIMIT_NICE, &rl) == 0 && rl.rlim_cur != 0) {
      const int floor = 20 - static_cast<int>(std::min<rlim_t>(rl.rlim_cur, 40));
      if (floor < before) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), floor);
    }
  }
  const int after = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  Log(after < before ? 0 : 1,
      "playback thread: SCHED_FIFO refused (" + refused + "), nice " + std::to_string(after), KG_WHERE);
}

// Cuts this thread's call chain back to its depth at construction when it goes out of
// scope, so that a failure caught behind it leaves no entries of the calls it unwound.
class TraceMark {
 public:
  TraceMark() { TraceMarkDepth(); }
  ~TraceMark() { TraceReturnToMark(); }
  TraceMark(const TraceMark&) = delete;
  TraceMark& operator=(const TraceMark&) = delete;
};

// a x b / c rounded toward zero, for a, b >= 0 and c > 0, without forming a x b.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) { return a / c * b + a % c * b / c; }

// The archive time of `played` of the card's playing time in a stretch at `quarters`/4x;
// nothing heard (one tick) stays one tick.
Roznica ArchiveTime(Roznica played, int quarters) {
  if (quarters == TimeStretcher::kQuarters || played == Roznica()) return played;
  return Roznica(MulDiv(played.Wartosc(), quarters, TimeStretcher::kQuarters));
}

// The server starts a seek's audio at most a few frames early (under a second even at the
// lowest MPEG rates): a first packet that begins further before the moment asked for is
// not a lead-in, and plays from its own time.
const Roznica kLongestLeadIn = Roznica::Sekunda * 10;
// A packet after the moment asked for continues the priming frames when it begins within
// this of where they end by their stamps (their lengths follow from the bit rate, exact
// to a byte for constant rates).
const Roznica kContinues = Roznica::Milisekunda * 20;

}  // namespace

class PlayAudio::Freeze {
 public:
  explicit Freeze(PlayAudio& o) : owner(o) {
    owner.frozen = true;
    owner.Publish();
  }
  ~Freeze() {
    owner.frozen = false;
    owner.Publish();
  }
  Freeze(const Freeze&) = delete;
  Freeze& operator=(const Freeze&) = delete;

 private:
  PlayAudio& owner;
};

// The playback thread itself: one per start, so that an engine whose thread ended on a
// failure can start another.
class PlayAudio::Watek : public ZThread {
 public:
  explicit Watek(PlayAudio& o) : owner(o), done(std::make_shared<EventManual>()) {}

  int Run() override {
    // Signalled when the body no longer touches its owner, even if it was let go by a
    // stop that timed out.
    struct Signal {
      std::shared_ptr<EventManual> e;
      ~Signal() { e->Set(); }
    } signal{done};
    // Named, so that tools listing threads (top -H, debuggers, /proc) show which it is.
    pthread_setname_np(pthread_self(), "PlayAudio");
    RaisePlaybackPriority();
    owner.Execute();
    return 0;
  }

  void RequestStop() override {
    owner.terminate = true;
    owner.event.Set();
  }

  // Asks the body to end and returns once it no longer touches its owner: the owner's
  // memory must outlive it, so a body that overruns the stop time-out is still waited for.
  void Stop() {
    Finish();
    done->Wait(-1);
  }

 private:
  PlayAudio& owner;
  std::shared_ptr<EventManual> done;
};

PlayAudio::PlayAudio(std::unique_ptr<WaveOutDevice> device) {
  KG_TRACE("PlayAudio::PlayAudio(std::unique_ptr<WaveOutDevice> device)");
  grajPaczek.SetEvent(&event);
  if (device) grajPaczek.SetDevice(std::move(device));
  Synchronized guard(&lock);
  Publish();
  StartThread();
}

PlayAudio::~PlayAudio() {
  KG_TRACE("PlayAudio::~PlayAudio()");
  Terminate();
  if (watek) watek->Stop();
  watek.reset();
  // The card stops reading the buffers before the packet player releases them.
  grajPaczek.Close();
}

void PlayAudio::StartThread() {
  terminate = false;
  finished = false;
  reason.clear();
  {
    std::lock_guard<std::mutex> g(settleMutex);
    threadEnded = false;
  }
  auto w = std::make_unique<Watek>(*this);
  w->Start("PlayAudio");
  watek = std::move(w);
}

void PlayAudio::Play(PaczkaAudio& p) {
  KG_TRACE("PlayAudio::Play(PaczkaAudio & p)");
  Synchronized guard(&lock);
  if (finished) throw Exception("thread finished: " + reason);
  const ValidAudioFormat format(p.format);
  const Roznica d = format.GetDuration(p.dane.Size());
  Debug("setkolorznacznik 0xdddd00 " + p.czas.NapisHex());
  Debug("setkolorznacznik 0xffff00 " + (p.czas + d).NapisHex());
  kolejka.push_back(Wpis{p, format.GetString(), d});
  queuedDuration += d;
  Publish();
  event.Set();
}

void PlayAudio::Reset(Czas c) {
  KG_TRACE("PlayAudio::Reset(Czas c)");
  Synchronized guard(&lock);
  startTime = c;
  stretchEmpty = true;
  cutAt = c;
  cutPending = true;
  kolejka.clear();
  queuedDuration = Roznica();
  heard = Roznica();
  // Until the card has been reset, the time heard is the new start.
  Freeze freeze(*this);
  if (finished && !terminated) {
    // The thread ended on a failure: a fresh one, on an output opened afresh by the next
    // packet.
    if (watek) watek->Stop();
    watek.reset();
    grajPaczek.Close();
    const String failure = reason;
    try {
      TraceMark mark;
      StartThread();
      Log(0, "playback thread started again after: " + failure, KG_WHERE);
    } catch (const std::exception& e) {
      reason = e.what();
      finished = true;
      std::lock_guard<std::mutex> g(settleMutex);
      threadEnded = true;
      Log(2, "playback thread cannot start: " + reason, KG_WHERE);
    }
  }
  try {
    TraceMark mark;
    grajPaczek.Reset();
    if (paused) grajPaczek.Pause();
  } catch (const std::exception& e) {
    OutputFailed(e, "reset");
  }
}

void PlayAudio::Pause() {
  KG_TRACE("PlayAudio::Pause()");
  Synchronized guard(&lock);
  paused = true;
  try {
    TraceMark mark;
    grajPaczek.Pause();
  } catch (const std::exception& e) {
    OutputFailed(e, "pause");
  }
}

void PlayAudio::Resume() {
  KG_TRACE("PlayAudio::Resume()");
  Synchronized guard(&lock);
  paused = false;
  try {
    TraceMark mark;
    grajPaczek.Resume();
  } catch (const std::exception& e) {
    OutputFailed(e, "resume");
  }
}

void PlayAudio::CutLeadIn(const Wpis& w) {
  const PaczkaAudio& p = w.paczka;
  if (!cutPending) return;
  cutPending = false;
  if (p.czas >= cutAt || cutAt - p.czas >= kLongestLeadIn) return;
  // Sample k of the packet plays at its time plus k samples: the one nearest the moment
  // is the first kept. Under kLongestLeadIn the products fit 64 bits at any rate.
  const int64_t rate = grajPaczek.GetFormat().GetSps();
  const int64_t second = Roznica::Sekunda.Wartosc();
  const int64_t samples = ((cutAt - p.czas).Wartosc() * rate + second / 2) / second;
  if (samples <= 0) return;
  grajPaczek.SkipDecoded(samples);
  startTime = p.czas + Roznica(samples * second / rate);
  cutEnd = p.czas + w.dlugosc;
  cutPending = cutEnd <= cutAt;
}

void PlayAudio::OutputFailed(const std::exception& e, const String& what) {
  Log(2, "playback: " + what + " failed, closing the output: " + e.what(), KG_WHERE);
  heard = Roznica();
  {
    Freeze freeze(*this);
    grajPaczek.Close();
  }
  event.Set();
}

void PlayAudio::Publish() {
  Widok w = published;
  w.start = startTime.Wartosc();
  w.heard = heard.Wartosc();
  w.queued = queuedDuration.Wartosc();
  w.finished = finished;
  const bool open = grajPaczek.Opened();
  w.card = open && !frozen ? grajPaczek.Device() : nullptr;
  w.bytesPerSecond = open ? grajPaczek.GetFormat().GetBytesPerSecond() : 0;
  w.quarters = grajPaczek.StretchQuarters();
  try {
    TraceMark mark;
    w.buffered = grajPaczek.BufferedDuration().Wartosc();
    w.written = grajPaczek.ArchiveTime(grajPaczek.GetWrittenDuration()).Wartosc();
  } catch (const std::exception&) {
    // A format that cannot count its bytes: the amounts published last stand.
  }
  published = w;
  widok.Publish(w);
}

Roznica PlayAudio::Heard(const Widok& w) {
  int64_t bytes = 0;
  if (w.card == nullptr || w.bytesPerSecond <= 0 || !w.card->PeekPosition(&bytes)) return Roznica(w.heard);
  // As the output counts it: nothing heard is one tick.
  return bytes == 0 ? Roznica() : Roznica(MulDiv(bytes, Roznica::Sekunda.Wartosc(), w.bytesPerSecond));
}

template <class F>
auto PlayAudio::ReadView(F f) const {
  for (;;) {
    uint64_t version = 0;
    const Widok w = widok.Read(&version);
    const Roznica position = ArchiveTime(Heard(w), w.quarters);
    // The card is reset, closed or opened only after a view that no longer points at it
    // was published: an unchanged version means the position belongs to this view.
    if (widok.Version() == version) return f(w, position);
  }
}

Czas PlayAudio::GetCzas() {
  KG_TRACE("PlayAudio::GetCzas()");
  return ReadView([](const Widok& w, Roznica position) { return Czas(w.start) + position; });
}

Roznica PlayAudio::GetBufferedTime() {
  KG_TRACE("PlayAudio::GetBufferedTime()");
  return ReadView([](const Widok& w, Roznica position) {
    // Once the thread has ended only what the card still plays will be heard: the player
    // core then asks for audio, and the next packet reports the failure.
    if (w.finished) return Roznica(w.written) - position;
    return Roznica(w.buffered) - position + Roznica(w.queued);
  });
}

void PlayAudio::SetSpeed(int quarters) {
  KG_TRACE("PlayAudio::SetSpeed(int quarters)");
  Synchronized guard(&lock);
  grajPaczek.SetSpeed(quarters);
}

int PlayAudio::Speed() {
  Synchronized guard(&lock);
  return grajPaczek.WantedQuarters();
}

void PlayAudio::SetDebugStream(Writable* s) {
  KG_TRACE("PlayAudio::SetDebugStream(Writable *s)");
  Synchronized guard(&lock);
  debugStream = s;
}

void PlayAudio::Debug(const String& s) {
  if (debugStream == nullptr) return;
  Paczka2(s, protokol::kOpisDebug).Wyslij(*debugStream);
}

void PlayAudio::Terminate() {
  KG_TRACE("PlayAudio::Terminate()");
  {
    Synchronized guard(&lock);
    terminated = true;
  }
  terminate = true;
  event.Set();
}

bool PlayAudio::Settle(int milliseconds) {
  std::unique_lock<std::mutex> g(settleMutex);
  if (threadEnded) return true;
  const uint64_t request = ++settleRequested;
  g.unlock();
  event.Set();
  g.lock();
  return settleDone.wait_for(g, std::chrono::milliseconds(milliseconds),
                             [&] { return settled >= request || threadEnded; });
}

unsigned PlayAudio::ThreadId() {
  Synchronized guard(&lock);
  return watek ? watek->GetThreadId() : 0;
}

void PlayAudio::SettledUpTo(uint64_t request) {
  {
    std::lock_guard<std::mutex> g(settleMutex);
    settled = std::max(settled, request);
  }
  settleDone.notify_all();
}

void PlayAudio::Execute() {
  KG_TRACE("PlayAudio::Execute()");
  String why = "terminated normally";
  TraceMarkDepth();
  try {
    while (!terminate.load()) {
      Pass();
      event.Wait(-1);
    }
    TraceReturnToMark();
  } catch (const std::exception& e) {
    why = e.what();
    Log(2, "exception in thread PlayAudio: " + CallTraceText() + " -> " + why + ". Stopping thread.", KG_WHERE);
    TraceReturnToMark();
  }
  {
    Synchronized guard(&lock);
    reason = why;
    finished = true;
    // Nothing queued will be played by this thread.
    kolejka.clear();
    queuedDuration = Roznica();
    Publish();
  }
  {
    std::lock_guard<std::mutex> g(settleMutex);
    threadEnded = true;
  }
  settleDone.notify_all();
}

bool PlayAudio::Pass() {
  Synchronized guard(&lock);
  uint64_t request;
  {
    std::lock_guard<std::mutex> g(settleMutex);
    request = settleRequested;
  }
  // Reading the position each pass is how a card that has gone away (a sound server that
  // ended) is noticed: it raises and ends the thread.
  if (grajPaczek.Opened()) heard = grajPaczek.GetPosition();
  while (grajPaczek.Fill()) {
  }
  bool again = false;
  if (!kolejka.empty()) {
    const Wpis& w = kolejka.front();
    const PaczkaAudio& p = w.paczka;
    // Where audio appended now would be heard.
    const Czas end = startTime + grajPaczek.BufferedDuration();
    if (startTime != Czas()) Debug("setkolorznacznik 0x00ff00 " + end.NapisHex());
    // Formats are compared in their printed form, so that a text with other spacing is
    // the same format and not a change that reopens the card for every packet.
    const bool sameFormat = grajPaczek.Opened() && grajPaczek.InFormat().GetString() == w.format;
    // While only priming frames are held (nothing of them reaches the card), a packet
    // after the moment asked for that does not continue them starts the stretch afresh.
    const bool jumps = cutPending && !stretchEmpty && p.czas >= cutAt && Czas::Odstep(cutEnd, p.czas) > kContinues;
    if (jumps) cutPending = false;
    if (sameFormat && stretchEmpty) {
      // The stretch begins with this packet, or with its sample at the moment asked for.
      startTime = p.czas;
      grajPaczek.Append(p.dane.Data(), p.dane.Size());
      stretchEmpty = false;
      CutLeadIn(w);
      queuedDuration -= w.dlugosc;
      kolejka.pop_front();
      again = true;
    } else if (sameFormat && !jumps && Czas::Odstep(end, p.czas) < Roznica::Sekunda) {
      if (cutPending) {
        // The cut set at the stretch's first packet runs on through this one.
        cutPending = p.czas + w.dlugosc <= cutAt;
        cutEnd = p.czas + w.dlugosc;
      }
      grajPaczek.Append(p.dane.Data(), p.dane.Size());
      queuedDuration -= w.dlugosc;
      kolejka.pop_front();
      again = true;
    } else if (!grajPaczek.IsPlaying()) {
      // Everything before the packet has been heard: a new stretch starts with it. The
      // packet stays first in the queue and is appended by the next pass.
      startTime = p.czas;
      heard = Roznica();
      Freeze freeze(*this);
      if (!sameFormat) {
        grajPaczek.Close();
        grajPaczek.SetFormat(AudioFormat(p.format));
      }
      grajPaczek.Reset();
      stretchEmpty = true;
      if (paused) grajPaczek.Pause();
      again = true;
    }
  }
  Publish();
  if (again) {
    event.Set();
  } else {
    SettledUpTo(request);
  }
  return again;
}
