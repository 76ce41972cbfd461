#pragma once
// A private X server (Xvfb) for the tests that drive windows with real X input: started at
// the first call in the test process, which then talks to it through DISPLAY and the xcb
// platform, and stopped at exit. One process at a time uses it; tests that cannot start
// it skip.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

// The X server of this process: started at the first call, stopped at exit.
class SerwerX {
 public:
  // `ekran` (width x height x depth) is taken by the first call only.
  static SerwerX& Jeden(const char* ekran = "1920x1080x24") {
    static SerwerX s(ekran);
    return s;
  }
  bool Dziala() const { return pid > 0; }
  pid_t Pid() const { return pid; }
  // A window manager (openbox) on this server, started at the first call, so that focus
  // and activation go as on a desktop; whether it runs.
  bool MenedzerOkien() {
    if (wm > 0) return true;
    if (pid <= 0) return false;
    wm = fork();
    if (wm == 0) {
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
    // It has taken the screen once it still runs a moment later.
    usleep(500 * 1000);
    if (wm > 0 && waitpid(wm, nullptr, WNOHANG) == 0) return true;
    wm = -1;
    return false;
  }
  ~SerwerX() {
    if (wm > 0) {
      kill(wm, SIGTERM);
      waitpid(wm, nullptr, 0);
    }
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }

 private:
  // Other test processes may start X servers at the same moment, and two of them may
  // pick the same display number; the loser dies. So a server counts as started only
  // when it still runs a moment after naming its display and its socket exists, and
  // starting is tried three times.
  explicit SerwerX(const char* ekran) {
    for (int proba = 0; proba < 3 && pid <= 0; ++proba) Uruchom(ekran);
  }

  void Uruchom(const char* ekran) {
    int rura[2];
    if (pipe(rura) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(rura[0]);
      const std::string fd = std::to_string(rura[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", ekran, "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(rura[1]);
    char bufor[16] = {};
    ssize_t n = -1;
    if (pid > 0) {
      do {
        n = read(rura[0], bufor, sizeof bufor - 1);
      } while (n < 0 && errno == EINTR);
    }
    close(rura[0]);
    const std::string numer(bufor, n > 0 ? strcspn(bufor, "\n") : 0);
    if (n > 0 && !numer.empty()) {
      usleep(200 * 1000);
      if (waitpid(pid, nullptr, WNOHANG) == 0 && access(("/tmp/.X11-unix/X" + numer).c_str(), F_OK) == 0) {
        setenv("DISPLAY", (":" + numer).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        return;
      }
    }
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    pid = -1;
  }
  pid_t pid = -1;
  pid_t wm = -1;
};
