#include "core/Exception.h"

#include <cstring>
#include <regex>

#include "core/ErrorText.h"

String LocationSuffix(const char* file, int line) {
  const char* slash = std::strrchr(file, '/');
  const char* base = slash ? slash + 1 : file;
  return String(" in file \"") + base + "\" line " + std::to_string(line);
}

String WithoutLocation(const String& text) {
  static const std::regex location(R"( in file "[^"\n]*" line [0-9]+)");
  return std::regex_replace(text, location, "");
}

void RaiseAssertion(const char* condition, const char* file, int line) {
  const String suffix = LocationSuffix(file, line);
  throw Exception(String(condition) + suffix + suffix);
}

void RaiseError(const String& text, const char* file, int line) {
  throw Exception(text + LocationSuffix(file, line));
}

void RaiseSystemError(int code, const char* file, int line) {
  const String suffix = LocationSuffix(file, line);
  throw Exception(SystemErrorText(code) + suffix + suffix);
}
