#include "audio/PlayAudio.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "audio/PlaybackFixtures.h"
#include "audio/PulseTestDaemon.h"
#include "audio/WaveOutPulse.h"
#include "decoder/MasterDekoder.h"
#include "mpeg/Mp3Header.h"
#include "support/LogCapture.h"
#include "support/WavNaglowek.h"

using namespace playback;

namespace {

// Equal to within the few one-tick values that empty buffers add.
void ExpectAbout(Roznica actual, Roznica expected) {
  EXPECT_LE(std::abs((actual - expected).Wartosc()), 3) << actual.Wartosc() << " vs " << expected.Wartosc();
}

// The first packet opens the output in its format and starts the stretch at its time;
// the time heard then runs with the card.
TEST(PlayAudio, FirstPacketOpensTheOutputAndStartsTheStretch) {
  LogCapture log;
  Engine e;
  e.grajek->Start();
  EXPECT_EQ(e.grajek->GetCzas(), Czas() + kTick);  // nothing yet: no start, closed card
  e.Play(Packet(kT0, 1000, 0));
  EXPECT_NE(log.Text().find("otwieram karte -1 8000 mono 128 PCM"), String::npos) << log.Text();
  EXPECT_EQ(e.device->opens, 1);
  EXPECT_EQ(e.device->writes, 10);  // the whole second fits the ten buffers
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + kTick);
  e.Advance(300);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(300));
  // 1 s written, 300 ms heard; the empty encoded and decoded buffers and the empty
  // queue count a tick each.
  EXPECT_EQ(e.grajek->IleWBuforze(), Ms(700) + kTick * 3);
  e.Advance(1000);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(1000));  // ran dry: the time stays at the end
  const std::vector<int16_t> heard = e.Heard();
  EXPECT_EQ(heard.size(), 8000u);
  EXPECT_TRUE(Continuous(heard));
}

// A second packet within 1 s of where the buffered audio ends continues the stretch (its
// offset is absorbed); one further away waits until the first has been heard, then the
// card is reset and the time jumps to the packet's own.
TEST(PlayAudio, NextPacketJoinsWithinOneSecondElseStartsAStretchOnceTheCardIsDry) {
  struct Case {
    int offsetMs;  // of the second packet from the end of the first
    bool joins;
  };
  const Case cases[] = {
      {0, true}, {900, true}, {-900, true}, {999, true}, {1001, false}, {1500, false}, {-1500, false}, {60000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offsetMs);
    Engine e;
    e.grajek->Start();
    const Czas second = kT0 + Ms(1000 + c.offsetMs);
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Packet(kT0, 1000, 0)));
    e.Play(Packet(second, 1000, 8000));
    e.Advance(500);
    EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(500));
    ExpectAbout(e.grajek->IleWBuforze(), Ms(1500));
    e.Advance(700);
    if (c.joins) {
      EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(1200));
      EXPECT_EQ(e.device->resets, 1);  // only the first stretch's start
    } else {
      EXPECT_EQ(e.grajek->GetCzas(), second + Ms(200));
      EXPECT_EQ(e.device->resets, 2);
    }
    EXPECT_EQ(e.device->opens, 1);
    e.Advance(1000);
    const std::vector<int16_t> heard = e.Heard();
    EXPECT_EQ(heard.size(), 16000u);  // both packets, whole, in order
    EXPECT_TRUE(Continuous(heard));
  }
}

// A packet in another format waits until the card has played everything, then the output
// is closed and opened again in the new format. A format text written with other spacing
// is the same format.
TEST(PlayAudio, FormatChangeReopensTheCardAfterItDrains) {
  {
    LogCapture log;
    Engine e;
    e.grajek->Start();
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Packet(kT0, 1000, 0)));
    const Czas second = kT0 + Ms(1000);
    e.Play(Packet(second, 500, 100, 2, "16000 mono 256 PCM", 16000));
    e.Advance(900);
    EXPECT_EQ(e.device->opens, 1);
    EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(900));
    e.Advance(300);
    EXPECT_EQ(e.device->opens, 2);
    EXPECT_NE(log.Text().find("otwieram karte -1 16000 mono 256 PCM"), String::npos);
    EXPECT_EQ(e.grajek->GetCzas(), second + Ms(200));
    e.Advance(400);
    EXPECT_EQ(e.Heard(0).size(), 8000u);
    const std::vector<int16_t> after = e.Heard(1);
    ASSERT_EQ(after.size(), 8000u);
    EXPECT_EQ(after[0], 100);
    EXPECT_TRUE(Continuous(after));
  }
  {
    Engine e;
    e.grajek->Start();
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Packet(kT0, 1000, 0)));
    e.Play(Packet(kT0 + Ms(1000), 1000, 8000, 2, "8000  mono   128 PCM"));
    e.Advance(1500);
    EXPECT_EQ(e.device->opens, 1);
    EXPECT_EQ(e.device->resets, 1);
    EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(1500));
    EXPECT_TRUE(Continuous(e.Heard()));
  }
}

