// Plays through a real sound server: a private PulseAudio daemon with a null sink, started
// by the suite in a runtime directory of its own, whose monitor is recorded and checked
// frame by frame. Skipped, saying why, where the daemon cannot start.
#include "audio/WaveOutPulse.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/WaveOutME.h"
#include "core/Exception.h"
#include "decoder/EncodedFixtures.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;  // the null sink's own rate: nothing is resampled
constexpr int kFrame = 4;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Runs a command, returning its exit status (-1 when it could not run).
int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sets an environment variable for a scope, putting back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

// The left channel of frame number c: a sine of 1360 periods per 65536 frames (996 Hz),
// computed from the counter, so that every frame heard can be checked on its own.
int16_t Left(uint32_t c) { return static_cast<int16_t>(std::lrint(16000 * std::sin(2 * M_PI * 1360.0 * (c & 0xFFFF) / 65536))); }

// Frames of a continuous tone, the right channel a running counter (mod 65536): a lost or
// repeated frame shows in any recording of it.
struct Tone {
  uint32_t next;
  explicit Tone(uint32_t first) : next(first) {}
  void Fill(char* p, int bytes) {
    for (int i = 0; i < bytes / kFrame; ++i, ++next) {
      const uint16_t l = static_cast<uint16_t>(Left(next));
      const uint16_t r = static_cast<uint16_t>(next & 0xFFFF);
      p[4 * i] = static_cast<char>(l & 0xFF);
      p[4 * i + 1] = static_cast<char>(l >> 8);
      p[4 * i + 2] = static_cast<char>(r & 0xFF);
      p[4 * i + 3] = static_cast<char>(r >> 8);
    }
  }
};

// One stretch of the recording in which the counter ran on without a break.
struct RunOfFrames {
  int64_t at;       // frame index in the recording
  uint32_t first;   // counter of its first frame
  int64_t length;   // frames
  bool exact;       // every left sample is the one sent for its counter
};

// The stretches of tone in a recording; silence between them is skipped.
std::vector<RunOfFrames> Runs(const std::vector<int16_t>& s) {
  std::vector<RunOfFrames> runs;
  const int64_t n = static_cast<int64_t>(s.size() / 2);
  auto silent = [&](int64_t i) { return s[2 * i] == 0 && s[2 * i + 1] == 0; };
  for (int64_t i = 0; i < n; ++i) {
    // A lone (0, 0) frame inside tone is a counter of 0 at a zero crossing, not silence.
    if (silent(i) && ((i > 0 && silent(i - 1)) || (i + 1 < n && silent(i + 1)))) continue;
    const uint32_t counter = static_cast<uint16_t>(s[2 * i + 1]);
    if (!runs.empty()) {
      RunOfFrames& r = runs.back();
      if (r.at + r.length == i && ((r.first + r.length) & 0xFFFF) == counter) {
        r.exact = r.exact && s[2 * i] == Left(counter);
        ++r.length;
        continue;
      }
    }
    runs.push_back({i, counter, 1, s[2 * i] == Left(counter)});
  }
  return runs;
}

std::string Describe(const std::vector<RunOfFrames>& runs) {
  std::string d;
  for (const RunOfFrames& r : runs) {
    d += "[at " + std::to_string(r.at * 1000 / kRate) + " ms: counter " + std::to_string(r.first) + " + " +
         std::to_string(r.length) + " frames" + (r.exact ? "" : ", WRONG SAMPLES") + "] ";
  }
  return d;
}

