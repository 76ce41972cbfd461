#include "core/LogJournal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> toJournal = false;

}  // namespace

bool LogToJournalIfConnected() {
  // JOURNAL_STREAM is "device:inode" of the stream systemd connected.
  const char* stream = std::getenv("JOURNAL_STREAM");
  struct stat st {};
  unsigned long long device = 0, inode = 0;
  const bool connected = stream && std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 &&
                         fstat(STDERR_FILENO, &st) == 0 && static_cast<unsigned long long>(st.st_dev) == device &&
                         static_cast<unsigned long long>(st.st_ino) == inode;
  toJournal = connected;
  return connected;
}

String JournalPrefix(int level) {
  if (!toJournal) return String();
  switch (level) {
    case 0: return "<7>";
    case 1: return "<4>";
    case 2: return "<3>";
    default: return "<6>";
  }
}
