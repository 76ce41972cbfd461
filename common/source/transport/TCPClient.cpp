#include "transport/TCPClient.h"

#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "transport/ServerAddress.h"

namespace {

constexpr int kChunk = 16384;
// An outgoing queue that grew beyond this is given back to the system on Disconnect.
constexpr int kKeptQueue = 1 << 20;

// A failure of the connection whose text is exactly `text`.
[[noreturn]] void RaiseSocketError(const String& text) { throw Exception(text); }

}  // namespace

// What the client and its lookup worker share. The worker posts its message only while
// the lookup is not cancelled, holding the mutex, so that once Disconnect has cancelled it
// the worker touches neither the client nor the message thread.
struct TCPClient::Wyszukiwanie {
  std::mutex mutex;
  bool cancelled = false;
  bool done = false;
  WynikWyszukiwania result;
};

TCPClient::TCPClient(MessageThread* m, std::shared_ptr<HostResolver> r)
    : watek(m), resolver(r ? std::move(r) : HostResolver::System()), wyjscie(std::make_unique<ThreadSafeBuffer>()) {}

TCPClient::~TCPClient() {
  try {
    Disconnect();
    watek->Synchronizuj();
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
}

bool TCPClient::IsConnected() {
  Synchronized guard(&sekcja);
  return Connected();
}

String TCPClient::AdresLocked() const {
  return ServerAddress{host, port}.Text();
}

String TCPClient::Adres() {
  Synchronized guard(&sekcja);
  return AdresLocked();
}

String TCPClient::Blad() {
  Synchronized guard(&sekcja);
  return blad;
}

int TCPClient::Stan() {
  Synchronized guard(&sekcja);
  return stan;
}

void TCPClient::UstawLimitCiszy(std::chrono::milliseconds limit) {
  Synchronized guard(&sekcja);
  limitCiszy = std::max(limit, std::chrono::milliseconds(0));
}

void TCPClient::Connect(String address) {
  // Made before the client lock is taken: the message thread may need that lock to get to
  // the request.
  watek->Okno();
  Synchronized guard(&sekcja);
  if (blad.empty() && AdresLocked() == address && (stan == 2 || stan == 3 || stan == 4)) return;
  if (stan != 0) Disconnect();

  // The address is read as everywhere else; the faults keep the texts this client has
  // always raised. A target text always names its port.
  const AddressReading r = ReadServerAddress(address);
  switch (r.fault) {
    case AddressFault::None:
      if (!r.address.portGiven) KG_ASSERTION("no port specified");
      break;
    case AddressFault::Empty:
    case AddressFault::EmptyPort:
      KG_ASSERTION("no port specified");
    case AddressFault::UnclosedBracket:
      KG_ERROR("no closing bracket in " + address);
    case AddressFault::AfterBracket:
    case AddressFault::BadPort:
      KG_ERROR("'" + r.portText + "' is not a valid integer value");
    case AddressFault::PortOutOfRange:
      KG_ERROR("port out of range: " + r.portText);
    case AddressFault::NoHost:
      KG_ERROR("no host in " + address);
    case AddressFault::BadHost:
    case AddressFault::BadIpv6:
      KG_ERROR("bad host in " + address);
  }
  const String newHost = r.address.host;
  const int newPort = r.address.port;

  host = newHost;
  port = newPort;
  stan = 2;
  try {
    msgSocket = watek->Zarejestruj(this);
    msgWyslij = watek->Zarejestruj(this);
    msgCisza = watek->Zarejestruj(this);
    StartLookup();
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TCPClient::StartLookup() {
  auto lookup = std::make_shared<Wyszukiwanie>();
  auto worker = [lookup, r = resolver, m = watek, msg = msgSocket, h = host, p = port] {
    WynikWyszukiwania result;
    try {
      result = r->Resolve(h, p);
    } catch (const std::exception& e) {
      result.error = -1;
      result.errorText = e.what();
    }
    if (result.error == 0 && result.addresses.empty()) {
      result.error = -1;
      result.errorText = "no address";
    }
    std::lock_guard<std::mutex> lock(lookup->mutex);
    if (lookup->cancelled) return;
    lookup->result = std::move(result);
    lookup->done = true;
    try {
      m->Post(msg, 0, MakeSelectReply(0, lookup->result.error != 0 ? 1 : 0));
    } catch (const std::exception& e) {
      Log(2, e.what(), KG_WHERE);
    }
  };
  try {
    std::thread(std::move(worker)).detach();
  } catch (const std::system_error& e) {
    RaiseSystemError(e.code().value(), __FILE__, __LINE__);
  }
  wyszukiwanie = std::move(lookup);
}

void TCPClient::Disconnect() {
  Synchronized guard(&sekcja);
  if (stan == 0) return;
  if (wyszukiwanie) {
    std::lock_guard<std::mutex> lock(wyszukiwanie->mutex);
    wyszukiwanie->cancelled = true;
  }
  wyszukiwanie.reset();
  blad.clear();
  host.clear();
  CloseSocket();
  ZamknijBudzik();
  watek->Wyrejestruj(msgSocket);
  watek->Wyrejestruj(msgWyslij);
  watek->Wyrejestruj(msgCisza);
  msgSocket = 0;
  msgWyslij = 0;
  msgCisza = 0;
  if (szczyt > kKeptQueue) {
    wyjscie = std::make_unique<ThreadSafeBuffer>();
  } else {
    wyjscie->Reset();
  }
  szczyt = 0;
  adresy.clear();
  nastepnyAdres = 0;
  wyslijPosted = false;
  czekaNaZapis = false;
  przepelnienie = false;
  stan = 0;
}

void TCPClient::CloseSocket() {
  if (!socket) return;
  watek->Select(socket.Get(), msgSocket, 0);
  if (const int e = socket.Close(); e != 0) Log(2, SystemErrorText(e), KG_WHERE);
}

void TCPClient::Write(const void* c, int n) {
  Synchronized guard(&sekcja);
  if (!Connected() || przepelnienie || n <= 0) return;
  const char* bytes = static_cast<const char*>(c);
  if (!wyslijPosted && !czekaNaZapis && wyjscie->Size() == 0) {
    // Nothing waits before these bytes: they go straight to the socket, without a trip
    // through the message thread, which matters for commands that wait for an answer.
    // What the socket does not take now is queued; a failure is left for the message
    // thread to meet again and report.
    const ssize_t sent = send(socket.Get(), bytes, static_cast<size_t>(n), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == n) return;
    if (sent > 0) {
      bytes += sent;
      n -= static_cast<int>(sent);
    }
  }
  const int queued = wyjscie->Size();
  if (queued > kMaxQueued - n) {
    // Failing here would call OnClose on the writer's thread: the message thread does it.
    przepelnienie = true;
  } else {
    wyjscie->Write(bytes, n);
    szczyt = std::max(szczyt, queued + n);
  }
  if (!wyslijPosted) {
    watek->Post(msgWyslij);
    wyslijPosted = true;
  }
}

int TCPClient::ReadAnyNonBlocking(void* c, int n) {
  Synchronized guard(&sekcja);
  if (!Connected()) KG_ASSERTION("!IsConnected()");
  if (n <= 0) return 0;
  ssize_t r;
  do {
    r = recv(socket.Get(), c, static_cast<size_t>(n), MSG_DONTWAIT);
  } while (r < 0 && errno == EINTR);
  const int error = errno;
  watek->Reenable(socket.Get(), FD_READ);
  if (r > 0) ostatniBajt = std::chrono::steady_clock::now();
  if (r >= 0) return static_cast<int>(r);
  if (error == EAGAIN || error == EWOULDBLOCK) return 0;
  RaiseSocketError(host + " " + SystemErrorText(error));
}

void TCPClient::PonowOdczyt() {
  Synchronized guard(&sekcja);
  if (!Connected()) return;
  try {
    watek->Post(msgSocket, 0, MakeSelectReply(FD_READ, 0));
  } catch (const std::exception& e) {
    // The message thread has stopped: nothing reads any more anyway.
    Log(0, e.what(), KG_WHERE);
  }
}

void TCPClient::OnMessage(MSG& m) {
  Synchronized guard(&sekcja);
  if (!blad.empty()) return;
  try {
    const int event = SelectEvent(m.lParam);
    const int error = SelectError(m.lParam);
    if (stan == 2 && m.message == msgSocket) {
      LookupDone(error);
    } else if (stan == 3 && m.message == msgSocket) {
      if (event != FD_CONNECT) KG_ASSERTION("FD_CONNECT!=WSAGETSELECTEVENT(m.lParam)");
      if (error != 0) {
        CloseSocket();
        TryNextAddress(SystemErrorText(error));
        return;
      }
      stan = 4;
      OnConnect();
    } else if (stan == 4 && m.message == msgSocket) {
      switch (event) {
        case FD_READ:
          OnRead();
          break;
        case FD_WRITE:
          if (m.lParam > 0xFFFF) RaiseSystemError(error, __FILE__, __LINE__);
          czekaNaZapis = false;
          SendQueued();
          break;
        case FD_CLOSE:
          stan = 5;
          RaiseSocketError("Connection Closed: " + SystemErrorText(error));
        default:
          break;
      }
    } else if (stan == 4 && m.message == msgWyslij) {
      wyslijPosted = false;
      SendQueued();
    } else if ((stan == 3 || stan == 4) && m.message == msgCisza) {
      SprawdzCisze();
    }
  } catch (...) {
    String reason;
    try {
      throw;
    } catch (const std::exception& e) {
      reason = e.what();
    } catch (...) {
      reason = "unknown exception";
    }
    blad = AdresLocked() + ": " + reason;
    // The connection is dead: its socket stays until Disconnect, but says nothing more.
    if (socket) watek->Select(socket.Get(), msgSocket, 0);
    ZamknijBudzik();
    try {
      if (stan == 2) {
        OnLookupError();
      } else if (stan == 3) {
        OnConnectError();
      } else {
        stan = 5;
        OnClose();
      }
    } catch (const std::exception& e) {
      Log(2, e.what(), KG_WHERE);
    } catch (...) {
      Log(2, "unknown exception", KG_WHERE);
    }
  }
}

void TCPClient::LookupDone(int error) {
  std::shared_ptr<Wyszukiwanie> lookup = std::move(wyszukiwanie);
  if (!lookup) return;
  WynikWyszukiwania result;
  {
    std::lock_guard<std::mutex> lock(lookup->mutex);
    if (!lookup->done) {
      wyszukiwanie = std::move(lookup);  // not this lookup's message
      return;
    }
    result = std::move(lookup->result);
  }
  if (error != 0 || result.error != 0) RaiseSocketError(result.errorText);
  adresy = std::move(result.addresses);
  nastepnyAdres = 0;
  stan = 3;
  TryNextAddress(String());
}

void TCPClient::TryNextAddress(const String& lastError) {
  String reason = lastError;
  while (nastepnyAdres < adresy.size()) {
    const AdresGniazda& a = adresy[nastepnyAdres++];
    socket.Reset(::socket(a.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!socket) {
      // For example an IPv6 address on a system without IPv6: the next address may do.
      reason = "ERROR opening socket";
      continue;
    }
    // Commands are small and wait for answers: they go out at once.
    const int one = 1;
    setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int r;
    do {
      r = connect(socket.Get(), reinterpret_cast<const sockaddr*>(&a.address), a.length);
    } while (r < 0 && errno == EINTR);
    if (r == 0 || errno == EINPROGRESS) {
      // Watched only now: an unconnected socket reports a hang-up that would pass for a
      // completed connect.
      watek->Select(socket.Get(), msgSocket, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE);
      if (limitCiszy.count() > 0) {
        ostatniBajt = std::chrono::steady_clock::now();
        UzbrojBudzik(limitCiszy);
      }
      return;
    }
    reason = host + " " + SystemErrorText(errno);
    CloseSocket();
  }
  RaiseSocketError(reason);
}

void TCPClient::SendQueued() {
  if (przepelnienie) {
    RaiseSocketError("more than " + std::to_string(kMaxQueued) +
                     " bytes waiting to be sent: the server does not read");
  }
  if (czekaNaZapis || !socket) return;
  if (!scratch) scratch = std::make_unique<char[]>(kChunk);
  // Drains the queue until the socket would block, so that a large queue is not held
  // back to one chunk per notification.
  for (;;) {
    const int n = std::min(kChunk, wyjscie->Size());
    if (n == 0) return;
    wyjscie->Peek(scratch.get(), n);
    ssize_t sent;
    do {
      sent = send(socket.Get(), scratch.get(), static_cast<size_t>(n), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        czekaNaZapis = true;
        watek->Reenable(socket.Get(), FD_WRITE);
        return;
      }
      RaiseSocketError(host + " " + SystemErrorText(errno));
    }
    wyjscie->Skip(static_cast<int>(sent));
  }
}

void TCPClient::UzbrojBudzik(std::chrono::steady_clock::duration after) {
  if (!budzik) {
    budzik.Reset(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!budzik) RaiseSystemError(errno, __FILE__, __LINE__);
    watek->Select(budzik.Get(), msgCisza, FD_READ);
  }
  // Never zero: a zero value would disarm the timer instead of letting it go off.
  const auto ns = std::max<int64_t>(1, std::chrono::duration_cast<std::chrono::nanoseconds>(after).count());
  itimerspec t{};
  t.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
  t.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
  if (timerfd_settime(budzik.Get(), 0, &t, nullptr) != 0) RaiseSystemError(errno, __FILE__, __LINE__);
}

void TCPClient::SprawdzCisze() {
  if (!budzik || limitCiszy.count() == 0) return;
  uint64_t expirations = 0;
  [[maybe_unused]] const ssize_t r = read(budzik.Get(), &expirations, sizeof expirations);
  watek->Reenable(budzik.Get(), FD_READ);
  const auto now = std::chrono::steady_clock::now();
  int waiting = 0;
  if (stan == 4 && socket && ioctl(socket.Get(), FIONREAD, &waiting) == 0 && waiting > 0) ostatniBajt = now;
  const auto silent = now - ostatniBajt;
  if (silent >= limitCiszy) {
    const auto ms = limitCiszy.count();
    RaiseSocketError("nothing received for " +
                     (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms"));
  }
  UzbrojBudzik(limitCiszy - silent);
}

void TCPClient::ZamknijBudzik() {
  if (!budzik) return;
  watek->Select(budzik.Get(), msgCisza, 0);
  if (const int e = budzik.Close(); e != 0) Log(2, SystemErrorText(e), KG_WHERE);
}
