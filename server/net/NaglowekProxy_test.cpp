#include "net/NaglowekProxy.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/String.h"

namespace serwer {
namespace {

using Stan = NaglowekProxy::Stan;
using Bajty = std::vector<unsigned char>;

const Bajty kSygnatura = {0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D, 0x0A, 0x51, 0x55, 0x49, 0x54, 0x0A};

// A header: the signature, the two bytes given, the length of `reszta`, then `reszta`.
Bajty Naglowek(unsigned char wersjaPolecenie, unsigned char rodzina, const Bajty& reszta) {
  Bajty b(16 + reszta.size());
  std::copy(kSygnatura.begin(), kSygnatura.end(), b.begin());
  b[12] = wersjaPolecenie;
  b[13] = rodzina;
  b[14] = static_cast<unsigned char>(reszta.size() >> 8);
  b[15] = static_cast<unsigned char>(reszta.size());
  std::copy(reszta.begin(), reszta.end(), b.begin() + 16);
  return b;
}

// 192.0.2.7:40001 -> 10.0.0.5:12540, then what follows.
Bajty Ipv4(Bajty dalej = {}) {
  const unsigned char adresy[12] = {192, 0, 2, 7, 10, 0, 0, 5, 0x9C, 0x41, 0x30, 0xFC};
  dalej.insert(dalej.begin(), std::begin(adresy), std::end(adresy));
  return dalej;
}

// 2001:db8::1:2 port 443 -> ::1 port 12540.
Bajty Ipv6() {
  Bajty a(36, 0);
  a[0] = 0x20;
  a[1] = 0x01;
  a[2] = 0x0d;
  a[3] = 0xb8;
  a[13] = 1;
  a[15] = 2;
  a[31] = 1;
  a[32] = 0x01;
  a[33] = 0xBB;
  a[34] = 0x30;
  a[35] = 0xFC;
  return a;
}

String Adres(const sockaddr_storage& s) {
  char t[INET6_ADDRSTRLEN] = "";
  if (s.ss_family == AF_INET) {
    const auto& a = reinterpret_cast<const sockaddr_in&>(s);
    inet_ntop(AF_INET, &a.sin_addr, t, sizeof t);
    return String(t) + ":" + std::to_string(ntohs(a.sin_port));
  }
  if (s.ss_family == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(s);
    inet_ntop(AF_INET6, &a.sin6_addr, t, sizeof t);
    return "[" + String(t) + "]:" + std::to_string(ntohs(a.sin6_port));
  }
  return "none";
}

struct Przypadek {
  const char* nazwa;
  Bajty bajty;
  Stan stan;
  size_t dlugosc;  // with Przekazany and Lokalny
  const char* adres;  // with Przekazany
};

TEST(NaglowekProxy, ReadsTheHeaderOrNamesItsFault) {
  Bajty poNaglowku = Naglowek(0x21, 0x11, Ipv4());
  for (char c : String("player\n")) poNaglowku.push_back(static_cast<unsigned char>(c));
  Bajty obcy = {'s', 't', 'a', 't', 'i', 'o', 'n', 's', '\n'};
  Bajty pustyPrzekazany = Naglowek(0x21, 0x00, {});
  const std::vector<Przypadek> przypadki = {
      {"IPv4 over TCP", Naglowek(0x21, 0x11, Ipv4()), Stan::Przekazany, 28, "192.0.2.7:40001"},
      {"IPv6 over TCP", Naglowek(0x21, 0x21, Ipv6()), Stan::Przekazany, 52, "[2001:db8::1:2]:443"},
      {"records after the addresses are skipped", Naglowek(0x21, 0x11, Ipv4({0x04, 0x00, 0x03, 1, 2, 3})),
       Stan::Przekazany, 34, "192.0.2.7:40001"},
      {"the client's bytes after it are not its own", poNaglowku, Stan::Przekazany, 28, "192.0.2.7:40001"},
      {"no address stated", pustyPrzekazany, Stan::Przekazany, 16, "none"},
      {"a UNIX socket states no address to use", Naglowek(0x21, 0x31, Bajty(216, 'x')), Stan::Przekazany, 232,
       "none"},
      {"LOCAL of a health check", Naglowek(0x20, 0x00, {}), Stan::Lokalny, 16, ""},
      {"LOCAL with addresses", Naglowek(0x20, 0x11, Ipv4()), Stan::Lokalny, 28, ""},
      {"nothing yet", {}, Stan::Niepelny, 0, ""},
      {"part of the signature", Bajty(kSygnatura.begin(), kSygnatura.begin() + 5), Stan::Niepelny, 0, ""},
      {"the fixed part only", Bajty(poNaglowku.begin(), poNaglowku.begin() + 16), Stan::Niepelny, 0, ""},
      {"all but the last address byte", Bajty(poNaglowku.begin(), poNaglowku.begin() + 27), Stan::Niepelny, 0, ""},
      {"a client's first line", obcy, Stan::ObcaSygnatura, 0, ""},
      {"the text header of version 1", {'P', 'R', 'O', 'X', 'Y', ' ', 'T', 'C', 'P', '4'}, Stan::ObcaSygnatura, 0,
       ""},
      {"a wrong byte late in the signature", Bajty{0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D, 0x0A, 0x51, 0x55, 0x49, 0x54, 0x0D},
       Stan::ObcaSygnatura, 0, ""},
      {"version 1 in binary", Naglowek(0x11, 0x11, Ipv4()), Stan::ZlaWersja, 0, ""},
      {"version 3", Naglowek(0x31, 0x11, Ipv4()), Stan::ZlaWersja, 0, ""},
      {"command 2", Naglowek(0x22, 0x11, Ipv4()), Stan::ZlePolecenie, 0, ""},
      {"family 4", Naglowek(0x21, 0x41, Ipv4()), Stan::ZlaRodzina, 0, ""},
      {"transport 3", Naglowek(0x21, 0x13, Ipv4()), Stan::ZlaRodzina, 0, ""},
      {"IPv4 addresses cut short", Naglowek(0x21, 0x11, Bajty(11, 0)), Stan::ZaKrotki, 0, ""},
      {"IPv6 with IPv4's length", Naglowek(0x21, 0x21, Ipv4()), Stan::ZaKrotki, 0, ""},
      {"longer than a connection may hold", Naglowek(0x21, 0x11, Bajty(1025, 0)), Stan::ZaDlugi, 0, ""},
      {"the longest allowed", Naglowek(0x21, 0x11, Ipv4(Bajty(1012, 0))), Stan::Przekazany, 1040, "192.0.2.7:40001"},
  };
  for (const Przypadek& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    const NaglowekProxy n = CzytajNaglowekProxy(p.bajty.data(), p.bajty.size());
    EXPECT_EQ(n.stan, p.stan);
    if (p.stan == Stan::Przekazany || p.stan == Stan::Lokalny) {
      EXPECT_EQ(n.dlugosc, p.dlugosc);
    }
    if (p.stan == Stan::Przekazany) {
      EXPECT_EQ(Adres(n.zrodlo), p.adres);
    }
    const bool blad = p.stan != Stan::Niepelny && p.stan != Stan::Przekazany && p.stan != Stan::Lokalny;
    EXPECT_EQ(String(OpisBleduProxy(n.stan)).empty(), !blad);
  }
}

// Every prefix of a valid header asks for more, and the fault of a bad one is stated as
// soon as its bytes show it, whatever the bytes after them: a connection never waits for a
// header that cannot come.
TEST(NaglowekProxy, EveryPrefixWaitsAndAFaultShowsAtOnce) {
  const Bajty dobry = Naglowek(0x21, 0x21, Ipv6());
  for (size_t n = 0; n < dobry.size(); ++n) {
    EXPECT_EQ(CzytajNaglowekProxy(dobry.data(), n).stan, Stan::Niepelny) << n;
  }
  EXPECT_EQ(CzytajNaglowekProxy(dobry.data(), dobry.size()).stan, Stan::Przekazany);
  const struct {
    size_t ile;
    Bajty bajty;
    Stan stan;
  } zle[] = {
      {1, {'G'}, Stan::ObcaSygnatura},
      {13, Naglowek(0x11, 0x11, Ipv4()), Stan::ZlaWersja},
      {13, Naglowek(0x2F, 0x11, Ipv4()), Stan::ZlePolecenie},
      {14, Naglowek(0x21, 0x51, Ipv4()), Stan::ZlaRodzina},
      {16, Naglowek(0x21, 0x11, Bajty(2000, 0)), Stan::ZaDlugi},
  };
  for (const auto& z : zle) EXPECT_EQ(CzytajNaglowekProxy(z.bajty.data(), z.ile).stan, z.stan) << z.ile;
}

}  // namespace
}  // namespace serwer