// The private daemon, for one test process.
class PulseDaemon {
 public:
  // Empty when it runs; else why it does not.
  std::string Start() {
    if (Shell("command -v pulseaudio > /dev/null 2>&1") != 0) return "pulseaudio is not installed";
    if (Shell("command -v parec > /dev/null 2>&1") != 0 || Shell("command -v pactl > /dev/null 2>&1") != 0) {
      return "pulseaudio-utils (parec, pactl) are not installed";
    }
    dir_ = std::make_unique<TempDir>();
    const std::string d = dir_->Path();
    chmod(d.c_str(), 0700);
    // -n: no default configuration; a unix socket only; norewinds: the monitor keeps the
    // wall-clock timeline and the start latency stays small. A daemon left behind by a
    // test that died ends itself after 20 s without clients.
    const std::string command =
        "HOME='" + d + "' PULSE_RUNTIME_PATH='" + d + "' XDG_RUNTIME_DIR='" + d +
        "' pulseaudio -n --daemonize=yes --use-pid-file=yes --exit-idle-time=20 --log-target=file:'" + d +
        "/pulse.log' --log-level=notice --load='module-native-protocol-unix socket=" + d +
        "/native auth-anonymous=1' --load='module-null-sink sink_name=ci rate=48000 channels=2 norewinds=1'";
    if (Shell(command) != 0) return "the PulseAudio daemon did not start: " + fixtures::ReadFile(d + "/pulse.log");
    server_ = std::make_unique<ScopedEnv>("PULSE_SERVER", ("unix:" + d + "/native").c_str());
    sink_ = std::make_unique<ScopedEnv>("PULSE_SINK", nullptr);
    for (int i = 0; i < 50; ++i) {
      if (Shell("pactl info > /dev/null 2>&1") == 0) return std::string();
      SleepMs(100);
    }
    return "the PulseAudio daemon does not answer: " + fixtures::ReadFile(d + "/pulse.log");
  }

  ~PulseDaemon() {
    if (!dir_) return;
    const std::string pid = fixtures::ReadFile(dir_->Path() + "/pid");
    if (!pid.empty()) {
      const pid_t p = static_cast<pid_t>(std::atoi(pid.c_str()));
      if (p > 0 && kill(p, SIGTERM) == 0) {
        for (int i = 0; i < 50 && kill(p, 0) == 0; ++i) SleepMs(100);
      }
    }
    server_.reset();
    sink_.reset();
  }

  std::string Dir() const { return dir_->Path(); }

 private:
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<ScopedEnv> server_;
  std::unique_ptr<ScopedEnv> sink_;
};

// Records the null sink's monitor into a raw file with parec.
class Recorder {
 public:
  explicit Recorder(const std::string& path) : path_(path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const char* argv[] = {"parec", "-d", "ci.monitor", "--rate=48000", "--channels=2", "--format=s16le",
                          "--latency-msec=20", "--raw", nullptr};
    started_ = posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    // Recording has begun once the server lists its source output.
    for (int i = 0; started_ && i < 50; ++i) {
      if (Shell("test -n \"$(pactl list short source-outputs 2>/dev/null)\"") == 0) break;
      SleepMs(50);
    }
    SleepMs(200);
  }
  ~Recorder() { Stop(); }

  std::vector<int16_t> Stop() {
    if (started_) {
      SleepMs(300);
      kill(pid_, SIGINT);
      int status = 0;
      waitpid(pid_, &status, 0);
      started_ = false;
    }
    return fixtures::Samples(fixtures::ReadFile(path_));
  }

 private:
  std::string path_;
  pid_t pid_ = 0;
  bool started_ = false;
};

// Keeps an output fed from its own thread, as the playback thread does: every signal of
// the event refills the free buffers in ring order, until `frames` have been submitted.
class Player {
 public:
  Player(WaveOutME& out, EventAutomatic& event, std::mutex& lock, uint32_t first, int64_t frames)
      : out_(out), event_(event), lock_(lock), tone_(first), left_(frames) {
    thread_ = std::thread([this] { Loop(); });
  }
  ~Player() { Stop(); }
  // Ends the thread; nothing is submitted afterwards.
  void Stop() {
    quit_ = true;
    event_.Set();
    if (thread_.joinable()) thread_.join();
  }
  bool AllSubmitted() const { return left_.load() == 0; }

