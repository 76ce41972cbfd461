#include "transport/ServerAddress.h"

#include <gtest/gtest.h>

#include "core/Exception.h"

namespace {

TEST(ServerAddress, TextsToHostAndPort) {
  struct Case {
    const char* text;
    const char* host;
    int port;
    bool portGiven;
  };
  const Case cases[] = {
      {"archiwum", "archiwum", 12540, false},
      {"archiwum:2000", "archiwum", 2000, true},
      {"127.0.0.1:12541", "127.0.0.1", 12541, true},
      {"  recorder.example:65535 ", "recorder.example", 65535, true},
      {"h:00080", "h", 80, true},
      {"[::1]:7", "::1", 7, true},
      {"[::1]", "::1", 12540, false},
      {"[fe80::1%eth0]:2000", "fe80::1%eth0", 2000, true},
      // Without brackets more than one colon is a bare IPv6 address on the default port.
      {"::1", "::1", 12540, false},
      {"2001:db8::1:2000", "2001:db8::1:2000", 12540, false},
      // An internationalised name goes to the resolver as it is.
      {"serwer.łódź.pl:2000", "serwer.łódź.pl", 2000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const AddressReading r = ReadServerAddress(c.text);
    EXPECT_EQ(r.fault, AddressFault::None);
    EXPECT_EQ(r.address, (ServerAddress{c.host, c.port, c.portGiven}));
    EXPECT_EQ(ParseServerAddress(c.text), r.address);
  }
}

TEST(ServerAddress, Refusals) {
  struct Case {
    const char* text;
    AddressFault fault;
  };
  const Case cases[] = {
      {"", AddressFault::Empty},
      {" \t", AddressFault::Empty},
      {":2000", AddressFault::NoHost},
      {"[]:2000", AddressFault::NoHost},
      {"my host:2000", AddressFault::BadHost},
      {"a]:1", AddressFault::BadHost},
      {"user@127.0.0.1:2000", AddressFault::BadHost},
      {"r\xF3wne:2000", AddressFault::BadHost},  // not UTF-8
      {"h\x01x:1", AddressFault::BadHost},
      {"[v1.fe]", AddressFault::BadIpv6},
      {"[1:2:3:4:5:6:7:8:9]:2000", AddressFault::BadIpv6},
      {"127.0.0.1:2000:1", AddressFault::BadIpv6},
      {"[fe80::1%]:2000", AddressFault::BadIpv6},
      {"[fe80::1%a@b]", AddressFault::BadIpv6},
      {"[::1", AddressFault::UnclosedBracket},
      {"[::1:2000", AddressFault::UnclosedBracket},
      {"[::1]x", AddressFault::AfterBracket},
      {"[::1]2000", AddressFault::AfterBracket},
      {"h:", AddressFault::EmptyPort},
      {"[::1]:", AddressFault::EmptyPort},
      {"h:x", AddressFault::BadPort},
      {"h:+5", AddressFault::BadPort},
      {"h:-1", AddressFault::BadPort},
      {"h:12 34", AddressFault::BadPort},
      {"h:0", AddressFault::PortOutOfRange},
      {"h:65536", AddressFault::PortOutOfRange},
      {"h:99999999999999999999", AddressFault::PortOutOfRange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadServerAddress(c.text).fault, c.fault);
    try {
      ParseServerAddress(c.text);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      const String begin = String("zły adres serwera \"") + c.text + "\": " + AddressFaultText(c.fault);
      EXPECT_EQ(e.Message().rfind(begin, 0), 0u) << e.Message();
    }
  }
}

// A message quotes at most the first 200 characters of what was given.
TEST(ServerAddress, MessageQuotesTheBeginningOfALongText) {
  const String dlugi = String(130000, 'a') + "@b";
  try {
    ParseServerAddress(dlugi);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("\"" + String(200, 'a') + "…\" (130002 znaków)"), String::npos) << e.Message().substr(0, 400);
    EXPECT_LT(e.Message().size(), 400u);
  }
}

TEST(ServerAddress, PortZeroOnlyWhenAllowedAndWrittenBack) {
  EXPECT_EQ(ReadServerAddress("127.0.0.1:0", true).address, (ServerAddress{"127.0.0.1", 0, true}));
  EXPECT_EQ(ReadServerAddress("127.0.0.1:0").fault, AddressFault::PortOutOfRange);
  // A port fault still names the host, for a reader that falls back to the default port.
  const AddressReading r = ReadServerAddress("h:abc");
  EXPECT_EQ(r.address.host, "h");
  EXPECT_EQ(r.portText, "abc");
  EXPECT_EQ((ServerAddress{"h", 1}).Text(), "h:1");
  EXPECT_EQ((ServerAddress{"::1", 12540}).Text(), "[::1]:12540");
  EXPECT_EQ(ParseServerAddress(ServerAddress{"fe80::1", 9}.Text()), (ServerAddress{"fe80::1", 9, true}));
}

}  // namespace
