#include "core/Plik.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "support/Raised.h"
#include "support/TempDir.h"

namespace {

String Contents(const String& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
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

// The whole-file read: every byte of a file larger than one read, nothing of a missing,
// refused or over-long one, and each failure told apart.
TEST(CzytajCalyPlik, ReadsWholeOrSaysWhyNot) {
  TempDir dir;
  String duzy(3 * 65536 + 17, '\0');
  for (size_t i = 0; i < duzy.size(); ++i) duzy[i] = static_cast<char>(i * 7 + i / 251);
  std::ofstream(dir / "duzy", std::ios::binary) << duzy;
  std::ofstream(dir / "pusty", std::ios::binary).flush();
  ASSERT_EQ(mkdir((dir / "katalog").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);

  const CalyPlik d = CzytajCalyPlik(dir / "duzy");
  EXPECT_EQ(d.stan, CalyPlik::Wczytany);
  EXPECT_TRUE(d.bajty == duzy) << d.bajty.size();
  EXPECT_EQ(CzytajCalyPlik(dir / "duzy", static_cast<int64_t>(duzy.size())).stan, CalyPlik::Wczytany);

  const struct {
    String nazwa;
    int64_t maks;
    bool tylkoZwykly;
    CalyPlik::Stan stan;
    int blad;
  } cases[] = {
      {"pusty", 0, false, CalyPlik::Wczytany, 0},
      {"nie-ma", 100, false, CalyPlik::Brak, ENOENT},
      {"duzy/x", 100, false, CalyPlik::Brak, ENOTDIR},
      {"katalog", 100, false, CalyPlik::Katalog, EISDIR},
      {"duzy", static_cast<int64_t>(duzy.size()) - 1, false, CalyPlik::ZaDuzy, 0},
      // Nobody writes into the FIFO: read without the rule it would wait for ever.
      {"fifo", 100, true, CalyPlik::NieZwykly, 0},
  };
  for (const auto& c : cases) {
    const CalyPlik p = CzytajCalyPlik(dir / c.nazwa, c.maks, c.tylkoZwykly);
    EXPECT_EQ(p.stan, c.stan) << c.nazwa;
    EXPECT_EQ(p.blad, c.blad) << c.nazwa;
    EXPECT_TRUE(p.bajty.empty()) << c.nazwa;
  }
}

// A pipe has no size to check first: it is read to its end, and the most asked for still
// holds.
TEST(CzytajCalyPlik, ReadsAPipeToItsEndWithinTheMost) {
  for (const int64_t maks : {int64_t{1} << 20, int64_t{100}}) {
    int rura[2];
    ASSERT_EQ(pipe(rura), 0);
    const String tekst(1000, 'x');
    ASSERT_EQ(write(rura[1], tekst.data(), tekst.size()), static_cast<ssize_t>(tekst.size()));
    UnikalnyDeskryptor pisz(rura[1]);
    UnikalnyDeskryptor czytaj(rura[0]);
    pisz.Reset();
    const CalyPlik p = CzytajCalyPlik("/proc/self/fd/" + std::to_string(czytaj.Get()), maks);
    EXPECT_EQ(p.stan, maks > 1000 ? CalyPlik::Wczytany : CalyPlik::ZaDuzy) << maks;
    EXPECT_EQ(p.bajty, maks > 1000 ? tekst : String()) << maks;
  }
}
