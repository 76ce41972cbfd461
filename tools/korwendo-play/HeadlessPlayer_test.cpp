#include "HeadlessPlayer.h"

#include <gtest/gtest.h>

namespace {

TEST(HeadlessPlayerCzas, IsoAndHexForms) {
  SystemTime st;
  st.wYear = 2026;
  st.wMonth = 12;
  st.wDay = 10;
  st.wHour = 8;
  st.wMinute = 30;
  const Czas c = Czas::ZKalendarza(st);
  EXPECT_EQ(ParsujCzas("2026-12-10T08:30:00Z"), c);
  EXPECT_EQ(ParsujCzas("2026-12-10T08:30:00"), c);
  EXPECT_EQ(ParsujCzas("2026-12-10T08:30:00.25Z"), c + Roznica::Milisekunda * 250);
  EXPECT_EQ(ParsujCzas(c.NapisHex()), c);
  String male = c.NapisHex();
  for (char& z : male) z = static_cast<char>(std::tolower(static_cast<unsigned char>(z)));
  EXPECT_EQ(ParsujCzas(male), c);
  EXPECT_EQ(NapisIso(c + Roznica::Milisekunda * 7), "2026-12-10T08:30:00.007Z");
  EXPECT_EQ(NapisIso(ParsujCzas(NapisIso(c + Roznica::Milisekunda * 999))), "2026-12-10T08:30:00.999Z");
  EXPECT_EQ(NapisIso(Czas()), "---");
}

TEST(HeadlessPlayerCzas, BadTimesRaise) {
  for (const char* zly : {"", "2026-12-10", "2026-13-10T08:30:00Z", "2026-12-10T24:00:00Z",
                          "2026-12-10T08:30:00.Z", "2026-12-10T08:30:00+01:00", "0123456789ABCDEG",
                          "2026-12-10 08:30:00Z"}) {
    EXPECT_THROW(ParsujCzas(zly), std::exception) << zly;
  }
}

TEST(HeadlessPlayerPrzesuniecie, UnitsAndSigns) {
  EXPECT_EQ(ParsujPrzesuniecie("+5s"), Roznica::Sekunda * 5);
  EXPECT_EQ(ParsujPrzesuniecie("-1m"), Roznica() - Roznica::Minuta);
  EXPECT_EQ(ParsujPrzesuniecie("+2h"), Roznica::Godzina * 2);
  EXPECT_EQ(ParsujPrzesuniecie("-250ms"), Roznica() - Roznica::Milisekunda * 250);
  EXPECT_EQ(ParsujPrzesuniecie("+1d"), Roznica::Dzien);
  for (const char* zly : {"5s", "+s", "+5", "+5x", "2026-12-10T08:30:00Z", "+99999999999s"}) {
    EXPECT_FALSE(ParsujPrzesuniecie(zly)) << zly;
  }
}

// Control characters from a server reach the terminal only as visible escapes.
TEST(HeadlessPlayerWypisz, ControlCharactersAreEscaped) {
  const struct {
    String in;
    String out;
  } cases[] = {
      {"Dwójka \\ 100%", "Dwójka \\ 100%"},
      {"\x1b[2J\x1b]0;tytul\x07", "\\x1b[2J\\x1b]0;tytul\\x07"},
      {String("a\0b\r\n\t\x7f", 7), "a\\x00b\\x0d\\x0a\\x09\\x7f"},
      {"\xC2\x9B" "31m \xC2\xA0 \xC2", "\\u009b31m \xC2\xA0 \xC2"},
  };
  for (const auto& c : cases) EXPECT_EQ(BezSterujacych(c.in), c.out);
}

TEST(HeadlessPlayerAdres, HostAndPort) {
  EXPECT_EQ(ParsujAdres("127.0.0.1:12541"), std::make_pair(String("127.0.0.1"), 12541));
  EXPECT_EQ(ParsujAdres("archiwum"), std::make_pair(String("archiwum"), 12540));
  EXPECT_EQ(ParsujAdres("[::1]:7"), std::make_pair(String("::1"), 7));
  EXPECT_EQ(ParsujAdres("::1"), std::make_pair(String("::1"), 12540));
  for (const char* zly : {"", ":1", "h:", "h:0", "h:65536", "h:x", "[::1", "[::1]x"}) {
    EXPECT_THROW(ParsujAdres(zly), std::exception) << zly;
  }
}

TEST(HeadlessPlayerOpcje, CommandLine) {
  const OpcjeOdtwarzacza o = ParsujOpcje({"--server", "h:1", "--server", "g", "--station", "Zegar",
                                          "--at", "2026-12-10T08:30:00Z", "--seconds", "10",
                                          "--audio", "null", "--capture", "/tmp/x.wav"});
  EXPECT_EQ(o.serwery, (std::vector<String>{"h:1", "g"}));
  EXPECT_EQ(o.stacja, "Zegar");
  EXPECT_EQ(o.sekundy, 10);
  ASSERT_TRUE(o.od);
  EXPECT_EQ(*o.od, ParsujCzas("2026-12-10T08:30:00Z"));
  EXPECT_EQ(o.wyjscie.kind, AudioOutputChoice::Null);
  EXPECT_EQ(o.wyjscie.wavPath, "/tmp/x.wav");
  EXPECT_TRUE(ParsujOpcje({"--list", "--server", "h"}).lista);

  const std::vector<std::vector<String>> zle = {
      {"--station"},           {"--server", "h:x"},      {"--seconds", "0"},
      {"--seconds", "-3"},     {"--audio", "alsa"},      {"--audio", "pulse", "--capture", "a.wav"},
      {"--at", "jutro"},       {"--bogus"},
  };
  for (const auto& z : zle) EXPECT_THROW(ParsujOpcje(z), std::exception) << z[0];
}

}  // namespace
