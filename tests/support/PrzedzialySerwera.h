#pragma once
// The tests' look into a running server's index: a player connection on loopback that
// turns to a station and reads the audio intervals the server announces for it, so that
// a test waits for the server to have indexed a recording instead of sleeping through
// its next look at the archive. Header-only; never part of the program.
//
// Threads: the calling thread only; each call has its own connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

#include "core/Czas.h"
#include "core/String.h"
#include "intervals/PrzedzialyAudio.h"
#include "transport/Core.h"
#include "transport/Paczka2.h"

// The audio intervals that the server on 127.0.0.1:`port` announces for `stacja` to a
// player turning to it at `t`; none when it cannot be reached or says nothing of them
// within 5 s. `przed` is sent first (a load balancer's PROXY header, to a server that
// takes this address for its balancer).
inline std::optional<Przedzialy> PrzedzialyNaSerwerze(int port, const String& stacja, Czas t, const String& przed = "") {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  struct Zamykacz {
    int fd;
    ~Zamykacz() { close(fd); }
  } zamykacz{fd};
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return std::nullopt;
  timeval limit{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  Core pakiet;
  Paczka2("zmienstacje " + t.NapisHex() + " " + stacja).WriteTo(pakiet);
  const String wyjscie = przed + "player\n" + pakiet.Tekst();
  if (send(fd, wyjscie.data(), wyjscie.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(wyjscie.size())) return std::nullopt;
  Paczka2 odbior;
  for (;;) {
    odbior.Write(nullptr, 0);  // takes up what is buffered after the packet before
    while (!odbior.Skonczyl()) {
      char b[8192];
      const ssize_t n = recv(fd, b, sizeof b, 0);
      if (n <= 0) return std::nullopt;
      odbior.Write(b, static_cast<int>(n));
    }
    if (odbior.Nazwa != "PrzedzialyAudio" || !odbior.Opis.empty()) continue;
    // Read through a fresh receiving packet, which sees the payload whole.
    Core c;
    odbior.WriteTo(c);
    Paczka2 r;
    r.Write(c.Data(), c.Size());
    PrzedzialyAudio p;
    r.Wyjmij(p);
    return Przedzialy(p);
  }
}
