#pragma once
// The command line of korwendo-play: its option names, what they ask for and how they are
// read. Thread-safe: plain values, and a line read by one thread.
#include <optional>
#include <vector>

#include "audio/AudioOutputChoice.h"
#include "commandline/CommandLine.h"
#include "core/Czas.h"
#include "core/String.h"

// The option names, as given after "--".
namespace OpcjaPlay {
inline constexpr const char* Serwer = "server";
inline constexpr const char* Katalog = "config";
inline constexpr const char* Lista = "list";
inline constexpr const char* Stacja = "station";
inline constexpr const char* Od = "at";
inline constexpr const char* Sekundy = "seconds";
inline constexpr const char* Glosnosc = "volume";
inline constexpr const char* Wyjscie = "audio";
inline constexpr const char* Zapis = "capture";
inline constexpr const char* Predkosc = "speed";
// The positional argument: a link to a moment, in place of --server, --station and --at.
inline constexpr const char* Link = "LINK";
}  // namespace OpcjaPlay

// What the command line asks for.
struct OpcjeOdtwarzacza {
  std::vector<String> serwery;      // --server, each as ServerAddress writes it back
  std::optional<String> katalog;    // --config DIR
  bool lista = false;               // --list
  String stacja;                    // --station NAME (or NAME@HOST:PORT); empty: resume
  std::optional<Czas> od;           // --at
  int sekundy = 0;                  // --seconds; 0: until "quit" or end of input
  std::optional<int> glosnosc;      // --volume, 0-100 percent; else as the settings have it
  AudioOutputChoice wyjscie;        // --audio / --capture
  int predkosc = 4;                 // --speed, in quarters (4: 1x)
};

// A speed as written ("1.5", "1,5", "0.75x", "3"): a multiple of 0.25 from 0.5 to 3, in
// quarters; none for anything else.
std::optional<int> ParsujPredkosc(const String& s);

// korwendo-play's command line: every option declared, with the usage --help prints.
class LiniaOdtwarzacza : public CommandLine {
 public:
  LiniaOdtwarzacza();
  // After Read: the options, a link's server, station and moment in place of --server,
  // --station and --at. Raises a UsageError for a value it cannot use (a bad address, time,
  // number or link, an unknown output, --capture without --audio null, a link together with
  // the options it stands for).
  OpcjeOdtwarzacza Opcje() const;
};

// Read and Opcje on the arguments (without argv[0]); raises a UsageError for --help and
// --version too, which only main may act on.
OpcjeOdtwarzacza ParsujOpcje(const std::vector<String>& argumenty);
