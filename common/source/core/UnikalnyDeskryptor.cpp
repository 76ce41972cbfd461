#include "core/UnikalnyDeskryptor.h"

#include <unistd.h>

#include <cerrno>

void UnikalnyDeskryptor::Reset(int fd) noexcept {
  if (fd >= 0 && fd == fd_) return;
  Close();
  fd_ = fd < 0 ? -1 : fd;
}

int UnikalnyDeskryptor::Close() noexcept {
  if (fd_ < 0) return 0;
  // Linux releases the descriptor even when close fails, so a retry could close another
  // thread's newly opened one.
  if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) return errno;
  return 0;
}
