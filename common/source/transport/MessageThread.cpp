#include "transport/MessageThread.h"

#include "core/CallTrace.h"

#include <errno.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Log.h"

namespace {

constexpr int kFirstNumber = 1026;
constexpr int kNumbers = 31741;  // 1026..32766
constexpr uint64_t kWakeKey = ~uint64_t{0};

uint64_t KeyOf(int socket, uint32_t generation) {
  return (static_cast<uint64_t>(generation) << 32) | static_cast<uint32_t>(socket);
}

int PendingSocketError(int socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

// What a readable socket whose peer hung up holds: 1 unread bytes, 0 the end of the
// stream, or -errno.
int PeekState(int socket) {
  char byte;
  for (;;) {
    const ssize_t n = recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) return 1;
    if (n == 0) return 0;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 1;  // nothing decided yet: let the owner read
    return -errno;
  }
}

}  // namespace

MessageThread::MessageThread()
    : random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())) {
  wolne.reserve(kNumbers);
  for (int n = kFirstNumber; n < kFirstNumber + kNumbers; ++n) wolne.push_back(n);
  budzik.Reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  KG_SYSCHECK(static_cast<bool>(budzik));
  Start("MessageThread");
}

MessageThread::~MessageThread() {
  Finish();
  // The loop closed okno when it returned.
  std::lock_guard<std::mutex> lock(queueMutex);
  // A loop that did not stop in time keeps its wake-up descriptor rather than have a
  // post land on a descriptor that was reused.
  if (ended) {
    budzik.Reset();
  } else {
    [[maybe_unused]] const int zostaje = budzik.Release();
  }
}

bool MessageThread::OnLoopThread() const { return loopThread.load() == gettid(); }

int MessageThread::Run() {
  loopThread = gettid();
  gotowy.Set();
  try {
    for (;;) {
      Wait();
      if (!DispatchQueued()) break;
    }
  } catch (const std::exception& e) {
    // Receivers' failures are caught where they are called; this is the loop's own (out
    // of memory): it ends as if stopped, so that nobody waits for it for ever.
    Log(2, String("message loop failed: ") + e.what(), KG_WHERE);
  }
  {
    Synchronized guard(&mapLock);
    // The loop's own epoll instance, published to the other threads as a plain number.
    const int blad = UnikalnyDeskryptor(okno.exchange(-1)).Close();
    if (blad != 0) Log(2, SystemErrorText(blad), KG_WHERE);
    for (auto& [socket, w] : watches) w.interest = 0;
  }
  {
    std::lock_guard<std::mutex> lock(queueMutex);
    ended = true;
    kolejka.clear();
  }
  jestOkno.Set();  // lets a waiting Okno() see that there will be none
  return 0;
}

void MessageThread::RequestStop() {
  gotowy.Wait(-1);
  Post(WM_USER);
}

int MessageThread::Okno() {
  int o = okno.load();
  if (o >= 0) return o;
  if (OnLoopThread()) {
    CreateWindow();
  } else {
    gotowy.Wait(-1);
    Post(WM_USER + 1);
    jestOkno.Wait(-1);
  }
  o = okno.load();
  if (o < 0) KG_ERROR("message thread stopped");
  return o;
}

void MessageThread::CreateWindow() {
  if (okno.load() >= 0) return;
  {
    std::lock_guard<std::mutex> lock(queueMutex);
    if (ended) return;
  }
  UnikalnyDeskryptor o(epoll_create1(EPOLL_CLOEXEC));
  if (!o) {
    const int error = errno;
    jestOkno.Set();
    RaiseSystemError(error, __FILE__, __LINE__);
  }
  epoll_event wake{};
  wake.events = EPOLLIN;
  wake.data.u64 = kWakeKey;
  if (epoll_ctl(o.Get(), EPOLL_CTL_ADD, budzik.Get(), &wake) != 0) {
    const int error = errno;
    jestOkno.Set();
    RaiseSystemError(error, __FILE__, __LINE__);
  }
  okno = o.Release();
  jestOkno.Set();
}

int MessageThread::Zarejestruj(MessageReceiver* r) {
  Synchronized guard(&mapLock);
  if (wolne.empty()) KG_ERROR("no free message number");
  const size_t i = static_cast<size_t>(random() % 32768) % wolne.size();
  const int n = wolne[i];
  wolne[i] = wolne.back();
  wolne.pop_back();
  odbiorcy.emplace(n, r);
  return n;
}

void MessageThread::Wyrejestruj(int msg) {
  Synchronized guard(&mapLock);
  if (odbiorcy.erase(msg) != 0) doUsuniecia.insert(msg);
}

void MessageThread::Synchronizuj() { Synchronized guard(&dispatchLock); }

