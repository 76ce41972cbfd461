#pragma once
// Which sound output the program plays on: the sound server ("pulse", the default) or the
// null output ("null"), which plays nothing at the pace of the clock and, as
// "null:<file.wav>", records what it played into a WAV file. Chosen with the option
// --audio or the environment variable KORWENDO_AUDIO. Thread-safe.
#include <memory>
#include <optional>

#include "audio/WaveOutDevice.h"
#include "core/String.h"

struct AudioOutputChoice {
  enum Kind { Pulse, Null };
  Kind kind = Pulse;
  // Null only: where to record what was played; empty: nowhere.
  String wavPath;

  bool operator==(const AudioOutputChoice&) const = default;
};

// The choice named by `argument` (the value of --audio) when given, else by
// KORWENDO_AUDIO when set and not empty, else pulse. Raises "nieznane wyjście audio
// \"<value>\" (pulse, null albo null:PLIK.wav)" for any other value.
AudioOutputChoice ResolveAudioOutput(const std::optional<String>& argument);

// The choice every WaveOutME without a device of its own uses. Until set, the choice
// resolved from the environment at the first use.
void SetAudioOutput(const AudioOutputChoice& choice);
AudioOutputChoice CurrentAudioOutput();

// A new, closed device of the chosen kind.
std::unique_ptr<WaveOutDevice> MakeWaveOutDevice(const AudioOutputChoice& choice);
