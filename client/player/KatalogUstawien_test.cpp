#include "player/KatalogUstawien.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>


namespace {

// Sets or clears an environment variable for the life of the object.
class Zmienna {
 public:
  Zmienna(const char* nazwa, const char* wartosc) : nazwa_(nazwa) {
    if (const char* stara = std::getenv(nazwa)) stara_ = stara;
    if (wartosc) {
      setenv(nazwa, wartosc, 1);
    } else {
      unsetenv(nazwa);
    }
  }
  ~Zmienna() {
    if (stara_) {
      setenv(nazwa_, stara_->c_str(), 1);
    } else {
      unsetenv(nazwa_);
    }
  }

 private:
  const char* nazwa_;
  std::optional<String> stara_;
};

TEST(KatalogUstawien, OptionThenXdgThenHome) {
  const struct {
    std::optional<String> opcja;
    const char* xdg;
    const char* home;
    String wynik;
  } cases[] = {
      {String("/etc/kg"), "/x", "/h", "/etc/kg"},
      {String("wzgledny"), "/x", "/h", "wzgledny"},
      {std::nullopt, "/x", "/h", "/x/KorwendoGra"},
      {std::nullopt, "", "/h", "/h/.config/KorwendoGra"},
      {std::nullopt, "rel/ative", "/h", "/h/.config/KorwendoGra"},
      {std::nullopt, nullptr, "/h", "/h/.config/KorwendoGra"},
  };
  for (const auto& k : cases) {
    Zmienna x("XDG_CONFIG_HOME", k.xdg);
    Zmienna h("HOME", k.home);
    EXPECT_EQ(ResolveSettingsDirectory(k.opcja), k.wynik);
  }
  // Without HOME, the account's home directory.
  Zmienna x("XDG_CONFIG_HOME", nullptr);
  Zmienna h("HOME", nullptr);
  const String bez = ResolveSettingsDirectory(std::nullopt);
  EXPECT_TRUE(bez.ends_with("/.config/KorwendoGra") && bez.size() > 20) << bez;
}

}  // namespace
