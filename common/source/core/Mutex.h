#pragma once
// A system-wide named lock: any two Mutex objects made with the same name, in any threads
// or processes, exclude each other. It is an exclusive flock on a file under /dev/shm
// (or the temporary directory), so the system releases it when its holder dies. Unlike a
// recursive lock, a thread that waits twice through two objects of one name deadlocks.
// One Mutex object belongs to one thread at a time.
#include "String.h"

// Something a thread can block on; the handle is a descriptor to take an exclusive
// lock on.
class Waitable {
 public:
  virtual int GetHandle() = 0;
  // Blocks until the lock is taken.
  void Wait();

 protected:
  ~Waitable() = default;
};

class Mutex : public Waitable {
 public:
  explicit Mutex(const String& name);
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  ~Mutex();

  int GetHandle() override { return handle_; }
  void Release();

 private:
  int handle_ = -1;
};
