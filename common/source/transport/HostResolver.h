#pragma once
// Turning a host name and a port into the socket addresses to try, in order. The system
// resolver asks getaddrinfo for IPv4 and IPv6 stream addresses; tests put a resolver of
// their own in its place so that they need no name server.
#include <sys/socket.h>

#include <memory>
#include <vector>

#include "core/String.h"

// One address to connect to.
struct AdresGniazda {
  sockaddr_storage address{};
  socklen_t length = 0;
};

// The outcome of one lookup: addresses in the order to try them, or an error code (not
// 0) with its text.
struct WynikWyszukiwania {
  int error = 0;
  String errorText;
  std::vector<AdresGniazda> addresses;
};

// Implementations are called on a lookup worker thread, one call per lookup, possibly
// many at once; they may block.
class HostResolver {
 public:
  virtual ~HostResolver() = default;
  // The addresses of `host` with `port` filled in. A failure is returned, not raised.
  virtual WynikWyszukiwania Resolve(const String& host, int port) = 0;

  // The resolver of the system (getaddrinfo; numeric addresses of both families too).
  static std::shared_ptr<HostResolver> System();
};

// Fills `out` with an IPv4 or IPv6 numeric address and port; false when `text` is not one.
bool NumericAddress(const String& text, int port, AdresGniazda& out);
