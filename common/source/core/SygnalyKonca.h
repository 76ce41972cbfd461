#pragma once
// The signals that end a program cleanly, SIGINT, SIGTERM and SIGHUP, taken by the
// program's own loop from a signalfd instead of interrupting whatever a thread is doing:
// the loop then ends as its own "quit" would, saving what it saves.
// Threads: Zablokuj runs on the main thread before any other thread starts; an object is
// used by the one thread whose loop watches its descriptor.
#include <optional>

#include "core/UnikalnyDeskryptor.h"

class SygnalyKonca {
 public:
  // Blocks SIGINT, SIGTERM and SIGHUP for the calling thread and the threads it starts
  // later, so that they wait for a SygnalyKonca instead of ending the process. Raises the
  // system error.
  static void Zablokuj();

  // Opens a non-blocking signalfd for the three. Unless they are blocked in every thread
  // (Zablokuj before any thread starts), a signal may still end the process at once.
  // Raises the system error.
  SygnalyKonca();

  // Readable while a signal waits: for poll, epoll or a socket notifier.
  int Deskryptor() const { return fd.Get(); }
  // Takes one waiting signal and returns its number; none when none waits. Never blocks.
  std::optional<int> Odbierz();

 private:
  UnikalnyDeskryptor fd;
};
