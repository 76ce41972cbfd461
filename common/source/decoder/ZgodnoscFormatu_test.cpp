#include "decoder/ZgodnoscFormatu.h"

#include <gtest/gtest.h>

#include "decoder/EncodedFixtures.h"
#include "decoder/MasterDekoder.h"
#include "support/LogCapture.h"

namespace {

// One second of 44.1 kHz stereo layer III at 128 kb/s, cut through its fourth frame so
// that the bytes neither start nor end on a frame.
const std::string& Ramki44() {
  static const std::string s = fixtures::EncodeMp3(fixtures::Sine(44100, 2, 1.0, 440), 44100, 2, 128);
  return s;
}

// The formats a server might state for those bytes: the ones that lie are refused with
// the frames named; the true one, and bytes that hold no confirmed frame, agree.
TEST(ZgodnoscFormatu, FramesAgainstTheirFormatText) {
  const std::string& r = Ramki44();
  const std::string bezRamek(5000, '\x55');
  const std::string ucieta = r.substr(1000, 20000);
  const struct {
    const char* format;
    const std::string& dane;
    const char* powod;  // empty: agrees
  } przypadki[] = {
      {"44100 stereo 128 MPEG1", r, ""},
      {"44100 stereo 128 MPEG1", ucieta, ""},
      {"44100 stereo 320 MPEG1", r, ""},  // the bit rate only sizes the time it takes
      {"48000 stereo 128 MPEG1", r, "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"48000 stereo 128 MPEG1\""},
      {"22050 mono 64 MPEG1", ucieta, "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"22050 mono 64 MPEG1\""},
      {"44100 mono 128 MPEG1", r, "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"44100 mono 128 MPEG1\""},
      {"192000 stereo 128 MPEG1", r, "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"192000 stereo 128 MPEG1\""},
      {"20000000 stereo 128 MPEG1", r, "ramki audio (44100 Hz, 2 kanały) nie zgadzają się z formatem \"20000000 stereo 128 MPEG1\""},
      {"48000 stereo 128 MPEG1", bezRamek, ""},
      {"44100 stereo 16 PCM", r, "format \"44100 stereo 16 PCM\" podaje 16 kb/s zamiast 1411 kb/s swoich próbek"},
      {"22050 mono 352 PCM", bezRamek, ""},
      {"44100 stereo 1411 PCM", std::string(4002, '\0'), "audio PCM \"44100 stereo 1411 PCM\" nie składa się z całych próbek (4002 bajtów)"},
      {"44100 stereo 1411 PCM", std::string(4000, '\0'), ""},
      {"44100 stereo", r, ""},  // invalid: refused elsewhere
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.format);
    EXPECT_EQ(NiezgodnoscZFormatem(AudioFormat(p.format), p.dane.data(), static_cast<int>(p.dane.size())), p.powod);
  }
}

// A frame of another rate inside audio of the format set never comes out of the decoder:
// what comes out always has the shape the card was opened for.
TEST(ZgodnoscFormatu, TheDecoderDropsFramesOfAnotherShape) {
  LogCapture log;
  const std::string obce = fixtures::EncodeMp3(fixtures::Sine(48000, 1, 0.5, 440), 48000, 1, 64);
  const std::string& swoje = Ramki44();
  const auto zdekoduj = [](MasterDekoder& d, const std::string& b) {
    d.Write(b.data(), static_cast<int>(b.size()));
    std::string out(1 << 20, '\0');
    int n = 0;
    while (int k = d.ReadAnyNonBlocking(out.data() + n, static_cast<int>(out.size()) - n)) n += k;
    return n;
  };
  MasterDekoder d;
  d.SetFormat(AudioFormat("44100 stereo 128 MPEG1"));
  const int samo = zdekoduj(d, swoje);
  EXPECT_GT(samo, 44100 * 4 / 2);
  d.Reset();
  EXPECT_EQ(zdekoduj(d, obce + swoje), samo) << "the 48 kHz mono frames came out";
  // Set for them, the same decoder lets them out and drops the others.
  d.SetFormat(AudioFormat("48000 mono 64 MPEG1"));
  EXPECT_GT(zdekoduj(d, obce), 0);
  d.Reset();
  EXPECT_EQ(zdekoduj(d, swoje), 0);
  EXPECT_EQ(d.OutFormat().GetString(), "48000 mono 768 PCM");
}

}  // namespace
