#pragma once
// What a call raised, in the forms tests compare: the whole message, the message without
// its location suffixes, or the message with each suffix written as "@".
#include "core/Exception.h"

// The message `f` raised; "(nothing raised)" when it raised none.
template <class F>
String MessageOf(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

// The message without its location suffix(es).
inline String Text(const String& message) { return message.substr(0, message.find(" in file ")); }

// The message `body` raised, each location suffix (` in file "<name>" line <n>`) written
// as "@": the assertion form reads "cond@@", the explicit error "text@".
template <class F>
String Raised(F body) {
  String m = MessageOf(body);
  for (size_t at; (at = m.find(" in file \"")) != String::npos;) {
    size_t end = m.find(" line ", m.find('"', at + 10)) + 6;
    while (end < m.size() && m[end] >= '0' && m[end] <= '9') ++end;
    m.replace(at, end - at, "@");
  }
  return m;
}
