#include "net/SerwerHttp.h"

#include <arpa/inet.h>
#include <civetweb.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>
#include <mutex>

#include "core/Exception.h"
#include "net/Metryki.h"

namespace serwer {

namespace {

// Whether the request may be answered: GET and HEAD; the others are told 405.
bool Czytanie(mg_connection* c) {
  const mg_request_info* r = mg_get_request_info(c);
  if (std::strcmp(r->request_method, "GET") == 0 || std::strcmp(r->request_method, "HEAD") == 0) return true;
  mg_response_header_start(c, 405);
  mg_response_header_add(c, "Allow", "GET, HEAD", -1);
  mg_response_header_add(c, "Content-Length", "0", -1);
  mg_response_header_send(c);
  return false;
}

void Odpowiedz(mg_connection* c, int status, const char* typ, const String& tresc) {
  mg_response_header_start(c, status);
  mg_response_header_add(c, "Content-Type", typ, -1);
  mg_response_header_add(c, "Content-Length", std::to_string(tresc.size()).c_str(), -1);
  mg_response_header_add(c, "Cache-Control", "no-store", -1);
  mg_response_header_send(c);
  if (std::strcmp(mg_get_request_info(c)->request_method, "HEAD") != 0) mg_write(c, tresc.data(), tresc.size());
}

// The host's IPv4 address as numbers, as civetweb takes it; raises when it has none.
String AdresIPv4(const String& host) {
  addrinfo wskazowki{};
  wskazowki.ai_family = AF_INET;
  wskazowki.ai_socktype = SOCK_STREAM;
  addrinfo* wynik = nullptr;
  const int r = getaddrinfo(host.c_str(), nullptr, &wskazowki, &wynik);
  if (r != 0) KG_ERROR("adres HTTP " + host + ": " + gai_strerror(r) + " (tylko IPv4)");
  char tekst[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(wynik->ai_addr)->sin_addr, tekst, sizeof tekst);
  freeaddrinfo(wynik);
  return tekst;
}

}  // namespace

SerwerHttp::SerwerHttp(const String& host, int p, const Metryki& m) : metryki(m) {
  static std::once_flag biblioteka;
  std::call_once(biblioteka, [] { mg_init_library(0); });
  const String porty = (host.empty() ? String() : AdresIPv4(host) + ":") + std::to_string(p);
  // No document root: nothing but the handlers below is served, and no access log.
  const char* opcje[] = {"listening_ports", porty.c_str(), "num_threads", "2", "request_timeout_ms", "10000",
                         nullptr};
  mg_callbacks wywolania{};
  // civetweb's own messages (a request it could not parse) would go to standard error.
  wywolania.log_message = [](const mg_connection*, const char*) { return 1; };
  mg_init_data init{};
  init.callbacks = &wywolania;
  init.configuration_options = opcje;
  char blad[256] = "";
  mg_error_data b{};
  b.text = blad;
  b.text_buffer_size = sizeof blad;
  kontekst = mg_start2(&init, &b);
  if (!kontekst) KG_ERROR("nie można słuchać HTTP na " + porty + ": " + (blad[0] ? String(blad) : String("błąd")));
  mg_set_request_handler(kontekst, "/metrics$", &SerwerHttp::Metrics, this);
  mg_set_request_handler(kontekst, "/health$", &SerwerHttp::Health, this);
  mg_set_request_handler(kontekst, "/", &SerwerHttp::Inne, this);
  mg_server_port porty2[1] = {};
  if (mg_get_server_ports(kontekst, 1, porty2) >= 1) port = porty2[0].port;
}

SerwerHttp::~SerwerHttp() {
  if (kontekst) mg_stop(kontekst);
}

int SerwerHttp::Metrics(mg_connection* c, void* dane) {
  if (!Czytanie(c)) return 405;
  Odpowiedz(c, 200, "text/plain; version=0.0.4; charset=utf-8", static_cast<SerwerHttp*>(dane)->metryki.Tekst());
  return 200;
}

int SerwerHttp::Health(mg_connection* c, void* dane) {
  if (!Czytanie(c)) return 405;
  const bool gotowy = static_cast<SerwerHttp*>(dane)->metryki.Gotowy();
  Odpowiedz(c, gotowy ? 200 : 503, "text/plain; charset=utf-8", gotowy ? "ok\n" : "starting\n");
  return gotowy ? 200 : 503;
}

int SerwerHttp::Inne(mg_connection* c, void*) {
  Odpowiedz(c, 404, "text/plain; charset=utf-8", "not found\n");
  return 404;
}

}  // namespace serwer
