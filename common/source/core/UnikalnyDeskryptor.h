#pragma once
// The one owner of a POSIX file descriptor (a file, a socket, an epoll instance, an
// eventfd, a timerfd, a signalfd): it closes what it holds exactly once, when destroyed,
// reset or closed, and moves but never copies. Every descriptor the program opens is held
// by one of these from the moment it exists.
// One thread at a time per object (the number it holds may be used by any thread).
#include <utility>

class UnikalnyDeskryptor {
 public:
  UnikalnyDeskryptor() = default;
  // Takes `fd`; a negative value (a failed open) holds nothing.
  explicit UnikalnyDeskryptor(int fd) : fd_(fd < 0 ? -1 : fd) {}
  UnikalnyDeskryptor(UnikalnyDeskryptor&& o) noexcept : fd_(o.Release()) {}
  UnikalnyDeskryptor& operator=(UnikalnyDeskryptor&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  UnikalnyDeskryptor(const UnikalnyDeskryptor&) = delete;
  UnikalnyDeskryptor& operator=(const UnikalnyDeskryptor&) = delete;
  ~UnikalnyDeskryptor() { Reset(); }

  // The descriptor; -1 when none is held.
  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

  // Gives the descriptor up without closing it: the caller owns it now.
  [[nodiscard]] int Release() { return std::exchange(fd_, -1); }
  // Closes what is held (a failure of close is ignored) and takes `fd`.
  void Reset(int fd = -1) noexcept;
  // Closes what is held now; returns 0, or the error number close reported (other than
  // EINTR, which loses nothing). The descriptor is gone either way: it is never closed twice.
  int Close() noexcept;

 private:
  int fd_ = -1;
};