// Real MPEG audio cut into packets at arbitrary byte boundaries plays as one stream, the
// same PCM as the stream decoded whole; PCM after it reopens the card.
TEST(PlayAudio, MpegPacketsPlayAsOneStreamThenPcmReopens) {
  const std::vector<int16_t> tone = fixtures::Sine(44100, 2, 3.0, 440);
  const std::string mp3 = fixtures::EncodeMp3(tone, 44100, 2, 128);
  const String format = "44100 stereo 128 MPEG1";
  std::string reference;
  {
    MasterDekoder d;
    d.SetFormat(AudioFormat(format));
    d.Write(mp3.data(), static_cast<int>(mp3.size()));
    char block[65536];
    for (int n; (n = d.ReadAnyNonBlocking(block, sizeof block)) > 0;) reference.append(block, static_cast<size_t>(n));
  }
  ASSERT_GT(reference.size(), 100000u);

  Engine e;
  e.grajek->Start();
  // 16000 bytes a second: a packet's time follows from its offset in the stream.
  const size_t cuts[] = {0, 7001, 16000, 29999, 40000, mp3.size()};
  for (size_t i = 0; i + 1 < std::size(cuts); ++i) {
    const Czas at = kT0 + Roznica::Sekunda * static_cast<int64_t>(cuts[i]) / 16000;
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Encoded(at, mp3.substr(cuts[i], cuts[i + 1] - cuts[i]), format)));
  }
  const Czas end = kT0 + Roznica::Sekunda * static_cast<int64_t>(mp3.size()) / 16000;
  e.grajek->Graj(*std::make_unique<PaczkaAudio>(Packet(end, 500, 0)));
  e.Settle();
  e.Advance(2000);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(2000));
  EXPECT_EQ(e.device->resets, 1);
  e.Advance(2000);
  const std::vector<int16_t> heard = e.Heard(0);
  const std::vector<int16_t> expected = fixtures::Samples(reference);
  // Everything but the last frame, which the frame filter keeps until a next header.
  EXPECT_GE(heard.size() + 2 * 1152, expected.size());
  ASSERT_LE(heard.size(), expected.size());
  EXPECT_TRUE(std::equal(heard.begin(), heard.end(), expected.begin()));
  EXPECT_EQ(e.device->opens, 2);
  EXPECT_EQ(e.Heard(1).size(), 4000u);
}

// While paused, buffers are filled (ten at most) and the time stands; Start lets it run.
// A reset while paused leaves the card paused.
TEST(PlayAudio, PauseFillsTheBuffersAndHoldsTheTime) {
  Engine e;  // created paused
  e.Play(Packet(kT0, 2000, 0));
  e.Advance(500);
  EXPECT_EQ(e.device->writes, 10);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + kTick);
  ExpectAbout(e.grajek->IleWBuforze(), Ms(2000));  // 1 s submitted, the rest encoded
  e.grajek->Start();
  EXPECT_FALSE(e.grajek->IsStopped());
  e.Advance(300);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(300));
  e.grajek->Stop();
  EXPECT_TRUE(e.grajek->IsStopped());
  e.Advance(1000);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(300));
  EXPECT_EQ(e.device->writes, 13);  // the three heard buffers were refilled
  e.grajek->Start();
  e.Advance(200);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(500));

  e.grajek->Stop();
  const Czas c = kT0 + Roznica::Minuta;
  e.grajek->Reset(c);
  e.Play(Packet(c, 1000, 0, 3));
  e.Advance(500);
  EXPECT_EQ(e.grajek->GetCzas(), c + kTick);
  e.grajek->Start();
  e.Advance(100);
  EXPECT_EQ(e.grajek->GetCzas(), c + Ms(100));
}

