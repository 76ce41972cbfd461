// Links to a moment: what each form reads to, what each fault is called, and the round trip.
#include "textforms/LinkDoChwili.h"

#include <gtest/gtest.h>

#include "core/Exception.h"
#include "support/CzasTestowy.h"
#include "transport/CelStacji.h"

namespace {

const Czas kChwila = Utc(2026, 12, 10, 8, 30);

TEST(LinkDoChwili, ReadsEveryForm) {
  struct {
    const char* link;
    const char* serwer;
    const char* stacja;
    Czas chwila;
  } przypadki[] = {
      {"korwendo://arch.example:2000/Zegar?t=2026-12-10T08:30:00Z", "arch.example:2000", "Zegar", kChwila},
      {"korwendo://arch.example/Zegar?t=2026-12-10T08:30:00Z", "arch.example:12540", "Zegar", kChwila},
      {"KORWENDO://10.0.0.7:12541/Zegar?t=2026-12-10T08:30:00.250Z", "10.0.0.7:12541", "Zegar",
       kChwila + Roznica::Milisekunda * 250},
      {"korwendo://[::1]:2000/Zegar?t=2026-12-10T08:30:00Z", "[::1]:2000", "Zegar", kChwila},
      {"korwendo://[2001:db8::7]/Zegar?t=2026-12-10T08:30:00Z", "[2001:db8::7]:12540", "Zegar", kChwila},
      // Encoded and raw UTF-8, a space either way.
      {"korwendo://h/Dw%C3%B3jka?t=2026-12-10T08:30:00Z", "h:12540", "Dwójka", kChwila},
      {"korwendo://h/Radio%20%c5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z", "h:12540", "Radio Łódź", kChwila},
      {"korwendo://h/Radio Łódź?t=2026-12-10T08:30:00Z", "h:12540", "Radio Łódź", kChwila},
      {"korwendo://h/A%2FB%3FC%25?t=2026-12-10T08:30:00Z", "h:12540", "A/B?C%", kChwila},
      // An offset, encoded or not; other parameters and a fragment ignored; hexadecimal time.
      {"korwendo://h/Zegar?t=2026-12-10T09:30:00%2B01:00", "h:12540", "Zegar", kChwila},
      {"korwendo://h/Zegar?t=2026-12-10T09:30:00+01:00", "h:12540", "Zegar", kChwila},
      {"korwendo://h/Zegar?v=2&t=2026-12-10T08:30:00Z&x#y", "h:12540", "Zegar", kChwila},
      {"korwendo://h/Zegar?t=2026-12-10T08:30:00Z#t=zle", "h:12540", "Zegar", kChwila},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.link);
    const OdczytLinku o = CzytajLink(p.link);
    ASSERT_EQ(o.blad, BladLinku::Brak) << o.opis;
    EXPECT_EQ(o.link.serwer, p.serwer);
    EXPECT_EQ(o.link.stacja, p.stacja);
    EXPECT_EQ(o.link.chwila, p.chwila);
    EXPECT_EQ(o.link.Cel(), String(p.stacja) + "@" + p.serwer);
  }
}

