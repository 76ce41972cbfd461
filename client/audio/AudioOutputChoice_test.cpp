#include "audio/AudioOutputChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/WaveOutNull.h"
#include "audio/WaveOutPulse.h"
#include "core/Exception.h"

namespace {

// Sets or clears KORWENDO_AUDIO for a scope.
class Environment {
 public:
  explicit Environment(const char* value) {
    const char* old = std::getenv("KORWENDO_AUDIO");
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) {
      setenv("KORWENDO_AUDIO", value, 1);
    } else {
      unsetenv("KORWENDO_AUDIO");
    }
  }
  ~Environment() {
    if (had_) {
      setenv("KORWENDO_AUDIO", old_.c_str(), 1);
    } else {
      unsetenv("KORWENDO_AUDIO");
    }
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(AudioOutputChoice, ArgumentThenEnvironmentThenPulse) {
  struct Case {
    std::optional<String> argument;
    const char* environment;
    AudioOutputChoice::Kind kind;
    const char* wav;
  };
  const Case cases[] = {
      {std::nullopt, nullptr, AudioOutputChoice::Pulse, ""},
      {std::nullopt, "", AudioOutputChoice::Pulse, ""},
      {std::nullopt, "null", AudioOutputChoice::Null, ""},
      {std::nullopt, "null:/tmp/x.wav", AudioOutputChoice::Null, "/tmp/x.wav"},
      {String("pulse"), "null", AudioOutputChoice::Pulse, ""},
      {String("null"), "pulse", AudioOutputChoice::Null, ""},
      {String("null:out:1.wav"), nullptr, AudioOutputChoice::Null, "out:1.wav"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment ? c.environment : "(unset)");
    Environment e(c.environment);
    const AudioOutputChoice choice = ResolveAudioOutput(c.argument);
    EXPECT_EQ(choice.kind, c.kind);
    EXPECT_EQ(choice.wavPath, c.wav);
  }
}

TEST(AudioOutputChoice, UnknownValuesRaise) {
  Environment e("alsa");
  for (const char* bad : {"alsa", "null:", "Pulse", ""}) {
    SCOPED_TRACE(bad);
    try {
      ResolveAudioOutput(String(bad));
      FAIL() << "nothing raised";
    } catch (const Exception& x) {
      EXPECT_EQ(x.Message().substr(0, x.Message().find(" in file")),
                "nieznane wyjście audio \"" + String(bad) + "\" (pulse, null albo null:PLIK.wav)");
    }
  }
  EXPECT_THROW(ResolveAudioOutput(std::nullopt), Exception);
}

TEST(AudioOutputChoice, MakesTheChosenDevice) {
  AudioOutputChoice null;
  null.kind = AudioOutputChoice::Null;
  EXPECT_EQ(MakeWaveOutDevice(null)->Name(), "null");
  EXPECT_EQ(MakeWaveOutDevice(AudioOutputChoice())->Name(), "pulse");
  SetAudioOutput(null);
  EXPECT_EQ(CurrentAudioOutput(), null);
}

}  // namespace
