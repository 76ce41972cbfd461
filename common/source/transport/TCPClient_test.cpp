#include "transport/TCPClient.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "core/EventOgolny.h"
#include "core/Exception.h"
#include "support/LogCapture.h"
#include "transport/Paczka2.h"

namespace {

using namespace std::chrono_literals;

// Polls `condition` until it holds or five seconds pass.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

String Pattern(size_t n, unsigned seed) {
  String s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed + i / 7919) & 0xFF);
  return s;
}

// A listening socket on a loopback address; the test plays the server with blocking calls
// on the descriptors it accepts.
class Listener {
 public:
  explicit Listener(int family = AF_INET) {
    fd_ = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_storage a{};
    socklen_t length;
    if (family == AF_INET) {
      auto* v4 = reinterpret_cast<sockaddr_in*>(&a);
      v4->sin_family = AF_INET;
      v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      length = sizeof *v4;
    } else {
      auto* v6 = reinterpret_cast<sockaddr_in6*>(&a);
      v6->sin6_family = AF_INET6;
      v6->sin6_addr = in6addr_loopback;
      length = sizeof *v6;
    }
    ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), length) == 0 && listen(fd_, 64) == 0 &&
          getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0;
    port_ = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&a)->sin_port
                                    : reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
  }
  ~Listener() {
    if (fd_ >= 0) close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  bool Ok() const { return ok_; }
  int Port() const { return port_; }
  String Address() const { return "127.0.0.1:" + std::to_string(port_); }
  // The next connection, or -1 when none comes within `wait`.
  int Accept(std::chrono::milliseconds wait = 5000ms) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(wait.count())) != 1) return -1;
    return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  bool ok_ = false;
};

// A port on which nobody listens (bound, then closed).
int ClosedPort() {
  Listener l;
  return l.Port();
}

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

String ReadExactly(int fd, size_t n) {
  String s;
  char buffer[65536];
  while (s.size() < n) {
    const ssize_t k = recv(fd, buffer, std::min(sizeof buffer, n - s.size()), 0);
    if (k <= 0) break;
    s.append(buffer, static_cast<size_t>(k));
  }
  return s;
}

void SendAll(int fd, const String& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t k = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (k <= 0) return;
    done += static_cast<size_t>(k);
  }
}

// Closes with a reset instead of an orderly close.
void Reset(int fd) {
  linger l{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  close(fd);
}

// Answers from a table; names it does not know fail as the system says an unknown name
// fails. A name can be held until the test lets it go, and can fail its first lookups.
class FakeResolver : public HostResolver {
 public:
  WynikWyszukiwania Resolve(const String& host, int port) override {
    ++calls;
    if (host == held) {
      entered.Set();
      release.Wait(-1);
    }
    WynikWyszukiwania result;
    if (failuresLeft.fetch_sub(1) > 0 || names.count(host) == 0) {
      result.error = EAI_NONAME;
      result.errorText = gai_strerror(EAI_NONAME);
      return result;
    }
    for (const auto& [numeric, portOverride] : names.at(host)) {
      AdresGniazda a;
      if (NumericAddress(numeric, portOverride ? portOverride : port, a)) result.addresses.push_back(a);
    }
    return result;
  }
  // host -> (numeric address, port or 0 for the asked one)
  std::map<String, std::vector<std::pair<String, int>>> names;
  String held;
  EventManual entered;
  EventManual release;
  std::atomic<int> failuresLeft{0};
  std::atomic<int> calls{0};
};

// A client that counts its handlers and keeps what it reads.
class Probe : public TCPClient {
 public:
  enum class Mode { kReadAll, kIgnore, kPackets, kSlow };
  explicit Probe(MessageThread* m, std::shared_ptr<HostResolver> r = nullptr) : TCPClient(m, std::move(r)), thread_(m) {}
  ~Probe() override {
    Disconnect();
    thread_->Synchronizuj();
  }

  void OnConnect() override { ++connects; }
  void OnConnectError() override {
    ++connectErrors;
    SetLast();
  }
  void OnLookupError() override {
    ++lookupErrors;
    SetLast();
  }
  void OnClose() override {
    ++closes;
    SetLast();
  }
  void OnRead() override {
    ++reads;
    switch (mode) {
      case Mode::kIgnore:
        return;
      case Mode::kPackets:
        // As the player core reads: every complete packet, then wait for more.
        while (odbior.Wczytaj(*this)) {
          std::lock_guard<std::mutex> lock(mutex_);
          packets.push_back(odbior.Nazwa + "|" + odbior.Opis + "|" +
                            (odbior.Nazwa == "String" ? odbior.DajString() : std::to_string(odbior.core.Size())));
        }
        return;
      case Mode::kSlow:
        inRead.Set();
        std::this_thread::sleep_for(200ms);
        if (slowDone != nullptr) *slowDone = true;
        return;
      case Mode::kReadAll:
        break;
    }
    char buffer[8192];
    int k;
    while ((k = ReadAnyNonBlocking(buffer, sizeof buffer)) > 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      received.append(buffer, static_cast<size_t>(k));
    }
  }

  std::vector<String> Packets() {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets;
  }
  String Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received;
  }
  String Last() {
    std::lock_guard<std::mutex> lock(mutex_);
    return last;
  }
  int Handlers() const { return connectErrors + lookupErrors + closes; }

  std::atomic<Mode> mode{Mode::kReadAll};
  std::atomic<int> connects{0}, connectErrors{0}, lookupErrors{0}, closes{0}, reads{0};
  EventManual inRead;
  std::atomic<bool>* slowDone = nullptr;  // set when a slow OnRead ends

 private:
  void SetLast() {
    std::lock_guard<std::mutex> lock(mutex_);
    last = Blad();
  }
  MessageThread* thread_;
  std::mutex mutex_;
  String received;
  String last;
  Paczka2 odbior;  // on the message thread only
  std::vector<String> packets;  // name|description|text or payload size
};

