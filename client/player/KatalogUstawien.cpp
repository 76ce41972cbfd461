#include "player/KatalogUstawien.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/Exception.h"

std::optional<String> FindConfigOption(int argc, const char* const* argv) {
  std::optional<String> value;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--config") == 0) {
      if (i + 1 >= argc) KG_ERROR("brak wartości opcji --config");
      value = argv[++i];
    } else if (std::strncmp(argv[i], "--config=", 9) == 0) {
      value = argv[i] + 9;
    }
  }
  return value;
}

String ResolveSettingsDirectory(const std::optional<String>& argument) {
  if (argument) return *argument;
  // A relative XDG_CONFIG_HOME is to be ignored: it would depend on the current directory,
  // which is what one settings directory is meant to avoid.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return String(xdg) + "/KorwendoGra";
  String home;
  if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
    home = h;
  } else {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && found->pw_dir) {
      home = found->pw_dir;
    }
  }
  if (home.empty()) KG_ERROR("nie wiadomo, gdzie trzymać ustawienia (brak HOME)");
  return home + "/.config/KorwendoGra";
}
