#include "net/NaglowekProxy.h"

#include <algorithm>
#include <cstring>

namespace serwer {

namespace {

constexpr unsigned char kSygnatura[12] = {0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D, 0x0A, 0x51, 0x55, 0x49, 0x54, 0x0A};

}  // namespace

NaglowekProxy CzytajNaglowekProxy(const unsigned char* dane, size_t n) {
  using Stan = NaglowekProxy::Stan;
  NaglowekProxy w;
  const size_t porownaj = std::min(n, sizeof kSygnatura);
  if (porownaj > 0 && std::memcmp(dane, kSygnatura, porownaj) != 0) {
    w.stan = Stan::ObcaSygnatura;
    return w;
  }
  if (n < 13) return w;
  if ((dane[12] >> 4) != 2) {
    w.stan = Stan::ZlaWersja;
    return w;
  }
  const int polecenie = dane[12] & 0x0F;
  if (polecenie > 1) {
    w.stan = Stan::ZlePolecenie;
    return w;
  }
  if (n < 14) return w;
  const int rodzina = dane[13] >> 4;
  const int transport = dane[13] & 0x0F;
  if (rodzina > 3 || transport > 2) {
    w.stan = Stan::ZlaRodzina;
    return w;
  }
  if (n < NaglowekProxy::kStalaCzesc) return w;
  const size_t dlugosc = static_cast<size_t>(dane[14]) << 8 | dane[15];
  static constexpr size_t kAdresy[] = {0, 12, 36, 216};
  if (dlugosc > NaglowekProxy::kMaksDlugosc) {
    w.stan = Stan::ZaDlugi;
    return w;
  }
  if (dlugosc < kAdresy[rodzina]) {
    w.stan = Stan::ZaKrotki;
    return w;
  }
  if (n < NaglowekProxy::kStalaCzesc + dlugosc) return w;
  w.dlugosc = NaglowekProxy::kStalaCzesc + dlugosc;
  if (polecenie == 0) {
    // The balancer speaks for itself: its addresses, if any, say nothing of a peer.
    w.stan = Stan::Lokalny;
    return w;
  }
  w.stan = Stan::Przekazany;
  w.zrodlo.ss_family = AF_UNSPEC;
  const unsigned char* a = dane + NaglowekProxy::kStalaCzesc;
  if (rodzina == 1) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    std::memcpy(&s.sin_addr, a, 4);
    std::memcpy(&s.sin_port, a + 8, 2);
    std::memcpy(&w.zrodlo, &s, sizeof s);
  } else if (rodzina == 2) {
    sockaddr_in6 s{};
    s.sin6_family = AF_INET6;
    std::memcpy(&s.sin6_addr, a, 16);
    std::memcpy(&s.sin6_port, a + 32, 2);
    std::memcpy(&w.zrodlo, &s, sizeof s);
  }
  return w;
}

const char* OpisBleduProxy(NaglowekProxy::Stan s) {
  using Stan = NaglowekProxy::Stan;
  switch (s) {
    case Stan::ObcaSygnatura: return "brak sygnatury nagłówka PROXY";
    case Stan::ZlaWersja: return "nagłówek PROXY w wersji innej niż 2";
    case Stan::ZlePolecenie: return "nieznane polecenie nagłówka PROXY";
    case Stan::ZlaRodzina: return "nieznana rodzina adresów nagłówka PROXY";
    case Stan::ZaKrotki: return "nagłówek PROXY krótszy niż jego adresy";
    case Stan::ZaDlugi: return "nagłówek PROXY dłuższy niż 1024 bajty";
    case Stan::Niepelny:
    case Stan::Przekazany:
    case Stan::Lokalny: break;
  }
  return "";
}

}  // namespace serwer
