#pragma once
// The process's descriptor limit, raised at start as far as the connections the server is
// set to serve need and the system allows. Main thread, before any other thread starts.
#include "core/String.h"

namespace serwer {

// The descriptors the server holds besides its connections: the listening socket, the
// loops' epolls and eventfds, the log, the archive files being indexed and read, the
// metrics server's sockets.
constexpr int kDeskryptoryWlasne = 256;

struct LimitPolaczen {
  // The connections the limit leaves room for: the setting when it was reached, else
  // fewer (never below 16).
  int polaczen = 0;
  // Empty when the setting was reached; else one sentence for the operator: what the
  // system allows, how many connections that makes, and what to change.
  String ostrzezenie;
};

// Raises RLIMIT_NOFILE's soft limit to `polaczen` + kDeskryptoryWlasne, and the hard limit
// too when it is lower and the process may raise it (root, CAP_SYS_RESOURCE); never
// lowers either.
LimitPolaczen UstawLimitDeskryptorow(int polaczen);

}  // namespace serwer
