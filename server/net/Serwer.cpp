#include "net/Serwer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <malloc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/SygnalyKonca.h"
#include "net/Metryki.h"
#include "net/NaglowekProxy.h"

namespace serwer {

namespace {

// How long one turn of the loop gives to the players' events, and to the tick's visits of
// every connection: a station query waits for no more than a few of them.
const Roznica kPlaster = Roznica::Milisekunda * 2;

// The clients' clock: monotonic, so that a step of the system clock neither stalls nor
// floods a stream (the clients only ever take differences of it).
Czas Zegar() {
  return Czas(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                  .count() /
              100);
}

// The peer's address as the per-address limit counts it: IPv4 (also mapped into IPv6) by
// the address, IPv6 by its /64 network, which one peer usually holds whole.
String AdresPeera(const sockaddr_storage& a) {
  char tekst[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, tekst, sizeof tekst);
    return tekst;
  }
  if (a.ss_family == AF_INET6) {
    in6_addr adres = reinterpret_cast<const sockaddr_in6&>(a).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&adres)) {
      inet_ntop(AF_INET, adres.s6_addr + 12, tekst, sizeof tekst);
      return tekst;
    }
    std::memset(adres.s6_addr + 8, 0, 8);
    inet_ntop(AF_INET6, &adres, tekst, sizeof tekst);
    return String(tekst) + "/64";
  }
  return String();
}

// The peer's whole address as the balancers are listed (an IPv4 address mapped into IPv6
// as IPv4).
String AdresDokladny(const sockaddr_storage& a) {
  char tekst[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, tekst, sizeof tekst);
  } else if (a.ss_family == AF_INET6) {
    const in6_addr& adres = reinterpret_cast<const sockaddr_in6&>(a).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&adres)) {
      inet_ntop(AF_INET, adres.s6_addr + 12, tekst, sizeof tekst);
    } else {
      inet_ntop(AF_INET6, &adres, tekst, sizeof tekst);
    }
  }
  return tekst;
}

void Nieblokujacy(int fd) {
  const int f = fcntl(fd, F_GETFL, 0);
  fcntl(fd, F_SETFL, f | O_NONBLOCK);
}

}  // namespace

Serwer::Serwer(std::vector<std::unique_ptr<Stacja>> s, const Ustawienia& ust)
    : stacje(std::move(s)), u(ust), budzet(ust.limitWejsciaRazem, ust.klient.limitPakietu) {}

Serwer::~Serwer() = default;

void Serwer::Otworz() {
  KG_TRACE("serwer::Serwer::Otworz()");
  addrinfo wskazowki{};
  wskazowki.ai_family = AF_UNSPEC;
  wskazowki.ai_socktype = SOCK_STREAM;
  wskazowki.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* wynik = nullptr;
  const String p = std::to_string(u.port);
  const int r = getaddrinfo(u.host.empty() ? nullptr : u.host.c_str(), p.c_str(), &wskazowki, &wynik);
  if (r != 0) KG_ERROR("adres " + u.host + ": " + gai_strerror(r));
  int blad = 0;
  for (addrinfo* a = wynik; a && !nasluch; a = a->ai_next) {
    UnikalnyDeskryptor fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
    if (!fd) {
      blad = errno;
      continue;
    }
    const int jeden = 1;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &jeden, sizeof jeden);
    if (bind(fd.Get(), a->ai_addr, a->ai_addrlen) != 0 || listen(fd.Get(), 128) != 0) {
      blad = errno;
      continue;
    }
    nasluch = std::move(fd);
  }
  freeaddrinfo(wynik);
  if (!nasluch) KG_ERROR("nie można słuchać na " + u.host + ":" + p + ": " + SystemErrorText(blad));
  Nieblokujacy(nasluch.Get());
  zapasowy.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
  sockaddr_storage adres{};
  socklen_t dl = sizeof adres;
  getsockname(nasluch.Get(), reinterpret_cast<sockaddr*>(&adres), &dl);
  port = ntohs(adres.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&adres)->sin6_port
                                           : reinterpret_cast<sockaddr_in*>(&adres)->sin_port);
  epoll.Reset(epoll_create1(EPOLL_CLOEXEC));
  KG_SYSCHECK(static_cast<bool>(epoll));
  budzik.Reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  KG_SYSCHECK(static_cast<bool>(budzik));
  odczytano.Reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  KG_SYSCHECK(static_cast<bool>(odczytano));
  epollGraczy.Reset(epoll_create1(EPOLL_CLOEXEC));
  KG_SYSCHECK(static_cast<bool>(epollGraczy));
  for (const int fd : {nasluch.Get(), budzik.Get(), odczytano.Get(), epollGraczy.Get()}) {
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = fd;
    epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, fd, &e);
  }
  Log(3, "korwendo-server słucha na " + u.host + ":" + std::to_string(port), KG_WHERE);
}

