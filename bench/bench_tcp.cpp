// The TCP client against plain blocking sockets on loopback: bulk transfer from a server
// (MiB/s, bytes_per_second) and the round trip of a small message echoed by a server
// (time per iteration). Each pair runs against the same server in the same process.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "transport/MessageThread.h"
#include "transport/Paczka2.h"
#include "transport/Protokol.h"
#include "transport/TCPClient.h"

namespace {

constexpr int64_t kBulkBytes = 200LL << 20;
constexpr int kMessage = 32;

// A loopback server that runs `serve` on a thread of its own for every connection.
class Server {
 public:
  template <typename F>
  explicit Server(F serve) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(listener_, reinterpret_cast<sockaddr*>(&a), length);
    listen(listener_, 16);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this, serve] {
      for (;;) {
        const int peer = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0) return;
        const int one = 1;
        setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::thread([peer, serve] {
          serve(peer);
          close(peer);
        }).detach();
      }
    });
  }
  ~Server() {
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
  }
  int Port() const { return port_; }
  String Address() const { return "127.0.0.1:" + std::to_string(port_); }

  // A blocking client socket connected to the server.
  int ConnectBlocking() const {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
  }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::thread acceptor_;
};

void SendBulk(int peer) {
  std::vector<char> block(1 << 20, 'a');
  int64_t left = kBulkBytes;
  while (left > 0) {
    const ssize_t n = send(peer, block.data(), static_cast<size_t>(std::min<int64_t>(left, block.size())), MSG_NOSIGNAL);
    if (n <= 0) return;
    left -= n;
  }
}

// 200 MiB as audio packets of 64 KiB payload, the stream a player or an export reads.
const String& PacketStream() {
  static const String stream = [] {
    struct Sink : Writable {
      void Write(const void* c, int n) override { bytes.append(static_cast<const char*>(c), static_cast<size_t>(n)); }
      String bytes;
    } sink;
    Paczka2 p;
    p.Nazwa = protokol::kPaczkaAudio;
    p.core.SetSize(64 << 10);
    std::memset(p.core.Data(), 0x11, static_cast<size_t>(p.core.Size()));
    while (static_cast<int64_t>(sink.bytes.size()) < kBulkBytes) p.Wyslij(sink);
    return sink.bytes;
  }();
  return stream;
}

void SendPackets(int peer) {
  const String& stream = PacketStream();
  size_t done = 0;
  while (done < stream.size()) {
    const ssize_t n = send(peer, stream.data() + done, std::min<size_t>(stream.size() - done, 1 << 20), MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

void Echo(int peer) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = recv(peer, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    if (send(peer, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) != n) return;
  }
}

// A client that counts what it reads (reading `chunk` bytes at a time, as a packet reader
// does) and lets a waiting thread know when a target is reached.
class CountingClient : public TCPClient {
 public:
  CountingClient(MessageThread* m, int chunk) : TCPClient(m), thread_(m), buffer_(static_cast<size_t>(chunk)) {}
  ~CountingClient() override {
    Disconnect();
    thread_->Synchronizuj();
  }
  void OnConnect() override { Notify(false); }
  // Counts payload bytes of whole packets instead of raw bytes.
  void ParsePackets() { packets_ = true; }

  void OnRead() override {
    int k;
    int64_t got = 0;
    if (packets_) {
      while (odbior_.Wczytaj(*this)) got += odbior_.core.Size();
    } else {
      while ((k = ReadAnyNonBlocking(buffer_.data(), static_cast<int>(buffer_.size()))) > 0) got += k;
    }
    if (got == 0) return;
    bool reached;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      received_ += got;
      reached = received_ >= target_;
    }
    // Outside the mutex, so that the woken waiter does not block on it at once.
    if (reached) changed_.notify_all();
  }
  void OnClose() override { Notify(true); }
  void OnConnectError() override { Notify(true); }

  // Waits until `bytes` arrived in all, or the connection failed; false then.
  bool WaitFor(int64_t bytes) {
    std::unique_lock<std::mutex> lock(mutex_);
    target_ = bytes;
    changed_.wait(lock, [&] { return received_ >= bytes || failed_; });
    return received_ >= bytes;
  }
  bool WaitConnected() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return connected_ || failed_; });
    return connected_;
  }

 private:
  // The handlers hold the client lock and then take mutex_; waiters hold mutex_ only.
  void Notify(bool failed) {
    std::lock_guard<std::mutex> lock(mutex_);
    (failed ? failed_ : connected_) = true;
    changed_.notify_all();
  }
  MessageThread* thread_;
  std::vector<char> buffer_;
  bool packets_ = false;
  Paczka2 odbior_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int64_t received_ = 0;
  int64_t target_ = 0;
  bool connected_ = false;
  bool failed_ = false;
};

