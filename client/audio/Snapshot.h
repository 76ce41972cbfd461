#pragma once
// A value that one writer at a time publishes and any thread reads without waiting. The
// writer fills the next of four slots (`ring`) and then points readers at it, so a reader never
// waits for a writer stopped halfway through a value (it reads the last slot completed);
// it reads again only when the writer completed four more values while it copied one.
// Every word is an atomic, so a copy that overlapped a write is detected by the slot's
// version and thrown away, never used.
//
// Threads: Publish is called by one thread at a time (the caller's own lock orders them);
// Read and Version by any thread, without a lock.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <class T>
class Snapshot {
  static_assert(std::is_trivially_copyable_v<T>, "a snapshot is copied word by word");

 public:
  explicit Snapshot(const T& initial = T{}) { Publish(initial); }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  void Publish(const T& value) {
    std::array<uint64_t, kWords> words{};
    std::memcpy(words.data(), &value, sizeof(T));
    const uint64_t n = latest.load(std::memory_order_relaxed) + 1;
    Slot& s = ring[n % kSlots];
    // Odd while the words change: each word is stored with release, so a reader that
    // acquired any new word sees this too.
    s.version.store(2 * n - 1, std::memory_order_relaxed);
    for (size_t i = 0; i < kWords; ++i) s.words[i].store(words[i], std::memory_order_release);
    s.version.store(2 * n, std::memory_order_release);
    latest.store(n, std::memory_order_release);
  }

  // The value published last; *version (when given) is its number, which grows by one
  // with every Publish.
  T Read(uint64_t* version = nullptr) const {
    for (;;) {
      const uint64_t n = latest.load(std::memory_order_acquire);
      const Slot& s = ring[n % kSlots];
      const uint64_t before = s.version.load(std::memory_order_acquire);
      if (before != 2 * n) continue;  // the writer went round and is refilling this slot
      std::array<uint64_t, kWords> words;
      for (size_t i = 0; i < kWords; ++i) words[i] = s.words[i].load(std::memory_order_acquire);
      if (s.version.load(std::memory_order_relaxed) != before) continue;
      T value;
      std::memcpy(static_cast<void*>(&value), words.data(), sizeof(T));
      if (version) *version = n;
      return value;
    }
  }

  // The number of the value published last.
  uint64_t Version() const { return latest.load(std::memory_order_acquire); }

 private:
  static constexpr size_t kSlots = 4;
  static constexpr size_t kWords = (sizeof(T) + sizeof(uint64_t) - 1) / sizeof(uint64_t);
  struct Slot {
    std::atomic<uint64_t> version{0};
    std::array<std::atomic<uint64_t>, kWords> words{};
  };
  std::array<Slot, kSlots> ring;
  std::atomic<uint64_t> latest{0};
};