void Serwer::Zatrzymaj() {
  const uint64_t jeden = 1;
  if (budzik) {
    [[maybe_unused]] const ssize_t n = write(budzik.Get(), &jeden, sizeof jeden);
  }
}

void Serwer::Uruchom(SygnalyKonca* sygnaly) {
  KG_TRACE("serwer::Serwer::Uruchom(SygnalyKonca* sygnaly)");
  {
    std::lock_guard<std::mutex> l(mutex);
    koniec = false;
  }
  const int sygnal = sygnaly != nullptr ? sygnaly->Deskryptor() : -1;
  if (sygnal >= 0) {
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = sygnal;
    epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, sygnal, &e);
  }
  // One archive thread for each station, so that a station whose look takes long (a
  // large file being indexed) holds up no other.
  std::vector<std::thread> archiwisci;
  // The archive threads end with the loop, however the loop ends; a look at an archive one
  // is in the middle of (indexing a large file may take a minute) is abandoned, so that
  // the server stops at once.
  struct Koniec {
    Serwer& s;
    std::vector<std::thread>& t;
    int sygnal;
    ~Koniec() {
      if (sygnal >= 0) epoll_ctl(s.epoll.Get(), EPOLL_CTL_DEL, sygnal, nullptr);
      {
        std::lock_guard<std::mutex> l(s.mutex);
        s.koniec = true;
      }
      s.cv.notify_all();
      for (std::thread& w : t) w.join();
    }
  } koniecArchiwistow{*this, archiwisci, sygnal};
  for (auto& st : stacje) {
    Stacja* stacja = st.get();
    archiwisci.emplace_back([this, stacja] { Archiwista(*stacja); });
  }
  archiwisci.emplace_back([this] { Analityk(); });

  Czas zegar = Zegar();
  epoll_event zdarzenia[64];
  bool gracze = false;
  for (;;) {
    // A client's failed request leaves its call chain behind; each turn cuts it back.
    TraceDepthScope glebokosc;
    // A tick cut short goes on at once, after the events that came meanwhile.
    const int n = epoll_wait(epoll.Get(), zdarzenia, 64, obejscie.empty() ? 50 : 0);
    if (n < 0 && errno != EINTR) RaiseSystemError(errno, __FILE__, __LINE__);
    for (int i = 0; i < n; ++i) {
      const int fd = zdarzenia[i].data.fd;
      if (fd == budzik.Get()) return;
      if (fd == sygnal) {
        if (const auto numer = sygnaly->Odbierz()) {
          Log(3, "korwendo-server kończy po sygnale " + std::to_string(*numer), KG_WHERE);
          return;
        }
        continue;
      }
      if (fd == nasluch.Get()) {
        Przyjmij();
        continue;
      }
      if (fd == odczytano.Get()) {
        Odswiez();
        continue;
      }
      if (fd == epollGraczy.Get()) {
        gracze = true;
        continue;
      }
      Obsluz(fd, zdarzenia[i].events);
    }
    // The players after the light work, a slice at a time: what is left stays ready and
    // brings the loop back at once.
    if (gracze) ObsluzGraczy(Zegar() + kPlaster);
    gracze = false;
    const Czas teraz = Zegar();
    if (obejscie.empty() && teraz - zegar >= Roznica::Milisekunda * 100) {
      zegar = teraz;
      if (zamknieteOdOddania > 0 && teraz - oddanoPamiec >= Roznica::Sekunda) {
        // The allocator keeps freed memory for reuse; after connections end it goes back.
        malloc_trim(0);
        zamknieteOdOddania = 0;
        oddanoPamiec = teraz;
      }
      if (u.takt) u.takt();
      if (nasluchWstrzymany) {
        if (!zapasowy) zapasowy.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
        if (zapasowy) WstrzymajNasluch(false);
      }
      for (auto it = polaczenia.rbegin(); it != polaczenia.rend(); ++it) obejscie.push_back(it->first);
    }
    // The tick's pings and pumping, a few milliseconds at a time: many connections that
    // all want audio read from the archive at once never hold the loop, so that the
    // others' commands and new connections are answered meanwhile.
    const Czas doKiedy = teraz + kPlaster;
    while (!obejscie.empty()) {
      const auto it = polaczenia.find(obejscie.back());
      obejscie.pop_back();
      if (it == polaczenia.end()) continue;
      it->second.klient->Zegar(teraz);
      Pisz(it->second);
      if (Zegar() >= doKiedy) break;
    }
  }
}

