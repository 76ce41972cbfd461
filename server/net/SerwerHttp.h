#pragma once
// The archive server's HTTP endpoint for its operators, on an address of its own:
//   /metrics  Metryki::Tekst() in the Prometheus text format;
//   /health   200 once the first look at every station is done, 503 before (for load
//             balancers' checks: it logs nothing and queries no station);
// anything else is 404. Only GET (and HEAD) are answered. The embedded server
// (civetweb) listens on IPv4 only, as the system's library is built.
//
// Threads: the constructor and destructor run on the thread that owns it (main); the
// requests are answered on civetweb's own threads, which only read the Metryki.
#include "core/String.h"

struct mg_context;
struct mg_connection;

namespace serwer {

class Metryki;

class SerwerHttp {
 public:
  // Listens on `host` (a name or address with an IPv4 address; empty: every address) and `port` (0: any
  // free port, see Port()); raises with the reason when it cannot. `m` must outlive this.
  SerwerHttp(const String& host, int port, const Metryki& m);
  // Stops listening and waits for the requests being answered.
  ~SerwerHttp();
  SerwerHttp(const SerwerHttp&) = delete;
  SerwerHttp& operator=(const SerwerHttp&) = delete;

  int Port() const { return port; }

 private:
  static int Metrics(::mg_connection* c, void* dane);
  static int Health(::mg_connection* c, void* dane);
  static int Inne(::mg_connection* c, void* dane);

  const Metryki& metryki;
  mg_context* kontekst = nullptr;
  int port = 0;
};

}  // namespace serwer
