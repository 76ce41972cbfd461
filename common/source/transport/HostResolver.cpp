#include "transport/HostResolver.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>

#include "core/ErrorText.h"

namespace {

class SystemResolver : public HostResolver {
 public:
  WynikWyszukiwania Resolve(const String& host, int port) override {
    WynikWyszukiwania result;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const String service = std::to_string(port);
    const int code = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (code != 0) {
      result.error = code;
      result.errorText = code == EAI_SYSTEM ? SystemErrorText(errno) : String(gai_strerror(code));
      return result;
    }
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
      if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
      AdresGniazda entry;
      std::memcpy(&entry.address, a->ai_addr, a->ai_addrlen);
      entry.length = a->ai_addrlen;
      result.addresses.push_back(entry);
    }
    freeaddrinfo(list);
    return result;
  }
};

}  // namespace

std::shared_ptr<HostResolver> HostResolver::System() {
  static const std::shared_ptr<HostResolver> system = std::make_shared<SystemResolver>();
  return system;
}

bool NumericAddress(const String& text, int port, AdresGniazda& out) {
  out = AdresGniazda();
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out.address);
  if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(port));
    out.length = sizeof(sockaddr_in);
    return true;
  }
  out = AdresGniazda();
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out.address);
  if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<uint16_t>(port));
    out.length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}
