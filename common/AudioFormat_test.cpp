#include "common/AudioFormat.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "support/Raised.h"

namespace {

TEST(AudioFormat, ParsesAndPrintsTable) {
  struct Case {
    const char* text;
    int sps, channels, bps, bytesPerSecond;
    bool valid;
    const char* printed;
    const char* compression;
  };
  const Case cases[] = {
      {"44100 stereo 128 MPEG1", 44100, 2, 128000, 16000, true, "44100 stereo 128 MPEG1", "MPEG1"},
      {"22050 mono 64 MPEG1", 22050, 1, 64000, 8000, true, "22050 mono 64 MPEG1", "MPEG1"},
      {"22050 joint 64 MPEG1", 22050, 2, 64000, 8000, true, "22050 joint 64 MPEG1", "MPEG1"},
      {"44100  stereo  128  MPEG1", 44100, 2, 128000, 16000, true, "44100 stereo 128 MPEG1", "MPEG1"},
      {"  48000 stereo 192 MPEG1 extra words", 48000, 2, 192000, 24000, true, "48000 stereo 192 MPEG1", "MPEG1"},
      {"44100 stereo 1411 PCM", 44100, 2, 1411000, 176375, true, "44100 stereo 1411 PCM", "PCM"},
      {"8000 mono 8 PCM", 8000, 1, 8000, 1000, true, "8000 mono 8 PCM", "PCM"},
      {"44100 stereo 128", 44100, 2, 128000, 16000, true, "44100 stereo 128 ", ""},
      {"44100 stereo", 44100, 2, 0, 0, false, "invalid", ""},
      {"44100", 44100, 2, 0, 0, false, "invalid", ""},
      {"44100 Mono 64 MPEG1", 44100, 2, 64000, 8000, true, "44100 Mono 64 MPEG1", "MPEG1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const AudioFormat f(c.text);
    EXPECT_EQ(f.GetSps(), c.sps);
    EXPECT_EQ(f.GetChannels(), c.channels);
    EXPECT_EQ(f.GetBps(), c.bps);
    EXPECT_EQ(f.GetBytesPerSecond(), c.bytesPerSecond);
    EXPECT_EQ(f.IsValid(), c.valid);
    EXPECT_EQ(f.GetString(), c.printed);
    EXPECT_EQ(f.GetCompression(), c.compression);
  }
}

TEST(AudioFormat, DefaultIsInvalid) {
  const AudioFormat f;
  EXPECT_FALSE(f.IsValid());
  EXPECT_EQ(f.GetString(), "invalid");
  EXPECT_EQ(f.GetSps(), 0);
  EXPECT_EQ(f.GetCompression(), "");
}

TEST(AudioFormat, MalformedTextsRaiseWithTheirTexts) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"0 stereo 128 MPEG1", "sps==0"},
      {"44100 stereo 0 MPEG1", "bps==0"},
      {"-44100 stereo 128 MPEG1", "sps<0"},
      {"44100 stereo -128 MPEG1", "bps<0"},
      {"44100 stereo 2147484 MPEG1", "bps>2147483647"},
      {"abc stereo 128 MPEG1", "'abc' is not a valid integer value"},
      {"44100 stereo 12x8 MPEG1", "'12x8' is not a valid integer value"},
      {"99999999999 stereo 128 MPEG1", "'99999999999' is not a valid integer value"},
      {"", "'' is not a valid integer value"},
      {"44100.5 stereo 128 MPEG1", "'44100.5' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Text(MessageOf([&] { AudioFormat f(c.text); })), c.error);
  }
  // The assertion form carries the location suffix twice.
  const String m = MessageOf([] { AudioFormat f("0 stereo 128 MPEG1"); });
  const String suffix = m.substr(6, (m.size() - 6) / 2);
  EXPECT_EQ(suffix.rfind(" in file \"AudioFormat.cpp\" line ", 0), 0u) << m;
  EXPECT_EQ(m, "sps==0" + suffix + suffix);
}

TEST(AudioFormat, DurationsAndByteCounts) {
  AudioFormat mp3("44100 stereo 128 MPEG1");
  EXPECT_EQ(mp3.GetDuration(16000), Roznica::Sekunda);
  EXPECT_EQ(mp3.GetDuration(1), Roznica(625));
  EXPECT_EQ(mp3.GetDuration(0), Roznica(1));
  EXPECT_EQ(mp3.GetDuration(3), Roznica(1875));
  EXPECT_EQ(mp3.GetBytes(Roznica::Sekunda), 16000);
  EXPECT_EQ(mp3.GetBytes(Roznica(624)), 0);  // rounded toward zero
  EXPECT_EQ(mp3.GetBytes(-Roznica::Milisekunda * 100), -1600);

  AudioFormat pcm = mp3;
  pcm.Decompress();
  EXPECT_EQ(pcm.GetString(), "44100 stereo 1411 PCM");
  EXPECT_EQ(pcm.GetBytesPerSecond(), 176400);
  EXPECT_EQ(pcm.GetBps(), 1411200);
  EXPECT_EQ(pcm.GetDuration(176400), Roznica::Sekunda);
  EXPECT_EQ(pcm.GetBytes(Roznica::Milisekunda * 100), 17640);
  // The printed PCM text loses precision.
  EXPECT_EQ(AudioFormat("44100 stereo 1411 PCM").GetBytes(Roznica::Milisekunda * 100), 17637);

  // Positions beyond 2^31 bytes (hours of continuous play) keep their value.
  EXPECT_EQ(pcm.GetDuration(int64_t{176400} * 3600 * 5), Roznica::Godzina * 5);
  // Absurd values saturate instead of overflowing.
  EXPECT_EQ(AudioFormat("8000 mono 8 PCM").GetDuration(INT64_MAX).Wartosc(), INT64_MAX);
  EXPECT_EQ(pcm.GetBytes(Roznica(INT64_MAX)), INT64_MAX / 10000000 * 176400 + INT64_MAX % 10000000 * 176400 / 10000000);
}