void BM_BulkTCPClient(benchmark::State& state) {
  Server server(SendBulk);
  MessageThread thread;
  for (auto _ : state) {
    CountingClient client(&thread, static_cast<int>(state.range(0)));
    client.Connect(server.Address());
    if (!client.WaitFor(kBulkBytes)) state.SkipWithError(client.Blad().c_str());
  }
  state.SetBytesProcessed(state.iterations() * kBulkBytes);
}
BENCHMARK(BM_BulkTCPClient)->Arg(8192)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same volume as 64 KiB audio packets, parsed by a Paczka2 in the read handler as the
// player core does (Wczytaj reads 8 KiB at a time).
void BM_BulkTCPClientPackets(benchmark::State& state) {
  const String& stream = PacketStream();
  const int64_t payload = [&] {
    const int64_t packet = 22 + 11 + (64 << 10);
    return static_cast<int64_t>(stream.size()) / packet * (64 << 10);
  }();
  Server server(SendPackets);
  MessageThread thread;
  for (auto _ : state) {
    CountingClient client(&thread, 8192);
    client.ParsePackets();
    client.Connect(server.Address());
    if (!client.WaitFor(payload)) state.SkipWithError("connection lost");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_BulkTCPClientPackets)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_BulkBlockingRecv(benchmark::State& state) {
  Server server(SendBulk);
  std::vector<char> buffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    const int fd = server.ConnectBlocking();
    int64_t received = 0;
    while (received < kBulkBytes) {
      const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
      if (n <= 0) break;
      received += n;
    }
    close(fd);
    if (received < kBulkBytes) state.SkipWithError("short transfer");
  }
  state.SetBytesProcessed(state.iterations() * kBulkBytes);
}
BENCHMARK(BM_BulkBlockingRecv)->Arg(8192)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The packet stream read by a blocking recv loop into the same parser: what the parser
// costs by itself.
void BM_BulkBlockingRecvPackets(benchmark::State& state) {
  const String& stream = PacketStream();
  Server server(SendPackets);
  std::vector<char> buffer(8192);
  for (auto _ : state) {
    const int fd = server.ConnectBlocking();
    Paczka2 p;
    int64_t received = 0;
    while (received < static_cast<int64_t>(stream.size())) {
      const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
      if (n <= 0) break;
      received += n;
      p.Write(buffer.data(), static_cast<int>(n));
      while (p.Skonczyl()) p.Write(nullptr, 0);
    }
    close(fd);
    if (received < static_cast<int64_t>(stream.size())) state.SkipWithError("short transfer");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_BulkBlockingRecvPackets)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_RoundTripTCPClient(benchmark::State& state) {
  Server server(Echo);
  MessageThread thread;
  CountingClient client(&thread, 4096);
  client.Connect(server.Address());
  if (!client.WaitConnected()) {
    state.SkipWithError("no connection");
    return;
  }
  char message[kMessage];
  std::memset(message, 'p', sizeof message);
  int64_t expected = 0;
  for (auto _ : state) {
    client.Write(message, kMessage);
    expected += kMessage;
    if (!client.WaitFor(expected)) {
      state.SkipWithError("connection lost");
      break;
    }
  }
}
BENCHMARK(BM_RoundTripTCPClient)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A client that answers every echo with the next message from its own handler, as the
// player core answers the server's pings: the round trip without a thread handoff.
class PingingClient : public TCPClient {
 public:
  explicit PingingClient(MessageThread* m) : TCPClient(m), thread_(m) { std::memset(message_, 'p', sizeof message_); }
  ~PingingClient() override {
    Disconnect();
    thread_->Synchronizuj();
  }
  // Runs `rounds` round trips from the message thread; returns when they are done.
  void Run(int rounds) {
    {
      Synchronized guard(&Sekcja());
      left_ = rounds;
      pending_ = kMessage;
      done_ = false;
      Write(message_, kMessage);
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return done_; });
  }
  void OnRead() override {
    char buffer[4096];
    int k;
    while ((k = ReadAnyNonBlocking(buffer, sizeof buffer)) > 0) pending_ -= k;
    if (pending_ > 0) return;
    if (--left_ > 0) {
      pending_ = kMessage;
      Write(message_, kMessage);
    } else {
      Finish();
    }
  }
  void OnClose() override { Finish(); }
  void OnConnectError() override { Finish(); }

 private:
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
  }
  MessageThread* thread_;
  char message_[kMessage];
  int left_ = 0;     // under the client lock
  int pending_ = 0;  // under the client lock
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
};

void BM_RoundTripOnMessageThread(benchmark::State& state) {
  constexpr int kRounds = 1000;
  Server server(Echo);
  MessageThread thread;
  PingingClient client(&thread);
  client.Connect(server.Address());
  for (int i = 0; i < 5000 && !client.IsConnected() && client.Blad().empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!client.IsConnected()) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state) client.Run(kRounds);
  state.counters["per_round_trip"] =
      benchmark::Counter(kRounds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RoundTripOnMessageThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RoundTripBlocking(benchmark::State& state) {
  Server server(Echo);
  const int fd = server.ConnectBlocking();
  char message[kMessage];
  std::memset(message, 'p', sizeof message);
  for (auto _ : state) {
    send(fd, message, kMessage, MSG_NOSIGNAL);
    int got = 0;
    while (got < kMessage) {
      const ssize_t n = recv(fd, message + got, static_cast<size_t>(kMessage - got), 0);
      if (n <= 0) break;
      got += static_cast<int>(n);
    }
  }
  close(fd);
}
BENCHMARK(BM_RoundTripBlocking)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