 private:
  void Loop() {
    while (!quit_) {
      {
        std::lock_guard<std::mutex> g(lock_);
        char* p;
        while (left_ > 0 && (p = out_.ActiveData()) != nullptr) {
          const int bytes = static_cast<int>(std::min<int64_t>(out_.BufferLength() / kFrame, left_)) * kFrame;
          tone_.Fill(p, bytes);
          out_.Submit(bytes);
          left_ -= bytes / kFrame;
        }
      }
      event_.WaitFor(200);
    }
  }

  WaveOutME& out_;
  EventAutomatic& event_;
  std::mutex& lock_;
  Tone tone_;
  std::atomic<int64_t> left_;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

AudioFormat Format48k() {
  AudioFormat f("48000 stereo 1536 PCM");
  f.Decompress();
  return f;
}

int FreeBuffers(WaveOutME& out) {
  int n = 0;
  for (int i = 0; i < WaveOutME::kBuffers; ++i) n += out.BufferAt(i).Done() ? 1 : 0;
  return n;
}

// Waits until every buffer is free again, for at most `ms`.
bool WaitAllFree(WaveOutME& out, std::mutex& lock, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    {
      std::lock_guard<std::mutex> g(lock);
      if (FreeBuffers(out) == WaveOutME::kBuffers) return true;
    }
    SleepMs(10);
  }
  return false;
}

int64_t PositionFrames(WaveOutME& out, std::mutex& lock) {
  std::lock_guard<std::mutex> g(lock);
  return out.GetFormat().GetBytes(out.GetPosition()) / kFrame;
}

class PulseOutput : public testing::Test {
 protected:
  void SetUp() override {
    const std::string why = daemon_.Start();
    if (!why.empty()) GTEST_SKIP() << "no PulseAudio daemon for this test: " << why;
    out_.SetEvent(&event_);
    out_.SetDevice(std::make_unique<WaveOutPulse>());
  }
  void TearDown() override { out_.Close(); }

  PulseDaemon daemon_;
  LogCapture log_;
  EventAutomatic event_;
  WaveOutME out_;
  std::mutex lock_;
};

// What the sink plays is exactly what was submitted, frame for frame, and the last buffer
// is marked done when the stream runs dry.
TEST_F(PulseOutput, TheToneHeardIsTheToneSent) {
  Recorder recorder(daemon_.Dir() + "/rec.raw");
  out_.Open(Format48k());
  const int64_t frames = kRate * 3 / 2;
  {
    Player player(out_, event_, lock_, 1, frames);
    const auto start = Clock::now();
    while (!player.AllSubmitted() && Clock::now() - start < std::chrono::seconds(10)) SleepMs(10);
    ASSERT_TRUE(player.AllSubmitted());
    EXPECT_TRUE(WaitAllFree(out_, lock_, 3000)) << "the last buffers were never marked done";
  }
  EXPECT_EQ(PositionFrames(out_, lock_), frames);
  // After the stream ran dry, a buffer shorter than the start threshold plays at once.
  SleepMs(300);
  const int64_t shortFrames = kRate * 3 / 100;
  {
    std::lock_guard<std::mutex> g(lock_);
    Tone(static_cast<uint32_t>(frames) + 1).Fill(out_.ActiveData(), static_cast<int>(shortFrames) * kFrame);
    out_.Submit(static_cast<int>(shortFrames) * kFrame);
  }
  EXPECT_TRUE(WaitAllFree(out_, lock_, 3000)) << "a short buffer after a pause in the audio never played";
  EXPECT_EQ(PositionFrames(out_, lock_), frames + shortFrames);
  const std::vector<RunOfFrames> runs = Runs(recorder.Stop());
  ASSERT_EQ(runs.size(), 2u) << Describe(runs);
  EXPECT_EQ(runs[0].first, 1u);
  EXPECT_EQ(runs[0].length, frames);
  EXPECT_EQ(runs[1].first, (frames + 1) & 0xFFFF);
  EXPECT_EQ(runs[1].length, shortFrames);
  EXPECT_TRUE(runs[0].exact && runs[1].exact) << Describe(runs);
  EXPECT_EQ(log_.Text().find("pulse:"), String::npos) << log_.Text();
}