class TCPClientTest : public ::testing::Test {
 protected:
  MessageThread thread;
  std::shared_ptr<FakeResolver> resolver = std::make_shared<FakeResolver>();
};

TEST_F(TCPClientTest, ExchangesBytesBothWays) {
  Listener server;
  ASSERT_TRUE(server.Ok());
  Probe client(&thread);
  client.Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  EXPECT_EQ(client.connects.load(), 1);
  EXPECT_EQ(client.Stan(), 4);
  EXPECT_EQ(client.Adres(), server.Address());
  EXPECT_EQ(client.Blad(), "");

  client.Write("player\n", 7);
  EXPECT_EQ(ReadExactly(peer, 7), "player\n");

  // Far more than the socket buffers hold, both ways at once: sending resumes on
  // writability and nothing is lost or reordered.
  const String up = Pattern(8 << 20, 1);
  const String down = Pattern(3 << 20, 2);
  String arrived;
  std::thread reader([&] { arrived = ReadExactly(peer, up.size()); });
  std::thread writer([&] { SendAll(peer, down); });
  for (size_t at = 0; at < up.size(); at += 100000) {
    client.Write(up.data() + at, static_cast<int>(std::min<size_t>(100000, up.size() - at)));
  }
  writer.join();
  reader.join();
  EXPECT_TRUE(arrived == up);
  ASSERT_TRUE(Eventually([&] { return client.Received().size() >= down.size(); }));
  EXPECT_TRUE(client.Received() == down);
  EXPECT_EQ(client.Handlers(), 0) << client.Last();
  close(peer);
}

