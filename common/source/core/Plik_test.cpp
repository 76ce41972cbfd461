#include "core/Plik.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "support/TempDir.h"

namespace {

String Contents(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

template <class F>
String MessageOf(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

bool StartsWith(const String& s, const String& prefix) { return s.rfind(prefix, 0) == 0; }

const String kAt = " in file \"Plik.cpp\" line ";

}  // namespace

TEST(Plik, WritesReadsAndSizesAClosedFile) {
  TempDir dir;
  Plik plik(dir / "f.bin");
  plik.Create();
  plik.Write("hello", 5);
  plik.Writeln("");
  plik.WriteIniValue("a", "b");
  EXPECT_EQ(plik.Tell(), 12);
  plik.Close();
  plik.Close();  // closing a closed file does nothing
  EXPECT_EQ(Contents(dir / "f.bin"), "hello\r\na=b\r\n");
  EXPECT_EQ(plik.Size(), 12);
  EXPECT_FALSE(plik.IsOpen());

  ASSERT_FALSE(plik.ReadTry());
  char buffer[16] = {};
  plik.Seek(7);
  EXPECT_EQ(plik.Read(buffer, 16), 5);
  EXPECT_EQ(String(buffer, 5), "a=b\r\n");
  EXPECT_EQ(plik.Read(buffer, 16), 0);  // end of file
}

TEST(Plik, CreateTruncatesAnExistingFile) {
  TempDir dir;
  std::ofstream(dir / "f") << "old contents";
  Plik plik(dir / "f");
  plik.Create();
  EXPECT_EQ(plik.Size(), 0);
  plik.Writeln("new");
  plik.Close();
  EXPECT_EQ(Contents(dir / "f"), "new\r\n");
}

TEST(Plik, AppendCreatesAMissingFileAndWritesAtTheEnd) {
  TempDir dir;
  Plik plik(dir / "log.txt");
  plik.Append();
  EXPECT_EQ(plik.Tell(), 0);
  EXPECT_EQ(plik.Size(), 0);
  plik.Writeln("one");
  plik.Close();

  plik.Append();
  EXPECT_EQ(plik.Tell(), 5);
  plik.Writeln("two");
  plik.Close();
  EXPECT_EQ(Contents(dir / "log.txt"), "one\r\ntwo\r\n");
}

TEST(Plik, ReadTryOnAMissingFileFailsQuietlyAndLaterReadsRaise) {
  TempDir dir;
  Plik plik(dir / "missing");
  EXPECT_TRUE(plik.ReadTry());
  EXPECT_FALSE(plik.IsOpen());
  char c;
  EXPECT_EQ(MessageOf([&] { plik.Read(&c, 1); }).rfind(SystemErrorText(EBADF) + kAt, 0), 0u);
}

TEST(Plik, ADirectoryIsNotAFile) {
  TempDir dir;
  Plik plik(dir.Path());
  EXPECT_TRUE(plik.ReadTry());
  EXPECT_TRUE(StartsWith(MessageOf([&] { plik.Create(); }),
                         SystemErrorText(EISDIR) + "\"" + dir.Path() + "\"" + kAt));
}

TEST(Plik, OpenErrorsCarryTheSystemTextAndTheQuotedName) {
  TempDir dir;
  const String name = dir / "no/such/dir/f";
  const String expected = SystemErrorText(ENOENT) + "\"" + name + "\"" + kAt;
  Plik plik(name);
  const String messages[] = {
      MessageOf([&] { plik.Create(); }),
      MessageOf([&] { plik.Append(); }),
      MessageOf([&] { plik.Size(); }),
      MessageOf([&] { plik.open(Plik::Odczyt, Plik::OtworzIstniejacy); }),
  };
  for (const String& message : messages) {
    EXPECT_TRUE(StartsWith(message, expected)) << message;
    // An explicit error: the location suffix once.
    EXPECT_EQ(message.find(kAt), message.rfind(kAt)) << message;
  }
  plik.open2(Plik::Odczyt, Plik::OtworzIstniejacy);  // never raises
  EXPECT_FALSE(plik.IsOpen());
}

TEST(Plik, SizeOfAClosedFileNeedsNoReadPermission) {
  TempDir dir;
  std::ofstream(dir / "secret") << "12345";
  ASSERT_EQ(chmod((dir / "secret").c_str(), 0), 0);
  Plik plik(dir / "secret");
  EXPECT_EQ(plik.Size(), 5);
  EXPECT_FALSE(plik.IsOpen());
}

TEST(Plik, SizesAndPositionsAre64Bit) {
  TempDir dir;
  Plik plik(dir / "sparse");
  plik.Create();
  const std::int64_t far = (std::int64_t{5} << 30) + 3;  // beyond 4 GiB: a sparse file
  plik.Seek(far);
  EXPECT_EQ(plik.Tell(), far);
  plik.Write("x", 1);
  EXPECT_EQ(plik.Size(), far + 1);
  plik.Close();
  EXPECT_EQ(plik.Size(), far + 1);
}

TEST(Plik, FailedWriteRaisesTheSystemText) {
  Plik plik("/dev/full");
  plik.open(Plik::Zapis, Plik::OtworzIstniejacy);
  EXPECT_EQ(MessageOf([&] { plik.Write("abc", 3); }).rfind(SystemErrorText(ENOSPC) + kAt, 0),
            0u);
}

TEST(Plik, ShortWriteRaisesAnAssertion) {
  TempDir dir;
  Plik plik(dir / "limited");
  plik.Create();
  // A file size limit of 4 bytes makes the system take only 4 of 10 bytes.
  rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = 4;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const String message = MessageOf([&] { plik.Write("0123456789", 10); });
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(StartsWith(message, "int(r)!=n" + kAt)) << message;
  EXPECT_NE(message.find(kAt), message.rfind(kAt)) << "assertion form: suffix twice";
}
