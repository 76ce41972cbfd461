// The PROXY header (version 2) that a load balancer sends first on each connection it
// relays, read by the server from arbitrary bytes. A header read whole states a length
// within the bytes given and within the bound a connection may hold, starts with the
// signature, and reads alike from exactly its own bytes; every shorter prefix of the
// input either asks for more or shows the same fault; a relayed peer's address is the
// one the bytes state, of a family the server counts.
#include <netinet/in.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/String.h"
#include "net/NaglowekProxy.h"

namespace {

using serwer::CzytajNaglowekProxy;
using serwer::NaglowekProxy;
using Stan = NaglowekProxy::Stan;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

bool Caly(Stan s) { return s == Stan::Przekazany || s == Stan::Lokalny; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const NaglowekProxy h = CzytajNaglowekProxy(data, size);
  if (Caly(h.stan)) {
    if (h.dlugosc < NaglowekProxy::kStalaCzesc || h.dlugosc > size ||
        h.dlugosc > NaglowekProxy::kStalaCzesc + NaglowekProxy::kMaksDlugosc) {
      Fail("a header's length outside the bytes or the bound");
    }
    if (std::memcmp(data, "\r\n\r\n\0\r\nQUIT\n", 12) != 0) Fail("a header without the signature");
    const NaglowekProxy sam = CzytajNaglowekProxy(data, h.dlugosc);
    if (sam.stan != h.stan || sam.dlugosc != h.dlugosc || std::memcmp(&sam.zrodlo, &h.zrodlo, sizeof h.zrodlo) != 0) {
      Fail("the header reads otherwise from its own bytes");
    }
    if (CzytajNaglowekProxy(data, h.dlugosc - 1).stan != Stan::Niepelny) Fail("a header cut short is not incomplete");
  } else if (String(serwer::OpisBleduProxy(h.stan)).empty() != (h.stan == Stan::Niepelny)) {
    Fail("a fault without a name, or a name without a fault");
  }
  if (h.stan == Stan::Przekazany) {
    const int f = h.zrodlo.ss_family;
    if (f == AF_INET) {
      if (std::memcmp(&reinterpret_cast<const sockaddr_in&>(h.zrodlo).sin_addr, data + 16, 4) != 0) {
        Fail("the IPv4 peer is not the one stated");
      }
    } else if (f == AF_INET6) {
      if (std::memcmp(&reinterpret_cast<const sockaddr_in6&>(h.zrodlo).sin6_addr, data + 16, 16) != 0) {
        Fail("the IPv6 peer is not the one stated");
      }
    } else if (f != AF_UNSPEC) {
      Fail("a peer of another family");
    }
  }
  // Prefixes, as the bytes arrive in pieces: each waits for more or shows the same
  // outcome; a fault never turns into a header.
  const size_t kroki[] = {size / 2, size > 0 ? size - 1 : 0, size > 0 ? data[0] % size : 0};
  for (const size_t k : kroki) {
    const Stan s = CzytajNaglowekProxy(data, k).stan;
    if (s != Stan::Niepelny && s != h.stan) Fail("a prefix shows another outcome than the whole");
  }
  return 0;
}
