#include "commandline/TerminalReport.h"

#include <cstdio>

#include "core/Log.h"
#include "core/LogJournal.h"

namespace {

// Every line here tells a failure: under the journal (LogToJournalIfConnected) it is an error.
void WriteLine(const String& line) {
  const String all = JournalPrefix(2) + ExecutableName() + ": " + BezSterujacych(line) + "\n";
  std::fwrite(all.data(), 1, all.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

String BezSterujacych(const String& s) {
  String out;
  out.reserve(s.size());
  char b[8];
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(b, sizeof b, "\\x%02x", unsigned{c});
      out += b;
    } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      std::snprintf(b, sizeof b, "\\u%04x", unsigned{static_cast<unsigned char>(s[++i])});
      out += b;
    } else {
      out += s[i];
    }
  }
  return out;
}

String TerminalSentence(const String& text) {
  const String bare = WithoutLocation(text);
  String out;
  size_t start = 0;
  while (start <= bare.size()) {
    size_t end = bare.find_first_of("\r\n", start);
    if (end == String::npos) end = bare.size();
    String line = bare.substr(start, end - start);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.pop_back();
    size_t lead = 0;
    while (lead < line.size() && static_cast<unsigned char>(line[lead]) <= ' ') ++lead;
    line.erase(0, lead);
    if (!line.empty()) out += (out.empty() ? "" : "; ") + line;
    start = end + 1;
  }
  return out;
}

void ReportToTerminal(const String& text, const String& advice) {
  Log(2, text, KG_WHERE);
  String sentence = TerminalSentence(text);
  if (!advice.empty()) sentence += "; " + advice;
  WriteLine(sentence);
}

int ReportFailure(const std::exception& e, const String& advice) {
  if (dynamic_cast<const UsageError*>(&e) != nullptr) {
    WriteLine(TerminalSentence(e.what()) + "; zobacz " + ExecutableName() + " --help");
    return 2;
  }
  ReportToTerminal(e.what(), advice);
  return 1;
}
