#pragma once
// The binary header (version 2) by which a TCP load balancer in front of the server states
// the address of the peer it relays: a 12-byte signature, the version and command byte,
// the address family and transport byte, the 2-byte length of what follows, then the
// addresses and ports (network order) and optional type-length-value records, which are
// skipped. The server reads it only on connections from the balancers it is configured
// to trust (docs/fleet.md). Pure functions; any thread.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>

namespace serwer {

struct NaglowekProxy {
  enum class Stan {
    Niepelny,      // a prefix of a header: more bytes are needed
    Przekazany,    // a relayed connection (command PROXY): zrodlo is the peer's address
    Lokalny,       // the balancer's own connection (command LOCAL), e.g. a health check
    ObcaSygnatura, // the bytes do not start with the signature
    ZlaWersja,     // a version other than 2
    ZlePolecenie,  // a command other than LOCAL and PROXY
    ZlaRodzina,    // an address family or transport not known
    ZaKrotki,      // the stated length is shorter than the family's addresses
    ZaDlugi,       // the stated length passes kMaksDlugosc
  };
  Stan stan = Stan::Niepelny;
  // The header's whole length in bytes, when stan is Przekazany or Lokalny: the client's
  // own bytes start there.
  size_t dlugosc = 0;
  // With Przekazany: the peer's address and port (AF_INET or AF_INET6); ss_family is
  // AF_UNSPEC when the balancer stated none (family UNSPEC or UNIX): the connection's own
  // address is then the one to use.
  sockaddr_storage zrodlo{};

  // The signature and the fixed part before the addresses.
  static constexpr size_t kStalaCzesc = 16;
  // The most a header may hold after its fixed part: the addresses (at most 216 bytes, of
  // the UNIX family) and records a balancer adds; a longer one is refused, so that a
  // connection can hold no more than this before it is served.
  static constexpr size_t kMaksDlugosc = 1024;
};

// Reads the header at the start of dane[0, n). Never reads past n; the fault is stated as
// soon as the bytes given show it (a wrong signature from its first differing byte).
NaglowekProxy CzytajNaglowekProxy(const unsigned char* dane, size_t n);

// The fault's name for a log line; "" for Niepelny, Przekazany and Lokalny.
const char* OpisBleduProxy(NaglowekProxy::Stan s);

}  // namespace serwer
