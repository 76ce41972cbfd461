#pragma once
// Where the client keeps its two settings files: one directory that both reading and
// writing use, named with --config, else $XDG_CONFIG_HOME/KorwendoGra, else
// ~/.config/KorwendoGra. Thread-safe (reads the environment only).
#include <optional>

#include "core/String.h"

// The value of "--config DIR" or "--config=DIR" among the program's arguments, the last
// one given; none when absent. Raises "brak wartości opcji --config" for a trailing
// "--config".
std::optional<String> FindConfigOption(int argc, const char* const* argv);

// `argument` when given; else $XDG_CONFIG_HOME + "/KorwendoGra" when that variable holds an
// absolute path; else $HOME (or the account's home directory) + "/.config/KorwendoGra".
// Raises "nie wiadomo, gdzie trzymać ustawienia (brak HOME)" when no home is known.
String ResolveSettingsDirectory(const std::optional<String>& argument);
