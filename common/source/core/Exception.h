#pragma once
// The one exception type of the program, and the three ways its messages are formed.
// Thread-safe: all of it is plain functions on values.
#include <exception>

#include "core/String.h"

class Exception : public std::exception {
 public:
  explicit Exception(String message) : message_(std::move(message)) {}
  const String& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  String message_;
};

// " in file \"<base name of file>\" line <line>".
String LocationSuffix(const char* file, int line);
// `text` without the location suffixes the raising functions below append: what a person
// reads (a status line, a terminal) gets the sentence, the log keeps the whole text.
String WithoutLocation(const String& text);

// Condition text, the suffix, the suffix again.
[[noreturn]] void RaiseAssertion(const char* condition, const char* file, int line);
// Explicit error: the text and the suffix once.
[[noreturn]] void RaiseError(const String& text, const char* file, int line);
// Failed system call: SystemErrorText(code), the suffix, the suffix again.
[[noreturn]] void RaiseSystemError(int code, const char* file, int line);

// Raises the assertion form when `cond` is false, with the condition's own text.
#define KG_ASSERT(cond) \
  do { if (!(cond)) ::RaiseAssertion(#cond, __FILE__, __LINE__); } while (0)
// Raises the assertion form carrying `text` (the condition whose truth is the failure,
// for example "n>Size()").
#define KG_ASSERTION(text) ::RaiseAssertion((text), __FILE__, __LINE__)
// Raises an explicit error.
#define KG_ERROR(text) ::RaiseError((text), __FILE__, __LINE__)
// Raises the system error form for errno.
#define KG_RAISE_LAST_SYSTEM_ERROR() ::RaiseSystemError(errno, __FILE__, __LINE__)
// Raises the system error form for errno when `ok` is false.
#define KG_SYSCHECK(ok) \
  do { if (!(ok)) ::RaiseSystemError(errno, __FILE__, __LINE__); } while (0)
