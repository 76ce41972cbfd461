#include "korwendo-play/HeadlessPlayer.h"

#include <gtest/gtest.h>

namespace {

TEST(HeadlessPlayerOpcje, CommandLine) {
  const OpcjeOdtwarzacza o = ParsujOpcje({"--server", "h:1", "--server", "g", "--server=[::1]", "--station", "Zegar",
                                          "--at", "2026-12-10T08:30:00Z", "--seconds", "10",
                                          "--audio", "null", "--capture", "/tmp/x.wav"});
  EXPECT_EQ(o.serwery, (std::vector<String>{"h:1", "g:12540", "[::1]:12540"}));
  EXPECT_EQ(o.stacja, "Zegar");
  EXPECT_EQ(o.sekundy, 10);
  ASSERT_TRUE(o.od);
  EXPECT_EQ(*o.od, ParsujCzas("2026-12-10T08:30:00Z"));
  EXPECT_EQ(o.wyjscie.kind, AudioOutputChoice::Null);
  EXPECT_EQ(o.wyjscie.wavPath, "/tmp/x.wav");
  EXPECT_TRUE(ParsujOpcje({"--list", "--server", "h"}).lista);
  EXPECT_EQ(ParsujOpcje({"--config", "/k", "--station", "Fala@arch"}).stacja, "Fala@arch:12540");
  EXPECT_EQ(ParsujOpcje({"--config", "/k"}).katalog, "/k");
  EXPECT_EQ(ParsujOpcje({"--config", "/k", "--volume", "40"}).glosnosc, std::optional<int>(40));
  EXPECT_FALSE(ParsujOpcje({"--config", "/k"}).glosnosc.has_value());
}

// A link stands for --server, --station and --at.
TEST(HeadlessPlayerOpcje, Link) {
  const OpcjeOdtwarzacza o =
      ParsujOpcje({"--config", "/k", "korwendo://[::1]:2000/Dw%C3%B3jka?t=2026-12-10T09:30:00%2B01:00", "--seconds", "5"});
  EXPECT_EQ(o.serwery, (std::vector<String>{"[::1]:2000"}));
  EXPECT_EQ(o.stacja, "Dwójka@[::1]:2000");
  ASSERT_TRUE(o.od);
  EXPECT_EQ(*o.od, ParsujCzas("2026-12-10T08:30:00Z"));
  EXPECT_EQ(o.sekundy, 5);
  EXPECT_EQ(o.katalog, "/k");
}

// Each bad command line is refused with a sentence naming what is wrong, and no source
// location.
// Speeds as written on the command line and after "speed": quarters from 0.5 to 3 only.
TEST(HeadlessPlayerOpcje, Speeds) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"1", 4},  {"1.5", 6},  {"1,5", 6},  {"0.75", 3}, {"0.5", 2},          {"3", 12},
      {"2.25x", 9}, {"3.0", 12}, {"0.25", std::nullopt}, {"3.25", std::nullopt}, {"1.3", std::nullopt},
      {"1.", std::nullopt}, {"", std::nullopt}, {"-1", std::nullopt}, {"1.125", std::nullopt}, {"10", std::nullopt},
  };
  for (const auto& [tekst, q] : cases) EXPECT_EQ(ParsujPredkosc(tekst), q) << tekst;
  EXPECT_EQ(ParsujOpcje({"--config", "/k", "--speed", "2.5"}).predkosc, 10);
  EXPECT_EQ(ParsujOpcje({"--config", "/k"}).predkosc, 4);
}

TEST(HeadlessPlayerOpcje, BadCommandLines) {
  struct Case {
    std::vector<String> argumenty;
    const char* tekst;
  };
  const Case cases[] = {
      {{"--station"}, "brak wartości opcji --station"},
      {{"--bogus"}, "nieznana opcja --bogus"},
      {{"Zegar"}, "zły link \"Zegar\": to nie jest link korwendo://"},
      {{"korwendo://h/Zegar?t=2026-12-10T08:30:00Z", "x"}, "nieoczekiwany argument \"x\""},
      {{"korwendo://h/Zegar"}, "zły link \"korwendo://h/Zegar\": brak czasu (?t=CZAS)"},
      {{"--server", "h", "korwendo://h/Zegar?t=2026-12-10T08:30:00Z"},
       "link zastępuje --server, --station i --at: podaj link albo te opcje"},
      {{"korwendo://h/Zegar?t=2026-12-10T08:30:00Z", "--station", "Zegar"},
       "link zastępuje --server, --station i --at: podaj link albo te opcje"},
      {{"--at", "2026-12-10T08:30:00Z", "korwendo://h/Zegar?t=2026-12-10T08:30:00Z"},
       "link zastępuje --server, --station i --at: podaj link albo te opcje"},
      {{"--list=1"}, "opcja --list nie przyjmuje wartości"},
      {{"--volume", "101"}, "zła głośność \"101\" (--volume: 0 do 100)"},
      {{"--volume", "x"}, "zła głośność \"x\" (--volume: 0 do 100)"},
      {{"--server", "h:x"}, "zły adres serwera \"h:x\": port nie jest liczbą (--server)"},
      {{"--server", "h:70000"}, "zły adres serwera \"h:70000\": port spoza zakresu 1-65535 (--server)"},
      {{"--server", "[::1"}, "zły adres serwera \"[::1\": brak nawiasu zamykającego adres IPv6 (--server)"},
      {{"--server", ""}, "zły adres serwera \"\": pusty adres (--server)"},
      {{"--station", "Zegar@h:0"}, "zły adres serwera \"h:0\": port spoza zakresu 1-65535 (--station)"},
      {{"--station", "@h"}, "pusta nazwa stacji w \"@h\""},
      {{"--seconds", "0"}, "zła liczba sekund \"0\" (--seconds)"},
      {{"--seconds", "-3"}, "zła liczba sekund \"-3\" (--seconds)"},
      {{"--audio", "alsa"}, "nieznane wyjście audio \"alsa\" (pulse, null albo null:PLIK.wav) (--audio)"},
      {{"--audio", "pulse", "--capture", "a.wav"}, "--capture działa tylko z --audio null"},
      {{"--at", "jutro"}, "zły czas: jutro (--at)"},
      {{"--speed", "1.3"}, "zła prędkość \"1.3\" (--speed: 0.5 do 3 co 0.25)"},
  };
  for (const Case& c : cases) {
    try {
      ParsujOpcje(c.argumenty);
      ADD_FAILURE() << c.argumenty[0] << ": nothing raised";
    } catch (const UsageError& e) {
      EXPECT_EQ(e.Message(), c.tekst);
    }
  }
}

}  // namespace
