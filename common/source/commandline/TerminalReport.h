#pragma once
// What a person reads on the terminal when a program fails: one line, "program: what is
// wrong; what to do", never the source file and line that the program's exceptions carry
// (those go to the log, with the whole text). Every executable reports through these.
// Thread-safe: each report is one write to standard error and one log line.
#include <exception>

#include "core/Exception.h"
#include "core/String.h"

// A bad command line: an unknown option, a missing or wrong value. Its text is for the
// person who typed it.
class UsageError : public Exception {
 public:
  using Exception::Exception;
};

// `s` safe to print on a terminal: every control character (C0, DEL, and C1 written in
// UTF-8) becomes "\x" and two hexadecimal digits (a C1 one "\u" and four), so that texts
// from a server cannot move the cursor, change colours or send the terminal commands;
// all else, backslashes included, is left as it is. Every report below is written so.
String BezSterujacych(const String& s);

// `text` without the location suffixes that the raising macros append (" in file \"X\"
// line N", once or twice), its lines joined by "; ", blanks trimmed.
String TerminalSentence(const String& text);

// Logs `text` whole at the error level, then writes "<program>: " + TerminalSentence(text),
// "; " + `advice` when there is one, and a newline to standard error. The program's name
// is the one it was started as.
void ReportToTerminal(const String& text, const String& advice = {});

// Reports the exception that ended a program and returns its exit status: 2 for a
// UsageError, written with "; zobacz <program> --help" and not logged (the log's place may
// not be known yet, and nothing is hidden from the terminal); 1 for any other, through
// ReportToTerminal with `advice`.
int ReportFailure(const std::exception& e, const String& advice = {});