TEST_F(TCPClientTest, ExchangesPackets) {
  Listener server;
  Probe client(&thread);
  client.mode = Probe::Mode::kPackets;
  client.Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));

  // The command "play" as the client sends it: 32 bytes in one write.
  Paczka2("play").Wyslij(client);
  const String expected = String("paczk2") + String("\1\0\0\0\6\0\0\0", 8) + "String" +
                          String("\4\0\0\0", 4) + "play" + String(4, '\0');
  EXPECT_EQ(ReadExactly(peer, 32), expected);

  // Packets from the server, one of them larger than the socket buffers, arriving in
  // pieces of any size: each comes out whole and in order.
  class Sink : public Writable {
   public:
    void Write(const void* c, int n) override { bytes.append(static_cast<const char*>(c), static_cast<size_t>(n)); }
    String bytes;
  } wire;
  Paczka2("hello").Wyslij(wire);
  Paczka2 big;
  big.Nazwa = "PaczkaAudio";
  big.Opis = "export";
  big.core.SetSize(3 << 20);
  std::memset(big.core.Data(), 0x5A, static_cast<size_t>(big.core.Size()));
  big.Wyslij(wire);
  Paczka2("ping 42").Wyslij(wire);
  for (size_t at = 0; at < wire.bytes.size(); at += 9973) SendAll(peer, wire.bytes.substr(at, 9973));
  ASSERT_TRUE(Eventually([&] { return client.Packets().size() == 3; }));
  EXPECT_EQ(client.Packets(), (std::vector<String>{"String||hello", "PaczkaAudio|export|3145728", "String||ping 42"}));
  EXPECT_EQ(client.Handlers(), 0) << client.Last();
  close(peer);
}

TEST_F(TCPClientTest, ConnectsToAnIPv6Literal) {
  Listener server(AF_INET6);
  if (!server.Ok()) GTEST_SKIP() << "no IPv6 loopback here";
  Probe client(&thread);
  const String address = "[::1]:" + std::to_string(server.Port());
  client.Connect(address);
  const int peer = server.Accept();
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  EXPECT_EQ(client.Adres(), address);
  SendAll(peer, "abc");
  ASSERT_TRUE(Eventually([&] { return client.Received() == "abc"; }));
  close(peer);
}

TEST_F(TCPClientTest, TriesTheNextAddressWhenOneRefuses) {
  Listener server;
  resolver->names["archiwum.test"] = {{"127.0.0.1", ClosedPort()}, {"127.0.0.1", 0}};
  Probe client(&thread, resolver);
  client.Connect("archiwum.test:" + std::to_string(server.Port()));
  const int peer = server.Accept();
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  EXPECT_EQ(client.Handlers(), 0);
  close(peer);
}

// Each way of failing ends in exactly one handler call, with its text, and no other.
TEST_F(TCPClientTest, EachFailureIsReportedOnceWithItsText) {
  const int refused = ClosedPort();
  resolver->names["127.0.0.1"] = {{"127.0.0.1", 0}};
  struct Case {
    const char* name;
    std::function<String(Listener&)> address;         // what to connect to
    std::function<bool(int peer)> server;              // what the server does once connected; true when it closed
    int state;                                         // the state left
    std::function<String(Listener&)> error;           // Blad() and the handler's text
    std::atomic<int> Probe::*handler;
  };
  const String port = std::to_string(refused);
  const Case cases[] = {
      {"refused", [&](Listener&) { return "127.0.0.1:" + port; }, nullptr, 3,
       [&](Listener&) { return "127.0.0.1:" + port + ": Connection refused"; }, &Probe::connectErrors},
      {"unknown host", [](Listener&) { return String("nonexistent.invalid:12540"); }, nullptr, 2,
       [](Listener&) { return String("nonexistent.invalid:12540: Name or service not known"); }, &Probe::lookupErrors},
      {"orderly close", [](Listener& l) { return l.Address(); }, [](int peer) { return close(peer) == 0; }, 5,
       [](Listener& l) { return l.Address() + ": Connection Closed: No Error"; }, &Probe::closes},
      {"reset", [](Listener& l) { return l.Address(); }, [](int peer) {
         Reset(peer);
         return true;
       },
       5,
       [](Listener& l) { return l.Address() + ": Connection Closed: Connection reset by peer"; }, &Probe::closes},
      {"garbage", [](Listener& l) { return l.Address(); },
       [](int peer) {
         // Open, so that it is the parser and not the close that ends the connection.
         SendAll(peer, "this is not a packet at all");
         return false;
       },
       5, [](Listener& l) { return l.Address() + ": id=this i!=paczk2, poczatek pakietu:packet at all in file"; },
       &Probe::closes},
  };
  thread.Okno();
  const size_t descriptors = OpenDescriptors();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Listener server;
    Probe client(&thread, resolver);
    if (String(c.name) == "garbage") client.mode = Probe::Mode::kPackets;
    client.Connect(c.address(server));
    int open = -1;
    if (c.server) {
      const int peer = server.Accept();
      ASSERT_GE(peer, 0);
      ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
      if (!c.server(peer)) open = peer;
    }
    ASSERT_TRUE(Eventually([&] { return client.Handlers() > 0; }));
    std::this_thread::sleep_for(50ms);  // time for a second, wrong call to show
    EXPECT_EQ((client.*(c.handler)).load(), 1);
    EXPECT_EQ(client.Handlers(), 1);
    EXPECT_EQ(client.Stan(), c.state);
    EXPECT_FALSE(client.IsConnected());
    const String expected = c.error(server);
    EXPECT_EQ(client.Blad().substr(0, expected.size()), expected);
    EXPECT_EQ(client.Last(), client.Blad());
    client.Write("x", 1);  // dropped without a word
    EXPECT_THROW(client.ReadAnyNonBlocking(nullptr, 1), Exception);
    if (open >= 0) close(open);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors) << "a socket was left open";
}

