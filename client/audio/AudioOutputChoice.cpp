#include "audio/AudioOutputChoice.h"

#include <cstdlib>
#include <mutex>

#include "audio/WaveOutNull.h"
#include "audio/WaveOutPulse.h"
#include "core/Exception.h"

namespace {

std::mutex choiceLock;
std::optional<AudioOutputChoice> chosen;

AudioOutputChoice Parse(const String& value) {
  AudioOutputChoice c;
  if (value == "pulse") return c;
  if (value == "null") {
    c.kind = AudioOutputChoice::Null;
    return c;
  }
  if (value.rfind("null:", 0) == 0 && value.size() > 5) {
    c.kind = AudioOutputChoice::Null;
    c.wavPath = value.substr(5);
    return c;
  }
  KG_ERROR("nieznane wyjście audio \"" + value + "\" (pulse, null albo null:PLIK.wav)");
}

}  // namespace

AudioOutputChoice ResolveAudioOutput(const std::optional<String>& argument) {
  if (argument) return Parse(*argument);
  const char* environment = std::getenv("KORWENDO_AUDIO");
  if (environment != nullptr && *environment != '\0') return Parse(environment);
  return AudioOutputChoice();
}

void SetAudioOutput(const AudioOutputChoice& choice) {
  std::lock_guard<std::mutex> lock(choiceLock);
  chosen = choice;
}

AudioOutputChoice CurrentAudioOutput() {
  std::lock_guard<std::mutex> lock(choiceLock);
  if (!chosen) chosen = ResolveAudioOutput(std::nullopt);
  return *chosen;
}

std::unique_ptr<WaveOutDevice> MakeWaveOutDevice(const AudioOutputChoice& choice) {
  if (choice.kind == AudioOutputChoice::Null) return std::make_unique<WaveOutNull>(choice.wavPath);
  return std::make_unique<WaveOutPulse>();
}
