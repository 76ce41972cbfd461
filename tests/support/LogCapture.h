#pragma once
// Sends this process's log lines to a fresh file in a temporary directory for the life of
// the object, so that a test can read what was logged. No debug FIFO is found meanwhile.
#include <fstream>
#include <sstream>
#include <string>

#include "core/Log.h"
#include "support/TempDir.h"

class LogCapture {
 public:
  LogCapture() {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    hadRuntime_ = old != nullptr;
    if (old) oldRuntime_ = old;
    setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    SetLogBaseDirectory(dir_.Path());
    ForgetLogFileNameForTest();
  }
  ~LogCapture() {
    ForgetLogFileNameForTest();
    SetLogBaseDirectory("");
    if (hadRuntime_) {
      setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything logged to the file so far; empty when nothing was.
  std::string Text() const {
    const std::string name = LogFileName();
    if (name.empty()) return std::string();
    std::ifstream in(name, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  bool hadRuntime_ = false;
  std::string oldRuntime_;
};