// A seek throws away the queue and everything buffered and shows its own time until audio
// comes. The first packet of the new request starts the stretch: one after the moment at
// its own time, one that begins before it (the lead-in) at the moment, its audio before
// the moment cut; either way the time shown is the time of the audio heard.
TEST(PlayAudio, SeekDropsEverythingAndStartsAtItsTime) {
  struct Case {
    int offsetMs;    // of the first packet from the moment asked for
    int cutSamples;  // of its 8000, not played
  };
  const Case cases[] = {{-60, 480}, {400, 0}, {2000, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.offsetMs);
    Engine e;
    e.grajek->Start();
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Packet(kT0, 2000, 0)));
    e.Play(Packet(kT0 + Ms(5000), 1000, 0));  // waits for the card
    e.Advance(500);
    const Czas c = kT0 + Roznica::Godzina;
    e.grajek->Reset(c);
    EXPECT_EQ(e.grajek->NumerAudia(), 3);
    EXPECT_EQ(e.grajek->GetCzas(), c + kTick);
    EXPECT_EQ(e.grajek->IleWBuforze(), kTick * 3);
    e.Play(Packet(kT0 + Ms(2000), 1000, 16000, 2));  // of the old request: dropped
    EXPECT_EQ(e.grajek->IleWBuforze(), kTick * 3);
    const size_t before = e.Heard().size();
    e.Play(Packet(c + Ms(k.offsetMs), 1000, 20000, 3));
    const Czas start = c + Ms(std::max(k.offsetMs, 0));
    e.Advance(200);
    EXPECT_EQ(e.grajek->GetCzas(), start + Ms(200));
    e.Advance(1000);
    const std::vector<int16_t> heard = e.Heard();
    ASSERT_EQ(heard.size(), before + 8000 - static_cast<size_t>(k.cutSamples));
    EXPECT_EQ(heard[before], 20000 + k.cutSamples);  // nothing of the old request after the seek
    EXPECT_TRUE(Continuous(std::vector<int16_t>(heard.begin() + static_cast<long>(before), heard.end())));
  }
}

// A stream as the archive serves it: whole frames (MPEG frames, 10 ms blocks of PCM), the
// first stamped kT0, each packet with the time of the first sample its frames decode to;
// and the whole stream decoded at once, the reference of what each moment sounds like.
struct Served {
  String format;
  std::string bytes;
  std::vector<size_t> frames;  // byte offsets of the frames
  int samplesPerFrame = 0;
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> decoded;

  Served(const String& f, std::string b, int r, int ch) : format(f), bytes(std::move(b)), rate(r), channels(ch) {
    if (AudioFormat(format).GetCompression() == "PCM") {
      samplesPerFrame = rate / 100;
      for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(samplesPerFrame * channels * 2)) {
        frames.push_back(at);
      }
    } else {
      for (size_t at = 0; at + 4 <= bytes.size();) {
        const Mp3Header h = Mp3Header::FromBytes(reinterpret_cast<const unsigned char*>(bytes.data() + at));
        if (!h.IsValid()) break;
        samplesPerFrame = h.SamplesPerFrame();
        frames.push_back(at);
        at += static_cast<size_t>(h.FrameLength());
      }
    }
    MasterDekoder d;
    d.SetFormat(AudioFormat(format));
    d.Write(bytes.data(), static_cast<int>(bytes.size()));
    std::string pcm;
    char block[65536];
    for (int n; (n = d.ReadAnyNonBlocking(block, sizeof block)) > 0;) pcm.append(block, static_cast<size_t>(n));
    decoded = fixtures::Samples(pcm);
  }
  // The time of sample frame j of the stream.
  Czas At(int64_t j) const { return kT0 + Roznica(j * Roznica::Sekunda.Wartosc() / rate); }
  // The packet of frames [from, to).
  PaczkaAudio Frames(size_t from, size_t to, int numer) const {
    const size_t end = to < frames.size() ? frames[to] : bytes.size();
    return Encoded(At(static_cast<int64_t>(from) * samplesPerFrame), bytes.substr(frames[from], end - frames[from]),
                   format, numer);
  }
};

