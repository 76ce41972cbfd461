#include "transport/CelStacji.h"

#include <gtest/gtest.h>

#include "core/Exception.h"

namespace {

TEST(CelStacji, ReadAndWrittenBack) {
  struct Case {
    const char* tekst;
    const char* stacja;
    const char* host;
    int port;
    const char* napis;  // as every target is written back
  };
  const Case cases[] = {
      {"Zegar@127.0.0.1:12541", "Zegar", "127.0.0.1", 12541, "Zegar@127.0.0.1:12541"},
      {"Zegar@archiwum", "Zegar", "archiwum", 12540, "Zegar@archiwum:12540"},
      {"Radio Łódź@archiwum:2000", "Radio Łódź", "archiwum", 2000, "Radio Łódź@archiwum:2000"},
      {"Fala@[::1]:7", "Fala", "::1", 7, "Fala@[::1]:7"},
      {"Fala@[::1]", "Fala", "::1", 12540, "Fala@[::1]:12540"},
      {"Fala@::1", "Fala", "::1", 12540, "Fala@[::1]:12540"},
      {"Fala@ h:00080 ", "Fala", "h", 80, "Fala@h:80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tekst);
    const OdczytCelu o = CzytajCel(c.tekst);
    ASSERT_EQ(o.blad, BladCelu::Brak);
    EXPECT_EQ(o.cel.stacja, c.stacja);
    EXPECT_EQ(o.cel.serwer.host, c.host);
    EXPECT_EQ(o.cel.serwer.port, c.port);
    EXPECT_EQ(o.cel.Napis(), c.napis);
    // The text written back reads as the same target, and writes itself again.
    const CelStacji z = ParsujCel(o.cel.Napis());
    EXPECT_EQ(z, o.cel);
    EXPECT_EQ(z.Napis(), c.napis);
  }
  // The same target whether the default port was written or not; another name, host or
  // port is another target.
  EXPECT_EQ(ParsujCel("A@h"), ParsujCel("A@h:12540"));
  EXPECT_FALSE(ParsujCel("A@h") == ParsujCel("B@h"));
  EXPECT_FALSE(ParsujCel("A@h") == ParsujCel("A@g"));
  EXPECT_FALSE(ParsujCel("A@h") == ParsujCel("A@h:1"));
}

TEST(CelStacji, Refusals) {
  struct Case {
    const char* tekst;
    BladCelu blad;
    AddressFault adres;
    const char* stacja;  // the name read even so
  };
  const Case cases[] = {
      {"", BladCelu::PustaNazwa, AddressFault::None, ""},
      {"@h:1", BladCelu::PustaNazwa, AddressFault::None, ""},
      {"Zegar", BladCelu::BezSerwera, AddressFault::None, "Zegar"},
      {"Zegar@", BladCelu::ZlyAdres, AddressFault::Empty, "Zegar"},
      {"Zegar@h:", BladCelu::ZlyAdres, AddressFault::EmptyPort, "Zegar"},
      {"Zegar@h:x", BladCelu::ZlyAdres, AddressFault::BadPort, "Zegar"},
      {"Zegar@h:70000", BladCelu::ZlyAdres, AddressFault::PortOutOfRange, "Zegar"},
      {"Zegar@[::1", BladCelu::ZlyAdres, AddressFault::UnclosedBracket, "Zegar"},
      {"Zegar@a@b:1", BladCelu::ZlyAdres, AddressFault::BadHost, "Zegar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tekst);
    const OdczytCelu o = CzytajCel(c.tekst);
    EXPECT_EQ(o.blad, c.blad);
    EXPECT_EQ(o.adres, c.adres);
    EXPECT_EQ(o.cel.stacja, c.stacja);
    EXPECT_FALSE(OpisBleduCelu(o).empty());
    EXPECT_THROW(ParsujCel(c.tekst), Exception);
  }
  try {
    ParsujCel("Zegar@h:");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(String(e.what()).find("zły cel \"Zegar@h:\": brak portu po dwukropku"), String::npos) << e.what();
  }
}

}  // namespace
