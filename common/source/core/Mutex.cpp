#include "Mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Exception.h"

namespace {

String LockPath(const String& name) {
  String safe;
  for (char c : name) safe += (c == '/' || c == '\0') ? '_' : c;
  struct stat info {};
  const String dir = (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode)) ? "/dev/shm" : "/tmp";
  return dir + "/korwendo-mutex-" + safe;
}

}  // namespace

void Waitable::Wait() {
  int result;
  do {
    result = flock(GetHandle(), LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) KG_ASSERTION("WaitForSingleObject(GetHandle(),INFINITE)!=WAIT_OBJECT_0");
}

Mutex::Mutex(const String& name) {
  handle_ = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  KG_SYSCHECK(handle_ >= 0);
}

Mutex::~Mutex() {
  if (handle_ >= 0) close(handle_);
}

void Mutex::Release() { KG_SYSCHECK(flock(handle_, LOCK_UN) == 0); }
