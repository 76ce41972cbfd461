#pragma once
// Base of the program's own threads: a named start and a bounded stop protocol. Start,
// Finish and the destructor are called by the owner thread only; the thread itself reads
// its name and StopRequested(). Finish must not be called from the thread itself.
#include <pthread.h>

#include <atomic>
#include <memory>

#include "core/String.h"

class ZThread {
 public:
  ZThread();
  ZThread(const ZThread&) = delete;
  ZThread& operator=(const ZThread&) = delete;
  // Does not stop the thread; logs "thread not started" or "thread <name> not finished".
  virtual ~ZThread();

  // The body of the thread; returns its exit code.
  virtual int Run() = 0;
  // The stop protocol: RequestStop(), wait up to 5000 ms, and if the body is still
  // running log "thread <name> is running, terminating. ><caller's call trace>" and let
  // it go (it is detached and told to stop through StopRequested()). Never raises.
  virtual void Finish();
  // Asks the running body to return soon, by waking its thread.
  virtual void RequestStop() = 0;

  // Starts the thread; raises "<name> thread already started" on a second call.
  void Start(const String& name);
  // The thread's system identifier; raises "thread not started" before Start.
  unsigned GetThreadId() const;
  const String& Name() const { return name_; }
  bool Finished() const { return finished_; }
  // The exit code of a body that has returned and was waited for by Finish; -1 otherwise.
  int ExitCode() const;

  // The milliseconds Finish waits; 5000. Tests may shorten it.
  void SetStopTimeout(int milliseconds) { stopTimeout_ = milliseconds; }

 protected:
  // True once Finish gave up waiting: a body that polls it ends cooperatively.
  bool StopRequested() const;

 private:
  struct Shared;
  static void* startRoutine(void* parameter);

  std::shared_ptr<Shared> shared_;
  pthread_t handle_{};
  bool started_ = false;
  unsigned threadId_ = 0;
  String name_;
  bool finished_ = false;
  int stopTimeout_ = 5000;
};
