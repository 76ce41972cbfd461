#include "commandline/CelZLinii.h"

#include <gtest/gtest.h>

#include "commandline/TerminalReport.h"

namespace {

TEST(CelZLinii, WritesTheAddressWholeAndRefusesWhatIsNoTarget) {
  const struct {
    const char* cel;
    const char* wynik;
  } dobre[] = {
      {"Zegar", "Zegar"},
      {"Zegar@host", "Zegar@host:12540"},
      {"Radio Łódź@10.0.0.7:2000", "Radio Łódź@10.0.0.7:2000"},
      {"Zegar@[::1]", "Zegar@[::1]:12540"},
  };
  for (const auto& d : dobre) EXPECT_EQ(NormalizujCel(d.cel), d.wynik) << d.cel;

  const struct {
    const char* cel;
    const char* poczatek;  // of the UsageError's text
  } zle[] = {
      {"", "pusta nazwa stacji w \"\""},
      {"@host", "pusta nazwa stacji w \"@host\""},
      {"Zegar@host:99999", ""},
      {"Zegar@", ""},
  };
  for (const auto& z : zle) {
    try {
      NormalizujCel(z.cel);
      ADD_FAILURE() << z.cel << " is no target";
    } catch (const UsageError& e) {
      const String tekst = e.what();
      EXPECT_EQ(tekst.rfind(z.poczatek, 0), 0u) << tekst;
      if (String(z.poczatek).empty()) {
        EXPECT_TRUE(tekst.ends_with(" (--station)")) << tekst;
      }
    }
  }
}

}  // namespace