// Each fault is named, and the whole link is quoted in the message.
TEST(LinkDoChwili, RefusesWithTheReason) {
  struct {
    const char* link;
    BladLinku blad;
    const char* powod;
  } przypadki[] = {
      {"http://h/Zegar?t=2026-12-10T08:30:00Z", BladLinku::Schemat, "to nie jest link korwendo://"},
      {"korwendo:/h/Zegar?t=2026-12-10T08:30:00Z", BladLinku::Schemat, "to nie jest link korwendo://"},
      {"", BladLinku::Schemat, "to nie jest link korwendo://"},
      {"korwendo:///Zegar?t=2026-12-10T08:30:00Z", BladLinku::BrakHosta, "brak nazwy hosta"},
      {"korwendo://:2000/Zegar?t=2026-12-10T08:30:00Z", BladLinku::BrakHosta, "brak nazwy hosta"},
      {"korwendo://[]:2000/Zegar?t=2026-12-10T08:30:00Z", BladLinku::BrakHosta, "brak nazwy hosta"},
      {"korwendo://h:x/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres, "port nie jest liczbą"},
      {"korwendo://h:70000/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres, "port spoza zakresu 1-65535"},
      {"korwendo://h:0/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres, "port spoza zakresu 1-65535"},
      {"korwendo://h:/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres, "brak portu po dwukropku"},
      {"korwendo://[::1/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres, "brak nawiasu zamykającego adres IPv6"},
      // What no name resolver is given: a user part, an IPv6 address that is none, a second
      // port.
      {"korwendo://user@127.0.0.1:2000/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres,
       "niedozwolony znak w nazwie hosta (litery, cyfry, -, . i _)"},
      {"korwendo://[v1.fe]/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres,
       "to nie jest poprawny adres IPv6 (z portem: [ADRES]:PORT)"},
      {"korwendo://[1:2:3:4:5:6:7:8:9]:2000/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres,
       "to nie jest poprawny adres IPv6 (z portem: [ADRES]:PORT)"},
      {"korwendo://127.0.0.1:2000:1/Zegar?t=2026-12-10T08:30:00Z", BladLinku::ZlyAdres,
       "to nie jest poprawny adres IPv6 (z portem: [ADRES]:PORT)"},
      {"korwendo://h?t=2026-12-10T08:30:00Z", BladLinku::BrakStacji, "brak nazwy stacji"},
      {"korwendo://h/?t=2026-12-10T08:30:00Z", BladLinku::BrakStacji, "brak nazwy stacji"},
      {"korwendo://h/Zeg%4?t=2026-12-10T08:30:00Z", BladLinku::ZlaSekwencja,
       "zła sekwencja \"%4\" (po % dwie cyfry szesnastkowe)"},
      {"korwendo://h/Zegar%", BladLinku::ZlaSekwencja, "zła sekwencja \"%\" (po % dwie cyfry szesnastkowe)"},
      {"korwendo://h/Zeg%G1?t=2026-12-10T08:30:00Z", BladLinku::ZlaSekwencja,
       "zła sekwencja \"%G1\" (po % dwie cyfry szesnastkowe)"},
      {"korwendo://h/Zegar?t=2026-12-10T08:30:00%2", BladLinku::ZlaSekwencja,
       "zła sekwencja \"%2\" (po % dwie cyfry szesnastkowe)"},
      // A lone continuation byte, a cut sequence, an overlong "/" and a surrogate.
      {"korwendo://h/Dw%B3jka?t=2026-12-10T08:30:00Z", BladLinku::ZleUtf8, "nazwa stacji nie jest poprawnym tekstem UTF-8"},
      {"korwendo://h/Dw%C3?t=2026-12-10T08:30:00Z", BladLinku::ZleUtf8, "nazwa stacji nie jest poprawnym tekstem UTF-8"},
      {"korwendo://h/%C0%AF?t=2026-12-10T08:30:00Z", BladLinku::ZleUtf8, "nazwa stacji nie jest poprawnym tekstem UTF-8"},
      {"korwendo://h/%ED%A0%80?t=2026-12-10T08:30:00Z", BladLinku::ZleUtf8, "nazwa stacji nie jest poprawnym tekstem UTF-8"},
      {"korwendo://h/Zeg%0Aar?t=2026-12-10T08:30:00Z", BladLinku::ZnakSterujacy, "znak sterujący w nazwie stacji"},
      {"korwendo://h/Zeg%1B[2Jar?t=2026-12-10T08:30:00Z", BladLinku::ZnakSterujacy, "znak sterujący w nazwie stacji"},
      {"korwendo://h/Zeg%C2%9Bar?t=2026-12-10T08:30:00Z", BladLinku::ZnakSterujacy, "znak sterujący w nazwie stacji"},
      {"korwendo://h/Zeg%7Far?t=2026-12-10T08:30:00Z", BladLinku::ZnakSterujacy, "znak sterujący w nazwie stacji"},
      {"korwendo://h/Zegar%40g?t=2026-12-10T08:30:00Z", BladLinku::MalpaWNazwie, "znak @ w nazwie stacji"},
      {"korwendo://h/Zegar", BladLinku::BrakCzasu, "brak czasu (?t=CZAS)"},
      {"korwendo://h/Zegar?x=1", BladLinku::BrakCzasu, "brak czasu (?t=CZAS)"},
      {"korwendo://h/Zegar?T=2026-12-10T08:30:00Z", BladLinku::BrakCzasu, "brak czasu (?t=CZAS)"},
      {"korwendo://h/Zegar?t=2026-12-10T08:30:00Z&t=2026-12-10T08:30:00Z", BladLinku::DwaCzasy,
       "czas podany dwa razy"},
      {"korwendo://h/Zegar?t=", BladLinku::ZlyCzas, "zły czas \"\""},
      {"korwendo://h/Zegar?t=jutro", BladLinku::ZlyCzas, "zły czas \"jutro\""},
      // No time set (the first millisecond of the scale), or beyond the years a link writes.
      {"korwendo://h/Zegar?t=00000000000000FF", BladLinku::ZlyCzas, "zły czas \"00000000000000FF\""},
      {"korwendo://h/Zegar?t=7FFFFFFFFFFFFFFF", BladLinku::ZlyCzas, "zły czas \"7FFFFFFFFFFFFFFF\""},
      {"korwendo://h/Zegar?t=2026-12-10 08:30", BladLinku::ZlyCzas, "zły czas \"2026-12-10 08:30\""},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.link);
    ASSERT_LE(String(p.link).size(), 200u);
    EXPECT_EQ(CzytajLink(p.link).blad, p.blad);
    try {
      ParsujLink(p.link);
      ADD_FAILURE() << "accepted";
    } catch (const std::exception& e) {
      EXPECT_EQ(WithoutLocation(e.what()), "zły link \"" + String(p.link) + "\": " + p.powod);
    }
  }
}

// A name longer than a server takes in a command is refused before anything connects, and
// the message quotes the link's first 200 characters only.
TEST(LinkDoChwili, NameLongerThanAServerTakesIsRefused) {
  const String najdluzsza(kMaksNazwyStacji, 'x');
  EXPECT_EQ(CzytajLink("korwendo://h/" + najdluzsza + "?t=2026-12-10T08:30:00Z").blad, BladLinku::Brak);
  // Encoded or not, a character is one byte of the server's command.
  String zakodowana;
  for (size_t i = 0; i < kMaksNazwyStacji; ++i) zakodowana += "%C5%81";
  EXPECT_EQ(CzytajLink("korwendo://h/" + zakodowana + "?t=2026-12-10T08:30:00Z").blad, BladLinku::Brak);
  const String link = "korwendo://h/" + String(130000, 'x') + "?t=2026-12-10T08:30:00Z";
  EXPECT_EQ(CzytajLink(link).blad, BladLinku::ZaDlugaNazwa);
  EXPECT_EQ(CzytajLink("korwendo://h/" + najdluzsza + "y?t=2026-12-10T08:30:00Z").blad, BladLinku::ZaDlugaNazwa);
  try {
    ParsujLink(link);
    ADD_FAILURE() << "accepted";
  } catch (const std::exception& e) {
    EXPECT_EQ(WithoutLocation(e.what()), "zły link \"" + link.substr(0, 200) + "…\" (" + std::to_string(link.size()) +
                                             " znaków): nazwa stacji ma 130000 znaków, a serwer przyjmuje najwyżej " +
                                             std::to_string(kMaksNazwyStacji));
  }
}

// What NapiszLink writes, CzytajLink reads back; only unreserved bytes stay unencoded.
TEST(LinkDoChwili, RoundTrip) {
  struct {
    LinkDoChwili link;
    const char* napis;
  } przypadki[] = {
      {{"arch.example:12540", "Zegar", kChwila}, "korwendo://arch.example:12540/Zegar?t=2026-12-10T08:30:00Z"},
      {{"[::1]:2000", "Dwójka", kChwila + Roznica::Milisekunda * 5},
       "korwendo://[::1]:2000/Dw%C3%B3jka?t=2026-12-10T08:30:00.005Z"},
      {{"h:1", "Radio Łódź", kChwila}, "korwendo://h:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z"},
      {{"h:1", "a-b.c_d~e/f?g&h#i%j+k", kChwila},
       "korwendo://h:1/a-b.c_d~e%2Ff%3Fg%26h%23i%25j%2Bk?t=2026-12-10T08:30:00Z"},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.napis);
    EXPECT_EQ(NapiszLink(p.link), p.napis);
    EXPECT_EQ(ParsujLink(NapiszLink(p.link)), p.link);
  }
}

TEST(LinkDoChwili, TellsALinkFromAnotherArgument) {
  EXPECT_TRUE(WygladaNaLink("korwendo://h/Zegar"));
  EXPECT_TRUE(WygladaNaLink("Korwendo://"));
  EXPECT_FALSE(WygladaNaLink("korwendo:/h"));
  EXPECT_FALSE(WygladaNaLink("Zegar"));
}

}  // namespace