// The volume of the first stream on the server, as pactl writes it ("50%"); empty when
// there is none.
std::string SinkInputVolume() {
  std::string text;
  if (FILE* f = ::popen("pactl list sink-inputs 2>/dev/null", "r")) {
    char b[4096];
    size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0) text.append(b, n);
    ::pclose(f);
  }
  const size_t v = text.find("Volume:");
  if (v == std::string::npos) return {};
  const size_t procent = text.find('%', v);
  if (procent == std::string::npos) return {};
  size_t poczatek = procent;
  while (poczatek > v && std::isdigit(static_cast<unsigned char>(text[poczatek - 1])) != 0) --poczatek;
  return text.substr(poczatek, procent - poczatek + 1);
}

// The volume is the sound server's own stream volume: a stream opened after it was set
// starts at it, and one playing follows a change with its next buffer.
TEST_F(PulseOutput, VolumeIsTheStreamVolumeOnTheServer) {
  out_.SetVolume(0.5);
  out_.Open(Format48k());
  Player player(out_, event_, lock_, 1, kRate * 3);
  auto czekaj = [](const std::string& v) {
    const auto start = Clock::now();
    while (SinkInputVolume() != v && Clock::now() - start < std::chrono::seconds(3)) SleepMs(20);
    return SinkInputVolume();
  };
  EXPECT_EQ(czekaj("50%"), "50%");
  out_.SetVolume(0.25);
  EXPECT_EQ(czekaj("25%"), "25%");
  out_.SetVolume(7);  // beyond the range: full volume, never louder than decoded
  EXPECT_EQ(czekaj("100%"), "100%");
}

// Pause silences the sink and holds the position; resume goes on with the next frame.
TEST_F(PulseOutput, PauseStopsTheSound) {
  Recorder recorder(daemon_.Dir() + "/rec.raw");
  out_.Open(Format48k());
  int64_t atPause = 0;
  int64_t afterPause = 0;
  int64_t beforeEnd = 0;
  {
    Player player(out_, event_, lock_, 1, kRate * 60);
    SleepMs(1000);
    {
      std::lock_guard<std::mutex> g(lock_);
      out_.Pause();
    }
    atPause = PositionFrames(out_, lock_);
    SleepMs(1000);
    afterPause = PositionFrames(out_, lock_);
    {
      std::lock_guard<std::mutex> g(lock_);
      EXPECT_GE(WaveOutME::kBuffers - FreeBuffers(out_), 8);  // queued buffers stay queued
      out_.Resume();
    }
    SleepMs(700);
    player.Stop();
    beforeEnd = PositionFrames(out_, lock_);
    std::lock_guard<std::mutex> g(lock_);
    out_.Reset();
  }
  EXPECT_EQ(atPause, afterPause);
  const std::vector<RunOfFrames> runs = Runs(recorder.Stop());
  ASSERT_EQ(runs.size(), 2u) << Describe(runs);
  EXPECT_TRUE(runs[0].exact && runs[1].exact) << Describe(runs);
  EXPECT_EQ(runs[0].first, 1u);
  // Nothing lost, nothing repeated across the pause.
  EXPECT_EQ(runs[1].first, (runs[0].first + runs[0].length) & 0xFFFF) << Describe(runs);
  const int64_t silence = runs[1].at - (runs[0].at + runs[0].length);
  EXPECT_GT(silence, kRate * 8 / 10) << Describe(runs);
  EXPECT_LT(silence, kRate * 12 / 10) << Describe(runs);
  // The position told what was heard, within 50 ms.
  EXPECT_NEAR(static_cast<double>(atPause), static_cast<double>(runs[0].length), kRate * 0.05);
  EXPECT_NEAR(static_cast<double>(beforeEnd), static_cast<double>(runs[0].length + runs[1].length), kRate * 0.2);
}

