#pragma once
// The log's lines for systemd's journal, which reads the priority of each line of standard
// error from a "<N>" prefix. A service asks for it once at start (LogToJournalIfConnected);
// from then on Log also writes every line to standard error with its priority. Any thread
// may call JournalPrefix; LogToJournalIfConnected runs before the program's threads log.
#include "core/String.h"

// When JOURNAL_STREAM names this process's standard error (a service whose output systemd
// sends to the journal), every later log line is also written there, prefixed by its
// level (errors <3>, warnings <4>, info <6>, debug <7>), and true is returned; otherwise
// nothing changes (a child whose standard error was redirected inherits the variable but
// not the stream).
bool LogToJournalIfConnected();

// The prefix of a line at `level` (as Log takes it) written to standard error: empty
// unless LogToJournalIfConnected found the journal.
String JournalPrefix(int level);