TEST_F(TCPClientTest, ALookupFailureFallsBackToOnConnectErrorByDefault) {
  class OnlyConnectError : public TCPClient {
   public:
    using TCPClient::TCPClient;
    ~OnlyConnectError() override { Disconnect(); }
    void OnConnectError() override { ++calls; }
    std::atomic<int> calls{0};
  };
  OnlyConnectError client(&thread, resolver);
  client.Connect("nonexistent.invalid:1");
  ASSERT_TRUE(Eventually([&] { return client.calls == 1; }));
  EXPECT_EQ(client.Stan(), 2);
}

TEST_F(TCPClientTest, ThePeerClosingAfterDataIsSeenAfterTheData) {
  Listener server;
  Probe client(&thread);
  client.Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  const String data = Pattern(1 << 20, 5);
  SendAll(peer, data);
  close(peer);
  ASSERT_TRUE(Eventually([&] { return client.closes == 1; }));
  EXPECT_TRUE(client.Received() == data);
}

TEST_F(TCPClientTest, BadAddressesRaiseAndLeaveTheClientIdle) {
  struct Case {
    const char* address;
    const char* text;
  };
  const Case cases[] = {
      {"localhost", "no port specified in file"},
      {"localhost:", "no port specified in file"},
      {"localhost:abc", "'abc' is not a valid integer value"},
      {"localhost:12x", "'12x' is not a valid integer value"},
      {"localhost:0", "port out of range: 0"},
      {"localhost:70000", "port out of range: 70000"},
      {"[::1:5", "no closing bracket in [::1:5"},
      {"[::1]", "no port specified in file"},
      {"::1", "no port specified in file"},
      {":5", "no host in :5"},
      {"a b:5", "bad host in a b:5"},
  };
  Listener server;
  Probe client(&thread);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    client.Connect(server.Address());
    const int peer = server.Accept();
    ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
    try {
      client.Connect(c.address);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind(c.text, 0), 0u) << e.Message();
    }
    EXPECT_EQ(client.Stan(), 0);
    char byte;
    EXPECT_EQ(recv(peer, &byte, 1, 0), 0) << "the old connection was closed";
    close(peer);
  }
  EXPECT_EQ(client.Handlers(), 0);
}

TEST_F(TCPClientTest, ConnectToTheSameAddressKeepsTheConnectionAndAfterAnErrorStartsAfresh) {
  Listener server;
  Probe client(&thread);
  client.Connect(server.Address());
  client.Connect(server.Address());  // still connecting: nothing
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  client.Connect(server.Address());  // connected: nothing
  EXPECT_EQ(server.Accept(100ms), -1);
  EXPECT_EQ(client.connects.load(), 1);

  close(peer);
  ASSERT_TRUE(Eventually([&] { return client.closes == 1; }));
  client.Connect(server.Address());  // after an error: a new connection
  const int second = server.Accept();
  ASSERT_GE(second, 0);
  ASSERT_TRUE(Eventually([&] { return client.connects == 2; }));
  close(second);

  // The same after a failed lookup.
  resolver->failuresLeft = 1;
  resolver->names["archiwum.test"] = {{"127.0.0.1", 0}};
  Probe named(&thread, resolver);
  const String address = "archiwum.test:" + std::to_string(server.Port());
  named.Connect(address);
  ASSERT_TRUE(Eventually([&] { return named.lookupErrors == 1; }));
  named.Connect(address);
  const int third = server.Accept();
  ASSERT_GE(third, 0);
  ASSERT_TRUE(Eventually([&] { return named.IsConnected(); }));
  close(third);
}

