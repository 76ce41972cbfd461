#include "core/Plik.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Exception.h"

Plik::Plik(String n) : name_(std::move(n)) {}

Plik::~Plik() { CloseQuietly(); }

void Plik::RaiseOpenError(int error, const char* file, int line) const {
  RaiseError(SystemErrorText(error) + "\"" + name_ + "\"", file, line);
}

void Plik::open2(int mode, int how) {
  KG_TRACE("Plik::open2(int,int)");
  CloseQuietly();
  int flags = O_CLOEXEC;
  const bool reads = (mode & Odczyt) != 0;
  const bool writes = (mode & Zapis) != 0;
  if (reads && writes) {
    flags |= O_RDWR;
  } else if (writes) {
    flags |= O_WRONLY;
  } else if (reads || how != OtworzIstniejacy) {
    flags |= O_RDONLY;
  } else {
    // No access rights: a descriptor that can be asked about the file and nothing else,
    // which needs no read permission.
    flags |= O_PATH;
  }
  switch (how) {
    case UtworzZawsze: flags |= O_CREAT | O_TRUNC; break;
    case OtworzZawsze: flags |= O_CREAT; break;
    case OtworzIstniejacy: break;
    default: errno = EINVAL; return;
  }
  int fd;
  do {
    fd = ::open(name_.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return;
  // Reading a directory as a file would only fail later, at the first read.
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return;
  }
  fd_ = fd;
}

void Plik::open(int mode, int how) {
  KG_TRACE("Plik::open(int,int)");
  open2(mode, how);
  if (fd_ < 0) RaiseOpenError(errno, __FILE__, __LINE__);
}

void Plik::Create() {
  KG_TRACE("Plik::Create()");
  open(Zapis, UtworzZawsze);
}

void Plik::Append() {
  KG_TRACE("Plik::Append()");
  open(Odczyt | Zapis, OtworzZawsze);
  Seek(Size());
}

bool Plik::ReadTry() {
  KG_TRACE("Plik::ReadTry()");
  open2(Odczyt, OtworzIstniejacy);
  return fd_ < 0;
}

int Plik::Read(void* p, int n) {
  KG_TRACE("Plik::Read(void*,int)");
  KG_ASSERT(n >= 0);
  char* to = static_cast<char*>(p);
  int done = 0;
  // A regular file gives everything asked up to its end; a pipe or a device may give less
  // per call, so keep asking until the end.
  while (done < n) {
    const ssize_t r = ::read(fd_, to + done, static_cast<size_t>(n - done));
    if (r < 0) {
      if (errno == EINTR) continue;
      KG_RAISE_LAST_SYSTEM_ERROR();
    }
    if (r == 0) break;
    done += static_cast<int>(r);
  }
  return done;
}

void Plik::Write(const void* p, int n) {
  KG_TRACE("Plik::Write(void*,int)");
  KG_ASSERT(n >= 0);
  ssize_t r;
  do {
    r = ::write(fd_, p, static_cast<size_t>(n));
  } while (r < 0 && errno == EINTR);
  if (r < 0) KG_RAISE_LAST_SYSTEM_ERROR();
  if (int(r) != n) KG_ASSERTION("int(r)!=n");
}

void Plik::Seek(std::int64_t pos) {
  KG_TRACE("Plik::Seek(__int64)");
  const off_t reached = ::lseek(fd_, static_cast<off_t>(pos), SEEK_SET);
  if (reached < 0) KG_RAISE_LAST_SYSTEM_ERROR();
  KG_ASSERT(reached == pos);
}

std::int64_t Plik::Tell() {
  KG_TRACE("Plik::Tell()");
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  if (at < 0) KG_RAISE_LAST_SYSTEM_ERROR();
  return at;
}

std::int64_t Plik::Size() {
  KG_TRACE("Plik::Size()");
  struct stat st;
  if (fd_ >= 0) {
    if (fstat(fd_, &st) != 0) KG_RAISE_LAST_SYSTEM_ERROR();
    return st.st_size;
  }
  open(BezDostepu, OtworzIstniejacy);
  const int failed = fstat(fd_, &st) != 0 ? errno : 0;
  CloseQuietly();
  if (failed != 0) RaiseSystemError(failed, __FILE__, __LINE__);
  return st.st_size;
}

void Plik::Close() {
  KG_TRACE("Plik::Close()");
  if (fd_ < 0) return;
  const int fd = std::exchange(fd_, -1);
  // The descriptor is gone whatever close answers, so it is never closed twice; EINTR
  // does not mean that data was lost.
  if (::close(fd) != 0 && errno != EINTR) KG_RAISE_LAST_SYSTEM_ERROR();
}

void Plik::CloseQuietly() {
  if (fd_ < 0) return;
  ::close(std::exchange(fd_, -1));
}

void Plik::Writeln(const String& s) {
  KG_TRACE("Plik::Writeln(String)");
  KG_ASSERT(s.size() <= 2147483645u);
  String line;
  line.reserve(s.size() + 2);
  line += s;
  line += "\r\n";
  // One write, so that a line shared with other writers of the file is never split.
  Write(line.data(), static_cast<int>(line.size()));
}

void Plik::WriteIniValue(const String& Name, const String& Value) {
  KG_TRACE("Plik::WriteIniValue(String,String)");
  Writeln(Name + "=" + Value);
}