// After a seek the server's audio begins three frames before the moment: they are decoded
// (priming the decoder) but not played. The first sample played is the stream's sample at
// the moment, and the time shown at the first write is the moment, both to the sample,
// whether the moment lies inside the first packet or the lead-in frames come alone.
TEST(PlayAudio, SeekPlaysFromTheMomentAskedForNotTheLeadIn) {
  const std::vector<int16_t> tone = fixtures::Sine(44100, 2, 3.0, 440);
  struct Case {
    const char* name;
    Served stream;
    bool leadInAlone;  // the lead-in frames are a packet of their own
  };
  const Served mp3("44100 stereo 128 MPEG1", fixtures::EncodeMp3(tone, 44100, 2, 128), 44100, 2);
  const Served mp2("44100 stereo 192 MPEG1", fixtures::EncodeMp2(tone, 44100, 2, 192), 44100, 2);
  const Served pcm("8000 mono 128 PCM", fixtures::Bytes(fixtures::Sine(8000, 1, 3.0, 440)), 8000, 1);
  const Case cases[] = {
      {"layer III", mp3, false}, {"layer III, lead-in alone", mp3, true}, {"layer II", mp2, false},
      {"layer II, lead-in alone", mp2, true}, {"PCM", pcm, false}, {"PCM, lead-in alone", pcm, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Served& s = c.stream;
    ASSERT_GT(s.frames.size(), 60u);
    // A moment inside frame 20, not on a tick of the clock.
    const size_t frame = 20;
    const int64_t sample = static_cast<int64_t>(frame) * s.samplesPerFrame + s.samplesPerFrame * 2 / 5 + 1;
    const Czas t = s.At(sample) + Roznica(7);
    const Roznica oneSample(Roznica::Sekunda.Wartosc() / s.rate + 1);

    Engine e;
    e.grajek->Start();
    e.Play(s.Frames(0, 10, 2));  // a stretch playing before the seek
    e.Advance(50);
    e.grajek->Reset(t);
    if (c.leadInAlone) {
      e.grajek->Graj(*std::make_unique<PaczkaAudio>(s.Frames(frame - 3, frame, 3)));
      e.Play(s.Frames(frame, 60, 3));
    } else {
      e.Play(s.Frames(frame - 3, 60, 3));
    }
    EXPECT_LE(std::abs((e.grajek->GetCzas() - t).Wartosc()), oneSample.Wartosc());
    const size_t before = e.Heard().size();
    e.Advance(300);
    EXPECT_LE(std::abs((e.grajek->GetCzas() - (t + Ms(300))).Wartosc()), oneSample.Wartosc());
    const std::vector<int16_t> heard = e.Heard();
    ASSERT_GE(heard.size(), before + static_cast<size_t>(s.rate / 10 * s.channels));
    // What was heard after the seek is the reference from the moment on, sample for sample.
    const size_t from = static_cast<size_t>(sample) * static_cast<size_t>(s.channels);
    int worst = 0;
    for (size_t i = 0; i < static_cast<size_t>(s.rate / 10 * s.channels); ++i) {
      worst = std::max(worst, std::abs(heard[before + i] - s.decoded[from + i]));
    }
    EXPECT_LE(worst, 1) << "first heard " << heard[before] << ", expected " << s.decoded[from];
  }
}

// Only the audio before the moment of the last reset is cut. Events-only play may jump
// ahead right after it: a packet after the moment that does not continue the lead-in
// frames plays whole, from its own time; once a packet has reached the moment, later
// ones join as in continuous play, uncut.
TEST(PlayAudio, OnlyTheLeadInOfTheFirstPacketsIsCut) {
  struct Case {
    const char* name;
    int firstMs;            // the first packet's length; it begins 30 ms before the moment
    int secondOffsetMs;     // where the second begins, from the moment
    std::vector<int> runs;  // the first sample of each continuous run heard
    std::vector<size_t> lengths;
    int shownAfter200Ms;  // the time shown 200 ms after the first write, from the moment
  };
  const Case cases[] = {
      {"lead-in alone, then a jump", 30, 500, {20000}, {8000}, 700},
      {"moment reached, then a jump", 100, 500, {240, 20000}, {560, 8000}, 200},
      {"lead-in alone, then the rest", 30, 0, {240}, {8000}, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Engine e;
    e.grajek->Start();
    const Czas moment = kT0 + Roznica::Godzina;
    e.grajek->Reset(moment);
    e.grajek->Graj(*std::make_unique<PaczkaAudio>(Packet(moment - Ms(30), c.firstMs, 0, 3)));
    const int second = c.secondOffsetMs == 0 ? 240 : 20000;
    e.Play(Packet(moment + Ms(c.secondOffsetMs), 1000, second, 3));
    e.Advance(200);
    EXPECT_EQ(e.grajek->GetCzas(), moment + Ms(c.shownAfter200Ms));
    e.Advance(2000);
    const std::vector<int16_t> heard = e.Heard();
    size_t at = 0;
    for (size_t i = 0; i < c.runs.size(); ++i) {
      ASSERT_LT(at, heard.size());
      EXPECT_EQ(heard[at], c.runs[i]);
      const std::vector<int16_t> run(heard.begin() + static_cast<long>(at),
                                     heard.begin() + static_cast<long>(std::min(heard.size(), at + c.lengths[i])));
      EXPECT_EQ(run.size(), c.lengths[i]);
      EXPECT_TRUE(Continuous(run));
      at += c.lengths[i];
    }
    EXPECT_EQ(heard.size(), at);
  }
}

// Diagnostic texts go to the debug stream as whole "String" packets described "debug":
// where each queued packet starts and ends, and where the next audio joins.
TEST(PlayAudio, DebugMarkersShowPacketsAndTheJoinPoint) {
  Engine e;
  e.grajek->Start();
  e.Play(Packet(kT0, 1000, 0));
  std::vector<TextPacket> texts = ReadTextPackets(e.debug);
  ASSERT_GE(texts.size(), 3u);
  for (const TextPacket& t : texts) EXPECT_EQ(t.opis, "debug");
  EXPECT_EQ(texts[0].text, "setkolorznacznik 0xdddd00 " + kT0.NapisHex());
  EXPECT_EQ(texts[1].text, "setkolorznacznik 0xffff00 " + (kT0 + Ms(1000)).NapisHex());
  // After the card was reset for the stretch: written, encoded and decoded parts empty.
  EXPECT_EQ(texts.back().text, "setkolorznacznik 0x00ff00 " + (kT0 + kTick * 3).NapisHex());

  // A packet that must wait: the join point is shown at every pass that weighs it.
  e.Play(Packet(kT0 + Ms(3000), 500, 0));
  texts = ReadTextPackets(e.debug);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "setkolorznacznik 0xdddd00 " + (kT0 + Ms(3000)).NapisHex());
  EXPECT_EQ(texts[1].text, "setkolorznacznik 0xffff00 " + (kT0 + Ms(3500)).NapisHex());
  for (size_t i = 2; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].text, "setkolorznacznik 0x00ff00 " + (kT0 + Ms(1000) + kTick * 2).NapisHex());
  }
}