TEST_F(TCPClientTest, BytesWrittenBeforeTheConnectionIsUpAreNeverSent) {
  Listener server;
  resolver->names["archiwum.test"] = {{"127.0.0.1", 0}};
  resolver->held = "archiwum.test";
  Probe client(&thread, resolver);
  client.Write("too early", 9);  // idle
  client.Connect("archiwum.test:" + std::to_string(server.Port()));
  ASSERT_TRUE(resolver->entered.WaitFor(5000));
  client.Write("too early", 9);  // looking up
  resolver->release.Set();
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  client.Write("on time", 7);
  EXPECT_EQ(ReadExactly(peer, 7), "on time");
  close(peer);
}

// Disconnect and destruction do not wait for a lookup; its late answer is dropped.
TEST_F(TCPClientTest, AnAbandonedLookupIsDroppedSafely) {
  resolver->names["archiwum.test"] = {{"127.0.0.1", ClosedPort()}};
  resolver->held = "archiwum.test";
  auto kept = std::make_unique<Probe>(&thread, resolver);
  auto destroyed = std::make_unique<Probe>(&thread, resolver);
  kept->Connect("archiwum.test:1");
  destroyed->Connect("archiwum.test:1");
  ASSERT_TRUE(Eventually([&] { return resolver->calls == 2; }));
  const auto before = std::chrono::steady_clock::now();
  kept->Disconnect();
  destroyed.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
  EXPECT_EQ(kept->Stan(), 0);
  resolver->release.Set();
  std::this_thread::sleep_for(100ms);
  thread.Synchronizuj();
  EXPECT_EQ(kept->Handlers() + kept->connects.load(), 0);
  EXPECT_EQ(kept->Stan(), 0);
}

// An owner that does not read is told once, not woken again and again; reading re-arms.
TEST_F(TCPClientTest, AnOwnerThatDoesNotReadIsNotWokenAgain) {
  Listener server;
  Probe client(&thread);
  client.mode = Probe::Mode::kIgnore;
  client.Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  SendAll(peer, "0123456789");
  ASSERT_TRUE(Eventually([&] { return client.reads == 1; }));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(client.reads.load(), 1);
  char buffer[4];
  EXPECT_EQ(client.ReadAnyNonBlocking(buffer, 4), 4);
  ASSERT_TRUE(Eventually([&] { return client.reads == 2; })) << "six bytes are still there";
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(client.reads.load(), 2);
  // The peer leaves while bytes are unread: the close is still reported.
  close(peer);
  ASSERT_TRUE(Eventually([&] { return client.closes == 1; }));
  EXPECT_EQ(client.Blad(), server.Address() + ": Connection Closed: No Error");
}

TEST_F(TCPClientTest, APeerThatStopsReadingFailsTheConnectionInsteadOfFillingMemory) {
  Listener server;
  Probe client(&thread);
  client.Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  const String chunk(1 << 20, 'z');
  for (int i = 0; i < 200 && client.closes == 0; ++i) client.Write(chunk.data(), static_cast<int>(chunk.size()));
  ASSERT_TRUE(Eventually([&] { return client.closes == 1; }));
  EXPECT_EQ(client.Handlers(), 1);
  EXPECT_EQ(client.Blad(), server.Address() + ": more than 67108864 bytes waiting to be sent: the server does not read");
  client.Disconnect();
  close(peer);
}

