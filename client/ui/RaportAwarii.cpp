#include "ui/RaportAwarii.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/CallTrace.h"
#include "core/Czas.h"
#include "core/Log.h"

namespace {

// The file's name, fixed before any handler can run: a handler may not allocate.
char plikRaportu[4096] = {};

void Pisz(int fd, const char* s) {
  size_t n = std::strlen(s);
  while (n > 0) {
    const ssize_t k = ::write(fd, s, n);
    if (k <= 0) return;
    s += k;
    n -= static_cast<size_t>(k);
  }
}

void Obsluga(int sygnal) {
  const int fd = ::open(plikRaportu, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd >= 0) {
    char liczba[16];
    int i = sizeof liczba - 1;
    liczba[i] = '\0';
    int s = sygnal;
    do {
      liczba[--i] = static_cast<char>('0' + s % 10);
      s /= 10;
    } while (s > 0 && i > 0);
    Pisz(fd, "\n==== KorwendoGra: sygnał ");
    Pisz(fd, liczba + i);
    Pisz(fd, " (");
    Pisz(fd, sigdescr_np(sygnal) != nullptr ? sigdescr_np(sygnal) : "?");
    Pisz(fd, ")\nbacktrace:\n");
    void* adresy[64];
    const int ile = backtrace(adresy, 64);
    backtrace_symbols_fd(adresy, ile, fd);
    // The chain of traced calls needs memory; written last, so that what is above stays
    // even if this part cannot be made.
    Pisz(fd, "call trace: ");
    Pisz(fd, CallTraceText().c_str());
    Pisz(fd, "\n");
    ::close(fd);
  }
  ::signal(sygnal, SIG_DFL);
  ::raise(sygnal);
}

}  // namespace

String PlikRaportu(const String& sciezkaProgramu, const String& katalogLogow) {
  const std::filesystem::path p(sciezkaProgramu);
  const String obok = sciezkaProgramu + ".debug.log";
  // Tried by opening, not by permission bits, which say nothing for root or for a
  // read-only file system. A file made for the trial goes again.
  const bool byl = ::access(obok.c_str(), F_OK) == 0;
  const int fd = ::open(obok.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    if (!byl) ::unlink(obok.c_str());
    return obok;
  }
  return katalogLogow + "/" + p.filename().string() + ".debug.log";
}

void InstalujRaportAwarii(const String& katalogLogow) {
  std::error_code blad;
  const String program = std::filesystem::read_symlink("/proc/self/exe", blad).string();
  const String plik = PlikRaportu(program.empty() ? String("KorwendoGra") : program, katalogLogow);
  std::strncpy(plikRaportu, plik.c_str(), sizeof plikRaportu - 1);
  std::filesystem::create_directories(std::filesystem::path(plik).parent_path(), blad);

  // A stack overflow leaves no stack for the handler: it gets its own.
  static std::vector<char> stos(1 << 16);
  stack_t s{};
  s.ss_sp = stos.data();
  s.ss_size = stos.size();
  sigaltstack(&s, nullptr);
  struct sigaction a {};
  a.sa_handler = Obsluga;
  a.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&a.sa_mask);
  for (int sygnal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sygnal, &a, nullptr);
}

String PlikRaportuAwarii() { return plikRaportu; }

void ZapiszRaportAwarii(const String& tekst) {
  if (plikRaportu[0] == '\0') return;
  const int fd = ::open(plikRaportu, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    Log(1, String("nie można zapisać raportu awarii ") + plikRaportu + ": " + std::strerror(errno), KG_WHERE);
    return;
  }
  Pisz(fd, ("\n==== " + Czas::Teraz().Napis() + "\n" + tekst).c_str());
  ::close(fd);
}