// A packet whose format text is not a valid format is refused before it is queued; the
// engine plays on.
TEST(PlayAudio, InvalidFormatIsRefusedAndQueuesNothing) {
  Engine e;
  e.grajek->Start();
  PaczkaAudio bad = Packet(kT0, 1000, 0, 2, "44100 stereo");
  const String m = MessageOf([&] { e.grajek->Graj(bad); });
  EXPECT_EQ(Text(m), "Invalid format \"44100 stereo\".");
  EXPECT_EQ(m.find(" in file "), m.rfind(" in file "));
  EXPECT_EQ(e.grajek->IleWBuforze(), kTick * 3);
  EXPECT_TRUE(ReadTextPackets(e.debug).empty());
  e.Play(Packet(kT0, 1000, 0));
  e.Advance(100);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(100));
}

// A failure inside the playback thread ends it with a reason that every Play reports; the
// next Restart starts a fresh thread on a freshly opened card, and playback goes on.
TEST(PlayAudio, RecoversAtTheNextRestartAfterTheThreadFailed) {
  struct Case {
    const char* name;
    const char* reason;  // the text of "thread finished: " + reason, without location
  };
  const Case cases[] = {
      {"unknown compression", "nieznany format: AAC"},
      {"no sound server", "Problem z urzadzeniem wyjsciowym ( no device driver present )"},
      {"sound server went away", " no device driver present "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    Engine e;
    e.grajek->Start();
    const String name = c.name;
    if (name == "unknown compression") {
      e.Play(Packet(kT0, 4000, 0, 2, "44100 stereo 128 AAC"));
    } else if (name == "no sound server") {
      e.device->failOpen = true;
      e.Play(Packet(kT0, 4000, 0));
    } else {
      e.Play(Packet(kT0, 4000, 0));
      e.Advance(200);
      e.device->gone = true;
      EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(200));  // the last position read stands in
      e.Advance(100);
      EXPECT_EQ(e.grajek->GetCzas(), kT0 + Ms(200));
    }
    // What will never be heard does not count: below 3 s the player core asks for more
    // audio...
    EXPECT_LT(e.grajek->IleWBuforze(), Roznica::Sekunda * 3);
    // ... and its packets report why nothing plays.
    for (int i = 0; i < 2; ++i) {
      PaczkaAudio p = Packet(kT0 + Ms(4000), 500, 8000);
      const String m = MessageOf([&] { e.grajek->Graj(p); });
      EXPECT_EQ(Text(m), String("thread finished: ") + c.reason) << m;
    }
    EXPECT_NE(log.Text().find("exception in thread PlayAudio"), String::npos);
    e.device->failOpen = false;
    e.device->gone = false;

    const Czas restart = kT0 + Roznica::Minuta;
    e.grajek->Restart(restart);
    EXPECT_EQ(e.grajek->NumerAudia(), 2);
    EXPECT_EQ(e.grajek->GetCzas(), restart + kTick);
    EXPECT_EQ(e.grajek->IleWBuforze(), kTick * 3);
    const int opens = e.device->opens;
    e.Play(Packet(restart, 1000, 0));
    e.Advance(300);
    EXPECT_EQ(e.grajek->GetCzas(), restart + Ms(300));
    EXPECT_EQ(e.device->opens, opens + 1);
    EXPECT_NE(log.Text().find("playback thread started again after: " + String(c.reason)), String::npos);
  }
}

