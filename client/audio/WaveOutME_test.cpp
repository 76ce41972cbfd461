#include "audio/WaveOutME.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "audio/WaveOutNull.h"
#include "core/Exception.h"
#include "decoder/EncodedFixtures.h"
#include "support/LogCapture.h"
#include "support/Raised.h"
#include "support/TempDir.h"
#include "support/WavNaglowek.h"

namespace {

int Count(const String& text, const String& what) {
  int n = 0;
  for (size_t at = text.find(what); at != String::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

AudioFormat Pcm(const String& text) {
  AudioFormat f(text);
  f.Decompress();
  return f;
}

constexpr int64_t kMs = 1000000;  // nanoseconds

// A WaveOutME on the null device with a clock the test moves.
struct Fixture {
  explicit Fixture(const String& wav = String()) {
    auto d = std::make_unique<WaveOutNull>(wav, [this] { return now.load(); });
    device = d.get();
    out.SetEvent(&event);
    out.SetDevice(std::move(d));
  }
  // Moves the clock and lets the device catch up.
  void Advance(int64_t nanoseconds) {
    now += nanoseconds;
    device->Poll();
  }
  int Free() {
    int n = 0;
    for (int i = 0; i < WaveOutME::kBuffers; ++i) n += out.BufferAt(i).Done() ? 1 : 0;
    return n;
  }
  // Fills the active buffer with `n` bytes of `value` and submits it.
  void Submit(int n, char value = 1) {
    char* p = out.ActiveData();
    ASSERT_NE(p, nullptr);
    std::memset(p, value, static_cast<size_t>(n));
    out.Submit(n);
  }

  std::atomic<int64_t> now{1000 * kMs};
  EventAutomatic event;
  WaveOutNull* device = nullptr;
  WaveOutME out;
};

TEST(WaveOutME, BufferLengthsAreHundredMillisecondsOfWholeFrames) {
  struct Case {
    const char* format;
    int length;
  };
  const Case cases[] = {
      {"44100 stereo 128 MPEG1", 17640},
      {"22050 mono 32 MPEG1", 4408},
      {"48000 stereo 192 MPEG1", 19200},
      {"8000 mono 8 PCM", 1600},
      {"11025 mono 16 MPEG1", 2204},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    Fixture f;
    f.out.Open(Pcm(c.format));
    EXPECT_TRUE(f.out.Opened());
    EXPECT_EQ(f.out.BufferLength(), c.length);
    EXPECT_EQ(f.Free(), WaveOutME::kBuffers);
    EXPECT_EQ(f.out.Breaks(), -1);
    EXPECT_EQ(f.out.ActiveBuffer(), 0);
    EXPECT_EQ(f.out.BufferAt(3).dwBytesRecorded, static_cast<uint32_t>(c.length));
  }
}

TEST(WaveOutME, OpeningLogsAndChecksItsPreconditions) {
  LogCapture log;
  Fixture f;
  f.out.Open(Pcm("44100 stereo 128 MPEG1"));
  EXPECT_NE(log.Text().find("debug\t"), String::npos);
  EXPECT_NE(log.Text().find("otwieram karte -1 44100 stereo 1411 PCM"), String::npos) << log.Text();
  EXPECT_TRUE(f.event.WaitFor(0));  // the device signals its opening
  EXPECT_EQ(Text(MessageOf([&] { f.out.Open(Pcm("44100 stereo 128 MPEG1")); })), "Opened()");

  WaveOutME noEvent;
  noEvent.SetDevice(std::make_unique<WaveOutNull>());
  EXPECT_EQ(Text(MessageOf([&] { noEvent.Open(Pcm("44100 stereo 128 MPEG1")); })), "event==0");
  EXPECT_FALSE(noEvent.Opened());
}

// A device that fails to open with a chosen result.
class RefusingDevice : public WaveOutNull {
 public:
  explicit RefusingDevice(int result) : result_(result) {}
  int Open(const WAVEFORMATEX&, int, EventAutomatic*) override { return result_; }
  String LastError() override { return "refused on purpose"; }

 private:
  int result_;
};

TEST(WaveOutME, OpenFailuresLeaveItClosedWithTheirTexts) {
  struct Case {
    int result;
    const char* text;
  };
  const Case cases[] = {
      {4, "Urządzenie odtwarzające dzwięk jest zajęte"},
      {2, "Nie ma urządzenia odtwarzającego dźwięk"},
      {6, "Problem z urzadzeniem wyjsciowym ( no device driver present )"},
      {32, "Problem z urzadzeniem wyjsciowym ( unsupported wave format )"},
      {1, "Problem z urzadzeniem wyjsciowym ( unspecified error )"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    LogCapture log;
    EventAutomatic event;
    WaveOutME out;
    out.SetEvent(&event);
    out.SetDevice(std::make_unique<RefusingDevice>(c.result));
    const String m = MessageOf([&] { out.Open(Pcm("44100 stereo 128 MPEG1")); });
    EXPECT_EQ(Text(m), c.text);
    EXPECT_EQ(m.find(" in file "), m.rfind(" in file "));  // the suffix once
    EXPECT_FALSE(out.Opened());
    EXPECT_NE(log.Text().find("null: refused on purpose"), String::npos);
  }
  // The null device refuses what the sound server would.
  EventAutomatic event;
  WaveOutME out;
  out.SetEvent(&event);
  out.SetDevice(std::make_unique<WaveOutNull>());
  EXPECT_EQ(Text(MessageOf([&] { out.Open(Pcm("1000000 stereo 128 MPEG1")); })),
            "Problem z urzadzeniem wyjsciowym ( unsupported wave format )");
}

// Submissions go round the ring in order; "playing brak" whenever the next buffer is
// already free, except after the first submission.
TEST(WaveOutME, RingOrderAndShortages) {
  LogCapture log;
  Fixture f;
  f.out.Open(Pcm("22050 mono 32 MPEG1"));
  const int n = f.out.BufferLength();
  f.Submit(n);
  EXPECT_EQ(Count(log.Text(), "playing brak"), 0);
  EXPECT_EQ(f.out.Breaks(), 0);
  f.Submit(n);
  EXPECT_EQ(Count(log.Text(), "playing brak"), 1);
  for (int i = 2; i < WaveOutME::kBuffers; ++i) f.Submit(n);
  EXPECT_EQ(Count(log.Text(), "playing brak"), 8);  // the tenth finds buffer 0 still queued
  EXPECT_NE(log.Text().find("warning\t"), String::npos);
  EXPECT_EQ(f.Free(), 0);
  EXPECT_EQ(f.out.ActiveBuffer(), 0);
  EXPECT_EQ(f.out.ActiveData(), nullptr);
  EXPECT_TRUE(f.out.IsPlaying());
  EXPECT_EQ(Text(MessageOf([&] { f.out.Submit(n); })), "!buffers[activeBuffer].Done()");
  const String bytes(static_cast<size_t>(n), 'x');
  EXPECT_EQ(Text(MessageOf([&] { f.out.Write(bytes.data(), n); })), "!buffers[activeBuffer].Done()");

  // Buffers come back in ring order as they are heard.
  f.Advance(100 * kMs);
  EXPECT_TRUE(f.event.WaitFor(0));
  EXPECT_TRUE(f.out.BufferAt(0).Done());
  EXPECT_FALSE(f.out.BufferAt(1).Done());
  EXPECT_NE(f.out.ActiveData(), nullptr);
  EXPECT_EQ(Text(MessageOf([&] { f.out.Write(bytes.data(), n + 1); })), "n>bufferLength");
  f.out.Write(bytes.data(), n);
  EXPECT_EQ(Count(log.Text(), "playing brak"), 8);  // buffer 1 is still queued
  EXPECT_EQ(f.out.Written(), int64_t{11} * n);
}

TEST(WaveOutME, PositionFollowsTheClockAndStopsWhenDry) {
  Fixture f;
  f.out.Open(Pcm("44100 stereo 128 MPEG1"));
  f.event.WaitFor(0);
  const int n = f.out.BufferLength();
  EXPECT_EQ(f.out.GetPosition(), Roznica(1));  // nothing heard: 0 bytes, one tick
  for (int i = 0; i < 3; ++i) f.Submit(n);
  EXPECT_EQ(f.out.GetWrittenDuration(), Roznica::Milisekunda * 300);
  f.Advance(150 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 150);
  EXPECT_TRUE(f.event.WaitFor(0));
  EXPECT_EQ(f.Free(), 8);
  EXPECT_TRUE(f.out.IsPlaying());
  f.Advance(150 * kMs);
  EXPECT_EQ(f.Free(), 10);
  EXPECT_FALSE(f.out.IsPlaying());
  f.Advance(1000 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 300);
  // Audio after a gap plays from the moment it is written.
  f.Submit(n / 2);
  f.Advance(20 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 320);
  f.Advance(100 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 350);
  EXPECT_FALSE(f.out.IsPlaying());
}

TEST(WaveOutME, PauseHoldsPositionAndBuffers) {
  Fixture f;
  f.out.Open(Pcm("44100 stereo 128 MPEG1"));
  const int n = f.out.BufferLength();
  for (int i = 0; i < 5; ++i) f.Submit(n);
  f.Advance(130 * kMs);
  f.out.Pause();
  f.Advance(2000 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 130);
  EXPECT_EQ(f.Free(), 6);
  // Buffers can still be submitted while paused.
  f.Submit(n);
  f.Advance(500 * kMs);
  EXPECT_EQ(f.Free(), 5);
  f.out.Pause();  // twice: still paused
  f.out.Resume();
  f.Advance(70 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 200);
  EXPECT_EQ(f.Free(), 6);
  f.out.Resume();  // twice: still playing
  f.Advance(400 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 600);
  EXPECT_EQ(f.Free(), 10);
}

TEST(WaveOutME, ResetReturnsEveryBufferAndRestartsTheCounts) {
  LogCapture log;
  Fixture f;
  f.out.Open(Pcm("44100 stereo 128 MPEG1"));
  const int n = f.out.BufferLength();
  for (int i = 0; i < 10; ++i) f.Submit(n);
  f.Advance(250 * kMs);
  f.event.WaitFor(0);
  f.out.Reset();
  EXPECT_TRUE(f.event.WaitFor(0));  // the device signals the returned buffers
  EXPECT_EQ(f.Free(), 10);
  EXPECT_EQ(f.out.GetPosition(), Roznica(1));
  EXPECT_EQ(f.out.GetWrittenDuration(), Roznica(1));
  EXPECT_EQ(f.out.Breaks(), -1);
  EXPECT_FALSE(f.out.IsPlaying());
  f.Advance(300 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica(1));
  // The ring goes on from the active buffer; the first submission does not log.
  const int before = Count(log.Text(), "playing brak");
  f.Submit(n);
  EXPECT_EQ(Count(log.Text(), "playing brak"), before);
  f.Advance(40 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 40);

  // A reset while paused stays paused.
  f.out.Pause();
  f.out.Reset();
  f.Submit(n);
  f.Advance(500 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica(1));
  f.out.Resume();
  f.Advance(50 * kMs);
  EXPECT_EQ(f.out.GetPosition(), Roznica::Milisekunda * 50);
}

TEST(WaveOutME, ClosedOutputIsQuiet) {
  WaveOutME out;
  EXPECT_FALSE(out.Opened());
  EXPECT_EQ(out.GetPosition(), Roznica(1));
  EXPECT_EQ(out.GetWrittenDuration(), Roznica(1));
  EXPECT_FALSE(out.IsPlaying());
  EXPECT_EQ(out.ActiveData(), nullptr);
  out.Pause();
  out.Resume();
  out.Reset();
  out.Close();
  EXPECT_FALSE(out.GetFormat().IsValid());
}

TEST(WaveOutME, CloseReturnsQueuedBuffersAndReopensInAnotherFormat) {
  Fixture f;
  f.out.Open(Pcm("44100 stereo 128 MPEG1"));
  for (int i = 0; i < 4; ++i) f.Submit(f.out.BufferLength());
  f.out.Close();
  EXPECT_FALSE(f.out.Opened());
  EXPECT_EQ(f.Free(), 10);
  EXPECT_EQ(f.out.GetPosition(), Roznica(1));
  f.out.Open(Pcm("22050 mono 32 MPEG1"));
  EXPECT_EQ(f.out.BufferLength(), 4408);
  EXPECT_EQ(f.out.GetFormat().GetString(), "22050 mono 352 PCM");
  f.Submit(4408);
  f.Advance(100 * kMs);
  EXPECT_EQ(f.out.GetPosition(), f.out.GetFormat().GetDuration(4408));  // 99.95 ms
}

// What the null device heard, recorded: whole buffers, and of a buffer cut by a reset or
// a close only the part heard. Another format goes to a numbered file.
TEST(WaveOutNull, RecordsWhatWasHeard) {
  TempDir dir;
  const String path = dir / "heard.wav";
  String expected;
  {
    Fixture f(path);
    f.out.Open(Pcm("8000 mono 8 PCM"));  // 16000 bytes per second: 1600 per buffer
    for (int i = 0; i < 3; ++i) f.Submit(1600, static_cast<char>('a' + i));
    f.Advance(250 * kMs);
    f.out.Reset();  // a, b, and the first 50 ms of c
    expected = String(1600, 'a') + String(1600, 'b') + String(800, 'c');
    f.Submit(1600, 'd');
    f.Advance(10 * kMs);
    f.out.Pause();
    f.Advance(10 * kMs);
    f.out.Close();  // 10 ms of d
    expected += String(160, 'd');

    const String file = fixtures::ReadFile(path);  // complete before the device ends
    ASSERT_EQ(file.size(), WavFile::kNaglowek + expected.size());
    EXPECT_TRUE(file.substr(WavFile::kNaglowek) == expected);

    f.out.Open(Pcm("8000 mono 8 PCM"));  // the same format: the same file
    f.Submit(320, 'e');
    f.Advance(20 * kMs);
    expected += String(320, 'e');
    f.out.Close();
    f.out.Open(Pcm("8000 stereo 8 PCM"));
    f.Submit(3200, 'f');
    f.Advance(100 * kMs);
    f.out.Close();
    const std::vector<String> files = f.device->WavFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], dir / "heard-2.wav");
  }
  const String file = fixtures::ReadFile(path);
  const WavNaglowek h = WavNaglowek::Czytaj(path);
  EXPECT_TRUE(h.Spojny());
  EXPECT_EQ(h.rate, 8000u);
  EXPECT_EQ(h.kanaly, 1);
  EXPECT_EQ(h.daneOd, WavFile::kNaglowek);
  EXPECT_TRUE(h.Dane() == expected);
  const WavNaglowek second = WavNaglowek::Czytaj(dir / "heard-2.wav");
  EXPECT_TRUE(second.Spojny());
  EXPECT_EQ(second.kanaly, 2);
  EXPECT_TRUE(second.Dane() == String(3200, 'f'));
}

// On the monotonic clock the device's own thread marks buffers done and wakes the player,
// at the pace of the audio.
TEST(WaveOutNull, PacesItselfOnTheMonotonicClock) {
  EventAutomatic event;
  WaveOutME out;
  out.SetEvent(&event);
  out.SetDevice(std::make_unique<WaveOutNull>());
  out.Open(Pcm("8000 mono 8 PCM"));
  ASSERT_TRUE(event.WaitFor(1000));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) out.Write(String(1600, 'x').data(), 1600);
  int free = 0;
  while (free < 10 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    event.WaitFor(1000);
    free = 0;
    for (int i = 0; i < 10; ++i) free += out.BufferAt(i).Done() ? 1 : 0;
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(free, 10);
  EXPECT_GE(took, std::chrono::milliseconds(295));  // not before the audio could have played
  EXPECT_EQ(out.GetPosition(), Roznica::Milisekunda * 300);
  out.Close();
}

}  // namespace
