#pragma once
// Test fixtures of the player core and the station list: a loopback listener on which the
// test plays the archive server with blocking calls, a connection that reads and sends
// whole packets, packet makers, a notification recorder and an inbox reader. Header-only;
// used by tests, never by the program.
#include <arpa/inet.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/IReadAnyNonBlocking.h"
#include "core/String.h"
#include "core/Writable.h"
#include "player/PowiadomieniaPlayera.h"
#include "transport/Paczka2.h"

namespace serwer {

using namespace std::chrono_literals;

// Polls `condition` until it holds or five seconds pass; `krok` runs between polls (an
// event loop's step, for example).
inline bool Eventually(const std::function<bool()>& condition, const std::function<void()>& krok = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (krok) {
      krok();
    } else {
      std::this_thread::sleep_for(1ms);
    }
  }
  return true;
}

// Bytes collected from a packet's Wyslij.
struct Bajty : Writable {
  void Write(const void* v, int n) override { s.append(static_cast<const char*>(v), static_cast<size_t>(n)); }
  String s;
};

// The wire form of a packet.
inline String Zakoduj(const Paczka2& p) {
  Bajty b;
  p.Wyslij(b);
  return b.s;
}

// One accepted connection, served with blocking calls and poll timeouts.
class Polaczenie : public IReadAnyNonBlocking {
 public:
  explicit Polaczenie(int fd = -1) : fd_(fd) {}
  ~Polaczenie() override { Zamknij(); }
  Polaczenie(Polaczenie&& o) noexcept : fd_(std::exchange(o.fd_, -1)), eof_(o.eof_) {}
  Polaczenie& operator=(Polaczenie&& o) noexcept {
    Zamknij();
    fd_ = std::exchange(o.fd_, -1);
    eof_ = o.eof_;
    return *this;
  }

  bool Jest() const { return fd_ >= 0; }
  void Zamknij() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  // Gives up when the peer takes nothing for five seconds: a player that dropped the
  // connection keeps its socket open without reading.
  void Wyslij(const String& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, 5000) != 1) return;
      const ssize_t k = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      if (k <= 0) return;
      done += static_cast<size_t>(k);
    }
  }
  void Wyslij(const Paczka2& p) { Wyslij(Zakoduj(p)); }
  void WyslijTekst(const String& s) { Wyslij(Paczka2(s)); }

  // Exactly n raw bytes, or fewer when the peer closes or `czekaj` passes.
  String Czytaj(size_t n, std::chrono::milliseconds czekaj = 5000ms) {
    String s;
    const auto deadline = std::chrono::steady_clock::now() + czekaj;
    while (s.size() < n && Czekaj(deadline)) {
      char b[4096];
      const ssize_t k = recv(fd_, b, std::min(sizeof b, n - s.size()), 0);
      if (k <= 0) {
        eof_ = true;
        break;
      }
      s.append(b, static_cast<size_t>(k));
    }
    return s;
  }

  // The next whole packet into `p`; false when none is complete within `czekaj` or the
  // peer closed first.
  bool Nastepna(Paczka2& p, std::chrono::milliseconds czekaj = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + czekaj;
    for (;;) {
      if (p.Wczytaj(*this)) return true;
      if (eof_ || !Czekaj(deadline)) return false;
    }
  }
  // The text of the next packet ("String" packets only); "(none)" when none comes within
  // `czekaj`, "(not text: <name>)" for another packet.
  String NastepnyTekst(std::chrono::milliseconds czekaj = 5000ms) {
    if (!Nastepna(odbior_, czekaj)) return "(none)";
    if (odbior_.Nazwa != "String") return "(not text: " + odbior_.Nazwa + ")";
    return odbior_.DajString();
  }
  // True when the peer closes within `czekaj` (bytes arriving before are dropped).
  bool Zamknal(std::chrono::milliseconds czekaj = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + czekaj;
    while (!eof_ && Czekaj(deadline)) {
      char b[4096];
      if (recv(fd_, b, sizeof b, 0) <= 0) eof_ = true;
    }
    return eof_;
  }

  int ReadAnyNonBlocking(void* v, int n) override {
    if (eof_ || n <= 0) return 0;
    const ssize_t k = recv(fd_, v, static_cast<size_t>(n), MSG_DONTWAIT);
    if (k == 0) eof_ = true;
    return k > 0 ? static_cast<int>(k) : 0;
  }

 private:
  // Waits until the socket is readable; false when the deadline passed first.
  bool Czekaj(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count()))) == 1;
  }

  int fd_ = -1;
  bool eof_ = false;
  Paczka2 odbior_;
};

// A listening socket on 127.0.0.1 with a port of the system's choice.
class Nasluch {
 public:
  Nasluch() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    const bool ok = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), length) == 0 && listen(fd_, 64) == 0 &&
                    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0;
    EXPECT_TRUE(ok) << "cannot listen on loopback";
    port_ = ntohs(a.sin_port);
  }
  ~Nasluch() { Zamknij(); }
  Nasluch(const Nasluch&) = delete;
  Nasluch& operator=(const Nasluch&) = delete;

  int Port() const { return port_; }
  String Adres() const { return "127.0.0.1:" + std::to_string(port_); }
  // The next connection; one that is not Jest() when none comes within `czekaj`.
  Polaczenie Przyjmij(std::chrono::milliseconds czekaj = 5000ms) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(czekaj.count())) != 1) return Polaczenie();
    return Polaczenie(accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
  }
  void Zamknij() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A port on which nobody listens.
inline int ZamknietyPort() {
  Nasluch n;
  return n.Port();
}

// The notifications the player core gave, in order.
class Notatki : public PowiadomieniaPlayera {
 public:
  void Powiadom(ZdarzeniePolaczenia z) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lista_.push_back(z);
  }
  std::vector<ZdarzeniePolaczenia> Lista() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lista_;
  }
  size_t Ile(ZdarzeniePolaczenia z) {
    size_t n = 0;
    for (ZdarzeniePolaczenia k : Lista()) n += k == z ? 1 : 0;
    return n;
  }

 private:
  std::mutex mutex_;
  std::vector<ZdarzeniePolaczenia> lista_;
};

// One packet taken from an inbox.
struct Wpis {
  String nazwa;
  String opis;
  String tekst;  // the text of a "String" packet
  int rozmiar = 0;
};

// Every whole packet in `b` now (consumed), in order.
inline std::vector<Wpis> Wpisy(IReadAnyNonBlocking& b) {
  std::vector<Wpis> out;
  Paczka2 p;
  while (p.Wczytaj(b)) {
    out.push_back({p.Nazwa, p.Opis, p.Nazwa == "String" ? p.DajString() : String(), p.core.Size()});
  }
  return out;
}

}  // namespace serwer