TEST(AudioFormat, InvalidFormatRefusesArithmetic) {
  const AudioFormat f("44100 stereo");
  EXPECT_EQ(f.GetDuration(0), Roznica(1));
  EXPECT_EQ(Text(MessageOf([&] { f.GetDuration(1); })), "!valid");
  EXPECT_EQ(Text(MessageOf([&] { f.GetBytes(Roznica::Sekunda); })), "!valid");
  EXPECT_EQ(Text(MessageOf([&] { AudioFormat g = f; g.Decompress(); })), "!valid");
  WAVEFORMATEX w;
  EXPECT_EQ(Text(MessageOf([&] { f.GetWaveFormat(w); })), "!valid");
}

TEST(AudioFormat, DecompressTable) {
  struct Case {
    const char* text;
    const char* printed;
    int bytesPerSecond;
  };
  const Case cases[] = {
      {"44100 stereo 128 MPEG1", "44100 stereo 1411 PCM", 176400},
      {"22050 mono 32 MPEG1", "22050 mono 352 PCM", 44100},
      {"8000 mono 8 PCM", "8000 mono 128 PCM", 16000},
      {"48000 joint 192 MPEG1", "48000 joint 1536 PCM", 192000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    AudioFormat f(c.text);
    f.Decompress();
    EXPECT_EQ(f.GetString(), c.printed);
    EXPECT_EQ(f.GetBytesPerSecond(), c.bytesPerSecond);
    EXPECT_TRUE(f.IsValid());
    f.Decompress();  // idempotent
    EXPECT_EQ(f.GetString(), c.printed);
  }
  AudioFormat huge("100000000 stereo 128 MPEG1");
  EXPECT_EQ(Text(MessageOf([&] { huge.Decompress(); })), "bps>2147483647");
  EXPECT_EQ(huge.GetString(), "100000000 stereo 128 MPEG1");
}

TEST(AudioFormat, WaveFormatRecord) {
  AudioFormat f("22050 mono 32 MPEG1");
  f.Decompress();
  WAVEFORMATEX w;
  f.GetWaveFormat(w);
  EXPECT_EQ(w.wFormatTag, 1);
  EXPECT_EQ(w.nChannels, 1);
  EXPECT_EQ(w.nSamplesPerSec, 22050u);
  EXPECT_EQ(w.nAvgBytesPerSec, 44100u);
  EXPECT_EQ(w.nBlockAlign, 2);
  EXPECT_EQ(w.wBitsPerSample, 16);
  EXPECT_EQ(w.cbSize, 0);
}

TEST(ValidAudioFormat, RaisesForInvalidText) {
  const String m = MessageOf([] { ValidAudioFormat f("44100 stereo"); });
  EXPECT_EQ(m, "Invalid format \"44100 stereo\". in file \"AudioFormat.cpp\" line " +
                   m.substr(m.rfind(' ') + 1));
  EXPECT_EQ(Text(MessageOf([] { ValidAudioFormat f("0 stereo 1 PCM"); })), "sps==0");
  const ValidAudioFormat ok("44100 stereo 128 MPEG1");
  const ValidAudioFormat copy(ok);
  EXPECT_EQ(copy.GetString(), "44100 stereo 128 MPEG1");
  EXPECT_EQ(copy.GetDuration(32000), Roznica::Sekunda * 2);
}

// The format text arrives from the network: whatever the bytes, parsing either yields a
// format or raises Exception, and a parsed format prints and measures without faults.
TEST(AudioFormat, AnyTextParsesOrRaises) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  const char* pieces[] = {"44100", " ", "stereo", "mono", "128", "0", "-", "MPEG1", "PCM", "\t",
                          "2147483647", "99999999999999999999", "\xff", "+1", "1e5", "  "};
  for (int i = 0; i < 20000; ++i) {
    String text;
    const int n = static_cast<int>(next() >> 16) % 8;
    for (int k = 0; k < n; ++k) {
      if (next() % 5 == 0) {
        text += static_cast<char>(next() >> 16);
      } else {
        text += pieces[(next() >> 16) % (sizeof pieces / sizeof pieces[0])];
      }
    }
    try {
      AudioFormat f(text);
      (void)f.GetString();
      if (f.IsValid()) {
        EXPECT_GT(f.GetBytesPerSecond(), 0) << text;
        (void)f.GetDuration(123456);
        (void)f.GetBytes(Roznica::Sekunda);
        try {
          f.Decompress();
        } catch (const Exception&) {
        }
      }
    } catch (const Exception&) {
    }
  }
}

}  // namespace