// A reset or a pause on a card whose server went away is logged and closes the output;
// it raises nothing, and the next stretch opens the card again.
TEST(PlayAudio, CardFailuresInCallersAreLoggedNotRaised) {
  LogCapture log;
  Engine e;
  e.grajek->Start();
  e.Play(Packet(kT0, 1000, 0));
  e.device->gone = true;
  e.grajek->Stop();  // the null output pauses without asking the server
  e.grajek->Reset(kT0 + Roznica::Minuta);
  EXPECT_NE(log.Text().find("playback: reset failed, closing the output"), String::npos) << log.Text();
  e.device->gone = false;
  e.grajek->Start();
  e.Play(Packet(kT0 + Roznica::Minuta, 1000, 0, 3));
  e.Advance(100);
  EXPECT_EQ(e.grajek->GetCzas(), kT0 + Roznica::Minuta + Ms(100));
  EXPECT_EQ(e.device->opens, 2);
}

// Destroying the player while the card plays, while paused with full buffers, and after
// the thread failed: the thread stops and the card stops reading before the buffers go.
// Runs on the null output paced by the real clock, whose own thread reads the buffers.
TEST(PlayAudio, DestructionWhilePlaying) {
  std::mt19937 random(7);
  for (int i = 0; i < 30; ++i) {
    TempDir dir;
    auto grajek = std::make_unique<Grajek>(nullptr, nullptr, std::make_unique<WaveOutNull>(dir / "heard.wav"));
    if (i % 3 != 1) grajek->Start();
    PaczkaAudio p = Packet(kT0, 300, 0);
    grajek->Graj(p);
    if (i % 3 == 2) {
      PaczkaAudio bad = Packet(kT0 + Ms(300), 300, 0, 2, "8000 mono 128 AAC");
      grajek->Graj(bad);
    }
    PaczkaAudio q = Packet(kT0 + Ms(300), 300, 2400);
    try {
      grajek->Graj(q);
    } catch (const Exception&) {
      // The thread may already have met the bad packet.
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
    grajek.reset();

    // What was recorded is a whole file of what was sent, in order: the first packet from
    // its start, then the second where the first ended. When the bad packet stopped the
    // thread, the second packet may follow a first cut short by the restart.
    SCOPED_TRACE("try " + std::to_string(i));
    const String plik = dir / "heard.wav";
    if (!std::filesystem::exists(plik)) continue;
    const WavNaglowek w = WavNaglowek::Czytaj(plik);
    ASSERT_TRUE(w.Spojny()) << "the recording was left unfinished";
    ASSERT_EQ(w.Dane().size() % 2, 0u);
    const std::vector<int16_t> heard = fixtures::Samples(w.Dane());
    ASSERT_LE(heard.size(), 4800u);
    size_t k = 0;
    while (k < heard.size() && heard[k] == static_cast<int16_t>(k)) ++k;
    if (i % 3 == 2 && k < heard.size() && k < 2400) {
      EXPECT_TRUE(heard[k] == 2400 && Continuous(std::vector<int16_t>(heard.begin() + static_cast<long>(k), heard.end())))
          << "sample " << k << " is " << heard[k];
    } else {
      EXPECT_EQ(k, heard.size()) << "sample " << k << " is " << heard[k];
    }
  }
}

// Through a real sound server (a private daemon with a null sink): MPEG packets play as
// one stretch whose time follows the server's clock, a pause holds it, a seek shows its
// own time, and the player can be destroyed while the server is playing.
TEST(PlayAudioOnPulse, TimeFollowsTheServer) {
  PulseTestDaemon daemon;
  const std::string why = daemon.Start(44100);
  if (!why.empty()) GTEST_SKIP() << "no PulseAudio daemon for this test: " << why;
  const std::string mp3 = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 5.0, 440), 44100, 2, 128);
  LogCapture log;
  Grajek grajek(nullptr, nullptr, std::make_unique<WaveOutPulse>());
  grajek.Start();
  for (size_t at = 0; at < mp3.size(); at += 16000) {
    PaczkaAudio p = Encoded(kT0 + Roznica::Sekunda * static_cast<int64_t>(at / 16000), mp3.substr(at, 16000),
                            "44100 stereo 128 MPEG1");
    grajek.Graj(p);
  }
  auto sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  auto seconds = [](Roznica r) { return static_cast<double>(r.Wartosc()) / Roznica::Sekunda.Wartosc(); };
  sleep(1500);
  // The server starts within its latency; the time runs with what it has played.
  EXPECT_NEAR(seconds(grajek.GetCzas() - kT0), 1.5, 0.4);
  EXPECT_NEAR(seconds(grajek.IleWBuforze()), static_cast<double>(mp3.size()) / 16000 - 1.5, 0.5);
  grajek.Stop();
  const Czas held = grajek.GetCzas();
  sleep(500);
  EXPECT_EQ(grajek.GetCzas(), held);
  grajek.Start();
  sleep(500);
  EXPECT_NEAR(seconds(grajek.GetCzas() - held), 0.5, 0.25);
  const Czas c = kT0 + Roznica::Godzina;
  grajek.Reset(c);
  EXPECT_EQ(grajek.GetCzas(), c + kTick);
  PaczkaAudio p = Encoded(c, mp3.substr(0, 32000), "44100 stereo 128 MPEG1", 3);
  grajek.Graj(p);
  sleep(700);
  EXPECT_NEAR(seconds(grajek.GetCzas() - c), 0.7, 0.4);
  EXPECT_EQ(log.Text().find("thread finished"), String::npos);
  EXPECT_EQ(log.Text().find("exception in thread"), String::npos) << log.Text();
}


