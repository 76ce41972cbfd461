#include "core/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "support/LogCapture.h"

TEST(Log, FirstLineMakesOneDatedFileAndLaterLinesAppend) {
  LogCapture capture;
  EXPECT_EQ(LogFileName(), "");
  Log(2, "m", "(f, line 7)");
  const String name = LogFileName();
  const String expectedStart = capture.Dir().Path() + "/log/" + ExecutableName() + "-";
  ASSERT_EQ(name.rfind(expectedStart, 0), 0u) << name;
  EXPECT_TRUE(std::regex_search(name, std::regex(R"(-\d{4}-\d\d-\d\d \d{6}-\[)" + std::to_string(getpid()) + R"(\]\.log$)")))
      << name;

  Log(0, "second", "(g, line 1)");
  Log(7, "untagged", "(h, line 2)");
  EXPECT_EQ(LogFileName(), name);

  const String stamp = R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\] )";
  const String exe = ExecutableName();
  EXPECT_TRUE(std::regex_match(capture.Text(),
                               std::regex(stamp + "error\t" + exe + "\tm\t\t\t\\(f, line 7\\)\r\n" +   //
                                          stamp + "debug\t" + exe + "\tsecond\t\t\t\\(g, line 1\\)\r\n" +  //
                                          stamp + exe + "\tuntagged\t\t\t\\(h, line 2\\)\r\n")))
      << capture.Text();
}

TEST(Log, LevelTags) {
  LogCapture capture;
  for (int level = 0; level <= 3; ++level) Log(level, "x", "()");
  const String text = capture.Text();
  for (const char* tag : {"] debug\t", "] warning\t", "] error\t", "] info\t"}) {
    EXPECT_NE(text.find(tag), String::npos) << tag;
  }
}

TEST(Log, LinesGoToTheFifoWhileAReaderHoldsIt) {
  LogCapture capture;
  const String fifo = DebugPipePath();
  ASSERT_EQ(fifo, capture.Dir() / "debug_pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);

  Log(1, "to the viewer", "(v, line 3)");
  char buffer[256] = {};
  const ssize_t n = read(reader, buffer, sizeof buffer);
  const String expected = "warning\t" + ExecutableName() + "\tto the viewer\t\t\t(v, line 3)" + String(1, '\0');
  EXPECT_EQ(String(buffer, n > 0 ? n : 0), expected);
  EXPECT_EQ(LogFileName(), "") << "no file while the viewer listens";
  EXPECT_FALSE(std::filesystem::exists(capture.Dir() / "log"));

  // A viewer that stops reading must not block the program: a full FIFO loses lines.
  const String big(4000, 'x');
  for (int i = 0; i < 100; ++i) Log(0, big, "(v, line 4)");

  close(reader);
  Log(0, "after the viewer left", "(v, line 5)");
  EXPECT_NE(capture.Text().find("after the viewer left"), String::npos);
}

// A settings directory whose parents do not exist yet (a fresh account without
// ~/.config) gets them, private to the user.
TEST(Log, MakesTheMissingParentsOfTheBaseDirectory) {
  LogCapture capture;
  const String fresh = capture.Dir() / "home/.config";
  SetLogBaseDirectory(fresh + "/KorwendoGra");
  Log(2, "kept", "(x, line 1)");
  EXPECT_EQ(LogFileName().rfind(fresh + "/KorwendoGra/log/", 0), 0u) << LogFileName();
  EXPECT_TRUE(std::filesystem::exists(LogFileName()));
  struct stat info {};
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// A log that cannot be written loses its lines, and says why once on standard error.
TEST(Log, UnwritableDirectoryIsReportedOnceOnStandardError) {
  LogCapture capture;
  SetLogBaseDirectory("/proc/no-such-place");
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(Log(2, "lost", "(x, line 1)"));
  EXPECT_NO_THROW(Log(2, "lost again", "(x, line 2)"));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, ExecutableName() +
                      ": dziennik nie będzie zapisywany: nie można utworzyć katalogu \"/proc/no-such-place\": "
                      "No such file or directory\n");
}

TEST(Log, WhereUsesTheBaseName) {
  EXPECT_EQ(Where("/src/a/Czas.cpp", 12), "(Czas.cpp, line 12)");
  EXPECT_EQ(Where("Plik.cpp", 7), "(Plik.cpp, line 7)");
}
