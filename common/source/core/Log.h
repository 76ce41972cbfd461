#pragma once
// The log writer. Each line is appended whole, in one write, to a dated per-process file
// in the directory log/ under the log base directory (made with its missing parents), or,
// while a viewer holds the debug FIFO open for reading, to that FIFO instead. Log never
// blocks on the FIFO and never raises; when the file cannot be made it says so once on
// standard error, with the reason, and the lines are lost. Any thread may log.
#include "core/String.h"

// Levels: 0 "debug", 1 "warning", 2 "error", 3 "info".
void Log(int level, const String& message, const String& where);

// "(" + base name of source + ", line " + line + ")".
String Where(const char* source, int line);
#define KG_WHERE ::Where(__FILE__, __LINE__)

// The directory under which log/ is made; the current directory unless a program names
// another before its first line.
void SetLogBaseDirectory(const String& directory);

// The log file's path; empty until the first line went to a file.
String LogFileName();

// The debug FIFO: "debug_pipe" in $XDG_RUNTIME_DIR, else in /tmp.
String DebugPipePath();

// True when a file ".debug" existed in the current directory at the first call.
bool DebugMarker();

// The executable's file name, as log lines and file names carry it.
String ExecutableName();

// For tests: forgets the file name, so that the next file line computes it again, and
// whether a failure was reported.
void ForgetLogFileNameForTest();
