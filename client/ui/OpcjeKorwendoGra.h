#pragma once
// The command line of KorwendoGra: its option names and how they are read.
#include "commandline/CommandLine.h"
#include "ui/TForm3.h"

// The option names, as given after "--".
namespace OpcjaOkna {
inline constexpr const char* Katalog = "config";
inline constexpr const char* Serwer = "server";
inline constexpr const char* Stacja = "station";
inline constexpr const char* Od = "at";
inline constexpr const char* Wyjscie = "audio";
// The positional argument: a link to a moment, in place of --station and --at.
inline constexpr const char* Link = "LINK";
}  // namespace OpcjaOkna

class LiniaOkna : public CommandLine {
 public:
  LiniaOkna();
  // After Read: the window's options, the settings directory resolved and the sound output
  // chosen (SetAudioOutput). Raises a UsageError for a value it cannot use.
  OpcjeOkna Opcje() const;
};
