#include "core/Log.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "core/LogJournal.h"
#include "core/UnikalnyDeskryptor.h"

namespace {

std::mutex nameLock;
String baseDirectory;  // empty: the current directory
String logFileName;

const char* LevelTag(int level) {
  switch (level) {
    case 0: return "debug\t";
    case 1: return "warning\t";
    case 2: return "error\t";
    case 3: return "info\t";
    default: return "";
  }
}

String TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value % 100);
  return text;
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  return local;
}

String FourDigitYear(const std::tm& t) { return TwoDigits((t.tm_year + 1900) / 100) + TwoDigits(t.tm_year + 1900); }

// Writes the whole line with one write call; false when the descriptor took none of it.
bool WriteAll(int fd, const String& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Opens the FIFO only when a reader holds it; a missing reader, a missing FIFO or a
// path that is not a FIFO give -1 at once.
int OpenPipe() {
  const String path = DebugPipePath();
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode)) return -1;
  return open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

// Why the log directory could not be made; empty when it was (under nameLock).
String directoryError;
std::atomic<bool> failureReported{false};

// Makes `path` with mode `mode`, and its missing parents with 0700 (a fresh account's
// ~/.config, for example, which is the user's own); the reason when it cannot.
String MakeDirectory(const String& path, mode_t mode) {
  for (size_t slash = path.find('/', 1); slash != String::npos; slash = path.find('/', slash + 1)) {
    const String parent = path.substr(0, slash);
    if (mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) {
      return "nie można utworzyć katalogu \"" + parent + "\": " + std::strerror(errno);
    }
  }
  if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
    return "nie można utworzyć katalogu \"" + path + "\": " + std::strerror(errno);
  }
  return String();
}

// A log that cannot be written is said once on standard error, lest the program run
// without one and nobody know why.
void ReportFailure(const String& reason) {
  if (failureReported.exchange(true)) return;
  const String line = ExecutableName() + ": dziennik nie będzie zapisywany: " + reason + "\n";
  WriteAll(STDERR_FILENO, line);
}

String ComputeFileName() {
  const String base = baseDirectory.empty() ? String(".") : baseDirectory;
  const String directory = base + "/log";
  directoryError = MakeDirectory(base, 0777);
  if (directoryError.empty()) directoryError = MakeDirectory(directory, 0777);
  const std::tm t = LocalNow();
  return directory + "/" + ExecutableName() + "-" + FourDigitYear(t) + "-" + TwoDigits(t.tm_mon + 1) + "-" +
         TwoDigits(t.tm_mday) + " " + TwoDigits(t.tm_hour) + TwoDigits(t.tm_min) + TwoDigits(t.tm_sec) + "-[" +
         std::to_string(getpid()) + "].log";
}

}  // namespace

String ExecutableName() { return program_invocation_short_name; }

String Where(const char* source, int line) {
  const char* slash = std::strrchr(source, '/');
  return String("(") + (slash ? slash + 1 : source) + ", line " + std::to_string(line) + ")";
}

void SetLogBaseDirectory(const String& directory) {
  std::lock_guard<std::mutex> lock(nameLock);
  baseDirectory = directory;
}

void ForgetLogFileNameForTest() {
  std::lock_guard<std::mutex> lock(nameLock);
  logFileName.clear();
  directoryError.clear();
  failureReported = false;
}

String LogFileName() {
  std::lock_guard<std::mutex> lock(nameLock);
  return logFileName;
}

String DebugPipePath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const String directory = (runtime && *runtime) ? runtime : "/tmp";
  return directory + "/debug_pipe";
}

bool DebugMarker() {
  static const bool marker = access(".debug", F_OK) == 0;
  return marker;
}

void Log(int level, const String& message, const String& where) {
  try {
    if (const String priority = JournalPrefix(level); !priority.empty()) {
      // One journal entry a line: line breaks inside the message become spaces.
      String line = priority + message + " " + where;
      for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
      }
      line.push_back('\n');
      WriteAll(STDERR_FILENO, line);
    }
    const String body = String(LevelTag(level)) + ExecutableName() + "\t" + message + "\t\t\t" + where;
    const UnikalnyDeskryptor pipe(OpenPipe());
    if (pipe) {
      // One message with its terminating zero byte; a full FIFO loses the line.
      String bytes = body;
      bytes.push_back('\0');
      WriteAll(pipe.Get(), bytes);
      return;
    }
    String name;
    String notMade;
    {
      std::lock_guard<std::mutex> lock(nameLock);
      if (logFileName.empty()) logFileName = ComputeFileName();
      name = logFileName;
      notMade = directoryError;
    }
    const std::tm t = LocalNow();
    const String line = "[" + FourDigitYear(t) + "/" + TwoDigits(t.tm_mon + 1) + "/" + TwoDigits(t.tm_mday) + " " +
                        TwoDigits(t.tm_hour) + ":" + TwoDigits(t.tm_min) + ":" + TwoDigits(t.tm_sec) + "] " + body +
                        "\r\n";
    const UnikalnyDeskryptor fd(open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (!fd) {
      const int error = errno;
      ReportFailure(!notMade.empty() ? notMade : "nie można otworzyć \"" + name + "\": " + std::strerror(error));
      return;
    }
    WriteAll(fd.Get(), line);
  } catch (...) {
    // Logging must never fail its caller: the line is lost.
  }
}
