#include "player/KatalogUstawien.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "core/Exception.h"

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
