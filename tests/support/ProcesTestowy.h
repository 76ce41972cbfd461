#pragma once
// The tests' child processes: a program started with its standard input a pipe from the
// test and its standard output and error one pipe read into lines, and a korwendo-server
// started on a free loopback port. Header-only; never part of the program.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/String.h"

extern char** environ;

// A child process: its standard input a pipe from the test, its standard output and error
// one pipe to the test, read into lines by a thread of the test.
// Threads: the test's thread and the reader; `mutex` guards the lines and the end flag.
class Proces {
 public:
  // Starts argv[0] in `katalog`. The child is sent SIGTERM when the test process ends, so
  // that no server outlives a test run that was killed.
  Proces(const std::vector<String>& argv, const String& katalog) {
    int we[2];
    int wy[2];
    if (pipe2(we, O_CLOEXEC) != 0 || pipe2(wy, O_CLOEXEC) != 0) std::abort();
    std::vector<char*> a;
    for (const String& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    const pid_t rodzic = getpid();
    pid = fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
      // Only async-signal-safe calls from here to exec.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != rodzic) _exit(127);
      dup2(we[0], 0);
      dup2(wy[1], 1);
      dup2(wy[1], 2);
      if (chdir(katalog.c_str()) != 0) _exit(127);
      execve(a[0], a.data(), environ);
      _exit(127);
    }
    close(we[0]);
    close(wy[1]);
    wejscie = we[1];
    wyjscie = wy[0];
    czytelnik = std::thread([this] { Czytaj(); });
  }

  // Ends the process (SIGTERM, after 5 s SIGKILL) when it still runs.
  ~Proces() {
    if (pid > 0 && !kod) {
      kill(pid, SIGTERM);
      if (!Koniec(5000)) {
        kill(pid, SIGKILL);
        Koniec(-1);
      }
    }
    if (wejscie >= 0) close(wejscie);
    czytelnik.join();
    close(wyjscie);
  }
  Proces(const Proces&) = delete;
  Proces& operator=(const Proces&) = delete;

  pid_t Pid() const { return pid; }
  // Sends the signal `s` to the process.
  void Sygnal(int s) { kill(pid, s); }
  // After Koniec: the most memory the process held, in kB (ru_maxrss).
  long MaksPamieciKb() const { return maksPamieci; }

  // Sends one line to its standard input.
  void Pisz(const String& linia) {
    const String s = linia + "\n";
    [[maybe_unused]] const ssize_t n = write(wejscie, s.data(), s.size());
  }

  // Waits up to `ms` until `warunek` holds for the lines read; true when it does.
  bool Czekaj(const std::function<bool(const std::vector<String>&)>& warunek, int ms) {
    std::unique_lock<std::mutex> l(mutex);
    zmiana.wait_for(l, std::chrono::milliseconds(ms), [&] { return zamkniete || warunek(linie); });
    return warunek(linie);
  }
  // Waits until a line from index `od` on equals `tekst`; its index, or -1.
  int CzekajNaLinie(const String& tekst, size_t od, int ms) {
    int gdzie = -1;
    Czekaj(
        [&](const std::vector<String>& l) {
          for (size_t i = od; i < l.size(); ++i) {
            if (l[i] == tekst) {
              gdzie = static_cast<int>(i);
              return true;
            }
          }
          return false;
        },
        ms);
    return gdzie;
  }
  // Waits until `n` lines starting with "time 2" follow index `od`.
  bool CzekajNaCzasy(size_t od, int n, int ms) {
    return Czekaj(
        [&](const std::vector<String>& l) {
          int ile = 0;
          for (size_t i = od; i < l.size(); ++i) ile += l[i].rfind("time 2", 0) == 0 ? 1 : 0;
          return ile >= n;
        },
        ms);
  }

  std::vector<String> Linie() {
    std::lock_guard<std::mutex> l(mutex);
    return linie;
  }
  size_t IleLinii() {
    std::lock_guard<std::mutex> l(mutex);
    return linie.size();
  }
  String Tekst() {
    String s;
    for (const String& l : Linie()) s += l + "\n";
    return s;
  }

  // Waits up to `ms` (-1: for ever) for the process to end; its exit status (128 + the
  // signal for a killed one), none on a time-out. Once it has ended, every line it wrote
  // has been read too.
  std::optional<int> Koniec(int ms) {
    if (kod) return kod;
    const auto koniec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      int status = 0;
      rusage uzycie{};
      const pid_t r = wait4(pid, &status, ms < 0 ? 0 : WNOHANG, &uzycie);
      if (r == pid) {
        maksPamieci = uzycie.ru_maxrss;
        kod = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        // The reader may not have reached the end of the pipe yet.
        std::unique_lock<std::mutex> l(mutex);
        zmiana.wait_for(l, std::chrono::seconds(5), [&] { return zamkniete; });
        return kod;
      }
      if (r < 0 || (ms >= 0 && std::chrono::steady_clock::now() >= koniec)) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

 private:
  void Czytaj() {
    char b[4096];
    String reszta;
    for (;;) {
      const ssize_t n = read(wyjscie, b, sizeof b);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      reszta.append(b, static_cast<size_t>(n));
      std::lock_guard<std::mutex> l(mutex);
      size_t k;
      while ((k = reszta.find('\n')) != String::npos) {
        linie.push_back(reszta.substr(0, k));
        reszta.erase(0, k + 1);
      }
      zmiana.notify_all();
    }
    std::lock_guard<std::mutex> l(mutex);
    if (!reszta.empty()) linie.push_back(reszta);
    zamkniete = true;
    zmiana.notify_all();
  }

  pid_t pid = -1;
  long maksPamieci = 0;
  int wejscie = -1;
  int wyjscie = -1;
  std::optional<int> kod;
  std::thread czytelnik;
  std::mutex mutex;
  std::condition_variable zmiana;
  std::vector<String> linie;
  bool zamkniete = false;
};

// Starts the server executable `serwer` with `argumenty` in `katalog`, listening on a free
// loopback port, and returns it with that port; the port is 0 when it did not start.
inline std::pair<std::unique_ptr<Proces>, int> StartSerweraTestowego(const String& serwer,
                                                                     const std::vector<String>& argumenty,
                                                                     const String& katalog) {
  std::vector<String> a{serwer};
  a.insert(a.end(), argumenty.begin(), argumenty.end());
  a.insert(a.end(), {"--listen", "127.0.0.1:0"});
  auto p = std::make_unique<Proces>(a, katalog);
  const String znak = "listening on 127.0.0.1:";
  int port = 0;
  p->Czekaj(
      [&](const std::vector<String>& l) {
        for (const String& s : l) {
          if (const size_t i = s.find(znak); i != String::npos) {
            port = std::atoi(s.c_str() + i + znak.size());
            return true;
          }
        }
        return false;
      },
      20000);
  return {std::move(p), port};
}