void Serwer::Obsluz(int fd, uint32_t zdarzenia) {
  auto it = polaczenia.find(fd);
  if (it == polaczenia.end()) return;
  const bool byl = it->second.wGraczach;
  if (zdarzenia & (EPOLLIN | EPOLLHUP | EPOLLERR)) Czytaj(it->second);
  it = polaczenia.find(fd);
  if (it != polaczenia.end() && it->second.wGraczach == byl) Pisz(it->second);
}

void Serwer::ObsluzGraczy(Czas doKiedy) {
  epoll_event zdarzenia[64];
  do {
    const int n = epoll_wait(epollGraczy.Get(), zdarzenia, 64, 0);
    if (n <= 0) return;
    for (int i = 0; i < n; ++i) {
      // An event not handled now stays ready (level-triggered) for the next turn.
      if (i > 0 && Zegar() >= doKiedy) return;
      Obsluz(zdarzenia[i].data.fd, zdarzenia[i].events);
    }
  } while (Zegar() < doKiedy);
}

void Serwer::DoGraczy(Polaczenie& p) {
  const int fd = p.fd.Get();
  epoll_ctl(epoll.Get(), EPOLL_CTL_DEL, fd, nullptr);
  // Written first thing in the players' turn: what the first command asked for (audio,
  // an export) starts there.
  epoll_event e{};
  e.events = EPOLLIN | EPOLLOUT;
  e.data.fd = fd;
  if (epoll_ctl(epollGraczy.Get(), EPOLL_CTL_ADD, fd, &e) != 0) {
    Zamknij(fd, SystemErrorText(errno));
    return;
  }
  p.wGraczach = true;
  p.czekaNaZapis = true;
}

void Serwer::Archiwista(Stacja& s) {
  pthread_setname_np(pthread_self(), "archiwum");
  std::unique_lock<std::mutex> l(mutex);
  // The first look at once: the server already listens, and clients see the station as
  // soon as it is indexed, however long the other stations' archives take.
  for (bool pierwszy = true;; pierwszy = false) {
    if (!pierwszy) {
      cv.wait_for(l, std::chrono::microseconds(u.odswiezCo.Wartosc() / 10), [this] { return koniec.load(); });
    }
    if (koniec) return;
    l.unlock();
    std::optional<Stacja::Odczyt> o;
    {
      TraceDepthScope glebokosc;
      try {
        o = s.Sprawdz(&koniec);
        if (u.klient.metryki && !koniec) u.klient.metryki->Zindeksowano(s);
      } catch (const std::exception& e) {
        Log(2, "stacja " + s.Nazwa() + ": " + e.what(), KG_WHERE);
      }
    }
    l.lock();
    if (koniec) return;
    if (o) {
      odczyty.emplace_back(&s, std::move(*o));
      const uint64_t jeden = 1;
      [[maybe_unused]] const ssize_t n = write(odczytano.Get(), &jeden, sizeof jeden);
    }
  }
}

void Serwer::Analityk() {
  pthread_setname_np(pthread_self(), "cisza");
  // Serving comes first: the analysis takes what the processors leave.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
  std::unique_lock<std::mutex> l(mutex);
  for (;;) {
    if (koniec) return;
    l.unlock();
    bool dalej = false;
    for (auto& s : stacje) {
      TraceDepthScope glebokosc;
      try {
        dalej = s->AnalizujCisze(&koniec) || dalej;
      } catch (const std::exception& e) {
        Log(2, "stacja " + s->Nazwa() + ": analiza ciszy: " + e.what(), KG_WHERE);
      }
      if (koniec) break;
    }
    l.lock();
    if (!dalej) cv.wait_for(l, std::chrono::microseconds(u.odswiezCo.Wartosc() / 10), [this] { return koniec.load(); });
  }
}