// A peer that falls silent is taken for gone once the silence limit passes; bytes keep
// the connection up, and so do bytes that have arrived but that the owner has not read.
TEST_F(TCPClientTest, ASilentPeerFailsTheConnectionAfterTheSilenceLimit) {
  Listener server;
  Probe client(&thread);
  client.UstawLimitCiszy(300ms);
  client.Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client.IsConnected(); }));
  // A witness with the same limit whose peer never speaks, connected after `since`: once
  // it is taken for gone, the limit has passed on the client's own clock since then.
  struct Witness {
    Witness(MessageThread* thread, Listener& server) : probe(thread) {
      probe.UstawLimitCiszy(300ms);
      probe.Connect(server.Address());
      peer = server.Accept();
    }
    ~Witness() { close(peer); }
    bool Gone() { return Eventually([&] { return probe.closes == 1; }); }
    Probe probe;
    int peer = -1;
  };
  {
    // A byte every few milliseconds, each sent once the one before has been read, for
    // longer than the limit.
    Witness witness(&thread, server);
    for (int i = 0; i < 1000 && witness.probe.closes == 0; ++i) {
      const int reads = client.reads;
      SendAll(peer, "x");
      ASSERT_TRUE(Eventually([&] { return client.reads > reads; }));
      std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(witness.Gone());
  }
  EXPECT_TRUE(client.IsConnected()) << client.Blad();
  client.mode = Probe::Mode::kIgnore;
  const int reads = client.reads;
  SendAll(peer, "unread");
  ASSERT_TRUE(Eventually([&] { return client.reads > reads; }));
  {
    Witness witness(&thread, server);
    ASSERT_TRUE(witness.Gone());
  }
  EXPECT_TRUE(client.IsConnected()) << "bytes wait to be read: the peer is not silent";
  char buffer[16];
  EXPECT_GT(client.ReadAnyNonBlocking(buffer, sizeof buffer), 0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Eventually([&] { return client.closes == 1; }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
  EXPECT_EQ(client.Handlers(), 1);
  EXPECT_EQ(client.Blad(), server.Address() + ": nothing received for 300 ms");
  close(peer);
}

TEST_F(TCPClientTest, DestructionWaitsForAHandlerThatIsRunning) {
  Listener server;
  std::atomic<bool> handlerDone{false};
  auto client = std::make_unique<Probe>(&thread);
  client->mode = Probe::Mode::kSlow;
  client->slowDone = &handlerDone;
  client->Connect(server.Address());
  const int peer = server.Accept();
  ASSERT_TRUE(Eventually([&] { return client->IsConnected(); }));
  SendAll(peer, "x");
  ASSERT_TRUE(client->inRead.WaitFor(5000));
  client.reset();
  EXPECT_TRUE(handlerDone) << "the object went while its handler ran";
  close(peer);
}

TEST_F(TCPClientTest, ReadingWhileNotConnectedRaises) {
  Probe client(&thread);
  try {
    char byte;
    client.ReadAnyNonBlocking(&byte, 1);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("!IsConnected() in file \"TCPClient.cpp\"", 0), 0u) << e.Message();
  }
}

// Clients come and go on several threads while their messages are in flight: nothing is
// delivered to a client that is gone, nothing is reported as a wrong message.
TEST_F(TCPClientTest, ClientsComingAndGoingWithMessagesInFlight) {
  LogCapture log;
  Listener server;
  std::atomic<bool> stop{false};
  std::thread acceptor([&] {
    std::vector<int> peers;
    while (!stop) {
      const int peer = server.Accept(20ms);
      if (peer < 0) continue;
      SendAll(peer, "hello");
      peers.push_back(peer);
      if (peers.size() > 8) {
        close(peers.front());
        peers.erase(peers.begin());
      }
    }
    for (int p : peers) close(p);
  });
  std::vector<std::thread> users;
  for (int u = 0; u < 4; ++u) {
    users.emplace_back([&] {
      for (int round = 0; round < 30; ++round) {
        Probe client(&thread);
        client.Connect(server.Address());
        Eventually([&] { return client.IsConnected() || client.Handlers() > 0; });
        for (int i = 0; i < 50; ++i) client.Write("ping", 4);
        if (round % 2) client.Disconnect();
      }
    });
  }
  for (auto& u : users) u.join();
  stop = true;
  acceptor.join();
  thread.Synchronizuj();
  EXPECT_EQ(log.Text().find("wrong message"), String::npos) << log.Text();
}

}  // namespace
