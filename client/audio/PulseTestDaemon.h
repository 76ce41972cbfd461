#pragma once
// A private PulseAudio daemon for tests and benchmarks: started in a runtime directory of
// its own with a null sink and a unix socket, and made the process's sound server
// (PULSE_SERVER) for the life of the object. Header-only; never used by the program.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

class PulseTestDaemon {
 public:
  PulseTestDaemon() = default;
  PulseTestDaemon(const PulseTestDaemon&) = delete;
  PulseTestDaemon& operator=(const PulseTestDaemon&) = delete;

  // Empty when the daemon answers; else why it does not run.
  std::string Start(int rate = 48000) {
    if (Shell("command -v pulseaudio > /dev/null 2>&1") != 0) return "pulseaudio is not installed";
    if (Shell("command -v pactl > /dev/null 2>&1") != 0) return "pactl (pulseaudio-utils) is not installed";
    std::string pattern = (std::filesystem::temp_directory_path() / "kgpulse-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return "cannot make a directory";
    dir_ = pattern;
    chmod(dir_.c_str(), 0700);
    // -n: no default configuration; a daemon left behind by a process that died ends
    // itself after 20 s without clients.
    const std::string command =
        "HOME='" + dir_ + "' PULSE_RUNTIME_PATH='" + dir_ + "' XDG_RUNTIME_DIR='" + dir_ +
        "' pulseaudio -n --daemonize=yes --use-pid-file=yes --exit-idle-time=20 --log-target=file:'" + dir_ +
        "/pulse.log' --log-level=notice --load='module-native-protocol-unix socket=" + dir_ +
        "/native auth-anonymous=1' --load='module-null-sink sink_name=ci rate=" + std::to_string(rate) +
        " channels=2 norewinds=1'";
    if (Shell(command) != 0) return "the PulseAudio daemon did not start: " + Read(dir_ + "/pulse.log");
    const char* old = std::getenv("PULSE_SERVER");
    hadServer_ = old != nullptr;
    if (old) oldServer_ = old;
    setenv("PULSE_SERVER", ("unix:" + dir_ + "/native").c_str(), 1);
    serverSet_ = true;
    for (int i = 0; i < 50; ++i) {
      if (Shell("pactl info > /dev/null 2>&1") == 0) return std::string();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "the PulseAudio daemon does not answer: " + Read(dir_ + "/pulse.log");
  }

  // The daemon's process id; 0 when unknown.
  pid_t Pid() const { return dir_.empty() ? 0 : static_cast<pid_t>(std::atoi(Read(dir_ + "/pid").c_str())); }

  ~PulseTestDaemon() {
    if (dir_.empty()) return;
    const pid_t p = Pid();
    if (p > 0 && kill(p, SIGTERM) == 0) {
      for (int i = 0; i < 50 && kill(p, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (serverSet_) {
      if (hadServer_) {
        setenv("PULSE_SERVER", oldServer_.c_str(), 1);
      } else {
        unsetenv("PULSE_SERVER");
      }
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

 private:
  static int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  static std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  std::string dir_;
  bool serverSet_ = false;
  bool hadServer_ = false;
  std::string oldServer_;
};
