#include "core/UnikalnyDeskryptor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

bool Otwarty(int fd) { return fcntl(fd, F_GETFD) != -1; }

// A descriptor made by the test and whether it is still open; the number is checked right
// after the owner lets go, before anything else could open the same number again.
int Nowy() {
  const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  return fd;
}

TEST(UnikalnyDeskryptor, ClosesOnceWhateverLetsItGo) {
  int fd = Nowy();
  { UnikalnyDeskryptor d(fd); EXPECT_TRUE(Otwarty(fd)); }
  EXPECT_FALSE(Otwarty(fd)) << "destroyed";

  fd = Nowy();
  UnikalnyDeskryptor d(fd);
  const int drugi = Nowy();
  d.Reset(drugi);
  EXPECT_FALSE(Otwarty(fd)) << "reset to another";
  EXPECT_TRUE(Otwarty(drugi));
  d.Reset(drugi);
  EXPECT_TRUE(Otwarty(drugi)) << "reset to the one held keeps it";
  EXPECT_EQ(d.Close(), 0);
  EXPECT_FALSE(Otwarty(drugi));
  EXPECT_FALSE(d);
  EXPECT_EQ(d.Close(), 0) << "closing nothing";

  fd = Nowy();
  d.Reset(fd);
  const int oddany = d.Release();
  EXPECT_EQ(oddany, fd);
  EXPECT_EQ(d.Get(), -1);
  d.Reset();
  EXPECT_TRUE(Otwarty(fd)) << "released: the caller owns it";
  close(oddany);

  EXPECT_FALSE(UnikalnyDeskryptor(-1));
  EXPECT_EQ(UnikalnyDeskryptor(-7).Get(), -1);
}

TEST(UnikalnyDeskryptor, MovesOwnership) {
  const int fd = Nowy();
  UnikalnyDeskryptor a(fd);
  UnikalnyDeskryptor b(std::move(a));
  EXPECT_EQ(a.Get(), -1);  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(b.Get(), fd);
  a = UnikalnyDeskryptor(Nowy());
  const int wA = a.Get();
  b = std::move(a);
  EXPECT_FALSE(Otwarty(fd)) << "the one overwritten is closed";
  EXPECT_EQ(b.Get(), wA);
  EXPECT_TRUE(Otwarty(wA));
  UnikalnyDeskryptor& sam = b;
  b = std::move(sam);
  EXPECT_TRUE(Otwarty(wA)) << "moved onto itself it stays";
}

}  // namespace
