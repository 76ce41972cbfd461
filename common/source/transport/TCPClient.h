#pragma once
// One TCP connection to a server, run as a small state machine on a MessageThread from
// socket notifications, without a call that waits for the network: the host lookup runs
// on a worker, the connect and every send and receive are non-blocking.
#include <chrono>
#include <memory>
#include <vector>

#include "core/ECriticalSection.h"
#include "core/IReadAnyNonBlocking.h"
#include "core/Log.h"
#include "core/String.h"
#include "core/ThreadSafeBuffer.h"
#include "core/UnikalnyDeskryptor.h"
#include "core/Writable.h"
#include "transport/HostResolver.h"
#include "transport/MessageReceiver.h"
#include "transport/MessageThread.h"

// Threads: the message thread runs OnMessage and so every handler; any other thread calls
// Connect, Disconnect, Write, ReadAnyNonBlocking and the queries. Each of them and each
// handler holds the client lock, which comes after the message thread's dispatch lock and
// before its map lock; Synchronizuj must not be called while holding it.
//
// States: 0 idle, 2 looking up the host, 3 connecting, 4 connected, 5 closed after an
// error or by the peer. Every failure on the way is reported once, through
// OnLookupError (state 2), OnConnectError (state 3) or OnClose (state 4), with Blad()
// holding host ":" port ": " and the reason; from then on notifications are ignored and
// IsConnected() is false until Disconnect() or the next Connect().
//
// A class that overrides the handlers must call Disconnect() and then
// Synchronizuj() on the message thread in its own destructor, so that no handler of it
// runs while its part of the object goes.
class TCPClient : public Writable, public IReadAnyNonBlocking, public MessageReceiver {
 public:
  // Bytes the outgoing queue may hold. A peer that stops reading while more is written
  // loses the connection instead of the program growing without limit.
  static constexpr int kMaxQueued = 64 << 20;

  // Idle, on message thread m (not owned, must outlive the client). `resolver` turns host
  // names into addresses; the system's when none is given.
  explicit TCPClient(MessageThread* m, std::shared_ptr<HostResolver> resolver = nullptr);
  TCPClient(const TCPClient&) = delete;
  TCPClient& operator=(const TCPClient&) = delete;
  // Disconnect(), then waits until no message of this client is being handled.
  ~TCPClient() override;

  // Sends n bytes, whole and in order, if IsConnected(); drops them without a word
  // otherwise. Never waits: what the socket does not take at once (or everything, when
  // bytes are already waiting) is queued and sent by the message thread as the socket
  // drains. Bytes beyond kMaxQueued waiting to be sent fail the connection (OnClose).
  void Write(const void* c, int n) override;
  // Receives at most n bytes that have arrived; 0 when none have (or the peer has closed:
  // that is reported by OnClose). Raises "!IsConnected()" when not connected, and
  // host + " " + the system's text when the receive fails.
  int ReadAnyNonBlocking(void* c, int n) override;

  // A connection attempt or a connection on which no byte arrives for `limit` fails with
  // "nothing received for <limit>" (OnConnectError or OnClose), so that a peer that
  // froze or vanished without closing does not hold the connection for ever. Bytes that
  // have arrived but that the owner has not read yet count as received: an owner that
  // reads slowly on purpose is not cut off. Zero, the default, waits for ever. Takes
  // effect from the next connection attempt.
  void UstawLimitCiszy(std::chrono::milliseconds limit);

  // Connects to "host:port" (an IPv6 literal host in brackets: "[::1]:12540"; read as
  // ServerAddress reads it, but the port must be given). Does nothing when already
  // looking up, connecting or connected to that very address without an error; otherwise
  // drops what there was and starts afresh. Raises "no port specified", "'<text>' is not
  // a valid integer value", "port out of range: <text>", "no closing bracket in
  // <address>", "no host in <address>" or "bad host in <address>" for a bad address (the
  // client is then idle), and an error when the lookup worker cannot be started.
  void Connect(String address);
  // Drops the connection, a lookup in progress (its result is thrown away when it comes)
  // and the queued bytes, and returns to state 0. Never waits for the network.
  void Disconnect();
  // True when connected and no error has been met.
  bool IsConnected();
  // host ":" port, with an IPv6 host in brackets.
  String Adres();
  // The error text; empty while all is well.
  String Blad();
  // The state (0, 2, 3, 4 or 5).
  int Stan();

  // The state machine; called by the message thread.
  void OnMessage(MSG& m) override;

 protected:
  // The handlers, called on the message thread under the client lock.
  // The connection attempt failed.
  virtual void OnConnectError() { Log(0, blad, KG_WHERE); }
  // The host name lookup failed.
  virtual void OnLookupError() { OnConnectError(); }
  // The connection is up.
  virtual void OnConnect() {}
  // Bytes can be read (or the peer's close is next): read them with
  // ReadAnyNonBlocking. Until something is read, no further OnRead comes.
  virtual void OnRead() {}
  // An established connection ended or failed.
  virtual void OnClose() { Log(0, blad, KG_WHERE); }

  // Asks for an OnRead on the message thread as though bytes had arrived, for an owner
  // that held back reading (and so is not woken by the socket) and can read again. Any
  // thread; nothing unless connected.
  void PonowOdczyt();

  // The client lock, for subclasses whose own operations must not interleave with the
  // handlers.
  ECriticalSection& Sekcja() { return sekcja; }

 private:
  struct Wyszukiwanie;  // the shared state of one lookup worker

  bool Connected() const { return stan == 4 && blad.empty(); }
  String AdresLocked() const;
  void StartLookup();
  void LookupDone(int error);
  // Opens a socket for the next address and starts connecting; raises when none is left.
  void TryNextAddress(const String& lastError);
  void CloseSocket();
  void SendQueued();
  // The silence timer: armed to go off `after` from now.
  void UzbrojBudzik(std::chrono::steady_clock::duration after);
  // The timer went off: fails the connection when it has been silent for limitCiszy,
  // otherwise arms the timer for the rest of it.
  void SprawdzCisze();
  void ZamknijBudzik();

  ECriticalSection sekcja;  // the client lock
  int stan = 0;
  String host;
  int port = 0;
  int msgSocket = 0;
  int msgWyslij = 0;
  MessageThread* watek;
  std::shared_ptr<HostResolver> resolver;
  std::shared_ptr<Wyszukiwanie> wyszukiwanie;  // the pending lookup, or none
  String blad;
  std::vector<AdresGniazda> adresy;  // the addresses of host, tried in order
  size_t nastepnyAdres = 0;
  UnikalnyDeskryptor socket;
  std::unique_ptr<ThreadSafeBuffer> wyjscie;  // owned; replaced after a burst so that it does not keep its peak
  int szczyt = 0;  // the most bytes wyjscie held on this connection
  std::unique_ptr<char[]> scratch;  // one send chunk, made on first use
  bool wyslijPosted = false;  // a msgWyslij is queued and will send what Write adds
  bool czekaNaZapis = false;  // a send would block: the next FD_WRITE resumes
  bool przepelnienie = false; // the outgoing queue overflowed; the connection fails
  std::chrono::milliseconds limitCiszy{0};  // 0: no limit
  int msgCisza = 0;
  UnikalnyDeskryptor budzik;  // the silence timer (a timerfd), while a limit is set and a socket open
  std::chrono::steady_clock::time_point ostatniBajt;  // the attempt's start or the last byte received
};
