#pragma once
// The message thread: a readiness loop that owns a queue of posted messages and an epoll
// instance over the sockets its receivers watch, turns socket readiness into the
// notifications FD_CONNECT, FD_READ, FD_WRITE and FD_CLOSE, and hands every message to
// the receiver that owns its number, one message at a time.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "core/ECriticalSection.h"
#include "core/EventOgolny.h"
#include "core/UnikalnyDeskryptor.h"
#include "core/ZThread.h"
#include "transport/MessageReceiver.h"

// Threads: the loop runs on its own thread and calls every OnMessage there under the
// dispatch lock; any thread registers numbers, posts and watches sockets, under the map
// lock (numbers and watched sockets) and the queue's own mutex. Lock order: the dispatch
// lock, then a receiver's own lock, then the map lock, then the queue mutex.
class MessageThread : public ZThread {
 public:
  // Starts the thread, named "MessageThread". Raises when the wake-up descriptor cannot
  // be made.
  MessageThread();
  // Stops the loop (Finish) and releases the descriptors.
  ~MessageThread() override;

  // The loop; returns 0 after the stop message.
  int Run() override;
  // Posts the stop message (WM_USER) once the loop's queue exists.
  void RequestStop() override;

  // The epoll descriptor on which watched sockets are collected, created on first use by
  // the loop itself (another thread waits for it; the loop's own thread makes it at once).
  // Raises "message thread stopped" when the loop has ended.
  int Okno();

  // A new message number for r, in 1026..32766: none in use and none given back whose
  // messages may still be pending. Raises "no free message number" when all are taken.
  int Zarejestruj(MessageReceiver* r);
  // Gives msg back (a number not registered is ignored). Messages with that number still queued, or taken out of the queue but
  // not yet looked up, are dropped without a word; the number is not handed out again
  // until they are gone. A message already being handled finishes: Synchronizuj waits
  // for it.
  void Wyrejestruj(int msg);
  // Returns when no message is being handled. Must not be called under a lock that a
  // receiver takes in OnMessage.
  void Synchronizuj();

  // Appends a message to the queue and wakes the loop. Raises "message thread stopped"
  // once the loop has ended.
  void Post(int msg, uintptr_t wParam = 0, intptr_t lParam = 0);

  // Asks for the notifications `events` (FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) about
  // `socket`, delivered as message `msg` with lParam = MakeSelectReply(event, error).
  // Call it after starting a non-blocking connect when FD_CONNECT is asked for. With
  // events 0 the socket is forgotten; that must happen before it is closed, and never
  // raises. The notifications follow the readiness of the socket:
  // - FD_CONNECT once, when the connect completes, with SO_ERROR as the error;
  // - FD_READ when bytes (or the end of the stream) can be read, then not again until
  //   Reenable(socket, FD_READ): every receive does that, so an owner that does not read
  //   is not woken again and again;
  // - FD_WRITE when the socket can take bytes, only after Reenable(socket, FD_WRITE),
  //   which a sender calls when a send would block;
  // - FD_CLOSE once, when the connection failed (with its error) or the peer closed its
  //   side (error 0) and no unread bytes remain or the owner let an FD_READ pass without
  //   reading. Nothing follows it.
  // In one readiness report they come in the order connect, read, write, close.
  void Select(int socket, int msg, int events);
  // Re-enables FD_READ and/or FD_WRITE for a watched socket; nothing for others.
  void Reenable(int socket, int events);

 private:
  // One watched socket.
  struct Watch {
    int msg = 0;
    int events = 0;            // the notifications asked for
    uint32_t generation = 0;   // tells the watch apart from an earlier one on the same descriptor
    bool connecting = false;   // FD_CONNECT still due
    bool readWanted = false;   // FD_READ may be raised: the owner read since the last one
    bool readArmed = false;    // readable is watched; dropped while an owner does not read
    bool writeEnabled = false; // FD_WRITE may be raised
    bool closed = false;       // FD_CLOSE raised or the connect failed: nothing more
    uint32_t interest = 0;     // the epoll mask registered, 0 when not registered
  };

  bool OnLoopThread() const;
  // Creates the epoll descriptor (on the loop's thread) and sets jestOkno.
  void CreateWindow();
  // Waits for messages or readiness; readiness becomes queued notifications.
  void Wait();
  // Handles the messages queued now; false when the stop message came.
  bool DispatchQueued();
  // Hands one message to its receiver, or drops it.
  void Deliver(MSG& m);
  // Under the map lock: the notifications of one readiness report of a watched socket.
  void Notify(uint64_t key, uint32_t revents);
  // Under the map lock: registers the interest a watch needs now with epoll.
  void ApplyInterest(int socket, Watch& w);
  // Under the map lock: forgets a watch and its epoll registration.
  void Forget(int socket);
  // Queues a notification (the loop's own posting; never raises).
  void Enqueue(const MSG& m);

  // The epoll descriptor; -1 before Okno() and after the loop. Owned by the loop, which
  // closes it when it returns; a plain number, so that every thread may read it.
  std::atomic<int> okno{-1};
  ECriticalSection mapLock;        // odbiorcy, doUsuniecia, watches, numbers
  ECriticalSection dispatchLock;   // held while one message is handled
  std::set<int> doUsuniecia;       // numbers given back whose pending messages are to be purged
  std::map<int, MessageReceiver*> odbiorcy;  // numbers in use and their receivers (not owned)
  std::vector<int> wolne;          // numbers neither in use nor waiting for their purge
  EventManual gotowy;              // the loop's queue exists
  EventManual jestOkno;            // okno was created, or the loop ended

  std::map<int, Watch> watches;    // by socket descriptor
  uint32_t nextGeneration = 0;
  std::minstd_rand random;

  std::mutex queueMutex;           // kolejka, waiting, ended; innermost lock
  std::deque<MSG> kolejka;         // posted messages and notifications, oldest first
  bool waiting = false;            // the loop sleeps and must be woken by a post
  bool ended = false;              // the loop has returned; posts fail
  UnikalnyDeskryptor budzik;       // eventfd that wakes the loop
  std::atomic<pid_t> loopThread{0};
};
