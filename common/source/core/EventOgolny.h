#pragma once
// Events a thread waits on: EventManual stays signalled, letting every waiter through,
// until Reset; EventAutomatic lets exactly one waiter through per Set.
// Both start unsignalled. Any thread may Set and Wait.
#include <chrono>
#include <condition_variable>
#include <mutex>

class EventOgolny {
 public:
  EventOgolny(const EventOgolny&) = delete;
  EventOgolny& operator=(const EventOgolny&) = delete;

  // Signals the event.
  void Set() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      signalled_ = true;
    }
    if (automatic_) {
      condition_.notify_one();
    } else {
      condition_.notify_all();
    }
  }

  // Unsignals the event.
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
  }

  // Waits until the event is signalled or `milliseconds` pass (-1: for ever). Returns
  // nothing, as callers treat a time-out and a signal alike; WaitFor tells them apart.
  void Wait(int milliseconds) { WaitFor(milliseconds); }

  // As Wait; true when the event was signalled, false on time-out.
  bool WaitFor(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (milliseconds < 0) {
      condition_.wait(lock, [this] { return signalled_; });
    } else if (!condition_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return signalled_; })) {
      return false;
    }
    if (automatic_) signalled_ = false;
    return true;
  }

 protected:
  explicit EventOgolny(bool automatic) : automatic_(automatic) {}
  ~EventOgolny() = default;

 private:
  const bool automatic_;
  bool signalled_ = false;
  std::mutex mutex_;
  std::condition_variable condition_;
};

class EventManual : public EventOgolny {
 public:
  EventManual() : EventOgolny(false) {}
};

class EventAutomatic : public EventOgolny {
 public:
  EventAutomatic() : EventOgolny(true) {}
};
