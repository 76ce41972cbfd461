#include "core/Parser.h"

#include <utility>

#include "core/CallTrace.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

Parser::Parser(String s) : s_(std::move(s)) {}

String Parser::Getto(char c) {
  KG_TRACE("Parser::Getto(char)");
  size_t i = 0;
  while (i < s_.size() && s_[i] == c) ++i;
  size_t j = i;
  while (j < s_.size() && s_[j] != c) ++j;
  String token = s_.substr(i, j - i);
  size_t end = s_.size();
  while (j < end && IsBlank(s_[j])) ++j;
  while (end > j && IsBlank(s_[end - 1])) --end;
  s_ = s_.substr(j, end - j);
  return token;
}

String Parser::Getword() {
  KG_TRACE("Parser::Getword()");
  return Getto(' ');
}

Parser& Parser::operator>>(String& i) {
  KG_TRACE("Parser::operator>>(String&)");
  i = Getword();
  return *this;
}

String Parser::GetRest() {
  KG_TRACE("Parser::GetRest()");
  return std::exchange(s_, String());
}
