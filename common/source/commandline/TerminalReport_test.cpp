#include "commandline/TerminalReport.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "core/Log.h"
#include "support/LogCapture.h"
#include "support/Raised.h"

namespace {

// What is written to standard error while `f` runs.
template <class F>
String Stderr(F f) {
  std::fflush(stderr);
  std::FILE* file = std::tmpfile();
  const int saved = dup(STDERR_FILENO);
  dup2(fileno(file), STDERR_FILENO);
  f();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  String out;
  std::rewind(file);
  char b[512];
  for (size_t n; (n = std::fread(b, 1, sizeof b, file)) > 0;) out.append(b, n);
  std::fclose(file);
  return out;
}

TEST(TerminalReport, SentencesLoseTheSourceLocation) {
  struct Case {
    String text;
    const char* sentence;
  };
  const Case cases[] = {
      {MessageOf([] { KG_ERROR("nie mozna odczytac konfiguracji /x"); }), "nie mozna odczytac konfiguracji /x"},
      {MessageOf([] { KG_ASSERTION("n>Size()"); }), "n>Size()"},
      {"adres 1.2.3.4: Name or service not known in file \"Serwer.cpp\" line 62", "adres 1.2.3.4: Name or service not known"},
      {"pierwsza linia\r\n  druga linia  \n\n", "pierwsza linia; druga linia"},
      {"in file \"a\" is a plain text", "in file \"a\" is a plain text"},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminalSentence(c.text), c.sentence) << c.text;
}

TEST(TerminalReport, TheTerminalGetsTheSentenceAndTheLogTheWholeText) {
  LogCapture log;
  const String text = MessageOf([] { KG_ERROR("nie mozna sluchac na 1.2.3.4:5: Address already in use"); });
  const String err = Stderr([&] { ReportToTerminal(text, "zatrzymaj tamten proces albo podaj inny --listen"); });
  EXPECT_EQ(err, ExecutableName() + ": nie mozna sluchac na 1.2.3.4:5: Address already in use; "
                                    "zatrzymaj tamten proces albo podaj inny --listen\n");
  EXPECT_NE(log.Text().find(text), String::npos) << "the log keeps the location: " << log.Text();
}

TEST(TerminalReport, FailuresGiveTheirExitStatus) {
  LogCapture log;
  int status = 0;
  String err = Stderr([&] { status = ReportFailure(UsageError("nieznana opcja --x")); });
  EXPECT_EQ(status, 2);
  EXPECT_EQ(err, ExecutableName() + ": nieznana opcja --x; zobacz " + ExecutableName() + " --help\n");
  EXPECT_EQ(log.Text(), "") << "a bad command line is not logged";

  err = Stderr([&] { status = ReportFailure(Exception("zepsute in file \"a.cpp\" line 3"), "spróbuj znowu"); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err, ExecutableName() + ": zepsute; spróbuj znowu\n");
  EXPECT_NE(log.Text().find("zepsute in file \"a.cpp\" line 3"), String::npos);
}

}  // namespace

// Control characters from a server reach the terminal only as visible escapes.
TEST(TerminalReport, ControlCharactersAreEscaped) {
  const struct {
    String in;
    String out;
  } cases[] = {
      {"Dwójka \\ 100%", "Dwójka \\ 100%"},
      {"\x1b[2J\x1b]0;tytul\x07", "\\x1b[2J\\x1b]0;tytul\\x07"},
      {String("a\0b\r\n\t\x7f", 7), "a\\x00b\\x0d\\x0a\\x09\\x7f"},
      {"\xC2\x9B" "31m \xC2\xA0 \xC2", "\\u009b31m \xC2\xA0 \xC2"},
  };
  for (const auto& c : cases) EXPECT_EQ(BezSterujacych(c.in), c.out);
}
