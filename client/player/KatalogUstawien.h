#pragma once
// Where the client keeps its two settings files: one directory that both reading and
// writing use, named with --config, else $XDG_CONFIG_HOME/KorwendoGra, else
// ~/.config/KorwendoGra. Thread-safe (reads the environment only).
#include <optional>

#include "core/String.h"

// `argument` when given; else $XDG_CONFIG_HOME + "/KorwendoGra" when that variable holds an
// absolute path; else $HOME (or the account's home directory) + "/.config/KorwendoGra".
// Raises "nie wiadomo, gdzie trzymać ustawienia (brak HOME)" when no home is known.
String ResolveSettingsDirectory(const std::optional<String>& argument);
