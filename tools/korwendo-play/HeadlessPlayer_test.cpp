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
  // An offset from UTC: the local time minus the offset.
  for (const char* t : {"2026-12-10T09:30:00+01:00", "2026-12-10T09:30:00+0100", "2026-12-10T09:30:00+01",
                        "2026-12-10T03:00:00-05:30", "2026-12-10T08:30:00+00:00"}) {
    EXPECT_EQ(ParsujCzas(t), c) << t;
  }
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
                          "2026-12-10T08:30:00.Z", "2026-12-10T08:30:00+1", "2026-12-10T08:30:00+24:00",
                          "2026-12-10T08:30:00+01:60", "2026-12-10T08:30:00Z+01", "0123456789ABCDEG",
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
}

// Each bad command line is refused with a sentence naming what is wrong, and no source
// location.
TEST(HeadlessPlayerOpcje, BadCommandLines) {
  struct Case {
    std::vector<String> argumenty;
    const char* tekst;
  };
  const Case cases[] = {
      {{"--station"}, "brak wartości opcji --station"},
      {{"--bogus"}, "nieznana opcja --bogus"},
      {{"Zegar"}, "nieoczekiwany argument \"Zegar\""},
      {{"--list=1"}, "opcja --list nie przyjmuje wartości"},
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
