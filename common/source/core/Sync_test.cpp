#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "core/ECriticalSection.h"
#include "core/EventOgolny.h"
#include "core/Exception.h"
#include "core/Mutex.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

TEST(Events, WaitWithTimeOutAndResetKinds) {
  EventManual manual;
  EXPECT_FALSE(manual.WaitFor(0));
  manual.Wait(0);  // returns at once without raising
  manual.Set();
  EXPECT_TRUE(manual.WaitFor(0));
  EXPECT_TRUE(manual.WaitFor(0)) << "manual events stay set";
  manual.Reset();
  EXPECT_FALSE(manual.WaitFor(0));

  EventAutomatic automatic;
  automatic.Set();
  EXPECT_TRUE(automatic.WaitFor(0));
  EXPECT_FALSE(automatic.WaitFor(0)) << "an automatic event lets one waiter through";
}

TEST(Events, SetWakesAWaiterOnAnotherThread) {
  EventAutomatic event;
  std::atomic<bool> woke{false};
  std::thread waiter([&] {
    event.Wait(-1);
    woke = true;
  });
  event.Set();
  waiter.join();
  EXPECT_TRUE(woke);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
  ECriticalSection section;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        Synchronized outer(&section);
        Synchronized inner(&section);
        ++counter;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
}

TEST(Mutex, TwoObjectsOfOneNameInTwoThreadsExcludeEachOther) {
  const String name = "kgtest-" + std::to_string(getpid());
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        Mutex mutex(name);
        ASSERT_TRUE(mutex.Wait(std::chrono::seconds(10)));
        const int now = ++inside;
        if (now > maxInside) maxInside = now;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        --inside;
        mutex.Release();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(maxInside, 1);
}

namespace {

// Sets XDG_RUNTIME_DIR (or unsets it) for the life of the object.
class RuntimeDir {
 public:
  explicit RuntimeDir(const char* value) {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
    if (value != nullptr) {
      setenv("XDG_RUNTIME_DIR", value, 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  ~RuntimeDir() {
    if (old_) {
      setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

mode_t Mode(const String& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

}  // namespace

// The lock files are the user's own: in a private runtime directory when there is one,
// else in a directory of the user's made for them, created 0600 either way.
TEST(Mutex, LivesInADirectoryOfTheUsersOwn) {
  TempDir privat;
  chmod(privat.Path().c_str(), 0700);
  TempDir shared;
  chmod(shared.Path().c_str(), 0777);
  const String perUid = "/korwendo-" + std::to_string(geteuid());
  const struct {
    const char* runtime;
    String dir;
  } cases[] = {
      {privat.Path().c_str(), privat.Path()},
      {shared.Path().c_str(), perUid},  // others may write there: not used
      {"relative/dir", perUid},
      {nullptr, perUid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.runtime ? c.runtime : "(unset)");
    RuntimeDir r(c.runtime);
    Mutex m("kgtest-own-" + std::to_string(getpid()));
    const String dir = Mutex::Directory();
    if (c.dir == perUid) {
      EXPECT_EQ(dir.substr(dir.rfind('/')), perUid);
      EXPECT_EQ(Mode(dir), 0700u);
    } else {
      EXPECT_EQ(dir, c.dir);
    }
    EXPECT_EQ(m.Path(), dir + "/korwendo-mutex-kgtest-own-" + std::to_string(getpid()));
    EXPECT_EQ(Mode(m.Path()), 0600u);
    unlink(m.Path().c_str());
  }
}

// What another user could have planted where the lock file goes is refused with the path.
TEST(Mutex, RefusesAFileThatIsNotTheUsersOwn) {
  TempDir privat;
  chmod(privat.Path().c_str(), 0700);
  RuntimeDir r(privat.Path().c_str());
  ASSERT_EQ(symlink("/etc/passwd", (privat / "korwendo-mutex-link").c_str()), 0);
  EXPECT_THROW(Mutex("link"), Exception);
  if (geteuid() == 0) {
    const String cudzy = privat / "korwendo-mutex-cudzy";
    std::fclose(std::fopen(cudzy.c_str(), "w"));
    ASSERT_EQ(chown(cudzy.c_str(), 65534, 65534), 0);
    try {
      Mutex m("cudzy");
      ADD_FAILURE() << "another user's file was taken";
    } catch (const Exception& e) {
      EXPECT_NE(String(e.what()).find(cudzy + "\": plik nie należy do tego użytkownika"), String::npos) << e.what();
    }
  }
}

// A holder that does not let go costs a waiter its limit, not for ever.
TEST(Mutex, WaitingIsBounded) {
  LogCapture log;
  const String name = "kgtest-bounded-" + std::to_string(getpid());
  Mutex holder(name);
  ASSERT_TRUE(holder.Wait(std::chrono::milliseconds(0)));
  Mutex waiter(name);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(waiter.Wait(std::chrono::milliseconds(200)));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::seconds(3));
  EXPECT_NE(log.Text().find("blokada \"" + waiter.Path() + "\" zajęta przez inny proces od "), std::string::npos)
      << log.Text();
  holder.Release();
  EXPECT_TRUE(waiter.Wait(std::chrono::milliseconds(200)));
  waiter.Release();
  unlink(waiter.Path().c_str());
}
