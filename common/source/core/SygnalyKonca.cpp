#include "core/SygnalyKonca.h"

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "core/Exception.h"

namespace {

sigset_t Konca() {
  sigset_t z;
  sigemptyset(&z);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&z, s);
  return z;
}

}  // namespace

void SygnalyKonca::Zablokuj() {
  const sigset_t z = Konca();
  const int blad = pthread_sigmask(SIG_BLOCK, &z, nullptr);
  if (blad != 0) RaiseSystemError(blad, __FILE__, __LINE__);
}

SygnalyKonca::SygnalyKonca() {
  const sigset_t z = Konca();
  fd.Reset(::signalfd(-1, &z, SFD_CLOEXEC | SFD_NONBLOCK));
  KG_SYSCHECK(static_cast<bool>(fd));
}

std::optional<int> SygnalyKonca::Odbierz() {
  signalfd_siginfo i{};
  ssize_t n;
  do {
    n = ::read(fd.Get(), &i, sizeof i);
  } while (n < 0 && errno == EINTR);
  if (n != static_cast<ssize_t>(sizeof i)) return std::nullopt;
  return static_cast<int>(i.ssi_signo);
}