void Serwer::WstrzymajNasluch(bool wstrzymaj) {
  if (wstrzymaj == nasluchWstrzymany) return;
  epoll_event e{};
  e.events = EPOLLIN;
  e.data.fd = nasluch.Get();
  epoll_ctl(epoll.Get(), wstrzymaj ? EPOLL_CTL_DEL : EPOLL_CTL_ADD, nasluch.Get(), wstrzymaj ? nullptr : &e);
  nasluchWstrzymany = wstrzymaj;
  Log(wstrzymaj ? 2 : 0,
      wstrzymaj ? "brak deskryptorów: nowe połączenia czekają" : "deskryptory są: nowe połączenia przyjmowane",
      KG_WHERE);
}

void Serwer::Przyjmij() {
  if (!zapasowy) zapasowy.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
  // A slice at a time, as the players get: the rest wait in the backlog for the next turn.
  const Czas doKiedy = Zegar() + kPlaster;
  for (int k = 0; k < 64 && (k == 0 || Zegar() < doKiedy); ++k) {
    sockaddr_storage peer{};
    socklen_t dlugosc = sizeof peer;
    UnikalnyDeskryptor fd(
        accept4(nasluch.Get(), reinterpret_cast<sockaddr*>(&peer), &dlugosc, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) {
      const int e = errno;
      if (e == EAGAIN || e == EWOULDBLOCK || e == EINTR) return;
      if ((e == EMFILE || e == ENFILE) && zapasowy) {
        // Out of descriptors: the waiting connection would keep the listening socket
        // readable and the loop spinning. The spare descriptor makes room to take it and
        // close it at once; the clients already served go on.
        zapasowy.Reset();
        UnikalnyDeskryptor odrzucony(accept4(nasluch.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        const int bladOdrzucenia = errno;
        const bool wziety = static_cast<bool>(odrzucony);
        odrzucony.Reset();
        // Logged while the descriptor is free, since writing the log may need one. Only a
        // connection taken counts: an attempt that failed is no connection refused.
        const int64_t odrzucone = wziety ? ++odrzuconeBezDeskryptorow : 0;
        if (odrzucone == 1 || (odrzucone > 0 && odrzucone % 1000 == 0)) {
          Log(1, "brak deskryptorów, połączenie odrzucone (" + std::to_string(odrzucone) + ")", KG_WHERE);
        }
        zapasowy.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
        if (!wziety && bladOdrzucenia != EAGAIN && bladOdrzucenia != EWOULDBLOCK && bladOdrzucenia != EINTR &&
            bladOdrzucenia != ECONNABORTED) {
          // Another thread took the freed descriptor: the listening socket leaves the loop
          // until the next tick rather than spin on the connection it cannot take.
          WstrzymajNasluch(true);
          return;
        }
        if (!wziety) return;
        continue;
      }
      if (e == EMFILE || e == ENFILE) {
        // Not even the spare is left (another thread took the slot): the listening socket
        // leaves the loop until the next tick finds a descriptor again, so that the loop
        // does not spin on it.
        WstrzymajNasluch(true);
        return;
      }
      Log(1, "accept: " + SystemErrorText(e), KG_WHERE);
      return;
    }
    const String adres = AdresPeera(peer);
    const bool zProxy =
        !u.proxy.empty() && std::find(u.proxy.begin(), u.proxy.end(), AdresDokladny(peer)) != u.proxy.end();
    if (const auto a = polaczeniaZAdresu.find(adres); a != polaczeniaZAdresu.end() && a->second >= u.polaczenZAdresu) {
      if (++odrzuconeZAdresu == 1 || odrzuconeZAdresu % 1000 == 0) {
        Log(1,
            "za dużo połączeń z adresu " + adres + ", połączenie odrzucone (" + std::to_string(odrzuconeZAdresu) + ")",
            KG_WHERE);
      }
      continue;
    }
    if (static_cast<int>(polaczenia.size()) >= u.maksKlientow && !ZrobMiejsce()) {
      if (++odrzuconeNadmiarowe == 1 || odrzuconeNadmiarowe % 1000 == 0) {
        Log(1, "za dużo klientów, połączenie odrzucone (" + std::to_string(odrzuconeNadmiarowe) + ")", KG_WHERE);
      }
      continue;
    }
    const int jeden = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &jeden, sizeof jeden);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = fd.Get();
    if (epoll_ctl(epoll.Get(), EPOLL_CTL_ADD, fd.Get(), &e) != 0) continue;
    const int numer = fd.Get();
    Polaczenie p{std::move(fd), std::make_unique<Klient>(stacje, u.klient, Zegar()), false, adres, 0, ++przyjetych};
    p.czekaNaProxy = zProxy;
    niegracze.emplace(p.przyjete, numer);
    polaczenia.emplace(numer, std::move(p));
    ++polaczeniaZAdresu[adres];
    // A client writes its first line as soon as it is connected, mostly before it is
    // taken: read at once, a station query is answered in this same turn.
    Obsluz(numer, EPOLLIN);
  }
}

bool Serwer::ZrobMiejsce() {
  if (niegracze.empty()) return false;
  const int fd = niegracze.begin()->second;
  if (++ustapilyNowym == 1 || ustapilyNowym % 1000 == 0) {
    Log(1, "komplet klientów: najstarsze połączenie bez komendy player ustąpiło nowemu (" +
               std::to_string(ustapilyNowym) + ")",
        KG_WHERE);
  }
  Zamknij(fd, "komplet klientów, ustąpił nowemu połączeniu");
  return true;
}

void Serwer::Czytaj(Polaczenie& p) {
  char bufor[16384];
  const int fd = p.fd.Get();
  for (int k = 0; k < 4; ++k) {
    const ssize_t n = recv(fd, bufor, sizeof bufor, MSG_DONTWAIT);
    // A connection that ends having sent nothing (a balancer's TCP health check, a port
    // scan) leaves no log line.
    if (n == 0) {
      Zamknij(fd, p.odebrano ? "klient zamknął połączenie" : "");
      return;
    }
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
      Zamknij(fd, p.odebrano ? SystemErrorText(errno) : "");
      return;
    }
    p.odebrano = true;
    const char* dane = bufor;
    size_t ile = static_cast<size_t>(n);
    if (p.czekaNaProxy && !PrzyjmijNaglowekProxy(p, dane, ile)) return;
    if (ile == 0) continue;
    p.klient->Odbierz(dane, ile, Zegar());
    if (p.klient->Zamknij()) {
      Zamknij(fd, p.klient->Powod());
      return;
    }
    if (p.klient->Gracz() && !p.wGraczach) {
      niegracze.erase(p.przyjete);
      DoGraczy(p);
      if (!polaczenia.count(fd)) return;
    }
    const int64_t trzymane = static_cast<int64_t>(p.klient->Trzymane());
    if (trzymane != p.trzymane) {
      p.trzymane = trzymane;
      const String adres = p.adres;
      const std::vector<int> zerwane = budzet.Ustaw(fd, adres, trzymane);
      wejscieRazem = budzet.Razem();
      bool ten = false;
      for (const int z : zerwane) {
        // The address that holds the most of the pool gives way, the one that grew now or
        // another: the others' packets stay whole.
        const auto it = polaczenia.find(z);
        if (it == polaczenia.end()) continue;
        it->second.trzymane = 0;
        if (++zerwanePrzezWejscie == 1 || zerwanePrzezWejscie % 1000 == 0) {
          Log(1,
              "za dużo nieskończonych pakietów z adresu " + it->second.adres + ", połączenie zerwane (" +
                  std::to_string(zerwanePrzezWejscie) + ")",
              KG_WHERE);
        }
        Zamknij(z, "za dużo nieskończonych pakietów z adresu " + it->second.adres);
        ten = ten || z == fd;
      }
      if (ten) return;
    }
    if (static_cast<size_t>(n) < sizeof bufor) return;
  }
}

bool Serwer::PrzyjmijNaglowekProxy(Polaczenie& p, const char*& dane, size_t& ile) {
  const int fd = p.fd.Get();
  const size_t bylo = p.naglowek.size();
  // Never more than the longest header: a connection holds no more before it is served.
  p.naglowek.append(dane, std::min(ile, NaglowekProxy::kStalaCzesc + NaglowekProxy::kMaksDlugosc - bylo));
  const NaglowekProxy h =
      CzytajNaglowekProxy(reinterpret_cast<const unsigned char*>(p.naglowek.data()), p.naglowek.size());
  using Stan = NaglowekProxy::Stan;
  if (h.stan == Stan::Niepelny) return false;
  if (h.stan == Stan::Lokalny) {
    // The balancer's own connection, its health check: it has learned what it wanted.
    Zamknij(fd, "");
    return false;
  }
  if (h.stan != Stan::Przekazany) {
    const String opis = OpisBleduProxy(h.stan);
    if (++zlychNaglowkowProxy == 1 || zlychNaglowkowProxy % 1000 == 0) {
      Log(1,
          "połączenie z adresu " + p.adres + " bez ważnego nagłówka PROXY (" + opis + "), zamknięte (" +
              std::to_string(zlychNaglowkowProxy) + "); czy balanser ma send-proxy-v2?",
          KG_WHERE);
    }
    Zamknij(fd, opis);
    return false;
  }
  const size_t uzyte = h.dlugosc - bylo;
  dane += uzyte;
  ile -= uzyte;
  p.czekaNaProxy = false;
  String().swap(p.naglowek);
  if (h.zrodlo.ss_family == AF_UNSPEC) return true;  // no peer stated: the balancer's own
  // From here on the peer's address is the connection's.
  const String adres = AdresPeera(h.zrodlo);
  if (const auto a = polaczeniaZAdresu.find(p.adres); a != polaczeniaZAdresu.end() && --a->second <= 0) {
    polaczeniaZAdresu.erase(a);
  }
  p.adres = adres;
  if (++polaczeniaZAdresu[adres] > u.polaczenZAdresu) {
    if (++odrzuconeZAdresu == 1 || odrzuconeZAdresu % 1000 == 0) {
      Log(1,
          "za dużo połączeń z adresu " + adres + " (przez proxy), połączenie odrzucone (" +
              std::to_string(odrzuconeZAdresu) + ")",
          KG_WHERE);
    }
    Zamknij(fd, "za dużo połączeń z adresu " + adres);
    return false;
  }
  return true;
}

void Serwer::Pisz(Polaczenie& p) {
  Klient& k = *p.klient;
  const int fd = p.fd.Get();
  const Czas teraz = Zegar();
  // A bounded number of writes per turn, so that one fast reader cannot hold the loop.
  for (int i = 0; i < 32; ++i) {
    k.Pompuj(teraz);
    if (k.Zamknij()) break;
    if (!k.MaDoWyslania()) break;
    const ssize_t n = send(fd, k.Dane(), k.Ile(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
      Zamknij(fd, SystemErrorText(errno));
      return;
    }
    k.Wyslano(static_cast<size_t>(n));
  }
  if (k.Zamknij()) {
    Zamknij(fd, k.Powod());
    return;
  }
  if (k.ZamknijPoWyslaniu() && !k.MaDoWyslania()) {
    shutdown(fd, SHUT_WR);
    Zamknij(fd, "lista stacji wysłana");
    return;
  }
  const bool zapis = k.MaDoWyslania();
  if (zapis != p.czekaNaZapis) {
    epoll_event e{};
    e.events = EPOLLIN | (zapis ? EPOLLOUT : 0u);
    e.data.fd = fd;
    epoll_ctl(EpollDla(p), EPOLL_CTL_MOD, fd, &e);
    p.czekaNaZapis = zapis;
  }
}

void Serwer::Zamknij(int fd, const String& powod) {
  if (!powod.empty()) Log(0, "klient " + std::to_string(fd) + " rozłączony: " + powod, KG_WHERE);
  // Erasing the connection closes its descriptor.
  const auto it = polaczenia.find(fd);
  if (it != polaczenia.end()) {
    epoll_ctl(EpollDla(it->second), EPOLL_CTL_DEL, fd, nullptr);
    budzet.Usun(fd);
    wejscieRazem = budzet.Razem();
    niegracze.erase(it->second.przyjete);
    const auto a = polaczeniaZAdresu.find(it->second.adres);
    if (a != polaczeniaZAdresu.end() && --a->second <= 0) polaczeniaZAdresu.erase(a);
    polaczenia.erase(it);
    ++zamknieteOdOddania;
  }
}

void Serwer::Odswiez() {
  KG_TRACE("serwer::Serwer::Odswiez()");
  uint64_t ile = 0;
  [[maybe_unused]] const ssize_t r = read(odczytano.Get(), &ile, sizeof ile);
  std::vector<std::pair<Stacja*, Stacja::Odczyt>> nowe;
  {
    std::lock_guard<std::mutex> l(mutex);
    nowe.swap(odczyty);
  }
  for (auto& [s, o] : nowe) {
    const Stacja::Zmiany z = s->Zastosuj(std::move(o));
    if (z.pierwsza && u.klient.metryki) u.klient.metryki->Sprawdzona(*s);
    if (!z.audio && !z.iwenty && !z.pierwsza) continue;
    for (auto& [fd, p] : polaczenia) p.klient->ZmianaStacji(*s, z);
  }
  // What the changes let the clients send goes out in the tick's slices, not here: with
  // many players, writing to all of them at once would hold the loop.
  for (auto it = polaczenia.rbegin(); it != polaczenia.rend(); ++it) obejscie.push_back(it->first);
}

}  // namespace serwer
