#pragma once
// A recursive lock, and Synchronized, the scoped guard through which every lock of the
// program is taken for the extent of one block. Any thread may use them.
#include <mutex>

class ECriticalSection {
 public:
  ECriticalSection() = default;
  ECriticalSection(const ECriticalSection&) = delete;
  ECriticalSection& operator=(const ECriticalSection&) = delete;
  virtual ~ECriticalSection() = default;

  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

class Synchronized {
 public:
  explicit Synchronized(ECriticalSection* section) : section_(section) { section_->Enter(); }
  Synchronized(const Synchronized&) = delete;
  Synchronized& operator=(const Synchronized&) = delete;
  ~Synchronized() { section_->Leave(); }

 private:
  ECriticalSection* section_;
};
