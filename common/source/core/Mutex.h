#pragma once
// A named lock shared by the programs of one user: any two Mutex objects made with the
// same name, in any threads or processes of that user, exclude each other; another user's
// programs never see it. It is an exclusive flock on a file in the user's own directory,
// so the system releases it when its holder dies. Unlike a recursive lock, a thread that
// waits twice through two objects of one name waits for itself (until its limit).
//
// The directory is $XDG_RUNTIME_DIR when that is an absolute path to a directory owned by
// the user that no one else may write to; else "korwendo-<uid>" under /dev/shm (or the
// temporary directory), made with mode 0700 and refused unless it is the user's own
// directory that no one else may write to. The file, "korwendo-mutex-<name>", is made
// with mode 0600, never followed through a symbolic link, and refused unless it is a
// regular file of the user's.
//
// One Mutex object belongs to one thread at a time.
#include <chrono>

#include "core/String.h"
#include "core/UnikalnyDeskryptor.h"

class Mutex {
 public:
  // Opens (making when needed) the file of `name`. Raises the path and the reason when the
  // directory or the file cannot be made or opened, or is not the user's own.
  explicit Mutex(const String& name);
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  ~Mutex();

  // Takes the lock, waiting at most `limit` for another holder to release it. False, with
  // a log line naming the lock and the time waited, when the holder kept it that long.
  bool Wait(std::chrono::milliseconds limit);
  void Release();
  // The lock file's path.
  const String& Path() const { return path_; }

  // The directory the lock files of this user are in (made when needed); raises as the
  // constructor does.
  static String Directory();

 private:
  String path_;
  UnikalnyDeskryptor handle_;
};