// Reset drops the queued second of audio at once; what is written next plays whole.
TEST_F(PulseOutput, ResetDropsQueuedAudio) {
  Recorder recorder(daemon_.Dir() + "/rec.raw");
  out_.Open(Format48k());
  Tone first(1);
  const int bytes = out_.BufferLength();
  ASSERT_EQ(bytes, 19200);
  {
    std::lock_guard<std::mutex> g(lock_);
    for (int i = 0; i < WaveOutME::kBuffers; ++i) {
      first.Fill(out_.ActiveData(), bytes);
      out_.Submit(bytes);
    }
  }
  SleepMs(300);
  {
    std::lock_guard<std::mutex> g(lock_);
    out_.Reset();
    EXPECT_EQ(FreeBuffers(out_), WaveOutME::kBuffers);
    EXPECT_EQ(out_.GetPosition(), Roznica(1));
  }
  Tone second(40000);
  {
    std::lock_guard<std::mutex> g(lock_);
    for (int i = 0; i < 3; ++i) {
      second.Fill(out_.ActiveData(), bytes);
      out_.Submit(bytes);
    }
  }
  EXPECT_TRUE(WaitAllFree(out_, lock_, 3000));
  EXPECT_EQ(PositionFrames(out_, lock_), 3 * bytes / kFrame);
  const std::vector<RunOfFrames> runs = Runs(recorder.Stop());
  ASSERT_EQ(runs.size(), 2u) << Describe(runs);
  EXPECT_EQ(runs[0].first, 1u);
  // About 300 ms of the first second, and the sink's own latency at most.
  EXPECT_GT(runs[0].length, kRate * 2 / 10) << Describe(runs);
  EXPECT_LT(runs[0].length, kRate * 6 / 10) << Describe(runs);
  EXPECT_EQ(runs[1].first, 40000u);
  EXPECT_EQ(runs[1].length, 3 * bytes / kFrame) << Describe(runs);
  EXPECT_TRUE(runs[0].exact && runs[1].exact) << Describe(runs);
}

TEST_F(PulseOutput, OpenErrorsNameTheirCause) {
  {
    ScopedEnv sink("PULSE_SINK", "no_such_sink");
    try {
      out_.Open(Format48k());
      FAIL() << "nothing raised";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().substr(0, e.Message().find(" in file")), "Nie ma urządzenia odtwarzającego dźwięk");
    }
    EXPECT_FALSE(out_.Opened());
  }
  ASSERT_EQ(Shell("pactl suspend-sink ci 1"), 0);
  try {
    out_.Open(Format48k());
    FAIL() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().substr(0, e.Message().find(" in file")), "Urządzenie odtwarzające dzwięk jest zajęte");
  }
  ASSERT_EQ(Shell("pactl suspend-sink ci 0"), 0);
  out_.Open(Format48k());
  EXPECT_TRUE(out_.Opened());
}

// Without a sound server the open fails at once with the "no driver" text, never hangs.
TEST(PulseOutputWithoutServer, NoServerIsNoDevice) {
  TempDir dir;
  ScopedEnv server("PULSE_SERVER", ("unix:" + dir.Path() + "/nothing-here").c_str());
  LogCapture log;
  EventAutomatic event;
  WaveOutME out;
  out.SetEvent(&event);
  out.SetDevice(std::make_unique<WaveOutPulse>());
  const auto start = Clock::now();
  try {
    out.Open(Format48k());
    FAIL() << "nothing raised";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().substr(0, e.Message().find(" in file")),
              "Problem z urzadzeniem wyjsciowym ( no device driver present )");
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(out.Opened());
  EXPECT_NE(log.Text().find("pulse: no sound server"), String::npos) << log.Text();
  // Operations on the closed output stay harmless.
  out.Pause();
  out.Reset();
  EXPECT_EQ(out.GetPosition(), Roznica(1));
}

}  // namespace