void MessageThread::Post(int msg, uintptr_t wParam, intptr_t lParam) {
  std::lock_guard<std::mutex> lock(queueMutex);
  if (ended) KG_ERROR("message thread stopped");
  kolejka.push_back(MSG{msg, wParam, lParam});
  if (waiting) {
    waiting = false;
    // The write happens under the mutex so that it cannot land on a descriptor that the
    // destructor closed and someone reused. A full counter already wakes the loop.
    const uint64_t one = 1;
    while (write(budzik.Get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
}

void MessageThread::Enqueue(const MSG& m) {
  std::lock_guard<std::mutex> lock(queueMutex);
  if (!ended) kolejka.push_back(m);
}

void MessageThread::Wait() {
  int timeout = 0;
  {
    std::lock_guard<std::mutex> lock(queueMutex);
    if (kolejka.empty()) {
      waiting = true;
      timeout = -1;
    }
  }
  const int o = okno.load();  // only this thread creates or closes it while the loop runs
  epoll_event events[64];
  int count = 0;
  if (o < 0) {
    pollfd wake{budzik.Get(), POLLIN, 0};
    count = poll(&wake, 1, timeout);
    if (count > 0) {
      events[0].events = EPOLLIN;
      events[0].data.u64 = kWakeKey;
      count = 1;
    }
  } else {
    count = epoll_wait(o, events, 64, timeout);
  }
  {
    std::lock_guard<std::mutex> lock(queueMutex);
    waiting = false;
  }
  if (count < 0) {
    if (errno != EINTR) Log(2, SystemErrorText(errno), KG_WHERE);
    return;
  }
  Synchronized guard(&mapLock);
  for (int i = 0; i < count; ++i) {
    if (events[i].data.u64 == kWakeKey) {
      uint64_t value;
      while (read(budzik.Get(), &value, sizeof value) < 0 && errno == EINTR) {
      }
    } else {
      Notify(events[i].data.u64, events[i].events);
    }
  }
}

bool MessageThread::DispatchQueued() {
  size_t count;
  {
    std::lock_guard<std::mutex> lock(queueMutex);
    count = kolejka.size();
  }
  // Only the messages queued now: readiness is looked at again between batches, so a
  // stream of posts cannot starve the sockets.
  for (size_t i = 0; i < count; ++i) {
    Synchronized guard(&dispatchLock);
    MSG m;
    {
      std::lock_guard<std::mutex> lock(queueMutex);
      if (kolejka.empty()) break;
      m = kolejka.front();
      kolejka.pop_front();
    }
    if (m.message < WM_USER || m.message > 0x7FFF) continue;
    if (m.message == WM_USER) return false;
    if (m.message == WM_USER + 1) {
      try {
        CreateWindow();
      } catch (const std::exception& e) {
        Log(2, e.what(), KG_WHERE);
      }
      continue;
    }
    Deliver(m);
  }
  return true;
}

void MessageThread::Deliver(MSG& m) {
  MessageReceiver* receiver = nullptr;
  {
    Synchronized guard(&mapLock);
    const bool givenBack = doUsuniecia.count(m.message) != 0;
    if (!doUsuniecia.empty()) {
      // Nobody posts a number after giving it back, so once its queued messages are gone
      // it is clean and may be handed out again.
      std::lock_guard<std::mutex> lock(queueMutex);
      std::erase_if(kolejka, [this](const MSG& q) { return doUsuniecia.count(q.message) != 0; });
      wolne.insert(wolne.end(), doUsuniecia.begin(), doUsuniecia.end());
      doUsuniecia.clear();
    }
    if (givenBack) return;
    const auto found = odbiorcy.find(m.message);
    if (found != odbiorcy.end()) receiver = found->second;
  }
  if (receiver == nullptr) {
    Log(2, "wrong message", KG_WHERE);
    return;
  }
  TraceDepthScope depth;
  try {
    receiver->OnMessage(m);
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  } catch (...) {
    Log(2, "unknown exception", KG_WHERE);
  }
}

void MessageThread::Select(int socket, int msg, int events) {
  if (events == 0) {
    Synchronized guard(&mapLock);
    Forget(socket);
    return;
  }
  const int o = Okno();
  (void)o;
  Synchronized guard(&mapLock);
  Forget(socket);
  Watch& w = watches[socket];
  w.msg = msg;
  w.events = events;
  w.generation = ++nextGeneration;
  w.connecting = (events & FD_CONNECT) != 0;
  w.readWanted = w.readArmed = !w.connecting && (events & FD_READ) != 0;
  try {
    ApplyInterest(socket, w);
  } catch (...) {
    watches.erase(socket);
    throw;
  }
}

void MessageThread::Reenable(int socket, int events) {
  Synchronized guard(&mapLock);
  const auto found = watches.find(socket);
  if (found == watches.end()) return;
  Watch& w = found->second;
  if (w.closed || w.connecting) return;
  bool changed = false;
  if ((events & FD_READ) != 0 && (w.events & FD_READ) != 0) {
    w.readWanted = true;
    changed = !w.readArmed;
    w.readArmed = true;
  }
  if ((events & FD_WRITE) != 0 && (w.events & FD_WRITE) != 0 && !w.writeEnabled) {
    w.writeEnabled = true;
    changed = true;
  }
  if (changed) ApplyInterest(socket, w);
}

void MessageThread::Forget(int socket) {
  const auto found = watches.find(socket);
  if (found == watches.end()) return;
  const int o = okno.load();
  if (found->second.interest != 0 && o >= 0) epoll_ctl(o, EPOLL_CTL_DEL, socket, nullptr);
  watches.erase(found);
}

void MessageThread::ApplyInterest(int socket, Watch& w) {
  uint32_t wanted = 0;
  if (!w.closed) {
    if (w.connecting) {
      wanted = EPOLLOUT;
    } else {
      if (w.readArmed) wanted |= EPOLLIN;
      if (w.writeEnabled) wanted |= EPOLLOUT;
      if ((w.events & FD_CLOSE) != 0) wanted |= EPOLLRDHUP;
    }
  }
  const int o = okno.load();
  if (o < 0) {
    w.interest = 0;
    return;
  }
  if (wanted == w.interest) return;
  // A socket registered with no interest still reports errors and hang-ups for ever, so
  // a watch that wants nothing is taken out of the set instead.
  if (wanted == 0) {
    epoll_ctl(o, EPOLL_CTL_DEL, socket, nullptr);
    w.interest = 0;
    return;
  }
  epoll_event e{};
  e.events = wanted;
  e.data.u64 = KeyOf(socket, w.generation);
  if (epoll_ctl(o, w.interest == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, socket, &e) != 0) {
    RaiseSystemError(errno, __FILE__, __LINE__);
  }
  w.interest = wanted;
}

void MessageThread::Notify(uint64_t key, uint32_t revents) {
  const int socket = static_cast<int>(static_cast<uint32_t>(key));
  const auto found = watches.find(socket);
  // A watch replaced or forgotten since the wait began: its report is stale.
  if (found == watches.end() || found->second.generation != static_cast<uint32_t>(key >> 32)) return;
  Watch& w = found->second;
  if (w.closed) return;
  const bool failed = (revents & EPOLLERR) != 0;
  const bool hungUp = (revents & (EPOLLHUP | EPOLLRDHUP)) != 0;

  auto raise = [&](int event, int error) { Enqueue(MSG{w.msg, 0, MakeSelectReply(event, error)}); };

  if (w.connecting) {
    if ((revents & (EPOLLOUT | EPOLLERR | EPOLLHUP)) == 0) return;
    const int error = PendingSocketError(socket);
    w.connecting = false;
    if (error != 0) {
      w.closed = true;
    } else {
      w.readWanted = w.readArmed = (w.events & FD_READ) != 0;
    }
    raise(FD_CONNECT, error);
  } else if (failed) {
    int error = PendingSocketError(socket);
    if (error == 0) error = ECONNRESET;
    w.closed = true;
    if ((w.events & FD_CLOSE) != 0) raise(FD_CLOSE, error);
  } else {
    int closeError = -1;  // no FD_CLOSE yet
    if ((revents & EPOLLIN) != 0 && w.readWanted) {
      const int state = hungUp ? PeekState(socket) : 1;
      if (state > 0) {
        w.readWanted = false;
        raise(FD_READ, 0);
      } else {
        closeError = -state;
      }
    } else if (hungUp) {
      // The owner let the last FD_READ pass without reading, or does not read at all:
      // the close is reported now rather than never.
      closeError = 0;
    } else if ((revents & EPOLLIN) != 0) {
      // The last FD_READ was handled and nothing was read: readable is not watched until
      // the owner reads, so that the loop does not spin on it. An owner that reads keeps
      // it watched and costs no registration changes.
      w.readArmed = false;
    }
    if ((revents & EPOLLOUT) != 0 && w.writeEnabled && closeError < 0) {
      w.writeEnabled = false;
      raise(FD_WRITE, 0);
    }
    if (closeError >= 0) {
      w.closed = true;
      if ((w.events & FD_CLOSE) != 0) raise(FD_CLOSE, closeError);
    }
  }
  try {
    ApplyInterest(socket, w);
  } catch (const std::exception& e) {
    Log(2, e.what(), KG_WHERE);
  }
}
