#include "core/Mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Log.h"

namespace {

// A directory of this user's that nobody else may write to: only then can nobody else
// put a file where this user's lock files go.
bool OwnPrivateDirectory(const struct stat& info) {
  return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

[[noreturn]] void Refuse(const String& path, const String& reason) {
  KG_ERROR("blokada \"" + path + "\": " + reason);
}

}  // namespace

String Mutex::Directory() {
  struct stat info {};
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &info) == 0 && OwnPrivateDirectory(info)) {
    return runtime;
  }
  const String base = (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode)) ? "/dev/shm" : "/tmp";
  const String dir = base + "/korwendo-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) Refuse(dir, SystemErrorText(errno));
  // lstat: a symbolic link planted under that name by someone else is refused too.
  if (lstat(dir.c_str(), &info) != 0) Refuse(dir, SystemErrorText(errno));
  if (!OwnPrivateDirectory(info)) Refuse(dir, "katalog nie należy wyłącznie do tego użytkownika");
  return dir;
}

Mutex::Mutex(const String& name) {
  String safe;
  for (char c : name) safe += (c == '/' || c == '\0') ? '_' : c;
  path_ = Directory() + "/korwendo-mutex-" + safe;
  handle_.Reset(open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!handle_) Refuse(path_, SystemErrorText(errno));
  struct stat info {};
  if (fstat(handle_.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
    handle_.Reset();
    Refuse(path_, "plik nie należy do tego użytkownika");
  }
}

Mutex::~Mutex() = default;

bool Mutex::Wait(std::chrono::milliseconds limit) {
  const auto start = std::chrono::steady_clock::now();
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (flock(handle_.Get(), LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) KG_SYSCHECK(false);
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited >= limit) {
      Log(1,
          "blokada \"" + path_ + "\" zajęta przez inny proces od " +
              std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()) + " ms",
          KG_WHERE);
      return false;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, limit - waited));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

void Mutex::Release() { KG_SYSCHECK(flock(handle_.Get(), LOCK_UN) == 0); }