// The two time queries never wait for the sound server: with the private daemon stopped
// (SIGSTOP) for 3 s while a pause, a resume and a seek each wait for its answer, GetCzas
// and IleWBuforze read every 10 ms on another thread, as the window's timer does, answer
// at once; the time stands still while paused and is the seek's moment from the seek on.
// They take no lock and call no device, so a reading can only be slowed by the scheduler:
// the bound asserted is far below the seconds a wait would take, and the worst reading is
// printed.
TEST(PlayAudioOnPulse, TimeQueriesNeverWaitForAStalledServer) {
  PulseTestDaemon daemon;
  const std::string why = daemon.Start(8000);
  if (!why.empty()) GTEST_SKIP() << "no PulseAudio daemon for this test: " << why;
  const pid_t server = daemon.Pid();
  ASSERT_GT(server, 0);
  LogCapture log;
  Grajek grajek(nullptr, nullptr, std::make_unique<WaveOutPulse>());
  using Clock = std::chrono::steady_clock;
  auto sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };

  struct Reading {
    Clock::time_point at;
    Czas czas;
    double ms;  // how long the two queries took
  };
  std::mutex mutex;
  std::vector<Reading> readings;
  std::atomic<bool> done{false};
  std::thread tick([&] {
    while (!done) {
      const auto before = Clock::now();
      const Czas c = grajek.GetCzas();
      grajek.IleWBuforze();
      const auto after = Clock::now();
      {
        std::lock_guard<std::mutex> g(mutex);
        readings.push_back({before, c, std::chrono::duration<double, std::milli>(after - before).count()});
      }
      std::this_thread::sleep_until(before + std::chrono::milliseconds(10));
    }
  });
  auto since = [&](Clock::time_point from) {
    std::lock_guard<std::mutex> g(mutex);
    std::vector<Reading> r;
    for (const Reading& x : readings) {
      if (x.at >= from) r.push_back(x);
    }
    return r;
  };
  // A new stretch at `at`, playing: waits until the server plays it.
  auto playFrom = [&](Czas at) {
    grajek.Reset(at);
    grajek.Start();
    for (int i = 0; i < 4; ++i) {
      PaczkaAudio p = Packet(at + Roznica::Sekunda * i, 1000, 8000 * i, grajek.NumerAudia());
      grajek.Graj(p);
    }
    for (int i = 0; i < 300 && grajek.GetCzas() < at + Ms(200); ++i) sleep(10);
    ASSERT_GE(grajek.GetCzas(), at + Ms(200)) << "the server does not play";
  };
  // Runs `call` with the server stopped for 2 s; returns when the call returned. The stall
  // stays well inside the 3 s the output waits for an answer: a stall as long as that wait
  // makes the answer and the output's own timeout race, and the output that gave up on the
  // server is closed and its time starts again.
  auto stalled = [&](const std::function<void()>& call) -> Clock::time_point {
    EXPECT_EQ(kill(server, SIGSTOP), 0);
    std::thread wake([&] {
      sleep(2000);
      kill(server, SIGCONT);
    });
    const auto before = Clock::now();
    call();
    const auto after = Clock::now();
    wake.join();
    // The call did wait for the server, so the readings meanwhile were made during a wait.
    EXPECT_GT(std::chrono::duration<double>(after - before).count(), 1.0) << "the call did not wait for the server";
    return after;
  };

  const Czas t1 = kT0;
  ASSERT_NO_FATAL_FAILURE(playFrom(t1));
  const auto pauseStart = Clock::now();
  const auto pauseEnd = stalled([&] { grajek.Stop(); });
  // While the pause waits, the time stands where the card stopped.
  std::vector<Reading> paused = since(pauseStart + std::chrono::milliseconds(50));
  std::erase_if(paused, [&](const Reading& r) { return r.at >= pauseEnd; });
  ASSERT_FALSE(paused.empty());
  EXPECT_GT(paused.front().czas, t1 + Ms(200));
  for (const Reading& r : paused) EXPECT_EQ(r.czas, paused.front().czas) << "the time moves while paused";

  const Czas t2 = kT0 + Roznica::Minuta;
  ASSERT_NO_FATAL_FAILURE(playFrom(t2));
  grajek.Stop();
  stalled([&] { grajek.Start(); });

  const Czas t3 = kT0 + Roznica::Minuta * 2;
  ASSERT_NO_FATAL_FAILURE(playFrom(t3));
  const Czas t4 = kT0 + Roznica::Godzina;
  const auto seekStart = Clock::now();
  stalled([&] { grajek.Reset(t4); });
  // From the seek on, nothing of the new stretch is heard yet: the time is its moment.
  for (const Reading& r : since(seekStart + std::chrono::milliseconds(5))) EXPECT_EQ(r.czas, t4 + kTick);

  done = true;
  tick.join();
  double worst = 0;
  int over1ms = 0;
  for (const Reading& r : readings) {
    worst = std::max(worst, r.ms);
    if (r.ms > 1.0) ++over1ms;
  }
  // No call gave the stalled server up.
  EXPECT_EQ(log.Text().find("failed, closing the output"), String::npos) << log.Text();
  std::printf("time queries: %zu readings, worst %.3f ms, %d over 1 ms\n", readings.size(), worst, over1ms);
  RecordProperty("worst_ms", std::to_string(worst));
  EXPECT_LT(worst, 250.0);
}

}  // namespace
