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
  UnikalnyDeskryptor fd;
  do {
    fd.Reset(::open(name_.c_str(), flags, 0666));
  } while (!fd && errno == EINTR);
  if (!fd) return;
  // Reading a directory as a file would only fail later, at the first read.
  struct stat st;
  if (fstat(fd.Get(), &st) == 0 && S_ISDIR(st.st_mode)) {
    fd.Reset();
    errno = EISDIR;
    return;
  }
  fd_ = std::move(fd);
}

void Plik::open(int mode, int how) {
  KG_TRACE("Plik::open(int,int)");
  open2(mode, how);
  if (!fd_) RaiseOpenError(errno, __FILE__, __LINE__);
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
  return !fd_;
}

int Plik::Read(void* p, int n) {
  KG_TRACE("Plik::Read(void*,int)");
  KG_ASSERT(n >= 0);
  char* to = static_cast<char*>(p);
  int done = 0;
  // A regular file gives everything asked up to its end; a pipe or a device may give less
  // per call, so keep asking until the end.
  while (done < n) {
    const ssize_t r = ::read(fd_.Get(), to + done, static_cast<size_t>(n - done));
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
  KG_TRACE("Plik::Write(const void* p, int n)");
  KG_ASSERT(n >= 0);
  ssize_t r;
  do {
    r = ::write(fd_.Get(), p, static_cast<size_t>(n));
  } while (r < 0 && errno == EINTR);
  if (r < 0) KG_RAISE_LAST_SYSTEM_ERROR();
  if (int(r) != n) KG_ASSERTION("int(r)!=n");
}

void Plik::Seek(std::int64_t pos) {
  KG_TRACE("Plik::Seek(std::int64_t pos)");
  const off_t reached = ::lseek(fd_.Get(), static_cast<off_t>(pos), SEEK_SET);
  if (reached < 0) KG_RAISE_LAST_SYSTEM_ERROR();
  KG_ASSERT(reached == pos);
}

std::int64_t Plik::Tell() {
  KG_TRACE("Plik::Tell()");
  const off_t at = ::lseek(fd_.Get(), 0, SEEK_CUR);
  if (at < 0) KG_RAISE_LAST_SYSTEM_ERROR();
  return at;
}

std::int64_t Plik::Size() {
  KG_TRACE("Plik::Size()");
  struct stat st;
  if (fd_) {
    if (fstat(fd_.Get(), &st) != 0) KG_RAISE_LAST_SYSTEM_ERROR();
    return st.st_size;
  }
  open(BezDostepu, OtworzIstniejacy);
  const int failed = fstat(fd_.Get(), &st) != 0 ? errno : 0;
  CloseQuietly();
  if (failed != 0) RaiseSystemError(failed, __FILE__, __LINE__);
  return st.st_size;
}

void Plik::Close() {
  KG_TRACE("Plik::Close()");
  // The descriptor is gone whatever close answers, so it is never closed twice; EINTR
  // does not mean that data was lost.
  if (const int blad = fd_.Close(); blad != 0) RaiseSystemError(blad, __FILE__, __LINE__);
}

void Plik::CloseQuietly() {
  fd_.Reset();
}

void Plik::Writeln(const String& s) {
  KG_TRACE("Plik::Writeln(const String& s)");
  KG_ASSERT(s.size() <= 2147483645u);
  String line;
  line.reserve(s.size() + 2);
  line += s;
  line += "\r\n";
  // One write, so that a line shared with other writers of the file is never split.
  Write(line.data(), static_cast<int>(line.size()));
}

void Plik::WriteIniValue(const String& Name, const String& Value) {
  KG_TRACE("Plik::WriteIniValue(const String& Name, const String& Value)");
  Writeln(Name + "=" + Value);
}

CalyPlik CzytajCalyPlik(const String& sciezka, std::int64_t maks, bool tylkoZwykly) {
  KG_TRACE("CzytajCalyPlik(const String& sciezka, int64_t maks, bool tylkoZwykly)");
  CalyPlik w;
  const auto koniec = [&w](CalyPlik::Stan s, int blad) {
    w.stan = s;
    w.blad = blad;
    if (s != CalyPlik::Nieczytelny) w.bajty.clear();
    return std::move(w);
  };
  UnikalnyDeskryptor fd;
  do {
    fd.Reset(::open(sciezka.c_str(), O_RDONLY | O_CLOEXEC | (tylkoZwykly ? O_NONBLOCK : 0)));
  } while (!fd && errno == EINTR);
  if (!fd) return koniec(CalyPlik::Brak, errno);
  struct stat st{};
  if (fstat(fd.Get(), &st) != 0) return koniec(CalyPlik::Nieczytelny, errno);
  if (S_ISDIR(st.st_mode)) return koniec(CalyPlik::Katalog, EISDIR);
  if (tylkoZwykly && !S_ISREG(st.st_mode)) return koniec(CalyPlik::NieZwykly, 0);
  if (S_ISREG(st.st_mode)) {
    if (st.st_size > maks) return koniec(CalyPlik::ZaDuzy, 0);
    w.bajty.reserve(static_cast<size_t>(st.st_size));
  }
  // A file that grows while it is read is read on to its end then, within `maks`.
  char bufor[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), bufor, sizeof bufor);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return koniec(CalyPlik::Nieczytelny, errno);
    }
    if (static_cast<std::int64_t>(w.bajty.size()) > maks - n) return koniec(CalyPlik::ZaDuzy, 0);
    w.bajty.append(bufor, static_cast<size_t>(n));
  }
  return w;
}
